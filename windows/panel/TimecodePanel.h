// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "panel/GeneratorTransport.h"
#include "panel/PanelContext.h"
#include "panel/SourceRateSelection.h"
#include "panel/TimecodeReadout.h"

#include <QByteArray>

#include <memory>

class MessageBoxes;
class MidiTimecodeIn;
class QMidiOut;
class QWidget;
class ReadoutLabel;
class StreamHealthIndicator;

// The time-code half of the window put together: the readout, the source and
// rate groups, the generator transport, and the decoder of the unit's time
// code that feeds them. The parts talk to each other only through the
// context; this class builds them in the order they depend on one another.
class TimecodePanel
{
public:
    struct Widgets
    {
        PanelContext::Widgets shared;
        // Hours, minutes, seconds, frames.
        ReadoutLabel *readout[4];
        SourceRateSelection::Widgets selection;
        GeneratorTransport::Widgets transport;
        // Holds the labels that follow the window's width.
        QWidget *labelScope;
    };

    // All borrowed; the QObject parts are children of `window`, which parents
    // the boxes too. boxes may be null for the desktop's own.
    TimecodePanel(const Widgets &widgets, QMidiOut *midiOut, QWidget *window, MessageBoxes *boxes);

    const PanelContext &context() const { return m_context; }
    TimecodeReadout *readout() { return &m_readout; }
    SourceRateSelection *selection() const { return m_selection; }
    GeneratorTransport *transport() const { return m_transport; }
    // Made with the input's decoder; null before.
    StreamHealthIndicator *healthIndicator() const { return m_healthIndicator; }

    // Time code, source and rate reports; anything else is ignored.
    void processMidiMessage(const QByteArray &message);
    // The quarter frames the MIDI input decodes on its own thread: their
    // reports feed the panel like those of the panel's decoder.
    void followInputDecoder(MidiTimecodeIn *decoder);
    // Restyles the panel for a window size.
    void applyScale(QSize window);

private:
    void follow(MidiTimecodeIn *decoder);

    Widgets m_widgets;
    PanelContext m_context;
    TimecodeReadout m_readout;
    SourceRateSelection *m_selection;
    GeneratorTransport *m_transport;
    MidiTimecodeIn *m_timecodeIn;
    StreamHealthIndicator *m_healthIndicator = nullptr;
};
