// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>

// The text files on the update server announce the newest release of one product:
//
//     TQR-30Pro_V1.0.3            <- version line, must be the very first bytes
//     ...
//     Update content:
//     - notes, any number of lines, to the end of the file
//
// The same format serves the unit firmware and the panel itself; only the version
// prefix differs.
struct UpdateAnnouncement
{
    QString newestVersion; // the whole version line match, e.g. "TQR-30Pro_V1.0.3"; empty when none
    QString notes;         // text after "Update content:" and the blanks after it; empty without the marker

    bool hasVersion() const { return !newestVersion.isEmpty(); }
};

// versionPattern is anchored with ^ and captures the version text in group 1. The body
// is decoded as UTF-8; the pattern is matched against the whole body, so a version line
// that is not first is not found.
UpdateAnnouncement readUpdateFile(const QByteArray &body, const QString &versionPattern);
// The same with the pattern compiled by the caller, for callers that read many bodies.
UpdateAnnouncement readUpdateFile(const QByteArray &body, const QRegularExpression &versionPattern);

// The notes as an offer shows them: at most kShownNoteLines lines and
// kShownNoteChars characters, the cut marked with a last line "[...]", so that a
// long text cannot push the offer's buttons off the screen.
constexpr int kShownNoteLines = 30;
constexpr int kShownNoteChars = 3000;
QString notesForDisplay(const QString &notes);

// "TQR-30_V1.0.10" -> {1, 0, 10}: the text after the first (upper-case) "V", split at
// ".", each piece a decimal integer, 0 when a piece is not a number. No "V" -> {}.
QList<int> versionNumbers(const QString &versionText);

// Element-wise comparison; a missing element counts as 0, so {1, 2} equals {1, 2, 0}.
// True only when newest is strictly greater.
bool isNewerVersion(const QList<int> &current, const QList<int> &newest);

// Firmware: both texts carry a "V" ("V1.0.2" from the unit, "TQR-30_V1.0.3" from the file).
bool isNewerFirmware(const QString &unitVersionText, const QString &newestVersionText);

// Panel release numbers are bare dotted numbers ("2.1.0").
// All pieces count: 2.1.0 -> 2.1.5 is newer.
bool isNewerRelease(const QString &currentNumber, const QString &newestNumber);
// Only major and minor count: 2.1.0 -> 2.1.5 is not newer, 2.1.0 -> 2.2 is.
bool isNewerMajorMinor(const QString &currentNumber, const QString &newestNumber);
