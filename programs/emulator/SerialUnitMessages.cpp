// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/SerialUnitMessages.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace SerialUnitMessages {

namespace {
const QByteArray kCommandHead = QByteArray::fromHex("AACC0200");
const QByteArray kLineEnd("\r\n");

const QRegularExpression &versionPattern()
{
    static const QRegularExpression pattern(QStringLiteral("V\\d+(?:\\.\\d+)+"));
    return pattern;
}

QString lastVersionIn(const QString &text)
{
    QString found;
    auto it = versionPattern().globalMatch(text);
    while (it.hasNext())
        found = it.next().captured(0);
    return found;
}
} // namespace

std::optional<Found> findCommand(const QByteArray &buffer)
{
    int from = 0;
    while (true) {
        const int head = buffer.indexOf(kCommandHead, from);
        if (head < 0 || head + kCommandSize > buffer.size())
            return std::nullopt;
        if (buffer.mid(head + 5, 2) == kLineEnd)
            return Found {quint8(buffer.at(head + 4)), head + kCommandSize};
        from = head + 1;
    }
}

QByteArray command(quint8 code)
{
    return kCommandHead + char(code) + kLineEnd;
}

QByteArray modelReply(const QString &model)
{
    return QByteArray::fromHex("AACC01") + model.toUtf8() + kLineEnd;
}

QByteArray versionReply(const QString &version)
{
    return QByteArray::fromHex("AACC06") + version.toUtf8() + kLineEnd;
}

QByteArray eraseEnd()
{
    return QByteArray("ERASE END") + kLineEnd;
}

QByteArray eraseFailed()
{
    return QByteArray("ERASE FAILED") + kLineEnd;
}

QByteArray chunkAck()
{
    return QByteArray::fromHex("AACC02000A0D0A");
}

QString versionFromTrailer(const QByteArray &image)
{
    const QByteArray tail = image.right(kChunkSize);
    QString text;
    // Keep printable ASCII only: the rest of the image is machine code.
    for (char c : tail)
        text.append(c >= 0x20 && c < 0x7F ? QChar::fromLatin1(c) : QChar(u' '));
    return lastVersionIn(text);
}

QString versionFromFileName(const QString &fileName)
{
    return lastVersionIn(QFileInfo(fileName).fileName());
}

QString nextVersion(const QString &version)
{
    QString numbers = version.startsWith(QLatin1Char('V')) ? version.mid(1) : version;
    QStringList parts = numbers.split(QLatin1Char('.'));
    if (parts.size() < 2)
        parts.append(QStringLiteral("0"));
    bool ok = false;
    const int last = parts.last().toInt(&ok);
    parts.last() = QString::number(ok ? last + 1 : 1);
    return QLatin1Char('V') + parts.join(QLatin1Char('.'));
}

} // namespace SerialUnitMessages
