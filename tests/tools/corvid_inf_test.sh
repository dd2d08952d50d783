#!/usr/bin/env bash
# corvid-inf get: what a distributor sees for the value rules of the setup description.
#   corvid_inf_test.sh PATH-TO-corvid-inf
set -u
inf=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
file=$dir/setup.inf
printf '%s\r\n' '[v]' 'a=0x1F' 'b=0X1f' 'c=$1F' 'd=-5' 'e=+5' 'f=0x' 'g=1F' 'h=12abc' 'i=-$5' \
    'j=2147483648' 'k=$123456789' 'l=$FFFFFFFF' 'm=0x123456789' 'n= 42 ' \
    't2=2' 'tm1=-1' 't0=0' 'ttrue=true' 'tyes=yes' 'empty=' 'q="quoted"' >"$file"

failures=0
expect() { # expect WANT ARGS...: corvid-inf get ARGS must print WANT and exit 0
    local want=$1 got rc=0
    shift
    got=$("$inf" get "$@") || rc=$?
    if [ $rc -ne 0 ] || [ "$got" != "$want" ]; then
        printf 'FAIL: corvid-inf get %s\n  want "%s", got "%s" (exit %d)\n' "$*" "$want" "$got" $rc
        failures=$((failures + 1))
    fi
}

# Integers: both hexadecimal forms, signs; malformed text gives the default.
expect 31 --int "$file" v a 7
expect 31 --int "$file" v b 7
expect 31 --int "$file" V C 7
expect -5 --int "$file" v d 7
expect 5 --int "$file" v e 7
expect 42 --int "$file" v n 7
expect -1 --int "$file" v l 7
for key in f g h i j k m empty ttrue missing; do expect 7 --int "$file" v $key 7; done
expect -3 --int "$file" v h -3
expect 0 --int "$file" v h

# Flags: any number but 0 is yes; words are no numbers and give the default.
expect yes --bool "$file" v t2 no
expect yes --bool "$file" v tm1 no
expect no --bool "$file" v t0 yes
for key in ttrue tyes empty missing; do
    expect yes --bool "$file" v $key yes
    expect no --bool "$file" v $key no
done

# Text: an empty value is the empty text, not the default; quotes go; a missing key or file gives
# the default.
expect '' "$file" v empty dflt
expect quoted "$file" v q dflt
expect dflt "$file" v missing dflt
expect dflt "$dir/none.inf" v a dflt
expect 31 --int "$dir/none.inf" v a 31

# Bad usage is refused with exit code 2.
for args in "--int $file v a x" "--bool $file v a maybe" "$file v" ""; do
    # shellcheck disable=SC2086
    "$inf" get $args >/dev/null 2>&1
    rc=$?
    if [ $rc -ne 2 ]; then
        printf 'FAIL: corvid-inf get %s exited %d, want 2\n' "$args" $rc
        failures=$((failures + 1))
    fi
done

[ $failures -eq 0 ] && echo "corvid-inf: all checks passed"
exit $((failures > 0))
