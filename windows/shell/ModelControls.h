// SPDX-License-Identifier: GPL-3.0-or-later
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
// of the MIDI port. The reply's product is kept here until the connection
// changes.
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

    // Both borrowed; the window owns them. Hides the network controls until a
    // model that has them is connected.
    ModelControls(const Widgets &widgets, const MidiConnection *midi);

    // What the unit's identification reply named; empty when none came, or
    // when the reply named a device of another class.
    QString product() const { return m_product; }
    // The unit's identification reply: its product, and whether it named a
    // device of the family's class (only then do the controls follow).
    void noteProduct(const QString &product, bool tqrClass);
    // A connect or disconnect: the next unit must identify itself anew.
    void forgetProduct() { m_product.clear(); }

    bool supportsIp() const;
    bool supportsOsc() const;
    void updateOscControlsVisibility();
    void applyGeneratorSourceRule(const QString &labelOrProduct);

private:
    void showNetworkControls(bool ip, bool osc);

    Widgets m_widgets;
    const MidiConnection *m_midi;
    QString m_product;
};
