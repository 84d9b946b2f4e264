// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/MachineControl.h"

#include "protocol/SysEx.h"

#include <QStringList>

namespace MachineControl {

QByteArray buildCommand(quint8 command, const QByteArray &parameters)
{
    QByteArray body;
    body.reserve(2 + parameters.size());
    body.append(char(command));
    if (!parameters.isEmpty()) {
        body.append(char(parameters.size()));
        body.append(parameters);
    }
    return SysEx::universalRealTime(SysEx::kMachineControlSubId, body);
}

QByteArray stop()
{
    return buildCommand(kStop);
}

QByteArray play()
{
    return buildCommand(kPlay);
}

std::optional<QByteArray> locate(int hours, int minutes, int seconds, int frames, FrameRate rate)
{
    for (int part : {hours, minutes, seconds, frames}) {
        if (part < 0 || part > 0x7F)
            return std::nullopt;
    }
    const quint8 hourByte = quint8(rate.hourByteBits() | (hours & 0x1F));
    QByteArray parameters;
    parameters.append(char(kLocateTarget));
    parameters.append(char(hourByte));
    parameters.append(char(minutes));
    parameters.append(char(seconds));
    parameters.append(char(frames));
    parameters.append(char(0x00));
    return buildCommand(kLocate, parameters);
}

QList<int> readTimeField(const QString &text)
{
    QList<int> parts;
    const QStringList pieces = text.split(QStringLiteral(" : "));
    for (QString piece : pieces) {
        piece.remove(QLatin1Char(' '));
        bool ok = false;
        const int value = piece.toInt(&ok, 10);
        parts.append(ok ? value : -1);
    }
    return parts;
}

} // namespace MachineControl
