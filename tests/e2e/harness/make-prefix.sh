#!/usr/bin/env bash
# Makes the shared wine prefix of the Wine pair ahead of the scenarios (CTest test e2e.prefix).
#   bash tests/e2e/harness/make-prefix.sh      # CORVID_WINE_ARCH=win32|win64 forces the pair
. "$(dirname "$0")/lib.sh"
command -v "${E2E_WINE[0]}" >/dev/null || e2e_skip "wine is not installed (scripts/deps.sh installs it)"
if [ -n "$E2E_PAIR_ERROR" ]; then
    echo "e2e: $E2E_PAIR_ERROR" >&2
    exit 1
fi
e2e_log "wine pair $E2E_PAIR: $(e2e_pair_text)"
e2e_make_prefix
