#!/usr/bin/env bash
# Makes the shared wine prefix of this build ahead of the scenarios (CTest test e2e.prefix).
. "$(dirname "$0")/lib.sh"
command -v wineboot >/dev/null || e2e_skip "wine is not installed (scripts/deps.sh installs it)"
e2e_make_prefix
