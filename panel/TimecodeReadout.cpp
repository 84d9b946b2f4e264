#include "panel/TimecodeReadout.h"

#include "panel/ReadoutLabel.h"
#include "panel/StyleSheets.h"

#include <QLineEdit>

TimecodeReadout::Scale TimecodeReadout::scaleForWidth(int width)
{
    Scale scale;
    scale.timeFont = qBound(10, width / 20 + 50, 200);
    scale.editFont = width / 40 + 5;
    scale.labelFont = width / 40;
    scale.buttonFont = width / 40;
    return scale;
}

QString TimecodeReadout::spacedField(int value)
{
    const QString digits = QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
    QString spaced;
    spaced.reserve(digits.size() * 2);
    for (QChar c : digits) {
        spaced.append(c);
        spaced.append(QLatin1Char(' '));
    }
    return spaced.trimmed();
}

TimecodeReadout::TimecodeReadout(ReadoutLabel *hours, ReadoutLabel *minutes, ReadoutLabel *seconds, ReadoutLabel *frames)
    : m_labels{hours, minutes, seconds, frames}
{
    // The fields that change every second or faster while time code runs;
    // hours and minutes render a new digit at most once a minute.
    seconds->setRendersDigitsAhead(true);
    frames->setRendersDigitsAhead(true);
}

void TimecodeReadout::show(int hours, int minutes, int seconds, int frames, FramesSuffix suffix)
{
    static const QString separator = QStringLiteral(" : ");
    m_labels[0]->showText(spacedField(hours) + separator);
    m_labels[1]->showText(spacedField(minutes) + separator);
    m_labels[2]->showText(spacedField(seconds) + separator);
    m_labels[3]->showText(spacedField(frames) + (suffix == FramesSuffix::Blank ? QStringLiteral(" ") : QString()));
}

void TimecodeReadout::show(const FrameArithmetic::Label &label, FramesSuffix suffix)
{
    show(label.hours, label.minutes, label.seconds, label.frames, suffix);
}

void TimecodeReadout::showQuarterFrameText(const QString &timecode)
{
    // The parts are shown as they came, their characters spaced. Built in
    // one pass: this runs for every label while the generator runs.
    QString parts[4];
    int part = 0;
    for (QChar c : timecode) {
        if (c == QLatin1Char(':')) {
            if (++part == 4)
                return;
            continue;
        }
        QString &spaced = parts[part];
        if (spaced.isEmpty())
            spaced.reserve(3);
        else
            spaced.append(QLatin1Char(' '));
        spaced.append(c);
    }
    if (part != 3)
        return;
    static const QString separator = QStringLiteral(" : ");
    m_labels[0]->showText(parts[0] + separator);
    m_labels[1]->showText(parts[1] + separator);
    m_labels[2]->showText(parts[2] + separator);
    m_labels[3]->showText(parts[3]);
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

TimecodeReadout::Scale TimecodeReadout::applyScale(int width, QLineEdit *const (&fields)[3], QWidget *labelScope)
{
    const Scale scale = scaleForWidth(width);
    const char *const sheets[4] = {PanelStyle::kReadoutHours, PanelStyle::kReadoutMinutes, PanelStyle::kReadoutSeconds,
                                   PanelStyle::kReadoutFrames};
    for (int i = 0; i < 4; ++i)
        m_labels[i]->setStyleSheet(QString::fromLatin1(sheets[i]).arg(scale.timeFont));
    const QString fieldSheet = QString::fromLatin1(PanelStyle::kTimeField).arg(scale.editFont);
    for (QLineEdit *field : fields)
        field->setStyleSheet(fieldSheet);
    labelScope->setStyleSheet(QString::fromLatin1(PanelStyle::kScaledLabels).arg(scale.labelFont));
    return scale;
}
