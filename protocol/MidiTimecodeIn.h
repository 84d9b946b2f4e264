#pragma once

#include "panel/FrameArithmetic.h"

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
// Conventions
// - Quarter frames run forward: piece k (0-7) of the label of frame L leaves a
//   running unit when it stands at L + k/4 frames, so the label is complete
//   with piece 7 at L + 1.75 and the next label is L + 2.
// - A label completed from quarter frames is reported advanced by two frames,
//   the frame the unit plays for most of the next two frames, counted at the
//   rate its piece 7 carries (drop-frame labels by SMPTE counting) and wrapped
//   at 24:00:00:00: 00:00:59;28 is reported as 00:01:00;02. A label that does
//   not exist at its rate (a field out of range, a skipped drop-frame label) is
//   reported as it came.
// - Full frames describe the frame the unit is at and are reported as they are.
// - The unit's position is known to a quarter frame once a full frame arrived
//   or a label was completed from its eight pieces in order, and stays known
//   while the pieces run forward, also past a lost piece (which only costs
//   that label's text); a piece that runs back, or a piece 7 straight after
//   a piece 7, forgets it until the next whole label.
// - The accumulators and the last time text belong to the decoder and are
//   never reset, not even when the device changes: a new stream overwrites
//   them piece by piece.
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
    // "hh:mm:ss:ff" of a completed quarter-frame label, advanced as above, each
    // field at least two digits; only when it differs from the previous text.
    void timecodeReceived(QString timecode);
    // After every quarter frame while the position is known: the unit stands
    // `quarterFrames` (0-7) quarter frames past the start of frame `label`.
    // Follows the rate report and the time text of the same piece.
    void quarterFramePosition(FrameArithmetic::Label label, int quarterFrames);
    // A source number 1-6, or a rate report code 11-14.
    void sourcecodeReceived(int num);
    // The time of a full-frame message; the rate bits are not passed on.
    void timeCodeParsed(int hour, int minute, int second, int frame);

private:
    void takeQuarterFrame(quint8 data);
    void completeLabel(quint8 data, bool whole);

    // Fields assembled from the pieces, as they came.
    int m_frames = 0;
    int m_seconds = 0;
    int m_minutes = 0;
    int m_hours = 0;
    QString m_lastText;
    // The last piece received; 7 after a full frame, -1 before any.
    int m_lastPiece = -1;
    // Pieces of the current label received in order, from its piece 0.
    int m_piecesInOrder = 0;
    // The label the pieces now arriving belong to, when known.
    bool m_labelKnown = false;
    FrameArithmetic::Label m_label;
};
