#!/usr/bin/env bash
# The shipped setup.exe is one PE32 file for the i386 with a static run-time and no DLL beside it;
# the build of the Wine pair in use has the pair's machine type, and it starts under Wine on the
# example distribution.
. "$(dirname "$0")/../harness/lib.sh"

# check_pe EXE MACHINE MAGIC OBJDUMP: "PE\0\0" at the offset stored at 0x3C, the machine type
# (0x014C i386, 0x8664 x86-64) and the optional header's magic (0x010B PE32, 0x020B PE32+); its
# imports are system DLLs only, none of MinGW's, and no DLL lies beside it.
check_pe() {
    local exe=$1 machine=$2 magic=$3 objdump=$4 pe dlls name
    name=$(basename "$(dirname "$(dirname "$(dirname "$exe")")")")/$(basename "$exe")
    [ -f "$exe" ] || e2e_fail "no $exe"
    le16() { od -An -tu2 -j "$1" -N2 "$exe" | tr -d ' '; }
    pe=$(($(od -An -tu4 -j 60 -N4 "$exe" | tr -d ' ')))
    [ "$(od -An -c -j $pe -N4 "$exe" | tr -d ' ')" = 'PE\0\0' ] || e2e_fail "$name is no PE file"
    [ "$(le16 $((pe + 4)))" = "$machine" ] ||
        e2e_fail "$name has machine $(le16 $((pe + 4))), want $machine"
    [ "$(le16 $((pe + 24)))" = "$magic" ] ||
        e2e_fail "$name has optional header magic $(le16 $((pe + 24))), want $magic"
    "$objdump" -p "$exe" >"$E2E_DIR/imports.txt" || e2e_fail "cannot read the import table of $name"
    dlls=$(sed -n 's/^.*DLL Name: //p' "$E2E_DIR/imports.txt" | tr '\n' ' ')
    e2e_log "$name imports $dlls"
    case " ${dlls,,}" in *" lib"*) e2e_fail "$name needs a DLL of the compiler: $dlls" ;; esac
    if compgen -G "$(dirname "$exe")/*.dll" >/dev/null; then
        e2e_fail "DLLs beside $name: $(cd "$(dirname "$exe")" && echo *.dll)"
    fi
}

e2e_begin
# The shipped program, whichever pair runs the tests.
check_pe "$CORVID_WIN32_DIR/src/win32/setup.exe" 332 267 i686-w64-mingw32-objdump
e2e_log "shipped setup.exe: PE32, Intel 80386"
exe=$(e2e_setup_exe)
if [ "$E2E_PAIR" = win64 ]; then
    check_pe "$exe" 34404 523 x86_64-w64-mingw32-objdump
    e2e_log "the win64 pair's setup.exe: PE32+, x86-64"
fi

e2e_distribution "$CORVID_BUILD_DIR/examples/demo" "$E2E_DIR/dist"
caption=$("$CORVID_BUILD_DIR/tools/corvid-inf" get "$E2E_DIR/dist/setup.inf" language l29 Setup)
e2e_map_drive d "$E2E_DIR/dist"
e2e_start 'D:\setup.exe'
e2e_wait_window "^($caption|corvid)\$" 60 >/dev/null || e2e_fail "no window of setup.exe"
sleep 2
e2e_log "screenshot: $(e2e_screenshot window)"
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "setup.exe ended by itself"
