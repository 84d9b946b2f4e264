#include "panel/SourceRateSelection.h"

#include "panel/CustomSlider.h"
#include "protocol/MachineControl.h"
#include "protocol/SourceSelection.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

QString SourceRateSelection::validatorPattern(const QString &rateText)
{
    QString frames;
    if (rateText == QLatin1String("24"))
        frames = QStringLiteral("[0-1][0-9]|2[0-3]");
    else if (rateText == QLatin1String("25"))
        frames = QStringLiteral("[0-1][0-9]|2[0-4]");
    else if (rateText == QLatin1String("30Drop") || rateText == QLatin1String("30"))
        frames = QStringLiteral("[0-2][0-9]");
    return QStringLiteral("^((0[0-9]|1[0-9]|2[0-3])) : ([0-5][0-9]) : ([0-5][0-9]) : (%1)$").arg(frames);
}

SourceRateSelection::SourceRateSelection(const PanelContext &context, const Widgets &widgets, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_widgets(widgets)
{
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
    // A rate button: the start time again, now carrying the new rate.
    FrameArithmetic::Label start;
    if (FrameArithmetic::labelFromParts(MachineControl::readTimeField(m_widgets.fields.start->text()), start))
        m_context.sendLocate(start);
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
    if (num >= 11 && num <= 14 && m_context.widgets().rates[num - 11]->isChecked())
        return;
    const auto all = allButtons();
    for (QRadioButton *button : all)
        button->blockSignals(true);

    if (num >= Usb && num <= ArtNet) {
        sourceButton(num)->setChecked(true);
        const bool generator = num == Generator;
        m_context.applyTransportLook(generator);
        PanelContext::applyRadioGroupLook(m_widgets.rateGroup, generator);
    } else if (num >= 11 && num <= 14) {
        m_context.widgets().rates[num - 11]->setChecked(true);
    }

    for (QRadioButton *button : all)
        button->blockSignals(false);
}

void SourceRateSelection::rebuildValidator()
{
    auto *validator = new QRegularExpressionValidator(QRegularExpression(validatorPattern(m_context.rateText())),
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
