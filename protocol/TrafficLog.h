#pragma once

#include <QLoggingCategory>

// Trace lines written for every received MIDI message. Time code alone brings
// a hundred messages a second, so these are off unless asked for with
// QT_LOGGING_RULES="quill.midi.traffic.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcMidiTraffic)
