# SPDX-License-Identifier: GPL-3.0-or-later
# A PipeWire of our own that JACK clients reach through PipeWire's JACK
# library, as on desktops where PipeWire is the sound server. It needs no
# sound hardware: PipeWire's dummy driver runs the graph, and JACK clients'
# MIDI ports are linked by the clients themselves. It runs as whoever calls
# it, root in a container too, with a runtime folder and a session D-Bus of
# its own, so a desktop's PipeWire is neither used nor disturbed. Sourced by
# scripts/test; it stops when the sourcing script exits or at
# quill_stop_pipewire.
#
#   quill_start_pipewire LOG    starts D-Bus, pipewire and wireplumber
#   quill_on_pipewire CMD...    runs CMD as a JACK client of that PipeWire
#   quill_stop_pipewire         stops them and removes the runtime folder

quill_pipewire_jack_libs() {
    local arch
    arch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
    echo "/usr/lib/$arch/pipewire-0.3/jack"
}

quill_start_pipewire() {
    local log=$1
    quill_pipewire_dir=$(mktemp -d /tmp/quill-pipewire.XXXXXX) # mode 0700
    mkdir -p "$quill_pipewire_dir/config/pipewire/pipewire.conf.d"
    # MIDI is handed on once per cycle: a short cycle keeps it timely, also
    # where PipeWire detects a virtual machine and would lengthen it.
    cat >"$quill_pipewire_dir/config/pipewire/pipewire.conf.d/quill.conf" <<'EOF'
context.properties = {
    default.clock.rate        = 48000
    default.clock.quantum     = 256
    default.clock.min-quantum = 64
    vm.overrides = {
        default.clock.min-quantum = 64
    }
}
EOF
    local bus
    bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1) || return 1
    quill_pipewire_dbus="${bus%%$'\n'*}"
    quill_pipewire_dbus_pid="${bus##*$'\n'}"
    _quill_add_exit_trap quill_stop_pipewire

    local env=(XDG_RUNTIME_DIR="$quill_pipewire_dir" XDG_CONFIG_HOME="$quill_pipewire_dir/config"
               DBUS_SESSION_BUS_ADDRESS="$quill_pipewire_dbus")
    env "${env[@]}" pipewire >"$log" 2>&1 &
    quill_pipewire_pid=$!
    local waited=0
    until [[ -S "$quill_pipewire_dir/pipewire-0" ]]; do
        if ((waited++ > 150)) || ! kill -0 "$quill_pipewire_pid" 2>/dev/null; then
            echo "PipeWire did not start:" >&2
            cat "$log" >&2
            return 1
        fi
        sleep 0.1
    done
    env "${env[@]}" wireplumber >>"$log" 2>&1 &
    quill_wireplumber_pid=$!
    # A JACK client that can open is the sign that the server takes clients.
    waited=0
    until quill_on_pipewire jack_lsp >/dev/null 2>&1; do
        if ((waited++ > 150)); then
            echo "PipeWire does not take JACK clients:" >&2
            cat "$log" >&2
            return 1
        fi
        sleep 0.1
    done
}

quill_on_pipewire() {
    env -u JACK_DEFAULT_SERVER XDG_RUNTIME_DIR="$quill_pipewire_dir" \
        DBUS_SESSION_BUS_ADDRESS="$quill_pipewire_dbus" \
        LD_LIBRARY_PATH="$(quill_pipewire_jack_libs)${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" "$@"
}

quill_stop_pipewire() {
    local pid
    # The session manager first, so it does not see PipeWire go away.
    for pid in ${quill_wireplumber_pid:-} ${quill_pipewire_pid:-}; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    if [[ -n "${quill_pipewire_dbus_pid:-}" ]]; then
        kill "$quill_pipewire_dbus_pid" 2>/dev/null || true
    fi
    if [[ -n "${quill_pipewire_dir:-}" ]]; then
        rm -rf "$quill_pipewire_dir"
    fi
    quill_wireplumber_pid= quill_pipewire_pid= quill_pipewire_dbus_pid= quill_pipewire_dir=
}

# Adds a command to the EXIT trap, keeping what is there (the JACK server's).
_quill_add_exit_trap() {
    local added=$1 current
    current=$(trap -p EXIT)
    if [[ -n "$current" ]]; then
        eval "set -- $current" # trap -- 'commands' EXIT
        trap -- "$added; $3" EXIT
    else
        trap -- "$added" EXIT
    fi
}
