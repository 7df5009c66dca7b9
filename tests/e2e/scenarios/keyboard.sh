# Vaultwick with the keyboard alone, on a fresh program folder: the first
# run (Enter), an entry added through Alt+A and the labels' Alt+letters,
# found through Alt+Q, its password copied with Ctrl+C, edited with Enter on
# its row, and deleted through the menu key. Without a window manager the
# keyboard focus is handed to each new window with xdotool windowfocus; no
# mouse is used.
# Argument: the program folder of the build (bin/).

readonly FIRST_PW='k3yb0ard only!' SECOND_PW='n3w-k3ys #2' SENTINEL='not a password'

_kb_clipboard_is() { [[ $(e2e_clipboard) == "$1" ]]; }

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
    e2e_fake_browser
    dir=$(e2e_copy_program_folder "$bin")

    # First run: Enter takes the first-run dialog's default; the shipped help page opens.
    e2e_first_start app "$dir/Vaultwick"
    e2e_retry "$E2E_TIMEOUT" test -s "$E2E_OUT/opened-urls" || e2e_fail "no help page on the first run"
    grep -q 'Vaultwick-help.html$' "$E2E_OUT/opened-urls" || e2e_fail "first run opened $(cat "$E2E_OUT/opened-urls")"
    ! grep -q '^http' "$E2E_OUT/opened-urls" || e2e_fail "first run opened a web address"

    # Add: the title has the focus; Tab walks down the fields, Alt+L jumps to the URL.
    editor=$(e2e_hot_key_until_window alt+a '^Entry$')
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
    query=$(e2e_hot_key_until_window alt+q '^Passwd Query$')
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
    query=$(e2e_hot_key_until_window alt+q '^Passwd Query$')
    e2e_focus "$query"
    e2e_type 'kbd'
    e2e_key ctrl+c
    e2e_screenshot keyboard-nothing-found "$query"
    [[ $(e2e_clipboard) == "$SENTINEL" ]] || e2e_fail "a deleted entry was copied: '$(e2e_clipboard)'"
    e2e_key Escape
    e2e_wait_no_window '^Passwd Query$'
}
