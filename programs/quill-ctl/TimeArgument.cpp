// SPDX-License-Identifier: GPL-3.0-or-later
#include "TimeArgument.h"

#include <QRegularExpression>

namespace TimeArgument {

std::optional<FrameArithmetic::Label> parse(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,2}):(\\d{2}):(\\d{2})[:;](\\d{2})$"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    return FrameArithmetic::Label{match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
                                  match.captured(4).toInt()};
}

QString text(const FrameArithmetic::Label &label)
{
    return QString::asprintf("%02d:%02d:%02d:%02d", label.hours, label.minutes, label.seconds, label.frames);
}

} // namespace TimeArgument
