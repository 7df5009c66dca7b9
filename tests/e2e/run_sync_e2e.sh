#!/bin/bash
# run_sync_e2e.sh SCENARIO [ARGS...]: run_e2e.sh inside a private network
# namespace that has only loopback, for scenarios that start sync engines:
# nothing they send can leave this machine. Exit status 77 (skip) when no
# namespace can be made here or the engine is not installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
command -v syncthing >/dev/null && command -v ip >/dev/null && command -v curl >/dev/null || {
    echo "syncthing, iproute2 or curl is not installed" >&2
    exit 77
}
as_root=()
[[ $(id -u) == 0 ]] || as_root=(--map-root-user)
unshare --net "${as_root[@]}" true 2>/dev/null || {
    echo "no private network namespace can be made here" >&2
    exit 77
}
exec unshare --net "${as_root[@]}" bash -c 'ip link set lo up && exec bash "$0" "$@"' "$here/run_e2e.sh" "$@"
