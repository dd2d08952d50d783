#!/usr/bin/env bash
# The installation benchmark: one generated product tree (2000 files, 100 MB, half text, half
# incompressible) installed under Wine in the same run by
#   - Wine's own xcopy of the tree (the baseline: plain copying, no setup at all),
#   - two installers made with makensis from Debian's nsis package (solid zlib and solid lzma,
#     run silently with /S),
#   - corvid's setup.exe through its real windows, from distributions that corvid-pack makes in
#     mode 0 (plain volumes) and mode 1 (LZH archives), timed from Next on the last wizard page
#     until the completion dialog shows.
# It prints each time and its ratio to xcopy and to the NSIS installer of the same kind.
#
#   bash bench/install.sh [FILES [MEGABYTES]]
#
# Needs the build in build/ (bash scripts/test.sh or demo.sh makes it) and nsis (installed
# here through scripts/deps.sh bench). Uses the Wine pair of the host, as the tests do
# (CORVID_WINE_ARCH forces one). Work files go to build/bench-install/ (several hundred MB).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
files=${1:-2000}
megabytes=${2:-100}
work=$root/build/bench-install
bash "$root/scripts/deps.sh" bench || exit 1
export CORVID_SOURCE_DIR=$root CORVID_BUILD_DIR=$root/build
# shellcheck disable=SC1091
. "$root/tests/e2e/harness/lib.sh"
# shellcheck disable=SC1091
. "$root/tests/e2e/driver/driver.sh"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

rm -rf "$work"
mkdir -p "$work"
echo "bench: generating the tree ($files files, $megabytes MB)"
python3 "$here/make_tree.py" "$work/tree" "$files" "$megabytes" || exit 1

# --- the corvid distributions
# A product name per mode: the second installation must not find the first one's registration.
make_project() { # MODE
{
    sed -n '/^\[language\]/,$p' "$root/tests/e2e/fixtures/wizard/setup.inf"
    cat <<EOF

[software]
name=CorvidBench$1
prggrp=Bench
o_standard=1
uniyes=1

[prggrp]
uninst=0
total=0

[directories]
d0=C:\Bench

[component1]
name=Product
standard=1
files=tree -> \\
EOF
} >"$work/project$1.ini"
}
# The uninstaller is only copied during the installation: any program stands in when the build
# has none.
uninstaller=$CORVID_WIN_DIR/src/win32/uncorvid.exe
[ -f "$uninstaller" ] || uninstaller=$E2E_MARKER
for mode in 0 1; do
    make_project $mode
    echo "bench: corvid-pack mode $mode"
    start=$(now)
    "$root/build/tools/corvid-pack" -q -f -m $mode --setup "$(e2e_setup_exe)" \
        --uninstaller "$uninstaller" "$work/project$mode.ini" "$work/dist$mode" ||
        { echo "bench: corvid-pack failed" >&2; exit 1; }
    echo "bench: packed in $(elapsed "$start" "$(now)") s ($(du -sh "$work/dist$mode" | cut -f1))"
done

# --- the NSIS installers
if [ "$E2E_PAIR" = win64 ]; then target=amd64-unicode; else target=x86-unicode; fi
for kind in zlib lzma; do
    cat >"$work/$kind.nsi" <<EOF
Unicode true
Target $target
SetCompressor /SOLID $kind
Name "bench"
OutFile "$work/nsis-$kind.exe"
InstallDir "C:\\nsis-$kind"
RequestExecutionLevel user
SilentInstall silent
Section
SetOutPath "\$INSTDIR"
File /r "$work/tree/*"
SectionEnd
EOF
    echo "bench: makensis $kind"
    makensis -V1 "$work/$kind.nsi" || { echo "bench: makensis failed" >&2; exit 1; }
done

e2e_begin bench-install
drv_require
e2e_map_drive e "$work"
reg_set 'HKCU\Software\Wine\X11 Driver' Managed N

T=
timed() { # NAME COMMAND...: runs a program under wine; $T is the seconds it took
    local name=$1 start rc=0
    shift
    start=$(now)
    e2e_run 600 "$@" || rc=$?
    [ $rc -eq 0 ] || e2e_fail "$name ended with exit code $rc"
    T=$(elapsed "$start" "$(now)")
}
# The installed tree equals the source tree (corvid's own work folder "setup" aside).
same_tree() {
    diff -r -q -x setup "$work/tree" "$1" >"$E2E_DIR/diff.txt" ||
        e2e_fail "$2 did not install the tree: $(head -n 3 "$E2E_DIR/diff.txt")"
}

timed xcopy xcopy 'E:\tree' 'C:\xcopy\' /E /I /Q /Y
t_xcopy=$T
same_tree "$E2E_DRIVE_C/xcopy" xcopy
timed "NSIS zlib" 'E:\nsis-zlib.exe' /S
t_zlib=$T
same_tree "$E2E_DRIVE_C/nsis-zlib" "NSIS zlib"
timed "NSIS lzma" 'E:\nsis-lzma.exe' /S
t_lzma=$T
same_tree "$E2E_DRIVE_C/nsis-lzma" "NSIS lzma"

corvid_install() { # MODE: walks the wizard; $T is the seconds from Next on Ready to Tcomplete
    local mode=$1 start
    rm -rf "$E2E_DRIVE_C/Bench"
    e2e_map_drive d "$work/dist$mode"
    setup_start
    drv_ok wait-form Tleader 60000
    drv_ok wait-visible Tleader Ebn_welcome 30000
    drv_ok click Tleader Btn_weiter
    drv_ok wait-visible Tleader Ebn_folder 30000
    drv_ok click Tleader Btn_weiter
    drv_ok wait-visible Tleader Ebn_start 30000
    start=$(now)
    drv_ok click Tleader Btn_weiter
    drv_ok wait-form Tcomplete 600000
    T=$(elapsed "$start" "$(now)")
    drv_ok click Tcomplete Btn_complete
    setup_wait_end 60
    same_tree "$E2E_DRIVE_C/Bench" "corvid mode $mode"
}
corvid_install 0
t_mode0=$T
corvid_install 1
t_mode1=$T

echo
echo "installation of $files files, $megabytes MB, wine pair $E2E_PAIR ($(e2e_pair_text))"
printf '%-22s %8s %10s %12s\n' "" seconds "vs xcopy" "vs NSIS peer"
printf '%-22s %8s %10s %12s\n' "xcopy" "$t_xcopy" 1.00 -
printf '%-22s %8s %10s %12s\n' "NSIS solid zlib" "$t_zlib" "$(ratio "$t_zlib" "$t_xcopy")" -
printf '%-22s %8s %10s %12s\n' "NSIS solid lzma" "$t_lzma" "$(ratio "$t_lzma" "$t_xcopy")" -
printf '%-22s %8s %10s %12s\n' "corvid mode 0" "$t_mode0" "$(ratio "$t_mode0" "$t_xcopy")" \
    "$(ratio "$t_mode0" "$t_zlib") (zlib)"
printf '%-22s %8s %10s %12s\n' "corvid mode 1" "$t_mode1" "$(ratio "$t_mode1" "$t_xcopy")" \
    "$(ratio "$t_mode1" "$t_lzma") (lzma)"
