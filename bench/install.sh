#!/usr/bin/env bash
# The installation benchmark: one generated product tree (2000 files, 100 MB, half text, half
# incompressible) installed under Wine in the same run by
#   - Wine's own xcopy of the tree (the baseline: plain copying, no setup at all),
#   - two installers made with makensis from Debian's nsis package (solid zlib and solid lzma,
#     run silently with /S),
#   - corvid's setup.exe through its real windows, from distributions that corvid-pack makes in
#     mode 0 (plain volumes) and mode 1 (LZH archives), timed from Next on the last wizard page
#     until the completion dialog shows.
# It prints each time and its ratio to xcopy and to the NSIS installer of the same kind. Then
#   - the removal of the mode 1 installation by uncorvid.exe /silent beside Wine's
#     `cmd /c rmdir /s /q` of xcopy's copy of the same tree,
#   - a tree of many small files (SMALL files of 5 KB, default 20000; 0 leaves it out) and one of
#     a tenth of them, each installed by corvid in mode 0, with the time per file of both (the
#     larger one may take at most 1.3 times as long per file) and the NSIS zlib installer of the
#     larger one.
#
#   bash bench/install.sh [FILES [MEGABYTES [SMALL]]]
#   bash bench/install.sh 0 0 20000    # the many-small-files part alone
#   ROUNDS=5 bash bench/install.sh     # five rounds instead of three; each figure is a median
#
# Needs the build in build/ (bash scripts/test.sh or demo.sh makes it) and nsis (installed
# here through scripts/deps.sh bench). Uses the Wine pair of the host, as the tests do
# (CORVID_WINE_ARCH forces one). Work files go to build/bench-install/ (several hundred MB).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
files=${1:-2000}
megabytes=${2:-100}
small=${3:-20000}
tenth=$((small / 10))
rounds=${ROUNDS:-3}
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
if [ "$files" -gt 0 ]; then
    echo "bench: generating the tree ($files files, $megabytes MB)"
    python3 "$here/make_tree.py" "$work/tree" "$files" "$megabytes" || exit 1
fi

# --- the corvid distributions
# A product name per mode: the second installation must not find the first one's registration.
make_project() { # MODE [TAG [TREE]]: the project $work/project$TAG.ini
    local tag=${2:-$1} tree=${3:-tree}
    {
    sed -n '/^\[language\]/,$p' "$root/tests/e2e/fixtures/wizard/setup.inf"
    cat <<EOF

[software]
name=CorvidBench$tag
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
files=$tree -> \\
EOF
    } >"$work/project$tag.ini"
}
# The uninstaller is only copied during the installation: any program stands in when the build
# has none.
uninstaller=$CORVID_WIN_DIR/src/win32/uncorvid.exe
[ -f "$uninstaller" ] || uninstaller=$E2E_MARKER
pack() { # MODE TAG: $work/project$TAG.ini into $work/dist$TAG
    echo "bench: corvid-pack mode $1 ($2)"
    local start
    start=$(now)
    "$root/build/tools/corvid-pack" -q -f -m "$1" --setup "$(e2e_setup_exe)" \
        --uninstaller "$uninstaller" "$work/project$2.ini" "$work/dist$2" ||
        { echo "bench: corvid-pack failed" >&2; exit 1; }
    echo "bench: packed in $(elapsed "$start" "$(now)") s ($(du -sh "$work/dist$2" | cut -f1))"
}
if [ "$files" -gt 0 ]; then
    for mode in 0 1; do
        make_project $mode
        pack $mode $mode
    done
fi
if [ "$small" -gt 0 ]; then
    for n in "$tenth" "$small"; do
        echo "bench: generating the small-file tree ($n files of 5 KB)"
        python3 "$here/make_tree.py" "$work/small$n" "$n" \
            "$(awk -v n="$n" 'BEGIN { print n * 5 / 1024 }')" even || exit 1
        make_project 0 "small$n" "small$n"
        pack 0 "small$n"
    done
fi

# --- the NSIS installers
if [ "$E2E_PAIR" = win64 ]; then target=amd64-unicode; else target=x86-unicode; fi
nsis() { # KIND TREE NAME: $work/NAME.exe installs TREE into C:\NAME
    local kind=$1 tree=$2 name=$3
    cat >"$work/$name.nsi" <<EOF
Unicode true
Target $target
SetCompressor /SOLID $kind
# makensis compares each file's data with every earlier one of its size to store it once: with
# thousands of files of one size that takes longer than the rest of the benchmark. The trees hold
# no two files alike: it would find nothing to store once.
SetDatablockOptimize off
Name "bench"
OutFile "$work/$name.exe"
InstallDir "C:\\$name"
RequestExecutionLevel user
SilentInstall silent
Section
SetOutPath "\$INSTDIR"
File /r "$work/$tree/*"
SectionEnd
EOF
    echo "bench: makensis $kind ($tree)"
    makensis -V1 "$work/$name.nsi" || { echo "bench: makensis failed" >&2; exit 1; }
}
if [ "$files" -gt 0 ]; then
    nsis zlib tree nsis-zlib
    nsis lzma tree nsis-lzma
fi
[ "$small" -gt 0 ] && nsis zlib "small$small" nsis-small

e2e_begin bench-install
drv_require
e2e_map_drive e "$work"
reg_set 'HKCU\Software\Wine\X11 Driver' Managed N

T=
# Each timed step starts with the last step's writes on disk: writeback of a few hundred MB left
# behind by the step before would otherwise be charged to whichever installer runs next.
settle() { sync; }
timed() { # NAME COMMAND...: runs a program under wine; $T is the seconds it took
    local name=$1 start rc=0
    shift
    settle
    start=$(now)
    e2e_run 600 "$@" || rc=$?
    [ $rc -eq 0 ] || e2e_fail "$name ended with exit code $rc"
    T=$(elapsed "$start" "$(now)")
}
# The installed tree equals the source tree (corvid's own work folder "setup" aside).
same_tree() { # INSTALLED WHO [SOURCE]
    diff -r -q -x setup "${3:-$work/tree}" "$1" >"$E2E_DIR/diff.txt" ||
        e2e_fail "$2 did not install the tree: $(head -n 3 "$E2E_DIR/diff.txt")"
}

corvid_install() { # TAG [TREE]: walks the wizard; $T is the seconds from Next on Ready to Tcomplete
    local tag=$1 tree=${2:-tree} start
    rm -rf "$E2E_DRIVE_C/Bench"
    e2e_map_drive d "$work/dist$tag"
    setup_start
    drv_ok wait-form Tleader 60000
    drv_ok wait-visible Tleader Ebn_welcome 30000
    drv_ok click Tleader Btn_weiter
    drv_ok wait-visible Tleader Ebn_folder 30000
    drv_ok click Tleader Btn_weiter
    drv_ok wait-visible Tleader Ebn_start 30000
    settle
    start=$(now)
    drv_ok click Tleader Btn_weiter
    # One driver call waits two minutes at most; a large tree takes longer.
    local deadline=$((SECONDS + 1800))
    until drv wait-form Tcomplete 100000; do
        [ $SECONDS -lt $deadline ] || e2e_fail "corvid ($tag) did not complete in 30 minutes"
    done
    T=$(elapsed "$start" "$(now)")
    drv_ok click Tcomplete Btn_complete
    setup_wait_end 60
    same_tree "$E2E_DRIVE_C/Bench" "corvid ($tag)" "$work/$tree"
}
# Each round runs every step once, in the same order; the figures are each step's median over
# the rounds (one run on a shared machine can be off by half either way).
declare -A runs=()
keep() { runs[$1]+="$T "; } # NAME: adds $T to NAME's times
median() { # NAME: the median of NAME's times
    tr ' ' '\n' <<<"${runs[$1]:-}" | grep . | sort -n |
        awk '{ t[NR] = $1 } END { printf "%.2f", NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}
# Between rounds the machine is put back as it was: no copies, no registrations (an installation
# that finds its own registration asks about it), no shared uninstaller.
fresh_round() {
    rm -rf "$E2E_DRIVE_C/xcopy" "$E2E_DRIVE_C"/nsis-* "$E2E_DRIVE_C/Bench" \
        "$E2E_DRIVE_C/windows/uncorvid.exe"
    local tag
    for tag in 0 1 "small$tenth" "small$small"; do
        e2e_run 60 reg delete \
            "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\CorvidBench$tag" /f ||
            true
    done
}
for round in $(seq "$rounds"); do
    echo "bench: round $round of $rounds"
    [ "$round" -eq 1 ] || fresh_round
    if [ "$files" -gt 0 ]; then
        timed xcopy xcopy 'E:\tree' 'C:\xcopy\' /E /I /Q /Y
        keep xcopy
        same_tree "$E2E_DRIVE_C/xcopy" xcopy
        timed "NSIS zlib" 'E:\nsis-zlib.exe' /S
        keep zlib
        same_tree "$E2E_DRIVE_C/nsis-zlib" "NSIS zlib"
        timed "NSIS lzma" 'E:\nsis-lzma.exe' /S
        keep lzma
        same_tree "$E2E_DRIVE_C/nsis-lzma" "NSIS lzma"
        corvid_install 0
        keep mode0
        corvid_install 1
        keep mode1

        # The removal of the mode 1 installation, beside removing xcopy's copy of the same tree.
        [ -f "$E2E_DRIVE_C/windows/uncorvid.exe" ] || e2e_fail "no uncorvid.exe was installed"
        timed uncorvid 'C:\windows\uncorvid.exe' 'C:\Bench\setup\uninst.log' /silent
        keep uninstall
        [ -e "$E2E_DRIVE_C/Bench" ] && e2e_fail "uncorvid.exe left C:\Bench"
        timed rmdir cmd /c rmdir /s /q 'C:\xcopy'
        keep rmdir
        [ -e "$E2E_DRIVE_C/xcopy" ] && e2e_fail "rmdir left C:\xcopy"
    fi

    if [ "$small" -gt 0 ]; then
        corvid_install "small$tenth" "small$tenth"
        keep small_tenth
        corvid_install "small$small" "small$small"
        keep small
        timed "NSIS zlib small" 'E:\nsis-small.exe' /S
        keep small_zlib
        same_tree "$E2E_DRIVE_C/nsis-small" "NSIS zlib ($small files)" "$work/small$small"
    fi
done
t_xcopy=$(median xcopy) t_zlib=$(median zlib) t_lzma=$(median lzma)
t_mode0=$(median mode0) t_mode1=$(median mode1)
t_uninstall=$(median uninstall) t_rmdir=$(median rmdir)
t_small_tenth=$(median small_tenth) t_small=$(median small) t_small_zlib=$(median small_zlib)

echo
if [ "$files" -gt 0 ]; then
    echo "installation of $files files, $megabytes MB, wine pair $E2E_PAIR ($(e2e_pair_text)), median of $rounds"
    printf '%-22s %8s %10s %12s\n' "" seconds "vs xcopy" "vs NSIS peer"
    printf '%-22s %8s %10s %12s\n' "xcopy" "$t_xcopy" 1.00 -
    printf '%-22s %8s %10s %12s\n' "NSIS solid zlib" "$t_zlib" "$(ratio "$t_zlib" "$t_xcopy")" -
    printf '%-22s %8s %10s %12s\n' "NSIS solid lzma" "$t_lzma" "$(ratio "$t_lzma" "$t_xcopy")" -
    printf '%-22s %8s %10s %12s\n' "corvid mode 0" "$t_mode0" "$(ratio "$t_mode0" "$t_xcopy")" \
        "$(ratio "$t_mode0" "$t_zlib") (zlib)"
    printf '%-22s %8s %10s %12s\n' "corvid mode 1" "$t_mode1" "$(ratio "$t_mode1" "$t_xcopy")" \
        "$(ratio "$t_mode1" "$t_lzma") (lzma)"
    echo
    printf '%-22s %8s %10s\n' "removal" seconds "vs rmdir"
    printf '%-22s %8s %10s\n' "rmdir /s /q" "$t_rmdir" 1.00
    printf '%-22s %8s %10s\n' "uncorvid /silent" "$t_uninstall" "$(ratio "$t_uninstall" "$t_rmdir")"
fi
if [ "$small" -gt 0 ]; then
    per() { awk -v t="$1" -v n="$2" 'BEGIN { printf "%.3f", t * 1000 / n }'; }
    echo
    echo "many small files (5 KB each), corvid mode 0, median of $rounds"
    printf '%-22s %8s %12s %14s\n' "" seconds "ms per file" "vs fewer files"
    printf '%-22s %8s %12s %14s\n' "$tenth files" "$t_small_tenth" \
        "$(per "$t_small_tenth" "$tenth")" 1.00
    printf '%-22s %8s %12s %14s\n' "$small files" "$t_small" "$(per "$t_small" "$small")" \
        "$(ratio "$(per "$t_small" "$small")" "$(per "$t_small_tenth" "$tenth")")"
    printf '%-22s %8s %12s %14s\n' "NSIS zlib, $small" "$t_small_zlib" \
        "$(per "$t_small_zlib" "$small")" "corvid $(ratio "$t_small" "$t_small_zlib") x"
fi
echo
echo "each round's seconds, in order"
for name in xcopy zlib lzma mode0 mode1 uninstall rmdir small_tenth small small_zlib; do
    if [ -n "${runs[$name]:-}" ]; then printf '%-22s %s\n' "$name" "${runs[$name]}"; fi
done
