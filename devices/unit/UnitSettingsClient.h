// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "protocol/UnitSettings.h"
#include "unit/SettingSequence.h"

#include <QByteArray>
#include <QFlags>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class UnitSession;

// Reads and writes the connected unit's settings over its MIDI pair, without
// any window: the command line's get, set, backup and restore, and the
// panel's settings files. Writes go through SettingSequence, with the same
// acknowledgements and step timeout as the OSC window; values are checked as
// the windows check them (UnitSettings::problem) before anything is sent.
//
// Reading asks the unit with its two read requests (IP, and OSC, which the
// unit answers with its UDP and TCP ports too) and waits for every report a
// group needs. The unit has no request for its offset: the client keeps the
// last one the unit reported since it was connected.
//
// One read or write at a time; the session hands it every message first, and
// the acknowledgements of its own writes go to nobody else.
class UnitSettingsClient : public QObject
{
    Q_OBJECT
public:
    enum Group {
        Addressing = 0x1,
        Osc = 0x2,
        Ports = 0x4,
        Offset = 0x8,
    };
    Q_DECLARE_FLAGS(Groups, Group)

    enum class Failure {
        Unsupported,  // the connected model has no such setting
        Invalid,      // a value no unit would take
        Busy,         // another read or write is running
        NotConnected, // no unit, or it went away
        Refused,      // the unit answered with a failure
        NoAnswer,     // the unit did not answer in time
    };
    Q_ENUM(Failure)

    static constexpr int kReadTimeoutMs = 3000;
    // After the last report a read needs, OSC targets still reported are
    // taken this long.
    static constexpr int kSettleMs = 150;

    explicit UnitSettingsClient(UnitSession *session, QObject *parent = nullptr);
    ~UnitSettingsClient() override;

    // Tests shorten the waits.
    void setTimeouts(int readMs, int stepMs);

    // What the connected model has: Offset always; Addressing on the TQR-30
    // series; Osc and Ports on the TQR-30 Pro. Nothing when no unit is connected.
    Groups supportedGroups() const;
    std::optional<int> reportedOffset() const { return m_offset; }
    // The firmware version the unit's serial port reported since it was
    // connected; empty when it has not (or the model has no serial port).
    QString firmwareVersion() const { return m_firmware; }
    // The model as the unit named it, else as its port's name does.
    QString modelName() const;
    bool isBusy() const;

    // readFinished() with the groups asked for that the model has (Offset
    // only when reported), or failed().
    void read(Groups groups);
    // Writes every group present; writeFinished() or failed(). The settings'
    // unset OSC targets are left alone.
    void write(const UnitSettings &settings);

    // Every message the unit sends; true when it was the answer to a write of
    // this client and nobody else should see it.
    bool takeMessage(const QByteArray &message);
    // The session's unit changed or went away: what runs fails.
    void forgetUnit();

    static QString groupName(Group group);

signals:
    void readFinished(const UnitSettings &settings);
    void writeFinished();
    void failed(UnitSettingsClient::Failure failure, const QString &message);

private:
    bool send(const QByteArray &message);
    void fail(Failure failure, const QString &message);
    void takeReport(const QByteArray &message);
    void checkReadComplete();
    void onReadTimeout();
    void onWriteFinished();
    QString missingText() const;

    UnitSession *m_session;
    SettingSequence *m_sequence;
    std::optional<int> m_offset;
    QString m_firmware;

    // The read in progress.
    bool m_reading = false;
    Groups m_readGroups;
    UnitSettings m_read;
    std::optional<bool> m_dhcp;
    QString m_address, m_subnet, m_gateway;
    std::optional<quint16> m_localPort, m_udp, m_tcp;
    std::optional<bool> m_forward;
    QTimer m_readTimer;
    QTimer m_settleTimer;
    bool m_settled = false;
    int m_readTimeoutMs = kReadTimeoutMs;
    int m_stepTimeoutMs = SettingSequence::kStepTimeoutMs;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(UnitSettingsClient::Groups)
