// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/TimecodeReadout.h"

#include "panel/ReadoutLabel.h"
#include "panel/StyleSheets.h"

#include <QLineEdit>

#include <algorithm>
#include <iterator>

TimecodeReadout::Scale TimecodeReadout::scaleFor(QSize window)
{
    const int width = window.width();
    Scale scale;
    scale.timeFont = qBound(10, qMin(width / 9 - 2, 93 + (window.height() - 650) / 3), 200);
    scale.editFont = width / 40 + 5;
    scale.labelFont = width / 40;
    scale.buttonFont = width / 40;
    return scale;
}

namespace {

// "12" as "1 2": the readout's characters stand a blank apart.
QString spaced(QStringView characters)
{
    QString out;
    out.reserve(characters.size() * 2);
    for (QChar c : characters) {
        if (!out.isEmpty())
            out.append(QLatin1Char(' '));
        out.append(c);
    }
    return out;
}

// The characters as a decimal number, or -1 where they are not one: as
// QString::toInt() reads the field's text once blanks and colons are gone.
int decimalValue(QStringView characters)
{
    if (characters.isEmpty() || characters.size() > 9)
        return -1;
    int value = 0;
    for (QChar c : characters) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

} // namespace

QString TimecodeReadout::spacedField(int value)
{
    return spaced(QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')));
}

TimecodeReadout::TimecodeReadout(ReadoutLabel *hours, ReadoutLabel *minutes, ReadoutLabel *seconds, ReadoutLabel *frames)
    : m_labels{hours, minutes, seconds, frames}
{
    // The fields that change every second or faster while time code runs;
    // hours and minutes render a new digit at most once a minute.
    seconds->renderDigitsAhead();
    frames->renderDigitsAhead();
}

void TimecodeReadout::show(int hours, int minutes, int seconds, int frames, FramesSuffix suffix)
{
    static const QString separator = QStringLiteral(" : ");
    m_labels[0]->showText(spacedField(hours) + separator);
    m_labels[1]->showText(spacedField(minutes) + separator);
    m_labels[2]->showText(spacedField(seconds) + separator);
    m_labels[3]->showText(spacedField(frames) + (suffix == FramesSuffix::Blank ? QStringLiteral(" ") : QString()));
    keepShown({hours, minutes, seconds, frames});
}

void TimecodeReadout::show(const FrameArithmetic::Label &label, FramesSuffix suffix)
{
    show(label.hours, label.minutes, label.seconds, label.frames, suffix);
}

void TimecodeReadout::showQuarterFrameText(const QString &timecode)
{
    // Four parts between colons, each shown as it came; sliced in place, as
    // this runs for every label while the generator runs.
    const QChar colon = QLatin1Char(':');
    QStringView parts[4];
    int from = 0;
    for (int i = 0; i < 3; ++i) {
        const int at = timecode.indexOf(colon, from);
        if (at < 0)
            return;
        parts[i] = QStringView(timecode).mid(from, at - from);
        from = at + 1;
    }
    if (timecode.indexOf(colon, from) >= 0)
        return;
    parts[3] = QStringView(timecode).mid(from);
    static const QString separator = QStringLiteral(" : ");
    const QString shown[4] = {m_labels[0]->text(), m_labels[1]->text(), m_labels[2]->text(), m_labels[3]->text()};
    const int kept[4] = {m_read.hours, m_read.minutes, m_read.seconds, m_read.frames};
    int values[4];
    for (int i = 0; i < 4; ++i) {
        values[i] = decimalValue(parts[i]);
        // Mostly only the frames change: a field still showing the same
        // number, as this readout put it there, costs no new text.
        if (m_readKept && values[i] >= 0 && values[i] == kept[i] && shown[i] == m_readTexts[i]
            && shown[i].size() == parts[i].size() * 2 - 1 + (i < 3 ? separator.size() : 0))
            continue;
        m_labels[i]->showText(i < 3 ? spaced(parts[i]) + separator : spaced(parts[i]));
    }
    keepShown(values);
}

void TimecodeReadout::keepShown(const int (&values)[4])
{
    // What label() would read back from the texts just shown. A value that is
    // not a plain number is left for label() to read as it always has.
    m_readKept = std::all_of(std::begin(values), std::end(values), [](int v) { return v >= 0; });
    for (int i = 0; i < 4; ++i)
        m_readTexts[i] = m_labels[i]->text();
    m_read = FrameArithmetic::Label{values[0], values[1], values[2], values[3]};
}

void TimecodeReadout::clear()
{
    for (ReadoutLabel *label : m_labels)
        label->clear();
}

FrameArithmetic::Label TimecodeReadout::label() const
{
    bool same = m_readKept;
    for (int i = 0; same && i < 4; ++i)
        same = m_labels[i]->text() == m_readTexts[i];
    if (same)
        return m_read;
    int values[4];
    for (int i = 0; i < 4; ++i) {
        m_readTexts[i] = m_labels[i]->text();
        QString text = m_readTexts[i];
        text.remove(QLatin1Char(':'));
        text.remove(QLatin1Char(' '));
        bool ok = false;
        const int value = text.toInt(&ok, 10);
        values[i] = ok ? value : -1;
    }
    m_read = FrameArithmetic::Label{values[0], values[1], values[2], values[3]};
    m_readKept = true;
    return m_read;
}

QString TimecodeReadout::digits() const
{
    QString joined;
    for (const ReadoutLabel *label : m_labels)
        joined += label->text();
    joined.remove(QLatin1Char(' '));
    joined.remove(QLatin1Char(':'));
    return joined;
}

void TimecodeReadout::setLive(bool live)
{
    if (live == m_live)
        return;
    m_live = live;
    if (m_timeFont > 0)
        applyReadoutSheets();
}

void TimecodeReadout::applyReadoutSheets()
{
    const char *const sheets[4] = {PanelStyle::kReadoutHours, PanelStyle::kReadoutMinutes, PanelStyle::kReadoutSeconds,
                                   PanelStyle::kReadoutFrames};
    for (int i = 0; i < 4; ++i) {
        QString sheet = QString::fromLatin1(sheets[i]).arg(m_timeFont);
        if (!m_live)
            sheet.replace(QLatin1String(PanelStyle::kReadoutGreen), QLatin1String(PanelStyle::kReadoutDimmed));
        m_labels[i]->setStyleSheet(sheet);
    }
}

TimecodeReadout::Scale TimecodeReadout::applyScale(QSize window, QLineEdit *const (&fields)[3], QWidget *labelScope)
{
    const Scale scale = scaleFor(window);
    m_timeFont = scale.timeFont;
    applyReadoutSheets();
    const QString fieldSheet = QString::fromLatin1(PanelStyle::kTimeField).arg(scale.editFont);
    for (QLineEdit *field : fields)
        field->setStyleSheet(fieldSheet);
    labelScope->setStyleSheet(QString::fromLatin1(PanelStyle::kScaledLabels).arg(scale.labelFont));
    return scale;
}
