# shellcheck shell=bash
# Helpers for the installation scenarios: a product tree, a distribution made from it by
# corvid-pack, the walk through the wizard into the progress window, and checks of what the
# run left behind. Source it after harness/lib.sh and driver/driver.sh; call e2e_begin first.
#
#   inst_product [BIG_KB]     makes the product tree $INST_PRODUCT: component 1 (bin\, bin\data\,
#                             the destination itself, a file below the Windows directory),
#                             component 2 (help\, an empty file); with BIG_KB a third component
#                             with big\big.txt (text, BIG_KB kB) and big\big.bin (random, same)
#   inst_dist MODE VOLSIZE [SECTION KEY VALUE]...
#                             the distribution $E2E_DIST (mapped as D:) made from $INST_PRODUCT in
#                             compression mode MODE with volumes of VOLSIZE bytes, the stand-in
#                             uninstaller (marker.exe) as uninst.ex_; the triples then change
#                             values of the packed setup.inf
#   inst_set [SECTION KEY VALUE]...   changes values of $E2E_DIST/setup.inf (a missing key or
#                             section is added)
#   inst_walk [OPTION...]     starts setup.exe (with the options) and clicks Next through the
#                             wizard until the progress window shows
#   inst_finish               waits for the end of the run: presses the completion dialog's OK
#                             if one shows; fails unless setup.exe then ends with exit code 0
#   inst_expect_files [COMPONENT...]   every file of the components (default 1 2) installed,
#                             byte for byte
#   inst_log                  the uninstall log as section.key=value lines ($INST_LOG_FILE)
#   inst_log_get SECTION.KEY  one value of the uninstall log
#   inst_expect_log FILE      fails unless the log's entries that the run writes itself equal
#                             the lines of FILE (order of keys ignored)
#   inst_expected_log TOTAL [COMPONENT...]   prints the log a run over the components (default
#                             1 2) writes, with files total TOTAL
#   inst_terminate            opens the abort dialog from the progress window (F3) and
#                             terminates; setup.exe must end
#   inst_expect_cleaned       the work files and the read-me copy are gone, the stand-in
#                             uninstaller was started hidden with the log and " /silent"
#   inst_shot FORM NAME [MS]  a screenshot NAME once FORM shows; only logged when it does not

INST_PRODUCT=
INST_LOG_FILE=
INST_DEST='C:\Demo'
INST_DEST_HOST=
INST_BANNER='corvid setup 2.20 uninstall log - needed to remove this product'
: "${CORVID_PACK:=$CORVID_BUILD_DIR/tools/corvid-pack}"

# Deterministic bytes: text words or random, N bytes.
_inst_text() { python3 -c "
import random,sys
r=random.Random(int(sys.argv[2])); w='setup corvid volume disk archive member gauge file folder'.split()
out=[]; n=0
while n < int(sys.argv[1]):
    line=' '.join(r.choice(w) for _ in range(9))+'\r\n'; out.append(line); n+=len(line)
sys.stdout.write(''.join(out)[:int(sys.argv[1])])" "$1" "$2"; }
_inst_random() { python3 -c "
import random,sys
r=random.Random(int(sys.argv[2])); sys.stdout.buffer.write(r.randbytes(int(sys.argv[1])))" "$1" "$2"; }

inst_product() {
    INST_PRODUCT=$E2E_DIR/product
    rm -rf "$INST_PRODUCT"
    mkdir -p "$INST_PRODUCT"/{bin/data,help,SystemRoot/system}
    _inst_random 30000 1 >"$INST_PRODUCT/bin/app.exe"
    _inst_text 60000 2 >"$INST_PRODUCT/bin/data/words.txt"
    _inst_text 3000 3 >"$INST_PRODUCT/notes.txt"
    printf '[corvid test]\r\nInstalled=1\r\n' >"$INST_PRODUCT/SystemRoot/system/corvidt.ini"
    _inst_text 20000 4 >"$INST_PRODUCT/help/manual.txt"
    : >"$INST_PRODUCT/help/empty.txt"
    printf 'Read me, please.\r\n' >"$INST_PRODUCT/readme.txt"
    if [ -n "${1:-}" ]; then
        mkdir -p "$INST_PRODUCT/big"
        _inst_text $(($1 * 1024)) 5 >"$INST_PRODUCT/big/big.txt"
        _inst_random $(($1 * 1024)) 6 >"$INST_PRODUCT/big/big.bin"
    fi
}

# component: lines "name|directory value|product path"
_inst_files() {
    case $1 in
    1) printf '%s\n' 'app.exe|\bin\|bin/app.exe' 'words.txt|\bin\data\|bin/data/words.txt' \
        'notes.txt||notes.txt' 'corvidt.ini|%SystemRoot%\system\|SystemRoot/system/corvidt.ini' ;;
    2) printf '%s\n' 'manual.txt|\help\|help/manual.txt' 'empty.txt|\help\|help/empty.txt' ;;
    3) printf '%s\n' 'big.txt|\big\|big/big.txt' 'big.bin|\big\|big/big.bin' ;;
    esac
}

# A value of the distribution's setup.inf, as the setup reads it (blanks around it dropped).
_inst_inf_get() {
    python3 - "$E2E_DIST/setup.inf" "$1" "$2" <<'PY'
import sys
path, sec, key = sys.argv[1:]
cur = None
for line in open(path, encoding='cp1252', newline='').read().split('\r\n'):
    s = line.strip()
    if s.startswith('['):
        cur = s[1:s.find(']')].strip().lower()
    elif cur == sec.lower() and '=' in s and s.split('=', 1)[0].strip().lower() == key.lower():
        print(s.split('=', 1)[1].strip())
        break
PY
}

inst_dist() {
    local mode=$1 volsize=$2
    shift 2
    setup_dist
    # corvid-pack wants an empty folder; it puts the setup program back itself.
    rm -f "$E2E_DIST/setup.exe"
    local project=$E2E_DIR/project.ini k
    {
        printf '[pack]\r\nmode=%s\r\nvolume=%s\r\n' "$mode" "$volsize"
        local parts=(1 2)
        [ -d "$INST_PRODUCT/big" ] && parts+=(3)
        for k in "${parts[@]}"; do
            printf '[component%s]\r\nname=Part %s\r\nstandard=1\r\n' "$k" "$k"
            local j=0 name value path
            # One file a key keeps the order the expected logs follow.
            while IFS='|' read -r name value path; do
                j=$((j + 1))
                printf 'files%s=product/%s -> %s\r\n' "$([ $j = 1 ] || echo $j)" "$path" \
                    "${value:-\\}"
            done < <(_inst_files "$k")
        done
        printf '[corvid]\r\nversion=220\r\nversionname=1.0\r\n'
        printf '[language]\r\n'
        printf 'l%s\r\n' '10=Please wait ...' '11=Exit' '14=Copying:' '15=Terminate' \
            '16=free space' '17=Next >' '18=Overall progress' '19=Creating directories ...' \
            '20=Please insert the disk ' '21=Installed.' '22=Creating the program group ...' \
            '23=Registering file types ...' '27=Do you really want to abort?' '30=Welcome' \
            '31=Destination' '32=Setup type' '33=Components' '34=Program group' '35=Ready' \
            '55=Uninstall' '61=Finish'
        printf '[main]\r\nback=_\r\nlogo=_\r\ninfo=_\r\n[leader]\r\nimage=_\r\n'
        printf '[software]\r\nname=Corvid Test\r\nname_display=Corvid Test 1.0\r\n'
        printf 'prggrp=Corvid Test\r\nreadme=product/readme.txt\r\nreadmedir=\\doc\r\n'
        printf 'o_standard=1\r\no_min=0\r\no_custom=0\r\n'
        printf '[vercheck]\r\nversion=1\r\ntake=1\r\nfiles=0\r\n'
        printf '[directories]\r\nd0=%s\r\n' "$INST_DEST"
    } >"$project"
    [ -x "$CORVID_PACK" ] || e2e_fail "no $CORVID_PACK"
    [ -f "$E2E_MARKER" ] || e2e_fail "no marker program $E2E_MARKER"
    "$CORVID_PACK" --quiet --setup "$E2E_SETUP" --uninstaller "$E2E_MARKER" "$project" \
        "$E2E_DIST" >"$E2E_DIR/pack.log" 2>&1 ||
        e2e_fail "corvid-pack failed: $(cat "$E2E_DIR/pack.log")"
    inst_set "$@"
    e2e_log "distribution: $(ls "$E2E_DIST" | tr '\n' ' ')"
    INST_DEST_HOST=$(winfile "$INST_DEST")
    E2E_MARKER_FILE=$E2E_DRIVE_C/corvid-marker.txt
    rm -f "$E2E_MARKER_FILE"
}

inst_set() { # [SECTION KEY VALUE]...
    while [ $# -ge 3 ]; do
        python3 - "$E2E_DIST/setup.inf" "$1" "$2" "$3" <<'PY' || e2e_fail "cannot set $1 $2 in setup.inf"
import sys, re
path, sec, key, val = sys.argv[1:]
t = open(path, newline='', encoding='cp1252').read()
m = re.search(r'^\[' + re.escape(sec) + r'\]\r\n', t, re.M | re.I)
if not m:
    t += '[%s]\r\n%s=%s\r\n' % (sec, key, val)
else:
    body_end = t.find('\r\n[', m.end())
    body_end = len(t) if body_end < 0 else body_end + 2
    body = t[m.end():body_end]
    if re.search(r'^' + re.escape(key) + '=', body, re.M | re.I):
        body = re.sub(r'^' + re.escape(key) + '=.*$', lambda _: key + '=' + val, body, flags=re.M | re.I)
    else:
        body += key + '=' + val + '\r\n'
    t = t[:m.end()] + body + t[body_end:]
open(path, 'w', newline='', encoding='cp1252').write(t)
PY
        shift 3
    done
}

inst_walk() { # [OPTION...] for setup.exe
    setup_start "$@"
    drv_ok wait-form Tleader 60000
    local i caption
    for i in 1 2 3 4 5 6 7 8; do
        drv visible Tcopying && [ "$DRV" = 1 ] && return 0
        drv_ok text Tleader
        caption=$DRV
        drv_ok click Tleader Btn_weiter
        # The next page, or the progress window once the last page was left.
        local t
        for t in 1 2 3 4 5 6 7 8 9 10; do
            drv visible Tcopying && [ "$DRV" = 1 ] && return 0
            drv text Tleader && [ "$DRV" != "$caption" ] && break
            sleep 0.3
        done
    done
    e2e_fail "the wizard did not lead to the progress window"
}

inst_finish() {
    local i
    for i in $(seq 1 60); do
        if ! kill -0 "$E2E_PID" 2>/dev/null; then break; fi
        if drv visible Tcomplete Btn_complete && [ "$DRV" = 1 ]; then
            drv click Tcomplete Btn_complete
        fi
        sleep 1
    done
    setup_ends_ok "exit code after the installation"
}

inst_expect_files() {
    local comps=("$@") k name value path target
    [ ${#comps[@]} -gt 0 ] || comps=(1 2)
    for k in "${comps[@]}"; do
        while IFS='|' read -r name value path; do
            case $value in
            %SystemRoot%*) target=$(winfile 'C:\windows')${value#%SystemRoot%}$name ;;
            *) target=$INST_DEST_HOST${value:-\\}$name ;;
            esac
            target=${target//\\//}
            cmp -s "$INST_PRODUCT/$path" "$target" || e2e_fail "$name was not installed as it is: $target"
        done < <(_inst_files "$k")
    done
}

inst_log() {
    INST_LOG_FILE=$E2E_DIR/uninst-log.txt
    local log=$INST_DEST_HOST/setup/uninst.log
    [ -f "$log" ] || e2e_fail "no uninstall log"
    tr -d '\r' <"$log" | awk '/^\[/ { s = substr($0, 2, length($0) - 2); next } /=/ { print s "." $0 }' \
        >"$INST_LOG_FILE"
}

inst_log_get() {
    inst_log
    awk -v k="$1" 'index($0, k "=") == 1 { print substr($0, length(k) + 2); exit }' "$INST_LOG_FILE"
}

# The entries of the phases that belong to the system integration are left out: they are that
# part's to check.
inst_expect_log() {
    inst_log
    grep -vE '^(uninstall\.prggrp|sysreg\.|ini_[0-9]+\.|extensions\.e[0-9])' "$INST_LOG_FILE" |
        sort >"$E2E_DIR/log-got.txt"
    sort "$1" >"$E2E_DIR/log-want.txt"
    diff "$E2E_DIR/log-want.txt" "$E2E_DIR/log-got.txt" >"$E2E_DIR/log-diff.txt" ||
        e2e_fail "the uninstall log differs (- want, + got): $(tr '\n' ' ' <"$E2E_DIR/log-diff.txt")"
}

inst_expected_log() {
    local total=$1 n=0 d=0 s=0 k name value path
    shift
    local comps=("$@")
    [ ${#comps[@]} -gt 0 ] || comps=(1 2)
    printf '%s\n' "readme.file=$INST_DEST\\doc\\readme.txt" "important!.c=$INST_BANNER" \
        'important!.i1=This file is needed to uninstall Corvid Test' "files.total=$total" \
        'extensions.total=0' 'uninstall.versionname=1.0' 'uninstall.version=220' \
        'uninstall.name=Corvid Test' 'uninstall.language=' "uninstall.directory=$INST_DEST" \
        'uninstall.ask=0'
    # The uninstaller's texts, copied from the description (corvid-pack fills in those it lacks).
    for k in 10 11 15 55 56 57 58 59 60 61; do
        printf '%s\n' "language.l$k=$(_inst_inf_get language "l$k")"
    done
    # Directories in row order: row 1 of each component, then row 2.
    local rows=('\bin\' '\help\' '\big\' '\bin\data\') comp=(1 2 3 1) i
    for i in 0 1 2 3; do
        [[ " ${comps[*]} " == *" ${comp[$i]} "* ]] || continue
        d=$((d + 1))
        printf '%s\n' "directories.d$d=${rows[$i]}"
    done
    printf '%s\n' "directories.total=$d"
    for k in "${comps[@]}"; do
        while IFS='|' read -r name value path; do
            n=$((n + 1))
            case $value in
            %SystemRoot%*)
                s=$((s + 1))
                printf '%s\n' "systemroot.f$s=C:\\windows${value#%SystemRoot%}$name"
                ;;
            *) printf '%s\n' "files.f$n=${value:-\\}$name" ;;
            esac
        done < <(_inst_files "$k")
    done
    printf '%s\n' "systemroot.total=$s"
}

inst_terminate() {
    drv_ok key Tcopying F3
    drv_ok wait-form Tabbruch 20000
    drv_ok click Tabbruch Btn_terminate
    setup_wait_end 60
}

inst_expect_cleaned() {
    e2e_wineserver_wait 60
    local f
    for f in setup/setup.tmp setup/compress.tmp doc/readme.txt; do
        [ -e "$INST_DEST_HOST/$f" ] && e2e_fail "$f is left after terminating"
    done
    [ -f "$E2E_MARKER_FILE" ] || e2e_fail "the uninstaller was not started"
    local ran
    ran=$(tr -d '\r' <"$E2E_MARKER_FILE")
    e2e_log "uninstaller started: $ran"
    case $ran in
    *uncorvid.exe" $INST_DEST\\setup\\uninst.log /silent") ;;
    *) e2e_fail "the uninstaller was started as: $ran" ;;
    esac
}

# A screenshot of FORM once it shows, when it still shows (a quick run may be over already).
inst_shot() {
    local bmp=$E2E_DIR/shot-$2.bmp
    if drv wait-form "$1" --shot "$(e2e_winpath "$bmp")" "${3:-3000}" && [ -f "$bmp" ]; then
        convert "$bmp" "$CORVID_SCREENSHOTS/$E2E_NAME-$2.png" 2>/dev/null
    else
        e2e_log "no screenshot $2: $1 was not seen"
    fi
}
