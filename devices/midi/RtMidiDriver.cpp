// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/RtMidiDriver.h"

#include "midi/AlsaMidiDriver.h"
#include "midi/JackMidiDriver.h"
#include "midi/MidiSystemProbe.h"

#include <rtmidi/RtMidi.h>

#include <QDebug>
#include <QStringList>

#include <algorithm>
#include <cstdio>

namespace {

bool jackRequested()
{
    return qgetenv("QUILL_MIDI_API").trimmed().toLower() == "jack";
}

bool alsaCompiled()
{
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    return std::find(apis.begin(), apis.end(), RtMidi::LINUX_ALSA) != apis.end();
}

} // namespace

RtMidiDriver::RtMidiDriver(const QString &clientName)
    : m_clientName(clientName)
{
    openSystem();
}

RtMidiDriver::~RtMidiDriver() = default;

MidiDriver *RtMidiDriver::system() const
{
    if (m_jack)
        return m_jack.get();
    return m_alsa.get();
}

void RtMidiDriver::openSystem()
{
    m_lastAttempt.start();
    QStringList tried;
    // Without ALSA (not Linux) RtMidi's own default is the system's service.
    bool useRtMidi = !alsaCompiled() && !jackRequested();
    RtMidi::Api api = RtMidi::UNSPECIFIED;
    if (jackRequested()) {
        tried << QStringLiteral("JACK");
        m_jack = JackMidiDriver::open(m_clientName, m_inputTaken);
    } else if (alsaCompiled()) {
        tried << QStringLiteral("the ALSA sequencer");
        if (MidiSystemProbe::alsaSequencerAvailable()) {
            api = RtMidi::LINUX_ALSA;
            useRtMidi = true;
        } else {
            tried << QStringLiteral("JACK");
            m_jack = JackMidiDriver::open(m_clientName, m_inputTaken);
        }
    }
    if (useRtMidi)
        m_alsa = AlsaMidiDriver::open(api, m_clientName, m_inputTaken);
    if (system()) {
        m_unavailable.clear();
        qDebug() << "MIDI system:" << apiName();
        return;
    }
    m_unavailable = QStringLiteral("No MIDI system could be opened (tried %1).")
                        .arg(tried.join(QStringLiteral(" and ")));
    if (!m_toldUnavailable) {
        m_toldUnavailable = true;
        std::fprintf(stderr, "%s\n", qPrintable(m_unavailable));
    }
}

void RtMidiDriver::retryIfUnavailable()
{
    // A JACK server that stopped may be started again; until then the driver
    // is without a system, as if JACK had never run.
    if (m_jack && m_jack->serverGone()) {
        qWarning() << "The JACK server has gone; MIDI is tried again every" << kRetryIntervalMs / 1000 << "s";
        m_jack.reset();
        m_lastAttempt.start();
    }
    if (!system() && m_lastAttempt.elapsed() >= kRetryIntervalMs)
        openSystem();
}

QString RtMidiDriver::unavailableText() const
{
    return m_unavailable;
}

int RtMidiDriver::outputCount()
{
    retryIfUnavailable();
    return system() ? system()->outputCount() : 0;
}

QString RtMidiDriver::outputName(int index)
{
    return system() ? system()->outputName(index) : QString();
}

int RtMidiDriver::inputCount()
{
    retryIfUnavailable();
    return system() ? system()->inputCount() : 0;
}

std::optional<QString> RtMidiDriver::inputName(int index)
{
    return system() ? system()->inputName(index) : std::nullopt;
}

QString RtMidiDriver::outputId(int index)
{
    return system() ? system()->outputId(index) : QString();
}

QString RtMidiDriver::inputId(int index)
{
    return system() ? system()->inputId(index) : QString();
}

std::unique_ptr<MidiOutputPort> RtMidiDriver::openOutput(const QString &id)
{
    retryIfUnavailable();
    return system() ? system()->openOutput(id) : nullptr;
}

std::unique_ptr<MidiInputPort> RtMidiDriver::openInput(const QString &id, MidiInputSink *sink)
{
    if (!sink || *m_inputTaken)
        return nullptr;
    retryIfUnavailable();
    return system() ? system()->openInput(id, sink) : nullptr;
}

QString RtMidiDriver::apiName() const
{
    if (m_jack)
        return QString::fromStdString(RtMidi::getApiDisplayName(RtMidi::UNIX_JACK));
    if (m_alsa)
        return m_alsa->apiName();
    return QStringLiteral("none");
}

std::optional<int> RtMidiDriver::soundCardOf(const QString &portId)
{
    return system() ? system()->soundCardOf(portId) : std::nullopt;
}
