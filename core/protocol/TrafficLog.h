// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// Trace lines written for every received MIDI message. Time code alone brings
// a hundred messages a second, so these are off unless asked for with
// QT_LOGGING_RULES="quill.midi.traffic.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcMidiTraffic)

// The MIDI input: every received message in hex (off by default, as time code
// alone is a hundred messages a second; QT_LOGGING_RULES="quill.midi.in.debug=true"
// shows it), and on by default the time-code labels the decoder rejects and the
// jumps it confirms, which a clean stream never has.
Q_DECLARE_LOGGING_CATEGORY(lcMidiIn)
