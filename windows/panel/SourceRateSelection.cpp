// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/SourceRateSelection.h"

#include "panel/CustomSlider.h"
#include "protocol/MachineControl.h"
#include "protocol/SourceSelection.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

QString SourceRateSelection::validatorPattern(std::optional<FrameRate> rate)
{
    QString frames;
    if (rate && rate->framesPerSecond() == 24)
        frames = QStringLiteral("[0-1][0-9]|2[0-3]");
    else if (rate && rate->framesPerSecond() == 25)
        frames = QStringLiteral("[0-1][0-9]|2[0-4]");
    else if (rate)
        frames = QStringLiteral("[0-2][0-9]");
    return QStringLiteral("^((0[0-9]|1[0-9]|2[0-3])) : ([0-5][0-9]) : ([0-5][0-9]) : (%1)$").arg(frames);
}

SourceRateSelection::SourceRateSelection(const PanelContext &context, const Widgets &widgets, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_widgets(widgets)
{
    const char *const sourceTips[6] = {
        "Time code from the computer over USB", "Time code from the unit's MIDI input",
        "Time code from the unit's LTC input",  "The unit's own generator, driven by the transport",
        "Time code over the network by RTP-MIDI", "Time code over the network by Art-Net"};
    for (int i = 0; i < 6; ++i)
        m_widgets.sources[i]->setToolTip(QString::fromLatin1(sourceTips[i]));
    const char *const rateTips[4] = {"24 frames a second", "25 frames a second",
                                     "29.97 frames a second, drop frame", "30 frames a second"};
    for (int i = 0; i < 4; ++i)
        m_context.widgets().rates[i]->setToolTip(QString::fromLatin1(rateTips[i]));
    // Connected ahead of everyone else who follows the rate buttons (the
    // transport takes its range from the fields), so that they read the
    // fields as they will stay. A unit's report checks a button with its
    // signals blocked and leaves the fields alone.
    for (QRadioButton *rate : m_context.widgets().rates) {
        connect(rate, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                keepFieldsWithinRate();
        });
    }
}

void SourceRateSelection::keepFieldsWithinRate()
{
    const std::optional<FrameRate> rate = m_context.checkedRate();
    if (!rate)
        return;
    for (QLineEdit *field : {m_widgets.fields.start, m_widgets.fields.end, m_widgets.fields.capture}) {
        FrameArithmetic::Label label;
        if (!FrameArithmetic::labelFromParts(MachineControl::readTimeField(field->text()), label))
            continue;
        const FrameArithmetic::Label within = FrameArithmetic::withinRate(label, *rate);
        if (within != label) // the input mask lays the eight digits out
            field->setText(QString::asprintf("%02d%02d%02d%02d", within.hours, within.minutes, within.seconds,
                                             within.frames));
    }
}

void SourceRateSelection::connectButtons()
{
    for (QRadioButton *button : allButtons()) {
        connect(button, &QRadioButton::toggled, this, [this, button](bool checked) {
            if (checked)
                handleSelection(button);
        });
    }
}

void SourceRateSelection::handleSelection(QRadioButton *button)
{
    rebuildValidator();
    if (!m_context.outputOpen()) {
        m_context.warnNotConnected();
        return;
    }
    if (button == sourceButton(Generator)) {
        sendSource();
        m_context.applyTransportLook(true);
        PanelContext::applyRadioGroupLook(m_widgets.rateGroup, true);
        return;
    }
    if (button->parentWidget() == m_widgets.sourceGroup) {
        sendSource();
        m_context.applyTransportLook(false);
        PanelContext::applyRadioGroupLook(m_widgets.rateGroup, false);
        return;
    }
    // A rate button: the start time again, now carrying the new rate. The
    // unit goes to Start, and the slider with it.
    FrameArithmetic::Label start;
    if (FrameArithmetic::labelFromParts(MachineControl::readTimeField(m_widgets.fields.start->text()), start)
        && m_context.sendLocate(start))
        m_widgets.slider->setValue(0);
    m_widgets.slider->setMarker(0, 0);
}

void SourceRateSelection::sendSource()
{
    for (int number = Usb; number <= ArtNet; ++number) {
        if (sourceButton(number)->isChecked()) {
            m_context.send(SourceSelection::sourceMessage(number));
            return;
        }
    }
    m_context.warn(QStringLiteral("No Timecode Source Selected"), QStringLiteral("Please select a timecode source before sending."));
}

void SourceRateSelection::receiveReport(int num)
{
    // The unit reports its rate with every label; one already shown needs
    // nothing done.
    const std::optional<FrameRate> rate = FrameRate::fromReport(num);
    if (rate && m_context.widgets().rates[rate->code()]->isChecked())
        return;
    const auto all = allButtons();
    for (QRadioButton *button : all)
        button->blockSignals(true);

    if (num >= Usb && num <= ArtNet) {
        sourceButton(num)->setChecked(true);
        const bool generator = num == Generator;
        m_context.applyTransportLook(generator);
        PanelContext::applyRadioGroupLook(m_widgets.rateGroup, generator);
    } else if (rate) {
        m_context.widgets().rates[rate->code()]->setChecked(true);
    }

    for (QRadioButton *button : all)
        button->blockSignals(false);
}

void SourceRateSelection::rebuildValidator()
{
    auto *validator = new QRegularExpressionValidator(QRegularExpression(validatorPattern(m_context.checkedRate())),
                                                      m_context.window());
    m_widgets.fields.capture->setValidator(validator);
    m_widgets.fields.end->setValidator(validator);
    m_widgets.fields.start->setValidator(validator);
    delete m_validator;
    m_validator = validator;
}

QRadioButton *SourceRateSelection::sourceButton(int number) const
{
    return m_widgets.sources[number - 1];
}

std::array<QRadioButton *, 10> SourceRateSelection::allButtons() const
{
    const auto &rates = m_context.widgets().rates;
    const auto &sources = m_widgets.sources;
    return {sources[0], sources[1], sources[2], sources[3], sources[4], sources[5],
            rates[0],   rates[1],   rates[2],   rates[3]};
}
