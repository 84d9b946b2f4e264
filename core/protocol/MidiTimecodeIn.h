// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timecode/FrameArithmetic.h"
#include "timecode/FrameRate.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <optional>

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
// - Piece k (0-7) of the label of frame L leaves a running unit when it stands
//   at L + k/4 frames, whichever way it runs. Running forward the pieces come
//   0 to 7, so a label is complete with piece 7 at L + 1.75 and the next label
//   is L + 2. Running in reverse they come 7 to 0: a label is complete with
//   piece 0, when the unit stands at L itself, and the next label is L - 2.
//   Which way the stream runs is told by the order of its pieces.
// - What is shown is the frame the unit stands in, or reaches within a quarter
//   frame: forward, L + 1 with piece 3 and L + 2 with piece 7 (00:00:59;28
//   completes as 00:01:00;02 at drop frame); in reverse L + 1 with piece 4 and
//   L with piece 0. So every frame is shown, counted at the rate the pieces
//   carry (drop-frame labels by SMPTE counting) and wrapped at 24:00:00:00.
// - The timeline check. A label counts only when its eight pieces came in
//   order, it exists at its rate (no field out of range, no skipped drop-frame
//   label), and it lies where the timeline puts it: two frames on from the
//   last accepted label in the stream's direction, at the same rate. A label
//   that does not fit is held as a candidate and neither shown nor used; the
//   next label that lies two frames on from the candidate confirms a jump and
//   becomes the timeline, so a real jump shows one label late. With no
//   timeline the first label that counts starts one. A full frame always sets
//   the timeline. The timeline is forgotten when the stream pauses for more
//   than kStoppedAfterFrames frames, turns round, repeats a piece, and when
//   the panel moves the unit itself (forgetTimeline()): what was learned
//   before that is stale, and reports made before it are dropped.
// - Only frames the timeline holds are shown and only they give a position:
//   a rejected label, or one that lost a piece, costs that label and nothing
//   else, and the shown frames go on along the timeline.
// - The unit's position is known to a quarter frame while a timeline is.
// - The accumulators and the last time text belong to the decoder and are
//   never reset, not even when the device changes: a new stream overwrites
//   them piece by piece.
// - A decoder that runs on the MIDI input's thread (see QMidiIn) is quiet
//   between shown frames: it reports the position with each frame it shows
//   and, while a position alarm is set and the stream runs forward, with
//   every piece that finds the unit at or past the alarm. Its receivers on the
//   GUI thread are then woken about thirty times a second instead of for
//   every piece, and still hear of End with the piece that reaches it. It
//   keeps what a piece reports instead of emitting it; the input hands that
//   to the GUI thread as one event, where emitPieceReports() emits it.
class MidiTimecodeIn : public QObject
{
    Q_OBJECT
public:
    explicit MidiTimecodeIn(QObject *parent = nullptr);

    // Which way the pieces run; Unknown before two pieces told it.
    enum Direction { Unknown = 0, Forward = 1, Reverse = 2 };
    Q_ENUM(Direction)
    // No piece for longer than this many frames: the stream stopped.
    static constexpr int kStoppedAfterFrames = 4;

    // Makes this the input thread's decoder, quiet between shown frames and
    // keeping each piece's reports for takePieceReports(). Called once, before
    // any message.
    void reportPositionsOnlyAtLabelsAndAlarm() { m_quietBetweenLabels = true; }

    // What one quarter frame reported, in the order the signals carry it.
    struct PieceReports
    {
        std::optional<FrameRate> rate;
        QString timecode;   // null for none
        bool positionKnown = false;
        FrameArithmetic::Label position;
        int quarterFrames = 0;
        int direction = -1; // a Direction when it changed, -1 for none
        // forgetTimeline() calls counted when the piece came: a later call
        // makes the time and position stale.
        quint32 locates = 0;

        bool isEmpty() const { return !rate && timecode.isNull() && !positionKnown && direction < 0; }
    };
    // On the input thread, after each takeQuarterFrame() of a quiet decoder.
    PieceReports takePieceReports();
    // On the decoder's own thread: emits the reports as a decoder that is not
    // quiet would have emitted them, less the time and position when the
    // panel moved the unit since the piece came.
    void emitPieceReports(const PieceReports &reports);

    // The input thread's entries: the data byte of one quarter frame; and a
    // System Exclusive message, of which a full frame only sets where the
    // pieces that follow belong (the window's own decoder shows it).
    void takeQuarterFrame(quint8 data);
    void followFullFrame(const QByteArray &message);

    // From any thread. Sets, or clears, the position at which a quiet decoder
    // reports every piece again: `end`, counted at the given rate.
    void setPositionAlarm(const FrameArithmetic::Label &end, FrameRate rate);
    void clearPositionAlarm();
    // From any thread: whether a quarter frame arrived since the last call.
    bool takeQuarterFrameSeen() { return m_quarterFrameSeen.exchange(false, std::memory_order_relaxed); }
    // From any thread: the panel has sent the unit elsewhere. Every position
    // learned so far is stale; the next full frame or label that counts
    // starts the timeline again.
    void forgetTimeline() { m_locates.fetch_add(1, std::memory_order_relaxed); }

    // How the stream has gone since the last resetStreamHealth(); readable
    // from any thread.
    struct StreamHealth
    {
        int lostPieces = 0;
        int rejectedLabels = 0;
        int confirmedJumps = 0;
    };
    StreamHealth streamHealth() const;
    // The stream now: Unknown when no piece came since the last reset or the
    // last piece is more than kStoppedAfterFrames frames old, else its
    // direction. `stopped` tells the two Unknowns apart.
    Direction streamDirection(bool *stopped = nullptr) const;
    // On the decoder's thread while no piece is delivered (a port opening):
    // counts from zero, no stream. Emits streamHealthReset().
    void resetStreamHealth();

public slots:
    // Runs the quarter-frame, source-report and full-frame tests in that order;
    // one message may satisfy several. Emits synchronously.
    void processMidiMessage(QByteArray message);

signals:
    // "hh:mm:ss:ff" of each frame shown, as above, each field at least two
    // digits; only when it differs from the previous text.
    void timecodeReceived(QString timecode);
    // While the position is known: the unit stands `quarterFrames` (0-7)
    // quarter frames past the start of frame `label`. After every piece, or
    // for a quiet decoder as said above. Follows the rate report and the time
    // text of the same piece.
    void quarterFramePosition(FrameArithmetic::Label label, int quarterFrames);
    // The stream turned, or its direction became known (a Direction).
    void directionChanged(int direction);
    void streamHealthReset();
    // A source number 1-6, or a rate report 11-14 (FrameRate::report()).
    void sourcecodeReceived(int num);
    // The time of a full-frame message; the rate bits are not passed on.
    void timeCodeParsed(int hour, int minute, int second, int frame);

private:
    // Full-frame label and rate of a message, when it is one.
    static bool fullFrameLabel(const QByteArray &message, FrameArithmetic::Label &label, FrameRate *rate = nullptr);
    void startFromFullFrame(const FrameArithmetic::Label &label, FrameRate rate);
    // Where the pieces now arriving stand is no longer known.
    void forgetStream();
    // Follows the step from the last piece to `piece`; false when the stream
    // can no longer be followed.
    bool followStep(int piece, bool *wrapped);
    void setDirection(Direction direction);
    // The timeline check of a label whose pieces came whole; true when accepted.
    bool checkLabel(const FrameArithmetic::Label &label, FrameRate rate);
    void showFrame(long long framesOn);
    bool alarmReached(int piece) const;
    // Emitted at once, or kept for takePieceReports() by a quiet decoder.
    void reportRate(FrameRate rate);
    void reportText(const QString &timecode);
    void reportPosition(const FrameArithmetic::Label &label, int quarterFrames);
    void reportDirection(Direction direction);

    // Fields assembled from the pieces, as they came.
    int m_frames = 0;
    int m_seconds = 0;
    int m_minutes = 0;
    int m_hours = 0;
    FrameRate m_pieceSevenRate; // of the last piece 7
    QString m_lastText;
    // The last piece received; -1 before any and after the stream was lost.
    int m_lastPiece = -1;
    // Pieces received in order from piece 0 upwards and from piece 7 down.
    int m_forwardRun = 0;
    int m_reverseRun = 0;
    Direction m_direction = Unknown;
    // The timeline: the label the pieces now arriving belong to, and its rate.
    bool m_timelineKnown = false;
    FrameArithmetic::Label m_label;
    FrameRate m_rate = FrameRate::Fps30;
    // After a full frame, the first piece tells which way its stream starts.
    bool m_afterFullFrame = false;
    // A label that did not fit, moved on with the timeline as the pieces go.
    bool m_candidateKnown = false;
    FrameArithmetic::Label m_candidate;
    FrameRate m_candidateRate = FrameRate::Fps30;
    qint64 m_lastPieceNs = 0;
    quint32 m_locatesSeen = 0;

    bool m_quietBetweenLabels = false;
    PieceReports m_pieceReports; // input thread only
    // The alarm packed into one word, so that the GUI thread sets it without
    // a lock; 0 when none is set.
    std::atomic<quint32> m_alarm{0};
    std::atomic<bool> m_quarterFrameSeen{false};
    std::atomic<quint32> m_locates{0};
    std::atomic<int> m_lostPieces{0};
    std::atomic<int> m_rejectedLabels{0};
    std::atomic<int> m_confirmedJumps{0};
    // steady_clock nanoseconds of the last piece, 0 for none; and its direction
    // and frame length, for streamDirection().
    std::atomic<qint64> m_lastPieceAt{0};
    std::atomic<int> m_streamDirection{Unknown};
    std::atomic<qint64> m_frameNs{1000000000 / 24};
};
