// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/MidiSystemProbe.h"

#include <QDebug>
#include <QLoggingCategory>

#include <alsa/asoundlib.h>
#include <jack/jack.h>

Q_LOGGING_CATEGORY(lcJack, "quill.midi.jack", QtInfoMsg)

namespace {

void silentAlsa(const char *, int, const char *, int, const char *, ...) {}

void jackToTrace(const char *text)
{
    qCDebug(lcJack) << "JACK:" << text;
}

} // namespace

namespace MidiSystemProbe {

bool alsaSequencerAvailable()
{
    snd_lib_error_set_handler(&silentAlsa);
    snd_seq_t *seq = nullptr;
    const bool ok = snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, 0) == 0;
    if (ok)
        snd_seq_close(seq);
    snd_lib_error_set_handler(nullptr);
    return ok;
}

bool jackServerRunning()
{
    routeJackMessagesToTrace();
    jack_status_t status;
    jack_client_t *client = jack_client_open("Quill Tool Probe", JackNoStartServer, &status);
    if (!client)
        return false;
    jack_client_close(client);
    return true;
}

void routeJackMessagesToTrace()
{
    jack_set_error_function(&jackToTrace);
    jack_set_info_function(&jackToTrace);
}

} // namespace MidiSystemProbe
