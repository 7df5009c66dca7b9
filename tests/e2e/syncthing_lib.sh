# Two Syncthing instances ("devices" a and b) sharing one folder, for the
# tests and the benchmark of a vault kept in step between computers.
# Network safety: call st_require_private_network first; it refuses to run
# unless the only network interface is loopback (a private network namespace,
# see run_sync_e2e.sh). Every instance listens on 127.0.0.1 only, with
# discovery, relays, NAT traversal, usage and crash reporting and upgrades
# off, and st_check_settings reads this back from each instance before
# anything is synced.
# Needs: ST_ROOT (a folder for the homes), e2e_log / e2e_fail / e2e_retry.

ST_APIKEY=vaultwick-e2e-key
declare -A ST_GUI_PORT=([a]=28384 [b]=28385)
declare -A ST_SYNC_PORT=([a]=22001 [b]=22002)
declare -A ST_ID ST_PID
# The synced folder of each device (default: $ST_ROOT/DEVICE/folder).
declare -A ST_FOLDER

st_require_private_network() {
    local links
    links=$(ip -o link show | awk -F': ' '{print $2}' | sed 's/@.*//' | sort -u | tr '\n' ' ')
    [[ $links == "lo " ]] || e2e_fail "refusing to start sync engines outside a private network namespace (links: $links)"
    ip -o link show lo | grep -q 'UP' || e2e_fail "loopback is down in the private network namespace"
}

# st_generate DEVICE: keys and an identity in $ST_ROOT/DEVICE/home.
st_generate() {
    local dev=$1 home="$ST_ROOT/$1/home"
    ST_FOLDER[$dev]=${ST_FOLDER[$dev]:-$ST_ROOT/$dev/folder}
    # A fresh identity and index each run: an old index would want its folder marker back.
    rm -rf "$home"
    mkdir -p "$home" "${ST_FOLDER[$dev]}"
    ST_ID[$dev]=$(syncthing generate --home="$home" --no-default-folder --skip-port-probing 2>&1 |
        grep -oE 'Device ID: [A-Z0-9-]+' | awk '{print $3}')
    [[ -n ${ST_ID[$dev]} ]] || e2e_fail "syncthing generate gave no device id for $dev"
}

# st_write_config DEVICE: the whole configuration, written by us.
st_write_config() {
    local dev=$1 other=$2 home="$ST_ROOT/$1/home"
    cat >"$home/config.xml" <<EOC
<configuration version="35">
    <folder id="vault" label="vault" path="${ST_FOLDER[$dev]}" type="sendreceive" rescanIntervalS="3600" fsWatcherEnabled="true" fsWatcherDelayS="1" ignorePerms="false" autoNormalize="true">
        <device id="${ST_ID[a]}"></device>
        <device id="${ST_ID[b]}"></device>
        <minDiskFree unit="%">0</minDiskFree>
        <!-- Left out, it would be 0 here (not the engine's usual 10): the
             older side of a conflict would be dropped without a copy. -->
        <maxConflicts>10</maxConflicts>
    </folder>
    <device id="${ST_ID[$dev]}" name="$dev" compression="metadata">
        <address>dynamic</address>
    </device>
    <device id="${ST_ID[$other]}" name="$other" compression="metadata">
        <address>tcp://127.0.0.1:${ST_SYNC_PORT[$other]}</address>
    </device>
    <gui enabled="true" tls="false">
        <address>127.0.0.1:${ST_GUI_PORT[$dev]}</address>
        <apikey>$ST_APIKEY</apikey>
    </gui>
    <options>
        <listenAddress>tcp://127.0.0.1:${ST_SYNC_PORT[$dev]}</listenAddress>
        <globalAnnounceServer>default</globalAnnounceServer>
        <globalAnnounceEnabled>false</globalAnnounceEnabled>
        <localAnnounceEnabled>false</localAnnounceEnabled>
        <relaysEnabled>false</relaysEnabled>
        <natEnabled>false</natEnabled>
        <urAccepted>-1</urAccepted>
        <urSeen>3</urSeen>
        <crashReportingEnabled>false</crashReportingEnabled>
        <autoUpgradeIntervalH>0</autoUpgradeIntervalH>
        <startBrowser>false</startBrowser>
        <announceLANAddresses>false</announceLANAddresses>
        <minHomeDiskFree unit="%">0</minHomeDiskFree>
    </options>
</configuration>
EOC
}

st_api() {
    local dev=$1 path=$2
    shift 2
    curl -sf --noproxy '*' -H "X-API-Key: $ST_APIKEY" "$@" "http://127.0.0.1:${ST_GUI_PORT[$dev]}$path"
}

_st_up() { st_api "$1" /rest/system/ping >/dev/null 2>&1; }

st_start() {
    local dev=$1
    STNOUPGRADE=1 syncthing serve --home="$ST_ROOT/$dev/home" --no-browser --no-restart --no-upgrade \
        --logflags=3 >"$ST_ROOT/$dev/syncthing.log" 2>&1 &
    ST_PID[$dev]=$!
    E2E_PIDS+=("${ST_PID[$dev]}")
    e2e_retry 60 _st_up "$dev" || e2e_fail "syncthing $dev did not answer (see $ST_ROOT/$dev/syncthing.log)"
}

# Reads the running configuration back: nothing may reach beyond loopback.
st_check_settings() {
    local dev=$1 options
    options=$(st_api "$dev" /rest/config/options) || e2e_fail "no options from syncthing $dev"
    python3 - "$options" "$dev" <<'EOP' || e2e_fail "syncthing $dev is not confined to loopback"
import json, sys
o = json.loads(sys.argv[1])
bad = []
want_false = ["globalAnnounceEnabled", "localAnnounceEnabled", "relaysEnabled", "natEnabled",
              "crashReportingEnabled", "startBrowser"]
bad += [k for k in want_false if o.get(k) is not False]
if o.get("urAccepted", 0) >= 0: bad.append("urAccepted")
if o.get("autoUpgradeIntervalH") != 0: bad.append("autoUpgradeIntervalH")
if any(not a.startswith("tcp://127.0.0.1:") for a in o.get("listenAddresses", [])): bad.append("listenAddresses")
if bad:
    print("unsafe settings:", bad, file=sys.stderr)
    sys.exit(1)
EOP
    local conflicts
    conflicts=$(st_api "$dev" /rest/config/folders/vault | python3 -c 'import json,sys; print(json.load(sys.stdin)["maxConflicts"])') ||
        e2e_fail "no folder settings from syncthing $dev"
    ((conflicts != 0)) || e2e_fail "syncthing $dev would keep no conflict copy"
    e2e_log "syncthing $dev: discovery, relays, NAT, reporting and upgrades off; listening on 127.0.0.1 only; conflict copies kept"
}

_st_connected() { st_api "$1" /rest/system/connections | python3 -c "
import json,sys; c=json.load(sys.stdin)['connections']; sys.exit(0 if c.get('$2',{}).get('connected') else 1)"; }

# st_setup: both devices generated, configured, started, checked, connected.
st_setup() {
    st_require_private_network
    st_generate a
    st_generate b
    st_write_config a b
    st_write_config b a
    local dev
    for dev in a b; do
        # The journal never travels (a folder may say more in its own .stignore).
        [[ -e ${ST_FOLDER[$dev]}/.stignore ]] || printf '%s\n' 'Sqlite.db-journal' >"${ST_FOLDER[$dev]}/.stignore"
        st_start "$dev"
        st_check_settings "$dev"
    done
    e2e_retry 60 _st_connected a "${ST_ID[b]}" || e2e_fail "the two syncthing devices did not connect"
    e2e_log "syncthing devices a and b connected over loopback"
}

# st_stop DEVICE: the engine ended; st_start brings it back with its index.
st_stop() {
    local pid=${ST_PID[$1]}
    kill "$pid" 2>/dev/null || true
    e2e_retry 30 _st_gone "$pid" || e2e_fail "syncthing $1 did not stop"
    wait "$pid" 2>/dev/null || true
}
_st_gone() { ! kill -0 "$1" 2>/dev/null; }

# The folder's local sequence: it grows with each change the engine scanned.
st_sequence() { st_api "$1" "/rest/db/status?folder=vault" | python3 -c 'import json,sys; print(json.load(sys.stdin)["sequence"])'; }
_st_moved_on() { local now; now=$(st_sequence "$1") && ((now > $2)); }
