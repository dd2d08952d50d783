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
# By hand (the prefix and wine as you use them; WINE names the loader, default "wine"):
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
#   - what Wine itself changes while programs run: temporary folders, its own settings
#     (HKCU\Software\Wine), the hardware and volatile keys, the desktop's window state.

set -u

: "${WINE:=wine}"
read -r -a _rt_wine <<<"$WINE"

_rt_files() { # PREFIX-DRIVE-C
    (
        cd "$1" || exit 1
        find . -mindepth 1 \( -type f -o -type d -o -type l \) -printf '%y %p\n' | LC_ALL=C sort |
            while read -r kind path; do
                if [ "$kind" = f ]; then
                    printf '%s %s %s\n' "${path#./}" "$(stat -c %s "$path")" \
                        "$(sha1sum <"$path" | cut -c1-40)"
                else
                    printf '%s %s\n' "${path#./}" "$kind"
                fi
            done
    )
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
    for root in HKEY_LOCAL_MACHINE HKEY_CURRENT_USER HKEY_CLASSES_ROOT; do
        rm -f "$out/$root.reg"
        timeout 120 "${_rt_wine[@]}" reg export "$root" "$out/$root.reg" /y \
            >"$out/$root.out" 2>&1 </dev/null
        [ -s "$out/$root.reg" ] || { echo "roundtrip: reg export $root failed" >&2; return 1; }
        _rt_flatten "$out/$root.reg" >>"$out/registry.txt"
    done
    LC_ALL=C sort -o "$out/registry.txt" "$out/registry.txt"
}

# Lines of the difference that are documented as staying, or Wine's own changes.
_rt_allowed() {
    grep -a -v -i -E \
        -e '^[-+]windows/uncorvid\.exe ' \
        -e '^[-+](autoexec\.bat|config\.sys|[^/ ]+\.(bak|bat|sys|old)) ' \
        -e '^[-+](windows/temp|users/[^/]+/(temp|appdata/local/temp))(/| )' \
        -e '^[-+]users/[^/]+/appdata/local/microsoft/windows/(inetcache|history|temporary internet files)' \
        -e '^[-+]windows/(logs|inf/setupapi)' \
        -e '^[-+]\[HKEY_LOCAL_MACHINE\\SOFTWARE(\\WOW6432Node)?\\KOVA(\\corvid)?\] ' \
        -e '^[-+]\[HKEY_LOCAL_MACHINE\\HARDWARE' \
        -e '^[-+]\[HKEY_LOCAL_MACHINE\\SYSTEM\\(CurrentControlSet|ControlSet001)\\(Control\\(Session Manager|Video|DeviceClasses|Class)|Enum|Services\\(Tcpip|EventLog))' \
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

# The registered command, split at its blanks: wine joins the words with blanks again, without
# quotes, so the program receives the command line exactly as registered.
rt_uninstall() { # NAME [/silent] [SECONDS]
    local name=$1 extra=${2:-} limit=${3:-120} cmd
    cmd=$(timeout 60 "${_rt_wine[@]}" reg query \
        "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$name" /v UninstallString \
        2>/dev/null </dev/null | tr -d '\r' | sed -n 's/^ *UninstallString *REG_SZ *//p')
    [ -n "$cmd" ] || { echo "roundtrip: no uninstall command registered for $name" >&2; return 2; }
    echo "roundtrip: $cmd $extra" >&2
    local -a words
    read -r -a words <<<"$cmd"
    # shellcheck disable=SC2086
    timeout -k 10 "$limit" "${_rt_wine[@]}" "${words[@]}" $extra </dev/null
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
