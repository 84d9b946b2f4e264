// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzCore.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace FuzzSupport {

namespace {

void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "qFatal: %s\n", qPrintable(text));
        std::abort();
    }
}

} // namespace

void silenceQtMessages()
{
    qInstallMessageHandler(quietMessages);
}

QList<QByteArray> splitMessages(const uint8_t *data, size_t size)
{
    QList<QByteArray> messages;
    size_t pos = 0;
    while (pos < size) {
        const size_t length = data[pos++];
        const size_t take = std::min(length, size - pos);
        messages.append(QByteArray(reinterpret_cast<const char *>(data + pos), int(take)));
        pos += take;
    }
    return messages;
}

bool isWellFormedSysEx(const QByteArray &message)
{
    if (message.size() < 2 || quint8(message.front()) != 0xF0 || quint8(message.back()) != 0xF7)
        return false;
    for (int i = 1; i < message.size() - 1; ++i)
        if (quint8(message[i]) & 0x80)
            return false;
    return true;
}

void fault(const char *what, const QByteArray &bytes)
{
    std::fprintf(stderr, "%s%s%s\n", what, bytes.isEmpty() ? "" : ": ", bytes.toHex(' ').constData());
    std::abort();
}

} // namespace FuzzSupport
