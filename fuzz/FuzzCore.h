// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>

// Pieces of the fuzz targets that need Qt Core alone, so that a target
// testing quill_core code links quill_core and nothing more.
namespace FuzzSupport {

// Drops Qt's message output (a trace per message would dominate the run
// time); fatal messages still abort. Safe to call more than once.
void silenceQtMessages();

// Splits fuzz input into messages: a length byte, then that many bytes (the
// last one may be short). Lets one input carry a conversation, so that state
// kept between messages (time-code accumulators, multi-step exchanges) is
// exercised too.
QList<QByteArray> splitMessages(const uint8_t *data, size_t size);

// True when the bytes are one well-formed System Exclusive message: F0, data
// bytes below 80, F7. Everything the panel sends must pass.
bool isWellFormedSysEx(const QByteArray &message);

// Prints what went wrong and aborts, so that libFuzzer keeps the input.
[[noreturn]] void fault(const char *what, const QByteArray &bytes = QByteArray());

} // namespace FuzzSupport
