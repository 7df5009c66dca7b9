#!/bin/bash
# run_e2e.sh SCENARIO [ARGS...]: runs one desktop scenario on a private X
# server (Xvfb on a free display, trayer as tray host), then ends everything
# it started, also on failure. A scenario is a bash file that defines
# scenario_main, which gets ARGS; lib.sh gives it its helpers. Logs and
# screenshots go to $E2E_OUT (default: a new temporary folder).
# E2E_SESSION=plasma runs it on a headless KDE Plasma Wayland session
# (plasma/session.sh) instead. Exit status: 0 pass, 1 fail, 77 the desktop
# tools are not installed (1 with E2E_MISSING_STATUS=1).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
scenario=$1
shift

export E2E_OUT=${E2E_OUT:-$(mktemp -d -t vaultwick-e2e.XXXXXX)}
mkdir -p "$E2E_OUT"
rm -rf "$E2E_OUT"/*.log "$E2E_OUT"/*.err "$E2E_OUT"/screens/failure.png "$E2E_OUT/home"
# A private user: runtime folder (single-instance lock and socket), settings
# and autostart entries stay inside the run.
mkdir -p -m 0700 "$E2E_OUT/home/runtime"
export XDG_RUNTIME_DIR="$E2E_OUT/home/runtime"
export XDG_CONFIG_HOME="$E2E_OUT/home/config"
export XDG_DATA_HOME="$E2E_OUT/home/data"
export XDG_CACHE_HOME="$E2E_OUT/home/cache"
# The private X server is the whole desktop, even when the tests are started
# from a Wayland session (where hot keys would go to its portal instead).
unset WAYLAND_DISPLAY XDG_SESSION_TYPE

# shellcheck source=lib.sh
source "$here/lib.sh"
if [[ ${E2E_SESSION:-} == plasma ]]; then
    # shellcheck source=plasma/session.sh
    source "$here/plasma/session.sh"
    plasma_require_tools
else
    e2e_require_tools
fi
trap e2e_cleanup EXIT
trap 'exit 1' INT TERM HUP

if [[ ${E2E_SESSION:-} == plasma ]]; then
    plasma_start
else
    e2e_start_display
fi
# shellcheck disable=SC1090
source "$scenario"
scenario_main "$@"
e2e_log "PASS $(basename "$scenario") (output in $E2E_OUT)"
