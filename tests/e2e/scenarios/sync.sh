# One vault on two computers kept in step by Syncthing: two devices, each
# with its own home, display, program and engine, in one private network
# namespace (run_sync_e2e.sh). An entry saved on one device is found by a new
# query on the other once the engine delivered it; a save after a delivery
# lands in the delivered file; entries saved on both
# devices while they are apart (one engine stopped), and entries saved on
# both at the same moment, end up in both vaults with no more than OK on a
# merge notice.
# Delays from a save to the entry being found on the other side are logged.
# Argument: the program folder of the build (bin/).

# shellcheck source=../syncthing_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../syncthing_lib.sh"

declare -A DEV_DISPLAY DEV_DIR EDITOR_OF

# on DEVICE COMMAND...: runs a command with that device's display and home.
on() {
    local dev=$1
    shift
    DISPLAY=${DEV_DISPLAY[$dev]} XDG_RUNTIME_DIR=$E2E_OUT/$dev/runtime XDG_CONFIG_HOME=$E2E_OUT/$dev/config \
        XDG_DATA_HOME=$E2E_OUT/$dev/data XDG_CACHE_HOME=$E2E_OUT/$dev/cache "$@"
}

start_device() {
    local dev=$1 main
    on "$dev" e2e_start_program "app_$dev" "${DEV_DIR[$dev]}/Vaultwick"
    on "$dev" e2e_focus "$(on "$dev" e2e_wait_window '^Init Settings$' 30)"
    on "$dev" e2e_key Return
    # The master password offered next: Esc keeps the vault without one.
    on "$dev" e2e_focus "$(on "$dev" e2e_wait_window '^Set Password$' 30)"
    on "$dev" e2e_key Escape
    main=$(on "$dev" e2e_wait_window '^Vaultwick$' 30)
    MAIN[$dev]=$main
}

# fill_entry DEVICE TITLE PASSWORD: the editor that --add opens, filled in
# but not saved yet (save_entry saves it).
fill_entry() {
    local dev=$1 title=$2 passwd=$3 editor
    on "$dev" e2e_start_program "add_$dev" "${DEV_DIR[$dev]}/Vaultwick" --add
    on "$dev" e2e_wait_exit "add_$dev" 20
    editor=$(on "$dev" e2e_wait_window '^Entry$')
    EDITOR_OF[$dev]=$editor
    on "$dev" e2e_focus "$editor"
    on "$dev" e2e_type "$title"
    on "$dev" e2e_key Tab
    on "$dev" e2e_type "user-$dev"
    on "$dev" e2e_key Tab
    on "$dev" e2e_type "$passwd"
    on "$dev" e2e_key Tab
    on "$dev" e2e_type "$passwd"
}

save_entry() {
    local dev=$1 title=$2 try
    SAVED_AT=$(date +%s.%N)
    on "$dev" xdotool windowfocus --sync "${EDITOR_OF[$dev]}"
    on "$dev" e2e_key alt+Return
    for try in 1 2 3 4 5 6; do
        on "$dev" e2e_retry 5 _e2e_no_window '^Entry$' && return 0
        # A merge notice that came up meanwhile has the keyboard (the save
        # may be waiting for it): answered as a user would. A save that never
        # began, its key taken by the notice, is asked for again.
        e2e_log "the editor on $dev is still open (look $try)"
        if ! _answer_box "$dev"; then
            on "$dev" xdotool windowfocus --sync "${EDITOR_OF[$dev]}" 2>/dev/null &&
                on "$dev" e2e_key alt+Return || true
        fi
    done
    on "$dev" e2e_screenshot "save-failed-$dev"
    e2e_fail "the editor on $dev did not save $title"
}

# add_entry DEVICE TITLE PASSWORD: filled in and saved.
add_entry() {
    fill_entry "$@"
    save_entry "$1" "$2"
}

_clip_is() { [[ $(on "$1" e2e_clipboard) == "$2" ]]; }

# found DEVICE TITLE PASSWORD: a new query for the title finds the entry
# (its password reaches the clipboard).
found() {
    local dev=$1 title=$2 passwd=$3 query
    on "$dev" e2e_start_program "query_$dev" "${DEV_DIR[$dev]}/Vaultwick" --query "$title"
    on "$dev" e2e_wait_exit "query_$dev" 20
    query=$(on "$dev" e2e_wait_window '^Passwd Query$')
    on "$dev" e2e_focus "$query"
    on "$dev" e2e_key Return
    on "$dev" e2e_key ctrl+c
    local ok=0
    e2e_retry 3 _clip_is "$dev" "$passwd" && ok=1
    [[ $ok == 1 ]] || on "$dev" e2e_screenshot "not-found-$dev-$title" "$query"
    on "$dev" e2e_key Escape
    on "$dev" e2e_wait_no_window '^Passwd Query$'
    [[ $ok == 1 ]]
}

inode() { stat -c %i "$1" 2>/dev/null || echo none; }

# A message box of the program on DEVICE (any window named like the main
# window but not the main window): answered with OK. Cancel is the default
# button of a question, so the focus goes to the other button first (Tab
# stays on OK in a box with OK alone) and Space presses it.
_answer_box() {
    local dev=$1 id
    for id in $(on "$dev" xdotool search --onlyvisible --name '^Vaultwick$' 2>/dev/null); do
        if [[ $id != "${MAIN[$dev]}" ]]; then
            on "$dev" e2e_screenshot "box-$dev-$SECONDS" "$id"
            on "$dev" xdotool windowfocus --sync "$id" key --delay 100 Tab space
            ANSWERED[$dev]=$((${ANSWERED[$dev]:-0} + 1))
            return 0
        fi
    done
    return 1
}

has_conflict_copy() { compgen -G "${DEV_DIR[$1]}/Sqlite.sync-conflict-*.db" >/dev/null; }

scenario_main() {
    local bin=$1 t0 t1 dev
    declare -gA MAIN ANSWERED
    e2e_fake_browser
    DEV_DISPLAY[a]=$DISPLAY
    e2e_start_display
    DEV_DISPLAY[b]=$DISPLAY
    for dev in a b; do
        mkdir -p -m 0700 "$E2E_OUT/$dev/runtime"
        DEV_DIR[$dev]=$E2E_OUT/$dev/program
        rm -rf "${DEV_DIR[$dev]}"
        mkdir -p "${DEV_DIR[$dev]}"
        cp -a "$bin"/. "${DEV_DIR[$dev]}"/
        rm -rf "${DEV_DIR[$dev]}"/db.init "${DEV_DIR[$dev]}"/Sqlite.db* "${DEV_DIR[$dev]}"/Backup
        # The program folder is the data folder: only the vault and its
        # conflict copies travel (never the journal, nor the backups, which
        # each computer keeps and prunes for itself).
        printf '%s\n' '!/Sqlite.db' '!/Sqlite.sync-conflict-*.db' '*' >"${DEV_DIR[$dev]}/.stignore"
        ST_FOLDER[$dev]=${DEV_DIR[$dev]}
    done
    ST_ROOT=$E2E_OUT/st
    st_setup

    start_device a
    e2e_retry 30 test -s "${DEV_DIR[b]}/Sqlite.db" || e2e_fail "the new vault did not reach device b"
    start_device b

    # (a) Saved on a, found by a new query on b.
    local before
    before=$(inode "${DEV_DIR[b]}/Sqlite.db")
    add_entry a FromA 'pw-from-a'
    t0=$SAVED_AT
    e2e_retry 30 _changed "${DEV_DIR[b]}/Sqlite.db" "$before" || e2e_fail "the engine did not deliver a's save"
    t1=$(date +%s.%N)
    found b FromA 'pw-from-a' || e2e_fail "b's new query does not find the entry saved on a"
    e2e_log "delay: delivered to b $(_since "$t0" "$t1") s after the save on a; found by a new query on b" \
        "$(_since "$t1") s after the delivery (starting the query process included)"

    # (b) Saved on b after that delivery: lands in the delivered file and
    # travels back.
    before=$(inode "${DEV_DIR[a]}/Sqlite.db")
    add_entry b FromB 'pw-from-b'
    t0=$SAVED_AT
    e2e_retry 30 _changed "${DEV_DIR[a]}/Sqlite.db" "$before" || e2e_fail "the engine did not deliver b's save"
    e2e_log "delay: delivered to a $(_since "$t0") s after the save on b"
    found a FromB 'pw-from-b' || e2e_fail "a does not find the entry saved on b"
    found b FromB 'pw-from-b' || e2e_fail "b lost its own entry"

    # (c) Apart: b's engine stopped, an entry saved on each device, the
    # engine started again. The engine keeps the newer vault and leaves the
    # other as a conflict copy (which it syncs too); one OK on a merge notice
    # puts both entries in both vaults.
    st_stop b
    local seq
    seq=$(st_sequence a)
    add_entry a ApartA 'pw-apart-a'
    e2e_retry 30 _st_moved_on a "$seq" || e2e_fail "a's engine did not see the save made while apart"
    add_entry b ApartB 'pw-apart-b'
    t0=$(date +%s.%N)
    st_start b
    e2e_retry 60 _a_copy_or_box || e2e_fail "no conflict copy and no merge notice after b's engine came back"
    t1=$(date +%s.%N)
    e2e_log "delay: conflict copy or merge notice $(_since "$t0" "$t1") s after b's engine started again"
    settle 90 || e2e_fail "the devices did not agree on one vault after the merge notice"
    ((${ANSWERED[a]:-0} + ${ANSWERED[b]:-0} >= 1)) || e2e_fail "the merge notice was never shown"
    e2e_log "delay: one vault on both devices $(_since "$t1") s after the conflict copy (3 s of it checking" \
        "that it stays so); boxes answered: a ${ANSWERED[a]:-0}, b ${ANSWERED[b]:-0}"
    for dev in a b; do
        found "$dev" ApartA 'pw-apart-a' || e2e_fail "$dev lacks the entry saved on a while apart"
        found "$dev" ApartB 'pw-apart-b' || e2e_fail "$dev lacks the entry saved on b while apart"
        found "$dev" FromA 'pw-from-a' || e2e_fail "$dev lost FromA in the merge"
    done
    compgen -G "${DEV_DIR[a]}/Backup/Sqlite.sync-conflict-*.db" >/dev/null ||
        compgen -G "${DEV_DIR[b]}/Backup/Sqlite.sync-conflict-*.db" >/dev/null ||
        e2e_fail "the conflict copy is not kept in Backup"
    ls -l "${DEV_DIR[a]}" "${DEV_DIR[a]}/Backup" "${DEV_DIR[b]}" "${DEV_DIR[b]}/Backup" >"$E2E_OUT/folders-apart.txt" 2>&1 || true

    # (d) Together: both editors filled in, saved at the same moment.
    fill_entry a TogetherA 'pw-together-a'
    fill_entry b TogetherB 'pw-together-b'
    t0=$(date +%s.%N)
    save_entry a TogetherA &
    local saving=$!
    save_entry b TogetherB
    wait "$saving" || e2e_fail "the editor on a did not save TogetherA"
    settle 90 || e2e_fail "the devices did not agree on one vault after saving together"
    e2e_log "delay: one vault on both devices $(_since "$t0") s after saving together (3 s of it checking" \
        "that it stays so); boxes answered: a ${ANSWERED[a]:-0}, b ${ANSWERED[b]:-0}"
    for dev in a b; do
        found "$dev" TogetherA 'pw-together-a' || e2e_fail "$dev lacks the entry saved on a together"
        found "$dev" TogetherB 'pw-together-b' || e2e_fail "$dev lacks the entry saved on b together"
    done
    on a e2e_screenshot sync-a-end "${MAIN[a]}" || true
}

# settle SECONDS: answers the program's boxes on both devices until both
# vaults are the same file, with no conflict copy left, for 3 s.
settle() {
    local deadline=$((SECONDS + $1)) same_since=
    while ((SECONDS < deadline)); do
        _answer_box a || _answer_box b || true
        if ! has_conflict_copy a && ! has_conflict_copy b &&
            cmp -s "${DEV_DIR[a]}/Sqlite.db" "${DEV_DIR[b]}/Sqlite.db"; then
            same_since=${same_since:-$SECONDS}
            ((SECONDS - same_since < 3)) || return 0
        else
            same_since=
        fi
        sleep 0.3
    done
    return 1
}

# _since T0 [T1]: seconds from T0 to T1 (default: now).
_since() { awk -v a="$1" -v b="${2:-$(date +%s.%N)}" 'BEGIN { printf "%.2f", b - a }'; }

_changed() { [[ $(inode "$1") != "$2" && $(inode "$1") != none ]]; }
_a_copy_or_box() { has_conflict_copy a || has_conflict_copy b || _answer_box a || _answer_box b; }
