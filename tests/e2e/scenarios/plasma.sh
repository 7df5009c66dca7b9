# Vaultwick on a real KDE Plasma Wayland session (E2E_SESSION=plasma): the
# first run, Alt+Q pressed through the compositor reaching the program
# through the desktop portal and opening the query window with the keyboard
# in it, Ctrl+C putting the password on the Wayland clipboard and the
# clipboard emptied ten seconds later, --query and --add from a second
# process reaching the running program. No message box may come up: a
# notice would mean the desktop did not bind the keys (there is no tray
# without Plasma's panel, so the main window stays on screen).
# Arguments: the program folder of the build (bin/), and the Qt platform:
# wayland (native client) or xcb (through XWayland).

_clipboard_is() { [[ $(plasma_clipboard) == "$1" ]]; }
_clipboard_empty() { [[ -z $(plasma_clipboard) ]]; }
_active_is_query() { _plasma_active_is '^Passwd Query$'; }

# The keys are bound once the program's start-up has asked the portal: press
# until the window comes.
alt_q_until_query() {
    local i
    for ((i = 0; i < 10; i++)); do
        plasma_keys alt+q
        if e2e_retry 2 _active_is_query; then
            return
        fi
    done
    e2e_fail "Alt+Q did not open the query window (KWin's active window: '$(plasma_active_window)')"
}

scenario_main() {
    local bin=$1 platform=$2 dir start
    dir=$(e2e_copy_program_folder "$bin")
    e2e_fake_browser

    plasma_start_program app "$platform" "$dir/Vaultwick"
    plasma_wait_active '^Init Settings$' 30
    plasma_keys Return
    # The master password offered next: Esc keeps the vault without one.
    plasma_wait_active '^Set Password$' 30
    plasma_keys Escape
    # Without a panel there is no tray: the notice that says how to reach the
    # program may come first; it is answered like any message box.
    if ! e2e_retry 5 _plasma_active_is '^Vaultwick$'; then
        e2e_log "after the first run: '$(plasma_active_window)' in front"
        plasma_keys Return
    fi
    plasma_wait_active '^Vaultwick$' 30
    # The main window, and at most the one-time notice about the missing tray.
    e2e_expect_eq "$(plasma_windows_of "$(e2e_pid app)" | tr '|' '\n' | sort -u | tr -d '\n')" Vaultwick "windows after the first run"

    alt_q_until_query
    plasma_keys text:debian Return ctrl+c
    e2e_retry "$E2E_TIMEOUT" _clipboard_is 456 || e2e_fail "wl-paste gives '$(plasma_clipboard)'"
    start=$SECONDS
    plasma_clipboard_types | grep -qx 'x-kde-passwordManagerHint' ||
        e2e_fail "no password-manager hint: $(plasma_clipboard_types | tr '\n' ' ')"
    plasma_keys Escape
    e2e_retry 14 _clipboard_empty || e2e_fail "the clipboard still holds the password"
    ((SECONDS - start >= 9)) || e2e_fail "clipboard emptied after $((SECONDS - start)) s"

    # A second process hands its command to the running program and ends.
    plasma_start_program query "$platform" "$dir/Vaultwick" --query debian
    e2e_wait_exit query 20
    e2e_expect_eq "$E2E_EXIT_STATUS" 0 "--query exit status"
    plasma_wait_active '^Passwd Query$'
    plasma_keys Escape
    plasma_start_program add "$platform" "$dir/Vaultwick" --add
    e2e_wait_exit add 20
    e2e_expect_eq "$E2E_EXIT_STATUS" 0 "--add exit status"
    plasma_wait_active '^Entry$'
    plasma_keys Escape

    # A panel that starts after the program: the icon registers with its
    # tray. Qt settles at its first tray object whether the tray goes over
    # D-Bus, the only way a Wayland client has.
    if [[ $platform == wayland ]]; then
        "$PLASMA_PYTHON" "$PLASMA_HERE/fake_tray_host.py" "$E2E_OUT/tray-items" >"$E2E_OUT/tray-host.log" 2>&1 &
        E2E_PIDS+=($!)
        e2e_retry 10 test -s "$E2E_OUT/tray-items" || e2e_fail "the icon did not come to a panel started late"
        e2e_log "tray items: $(tr '\n' ' ' <"$E2E_OUT/tray-items")"
    fi

    kill -0 "$(e2e_pid app)" 2>/dev/null || e2e_fail "the program ended"
    e2e_expect_eq "$(plasma_windows_of "$(e2e_pid app)" | tr '|' '\n' | sort -u | tr -d '\n')" Vaultwick "windows at the end"
}
