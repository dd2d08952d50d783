# shellcheck shell=bash
# Helpers for scenarios that drive the setup's windows with driver.exe. Source it after
# harness/lib.sh and call e2e_begin first.
#
#   drv COMMAND ARGS...        runs driver.exe; its result lines are in $DRV; returns its exit code
#   drv_ok COMMAND ARGS...     the same, and fails the test when the command fails
#   drv_is WANT COMMAND ARGS...   fails the test unless the command's result is exactly WANT
#                                 (within a few seconds)
#   expect_eq WHAT GOT WANT    fails the test unless GOT = WANT
#   drv_dump                   runs `dump`; keeps the lines in $DUMP (and in a file)
#   drv_try_dump               the same, returning the driver's failure instead of failing the test
#   dump_get FORM CONTROL COL...  columns of one line of $DUMP, blank-separated (CONTROL "-" is the
#                              form's own line); columns: 1 form, 2 control, 3 class, 4 visible,
#                              5 enabled, 6 checked, 7-10 x y w h, 11 text, 12 picw, 13 pich,
#                              14 picture mode (controls) or tiles (forms)
#   setup_dist [FIXTURE]       $E2E_DIST: a distribution folder (a copy of tests/e2e/fixtures/FIXTURE,
#                              or empty) holding setup.exe, mapped as drive D:. A fixture's
#                              prepare.sh is sourced in that folder (to make pictures) and removed;
#                              $E2E_ORIG is a folder beside it for files the test compares against
#   setup_start                starts D:\setup.exe in the background ($E2E_PID)
#   setup_wait_end SECONDS     waits for setup.exe to end; fails the test when it does not; the
#                              exit code is in $SETUP_RC
#   setup_ends_ok [WHAT]       waits (30 s at most) for setup.exe to end and fails the test unless
#                              its exit code is 0; WHAT names the check (default "exit code")
#   abort_open [CONTROL KEY]   opens the abort dialog from the wizard: clicks Exit, or sends KEY
#                              to the wizard's CONTROL; waits for the dialog
#   abort_terminate            the abort dialog's terminate button; setup.exe ends with exit code 0
#   setup_terminate            from the wizard: abort_open, then abort_terminate
#   dump_has FORM CONTROL      true when $DUMP has a line for CONTROL of FORM (a message box's
#                              buttons: '#msgbox' id:1 OK, id:2 Cancel, id:6 Yes, id:7 No)
#   expect_bar_run [STATIONS]  on $BAR (from watch_bar): logs the positions and fails the test
#                              when the bar moved backwards, stood between the STATIONS (an
#                              extended regular expression for grep -x), or did not end at 100
#   expect_temp_files WANT     fails the test unless the names in C:\temp are exactly WANT
#   make_bmp FILE W H COLOUR... a 24-bit Windows bitmap of W x H with vertical bands of COLOURs
#   pack_picture ARCHIVE FILE  packs FILE into the compressed archive ARCHIVE (corvid-arc)
#   shot NAME                  screenshot of the screen now ($CORVID_SCREENSHOTS/<test>-NAME.png)
#   shot_when FORM NAME [MS]   waits for FORM to be visible and takes the screenshot from inside
#                              the session at that moment (for windows that show only briefly)
#   watch_bar FORM CONTROL NAME N [MS]   follows the bar while FORM is visible; its positions
#                              are in $BAR, one a line; a screenshot NAME is taken when the bar
#                              first stands at N or more (none when the loading was too quick)
#   expect_pixel WHAT FORM X Y TEST   reads the screen's colour at client point X,Y of FORM into
#                              R G B (0-255) until the arithmetic TEST on them holds (the window
#                              may still be painting); fails the test when it never does
#   expect_centred FORM        fails the test unless FORM's window is centred on the 1024 x 768
#                              screen (within a pixel)
#   reg_set KEY NAME VALUE     writes a string value with wine's reg
#   reg_has KEY                true when the registry key exists
#   winfile PATH               the host path of a Windows path on C: (C:\temp\x -> .../drive_c/temp/x)
#   no_form_visible            fails the test when a setup form is visible
#   wizard_dist SECTIONS       setup_dist with the fixture "wizard" (its texts), then appends
#                              SECTIONS (the [software] and [directories] of the walk) to setup.inf
#   wizard_start               setup_start, then waits for the wizard
#   wizard_next, wizard_back   clicks Next or Back on the wizard
#   expect_page CAPTION PANEL  waits (10 s at most) until the wizard's caption is CAPTION and PANEL
#                              is the only page panel visible ("-": none is); fails the test if not
#   expect_box TEXT CAPTION BUTTON [SHOT]   waits for a message box, takes the screenshot SHOT,
#                              fails unless its text and caption are TEXT and CAPTION (escaped, as
#                              the driver prints them), then answers it with BUTTON
#   form_names                 the names of all setup forms, hidden ones too, sorted, one line
#   register_old VERSION COMMAND   registers an earlier installation of [software] name
#                              $E2E_PRODUCT the way a finished installation does
#   marker_install             puts marker.exe in C:\windows; it appends its command line to
#                              C:\corvid-marker.txt ($E2E_MARKER_FILE on the host)
#   marker_none WHAT           waits until the prefix's processes have ended; fails the test with
#                              WHAT when marker.exe was started
#   install_walk SETUP GROUP   starts SETUP (a Windows path) and walks through the wizard with what
#                              it proposes: Welcome, Folder, Program group (which must propose
#                              GROUP), Ready, and Next into the installation; $E2E_PID is the setup
#   marker_expect ARGS         logs the command lines marker.exe recorded and keeps them (CRs
#                              removed) in $MARKER_RAN; fails the test unless the last one started
#                              marker.exe with the arguments ARGS

: "${CORVID_E2E_DRIVER_DIR:=$CORVID_E2E_PROGRAMS/driver}"
E2E_DRIVER=$CORVID_E2E_DRIVER_DIR/driver.exe
E2E_MARKER=$CORVID_E2E_DRIVER_DIR/marker.exe
E2E_SETUP=$(e2e_setup_exe)
: "${CORVID_ARC:=$CORVID_BUILD_DIR/tools/corvid-arc}"
DRV=
DUMP=
SETUP_RC=
E2E_DIST=
_drv_n=0

drv_require() {
    [ -f "$E2E_DRIVER" ] || e2e_fail "no driver: $E2E_DRIVER"
    [ -f "$E2E_SETUP" ] || e2e_fail "no setup program: $E2E_SETUP"
}

_drv_once() { # OUT ARG...
    local out=$1
    shift
    : >"$out.txt"
    # The harness's lock descriptors stay with the harness: a wineserver this call may start
    # must not hold them.
    timeout -k 5 120 "${E2E_WINE[@]}" "$E2E_DRIVER" --out "$(e2e_winpath "$out.txt")" "$@" \
        >"$out.stdout" 2>"$out.stderr" </dev/null 8>&- 9>&-
}

drv() {
    _drv_n=$((_drv_n + 1))
    local out=$E2E_DIR/drv-$_drv_n rc=0
    printf '%s\n' "$*" >"$out.cmd"
    e2e_until_started "$out.txt" "$out.stderr" _drv_once "$out" "$@" || rc=$?
    DRV=$(cat "$out.txt")
    return $rc
}

drv_ok() {
    drv "$@" || e2e_fail "driver $*: ${DRV:-no answer (exit $?)}"
}

drv_is() {
    local want=$1 end=$((SECONDS + 10))
    shift
    # Clicks are posted: the window may still be in the middle of the handler that sets the
    # state (too busy to answer on a loaded machine), so a different answer, or none, is asked
    # again for a few seconds before it counts.
    local rc
    while :; do
        rc=0
        drv "$@" || rc=$?
        [ $rc -eq 0 ] && [ "$DRV" = "$want" ] && return 0
        if [ $SECONDS -ge $end ]; then
            [ $rc -eq 0 ] || e2e_fail "driver $*: ${DRV:-no answer (exit $rc)}"
            e2e_fail "$*: got \"$DRV\", want \"$want\""
        fi
        sleep 0.3
    done
}

expect_eq() {
    [ "$2" = "$3" ] || e2e_fail "$1: got \"$2\", want \"$3\""
}

drv_dump() {
    drv_try_dump || e2e_fail "driver dump: ${DRV:-no answer (exit $?)}"
}

# The same, returning the driver's failure instead of failing the test.
drv_try_dump() {
    drv dump || return
    DUMP=$DRV
    printf '%s\n' "$DUMP" >"$E2E_DIR/dump-$_drv_n.txt"
}

dump_get() {
    local f=$1 c=$2
    shift 2
    printf '%s\n' "$DUMP" | awk -F'\t' -v f="$f" -v c="$c" -v cols="$*" '
        BEGIN { n = split(cols, a, " ") }
        $1 == f && $2 == c { s = ""; for (i = 1; i <= n; i++) s = s (i > 1 ? " " : "") $(a[i]); print s; exit }'
}

setup_dist() {
    E2E_DIST=$E2E_DIR/dist
    rm -rf "$E2E_DIST"
    mkdir -p "$E2E_DIST"
    if [ -n "${1:-}" ]; then
        cp -r "$CORVID_SOURCE_DIR/tests/e2e/fixtures/$1/." "$E2E_DIST/" || e2e_fail "no fixture $1"
    fi
    E2E_ORIG=$E2E_DIR/orig
    mkdir -p "$E2E_ORIG"
    if [ -f "$E2E_DIST/prepare.sh" ]; then
        # shellcheck disable=SC1091
        (cd "$E2E_DIST" && . ./prepare.sh) || e2e_fail "the fixture $1 could not be prepared"
        rm -f "$E2E_DIST/prepare.sh"
    fi
    cp "$E2E_SETUP" "$E2E_DIST/setup.exe" || e2e_fail "cannot copy setup.exe"
    e2e_map_drive d "$E2E_DIST"
    # Xvfb has no window manager: let wine draw the caption bars itself, so that screenshots
    # show them.
    reg_set 'HKCU\Software\Wine\X11 Driver' Managed N
}

setup_start() { # [OPTION...]
    e2e_start 'D:\setup.exe' "$@"
}

setup_wait_end() {
    SETUP_RC=0
    e2e_wait_pid "$E2E_PID" "$1" || SETUP_RC=$?
    [ "$SETUP_RC" -ne 124 ] || e2e_fail "setup.exe did not end within $1 s"
}

# shellcheck disable=SC2120 # the argument is optional
setup_ends_ok() {
    setup_wait_end 30
    expect_eq "${1:-exit code}" "$SETUP_RC" 0
}

# shellcheck disable=SC2120 # the arguments are optional
abort_open() {
    if [ $# -eq 2 ]; then
        drv_ok key Tleader "$1" "$2"
    else
        drv_ok click Tleader Btn_exit
    fi
    drv_ok wait-form Tabbruch
}

abort_terminate() {
    drv_ok click Tabbruch Btn_terminate
    setup_ends_ok
}

setup_terminate() {
    abort_open
    abort_terminate
}

expect_bar_run() {
    e2e_log "bar positions seen: $(printf '%s' "$BAR" | tr '\n' ' ')"
    printf '%s\n' "$BAR" | sort -n -c 2>/dev/null || e2e_fail "the bar moved backwards: $BAR"
    if [ -n "${1:-}" ] && printf '%s\n' "$BAR" | grep -vqxE "$1"; then
        e2e_fail "the bar stood between its stations: $BAR"
    fi
    expect_eq "last bar position" "$(printf '%s\n' "$BAR" | tail -n 1)" 100
}

expect_temp_files() {
    local dir
    dir=$(winfile 'C:\temp')
    [ -d "$dir" ] || e2e_fail "C:\\temp was not made"
    expect_eq "files in C:\\temp" "$(ls -A "$dir")" "$1"
}

make_bmp() {
    local file=$1 w=$2 h=$3
    shift 3
    local n=$# band args=() c
    band=$(((w + n - 1) / n))
    for c in "$@"; do args+=(-size "${band}x$h" "xc:$c"); done
    convert "${args[@]}" +append -crop "${w}x$h+0+0" +repage -type TrueColor "BMP3:$file" ||
        e2e_fail "convert cannot make $file"
}

pack_picture() {
    [ -x "$CORVID_ARC" ] || e2e_fail "no archive packer $CORVID_ARC"
    local dir
    dir=$(dirname "$2")
    (cd "$dir" && "$CORVID_ARC" a "$1" "$(basename "$2")") >"$E2E_DIR/arc.log" 2>&1 ||
        e2e_fail "corvid-arc cannot pack $2: $(cat "$E2E_DIR/arc.log")"
}

shot() {
    e2e_screenshot "$1" >/dev/null || e2e_fail "screenshot $1 failed"
}

shot_when() {
    local bmp=$E2E_DIR/shot-$2.bmp
    drv_ok wait-form "$1" --shot "$(e2e_winpath "$bmp")" ${3:+"$3"}
    convert "$bmp" "$CORVID_SCREENSHOTS/$E2E_NAME-$2.png" || e2e_fail "cannot convert $bmp"
}

watch_bar() {
    local bmp=$E2E_DIR/shot-$3.bmp
    rm -f "$bmp"
    drv_ok watch-pos "$1" "$2" --shot "$(e2e_winpath "$bmp")" --shot-at "$4" ${5:+"$5"}
    # shellcheck disable=SC2034 # read by the scenarios
    BAR=$DRV
    if [ -f "$bmp" ]; then
        convert "$bmp" "$CORVID_SCREENSHOTS/$E2E_NAME-$3.png" || e2e_fail "cannot convert $bmp"
    else
        e2e_log "no screenshot $3: the bar did not stand at $4 or more while it was looked at"
    fi
}

expect_pixel() {
    local what=$1 form=$2 x=$3 y=$4 test=$5 R G B
    for _ in $(seq 20); do
        drv_ok pixel "$form" "$x" "$y"
        # shellcheck disable=SC2034 # named in $test
        R=$((16#${DRV:0:2})) G=$((16#${DRV:2:2})) B=$((16#${DRV:4:2}))
        # shellcheck disable=SC2004 # $test is an expression over R, G and B
        if (($test)); then return 0; fi
        sleep 0.25
    done
    e2e_fail "$what: the screen shows #$DRV at $x,$y of $form; want $test"
}

expect_centred() {
    local x y w h
    drv_ok rect "$1" --window
    read -r x y w h <<<"$DRV"
    local dx=$((2 * x + w - 1024)) dy=$((2 * y + h - 768))
    ((dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2)) ||
        e2e_fail "$1 is not centred on the screen: at $x,$y size $w x $h"
}

reg_set() {
    e2e_run 60 reg add "$1" /v "$2" /t REG_SZ /d "$3" /f || e2e_fail "reg add $1 $2 failed"
}

reg_has() {
    e2e_run 60 reg query "$1"
}

winfile() {
    local p=${1#[Cc]:}
    printf '%s%s\n' "$E2E_DRIVE_C" "${p//\\//}"
}

dump_has() {
    printf '%s\n' "$DUMP" | awk -F'\t' -v f="$1" -v c="$2" '$1 == f && $2 == c { found = 1 } END { exit !found }'
}

form_names() {
    drv_dump
    printf '%s\n' "$DUMP" | awk -F'\t' '$2 == "-" && $1 != "#msgbox" {print $1}' | sort | tr '\n' ' ' |
        sed 's/ $//'
}

register_old() {
    local key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$E2E_PRODUCT"
    reg_set "$key" UninstallString "$2"
    reg_set "$key" version "$1"
}

marker_install() {
    E2E_MARKER_FILE=$E2E_DRIVE_C/corvid-marker.txt
    rm -f "$E2E_MARKER_FILE"
    cp "$E2E_MARKER" "$E2E_DRIVE_C/windows/marker.exe" || e2e_fail "no marker program $E2E_MARKER"
}

marker_none() {
    e2e_wineserver_wait 60
    if [ -e "$E2E_MARKER_FILE" ]; then e2e_fail "$1: $(cat "$E2E_MARKER_FILE")"; fi
}

marker_expect() {
    MARKER_RAN=$(tr -d '\r' <"$E2E_MARKER_FILE")
    e2e_log "started: $MARKER_RAN"
    case "$MARKER_RAN" in
    *'marker.exe'*" $1") ;;
    *) e2e_fail "the uninstall command was started as: $MARKER_RAN" ;;
    esac
}

no_form_visible() {
    drv_dump
    local visible
    visible=$(printf '%s\n' "$DUMP" | awk -F'\t' '$2 == "-" && $1 != "#msgbox" && $4 == 1 {print $1}')
    [ -z "$visible" ] || e2e_fail "forms visible: $visible"
}

wizard_dist() {
    setup_dist wizard
    printf '%s\n' "$1" >>"$E2E_DIST/setup.inf"
}

wizard_start() {
    setup_start
    drv_ok wait-form Tleader 60000
}

wizard_next() { drv_ok click Tleader Btn_weiter; }
wizard_back() { drv_ok click Tleader Btn_back; }

_wizard_pages="Ebn_welcome Ebn_folder Ebn_configuration Ebn_components Ebn_prggroup Ebn_start"

expect_page() {
    local want=$1 panel=$2 caption shown p end=$((SECONDS + 10))
    while :; do
        # A dump taken while the pages change over may get no answer (seen once on a machine
        # loaded far beyond its cores); within the deadline it is asked again.
        if ! drv_try_dump; then
            [ $SECONDS -lt $end ] || e2e_fail "driver dump: no answer while waiting for \"$want\""
            sleep 0.3
            continue
        fi
        caption=$(dump_get Tleader - 11)
        shown=
        for p in $_wizard_pages; do
            [ "$(dump_get Tleader "$p" 4)" = 1 ] && shown="$shown $p"
        done
        shown=${shown# }
        [ "$caption" = "$want" ] && [ "$shown" = "${panel/#-/}" ] && return 0
        [ $SECONDS -lt $end ] || e2e_fail "wizard shows \"$caption\" with pages \"$shown\"; want \"$want\" with $panel"
        sleep 0.3
    done
}

expect_box() {
    drv_ok wait-msgbox 10000
    local caption text
    caption=$(printf '%s\n' "$DRV" | sed -n 1p)
    text=$(printf '%s\n' "$DRV" | sed -n 2p)
    [ -z "${4:-}" ] || shot "$4"
    expect_eq "message text" "$text" "$1"
    expect_eq "message caption" "$caption" "$2"
    drv_ok answer-msgbox "$3" 10000
}

install_walk() {
    e2e_start "$1"
    drv_ok wait-form Tleader 60000
    wizard_next
    expect_page "Destination folder" Ebn_folder
    wizard_next
    expect_page "Program group" Ebn_prggroup
    drv_is "$2" text Tleader Edt_prggroup
    wizard_next
    expect_page "Ready to install" Ebn_start
    wizard_next
}
