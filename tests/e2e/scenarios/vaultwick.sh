# Vaultwick as a user meets it, on a fresh program folder: the first run, an
# entry added and found through the global hot keys, its password on the real
# clipboard and gone ten seconds later, a second start that raises the first,
# a master password that the next start asks for when the window is first
# shown, a prompt that answers the user's action and never opens by itself
# while keywords are typed, a lock left by a killed instance that does not
# block the next start, and private, encrypted database files. Every dialog
# and message box comes up in front of its owner with the keyboard, also
# under a window manager (E2E_WM), and a master password just set or
# confirmed is not asked again.
# Argument: the program folder of the build (bin/).

readonly PASSWD='Tr0ub4dor&3 e2e' MASTER='m4ster Pw#e2e'

_clipboard_empty() { [[ -z $(e2e_clipboard) ]]; }

scenario_main() {
    local bin=$1 dir main editor query login start box init confirm app chooser
    e2e_fake_browser
    dir=$(e2e_copy_program_folder "$bin")

    # First run: the first-run dialog, OK, the main window and the welcome page.
    e2e_start_program app "$dir/Vaultwick"
    app=$(e2e_pid app)
    init=$(e2e_wait_window '^Init Settings$' 30)
    e2e_expect_front "$init" "first-run dialog" "$app"
    e2e_focus "$init"
    e2e_key Return
    # The master password offered next, in front: Esc keeps the vault without one.
    box=$(e2e_wait_window '^Set Password$' 30)
    e2e_expect_front "$box" "master password offered at the first start" "$app"
    e2e_key Escape
    main=$(e2e_wait_window '^Vaultwick$' 30)
    e2e_retry "$E2E_TIMEOUT" test -s "$E2E_OUT/opened-urls" || e2e_fail "no welcome page"
    e2e_expect_eq "$(wc -l <"$E2E_OUT/opened-urls")" 1 "welcome pages opened"
    e2e_screenshot settings "$main"

    # A CSV export warns first; the warning stands in the middle of the
    # window it belongs to, and Esc exports nothing.
    e2e_focus "$main"
    e2e_key alt+x
    chooser=$(e2e_wait_window '^Save As$')
    e2e_key ctrl+a
    e2e_type "$E2E_OUT/plain.csv"
    e2e_key Return
    e2e_wait_no_window '^Save As$'
    box=$(e2e_wait_box "$main" "plain-text warning" "$app")
    e2e_expect_centred "$box" "$main" "plain-text warning"
    e2e_key Escape
    [[ ! -e $E2E_OUT/plain.csv ]] || e2e_fail "Esc on the warning exported the file"

    # Alt+A: the editor; an entry typed and saved.
    e2e_key alt+a
    editor=$(e2e_wait_window '^Entry$')
    e2e_expect_front "$editor" "editor" "$app"
    # Alt+Enter on empty fields: the refusal comes up above the editor.
    e2e_key alt+Return
    e2e_retry "$E2E_TIMEOUT" _e2e_front_is_not "$editor" || e2e_fail "no message box in front of the editor"
    box=$(e2e_front_window)
    e2e_expect_front "$box" "message box of the editor" "$app"
    e2e_screenshot e2e-editor-refusal
    e2e_key Return
    e2e_expect_front "$editor" "editor after its message box" "$app"
    e2e_focus "$editor"
    e2e_type 'e2e mail'
    e2e_key Tab
    e2e_type 'alice@example.com'
    e2e_key Tab
    e2e_type "$PASSWD"
    e2e_key Tab
    e2e_type "$PASSWD"
    e2e_key Tab
    e2e_type 'mail.example.com'
    e2e_screenshot e2e-editor "$editor"
    e2e_key alt+Return
    e2e_wait_no_window '^Entry$'

    # Alt+Q: the query window; a keyword, Ctrl+C, the password on the clipboard.
    e2e_key alt+q
    query=$(e2e_wait_window '^Passwd Query$')
    e2e_expect_front "$query" "query window" "$app"
    e2e_focus "$query"
    e2e_type 'e2e'
    e2e_key Return
    e2e_key ctrl+c
    e2e_retry "$E2E_TIMEOUT" _e2e_clipboard_is "$PASSWD" || e2e_fail "clipboard: '$(e2e_clipboard)'"
    start=$SECONDS
    e2e_screenshot e2e-query "$query"
    e2e_key Escape
    e2e_wait_no_window '^Passwd Query$'
    # The promise is ten seconds; the main window keeps it after the query window closed.
    e2e_retry 14 _clipboard_empty || e2e_fail "clipboard still holds the password"
    ((SECONDS - start >= 9)) || e2e_fail "clipboard emptied after $((SECONDS - start)) s"

    # A second start shows and raises the first, then ends without touching anything.
    e2e_focus "$main"
    e2e_key Escape
    e2e_wait_no_window '^Vaultwick$'
    e2e_start_program second "$dir/Vaultwick"
    e2e_wait_exit second 20
    e2e_expect_eq "$E2E_EXIT_STATUS" 0 "second start exit status"
    main=$(e2e_wait_window '^Vaultwick$')
    kill -0 "$(e2e_pid app)" || e2e_fail "the first instance ended"

    # A master password through the settings page.
    e2e_click_main_control "$main" IDC_NEED_LOGIN_PASSWD
    box=$(e2e_wait_window '^Set Password$')
    e2e_expect_front "$box" "set-password dialog" "$app"
    e2e_focus "$box"
    e2e_type "$MASTER"
    e2e_key Tab
    e2e_type "$MASTER"
    e2e_key Return
    e2e_wait_no_window '^Set Password$'
    # The password was just given: Alt+Q asks nothing.
    query=$(e2e_hot_key_until_window alt+q '^Passwd Query$')
    _e2e_no_window '^(Login|Confirm Password)$' || e2e_fail "asked again right after the password was set"
    e2e_expect_front "$query" "query window after the password was set" "$app"
    if [[ -n ${E2E_WM:-} ]]; then
        # Minimised, it leaves the tray menu working, and Alt+Q brings it back.
        xdotool windowminimize "$query"
        local xy
        xy=$(e2e_tray_icon_center)
        # shellcheck disable=SC2086
        e2e_click $xy 3
        e2e_wait_window '^Tray menu$' >/dev/null
        e2e_key Escape
        e2e_wait_no_window '^Tray menu$'
        e2e_key alt+q
        e2e_expect_front "$query" "query window brought back from the task bar" "$app"
    fi
    e2e_key Escape
    e2e_wait_no_window '^Passwd Query$'
    # The window manager may have minimised the settings page with it.
    e2e_key alt+F1
    main=$(e2e_wait_window '^Vaultwick$')

    # Asked at each activation: not when the window opens, but when the user
    # acts. Keywords typed at human speed stay keywords, no prompt comes up
    # by itself, and Enter asks once, in front, then searches what was typed.
    e2e_click_main_control "$main" IDC_RADIO_OTHER
    # Nothing chosen in the list yet: the program says so and saves nothing.
    e2e_answer_box "$main" "choose a frequency" "$app" >/dev/null
    e2e_click_main_control "$main" IDC_INPUT_FREQ
    e2e_key Down Return
    confirm=$(e2e_wait_window '^Confirm Password$')
    e2e_expect_front "$confirm" "confirmation of the frequency change" "$app"
    e2e_type "$MASTER"
    e2e_key Return
    e2e_wait_no_window '^Confirm Password$'
    e2e_key alt+q
    query=$(e2e_wait_window '^Passwd Query$')
    e2e_expect_front "$query" "query window opened while the password is due" "$app"
    xdotool type --delay 180 -- 'e2e mail'
    sleep 1
    _e2e_no_window '^(Login|Confirm Password)$' || e2e_fail "a prompt opened by itself while keywords were typed"
    e2e_expect_front "$query" "query window while keywords are typed" "$app"
    e2e_screenshot e2e-typed-while-due "$query"
    e2e_key Return
    confirm=$(e2e_wait_window '^Confirm Password$')
    e2e_expect_front "$confirm" "confirmation asked by Enter" "$app"
    e2e_screenshot e2e-confirm-at-enter
    xdotool type --delay 120 -- "$MASTER"
    e2e_key Return
    e2e_wait_no_window '^Confirm Password$'
    e2e_expect_front "$query" "query window after the confirmation" "$app"
    e2e_key ctrl+c
    e2e_retry "$E2E_TIMEOUT" _e2e_clipboard_is "$PASSWD" || e2e_fail "clipboard after the confirmation: '$(e2e_clipboard)'"
    _e2e_no_window '^Confirm Password$' || e2e_fail "asked twice for one action"
    e2e_key Escape
    e2e_wait_no_window '^Passwd Query$'
    e2e_quit_from_tray app

    # The next start is a hidden one (the stored default): no password until Alt+F1.
    e2e_start_program again "$dir/Vaultwick"
    e2e_tray_icon_center >/dev/null
    _e2e_no_window '^Login$' || e2e_fail "login asked before the window was shown"
    login=$(e2e_hot_key_until_window alt+F1 '^Login$')
    e2e_expect_front "$login" "login" "$(e2e_pid again)"
    e2e_focus "$login"
    e2e_type "$MASTER"
    e2e_key Return
    e2e_wait_window '^Vaultwick$' 30 >/dev/null

    # Killed, it leaves its lock behind; the next start is a first one all the same.
    kill -9 "$(e2e_pid again)"
    e2e_wait_exit again
    e2e_start_program fresh "$dir/Vaultwick"
    login=$(e2e_hot_key_until_window alt+F1 '^Login$')
    e2e_focus "$login"
    e2e_type "$MASTER"
    e2e_key Return
    e2e_wait_window '^Vaultwick$' 30 >/dev/null
    e2e_quit_from_tray fresh

    # Private files that do not open without their keys.
    local f
    for f in db.init Sqlite.db; do
        e2e_expect_eq "$(e2e_file_mode "$dir/$f")" 600 "mode of $f"
        [[ $(head -c 15 "$dir/$f" | tr -d '\0') != 'SQLite format 3' ]] || e2e_fail "$f is plain SQLite"
        if command -v sqlite3 >/dev/null; then
            ! sqlite3 "$dir/$f" 'SELECT count(*) FROM sqlite_master' >/dev/null 2>&1 ||
                e2e_fail "$f opens without a key"
        fi
    done
}
