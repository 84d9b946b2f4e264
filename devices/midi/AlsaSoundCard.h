// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Which ALSA sequencer client, and so which sound card, a MIDI port belongs
// to. A USB unit's MIDI function is a card; its client number is the link
// from a port to the USB device that also has the unit's serial port.
namespace AlsaSoundCard {

// From an ALSA port id, "client:port 24:0".
std::optional<int> clientInAlsaId(const QString &id);

// From a JACK port's full name and its aliases, where the server put the
// sequencer client there: a2jmidid's "a2j:TQR-30 [24] (capture): ...",
// PipeWire's bridge ports "Midi-Bridge:TQR-30 24:(capture_0) ..." and its
// object paths "alsa:seq:default:client_24:capture_0". Ports of programs
// and jackd's own sequencer ports carry none.
std::optional<int> clientInJackNames(const QStringList &nameAndAliases);

// The card of a sequencer client, asked of the sequencer; none for a
// client of a program, or where there is no ALSA.
std::optional<int> cardOfClient(int client);

} // namespace AlsaSoundCard
