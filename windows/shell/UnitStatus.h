// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

// The window's one quiet status line: which unit is connected (its model from
// the identification reply, its firmware from the serial link) and the last
// thing that went wrong or was done. Texts that come from the unit are data
// and are shown as plain text.
//
// Without a unit the line says so, with the reason when the MIDI system
// itself could not be opened.
class UnitStatus : public QObject
{
    Q_OBJECT
public:
    explicit UnitStatus(QObject *parent = nullptr);

    // A MIDI unit was picked (label of its output port); nothing is known of it yet.
    void connected(const QString &label);
    // The unit is gone; `why` becomes the last event.
    void disconnected(const QString &why);
    void setModel(const QString &model);
    void setFirmware(const QString &version);
    // Empty when a MIDI system is open.
    void setMidiUnavailable(const QString &text);
    void noteProblem(const QString &text);
    void noteDone(const QString &text);

    QString text() const;
    // The last event was a problem (the window shows it in another colour).
    bool lastIsProblem() const { return m_lastIsProblem; }

signals:
    void changed();

private:
    void setLast(const QString &text, bool problem);

    bool m_connected = false;
    QString m_label;
    QString m_model;
    QString m_firmware;
    QString m_midiUnavailable;
    QString m_last;
    bool m_lastIsProblem = false;
};
