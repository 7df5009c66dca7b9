# Where the keyboard goes, under a window manager: the first start with a
# master password set at once, then the master password asked at each
# activation of the query window. After every prompt, editor and message box
# closes, the keys go to the window the user was in (asked of the X server
# with xdotool getwindowfocus), and Alt+Q brings the open query window to the
# front with the keyboard in it. The password shown in the editor and copied
# from there leaves the clipboard as a query window's copy does.
# Argument: the program folder of the build (bin/).

readonly MASTER='Focu5 m4ster#' PW='f0cus-Pw!x'

_fo_clipboard_is() { [[ $(e2e_clipboard) == "$1" ]]; }
_fo_clipboard_empty() { [[ -z $(e2e_clipboard) ]]; }

# The top-level window that holds the X input focus (decimal id).
fo_focus() { xdotool getwindowfocus -f 2>/dev/null; }
_fo_focus_is() { [[ $(fo_focus) == "$1" ]]; }
_fo_focus_not() { [[ $(fo_focus) != "$1" ]]; }

# fo_expect_focus WINDOW WHAT: the keyboard is in WINDOW, without help.
fo_expect_focus() {
    e2e_retry "$E2E_TIMEOUT" _fo_focus_is "$1" ||
        e2e_fail "$2: the keyboard is in '$(xdotool getwindowname "$(fo_focus)" 2>/dev/null)' ($(fo_focus)), not $1"
    e2e_log "$2: keyboard in place"
}

# The master password, if the query window asks for it now (it may ask when
# it opens, or at the action that needs it).
fo_answer_prompt() {
    local prompt
    while e2e_retry "${1:-2}" _e2e_shown '^Confirm Password$'; do
        prompt=$(e2e_wait_window '^Confirm Password$')
        fo_expect_focus "$prompt" "master-password prompt"
        e2e_type "$MASTER"
        e2e_key Return
        e2e_retry "$E2E_TIMEOUT" _fo_focus_not "$prompt" || e2e_fail "the prompt took the right password"
    done
}

# Alt+Q, the keyword typed, its search run: the query window with the list.
fo_open_query() {
    local query
    # The password may be asked before the window shows.
    e2e_hot_key_until_window alt+q '^(Passwd Query|Confirm Password)$' >/dev/null
    fo_answer_prompt
    query=$(e2e_wait_window '^Passwd Query$')
    fo_expect_focus "$query" "query window"
    e2e_type 'focus'
    e2e_key Return
    fo_answer_prompt
    fo_expect_focus "$query" "query window after its search"
    echo "$query"
}

scenario_main() {
    local bin=$1 dir app main editor query box set i start
    e2e_fake_browser
    dir=$(e2e_copy_program_folder "$bin")

    # First start: the first-run dialog, then the master password at once.
    e2e_start_program app "$dir/Vaultwick"
    app=$(e2e_pid app)
    e2e_focus "$(e2e_wait_window '^Init Settings$' 30)"
    e2e_key Return
    set=$(e2e_wait_window '^Set Password$' 30)
    fo_expect_focus "$set" "set-password window at the first start"
    # A weak one is questioned first; No keeps the window for a better one.
    e2e_type 'abc'
    e2e_key Tab
    e2e_type 'abc'
    e2e_key Return
    e2e_retry "$E2E_TIMEOUT" _e2e_shown '^Vaultwick$' || e2e_fail "no warning for a weak master password"
    e2e_screenshot focus-weak-warning
    e2e_key Return
    fo_expect_focus "$set" "set-password window after the warning"
    e2e_key ctrl+a
    e2e_type "$MASTER"
    e2e_key Tab ctrl+a
    e2e_type "$MASTER"
    e2e_screenshot focus-set-password "$set"
    e2e_key Return
    e2e_wait_no_window '^Set Password$'
    main=$(e2e_wait_window '^Vaultwick$' 30)
    [[ $(head -c 15 "$dir/Sqlite.db" | tr -d '\0') != 'SQLite format 3' ]] || e2e_fail "the vault is plain SQLite"

    # The password asked at each activation of the query window.
    e2e_click_main_control "$main" IDC_RADIO_OTHER
    # Nothing chosen in the list yet: the program says so and saves nothing.
    e2e_answer_box "$main" "choose a frequency" "$app" >/dev/null
    fo_expect_focus "$main" "settings window after the notice"
    e2e_click_main_control "$main" IDC_INPUT_FREQ
    e2e_key Down Return
    fo_answer_prompt 10
    fo_expect_focus "$main" "settings window after the confirmation"

    # An entry, added with Alt+A; its password copied out of the editor is
    # cleared as the query window's copies are.
    editor=$(e2e_hot_key_until_window alt+a '^Entry$')
    fo_expect_focus "$editor" "editor"
    e2e_type 'focus mail'
    e2e_key Tab
    e2e_type 'bob'
    e2e_key Tab
    e2e_type "$PW"
    e2e_key Tab
    e2e_type "$PW"
    e2e_key alt+s alt+p ctrl+a ctrl+c
    e2e_retry "$E2E_TIMEOUT" _fo_clipboard_is "$PW" || e2e_fail "editor copy: clipboard holds '$(e2e_clipboard)'"
    start=$SECONDS
    e2e_clipboard_targets | grep -q x-kde-passwordManagerHint || e2e_fail "the editor's copy is not marked secret"
    e2e_key alt+Return
    e2e_wait_no_window '^Entry$'
    fo_expect_focus "$main" "settings window after the editor"
    e2e_retry 14 _fo_clipboard_empty || e2e_fail "the editor's copy is still on the clipboard"
    ((SECONDS - start >= 9)) || e2e_fail "the editor's copy was cleared after $((SECONDS - start)) s"

    # Alt+A, a title typed, Alt+Q, the password: the keys go to the query window.
    editor=$(e2e_hot_key_until_window alt+a '^Entry$')
    e2e_type 'half typed'
    query=$(fo_open_query)
    e2e_key ctrl+c
    fo_answer_prompt
    e2e_retry "$E2E_TIMEOUT" _fo_clipboard_is "$PW" || e2e_fail "copy in the query window: '$(e2e_clipboard)'"
    # Alt+Q with the query window open and the keyboard elsewhere brings it back.
    e2e_focus "$editor" 2>/dev/null || true
    e2e_key alt+q
    fo_answer_prompt
    fo_expect_focus "$query" "query window brought back by Alt+Q"
    e2e_key Escape
    e2e_wait_no_window '^Passwd Query$'
    fo_expect_focus "$editor" "editor after the query window"
    e2e_key Escape
    # The typed title is not dropped without asking; Yes drops it.
    e2e_retry "$E2E_TIMEOUT" _fo_focus_not "$editor" || e2e_fail "no question before the typing is dropped"
    e2e_key alt+y
    e2e_wait_no_window '^Entry$'

    # Query window, Down, Enter (editor), a field changed, Alt+Enter: the
    # keyboard is back in the query window, every time.
    for ((i = 1; i <= 4; i++)); do
        query=$(fo_open_query)
        e2e_key Down Return
        fo_answer_prompt
        editor=$(e2e_wait_window '^Entry$')
        fo_expect_focus "$editor" "editor from the query window ($i)"
        e2e_key alt+n
        e2e_type "n$i"
        e2e_key alt+Return
        e2e_wait_no_window '^Entry$'
        fo_answer_prompt
        fo_expect_focus "$query" "query window after saving in the editor ($i)"
        e2e_key Escape
        e2e_wait_no_window '^Passwd Query$'
    done
    e2e_start_program quit "$dir/Vaultwick" --quit
    e2e_wait_exit quit 20
    e2e_wait_exit app 20
    e2e_expect_eq "$E2E_EXIT_STATUS" 0 "exit status after --quit"
}
