#pragma once

#include <QByteArray>
#include <QString>

// What one chunk from the unit's serial link says about the unit.
//   model reply:   ... "TQR-30 Pro" CR LF ...           (the model text starts at "TQR-")
//   version reply: ... AA CC 06 xx xx "V1.0.2" CR LF ... (text from three bytes past the marker)
// A chunk whose byte 6 is 'o' carries no version; neither does a chunk of 6 bytes or less.
struct SerialIdentity
{
    bool hasModel = false;
    QString model;        // empty when the chunk has "TQR-" but no CR LF after it
    bool hasVersion = false;
    QString version;      // likewise without a CR LF
    bool usable = false;  // long enough and not an 'o' status chunk: may start the check
};

SerialIdentity parseSerialIdentity(const QByteArray &chunk);
