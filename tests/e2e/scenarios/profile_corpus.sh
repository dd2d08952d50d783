#!/usr/bin/env bash
# Our profile reader and editor against the system's profile calls under Wine, on every file of a
# corpus (subfolders included): tests/e2e/corpus/, or the folder named by CORVID_PROFILE_CORPUS.
# - Reading: the queries come from the files (see tests/e2e/native/profquery.cpp) and are answered
#   by GetPrivateProfileStringA, by the reader built natively and by the reader inside the Windows
#   build (the setup's description reader over the real platform); any differing answer fails
#   the test and is listed with both values.
# - Writing: profwrite.exe writes one long sequence of keys into two copies of each file of the
#   corpus's top folder, through WritePrivateProfileStringA and through our in-memory editor, and
#   the bytes must be equal.
. "$(dirname "$0")/../harness/lib.sh"

corpus=${CORVID_PROFILE_CORPUS:-$CORVID_SOURCE_DIR/tests/e2e/corpus}
corpus=$(cd "$corpus" && pwd) || e2e_fail "no corpus folder $corpus"
profread=$CORVID_E2E_PROGRAMS/profread.exe
[ -x "$CORVID_PROFQUERY" ] || e2e_fail "no $CORVID_PROFQUERY"
[ -f "$profread" ] || e2e_fail "no $profread"
profwrite=$CORVID_E2E_PROGRAMS/profwrite.exe
[ -f "$profwrite" ] || e2e_fail "no $profwrite"

e2e_begin
e2e_map_drive d "$corpus"
"$CORVID_PROFQUERY" gen "$corpus" >"$E2E_DIR/queries.txt" || e2e_fail "cannot make the queries"
e2e_log "$(find "$corpus" -type f ! -path "*/.*" | wc -l) files in $corpus, $(wc -l <"$E2E_DIR/queries.txt") queries"

e2e_run 240 "$profread" "$(e2e_winpath "$E2E_DIR/queries.txt")" \
    "$(e2e_winpath "$E2E_DIR/answers.txt")" 'D:\' "$(e2e_winpath "$E2E_DIR/own-answers.txt")" ||
    e2e_fail "profread failed (exit $?)"
"$CORVID_PROFQUERY" compare "$corpus" "$E2E_DIR/queries.txt" "$E2E_DIR/answers.txt" \
    >"$E2E_DIR/compare.txt"
rc=$?
head -n 400 "$E2E_DIR/compare.txt"
[ $rc -eq 0 ] || e2e_fail "the native reader disagrees with the system (full list: $E2E_DIR/compare.txt)"

# The reader inside the Windows build answers as the system does, query by query.
cmp -s "$E2E_DIR/answers.txt" "$E2E_DIR/own-answers.txt" ||
    e2e_fail "the reader in the Windows build disagrees with the system: $(diff "$E2E_DIR/answers.txt" "$E2E_DIR/own-answers.txt" | head -n 6)"

mkdir -p "$E2E_DIR/written"
rc=0
e2e_run 240 "$profwrite" 'D:' "$(e2e_winpath "$E2E_DIR/written")" || rc=$?
cat "$E2E_DIR"/run-*.out | tail -n 20
[ $rc -eq 0 ] || e2e_fail "the editor's bytes differ from the system's (exit $rc; files in $E2E_DIR/written)"
