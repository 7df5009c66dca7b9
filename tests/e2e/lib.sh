# Helpers of the desktop end-to-end tests: a private X server with a tray
# host, programs started on it, real input through xdotool, the real
# clipboard through xclip, screenshots. Sourced by run_e2e.sh; every wait has
# a time-out and every process started here is ended by e2e_cleanup.
#
# Output (logs, screenshots) goes to $E2E_OUT.
#
# A scenario (scenarios/NAME.sh) defines scenario_main, which receives the
# arguments given after it, and is registered in CMakeLists.txt with
# vw_add_e2e_test. Typical steps:
#   dir=$(e2e_copy_program_folder "$bin")     fresh portable folder
#   e2e_start_program app "$dir/Vaultwick"     output in $E2E_OUT/app.log
#   id=$(e2e_wait_window '^Vaultwick$')        title regex, time-out
#   e2e_focus "$id"; e2e_type 'text'; e2e_key ctrl+c
#   [[ $(e2e_clipboard) == secret ]] || e2e_fail "..."
#   e2e_screenshot settings "$id"
#   e2e_wait_exit app; e2e_expect_eq "$E2E_EXIT_STATUS" 0 "exit status"

E2E_TIMEOUT=${E2E_TIMEOUT:-10}   # default seconds for every wait
E2E_SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)   # the source tree
E2E_PIDS=()                      # processes to end at clean-up, newest last
declare -A E2E_PROGRAM_PID=()    # program name -> pid
declare -A E2E_PROGRAM_IN=()     # program name -> fd of its standard input

e2e_log() { printf '[e2e %s] %s\n' "$(date +%T)" "$*" >&2; }

e2e_fail() {
    e2e_log "FAIL: $*"
    e2e_screenshot "failure" || true
    exit 1
}

e2e_require_tools() {
    local tool missing=()
    # E2E_WM=openbox: the run has a window manager, as a desktop has.
    for tool in Xvfb xdotool xclip trayer import xprop ${E2E_WM:-} "$@"; do
        command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
    done
    if ((${#missing[@]})); then
        e2e_log "missing tools: ${missing[*]} (install scripts/packages-test.txt)"
        exit "${E2E_MISSING_STATUS:-77}"
    fi
}

# Runs "$@" until it succeeds or $1 seconds have passed.
e2e_retry() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

# Starts Xvfb on the first free display (-displayfd picks it) and, unless
# E2E_TRAY=none, a tray host.
e2e_start_display() {
    local fifo="$E2E_OUT/.displayfd"
    rm -f "$fifo"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$fifo" \
        >"$E2E_OUT/xvfb.log" 2>&1 &
    E2E_PIDS+=($!)
    local number=""
    read -r -t "$E2E_TIMEOUT" number <"$fifo" || true
    rm -f "$fifo"
    [[ -n $number ]] || e2e_fail "Xvfb did not start (see $E2E_OUT/xvfb.log)"
    export DISPLAY=":$number"
    e2e_log "X server on $DISPLAY"

    if [[ -n ${E2E_WM:-} ]]; then
        "$E2E_WM" --sm-disable >"$E2E_OUT/wm.log" 2>&1 &
        E2E_PIDS+=($!)
        e2e_retry "$E2E_TIMEOUT" _e2e_wm_ready || e2e_fail "$E2E_WM did not start (see $E2E_OUT/wm.log)"
        e2e_log "window manager $E2E_WM"
    fi

    [[ ${E2E_TRAY:-} == none ]] || e2e_start_tray_host
}

# A tray host (trayer), as a desktop panel that may start late or restart.
e2e_start_tray_host() {
    trayer --edge bottom --align right --widthtype request --height 32 \
        --SetDockType true --transparent false >>"$E2E_OUT/trayer.log" 2>&1 &
    E2E_PIDS+=($!)
    E2E_TRAY_PID=$!
    e2e_retry "$E2E_TIMEOUT" e2e_tray_host_ready || e2e_fail "trayer did not take the tray"
    e2e_log "tray host started"
}

e2e_stop_tray_host() {
    kill "$E2E_TRAY_PID" 2>/dev/null || true
    e2e_retry "$E2E_TIMEOUT" _e2e_gone "$E2E_TRAY_PID" || e2e_fail "trayer did not end"
    wait "$E2E_TRAY_PID" 2>/dev/null || true
    e2e_log "tray host stopped"
}

# e2e_window_state ID: Normal, Iconic (minimised) or Withdrawn (hidden).
e2e_window_state() {
    local state
    state=$(xprop -id "$1" WM_STATE 2>/dev/null | awk '/window state:/ {print $3}')
    echo "${state:-Withdrawn}"
}

# A window manager names itself on the root window.
_e2e_wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

e2e_tray_host_ready() {
    # The tray host owns the selection _NET_SYSTEM_TRAY_S0.
    xdotool search --class trayer >/dev/null 2>&1
}

# e2e_start_program NAME COMMAND [ARGS...]: runs a program on the test display
# with Qt on X11 (never offscreen), its output in $E2E_OUT/NAME.log and its
# standard input fed by e2e_send NAME.
e2e_start_program() {
    local name=$1
    shift
    local fifo="$E2E_OUT/$name.in"
    rm -f "$fifo"
    mkfifo "$fifo"
    QT_QPA_PLATFORM=xcb DISPLAY="$DISPLAY" "$@" <"$fifo" >"$E2E_OUT/$name.log" 2>"$E2E_OUT/$name.err" &
    local pid=$!
    local fd
    exec {fd}>"$fifo"
    E2E_PIDS+=("$pid")
    E2E_PROGRAM_PID[$name]=$pid
    E2E_PROGRAM_IN[$name]=$fd
    e2e_log "started $name (pid $pid): $*"
}

e2e_pid() { echo "${E2E_PROGRAM_PID[$1]}"; }

e2e_send() {
    local name=$1
    shift
    printf '%s\n' "$*" >&"${E2E_PROGRAM_IN[$name]}"
}

# Closes a program's standard input (many programs end on it).
e2e_close_input() {
    local fd=${E2E_PROGRAM_IN[$1]}
    [[ -n $fd ]] && exec {fd}>&-
    unset "E2E_PROGRAM_IN[$1]"
}

_e2e_gone() { ! kill -0 "$1" 2>/dev/null; }
_e2e_no_window() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
_e2e_log_has() { (($(grep -cE -- "$2" "$E2E_OUT/$1.log" 2>/dev/null || true) >= $3)); }

# e2e_wait_exit NAME [SECONDS]: waits for the program to end; its exit status
# is left in E2E_EXIT_STATUS. (Not in a $(...): only this shell can reap it.)
e2e_wait_exit() {
    local pid=${E2E_PROGRAM_PID[$1]}
    e2e_retry "${2:-$E2E_TIMEOUT}" _e2e_gone "$pid" || e2e_fail "$1 did not end"
    E2E_EXIT_STATUS=0
    wait "$pid" || E2E_EXIT_STATUS=$?
}

# e2e_wait_window NAME_REGEX [SECONDS]: prints the id of the first visible
# window whose title matches.
e2e_wait_window() {
    local pattern=$1 seconds=${2:-$E2E_TIMEOUT} id=""
    local deadline=$((SECONDS + seconds))
    while :; do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1) || true
        [[ -n $id ]] && break
        ((SECONDS < deadline)) || e2e_fail "no window named '$pattern' within ${seconds}s"
        sleep 0.1
    done
    echo "$id"
}

# e2e_wait_no_window NAME_REGEX [SECONDS]
e2e_wait_no_window() {
    e2e_retry "${2:-$E2E_TIMEOUT}" _e2e_no_window "$1" || e2e_fail "window '$1' still shown"
}

# e2e_wait_log NAME REGEX [SECONDS] [COUNT]: waits until the program's output
# has COUNT (default 1) lines matching REGEX; prints the last of them.
e2e_wait_log() {
    local name=$1 pattern=$2
    e2e_retry "${3:-$E2E_TIMEOUT}" _e2e_log_has "$name" "$pattern" "${4:-1}" ||
        e2e_fail "$name: no '$pattern' (x${4:-1}); output: $(tail -n5 "$E2E_OUT/$name.log" | tr '\n' '|')"
    grep -E -- "$pattern" "$E2E_OUT/$name.log" | tail -n1
}

e2e_log_count() { grep -cE -- "$2" "$E2E_OUT/$1.log" 2>/dev/null || true; }

# Keyboard focus without a window manager: windowfocus, never windowactivate.
e2e_focus() { xdotool windowfocus --sync "$1"; }

# e2e_key KEY...: xdotool key names, e.g. alt+q ctrl+c Return.
e2e_key() { xdotool key --delay 40 "$@"; }

# e2e_type TEXT: types into the focused window.
e2e_type() { xdotool type --delay 30 -- "$1"; }

# e2e_click X Y [BUTTON] [REPEAT]
e2e_click() {
    # One connection keeps the move before the click; --sync would wait 15 s
    # when the pointer is already there.
    xdotool mousemove "$1" "$2" click --repeat "${4:-1}" --delay 80 "${3:-1}"
}

# e2e_tray_icon_center: prints "X Y", the middle of the tray host's panel
# once an icon sits in it (with one icon, the middle of that icon).
_e2e_tray_panel() {
    local id
    id=$(xdotool search --onlyvisible --class trayer 2>/dev/null | tail -n1) || return 1
    [[ -n $id ]] || return 1
    eval "$(xdotool getwindowgeometry --shell "$id")"
    ((WIDTH > 16)) && echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}
e2e_tray_icon_center() {
    e2e_retry "$E2E_TIMEOUT" _e2e_tray_panel >/dev/null || e2e_fail "no icon in the tray"
    _e2e_tray_panel
}

e2e_clipboard() { xclip -o -selection clipboard 2>/dev/null || true; }
e2e_clipboard_targets() { xclip -o -selection clipboard -t TARGETS 2>/dev/null || true; }

# Puts text on the clipboard as another program would. xclip serves it from
# a background process that takes the selection after the command returns.
_e2e_clipboard_is() { [[ $(e2e_clipboard) == "$1" ]]; }
e2e_clipboard_set() {
    printf '%s' "$1" | xclip -i -selection clipboard >/dev/null 2>&1
    e2e_retry "$E2E_TIMEOUT" _e2e_clipboard_is "$1" || e2e_fail "xclip did not take the clipboard"
}

# e2e_screenshot NAME [WINDOW_ID]: the whole screen (or one window) as
# $E2E_OUT/screens/NAME.png; prints nothing, logs the path.
e2e_screenshot() {
    [[ -n ${DISPLAY:-} ]] || return 1
    mkdir -p "$E2E_OUT/screens"
    import -display "$DISPLAY" -window "${2:-root}" "$E2E_OUT/screens/$1.png" &&
        e2e_log "screenshot $E2E_OUT/screens/$1.png"
}

# e2e_copy_program_folder BIN_DIR: a fresh copy of the portable program
# folder (programs, libraries, language files, nothing written by a run) in
# $E2E_OUT/program; prints its path.
e2e_copy_program_folder() {
    local target="$E2E_OUT/program"
    rm -rf "$target"
    mkdir -p "$target"
    cp -a "$1"/. "$target"/
    rm -f "$target"/db.init "$target"/Sqlite.db
    rm -rf "$target"/Backup
    echo "$target"
}

# e2e_file_mode PATH: the permission bits in octal, e.g. 600.
e2e_file_mode() { stat -c '%a' "$1"; }

# The window that has the keyboard: the active one under a window manager,
# else the focused top-level window. Decimal id.
e2e_front_window() {
    if [[ -n ${E2E_WM:-} ]]; then
        xdotool getactivewindow 2>/dev/null
    else
        xdotool getwindowfocus -f 2>/dev/null
    fi
}

# Windows of process PID in stacking order, bottom first (decimal ids);
# needs a window manager.
e2e_stacking_of() {
    local id
    for id in $(xprop -root _NET_CLIENT_LIST_STACKING | grep -oE '0x[0-9a-f]+'); do
        [[ $(xdotool getwindowpid "$id" 2>/dev/null) == "$1" ]] && printf '%d\n' "$id"
    done
}

_e2e_is_front() { [[ $(e2e_front_window) == "$1" ]]; }
_e2e_on_top_of() { [[ $(e2e_stacking_of "$2" | tail -n1) == "$1" ]]; }

# e2e_expect_front WINDOW_ID WHAT PID: the window has the keyboard without
# being given it, and (under a window manager) lies above every other
# window of the program.
e2e_expect_front() {
    e2e_retry "$E2E_TIMEOUT" _e2e_is_front "$1" ||
        e2e_fail "$2 does not have the focus (it went to '$(xdotool getwindowname "$(e2e_front_window)" 2>/dev/null)')"
    if [[ -n ${E2E_WM:-} ]]; then
        e2e_retry "$E2E_TIMEOUT" _e2e_on_top_of "$1" "$3" || e2e_fail "$2 is not on top: $(e2e_stacking_of "$3" | tr '\n' ' ')"
    fi
    e2e_log "$2 is in front"
}

e2e_expect_eq() {
    [[ $1 == "$2" ]] || e2e_fail "${3:-value}: expected '$2', got '$1'"
}

# e2e_fake_browser: a stand-in xdg-open first in PATH records each address
# the program opens, one a line, in $E2E_OUT/opened-urls (emptied here).
e2e_fake_browser() {
    mkdir -p "$E2E_OUT/fakebin"
    printf '#!/bin/sh\necho "$1" >>"%s/opened-urls"\n' "$E2E_OUT" >"$E2E_OUT/fakebin/xdg-open"
    chmod +x "$E2E_OUT/fakebin/xdg-open"
    export PATH="$E2E_OUT/fakebin:$PATH"
    rm -f "$E2E_OUT/opened-urls"
}

# e2e_first_start NAME PROGRAM: starts PROGRAM as NAME on a fresh folder,
# takes the first-run dialog's default (Enter) and keeps the vault without a
# master password (Esc on the offer); the main window's id is left in
# E2E_MAIN_WINDOW (not printed: the program must be started in this shell).
e2e_first_start() {
    e2e_start_program "$1" "$2"
    e2e_focus "$(e2e_wait_window '^Init Settings$' 30)"
    e2e_key Return
    e2e_focus "$(e2e_wait_window '^Set Password$' 30)"
    e2e_key Escape
    E2E_MAIN_WINDOW=$(e2e_wait_window '^Vaultwick$' 30)
}

# e2e_click_main_control WINDOW NAME: clicks a control of the main window
# near its left end (where a check box has its box), from its template
# rectangle (dialog units: 7/4 pixel across, 15/8 down).
e2e_click_main_control() {
    local window=$1 name=$2 rect x y w h X Y
    rect=$(grep -E "\{$name, " "$E2E_SOURCE/shell/MainTemplate.cpp" | grep -oE '\{[0-9]+, [0-9]+, [0-9]+, [0-9]+\}' | head -n1)
    [[ -n $rect ]] || e2e_fail "no rectangle for $name"
    read -r x y w h <<<"$(tr -d '{},' <<<"$rect")"
    # Where the client area starts on the screen, frame or not.
    X=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {print $4}')
    Y=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/ {print $4}')
    e2e_click $((X + (x + 5) * 7 / 4)) $((Y + (y + h / 2) * 15 / 8))
}

# e2e_hot_key_until_window KEY PATTERN: presses a hot key until the window it
# opens is shown (the program grabs its keys only once its start-up is
# through); prints the window's id.
_e2e_shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
e2e_hot_key_until_window() {
    local key=$1 pattern=$2 i
    for ((i = 0; i < 15; i++)); do
        e2e_key "$key"
        if e2e_retry 2 _e2e_shown "$pattern"; then
            e2e_wait_window "$pattern"
            return
        fi
    done
    e2e_fail "$key did not open '$pattern'"
}

# e2e_quit_from_tray NAME: Exit from the tray menu (its last item), and the
# program started as NAME ends with status 0.
e2e_quit_from_tray() {
    local xy
    xy=$(e2e_tray_icon_center)
    # shellcheck disable=SC2086
    e2e_click $xy 3
    e2e_wait_window '^Tray menu$' >/dev/null
    e2e_key Up Return
    e2e_wait_exit "$1" 20
    e2e_expect_eq "$E2E_EXIT_STATUS" 0 "$1 exit status"
}

# e2e_wait_box OWNER WHAT PID: a message box comes up in front of OWNER with
# the keyboard; the screen is saved as e2e-box-WHAT (spaces as dashes).
# Prints the box's id.
_e2e_front_is_not() { [[ $(e2e_front_window) != "$1" ]]; }
e2e_wait_box() {
    local box
    e2e_retry "$E2E_TIMEOUT" _e2e_front_is_not "$1" || e2e_fail "no message box in front: $2"
    box=$(e2e_front_window)
    e2e_expect_front "$box" "$2" "$3" >&2
    e2e_screenshot "e2e-box-${2// /-}" >&2
    echo "$box"
}

# e2e_answer_box OWNER WHAT PID [KEY...]: as e2e_wait_box, then the box is
# answered with KEY (Return).
e2e_answer_box() {
    local box
    box=$(e2e_wait_box "$1" "$2" "$3")
    shift 3
    e2e_key "${@:-Return}"
    echo "$box"
}

# The middle of a window, in root coordinates.
_e2e_centre_of() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}
_e2e_centred() {
    local x y ox oy
    read -r x y <<<"$(_e2e_centre_of "$1")"
    read -r ox oy <<<"$(_e2e_centre_of "$2")"
    E2E_CENTRES="$x,$y, its owner's at $ox,$oy"
    ((x - ox <= 4 && ox - x <= 4 && y - oy <= 4 && oy - y <= 4))
}

# e2e_expect_centred BOX OWNER WHAT: the middle of BOX is that of OWNER, within
# 4 pixels each way (within a moment: a box wrapping its text takes its size
# once shown).
e2e_expect_centred() {
    e2e_retry 3 _e2e_centred "$1" "$2" || e2e_fail "$3: its middle is at $E2E_CENTRES"
    e2e_log "$3: centred: middle at $E2E_CENTRES"
}

e2e_cleanup() {
    local fd i
    for fd in "${E2E_PROGRAM_IN[@]}"; do exec {fd}>&- 2>/dev/null || true; done
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        kill "${E2E_PIDS[i]}" 2>/dev/null || true
    done
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        e2e_retry 5 _e2e_gone "${E2E_PIDS[i]}" || kill -9 "${E2E_PIDS[i]}" 2>/dev/null || true
        wait "${E2E_PIDS[i]}" 2>/dev/null || true
    done
    rm -f "$E2E_OUT"/*.in
}
