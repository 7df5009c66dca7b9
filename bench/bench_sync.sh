#!/bin/bash
# bench_sync.sh BUILD_DIR: how long after a save on one "computer" the entry
# shows in a new query on the other, with two real Syncthing devices (file
# watching on, 1 s delay) in a private network namespace with loopback only.
# Prints, per round: save -> engine's rename on the other side, and rename ->
# listed by a new query there (the goal: within a second).
set -euo pipefail
if [[ ${1:-} != --inside ]]; then
    exec unshare --net bash -c 'ip link set lo up && exec bash "$0" --inside "$@"' "$0" "$@"
fi
build=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
tool="$build/bench/bench_sync_delivery"
e2e_log() { printf '[bench %s] %s\n' "$(date +%T)" "$*" >&2; }
e2e_fail() { e2e_log "FAIL: $*"; exit 1; }
e2e_retry() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do ((SECONDS < deadline)) || return 1; sleep 0.1; done
}
E2E_PIDS=()
cleanup() { local p; for p in "${E2E_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; }
trap cleanup EXIT
ST_ROOT=$(mktemp -d -t vaultwick-bench-sync.XXXXXX)
# shellcheck source=../tests/e2e/syncthing_lib.sh
source "$here/../tests/e2e/syncthing_lib.sh"
st_setup

"$tool" --save "${ST_FOLDER[a]}" first >/dev/null
e2e_retry 30 test -s "${ST_FOLDER[b]}/Sqlite.db" || e2e_fail "the vault did not reach b"
for round in 1 2 3 4 5; do
    out="$ST_ROOT/await.$round"
    "$tool" --await "${ST_FOLDER[b]}" "round$round" >"$out" &
    pid=$!
    E2E_PIDS+=("$pid")
    e2e_retry 30 grep -q ready "$out" || e2e_fail "the waiting side did not open the vault"
    saved=$("$tool" --save "${ST_FOLDER[a]}" "round$round" | awk '/saved/ {print $2}')
    wait "$pid" || e2e_fail "round $round: the entry never showed on b"
    delivered=$(awk '/delivered/ {print $2}' "$out")
    found=$(awk '/found/ {print $2}' "$out")
    awk -v r="$round" -v s="$saved" -v d="$delivered" -v f="$found" \
        'BEGIN { printf "round %d: engine delivered %.2f s after the save; listed %.0f ms after the delivery (%.2f s after the save)\n", r, d - s, (f - d) * 1000, f - s }'
done
