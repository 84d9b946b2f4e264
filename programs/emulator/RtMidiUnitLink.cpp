// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/RtMidiUnitLink.h"

#include "emulator/EmulatedUnit.h"

#include <rtmidi/RtMidi.h>

#include <QDebug>
#include <QList>
#include <QPointer>
#include <QTimer>

namespace {

RtMidi::Api rtApi(RtMidiUnitLink::Api api)
{
    switch (api) {
    case RtMidiUnitLink::Api::Alsa: return RtMidi::LINUX_ALSA;
    case RtMidiUnitLink::Api::Jack: return RtMidi::UNIX_JACK;
    case RtMidiUnitLink::Api::Default: break;
    }
    return RtMidi::UNSPECIFIED;
}

void received(double, std::vector<unsigned char> *bytes, void *context)
{
    // RtMidi's thread: copy and hand over to the unit's thread.
    auto *unit = static_cast<QPointer<EmulatedUnit> *>(context);
    if (!bytes || bytes->empty() || !*unit)
        return;
    const QByteArray message(reinterpret_cast<const char *>(bytes->data()), int(bytes->size()));
    QPointer<EmulatedUnit> target = *unit;
    QMetaObject::invokeMethod(target, [target, message] {
        if (target)
            target->receiveMidi(message);
    }, Qt::QueuedConnection);
}

void logError(RtMidiError::Type type, const std::string &text, void *)
{
    if (type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING)
        qDebug() << "RtMidi:" << QString::fromStdString(text);
    else
        qWarning() << "RtMidi:" << QString::fromStdString(text);
}

} // namespace

RtMidiUnitLink::RtMidiUnitLink(EmulatedUnit *unit, Api api, QObject *parent)
    : QObject(parent)
    , m_unit(unit)
    , m_api(api)
    , m_target(unit)
{
    connect(unit, &EmulatedUnit::presenceChanged, this, &RtMidiUnitLink::follow);
    connect(unit, &EmulatedUnit::midiOut, this, &RtMidiUnitLink::send);
    follow(unit->isPresent());
}

RtMidiUnitLink::~RtMidiUnitLink()
{
    follow(false);
}

QString RtMidiUnitLink::apiName() const
{
    RtMidi::Api api = rtApi(m_api);
    if (m_out)
        api = m_out->getCurrentApi();
    return api == RtMidi::UNIX_JACK ? QStringLiteral("JACK") : QStringLiteral("ALSA");
}

void RtMidiUnitLink::follow(bool present)
{
    ++m_presence;
    if (!present) {
        if (m_in) {
            m_in->cancelCallback();
            m_in->closePort();
            // Only a unit that was there comes back.
            m_wasGone = true;
        }
        m_in.reset();
        m_out.reset();
        return;
    }
    if (m_in)
        return;
    // Client and port carry the unit's name, so the panel lists it as the
    // unit and pairs the two directions by that name.
    const std::string name = m_unit->portName().toStdString();
    QList<RtMidi::Api> apis {rtApi(m_api)};
    if (m_api == Api::Default)
        apis.append(RtMidi::UNIX_JACK); // no ALSA sequencer (a container, a JACK-only set-up)
    for (RtMidi::Api api : apis) {
        try {
            auto in = std::make_unique<RtMidiIn>(api, name);
            in->setErrorCallback(&logError);
            in->ignoreTypes(false, false, true);
            // In place before the port exists: RtMidi queues what comes
            // earlier where no callback ever reads it.
            in->setCallback(&received, &m_target);
            in->openVirtualPort(name);
            m_in = std::move(in);
            m_openedApi = int(api);
            m_error.clear();
            break;
        } catch (const RtMidiError &error) {
            m_error = QString::fromStdString(error.getMessage());
            qDebug() << "Emulated unit: MIDI ports could not be made:" << m_error;
            m_in.reset();
        }
    }
    if (!m_in)
        return;
    if (m_wasGone && m_returnLagMs > 0) {
        const int presence = m_presence;
        QTimer::singleShot(m_returnLagMs, this, [this, presence] {
            if (presence == m_presence)
                openOutput();
        });
        return;
    }
    openOutput();
}

void RtMidiUnitLink::openOutput()
{
    const std::string name = m_unit->portName().toStdString();
    try {
        auto out = std::make_unique<RtMidiOut>(RtMidi::Api(m_openedApi), name);
        out->setErrorCallback(&logError);
        out->openVirtualPort(name);
        m_out = std::move(out);
    } catch (const RtMidiError &error) {
        m_error = QString::fromStdString(error.getMessage());
        qDebug() << "Emulated unit: MIDI output could not be made:" << m_error;
    }
}

void RtMidiUnitLink::send(const QByteArray &message)
{
    if (!m_out)
        return;
    try {
        m_out->sendMessage(reinterpret_cast<const unsigned char *>(message.constData()), size_t(message.size()));
    } catch (const RtMidiError &error) {
        qWarning() << "Emulated unit: MIDI send failed:" << QString::fromStdString(error.getMessage());
    }
}
