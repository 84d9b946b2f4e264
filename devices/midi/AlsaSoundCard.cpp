// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/AlsaSoundCard.h"

#include <QRegularExpression>

namespace AlsaSoundCard {

namespace {

std::optional<int> firstNumber(const QRegularExpression &pattern, const QString &text)
{
    const QRegularExpressionMatch match = pattern.match(text);
    bool ok = false;
    const int number = match.hasMatch() ? match.captured(1).toInt(&ok) : -1;
    return ok ? std::optional<int>(number) : std::nullopt;
}

} // namespace

std::optional<int> clientInAlsaId(const QString &id)
{
    static const QRegularExpression address(QStringLiteral(" (\\d+):\\d+$"));
    return firstNumber(address, id);
}

std::optional<int> clientInJackNames(const QStringList &nameAndAliases)
{
    static const QRegularExpression patterns[] = {
        QRegularExpression(QStringLiteral("^a2j:.* \\[(\\d+)\\] \\((?:capture|playback)\\)")),
        QRegularExpression(QStringLiteral("^[^:]+:.* (\\d+):\\((?:capture|playback)_\\d+\\)")),
        QRegularExpression(QStringLiteral("^alsa:seq:[^:]*:client_(\\d+):")),
    };
    for (const QString &name : nameAndAliases) {
        for (const QRegularExpression &pattern : patterns) {
            if (const std::optional<int> client = firstNumber(pattern, name))
                return client;
        }
    }
    return std::nullopt;
}

} // namespace AlsaSoundCard
