# Vaultwick on a desktop without a tray (E2E_TRAY=none, under openbox), and
# with a panel that starts late and restarts: closing the window puts it on
# the task bar and says once how to reach the program; a second start brings
# it back; the tray host started later gets the icon and closing hides into
# it from then on; the host gone, the hidden window comes back minimised, and
# the host back, so is the icon. A start that would start hidden shows the
# window minimised while there is no tray.
# Argument: the program folder of the build (bin/).

_state_is() { [[ $(e2e_window_state "$1") == "$2" ]]; }
expect_state() {
    e2e_retry "$E2E_TIMEOUT" _state_is "$1" "$2" || e2e_fail "$3: window state $(e2e_window_state "$1"), not $2"
}

_tray_panel_wide() {
    local id
    id=$(xdotool search --onlyvisible --class trayer 2>/dev/null | tail -n1)
    [[ -n $id ]] || return 1
    eval "$(xdotool getwindowgeometry --shell "$id")"
    ((WIDTH > 16))
}

scenario_main() {
    local bin=$1 dir main box app
    dir=$(e2e_copy_program_folder "$bin")
    e2e_fake_browser

    e2e_first_start app "$dir/Vaultwick"
    main=$E2E_MAIN_WINDOW
    app=$(e2e_pid app)

    # Closed without a tray: a notice in front of the window, then the task bar.
    e2e_expect_front "$main" "main window" "$app"
    e2e_key alt+F4
    e2e_retry "$E2E_TIMEOUT" _e2e_front_is_not "$main" || e2e_fail "no notice about the missing tray"
    box=$(e2e_front_window)
    e2e_expect_eq "$(xdotool getwindowname "$box")" Vaultwick "title of the notice"
    e2e_screenshot notray-notice
    e2e_key Return
    expect_state "$main" Iconic "closed without a tray"

    # A second start brings the window back to the front.
    e2e_start_program second "$dir/Vaultwick"
    e2e_wait_exit second 20
    expect_state "$main" Normal "after a second start"
    e2e_expect_front "$main" "main window after a second start" "$app"
    # Closed again: the task bar, no second notice.
    e2e_key alt+F4
    expect_state "$main" Iconic "closed again without a tray"
    e2e_expect_eq "$(xdotool search --onlyvisible --name '^Vaultwick$' | wc -l)" 0 "windows shown after the second close"

    # The panel starts late: the icon comes, and closing hides into it.
    e2e_start_tray_host
    e2e_retry 10 _tray_panel_wide || e2e_fail "the icon did not come to the late tray"
    e2e_start_program third "$dir/Vaultwick"
    e2e_wait_exit third 20
    expect_state "$main" Normal "shown for the tray test"
    e2e_focus "$main"
    e2e_key alt+F4
    expect_state "$main" Withdrawn "closed with a tray"

    # The panel goes away and comes back: so does the icon.
    e2e_stop_tray_host
    e2e_start_tray_host
    e2e_retry 10 _tray_panel_wide || e2e_fail "the icon did not come back to the restarted tray"
    e2e_screenshot notray-tray-back
    e2e_quit_from_tray app

    # A start that would start hidden (the default after the first run)
    # shows the window minimised while there is no tray.
    e2e_stop_tray_host
    e2e_start_program app "$dir/Vaultwick"
    e2e_retry 20 _first_window_of_app >/dev/null || e2e_fail "no window at a hidden start"
    expect_state "$(_first_window_of_app)" Iconic "a hidden start without a tray"
}

# The window manager's client of the program (Qt keeps hidden windows of the same name).
_first_window_of_app() { e2e_stacking_of "$(e2e_pid app)" | head -n1 | grep .; }
