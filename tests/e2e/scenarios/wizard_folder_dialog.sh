#!/usr/bin/env bash
# The folder dialog over the real drives of the prefix: opened from the folder page, it starts on
# C:; Enter on a selected entry and a double-click move into directories, the drive list shows
# another drive and, coming back, the directory left there; OK puts the full directory (the label
# shortens a long one) into the destination field; a second opening shows the same directory,
# and its cancel button leaves the field alone.
. "$(dirname "$0")/../harness/lib.sh"
. "$(dirname "$0")/../driver/driver.sh"
e2e_begin
drv_require
long='A rather long directory name\Another long directory name for the label'
mkdir -p "$E2E_DRIVE_C/corvid-dirs/Alpha/${long//\\//}" "$E2E_DRIVE_C/corvid-dirs/Beta"
wizard_dist '[software]
name=CorvidWizardFolder
o_standard=1

[directories]
d0=C:\Demo'
wizard_start
wizard_next
expect_page "Destination folder" Ebn_folder

drv_ok click Tleader Btn_folder
drv_is 'Choose a folder' wait-form Tdlg_folder 10000
drv_ok focus Tdlg_folder Btn_ok 10000
drv_dump
expect_eq "dialog size" "$(dump_get Tdlg_folder - 9 10)" "320 206"
expect_eq "ok button" "$(dump_get Tdlg_folder Btn_ok 7 8 9 10 11)" "231 33 75 25 &Ok"
expect_eq "cancel button" "$(dump_get Tdlg_folder Btn_abbr 7 8 9 10 11)" "231 61 75 25 E&xit"
expect_eq "label" "$(dump_get Tdlg_folder Label1 11)" 'C:\'
expect_centred Tdlg_folder
drv_ok items Tdlg_folder DirectoryListBox1
e2e_log "C:\\ lists: $(printf '%s' "$DRV" | tr '\n' '|')"
expect_eq "selected entry" "$(printf '%s\n' "$DRV" | sed -n 1p)" 0
expect_eq "first entry" "$(printf '%s\n' "$DRV" | sed -n 2p)" 'C:\'
index=$(printf '%s\n' "$DRV" | tail -n +2 | grep -nx '  corvid-dirs' | cut -d: -f1)
[ -n "$index" ] || e2e_fail "C:\\corvid-dirs is not listed"
drv_ok items Tdlg_folder DriveComboBox1
printf '%s\n' "$DRV" | grep -qx 'd:' || e2e_fail "drive D: is not listed: $DRV"
shot folder-dialog

# The keyboard: arrows down to the entry, Enter opens it.
for ((i = 1; i < index; i++)); do drv_ok key Tdlg_folder DirectoryListBox1 40; done
drv_ok key Tdlg_folder DirectoryListBox1 ENTER
drv_ok wait-text Tdlg_folder Label1 'C:\corvid-dirs' 10000
drv_ok items Tdlg_folder DirectoryListBox1
expect_eq "entries in C:\\corvid-dirs" "$(printf '%s' "$DRV" | tr '\n' '|')" '1|C:\|  corvid-dirs|    Alpha|    Beta'
# The mouse: a double-click on a selected entry.
drv_ok select Tdlg_folder DirectoryListBox1 Alpha
drv_ok dblclick Tdlg_folder DirectoryListBox1
drv_ok wait-text Tdlg_folder Label1 'C:\corvid-dirs\Alpha' 10000

# Another drive, then back: C: shows where the list was left.
drv_ok select Tdlg_folder DriveComboBox1 d:
drv_ok wait-text Tdlg_folder Label1 'D:\' 10000
drv_ok items Tdlg_folder DirectoryListBox1
expect_eq "first entry on D:" "$(printf '%s\n' "$DRV" | sed -n 2p)" 'D:\'
shot folder-dialog-drive-d
drv_ok select Tdlg_folder DriveComboBox1 c:
drv_ok wait-text Tdlg_folder Label1 'C:\corvid-dirs\Alpha' 10000

# Down into the long directories; OK hands over the whole path.
drv_ok select Tdlg_folder DirectoryListBox1 'A rather long directory name'
drv_ok dblclick Tdlg_folder DirectoryListBox1
drv_ok wait-text Tdlg_folder Label1 'C:\corvid-dirs\Alpha\A rather long directory name' 10000
drv_ok select Tdlg_folder DirectoryListBox1 'Another long directory name for the label'
drv_ok key Tdlg_folder DirectoryListBox1 ENTER
drv_ok wait-text Tdlg_folder Label1 "C:\\corvid-dirs\\Alpha\\$long" 10000
shot folder-dialog-long
drv_ok click Tdlg_folder Btn_ok
drv_ok wait-form Tdlg_folder --hidden 10000
drv_is "C:\\corvid-dirs\\Alpha\\$long" text Tleader Edt_verz

# A second opening shows the same directory; its cancel button leaves the field alone.
drv_ok type Tleader Edt_verz 'C:\typed'
drv_ok click Tleader Btn_folder
drv_ok wait-form Tdlg_folder 10000
drv_is "C:\\corvid-dirs\\Alpha\\$long" text Tdlg_folder Label1
drv_ok key Tdlg_folder ESC
drv_ok wait-form Tdlg_folder --hidden 10000
drv_is 'C:\typed' text Tleader Edt_verz
expect_page "Destination folder" Ebn_folder
setup_terminate
exit 0
