#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// Decodes the time code a unit sends: MIDI time-code quarter frames, full-frame
// messages, the unit's time-code source report and the frame-rate reports that
// ride on the quarter-frame stream.
//
//   Quarter frame   F1 dd          dd bits 4-6 piece 0-7, bits 0-3 a nibble
//   Full frame      F0 7F 7F 01 01 hh mm ss ff ...   hh bits 0-4 hours, 5-6 rate
//   Source report   F0 7F 7F 10 ss ...               ss 1-6
//   Source report   any 16 bytes with byte 9 = 7F, source at byte 14
//
// Only these prefixes and lengths are tested; a trailing F7 is not required.
// The device number must be 7F (all devices).
//
// The quarter-frame accumulators and the last time text are process-wide and
// are never reset, not even when the device changes: a new stream overwrites
// them piece by piece. The time is the accumulator state when piece 7 arrives,
// with no correction for the two frames an eight-piece sequence spans.
class MidiTimecodeIn : public QObject
{
    Q_OBJECT
public:
    explicit MidiTimecodeIn(QObject *parent = nullptr);

    // Frame-rate report codes sent through sourcecodeReceived.
    enum RateReport { Report24 = 11, Report25 = 12, Report30Drop = 13, Report30 = 14 };

public slots:
    // Runs the quarter-frame, source-report and full-frame tests in that order;
    // one message may satisfy several. Emits synchronously.
    void processMidiMessage(QByteArray message);

signals:
    // "hh:mm:ss:ff" of a completed quarter-frame sequence, each field at least two
    // digits; only when it differs from the previous text.
    void timecodeReceived(QString timecode);
    // A source number 1-6, or a rate report code 11-14.
    void sourcecodeReceived(int num);
    // The time of a full-frame message; the rate bits are not passed on.
    void timeCodeParsed(int hour, int minute, int second, int frame);

private:
    // Returns the time text once piece 7 completes a changed time, else empty.
    QString takeQuarterFrame(quint8 data);
};
