#!/usr/bin/env bash
# The native profile reader against the system's GetPrivateProfileStringA under Wine, on every file
# of a corpus (subfolders included): tests/e2e/corpus/, or the folder named by
# CORVID_PROFILE_CORPUS. The queries come from the files (see tests/e2e/native/profquery.cpp);
# any differing answer fails the test and is listed with both values.
. "$(dirname "$0")/../harness/lib.sh"

corpus=${CORVID_PROFILE_CORPUS:-$CORVID_SOURCE_DIR/tests/e2e/corpus}
corpus=$(cd "$corpus" && pwd) || e2e_fail "no corpus folder $corpus"
profread=$CORVID_E2E_PROGRAMS/profread.exe
[ -x "$CORVID_PROFQUERY" ] || e2e_fail "no $CORVID_PROFQUERY"
[ -f "$profread" ] || e2e_fail "no $profread"

e2e_begin
e2e_map_drive d "$corpus"
"$CORVID_PROFQUERY" gen "$corpus" >"$E2E_DIR/queries.txt" || e2e_fail "cannot make the queries"
e2e_log "$(find "$corpus" -type f ! -path "*/.*" | wc -l) files in $corpus, $(wc -l <"$E2E_DIR/queries.txt") queries"

e2e_run 240 "$profread" "$(e2e_winpath "$E2E_DIR/queries.txt")" \
    "$(e2e_winpath "$E2E_DIR/answers.txt")" 'D:\' || e2e_fail "profread failed (exit $?)"
"$CORVID_PROFQUERY" compare "$corpus" "$E2E_DIR/queries.txt" "$E2E_DIR/answers.txt" \
    >"$E2E_DIR/compare.txt"
rc=$?
head -n 400 "$E2E_DIR/compare.txt"
[ $rc -eq 0 ] || e2e_fail "the native reader disagrees with the system (full list: $E2E_DIR/compare.txt)"
