// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class FirmwareTransfer;
class MidiConnection;
class QLabel;
class QVBoxLayout;
class UnitSession;
class UnitStatus;

// The label under the transport group that shows the window's UnitStatus.
// What the status says comes from five places (the MIDI system, the
// connection, the unit's identification, the serial link and the firmware
// transfer); gathering those here keeps the window's constructor to wiring,
// and keeps the colour change for problems next to the label it colours.
class StatusLine : public QObject
{
    Q_OBJECT
public:
    // The label goes into `layout` at `position`; the other objects are borrowed.
    StatusLine(QVBoxLayout *layout, int position, UnitSession *session, MidiConnection *midi,
               FirmwareTransfer *transfer, QObject *parent);

    UnitStatus *status() const { return m_status; }
    QLabel *label() const { return m_label; }

private:
    void show();

    UnitStatus *m_status;
    QLabel *m_label;
};
