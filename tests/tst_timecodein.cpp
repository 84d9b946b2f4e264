// Decoding of quarter frames, full frames, source and rate reports, and the
// unit's position to a quarter frame.

#include "protocol/MidiTimecodeIn.h"

#include "support/Hex.h"
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
        // The same time again: the rate again, but no repeated text.
        feedPieces(in, {0x04, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x72});
        QCOMPARE(got.take(), QStringList{"source 12"});

        // Rates 24, 30 drop, 30 at hours below 16.
        feedPieces(in, {0x05, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x70});
        QCOMPARE(got.take(), (QStringList{"source 11", "time 01:02:03:07"}));
        feedPieces(in, {0x06, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x74});
        QCOMPARE(got.take(), (QStringList{"source 13", "time 01:02:03:08"}));
        feedPieces(in, {0x07, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x76});
        QCOMPARE(got.take(), (QStringList{"source 14", "time 01:02:03:09"}));

        // Hour bit 4 set (71/73/75/77): hours 16 and up, no rate.
        feedPieces(in, {0x67, 0x73});
        QCOMPARE(got.take(), QStringList{"time 23:02:03:09"});
        for (int d : {0x71, 0x75, 0x77}) {
            feedPieces(in, {0x00 | (d & 0x0F), 0x60, d}); // change frames so the text differs
            const QStringList events = got.take();
            QCOMPARE(events.size(), 1);
            QVERIFY2(events[0].startsWith("time 1"), qPrintable(events.join(',')));
        }

        // Piece 7 keeps only bit 0 of its nibble: 7F gives hour bit 4, not bits 5-7.
        feedPieces(in, {0x61, 0x7F});
        QCOMPARE(got.take(), QStringList{"time 17:02:03:09"});

        // High nibbles of pieces 1, 3, 5 are taken whole; a label that cannot
        // exist is shown as it came.
        feedPieces(in, {0x1F, 0x7F});
        QCOMPARE(got.take(), QStringList{"time 17:02:03:247"});
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
        QTest::newRow("drop skipped label") << 2 << FrameArithmetic::Label{0, 1, 0, 0} << "00:01:00:00";
        QTest::newRow("frames beyond the rate") << 1 << FrameArithmetic::Label{1, 2, 3, 25} << "01:02:03:25";
    }
    void labelsAdvanceTwoFrames()
    {
        QFETCH(int, rateCode);
        QFETCH(FrameArithmetic::Label, label);
        QFETCH(QString, shown);
        MidiTimecodeIn in;
        QSignalSpy texts(&in, &MidiTimecodeIn::timecodeReceived);
        feed(in, PanelTest::quarterFrames(label.hours, label.minutes, label.seconds, label.frames, rateCode));
        QCOMPARE(texts.size(), 1);
        QCOMPARE(texts[0][0].toString(), shown);
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
        // A label that cannot exist gives no position.
        feed(in, label(5).mid(2));
        got.takePositions();
        feed(in, label(25));
        QCOMPARE(got.takePositions().size(), 7);
        feed(in, label(27).mid(0, 1));
        QVERIFY(got.takePositions().isEmpty());
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
        QVERIFY(std::all_of(reports.cbegin(), reports.cend() - 1, [](const auto &r) { return r.isEmpty(); }));
        QVERIFY(got.events.isEmpty() && got.positions.isEmpty());
        in.emitPieceReports(reports.last());
        QCOMPARE(got.take(), (QStringList{"source 12", "time 01:00:00:12"}));
        QCOMPARE(got.takePositions(), QStringList{"1:0:0:10+7"});

        // Past the alarm every piece reports where the unit is.
        in.setPositionAlarm(FrameArithmetic::Label{1, 0, 0, 12}, 25, false);
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
        feedPieces(second, {0x72});
        QCOMPARE(texts.size(), 1);
        QCOMPARE(texts[0][0].toString(), QString("00:00:00:02"));
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
