#!/usr/bin/env bash
# Snapshots of a Wine prefix and their difference: what an installation and its uninstallation
# left behind. Usable by hand on any distribution, and sourced by the round-trip scenarios.
#
#   roundtrip.sh snapshot OUT          writes the snapshot of $WINEPREFIX into the folder OUT:
#                                      files.txt (every file and folder under drive C: with its
#                                      size and SHA-1; the Start menu, win.ini and the start-up
#                                      files are among them) and registry.txt (HKLM, HKCU and HKCR
#                                      as `reg export` gives them, one "key | value" a line)
#   roundtrip.sh diff BEFORE AFTER     prints the lines that differ ("-" gone, "+" new), leaving
#                                      out what is documented as staying (below); exit code 1
#                                      when anything else differs
#   roundtrip.sh uninstall NAME [/silent] [SECONDS]
#                                      runs the uninstall command registered for the product NAME
#                                      exactly as registered (unquoted), waits for it and returns
#                                      its exit code
#
# By hand (the prefix and wine as you use them; WINE names the loader, default "wine", for a
# 64-bit prefix on a host with wine32 too: WINE=/usr/lib/wine/wine64 WINELOADER=same):
#   WINEPREFIX=~/.wine tests/e2e/roundtrip/roundtrip.sh snapshot /tmp/before
#   WINEPREFIX=~/.wine wine D:\\setup.exe            # install through the windows
#   WINEPREFIX=~/.wine tests/e2e/roundtrip/roundtrip.sh uninstall "Corvid Demo"
#   WINEPREFIX=~/.wine tests/e2e/roundtrip/roundtrip.sh snapshot /tmp/after
#   tests/e2e/roundtrip/roundtrip.sh diff /tmp/before /tmp/after
#
# What stays by design, and is left out of the difference:
#   - the shared uninstaller C:\windows\uncorvid.exe and its version value (HKLM
#     SOFTWARE\KOVA\corvid "uninstall", with the keys KOVA and corvid);
#   - C:\autoexec.bat and C:\config.sys (the lines an installation appends are not in the log)
#     and their backups in C:\;
#   - the folder C:\temp that the setup makes for its pictures (it deletes the picture itself);
#   - what Wine itself changes while programs run: temporary folders, its own settings
#     (HKCU\Software\Wine), the hardware and volatile keys, the service manager's start count
#     (ServiceCurrent), the desktop's window state.

set -u

# wine's loader into RT_LOADER when a command runs: $WINE when set; else, inside the e2e
# harness, the pair's own loader (plain "wine" cannot start on a 64-bit-only host); else "wine".
_rt_loader() {
    local fallback=wine
    [ -n "${E2E_WINE+x}" ] && fallback="${E2E_WINE[*]}"
    read -r -a RT_LOADER <<<"${WINE:-$fallback}"
}

# One process for the whole tree: a fork per file cost half a minute a snapshot.
_rt_files() { # PREFIX-DRIVE-C
    python3 - "$1" <<'PY'
import hashlib, os, stat, sys
root = os.fsencode(sys.argv[1])
lines = []
for top, dirs, files in os.walk(root):
    for name in dirs + files:
        full = os.path.join(top, name)
        st = os.lstat(full)
        kind = b"l" if stat.S_ISLNK(st.st_mode) else b"d" if stat.S_ISDIR(st.st_mode) else \
            b"f" if stat.S_ISREG(st.st_mode) else None
        if kind:
            lines.append((kind + b" ./" + os.path.relpath(full, root), kind, full, st.st_size))
out = sys.stdout.buffer
for key, kind, full, size in sorted(lines):
    rel = key[4:]
    if kind == b"f":
        with open(full, "rb") as f:
            digest = hashlib.sha1(f.read()).hexdigest().encode()
        out.write(rel + b" %d " % size + digest + b"\n")
    else:
        out.write(rel + b" " + kind + b"\n")
PY
}

# One line per value: "KEY | NAME=DATA"; a key without values gives "KEY |".
_rt_flatten() {
    iconv -f UTF-16LE -t UTF-8 "$1" 2>/dev/null | tr -d '\r' | sed '1s/^\xEF\xBB\xBF//' | awk '
        /^\[/ { if (key != "" && !seen) print key " |"; key = $0; seen = 0; next }
        /^[ \t]*$/ { next }
        /^Windows Registry Editor/ { next }
        {
            line = $0
            while (line ~ /\\$/ && (getline more) > 0) { sub(/\\$/, "", line); sub(/^ +/, "", more); line = line more }
            print key " | " line; seen = 1
        }
        END { if (key != "" && !seen) print key " |" }'
}

rt_snapshot() { # OUT
    local out=$1 root
    mkdir -p "$out"
    _rt_files "$WINEPREFIX/drive_c" >"$out/files.txt"
    : >"$out/registry.txt"
    _rt_loader
    for root in HKEY_LOCAL_MACHINE HKEY_CURRENT_USER HKEY_CLASSES_ROOT; do
        # On a busy machine an export was seen to end without output or file; ask again.
        local try
        for try in 1 2 3; do
            rm -f "$out/$root.reg"
            timeout 120 "${RT_LOADER[@]}" reg export "$root" "$out/$root.reg" /y \
                >"$out/$root.out" 2>&1 </dev/null
            [ -s "$out/$root.reg" ] && break
            echo "roundtrip: reg export $root failed (attempt $try):" \
                "$(tr -s '\r\n' '  ' <"$out/$root.out" | cut -c1-300)" >&2
            # A prefix whose last program just ended may still be shutting its server down:
            # later attempts come later.
            [ "$try" -lt 3 ] && sleep $((try * 2))
        done
        [ -s "$out/$root.reg" ] || return 1
        _rt_flatten "$out/$root.reg" >>"$out/registry.txt"
    done
    LC_ALL=C sort -o "$out/registry.txt" "$out/registry.txt"
}

# Lines of the difference that are documented as staying, or Wine's own changes.
_rt_allowed() {
    grep -a -v -i -E \
        -e '^[-+]windows/uncorvid\.exe ' \
        -e '^[-+]temp d$' \
        -e '^[-+](autoexec\.bat|config\.sys|[^/ ]+\.(bak|bat|sys|old)) ' \
        -e '^[-+](windows/temp|users/[^/]+/(temp|appdata/local/temp))(/| )' \
        -e '^[-+]users/[^/]+/appdata/local/microsoft/windows/(inetcache|history|temporary internet files)' \
        -e '^[-+]windows/(logs|inf/setupapi)' \
        -e '^[-+]\[HKEY_LOCAL_MACHINE\\SOFTWARE(\\WOW6432Node)?\\KOVA(\\corvid)?\] ' \
        -e '^[-+]\[HKEY_LOCAL_MACHINE\\HARDWARE' \
        -e '^[-+]\[HKEY_LOCAL_MACHINE\\SYSTEM\\(CurrentControlSet|ControlSet001)\\(Control\\(Session Manager|Video|DeviceClasses|Class|ServiceCurrent)|Enum|Services\\(Tcpip|EventLog))' \
        -e '^[-+]\[HKEY_LOCAL_MACHINE\\Software(\\WOW6432Node)?\\Microsoft\\(Windows NT\\CurrentVersion\\(Perflib|ProfileList)|Cryptography\\RNG)' \
        -e '^[-+]\[HKEY_CURRENT_USER\\(Software\\Wine|Volatile Environment|Software\\Microsoft\\Windows\\CurrentVersion\\Explorer)' \
        -e '^[-+]\[HKEY_CLASSES_ROOT\\(Local Settings|Interface|CLSID|TypeLib|Wow6432Node)' \
        -e '^[-+]\[HKEY_CURRENT_USER\\Software\\Classes\\Local Settings'
}

rt_diff() { # BEFORE AFTER
    local a=$1 b=$2 d
    d=$(
        for f in files.txt registry.txt; do
            diff "$a/$f" "$b/$f" | grep -a -E '^[<>] ' | sed -e 's/^< /-/' -e 's/^> /+/'
        done | _rt_allowed
    )
    if [ -n "$d" ]; then
        printf '%s\n' "$d"
        return 1
    fi
    return 0
}

# The registered uninstall command of the product NAME, split at its blanks, into RT_COMMAND.
rt_uninstall_command() { # NAME
    local cmd
    _rt_loader
    cmd=$(timeout 60 "${RT_LOADER[@]}" reg query \
        "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" /v UninstallString \
        2>/dev/null </dev/null | tr -d '\r' | sed -n 's/^ *UninstallString *REG_SZ *//p')
    [ -n "$cmd" ] || { echo "roundtrip: no uninstall command registered for $1" >&2; return 2; }
    read -r -a RT_COMMAND <<<"$cmd"
}

# The registered command, split at its blanks: wine joins the words with blanks again, without
# quotes, so the program receives the command line exactly as registered.
rt_uninstall() { # NAME [/silent] [SECONDS]
    local extra=${2:-} limit=${3:-120}
    rt_uninstall_command "$1" || return 2
    echo "roundtrip: ${RT_COMMAND[*]} $extra" >&2
    # shellcheck disable=SC2086
    timeout -k 10 "$limit" "${RT_LOADER[@]}" "${RT_COMMAND[@]}" $extra </dev/null
}

# The opening of the round-trip scenarios (after e2e_begin, with driver.sh sourced): the pair's
# loader as $WINE, rt_demo_distribution with the same arguments, and Wine's X11 windows unmanaged.
rt_demo_begin() {
    WINE="${E2E_WINE[*]}"
    rt_demo_distribution "$@"
    reg_set 'HKCU\Software\Wine\X11 Driver' Managed N
}

# For the e2e scenarios (after e2e_begin): the example distribution in $E2E_DIST, mapped as D:,
# carrying the uninstaller of the pair in use (the shipped one is PE32, which a 64-bit-only host
# cannot start); the triples SECTION KEY VALUE change its description.
rt_demo_distribution() {
    local demo=$CORVID_BUILD_DIR/examples/demo
    [ -f "$demo/uninst.ex_" ] || e2e_fail "the example distribution was not made: $demo"
    E2E_DIST=$E2E_DIR/dist
    e2e_distribution "$demo" "$E2E_DIST"
    if [ "$E2E_PAIR" != win32 ]; then
        mkdir -p "$E2E_DIR/unpacked"
        cp "$CORVID_WIN_DIR/src/win32/uncorvid.exe" "$E2E_DIR/unpacked/uninst32.ex_"
        (cd "$E2E_DIR/unpacked" && "$CORVID_BUILD_DIR/tools/corvid-arc" a "$E2E_DIST/uninst.ex_" \
            uninst32.ex_ >/dev/null) || e2e_fail "cannot pack the uninstaller"
    fi
    [ $# -lt 3 ] || python3 - "$E2E_DIST/setup.inf" "$@" <<'PY' || e2e_fail "cannot change setup.inf"
import sys
path, args = sys.argv[1], sys.argv[2:]
lines = open(path, encoding="latin-1").read().splitlines()
for sec, key, value in zip(args[0::3], args[1::3], args[2::3]):
    cur, done = None, False
    for i, line in enumerate(lines):
        t = line.strip()
        if t.startswith("["):
            cur = t[1:t.find("]")].lower()
        elif cur == sec.lower() and t.split("=")[0].strip().lower() == key.lower():
            lines[i], done = key + "=" + value, True
            break
    if not done:
        raise SystemExit("no [%s] %s" % (sec, key))
open(path, "w", encoding="latin-1", newline="\r\n").write("\n".join(lines) + "\n")
PY
    e2e_map_drive d "$E2E_DIST"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    case "${1:-}" in
    snapshot) rt_snapshot "$2" ;;
    diff) rt_diff "$2" "$3" ;;
    uninstall) shift; rt_uninstall "$@" ;;
    *)
        sed -n '2,/^$/p' "$0" | sed 's/^# \{0,1\}//'
        exit 2
        ;;
    esac
fi
