// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/ModelControls.h"

#include "midi/MidiConnection.h"
#include "midi/MidiPortList.h"
#include "midi/QMidiOut.h"
#include "protocol/Identification.h"

#include <QAction>
#include <QDebug>
#include <QRadioButton>

ModelControls::ModelControls(const Widgets &widgets, const MidiConnection *midi)
    : m_widgets(widgets)
    , m_midi(midi)
{
    showNetworkControls(false, false);
}

void ModelControls::noteProduct(const QString &product, bool tqrClass)
{
    m_product = product;
    if (!tqrClass)
        return;
    updateOscControlsVisibility();
    applyGeneratorSourceRule(m_product);
}

bool ModelControls::supportsIp() const
{
    return Identification::supportsIp(m_midi->output()->isOpen(),
                                      MidiPortList::portBaseName(m_midi->connectedOutputLabel()), m_product);
}

bool ModelControls::supportsOsc() const
{
    return Identification::supportsOsc(m_midi->output()->isOpen(),
                                       MidiPortList::portBaseName(m_midi->connectedOutputLabel()), m_product);
}

void ModelControls::updateOscControlsVisibility()
{
    const bool ip = supportsIp();
    const bool osc = supportsOsc();
    qDebug() << "Model controls: IP" << ip << "OSC" << osc << "output open" << m_midi->output()->isOpen();
    showNetworkControls(ip, osc);
}

void ModelControls::showNetworkControls(bool ip, bool osc)
{
    m_widgets.ipButton->setVisible(ip);
    m_widgets.networkSourceA->setVisible(ip);
    m_widgets.networkSourceB->setVisible(ip);
    m_widgets.oscSetting->setVisible(osc);
    m_widgets.udpTcpSetting->setVisible(osc);
}

void ModelControls::applyGeneratorSourceRule(const QString &labelOrProduct)
{
    m_widgets.generatorSource->setVisible(!Identification::hidesGeneratorSource(labelOrProduct));
}
