// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/JackUnitPeer.h"

#include "midi/MidiSystemProbe.h"

#include <QMutexLocker>

#include <utility>

JackUnitPeer::JackUnitPeer(const std::string &name)
    : m_listen(RtMidi::UNIX_JACK, name)
    , m_talk(RtMidi::UNIX_JACK, name)
{
    m_listen.ignoreTypes(false, false, false);
    m_listen.setCallback(&JackUnitPeer::received, this);
    m_listen.openVirtualPort("MIDI in");
    m_talk.openVirtualPort("MIDI out");
    QObject::connect(&m_clock, &QTimer::timeout, [this] { tick(); });
    m_clock.start(kFrameMs);
}

QList<QByteArray> JackUnitPeer::log()
{
    QMutexLocker lock(&m_mutex);
    return m_log;
}

void JackUnitPeer::clearLog()
{
    QMutexLocker lock(&m_mutex);
    m_log.clear();
}

void JackUnitPeer::received(double, std::vector<unsigned char> *message, void *self)
{
    auto *peer = static_cast<JackUnitPeer *>(self);
    QMutexLocker lock(&peer->m_mutex);
    const QByteArray bytes(reinterpret_cast<const char *>(message->data()), int(message->size()));
    peer->m_log.append(bytes);
    peer->m_pending.append(bytes);
}

void JackUnitPeer::send(const QByteArray &bytes)
{
    std::vector<unsigned char> message(bytes.begin(), bytes.end());
    m_talk.sendMessage(&message);
}

void JackUnitPeer::tick()
{
    QList<QByteArray> commands;
    {
        QMutexLocker lock(&m_mutex);
        commands = std::exchange(m_pending, {});
    }
    for (const QByteArray &c : commands) {
        if (c == QByteArray::fromHex("F07F7F1101F7"))
            send(QByteArray::fromHex("F000215E01010604F7"));
        else if (c == QByteArray::fromHex("F07F7F0602F7"))
            m_playing = true;
        else if (c == QByteArray::fromHex("F07F7F0601F7"))
            m_playing = false;
        else if (c.size() == 13 && c.startsWith(QByteArray::fromHex("F07F7F06440601")))
            m_frame = ((quint8(c[7]) & 0x1F) * 3600 + c[8] * 60 + c[9]) * kFps + c[10];
    }
    if (!m_playing)
        return;
    ++m_frame;
    const int f = m_frame % kFps;
    const int s = m_frame / kFps % 60;
    const int m = m_frame / kFps / 60 % 60;
    const int h = m_frame / kFps / 3600;
    const int nibbles[8] = {f & 0xF, f >> 4, s & 0xF, s >> 4, m & 0xF, m >> 4, h & 0xF, ((h >> 4) & 1) | (1 << 1)};
    for (int piece = 0; piece < 8; ++piece) {
        QByteArray quarter(2, '\0');
        quarter[0] = char(0xF1);
        quarter[1] = char((piece << 4) | nibbles[piece]);
        send(quarter);
    }
}

bool jackServerRunning()
{
    return MidiSystemProbe::jackServerRunning();
}
