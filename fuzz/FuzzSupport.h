#pragma once

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>

// Shared pieces of the fuzz targets.
namespace FuzzSupport {

// A QApplication on the offscreen platform with Qt's message output silenced
// (a trace per message would dominate the run time); fatal messages still
// abort. Safe to call more than once.
void startApplication();

// Splits fuzz input into messages: a length byte, then that many bytes (the
// last one may be short). Lets one input carry a conversation, so that state
// kept between messages (time-code accumulators, multi-step exchanges) is
// exercised too.
QList<QByteArray> splitMessages(const uint8_t *data, size_t size);

// True when the bytes are one well-formed System Exclusive message: F0, data
// bytes below 80, F7. Everything the panel sends must pass.
bool isWellFormedSysEx(const QByteArray &message);

// Closes every modal dialog as soon as it opens, so that code which reports
// to the user with a message box cannot stall the fuzzer.
void closeModalDialogsAutomatically();

} // namespace FuzzSupport
