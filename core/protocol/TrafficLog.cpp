// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/TrafficLog.h"

Q_LOGGING_CATEGORY(lcMidiTraffic, "quill.midi.traffic", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMidiIn, "quill.midi.in", QtInfoMsg)
