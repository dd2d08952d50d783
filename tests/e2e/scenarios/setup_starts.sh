#!/usr/bin/env bash
# setup.exe is one 32-bit PE file for the i386 and starts under Wine on the example distribution.
. "$(dirname "$0")/../harness/lib.sh"
exe=$(e2e_setup_exe)
[ -f "$exe" ] || e2e_fail "no $exe"

e2e_begin
# The PE header: "PE\0\0" at the offset stored at 0x3C, machine 0x014C, optional header 0x010B.
le16() { od -An -tu2 -j "$1" -N2 "$exe" | tr -d ' '; }
pe=$(($(od -An -tu4 -j 60 -N4 "$exe" | tr -d ' ')))
[ "$(od -An -c -j $pe -N4 "$exe" | tr -d ' ')" = 'PE\0\0' ] || e2e_fail "setup.exe is no PE file"
[ "$(le16 $((pe + 4)))" = 332 ] || e2e_fail "setup.exe is not for the i386 (machine $(le16 $((pe + 4))))"
[ "$(le16 $((pe + 24)))" = 267 ] || e2e_fail "setup.exe is no PE32 file"
# Static run-time: it imports system DLLs only, none of MinGW's.
i686-w64-mingw32-objdump -p "$exe" >"$E2E_DIR/imports.txt" ||
    e2e_fail "cannot read the import table"
dlls=$(sed -n 's/^.*DLL Name: //p' "$E2E_DIR/imports.txt" | tr '\n' ' ')
e2e_log "setup.exe imports $dlls"
case " ${dlls,,}" in *" lib"*) e2e_fail "setup.exe needs a DLL of the compiler: $dlls" ;; esac

e2e_distribution "$CORVID_SOURCE_DIR/examples/demo" "$E2E_DIR/dist"
caption=$("$CORVID_BUILD_DIR/tools/corvid-inf" get "$E2E_DIR/dist/setup.inf" language l29 Setup)
e2e_map_drive d "$E2E_DIR/dist"
e2e_start 'D:\setup.exe'
e2e_wait_window "^($caption|corvid)\$" 60 >/dev/null || e2e_fail "no window of setup.exe"
sleep 2
e2e_log "screenshot: $(e2e_screenshot window)"
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "setup.exe ended by itself"
