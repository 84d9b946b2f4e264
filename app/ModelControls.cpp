#include "app/ModelControls.h"

#include "midi/MidiConnection.h"
#include "midi/QMidiOut.h"
#include "protocol/Identification.h"

#include <QAction>
#include <QDebug>
#include <QRadioButton>

ModelControls::ModelControls(const Widgets &widgets, const MidiConnection *midi)
    : m_widgets(widgets)
    , m_midi(midi)
{
}

bool ModelControls::supportsIp(const QString &product) const
{
    return Identification::supportsIp(m_midi->output()->isOpen(), m_midi->connectedOutputLabel(), product);
}

bool ModelControls::supportsOsc(const QString &product) const
{
    return Identification::supportsOsc(m_midi->output()->isOpen(), m_midi->connectedOutputLabel(), product);
}

void ModelControls::updateOscControlsVisibility(const QString &product)
{
    const bool ip = supportsIp(product);
    const bool osc = supportsOsc(product);
    qDebug() << "Model controls: IP" << ip << "OSC" << osc << "output open" << m_midi->output()->isOpen();
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
