// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/MidiConnection.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <functional>

class FirmwareTransfer;
class MidiDriver;
class SerialPort;
class SerialPortCatalogue;
class UsbDescriptionSource;
class UnitSettingsClient;
class UsbDeviceLocator;

// One unit's whole life, without any widget: its MIDI pair (through
// MidiConnection), its serial port in normal mode, its upgrade-mode port and
// the firmware transfer between them. Windows and command-line front ends
// drive it and listen to its signals; it shows nothing itself.
//
//   Absent -> Connecting -> Connected -> Upgrading -> Reenumerating -> Connected
//   any connected state -> Lost (the unit's output vanished) -> back
//
// Connecting: the output is open, and the unit's input or its serial port is
// not (yet). Each half is followed on its own: a half that comes back, or
// comes late, is paired and opened when it appears.
//
// Two rules hold throughout:
// - A port that is gone is closed once, on the first error that says so, and
//   its half waits for the unit to come back; nothing is retried in a loop.
// - From the erase command to the transfer's end the serial port carries the
//   image alone. A reconnect during it pairs nothing on the serial side until
//   the transfer has ended; a reply during it is traced and ignored.
class UnitSession : public QObject
{
    Q_OBJECT
public:
    enum class State { Absent, Connecting, Connected, Upgrading, Reenumerating, Lost };
    Q_ENUM(State)

    // The platform seams, borrowed.
    struct Devices
    {
        MidiDriver *midi = nullptr;
        UsbDescriptionSource *usb = nullptr;
        // Null: nothing links a MIDI port to its USB device; the model rule pairs.
        UsbDeviceLocator *usbDevices = nullptr;
        SerialPortCatalogue *ports = nullptr;
    };

    // Where the unit's MIDI messages go after identification and the settings
    // client (which keeps the acknowledgements of its own writes), in this order:
    // osc, udp, timecode; then oscAck alone for the OSC acknowledgement, or
    // offset, messageSeen and ip for everything else. Empty ones are skipped.
    struct Feedback
    {
        std::function<void(const QByteArray &)> osc;
        std::function<void(const QByteArray &)> udp;
        std::function<void(const QByteArray &)> timecode;
        std::function<void(const QByteArray &)> oscAck;
        std::function<void(const QByteArray &)> offset;
        std::function<void()> messageSeen;
        std::function<void(const QByteArray &)> ip;
    };

    explicit UnitSession(const Devices &devices, QObject *parent = nullptr);
    ~UnitSession() override;

    MidiConnection *midi() const { return m_midi; }
    SerialPort *link() const { return m_link; }
    FirmwareTransfer *transfer() const { return m_transfer; }
    // Reads and writes the unit's settings; hears every message first.
    UnitSettingsClient *settings() const { return m_settings; }

    State state() const { return m_state; }
    // From the unit's identification reply; empty before it and after a
    // connect or disconnect.
    QString product() const { return m_product; }
    // The serial port paired with the unit in normal mode; empty when none.
    QString pairedSerialPort() const { return m_pairedPort; }

    void setFeedback(const Feedback &feedback) { m_feedback = feedback; }
    // Every message the unit sends.
    void receive(const QByteArray &message);

    // A menu pick: the connected entry disconnects, any other connects.
    void choose(const QString &label);
    // Stop, Locate to the start time twice, the identification request.
    void sendConnectSequence(const QString &startField, FrameRate rate);

    // Model and version replies from the serial port, one whole reply at a
    // time; unitIdentified() once per connection when both are known.
    void gatherUnitIdentity(const QByteArray &reply);
    // The firmware check took its answer: the next model and version count anew.
    void forgetSerialIdentity();

    // Writes a firmware image to the unit: prepare, its upgrade-mode port,
    // erase, the chunks. An empty image is refused by failed().
    void startFirmwareUpgrade(const QByteArray &image);
    // Puts the unit into upgrade mode and waits for its upgrade-mode port:
    // upgradeModeReady() with the port, which the session then holds open
    // until releaseUpgradePort(), or upgradeModeFailed() saying why. Whoever
    // writes the image on a link of its own releases the port first.
    void enterUpgradeMode();
    void releaseUpgradePort();

    // An error the serial port reported; the port itself closes when it is gone.
    void noteSerialError(QSerialPort::SerialPortError error);

signals:
    void stateChanged(UnitSession::State state);
    // After the session's own part of a connect or disconnect.
    void connected(const QString &label, bool again);
    void disconnected(const QString &label, MidiConnection::Loss loss);
    // An identification reply: product is set (tqrClass) or emptied.
    void identified(const QString &product, bool tqrClass);
    // The serial port of the connected unit was opened and asked for its model.
    void serialPaired(const QString &portName, const QString &description);
    // Model and version over the serial port, once per connection.
    void unitIdentified(const QString &model, const QString &version);
    void upgradeModeReady(const QString &portName);
    void upgradeModeFailed(const QString &message);
    // The unit's serial port is listed but would not open; once per connection.
    void serialOpenFailed(const QString &message);

private:
    void onConnected(const QString &label, bool again);
    void onDisconnected(const QString &label, MidiConnection::Loss loss);
    void onSerialLost();
    void onTransferStateChanged();
    // fresh: the port list is read again first.
    void pairSerial(bool fresh);
    // The USB device of the connected output, asked once per connection.
    QString unitUsbDevice();
    // How many MIDI outputs now listed name the same model as this port base
    // name (or, naming none, carry the same name).
    int unitsLike(const QString &unitName) const;
    bool wantsSerial() const;
    bool upgrading() const;
    void updateState();

    MidiDriver *m_driver;
    UsbDeviceLocator *m_usbDevices;
    SerialPortCatalogue *m_ports;
    MidiConnection *m_midi;
    SerialPort *m_link;
    FirmwareTransfer *m_transfer;
    UnitSettingsClient *m_settings;
    Feedback m_feedback;
    State m_state = State::Absent;
    QString m_product;
    QString m_pairedPort;
    // unitUsbDevice() for the output of that id.
    QString m_usbDeviceOutputId;
    QString m_usbDevice;
    QString m_model;
    QString m_version;
    bool m_checkStarted = false;
    bool m_pairingDeferred = false;
    bool m_holdUpgradePort = false;
    bool m_reenumerating = false;
    bool m_wasUpgrading = false;
    bool m_toldNoPort = false;
    bool m_toldOpenFailure = false;
};
