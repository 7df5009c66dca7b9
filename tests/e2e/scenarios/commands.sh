# The commands for the running program, as a desktop's key binding runs them:
# --help, a mistyped option, --query with keywords when nothing runs yet (the
# program starts, the first run is gone through, then the query window opens
# with the keywords typed in), --add and --show handed to the running
# instance. Where the program keeps its files is checked too: beside a
# portable program, or in the XDG folders for an installed one.
# Arguments: the program (bin/Vaultwick of the build, or /usr/bin/Vaultwick)
# and "portable" or "installed".

_clipboard_is() { [[ $(e2e_clipboard) == "$1" ]]; }

scenario_main() {
    local program=$1 layout=$2 status query editor main config data
    e2e_fake_browser
    if [[ $layout == portable ]]; then
        program="$(e2e_copy_program_folder "$(dirname "$program")")/Vaultwick"
    fi

    "$program" --help >"$E2E_OUT/help.log" || e2e_fail "--help failed"
    grep -q -- '--query \[keywords\]' "$E2E_OUT/help.log" || e2e_fail "--help does not list --query"
    status=0
    "$program" --frobnicate 2>"$E2E_OUT/unknown.err" || status=$?
    e2e_expect_eq "$status" 2 "exit status of an unknown option"
    grep -q "unknown option '--frobnicate'" "$E2E_OUT/unknown.err" || e2e_fail "no clear message for an unknown option"

    # --quit with nothing running does nothing: no start, no files, status 0.
    "$program" --quit || e2e_fail "--quit with no program running failed"
    [[ ! -e "$(dirname "$program")/db.init" && ! -e "$XDG_CONFIG_HOME/vaultwick/db.init" ]] ||
        e2e_fail "--quit with no program running started one"
    grep -q -- '--quit' "$E2E_OUT/help.log" || e2e_fail "--help does not list --quit"

    # Nothing runs yet: the program starts, and after the first run it opens
    # the query window with the keywords typed in (the example entry 121).
    e2e_start_program app "$program" --query debian
    e2e_focus "$(e2e_wait_window '^Init Settings$' 30)"
    e2e_key Return
    # Offered a master password at once; Cancel keeps the vault without one.
    e2e_focus "$(e2e_wait_window '^Set Password$' 30)"
    e2e_key Escape
    query=$(e2e_wait_window '^Passwd Query$' 30)
    e2e_focus "$query"
    e2e_key Return
    e2e_key ctrl+c
    e2e_retry "$E2E_TIMEOUT" _clipboard_is 456 || e2e_fail "query --debian copied '$(e2e_clipboard)'"
    e2e_screenshot commands-query "$query"
    e2e_key Escape
    e2e_wait_no_window '^Passwd Query$'

    # Later starts hand their command to the running instance and end.
    e2e_start_program add "$program" --add
    e2e_wait_exit add 20
    e2e_expect_eq "$E2E_EXIT_STATUS" 0 "--add exit status"
    editor=$(e2e_wait_window '^Entry$')
    e2e_focus "$editor"
    e2e_key Escape
    e2e_wait_no_window '^Entry$'
    e2e_start_program show "$program" --show
    e2e_wait_exit show 20
    e2e_expect_eq "$E2E_EXIT_STATUS" 0 "--show exit status"
    main=$(e2e_wait_window '^Vaultwick$')
    e2e_screenshot commands-main "$main"
    kill -0 "$(e2e_pid app)" || e2e_fail "the first instance ended"

    if [[ $layout == installed ]]; then
        config="$XDG_CONFIG_HOME/vaultwick"
        data="$XDG_DATA_HOME/vaultwick"
        e2e_expect_eq "$(e2e_file_mode "$config")" 700 "settings folder mode"
        e2e_expect_eq "$(e2e_file_mode "$data")" 700 "data folder mode"
        e2e_expect_eq "$(e2e_file_mode "$config/db.init")" 600 "db.init mode"
        e2e_expect_eq "$(e2e_file_mode "$data/Sqlite.db")" 600 "vault mode"
        [[ ! -e "$(dirname "$program")/db.init" ]] || e2e_fail "db.init written beside the installed program"
    else
        config=$(dirname "$program")
        [[ -s $config/db.init && -s $config/Sqlite.db ]] || e2e_fail "no db.init and vault beside the portable program"
    fi
    grep -qx "Exec=\"\\?$(dirname "$program")/VaultwickLauncher\"\\?" "$XDG_CONFIG_HOME/autostart/VaultwickStart.desktop" ||
        e2e_fail "the autostart entry does not run the launcher beside the program"

    # --quit ends the running program as the tray's Exit does, also while a
    # window of it is open.
    e2e_start_program add2 "$program" --add
    e2e_wait_exit add2 20
    e2e_wait_window '^Entry$' >/dev/null
    e2e_start_program quit "$program" --quit
    e2e_wait_exit quit 20
    e2e_expect_eq "$E2E_EXIT_STATUS" 0 "--quit exit status"
    e2e_wait_exit app 20
    e2e_expect_eq "$E2E_EXIT_STATUS" 0 "exit status of the program ended by --quit"
}
