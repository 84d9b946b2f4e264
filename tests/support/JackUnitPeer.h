// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <rtmidi/RtMidi.h>

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QTimer>

#include <string>

// A TQR-30 Pro on a real JACK graph, played by two RtMidi clients under the
// unit's name (JACK calls the second "<name>-01"). It records what it is sent,
// answers the identification request, locates, and while playing sends the
// eight quarter frames of each frame at 25 fps. Commands are taken on the
// thread it was made on, from its 40 ms clock.
class JackUnitPeer
{
public:
    explicit JackUnitPeer(const std::string &name);

    QList<QByteArray> log();
    void clearLog();
    bool playing() const { return m_playing; }
    void setPlaying(bool playing) { m_playing = playing; }
    void send(const QByteArray &bytes);

private:
    static constexpr int kFrameMs = 40;
    static constexpr int kFps = 25;
    static void received(double, std::vector<unsigned char> *message, void *self);
    void tick();

    // Declared before the clients, so destroyed after them: closing the
    // listening client waits for JACK's thread to leave the callback.
    QMutex m_mutex;
    QList<QByteArray> m_log;
    QList<QByteArray> m_pending;
    bool m_playing = false;
    int m_frame = 0;
    RtMidiIn m_listen;
    RtMidiOut m_talk;
    QTimer m_clock;
};

// True when a JACK server answers; nothing is printed while asking.
bool jackServerRunning();

// For JACK tests: skips the test, saying why, when there is no server.
#define QUILL_REQUIRE_JACK_SERVER()                                                                                \
    do {                                                                                                           \
        if (!jackServerRunning())                                                                                  \
            QSKIP("no JACK server is running; scripts/test starts one with the dummy driver "                      \
                  "(source scripts/jack-server.sh; quill_start_jackd LOG)");                                       \
    } while (false)
