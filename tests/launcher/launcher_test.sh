#!/bin/bash
# launcher_test.sh LAUNCHER: the launcher starts the Vaultwick beside it, in
# its own session (it outlives the launcher), also from a folder whose name
# has spaces and quotes, and ends quietly when there is none. The cases run
# side by side: each one waits out the launcher's own three seconds.
set -euo pipefail
launcher=$1
work=$(mktemp -d -t vaultwick-launcher.XXXXXX)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# A stand-in Vaultwick that records its session id and its own pid.
make_folder() {
    local dir=$1
    mkdir -p "$dir"
    cp "$launcher" "$dir/VaultwickLauncher"
    if [[ ${2:-} != empty ]]; then
        cat >"$dir/Vaultwick" <<'PROGRAM'
#!/bin/sh
read -r _ _ _ _ _ session _ </proc/$$/stat
echo "$session $$" >"$(dirname "$0")/started"
PROGRAM
        chmod +x "$dir/Vaultwick"
    fi
}

plain="$work/program"
quoted="$work/my \"portable\" it's here"
empty="$work/empty"
make_folder "$plain"
make_folder "$quoted"
make_folder "$empty" empty

pids=()
for dir in "$plain" "$quoted" "$empty"; do
    "$dir/VaultwickLauncher" &
    pids+=($!)
done
for pid in "${pids[@]}"; do
    wait "$pid" || fail "the launcher ended with status $?"
done

# The launcher has ended; the program it started may still be writing.
for dir in "$plain" "$quoted"; do
    for _ in $(seq 50); do
        [[ -s $dir/started ]] && break
        sleep 0.1
    done
    [[ -s $dir/started ]] || fail "Vaultwick was not started from '$dir'"
    read -r session pid <"$dir/started"
    [[ $session == "$pid" ]] || fail "Vaultwick runs in the launcher's session ($session, pid $pid)"
done
[[ ! -e $empty/started ]] || fail "something was started from a folder without Vaultwick"
echo "PASS launcher"
