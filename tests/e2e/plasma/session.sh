# A real KDE Plasma Wayland session without a screen, for the end-to-end
# tests: KWin on a virtual output with XWayland, its global shortcuts
# (kglobalaccel runs inside KWin), the desktop portal with its KDE back end,
# all on a private session bus. Keys go in through KWin's fake-input
# interface, so they pass its global shortcuts and its focus like a keyboard;
# the active window is asked of KWin's scripting. Sourced by run_e2e.sh after
# lib.sh when E2E_SESSION=plasma; every process is ended by e2e_cleanup.

PLASMA_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
PLASMA_PYTHON=/usr/bin/python3   # Debian's: the first python3 on PATH may not be
PLASMA_KWIN=/usr/bin/kwin_wayland
PLASMA_PORTAL=/usr/libexec/xdg-desktop-portal
PLASMA_PORTAL_KDE=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)/libexec/xdg-desktop-portal-kde

plasma_require_tools() {
    local tool missing=()
    for tool in "$PLASMA_KWIN" Xwayland "$PLASMA_PORTAL" "$PLASMA_PORTAL_KDE" wl-paste gdbus \
        dbus-daemon "$PLASMA_PYTHON"; do
        command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
    done
    # The KDE back end is a Qt 5 program: without qtwayland5 it cannot start.
    [[ -n $(find /usr/lib -path '*qt5/plugins/platforms/libqwayland-generic.so' 2>/dev/null | head -n1) ]] ||
        missing+=(qtwayland5)
    [[ -n $(find /usr/lib -path '*qt6/plugins/platforms/libqwayland-generic.so' 2>/dev/null | head -n1) ]] ||
        missing+=(qt6-wayland)
    if ((${#missing[@]})); then
        e2e_log "missing: ${missing[*]} (install scripts/packages-test.txt)"
        exit "${E2E_MISSING_STATUS:-77}"
    fi
}

_plasma_has_x() { [[ -s $E2E_OUT/xdisplay ]]; }
_plasma_has_name() { gdbus call --session --timeout 5 -d org.freedesktop.DBus -o /org/freedesktop/DBus \
    -m org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true; }
_plasma_portal_ready() { gdbus call --session --timeout 5 -d org.freedesktop.portal.Desktop -o /org/freedesktop/portal/desktop \
    -m org.freedesktop.DBus.Properties.Get org.freedesktop.portal.GlobalShortcuts version >/dev/null 2>&1; }

plasma_start() {
    local socket="vw-e2e-$$" line
    mkdir -p "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_CONFIG_HOME"
    # KWin offers fake input only to programs its desktop entries name, found
    # through KService's cache, which KWin reads at a moment of its own:
    # measured unreliable here. A session made for tests lifts the check.
    export KWIN_WAYLAND_NO_PERMISSION_CHECKS=1
    export KWIN_COMPOSE=Q XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=$socket
    unset DISPLAY
    # XWayland's socket folder; KWin ends without it.
    [[ -d /tmp/.X11-unix ]] || { mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix; }

    # The bus a desktop session has: the installed services (portal, back end) start on demand.
    rm -f "$E2E_OUT/bus.address"
    dbus-daemon --session --nofork --print-address=3 3>"$E2E_OUT/bus.address" >"$E2E_OUT/bus.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_retry "$E2E_TIMEOUT" test -s "$E2E_OUT/bus.address" || e2e_fail "no session bus"
    read -r line <"$E2E_OUT/bus.address"
    export DBUS_SESSION_BUS_ADDRESS=$line

    # The installed binary carries a file capability that a container refuses
    # to execute; a plain copy runs.
    cp "$PLASMA_KWIN" "$E2E_OUT/kwin_wayland"
    rm -f "$E2E_OUT/xdisplay"
    "$E2E_OUT/kwin_wayland" --virtual --xwayland --width 1280 --height 1024 --socket "$socket" --no-lockscreen \
        "sh -c 'echo \"\$DISPLAY\" >\"$E2E_OUT/xdisplay\"'" >"$E2E_OUT/kwin.log" 2>&1 &
    E2E_PIDS+=($!)
    PLASMA_KWIN_PID=$!
    e2e_retry 30 _plasma_has_x || e2e_fail "KWin did not start (see $E2E_OUT/kwin.log)"
    PLASMA_X_DISPLAY=$(<"$E2E_OUT/xdisplay")
    e2e_retry 30 _plasma_has_name org.kde.kglobalaccel || e2e_fail "no kglobalaccel in KWin"

    QT_QPA_PLATFORM=wayland "$PLASMA_PORTAL_KDE" >"$E2E_OUT/portal-kde.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_retry 30 _plasma_has_name org.freedesktop.impl.portal.desktop.kde || e2e_fail "the KDE portal back end did not start"
    "$PLASMA_PORTAL" --replace >"$E2E_OUT/portal.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_retry 30 _plasma_portal_ready || e2e_fail "no GlobalShortcuts portal (see $E2E_OUT/portal.log)"
    e2e_log "Plasma session on wayland $WAYLAND_DISPLAY, XWayland $PLASMA_X_DISPLAY"
}

# plasma_start_program NAME PLATFORM COMMAND [ARGS...]: PLATFORM wayland
# (native) or xcb (through XWayland); output in $E2E_OUT/NAME.log.
plasma_start_program() {
    local name=$1 platform=$2
    shift 2
    QT_QPA_PLATFORM=$platform DISPLAY=$PLASMA_X_DISPLAY "$@" </dev/null >"$E2E_OUT/$name.log" 2>"$E2E_OUT/$name.err" &
    E2E_PIDS+=($!)
    E2E_PROGRAM_PID[$name]=$!
    e2e_log "started $name (pid $!, $platform): $*"
}

# plasma_keys STEP...: key combinations (alt+q, ctrl+c, Return) or text:WORDS.
plasma_keys() { "$PLASMA_PYTHON" "$PLASMA_HERE/fake_keys.py" "$@" || e2e_fail "fake input refused: $*"; }

# plasma_eval EXPRESSION: the value of a KWin script expression (its
# print() goes to KWin's output).
plasma_eval() {
    local script tag id
    # Called in $(...): a counter would not survive, the clock does.
    tag="VWE2E$(date +%s%N)"
    script="$E2E_OUT/$tag.js"
    printf 'print("%s=" + (%s));\n' "$tag" "$1" >"$script"
    id=$(gdbus call --session --timeout 5 -d org.kde.KWin -o /Scripting -m org.kde.kwin.Scripting.loadScript "$script" "$tag" |
        grep -oE '[0-9]+' | head -n1) || return 1
    gdbus call --session --timeout 5 -d org.kde.KWin -o "/$id" -m org.kde.kwin.Script.run >/dev/null 2>&1 || return 1
    e2e_retry 5 grep -q "$tag=" "$E2E_OUT/kwin.log" || return 1
    gdbus call --session --timeout 5 -d org.kde.KWin -o /Scripting -m org.kde.kwin.Scripting.unloadScript "$tag" >/dev/null 2>&1
    rm -f "$script"
    grep -oE "$tag=.*" "$E2E_OUT/kwin.log" | tail -n1 | cut -d= -f2-
}

# The caption of the window KWin has given the keyboard to.
plasma_active_window() { plasma_eval 'workspace.activeClient ? workspace.activeClient.caption : ""'; }

# The captions of the windows of process PID, joined by '|'.
plasma_windows_of() {
    plasma_eval "workspace.clientList().filter(function (c) { return c.pid == $1; }).map(function (c) { return c.caption; }).join('|')"
}

_plasma_active_is() { [[ $(plasma_active_window) =~ $1 ]]; }

# plasma_wait_active REGEX [SECONDS]: the window with that caption has the keyboard.
plasma_wait_active() {
    e2e_retry "${2:-$E2E_TIMEOUT}" _plasma_active_is "$1" ||
        e2e_fail "'$1' does not have the keyboard (KWin's active window: '$(plasma_active_window)')"
    e2e_log "'$1' has the keyboard"
}

# wl-paste waits for the clipboard's owner to send its data: bounded.
plasma_clipboard() { timeout 5 wl-paste --no-newline 2>/dev/null || true; }
plasma_clipboard_types() { timeout 5 wl-paste --list-types 2>/dev/null || true; }
