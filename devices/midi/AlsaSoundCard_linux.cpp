// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/AlsaSoundCard.h"

#include <alsa/asoundlib.h>

namespace AlsaSoundCard {

namespace {

void silentAlsa(const char *, int, const char *, int, const char *, ...) {}

} // namespace

std::optional<int> cardOfClient(int client)
{
    // A sequencer client of its own for one question: asked once per
    // connection, so not worth keeping open.
    snd_lib_error_set_handler(&silentAlsa);
    snd_seq_t *seq = nullptr;
    std::optional<int> card;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) == 0) {
        snd_seq_client_info_t *info = nullptr;
        snd_seq_client_info_alloca(&info);
        if (snd_seq_get_any_client_info(seq, client, info) == 0) {
            const int number = snd_seq_client_info_get_card(info);
            if (number >= 0)
                card = number;
        }
        snd_seq_close(seq);
    }
    snd_lib_error_set_handler(nullptr);
    return card;
}

} // namespace AlsaSoundCard
