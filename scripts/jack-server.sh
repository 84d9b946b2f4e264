# SPDX-License-Identifier: GPL-3.0-or-later
# A JACK server of our own with the dummy driver, so a JACK server already
# running for the desktop is neither used nor disturbed. Sourced by
# scripts/test and scripts/bench. Clients find it through JACK_DEFAULT_SERVER;
# it stops when the sourcing script exits.
quill_start_jackd() {
    local log=$1
    export JACK_DEFAULT_SERVER="quill-$$"
    export JACK_NO_AUDIO_RESERVATION=1
    jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 128 >"$log" 2>&1 &
    quill_jackd_pid=$!
    trap 'kill "$quill_jackd_pid" 2>/dev/null || true; wait "$quill_jackd_pid" 2>/dev/null || true' EXIT
    if ! jack_wait -s "$JACK_DEFAULT_SERVER" -w -t 15 >/dev/null; then
        echo "JACK server did not start:" >&2
        cat "$log" >&2
        return 1
    fi
}
