#!/usr/bin/env bash
# A distribution without setup.inf: the setup says so in an error box and ends with exit code 0
# before any of its windows was shown.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
setup_dist
setup_start

drv_ok wait-msgbox "setup.inf" 30000
expect_eq "message box" "$DRV" $'Error\nFile setup.inf not found.\\rAsk your software-distributor for help.'
drv_ok dump
printf '%s\n' "$DRV" >"$E2E_DIR/dump.txt"
printf '%s\n' "$DRV" | grep -q $'^#msgbox\t-\t.*\ticon$' || e2e_fail "the error box shows no icon"
printf '%s\n' "$DRV" | grep -q $'^#msgbox\tid:1\tButton\t1' || e2e_fail "the error box has no OK button"
printf '%s\n' "$DRV" | grep -q $'^#msgbox\tid:2\t' && e2e_fail "the error box has a Cancel button"
no_form_visible
shot error-box

drv_ok answer-msgbox OK "setup.inf"
setup_wait_end 30
expect_eq "exit code" "$SETUP_RC" 0
[ -e "$(winfile 'C:\temp')" ] && e2e_fail "C:\\temp was made"
exit 0
