// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class EmulatedUnit;
class RtMidiIn;
class RtMidiOut;

// Shows an emulated unit to the computer's MIDI system as two virtual ports
// named like the unit ("TQR-30 Pro"), through RtMidi on ALSA or JACK, for the
// stand-alone emulator: the panel writes to the unit's input port and reads
// the unit's output port. The ports exist while the unit is present.
//
// Lives on the unit's thread.
class RtMidiUnitLink : public QObject
{
    Q_OBJECT
public:
    enum class Api { Default, Alsa, Jack };

    RtMidiUnitLink(EmulatedUnit *unit, Api api, QObject *parent = nullptr);
    ~RtMidiUnitLink() override;

    // False when the MIDI system could not be opened; errorText() says why.
    bool isOpen() const { return m_in != nullptr && m_out != nullptr; }
    QString errorText() const { return m_error; }
    // "ALSA" or "JACK".
    QString apiName() const;
    // Coming back after an unplug, the port the computer reads from is
    // registered this long after the one it writes to, as a unit's JACK
    // clients do. 0: together.
    void setReturnLagMs(int ms) { m_returnLagMs = ms; }

private:
    void follow(bool present);
    void openOutput();
    void send(const QByteArray &message);

    EmulatedUnit *m_unit;
    Api m_api;
    // Handed to RtMidi's callback, which runs on RtMidi's thread.
    QPointer<EmulatedUnit> m_target;
    QString m_error;
    std::unique_ptr<RtMidiIn> m_in;
    std::unique_ptr<RtMidiOut> m_out;
    int m_openedApi = 0; // the RtMidi::Api the input was made on
    int m_returnLagMs = 0;
    bool m_wasGone = false;
    // Counts comings and goings, so a late output of an earlier coming stays away.
    int m_presence = 0;
};
