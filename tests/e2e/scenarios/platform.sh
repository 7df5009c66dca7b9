# The platform services on a real X server: global hot keys (grabs, lock
# variants, refusals, release), the secret clipboard read by another client,
# and the tray icon under a tray host.
# Argument: the path of vw_platform_probe.

readonly ALT_Q=262225 ALT_W=262231 ALT_F1=262256 CTRL_ALT_K=393291

hotkeys_count() { e2e_log_count probe "^hotkey $1\$"; }

# Handles every input sent so far, then checks how often hot key $1 came.
expect_hotkeys() {
    e2e_send probe sync
    e2e_wait_log probe '^synced$' "$E2E_TIMEOUT" "$((++SYNCS))" >/dev/null
    e2e_expect_eq "$(hotkeys_count "$1")" "$2" "hot key $1 count"
}

scenario_main() {
    local probe=$1
    SYNCS=0
    e2e_start_program probe "$probe"
    local window
    window=$(e2e_wait_window '^Vaultwick Platform Probe$')

    # Hot keys: Alt+Q, Ctrl+Alt+K and the fixed Alt+F1.
    e2e_send probe register 13200 $ALT_Q
    e2e_expect_eq "$(e2e_wait_log probe '^registered 13200 ')" "registered 13200 1" "Alt+Q"
    e2e_send probe register 13100 $CTRL_ALT_K
    e2e_expect_eq "$(e2e_wait_log probe '^registered 13100 ')" "registered 13100 1" "Ctrl+Alt+K"
    e2e_send probe register 15000 $ALT_F1
    e2e_expect_eq "$(e2e_wait_log probe '^registered 15000 ')" "registered 15000 1" "Alt+F1"

    e2e_key alt+q
    e2e_wait_log probe '^hotkey 13200$' >/dev/null
    e2e_key ctrl+alt+k alt+F1
    e2e_wait_log probe '^hotkey 13100$' >/dev/null
    e2e_wait_log probe '^hotkey 15000$' >/dev/null

    # NumLock and CapsLock on do not hide the key; other modifiers do.
    e2e_key Num_Lock alt+q Num_Lock Caps_Lock alt+q Caps_Lock
    expect_hotkeys 13200 3
    e2e_focus "$window"
    e2e_key q ctrl+q alt+shift+q
    expect_hotkeys 13200 3

    # Refusals: a key this program already holds, a key another client holds.
    e2e_send probe register 99 $ALT_Q
    e2e_expect_eq "$(e2e_wait_log probe '^registered 99 ')" "registered 99 0" "Alt+Q twice"
    e2e_send probe foreign-grab $ALT_W
    e2e_expect_eq "$(e2e_wait_log probe '^foreign-grab ')" "foreign-grab 1" "other client grabs Alt+W"
    e2e_send probe register 13101 $ALT_W
    e2e_expect_eq "$(e2e_wait_log probe '^registered 13101 ')" "registered 13101 0" "Alt+W held elsewhere"

    # Unregistering releases the grab: no event, and another client may take it.
    e2e_send probe unregister 13200
    e2e_wait_log probe '^unregistered 13200$' >/dev/null
    e2e_key alt+q
    expect_hotkeys 13200 3
    e2e_send probe foreign-grab $ALT_Q
    e2e_expect_eq "$(e2e_wait_log probe '^foreign-grab ' 10 2)" "foreign-grab 1" "Alt+Q after release"

    # Clipboard: another client reads the copy, sees the secret hint, and the
    # clear empties it only while it still holds the copy.
    local secret='pässwörd "1" %s €'
    e2e_send probe copy "$secret"
    e2e_wait_log probe '^copied$' >/dev/null
    e2e_expect_eq "$(e2e_clipboard)" "$secret" "clipboard text"
    e2e_clipboard_targets | grep -qx 'x-kde-passwordManagerHint' ||
        e2e_fail "no secret hint among: $(e2e_clipboard_targets | tr '\n' ' ')"
    e2e_send probe clear
    e2e_expect_eq "$(e2e_wait_log probe '^cleared ')" "cleared 1" "clear of our copy"
    e2e_expect_eq "$(e2e_clipboard)" "" "clipboard after clear"

    e2e_send probe copy "$secret"
    e2e_wait_log probe '^copied$' 10 2 >/dev/null
    e2e_clipboard_set "copied by the user"
    e2e_send probe clear
    e2e_expect_eq "$(e2e_wait_log probe '^cleared ' 10 2)" "cleared 0" "clear after a user copy"
    e2e_expect_eq "$(e2e_clipboard)" "copied by the user" "clipboard keeps the user's copy"

    # Tray: the icon sits in trayer; a double click and the menu report back.
    e2e_send probe tray
    e2e_expect_eq "$(e2e_wait_log probe '^tray ')" "tray 1" "tray host available"
    local x y
    read -r x y <<<"$(e2e_tray_icon_center)"
    e2e_screenshot platform
    e2e_click $x $y 1 2
    e2e_wait_log probe '^tray-double$' >/dev/null
    e2e_click $x $y 3
    e2e_wait_window '^Tray menu$' >/dev/null
    e2e_screenshot tray-menu
    e2e_key Down Down Down Return
    e2e_expect_eq "$(e2e_wait_log probe '^tray-menu ')" "tray-menu 1028" "third menu item"

    e2e_send probe quit
    e2e_wait_exit probe
    e2e_expect_eq "$E2E_EXIT_STATUS" 0 "probe exit status"
}
