#pragma once

#include "panel/FrameArithmetic.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>

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
// - A decoder that runs on the MIDI input's thread (see QMidiIn) is quiet
//   between labels: it reports the position with each completed label and,
//   while a position alarm is set, with every piece that finds the unit at or
//   past the alarm. Its receivers on the GUI thread are then woken about
//   fifteen times a second instead of for every piece, and still hear of End
//   with the piece that reaches it. It keeps what a piece reports instead of
//   emitting it; the input hands that to the GUI thread as one event, where
//   emitPieceReports() emits it.
class MidiTimecodeIn : public QObject
{
    Q_OBJECT
public:
    explicit MidiTimecodeIn(QObject *parent = nullptr);

    // Frame-rate report codes sent through sourcecodeReceived.
    enum RateReport { Report24 = 11, Report25 = 12, Report30Drop = 13, Report30 = 14 };

    // Makes this the input thread's decoder, quiet between labels and keeping
    // each piece's reports for takePieceReports(). Called once, before any
    // message.
    void reportPositionsOnlyAtLabelsAndAlarm() { m_quietBetweenLabels = true; }

    // What one quarter frame reported, in the order the signals carry it.
    struct PieceReports
    {
        int rateReport = 0; // a RateReport, 0 for none
        QString timecode;   // null for none
        bool positionKnown = false;
        FrameArithmetic::Label position;
        int quarterFrames = 0;

        bool isEmpty() const { return !rateReport && timecode.isNull() && !positionKnown; }
    };
    // On the input thread, after each takeQuarterFrame() of a quiet decoder.
    PieceReports takePieceReports();
    // On the decoder's own thread: emits the reports as a decoder that is not
    // quiet would have emitted them.
    void emitPieceReports(const PieceReports &reports);

    // The input thread's entries: the data byte of one quarter frame; and a
    // System Exclusive message, of which a full frame only sets where the
    // pieces that follow belong (the window's own decoder shows it).
    void takeQuarterFrame(quint8 data);
    void followFullFrame(const QByteArray &message);

    // From any thread. Sets, or clears, the position at which a quiet decoder
    // reports every piece again: `end`, counted at the given rate.
    void setPositionAlarm(const FrameArithmetic::Label &end, int framesPerSecond, bool dropFrame);
    void clearPositionAlarm();
    // From any thread: whether a quarter frame arrived since the last call.
    bool takeQuarterFrameSeen() { return m_quarterFrameSeen.exchange(false, std::memory_order_relaxed); }

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
    void completeLabel(quint8 data, bool whole);
    // Full-frame label of a message, when it is one.
    static bool fullFrameLabel(const QByteArray &message, FrameArithmetic::Label &label);
    void startFromFullFrame(const FrameArithmetic::Label &label);
    bool alarmReached(int piece) const;
    // Emitted at once, or kept for takePieceReports() by a quiet decoder.
    void reportRate(RateReport code);
    void reportText(const QString &timecode);
    void reportPosition(const FrameArithmetic::Label &label, int quarterFrames);

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

    bool m_quietBetweenLabels = false;
    PieceReports m_pieceReports; // input thread only
    // The alarm packed into one word, so that the GUI thread sets it without
    // a lock; 0 when none is set.
    std::atomic<quint32> m_alarm{0};
    std::atomic<bool> m_quarterFrameSeen{false};
};
