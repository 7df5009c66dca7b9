# Vaultwick with the keyboard alone, on a fresh program folder: the first
# run (Enter), an entry added through Alt+A and the labels' Alt+letters,
# found through Alt+Q, its password copied with Ctrl+C, edited with Enter on
# its row, and deleted through the menu key. Without a window manager the
# keyboard focus is handed to each new window with xdotool windowfocus; no
# mouse is used.
# Argument: the program folder of the build (bin/).

readonly FIRST_PW='k3yb0ard only!' SECOND_PW='n3w-k3ys #2' SENTINEL='not a password'

_kb_shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
_kb_clipboard_is() { [[ $(e2e_clipboard) == "$1" ]]; }

# The program grabs its hot keys once its start-up is through: press until
# the window comes.
kb_hot_key() {
    local key=$1 pattern=$2 i
    for ((i = 0; i < 15; i++)); do
        e2e_key "$key"
        if e2e_retry 2 _kb_shown "$pattern"; then
            e2e_wait_window "$pattern"
            return
        fi
    done
    e2e_fail "$key did not open '$pattern'"
}

# Replaces the text of the focused edit.
kb_retype() {
    e2e_key ctrl+a
    e2e_type "$1"
}

kb_expect_clipboard() {
    e2e_retry "$E2E_TIMEOUT" _kb_clipboard_is "$1" || e2e_fail "$2: clipboard holds '$(e2e_clipboard)'"
}

scenario_main() {
    local bin=$1 dir editor query
    mkdir -p "$E2E_OUT/fakebin"
    cat >"$E2E_OUT/fakebin/xdg-open" <<EOS
#!/bin/sh
echo "\$1" >>"$E2E_OUT/opened-urls"
EOS
    chmod +x "$E2E_OUT/fakebin/xdg-open"
    export PATH="$E2E_OUT/fakebin:$PATH"
    rm -f "$E2E_OUT/opened-urls"
    dir=$(e2e_copy_program_folder "$bin")

    # First run: Enter takes the first-run dialog's default; the shipped help page opens.
    e2e_start_program app "$dir/Vaultwick"
    e2e_focus "$(e2e_wait_window '^Init Settings$' 30)"
    e2e_key Return
    # The master password offered next: Esc keeps the vault without one.
    e2e_focus "$(e2e_wait_window '^Set Password$' 30)"
    e2e_key Escape
    e2e_wait_window '^Vaultwick$' 30 >/dev/null
    e2e_retry "$E2E_TIMEOUT" test -s "$E2E_OUT/opened-urls" || e2e_fail "no help page on the first run"
    grep -q 'Vaultwick-help.html$' "$E2E_OUT/opened-urls" || e2e_fail "first run opened $(cat "$E2E_OUT/opened-urls")"
    ! grep -q '^http' "$E2E_OUT/opened-urls" || e2e_fail "first run opened a web address"

    # Add: the title has the focus; Tab walks down the fields, Alt+L jumps to the URL.
    editor=$(kb_hot_key alt+a '^Entry$')
    e2e_focus "$editor"
    e2e_type 'kbd journey'
    e2e_key Tab
    e2e_type 'kim'
    e2e_key Tab
    e2e_type "$FIRST_PW"
    e2e_key Tab
    e2e_type "$FIRST_PW"
    e2e_key alt+l
    e2e_type 'example.org'
    e2e_screenshot keyboard-editor "$editor"
    e2e_key alt+Return
    e2e_wait_no_window '^Entry$'

    # Find and copy.
    e2e_clipboard_set "$SENTINEL"
    query=$(kb_hot_key alt+q '^Passwd Query$')
    e2e_focus "$query"
    e2e_type 'kbd'
    e2e_key ctrl+c
    kb_expect_clipboard "$FIRST_PW" "copy after the search"

    # Edit: Down moves into the list, Enter on the row opens the editor.
    e2e_key Down Return
    editor=$(e2e_wait_window '^Entry$')
    e2e_focus "$editor"
    e2e_key alt+p
    kb_retype "$SECOND_PW"
    e2e_key alt+r
    kb_retype "$SECOND_PW"
    e2e_key alt+Return
    e2e_wait_no_window '^Entry$'
    e2e_focus "$query"
    e2e_key ctrl+c
    kb_expect_clipboard "$SECOND_PW" "copy after the edit"
    e2e_screenshot keyboard-query "$query"

    # Delete: the menu key opens the row's menu, its D deletes the entry.
    e2e_key Down Menu
    e2e_wait_window '^Pop-up menu$' >/dev/null
    e2e_key d
    e2e_wait_no_window '^Pop-up menu$'
    e2e_key Escape
    e2e_wait_no_window '^Passwd Query$'

    # Nothing is left to find: Ctrl+C copies nothing.
    e2e_clipboard_set "$SENTINEL"
    query=$(kb_hot_key alt+q '^Passwd Query$')
    e2e_focus "$query"
    e2e_type 'kbd'
    e2e_key ctrl+c
    e2e_screenshot keyboard-nothing-found "$query"
    [[ $(e2e_clipboard) == "$SENTINEL" ]] || e2e_fail "a deleted entry was copied: '$(e2e_clipboard)'"
    e2e_key Escape
    e2e_wait_no_window '^Passwd Query$'
}
