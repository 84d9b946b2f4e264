// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding of quarter frames, full frames, source and rate reports, and the
// unit's position to a quarter frame.

#include "protocol/MidiTimecodeIn.h"

#include "support/Hex.h"
#include "support/ModelGenerator.h"
#include "support/QuarterFrames.h"

#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(FrameArithmetic::Label)

namespace {

// What the decoder reported, in order, as readable strings.
struct Recorder
{
    explicit Recorder(MidiTimecodeIn &in)
    {
        QObject::connect(&in, &MidiTimecodeIn::timecodeReceived, [this](const QString &t) { events << "time " + t; });
        QObject::connect(&in, &MidiTimecodeIn::sourcecodeReceived,
                         [this](int n) { events << "source " + QString::number(n); });
        QObject::connect(&in, &MidiTimecodeIn::timeCodeParsed, [this](int h, int m, int s, int f) {
            events << QStringLiteral("full %1 %2 %3 %4").arg(h).arg(m).arg(s).arg(f);
        });
        QObject::connect(&in, &MidiTimecodeIn::quarterFramePosition,
                         [this](const FrameArithmetic::Label &l, int quarters) {
                             positions << QStringLiteral("%1:%2:%3:%4+%5")
                                              .arg(l.hours).arg(l.minutes).arg(l.seconds).arg(l.frames).arg(quarters);
                         });
    }
    QStringList take() { return std::exchange(events, {}); }
    QStringList takePositions() { return std::exchange(positions, {}); }
    QStringList events;
    QStringList positions;
};

void feed(MidiTimecodeIn &in, const QList<QByteArray> &messages)
{
    for (const QByteArray &m : messages)
        in.processMidiMessage(m);
}

using PanelTest::ModelGenerator;

long long frameOf(const QString &text, const ModelGenerator &g)
{
    const QStringList parts = text.split(':');
    return FrameArithmetic::frameNumber(
        FrameArithmetic::Label{parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt()},
        g.rate);
}

// Feeds quarter frames one by one and checks each report against where the
// unit stood as the piece left it: a position is exact, a shown frame is the
// one the unit stands in or reaches within a quarter frame, and the shown
// frames follow one another without a gap. Returns the frames shown.
struct StreamCheck
{
    explicit StreamCheck(MidiTimecodeIn &in) : in(in)
    {
        QObject::connect(&in, &MidiTimecodeIn::timecodeReceived, [this](const QString &t) { texts << t; });
        QObject::connect(&in, &MidiTimecodeIn::quarterFramePosition,
                         [this](const FrameArithmetic::Label &l, int quarters) {
                             positions << 4 * FrameArithmetic::frameNumber(l, g->rate)
                                     + quarters;
                         });
    }
    // Returns false, with `why`, at the first report that is off.
    bool feed(const ModelGenerator &gen, long long from, long long to, QString *why)
    {
        g = &gen;
        for (long long q = from; q < to; ++q) {
            texts.clear();
            positions.clear();
            in.processMidiMessage(gen.message(q));
            const long long at = gen.quarterPosition(q);
            for (long long p : positions)
                if (p != at)
                    return fail(why, QString("position %1 at %2").arg(p).arg(at));
            for (const QString &t : texts) {
                const long long f = frameOf(t, gen);
                const long long ahead = 4 * f - at;
                if (ahead < 0 || ahead > 1 || (shown >= 0 && f != shown + (gen.reverse ? -1 : 1)))
                    return fail(why, QString("%1 shown at %2 after %3").arg(t).arg(at).arg(shown));
                shown = f;
                ++frames;
            }
        }
        return true;
    }
    bool fail(QString *why, const QString &text)
    {
        *why = text;
        return false;
    }
    MidiTimecodeIn &in;
    const ModelGenerator *g = nullptr;
    QStringList texts;
    QList<long long> positions;
    long long shown = -1;
    int frames = 0;
};

void feedPieces(MidiTimecodeIn &in, std::initializer_list<int> dataBytes)
{
    for (int d : dataBytes) {
        QByteArray message(3, '\0');
        message[0] = char(0xF1);
        message[1] = char(d);
        in.processMidiMessage(message);
    }
}
} // namespace

class TestTimecodeIn : public QObject
{
    Q_OBJECT
private slots:
    void quarterFrameSequences()
    {
        MidiTimecodeIn in;
        Recorder got(in);

        // A lone piece only changes its nibble.
        in.processMidiMessage(hex("F12500"));
        QVERIFY(got.take().isEmpty());

        // 01:02:03:04 at 25 fps: the rate comes before the time, which is
        // two frames on from the label.
        feedPieces(in, {0x04, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x72});
        QCOMPARE(got.take(), (QStringList{"source 12", "time 01:02:03:06"}));
        // The same label again is off the timeline: it is not shown, the
        // frames the timeline holds are (and the rate as always).
        feedPieces(in, {0x04, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x72});
        QCOMPARE(got.take(), (QStringList{"time 01:02:03:07", "source 12", "time 01:02:03:08"}));
        QCOMPARE(in.streamHealth().rejectedLabels, 1);
    }

    // The rate rides on piece 7; with the hour's bit 4 set no rate is reported.
    void rateReports_data()
    {
        QTest::addColumn<int>("piece7");
        QTest::addColumn<QStringList>("reported");
        QTest::newRow("24") << 0x70 << QStringList{"source 11", "time 01:02:03:06"};
        QTest::newRow("25") << 0x72 << QStringList{"source 12", "time 01:02:03:06"};
        QTest::newRow("30 drop") << 0x74 << QStringList{"source 13", "time 01:02:03:06"};
        QTest::newRow("30") << 0x76 << QStringList{"source 14", "time 01:02:03:06"};
        QTest::newRow("25, hours 17") << 0x73 << QStringList{"time 17:02:03:06"};
        // Only bit 0 of the nibble is the hour's: 7F is hour bit 4 at 30.
        QTest::newRow("7F") << 0x7F << QStringList{"time 17:02:03:06"};
    }
    void rateReports()
    {
        QFETCH(int, piece7);
        QFETCH(QStringList, reported);
        MidiTimecodeIn in;
        Recorder got(in);
        feedPieces(in, {0x04, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, piece7});
        QCOMPARE(got.take(), reported);
    }

    void labelsAdvanceTwoFrames_data()
    {
        QTest::addColumn<int>("rateCode");
        QTest::addColumn<FrameArithmetic::Label>("label");
        QTest::addColumn<QString>("shown");
        QTest::newRow("25") << 1 << FrameArithmetic::Label{1, 2, 3, 4} << "01:02:03:06";
        QTest::newRow("24 second") << 0 << FrameArithmetic::Label{1, 2, 3, 22} << "01:02:04:00";
        QTest::newRow("30 day") << 3 << FrameArithmetic::Label{23, 59, 59, 29} << "00:00:00:01";
        QTest::newRow("drop minute 1") << 2 << FrameArithmetic::Label{0, 0, 59, 28} << "00:01:00:02";
        QTest::newRow("drop minute 10") << 2 << FrameArithmetic::Label{0, 9, 59, 28} << "00:10:00:00";
        QTest::newRow("drop day") << 2 << FrameArithmetic::Label{23, 59, 59, 29} << "00:00:00:01";
        // Labels that no unit sends are rejected.
        QTest::newRow("drop skipped label") << 2 << FrameArithmetic::Label{0, 1, 0, 0} << "";
        QTest::newRow("frames beyond the rate") << 1 << FrameArithmetic::Label{1, 2, 3, 25} << "";
        QTest::newRow("frames 247") << 1 << FrameArithmetic::Label{1, 2, 3, 247} << "";
    }
    void labelsAdvanceTwoFrames()
    {
        QFETCH(int, rateCode);
        QFETCH(FrameArithmetic::Label, label);
        QFETCH(QString, shown);
        MidiTimecodeIn in;
        QSignalSpy texts(&in, &MidiTimecodeIn::timecodeReceived);
        feed(in, PanelTest::quarterFrames(label.hours, label.minutes, label.seconds, label.frames, rateCode));
        QCOMPARE(texts.size(), shown.isEmpty() ? 0 : 1);
        if (!shown.isEmpty())
            QCOMPARE(texts[0][0].toString(), shown);
    }

    // Streams by a generator's own clock, latched or filled from a live
    // counter, forward over whole minutes and in reverse over a minute's
    // start. Every frame is shown once, in order, when the unit reaches it;
    // a spliced label (minutes of the next frame) is rejected and changes
    // nothing else.
    void modelStreams_data()
    {
        QTest::addColumn<FrameRate>("rate");
        QTest::addColumn<FrameArithmetic::Label>("first");
        QTest::addColumn<bool>("reverse");
        QTest::addColumn<bool>("live");
        QTest::addColumn<int>("seconds");
        using L = FrameArithmetic::Label;
        struct Rate { const char *name; FrameRate rate; L even, odd; };
        const Rate rates[] = {{"24", FrameRate::Fps24, L{0, 0, 59, 0}, L{0, 0, 59, 1}},
                              {"25", FrameRate::Fps25, L{0, 0, 59, 0}, L{0, 0, 59, 1}},
                              {"30", FrameRate::Fps30, L{0, 59, 59, 0}, L{0, 59, 59, 1}},
                              {"30 drop", FrameRate::Fps30Drop, L{0, 9, 59, 0}, L{0, 9, 59, 1}}};
        for (const Rate &r : rates) {
            for (const bool live : {false, true}) {
                QTest::addRow("%s even%s", r.name, live ? " live" : "") << r.rate << r.even << false << live << 61;
                QTest::addRow("%s odd%s", r.name, live ? " live" : "") << r.rate << r.odd << false << live << 61;
            }
        }
        QTest::newRow("25 reverse") << FrameRate(FrameRate::Fps25) << L{0, 1, 1, 0} << true << false << 3;
        QTest::newRow("30 drop reverse") << FrameRate(FrameRate::Fps30Drop) << L{0, 1, 1, 1} << true << false << 3;
        QTest::newRow("30 odd reverse live") << FrameRate(FrameRate::Fps30) << L{1, 0, 1, 1} << true << true << 3;
    }
    void modelStreams()
    {
        QFETCH(FrameRate, rate);
        QFETCH(FrameArithmetic::Label, first);
        QFETCH(bool, reverse);
        QFETCH(bool, live);
        QFETCH(int, seconds);
        ModelGenerator g{rate, FrameArithmetic::frameNumber(first, rate), reverse, live};
        const long long quarters = 4LL * rate.framesPerSecond() * seconds;
        int spliced = 0;
        for (long long q = 0; q + 8 <= quarters; q += 8) {
            const FrameArithmetic::Label l = g.labelOf(g.labelFrame(q)), next = g.labelOf(g.labelFrame(q) + 1);
            spliced += live && (l.minutes != next.minutes || l.hours != next.hours);
        }

        MidiTimecodeIn in;
        StreamCheck check(in);
        QString why;
        QVERIFY2(check.feed(g, 0, quarters, &why), qPrintable(why));
        // All but the frames before the first whole label.
        QVERIFY2(check.frames >= quarters / 4 - 3, qPrintable(QString::number(check.frames)));
        QVERIFY2(in.streamHealth().rejectedLabels == spliced, qPrintable(QString("%1 rejected, %2 spliced").arg(in.streamHealth().rejectedLabels).arg(spliced)));
        QCOMPARE(in.streamHealth().confirmedJumps, 0);
        QCOMPARE(in.streamHealth().lostPieces, 0);
        if (live && !reverse && (first.frames % 2 != 0) == (rate.framesPerSecond() % 2 == 0))
            QVERIFY(spliced > 0); // the rows meant to splice do
    }

    // A locate mid-stream shows within one label without a full frame, at
    // once with one; a lost piece costs only its label.
    void jumpsAndLostPieces_data()
    {
        QTest::addColumn<bool>("fullFrame");
        QTest::addColumn<int>("lostQuarter"); // -1 for none
        QTest::newRow("jump") << false << -1;
        QTest::newRow("jump with full frame") << true << -1;
        QTest::newRow("lost piece") << false << 8 * 3 + 5;
        QTest::newRow("lost piece 3") << false << 8 * 3 + 3;
        QTest::newRow("lost piece 7") << false << 8 * 3 + 7;
    }
    void jumpsAndLostPieces()
    {
        QFETCH(bool, fullFrame);
        QFETCH(int, lostQuarter);
        ModelGenerator before{FrameRate::Fps25, FrameArithmetic::frameNumber({1, 0, 0, 0}, FrameRate::Fps25)};
        MidiTimecodeIn in;
        StreamCheck check(in);
        QString why;
        for (long long q = 0; q < 8 * 6; ++q)
            if (q != lostQuarter)
                QVERIFY2(check.feed(before, q, q + 1, &why), qPrintable(why));
        QCOMPARE(in.streamHealth().lostPieces, lostQuarter < 0 ? 0 : 1);
        if (lostQuarter >= 0) {
            QCOMPARE(in.streamHealth().rejectedLabels, 0);
            return;
        }

        ModelGenerator after{FrameRate::Fps25, FrameArithmetic::frameNumber({1, 20, 0, 10}, FrameRate::Fps25)};
        if (fullFrame)
            in.processMidiMessage(hex("F07F7F0101211400 0AF7"));
        QStringList shown;
        QObject::connect(&in, &MidiTimecodeIn::timecodeReceived, [&shown](const QString &t) { shown << t; });
        for (long long q = 0; q < 8 * 3; ++q) {
            in.processMidiMessage(after.message(q));
            // The new place once it shows, and from then on each frame as
            // the unit reaches it.
            if (!shown.isEmpty() && shown.last().startsWith("01:20")) {
                QVERIFY2(q < (fullFrame ? 4 : 16), qPrintable(QString::number(q)));
                check.shown = frameOf(shown.last(), after);
                QVERIFY2(check.feed(after, q + 1, 8 * 5, &why), qPrintable(why));
                break;
            }
            QVERIFY2(shown.isEmpty() || shown.last().startsWith("01:00"), qPrintable(shown.join(',')));
        }
        QVERIFY(!shown.isEmpty() && shown.last().startsWith("01:20"));
        QCOMPARE(in.streamHealth().confirmedJumps, fullFrame ? 0 : 1);
    }

    // The panel moved the unit: nothing learned before reaches anyone, and
    // a stream that comes without its full frame (lost) gives no position
    // until a label of its own is whole.
    void ownLocateMakesEarlierPositionsStale()
    {
        MidiTimecodeIn in;
        in.reportPositionsOnlyAtLabelsAndAlarm();
        Recorder got(in);
        auto piece = [&in](const QByteArray &m) {
            in.takeQuarterFrame(quint8(m.at(1)));
            return in.takePieceReports();
        };
        QList<MidiTimecodeIn::PieceReports> queued;
        for (const QByteArray &m : PanelTest::quarterFrames(1, 0, 0, 18, 1) + PanelTest::quarterFrames(1, 0, 0, 20, 1))
            queued << piece(m);
        in.forgetTimeline();
        for (const auto &r : queued)
            in.emitPieceReports(r);
        QVERIFY(got.takePositions().isEmpty());
        QVERIFY(!got.take().contains("time 01:00:00:22"));

        const QList<QByteArray> first = PanelTest::quarterFrames(1, 0, 0, 0, 1);
        for (int i = 0; i < 7; ++i)
            in.emitPieceReports(piece(first[i]));
        QVERIFY(got.takePositions().isEmpty());
        in.emitPieceReports(piece(first[7]));
        QCOMPARE(got.takePositions(), QStringList{"1:0:0:0+7"});
    }

    // Piece k of the label of frame L leaves the unit at L + k/4.
    void positionToAQuarterFrame()
    {
        MidiTimecodeIn in;
        Recorder got(in);
        const auto label = [](int f) { return PanelTest::quarterFrames(1, 0, 0, f, 1); };
        // Unknown until a label is whole.
        feed(in, label(10).mid(3));
        QVERIFY(got.takePositions().isEmpty());
        feed(in, label(12));
        QCOMPARE(got.takePositions(), QStringList{"1:0:0:12+7"});
        // The next label's pieces are the frames that follow, before it is complete.
        feed(in, label(14).mid(0, 5));
        QCOMPARE(got.takePositions(),
                 (QStringList{"1:0:0:14+0", "1:0:0:14+1", "1:0:0:14+2", "1:0:0:14+3", "1:0:0:14+4"}));
        // A lost piece: the pieces that follow still say where the unit is.
        feed(in, label(14).mid(6));
        feed(in, label(16).mid(1, 1));
        QCOMPARE(got.takePositions(), (QStringList{"1:0:0:14+6", "1:0:0:14+7", "1:0:0:16+1"}));
        // A piece that runs back: unknown until the next whole label.
        feed(in, label(16).mid(3, 1));
        feed(in, label(16).mid(2));
        feed(in, label(18).mid(0, 7));
        QCOMPARE(got.takePositions(), QStringList{"1:0:0:16+3"});
        feed(in, label(18).mid(7));
        QCOMPARE(got.takePositions(), QStringList{"1:0:0:18+7"});
        feed(in, label(20));
        QCOMPARE(got.takePositions().first(), QString("1:0:0:20+0"));
        // A full frame is where the unit is; its stream starts there.
        in.processMidiMessage(PanelTest::hex("F07F7F010121000005F7"));
        feed(in, label(5).mid(0, 2));
        QCOMPARE(got.takePositions(), (QStringList{"1:0:0:5+0", "1:0:0:5+1"}));
        // A label that cannot exist is rejected; the timeline goes on.
        feed(in, label(5).mid(2));
        got.takePositions();
        feed(in, label(25));
        QCOMPARE(got.takePositions().size(), 8);
        feed(in, label(27).mid(0, 1));
        QCOMPARE(got.takePositions(), QStringList{"1:0:0:9+0"});
    }

    // The input thread's decoder keeps what each piece reports until it is
    // handed over, and then reports it as any decoder would, in order.
    void quietDecoderKeepsEachPiecesReports()
    {
        MidiTimecodeIn in;
        in.reportPositionsOnlyAtLabelsAndAlarm();
        Recorder got(in);
        auto pieces = [&in](const QList<QByteArray> &messages) {
            QList<MidiTimecodeIn::PieceReports> reports;
            for (const QByteArray &m : messages) {
                in.takeQuarterFrame(quint8(m.at(1)));
                reports << in.takePieceReports();
            }
            return reports;
        };
        auto reports = pieces(PanelTest::quarterFrames(1, 0, 0, 10, 1));
        // Piece 1 tells the way the stream runs; nothing else before the label.
        QCOMPARE(reports[1].direction, int(MidiTimecodeIn::Forward));
        reports[1].direction = -1;
        QVERIFY(std::all_of(reports.cbegin(), reports.cend() - 1, [](const auto &r) { return r.isEmpty(); }));
        QVERIFY(got.events.isEmpty() && got.positions.isEmpty());
        in.emitPieceReports(reports.last());
        QCOMPARE(got.take(), (QStringList{"source 12", "time 01:00:00:12"}));
        QCOMPARE(got.takePositions(), QStringList{"1:0:0:10+7"});

        // Past the alarm every piece reports where the unit is.
        in.setPositionAlarm(FrameArithmetic::Label{1, 0, 0, 12}, FrameRate::Fps25);
        reports = pieces(PanelTest::quarterFrames(1, 0, 0, 12, 1).mid(0, 2));
        for (const auto &r : reports)
            in.emitPieceReports(r);
        QVERIFY(got.take().isEmpty());
        QCOMPARE(got.takePositions(), (QStringList{"1:0:0:12+0", "1:0:0:12+1"}));
    }

    // One decoder does not see what another was fed.
    void decodersKeepTheirOwnState()
    {
        MidiTimecodeIn first;
        feed(first, PanelTest::quarterFrames(1, 2, 3, 4, 1));
        MidiTimecodeIn second;
        QSignalSpy texts(&second, &MidiTimecodeIn::timecodeReceived);
        feed(second, PanelTest::quarterFrames(1, 2, 3, 4, 1));
        QCOMPARE(texts.size(), 1);
        QCOMPARE(texts[0][0].toString(), QString("01:02:03:06"));
    }

    // One message to a fresh decoder, and what it reports.
    void singleMessages_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QStringList>("reported");
        // The 16-byte source report: byte 9 is 7F, the source at byte 14.
        const auto longForm = [](char marker, char source) {
            QByteArray m = hex("F0002100000000000000000000000000");
            m[9] = marker;
            m[14] = source;
            return m;
        };

        QTest::newRow("lone F1") << hex("F1") << QStringList();
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("source report of four bytes") << hex("F07F7F10") << QStringList();
        QTest::newRow("device 00") << hex("F07F0001010102030 4F7") << QStringList();
        QTest::newRow("short, device 00") << hex("F07F000104F7") << QStringList();
        QTest::newRow("full frame of eight bytes") << hex("F07F7F0101010203") << QStringList();
        QTest::newRow("note on") << hex("903C40") << QStringList();

        // Rate bits 3 (30 non-drop) do not reach any signal.
        QTest::newRow("full frame") << hex("F07F7F0101611E2D0CF7") << QStringList{"full 1 30 45 12"};
        // Set bit 7 is masked off the hours; no closing F7 is needed.
        QTest::newRow("full frame, bit 7, no F7") << hex("F07F7F0101B7000000") << QStringList{"full 23 0 0 0"};
        QTest::newRow("full frame, device 00") << hex("F07F000101010203 04F7") << QStringList();

        QTest::newRow("source 4") << hex("F07F7F1004F7") << QStringList{"source 4"};
        QTest::newRow("source 6") << hex("F07F7F1006F7") << QStringList{"source 6"};
        QTest::newRow("source 7") << hex("F07F7F1007F7") << QStringList();
        QTest::newRow("source 0") << hex("F07F7F1000F7") << QStringList();
        QTest::newRow("source, device 00") << hex("F07F001003F7") << QStringList();

        QTest::newRow("long source 3") << longForm(0x7F, 0x03) << QStringList{"source 3"};
        QTest::newRow("long source of 15 bytes") << longForm(0x7F, 0x03).left(15) << QStringList();
        QTest::newRow("long source of 17 bytes") << longForm(0x7F, 0x03) + char(0xF7) << QStringList();
        QTest::newRow("long source, byte 9 7E") << longForm(0x7E, 0x03) << QStringList();
        QTest::newRow("long source 7") << longForm(0x7F, 0x07) << QStringList();
        // A short report wins over the long form when both would match.
        QTest::newRow("short and long report") << hex("F07F7F1002000000007F000000000300")
                                               << QStringList{"source 2"};
    }

    void singleMessages()
    {
        QFETCH(QByteArray, message);
        QFETCH(QStringList, reported);
        MidiTimecodeIn in;
        Recorder got(in);
        in.processMidiMessage(message);
        QCOMPARE(got.take(), reported);
    }
};

QTEST_APPLESS_MAIN(TestTimecodeIn)
#include "tst_timecodein.moc"
