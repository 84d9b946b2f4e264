// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/UpdateFile.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

int pieceValue(const QStringRef &piece)
{
    bool ok = false;
    const int value = piece.toInt(&ok, 10);
    return ok ? value : 0;
}

// References, not copies: the texts come from the server and the unit, and a
// long run of dots would otherwise cost an allocation per piece.
QList<int> dottedNumbers(const QStringRef &text)
{
    QList<int> numbers;
    const QVector<QStringRef> pieces = text.split(QLatin1Char('.'));
    numbers.reserve(pieces.size());
    for (const QStringRef &piece : pieces)
        numbers.append(pieceValue(piece));
    return numbers;
}

QList<int> dottedNumbers(const QString &text)
{
    return dottedNumbers(QStringRef(&text));
}

} // namespace

UpdateAnnouncement readUpdateFile(const QByteArray &body, const QString &versionPattern)
{
    return readUpdateFile(body, QRegularExpression(versionPattern));
}

UpdateAnnouncement readUpdateFile(const QByteArray &body, const QRegularExpression &versionPattern)
{
    const QString text = QString::fromUtf8(body);
    UpdateAnnouncement result;

    const QRegularExpressionMatch version = versionPattern.match(text);
    if (version.hasMatch())
        result.newestVersion = version.captured(1);

    static const QRegularExpression notes(QStringLiteral("Update content:\\s*(.*)"),
                                          QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch notesMatch = notes.match(text);
    if (notesMatch.hasMatch())
        result.notes = notesMatch.captured(1);
    return result;
}

QList<int> versionNumbers(const QString &versionText)
{
    const int v = versionText.indexOf(QLatin1Char('V'));
    if (v < 0)
        return {};
    return dottedNumbers(versionText.midRef(v + 1));
}

bool isNewerVersion(const QList<int> &current, const QList<int> &newest)
{
    const int length = qMax(current.size(), newest.size());
    for (int i = 0; i < length; ++i) {
        const int a = i < current.size() ? current.at(i) : 0;
        const int b = i < newest.size() ? newest.at(i) : 0;
        if (a != b)
            return b > a;
    }
    return false;
}

bool isNewerFirmware(const QString &unitVersionText, const QString &newestVersionText)
{
    return isNewerVersion(versionNumbers(unitVersionText), versionNumbers(newestVersionText));
}

bool isNewerRelease(const QString &currentNumber, const QString &newestNumber)
{
    return isNewerVersion(dottedNumbers(currentNumber), dottedNumbers(newestNumber));
}

bool isNewerMajorMinor(const QString &currentNumber, const QString &newestNumber)
{
    const QList<int> current = dottedNumbers(currentNumber);
    const QList<int> newest = dottedNumbers(newestNumber);
    const auto at = [](const QList<int> &list, int i) { return i < list.size() ? list.at(i) : 0; };
    if (at(current, 0) != at(newest, 0))
        return at(current, 0) < at(newest, 0);
    return at(current, 1) < at(newest, 1);
}

QString notesForDisplay(const QString &notes)
{
    QString shown = notes.left(kShownNoteChars);
    int lineEnd = -1;
    for (int line = 0; line < kShownNoteLines; ++line) {
        lineEnd = shown.indexOf(QLatin1Char('\n'), lineEnd + 1);
        if (lineEnd < 0)
            break;
    }
    if (lineEnd >= 0 && lineEnd < shown.size() - 1)
        shown.truncate(lineEnd);
    if (shown.size() == notes.size())
        return notes;
    return shown + QStringLiteral("\n[...]");
}
