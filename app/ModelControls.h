#pragma once

#include <QString>

class MidiConnection;
class QAction;
class QRadioButton;
class QWidget;

// The controls that depend on the connected model: the IP button and the
// network source buttons (TQR-30), the OSC and UDP/TCP menu entries (TQR-30
// Pro), and the Generator source, which a TQR-10 does not have. The model is
// known from the unit's identification reply, or failing that from the name
// of the MIDI port.
class ModelControls
{
public:
    struct Widgets
    {
        QWidget *ipButton;
        QRadioButton *networkSourceA;
        QRadioButton *networkSourceB;
        QRadioButton *generatorSource;
        QAction *oscSetting;
        QAction *udpTcpSetting;
    };

    // Both borrowed; the window owns them.
    ModelControls(const Widgets &widgets, const MidiConnection *midi);

    // product: what the unit's identification reply named; empty when none came.
    bool supportsIp(const QString &product) const;
    bool supportsOsc(const QString &product) const;
    void updateOscControlsVisibility(const QString &product);
    void applyGeneratorSourceRule(const QString &labelOrProduct);

private:
    Widgets m_widgets;
    const MidiConnection *m_midi;
};
