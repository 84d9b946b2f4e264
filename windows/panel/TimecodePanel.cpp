// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/TimecodePanel.h"

#include "panel/ReadoutLabel.h"
#include "panel/StreamHealthIndicator.h"
#include "protocol/MidiTimecodeIn.h"

#include <QLineEdit>
#include <QPointer>

TimecodePanel::TimecodePanel(const Widgets &widgets, QMidiOut *midiOut, QWidget *window, MessageBoxes *boxes)
    : m_widgets(widgets)
    , m_context(widgets.shared, midiOut, window, boxes)
    , m_readout(widgets.readout[0], widgets.readout[1], widgets.readout[2], widgets.readout[3])
    , m_selection(new SourceRateSelection(m_context, widgets.selection, window))
    , m_transport(new GeneratorTransport(m_context, widgets.transport, &m_readout, window))
    , m_timecodeIn(new MidiTimecodeIn(window))
{
    follow(m_timecodeIn);
    // The unit's answer to the panel's own Locate may be lost: no position
    // from before it may reach the End check.
    m_context.onLocate([this] {
        m_timecodeIn->forgetTimeline();
        m_transport->forgetUnitPosition();
    });

    m_readout.show(1, 0, 0, 0);
    m_selection->connectButtons();
    m_selection->rebuildValidator();
    const PanelContext::TimeFields &fields = widgets.transport.fields;
    QObject::connect(fields.end, &QLineEdit::editingFinished, m_transport, &GeneratorTransport::checkEnd);
    for (QLineEdit *field : {fields.start, fields.end, fields.capture})
        field->setCursor(Qt::IBeamCursor);
}

void TimecodePanel::follow(MidiTimecodeIn *decoder)
{
    QObject::connect(decoder, &MidiTimecodeIn::timeCodeParsed, m_transport,
                     [this](int hour, int minute, int second, int frame) {
                         m_transport->showFullFrame(FrameArithmetic::Label{hour, minute, second, frame});
                     });
    QObject::connect(decoder, &MidiTimecodeIn::sourcecodeReceived, m_selection,
                     &SourceRateSelection::receiveReport);
    QObject::connect(decoder, &MidiTimecodeIn::timecodeReceived, m_transport,
                     &GeneratorTransport::showQuarterFrameText);
    QObject::connect(decoder, &MidiTimecodeIn::quarterFramePosition, m_transport,
                     &GeneratorTransport::followQuarterFrame);
    QObject::connect(decoder, &MidiTimecodeIn::directionChanged, m_transport, &GeneratorTransport::followDirection);
}

void TimecodePanel::followInputDecoder(MidiTimecodeIn *decoder)
{
    follow(decoder);
    m_transport->setInputDecoder(decoder);
    m_healthIndicator = new StreamHealthIndicator(decoder, m_widgets.readout[3]);
    m_context.onLocate([decoder = QPointer<MidiTimecodeIn>(decoder)] {
        if (decoder)
            decoder->forgetTimeline();
    });
}

void TimecodePanel::processMidiMessage(const QByteArray &message)
{
    m_timecodeIn->processMidiMessage(message);
}

void TimecodePanel::applyScale(QSize window)
{
    const PanelContext::TimeFields &fields = m_widgets.transport.fields;
    const TimecodeReadout::Scale scale =
        m_readout.applyScale(window, {fields.start, fields.end, fields.capture}, m_widgets.labelScope);
    m_transport->setButtonFontSize(scale.buttonFont);
}
