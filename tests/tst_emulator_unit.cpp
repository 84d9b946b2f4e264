// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/EmulatedUnit.h"
#include "protocol/MachineControl.h"
#include "support/Hex.h"
#include "support/LocateMessage.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using namespace FrameClock;
using UnitMessages::Model;

namespace {

// Gathers what a unit sends, and reassembles its quarter-frame stream the
// way a receiver does (a label completes with piece 7, in reverse with 0).
struct Listener
{
    explicit Listener(EmulatedUnit &unit)
    {
        QObject::connect(&unit, &EmulatedUnit::midiOut, [this](const QByteArray &message) { take(message); });
    }
    void take(const QByteArray &message)
    {
        if (message.size() == 2 && quint8(message.at(0)) == 0xF1) {
            const quint8 d = quint8(message.at(1));
            const int piece = d >> 4;
            pieces.append(piece);
            times.append(clock.nsecsElapsed());
            nibbles[piece] = d & 0x0F;
            if (piece == completingPiece) {
                Label label;
                label.frames = nibbles[0] | (nibbles[1] << 4);
                label.seconds = nibbles[2] | (nibbles[3] << 4);
                label.minutes = nibbles[4] | (nibbles[5] << 4);
                label.hours = nibbles[6] | ((nibbles[7] & 1) << 4);
                labels.append(label);
                rateBits.append((nibbles[7] >> 1) & 3);
            }
            return;
        }
        sysex.append(message);
    }
    int completingPiece = 7;
    int nibbles[8] = {};
    QList<int> pieces;
    QList<qint64> times;
    QList<Label> labels;
    QList<int> rateBits;
    QList<QByteArray> sysex;
    QElapsedTimer clock;
};

} // namespace

Q_DECLARE_METATYPE(UnitMessages::Model)
Q_DECLARE_METATYPE(FrameClock::Label)

class TestEmulatorUnit : public QObject
{
    Q_OBJECT
private slots:
    void identifiesAsItsModel_data()
    {
        QTest::addColumn<Model>("model");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("source");
        QTest::newRow("TQR-10") << Model::Tqr10 << hex("F000215E01010601F7") << 1;
        QTest::newRow("TQR-20") << Model::Tqr20 << hex("F000215E01010602F7") << 4;
        QTest::newRow("TQR-30") << Model::Tqr30 << hex("F000215E01010603F7") << 4;
        QTest::newRow("TQR-30 Pro") << Model::Tqr30Pro << hex("F000215E01010604F7") << 4;
    }
    void identifiesAsItsModel()
    {
        QFETCH(Model, model);
        QFETCH(QByteArray, reply);
        QFETCH(int, source);
        EmulatedUnit unit(model);
        Listener out(unit);
        unit.receiveMidi(hex("F07F7F1101F7"));
        QVERIFY(out.sysex.isEmpty()); // not powered on: not on the bus
        unit.powerOn();
        unit.receiveMidi(hex("F07F7F1101F7"));
        QCOMPARE(out.sysex, (QList<QByteArray> {reply, UnitMessages::sourceReport(source)}));
    }

    void locateSetsTimeAndRateAndSendsFullFrame()
    {
        EmulatedUnit unit;
        unit.powerOn();
        Listener out(unit);
        unit.receiveMidi(locateMessage(3, 1, 30, 45, 12));
        QCOMPARE(out.sysex, QList<QByteArray> {hex("F07F7F0101611E2D0CF7")});
        QCOMPARE(unit.rate(), FrameRate(FrameRate::Fps30));
        QCOMPARE(unit.position(), (Label {1, 30, 45, 12}));
        // A dropped drop-frame label stands for the next frame.
        unit.receiveMidi(locateMessage(2, 0, 1, 0, 0));
        QCOMPARE(out.sysex.last(), hex("F07F7F01014001 0002F7"));
        QVERIFY(!unit.isRunning());
    }

    void playStreamsAtTheRatesSpeed_data()
    {
        QTest::addColumn<FrameRate>("rate");
        QTest::addColumn<int>("rateBits");
        QTest::addColumn<double>("framesPerSecond");
        QTest::newRow("24") << FrameRate(FrameRate::Fps24) << 0 << 24.0;
        QTest::newRow("25") << FrameRate(FrameRate::Fps25) << 1 << 25.0;
        QTest::newRow("30Drop") << FrameRate(FrameRate::Fps30Drop) << 2 << 30000.0 / 1001.0;
        QTest::newRow("30") << FrameRate(FrameRate::Fps30) << 3 << 30.0;
    }
    void playStreamsAtTheRatesSpeed()
    {
        QFETCH(FrameRate, rate);
        QFETCH(int, rateBits);
        QFETCH(double, framesPerSecond);
        EmulatedUnit unit;
        unit.powerOn();
        unit.receiveMidi(locateMessage(rateBits, 1, 0, 0, 0));
        Listener out(unit);
        out.clock.start();
        unit.receiveMidi(MachineControl::play());
        QTest::qWait(1200);
        unit.receiveMidi(MachineControl::stop());
        const int sent = out.pieces.size();
        QTest::qWait(60);
        QCOMPARE(out.pieces.size(), sent); // Stop halts the stream

        // Pieces run 0..7 without a gap, and each sequence carries the rate.
        for (int i = 0; i < out.pieces.size(); ++i)
            QCOMPARE(out.pieces[i], i % 8);
        for (int bits : out.rateBits)
            QCOMPARE(bits, rateBits);
        // Each sequence moves the label on by two frames.
        for (int i = 1; i < out.labels.size(); ++i)
            QCOMPARE(frameNumber(out.labels[i], rate) - frameNumber(out.labels[i - 1], rate), qint64(2));
        QCOMPARE(out.labels.first(), (Label {1, 0, 0, 0}));

        // Speed: quarter frames per second from first to last, within 2 %.
        const double seconds = (out.times.last() - out.times.first()) / 1e9;
        const double measured = (out.pieces.size() - 1) / seconds / 4.0;
        QVERIFY2(qAbs(measured - framesPerSecond) / framesPerSecond < 0.02,
                 qPrintable(QStringLiteral("%1 fps measured").arg(measured)));
        // Where it stopped follows from what it sent.
        QCOMPARE(unit.position(), labelForFrame(frameNumber(Label {1, 0, 0, 0}, rate) + sent / 4, rate));
    }

    void dropFrameStreamSkipsTheDroppedLabels()
    {
        EmulatedUnit unit;
        unit.powerOn();
        unit.receiveMidi(locateMessage(2, 0, 0, 59, 20));
        Listener out(unit);
        unit.receiveMidi(MachineControl::play());
        QTRY_VERIFY_WITH_TIMEOUT(out.labels.size() >= 8, 2000);
        unit.receiveMidi(MachineControl::stop());
        const QList<Label> expected {{0, 0, 59, 20}, {0, 0, 59, 22}, {0, 0, 59, 24}, {0, 0, 59, 26},
                                     {0, 0, 59, 28}, {0, 1, 0, 2},   {0, 1, 0, 4},   {0, 1, 0, 6}};
        QCOMPARE(out.labels.mid(0, 8), expected);
    }

    // The generator's switches: pieces filled from the live counter, so a
    // minute's last label carries the next minute; and playing backwards.
    void generatorSwitches_data()
    {
        QTest::addColumn<bool>("liveCounter");
        QTest::addColumn<bool>("reverse");
        QTest::addColumn<Label>("located");
        QTest::addColumn<QList<Label>>("labels");
        QTest::addColumn<QList<int>>("pieces");
        QTest::newRow("live counter") << true << false << Label{0, 0, 59, 25}
                                      << QList<Label>{{0, 0, 59, 25}, {0, 0, 59, 27}, {0, 1, 59, 29}, {0, 1, 0, 1}}
                                      << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 0};
        QTest::newRow("reverse") << false << true << Label{0, 1, 0, 2}
                                 << QList<Label>{{0, 1, 0, 0}, {0, 0, 59, 28}, {0, 0, 59, 26}}
                                 << QList<int>{7, 6, 5, 4, 3, 2, 1, 0, 7};
        QTest::newRow("reverse, live counter") << true << true << Label{0, 1, 0, 1}
                                               << QList<Label>{{0, 1, 59, 29}, {0, 0, 59, 27}}
                                               << QList<int>{7, 6, 5, 4, 3, 2, 1, 0, 7};
    }
    void generatorSwitches()
    {
        QFETCH(bool, liveCounter);
        QFETCH(bool, reverse);
        QFETCH(Label, located);
        QFETCH(QList<Label>, labels);
        QFETCH(QList<int>, pieces);
        EmulatedUnit unit;
        unit.setGenerator(EmulatedUnit::Generator{liveCounter, reverse});
        unit.powerOn();
        unit.receiveMidi(locateMessage(3, located.hours, located.minutes, located.seconds, located.frames));
        Listener out(unit);
        out.completingPiece = reverse ? 0 : 7;
        unit.receiveMidi(MachineControl::play());
        QTRY_VERIFY_WITH_TIMEOUT(out.labels.size() >= labels.size(), 2000);
        unit.receiveMidi(MachineControl::stop());
        QCOMPARE(out.labels.mid(0, labels.size()), labels);
        QCOMPARE(out.pieces.mid(0, pieces.size()), pieces);
    }

    void locateWhilePlayingKeepsPlayingFromThere()
    {
        EmulatedUnit unit;
        unit.powerOn();
        unit.receiveMidi(locateMessage(1, 1, 0, 0, 0));
        unit.receiveMidi(MachineControl::play());
        QTest::qWait(100);
        Listener out(unit);
        unit.receiveMidi(locateMessage(1, 2, 0, 0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(out.labels.size() >= 2, 1000);
        QVERIFY(unit.isRunning());
        QCOMPARE(out.sysex.first(), hex("F07F7F010122000000F7"));
        QCOMPARE(out.labels.first(), (Label {2, 0, 0, 0}));
    }

    void sourceSelectionAndRefusals()
    {
        EmulatedUnit pro;
        pro.powerOn();
        Listener proOut(pro);
        pro.receiveMidi(hex("F07F7F1003F7"));
        pro.receiveMidi(hex("F07F7F1006F7"));
        pro.receiveMidi(hex("F07F7F1007F7")); // no such source
        QCOMPARE(proOut.sysex, (QList<QByteArray> {hex("F07F7F1003F7"), hex("F07F7F1006F7"), hex("F07F7F1006F7")}));
        // Away from the generator, Play does nothing.
        pro.receiveMidi(MachineControl::play());
        QVERIFY(!pro.isRunning());

        EmulatedUnit small(Model::Tqr10);
        small.powerOn();
        Listener smallOut(small);
        small.receiveMidi(hex("F07F7F1004F7"));
        small.receiveMidi(hex("F07F7F1005F7"));
        small.receiveMidi(hex("F07F7F1002F7"));
        QCOMPARE(smallOut.sysex, (QList<QByteArray> {hex("F07F7F1001F7"), hex("F07F7F1001F7"), hex("F07F7F1002F7")}));
        QCOMPARE(small.source(), 2);
    }

    void networkSettingsAreHeldAndAcknowledged()
    {
        EmulatedUnit unit;
        unit.powerOn();
        Listener out(unit);
        // Manual addressing: three messages, acknowledged once.
        unit.receiveMidi(hex("F07F7F5E0E40010000000000000000000002F7")); // 100.0.0.2
        unit.receiveMidi(hex("F07F7F5E0E20020505020505020505000000F7")); // 255.255.255.0
        unit.receiveMidi(hex("F07F7F5E0E10010000000000000000000001F7")); // 100.0.0.1
        QCOMPARE(out.sysex, QList<QByteArray> {hex("F07F7F1201F7")});
        out.sysex.clear();
        unit.receiveMidi(hex("F07F7F5E0E00000000000000000000000000F7"));
        QCOMPARE(out.sysex, (QList<QByteArray> {UnitMessages::ipModeFeedback(true),
                                                hex("F07F7F5E0E40010000000000000000000002F7"),
                                                hex("F07F7F5E0E20020505020505020505000000F7"),
                                                hex("F07F7F5E0E10010000000000000000000001F7")}));
        out.sysex.clear();
        unit.receiveMidi(hex("F07F7F5E0E70000000000000000000000000F7"));
        QVERIFY(!unit.network().manual);
        QCOMPARE(out.sysex, QList<QByteArray> {hex("F07F7F1201F7")});

        // OSC: each step its own code; the read gives it all back, with the
        // UDP and TCP ports that the same read request covers.
        out.sysex.clear();
        unit.receiveMidi(hex("F07F7F5E0F0600000000000000000000000000090000 00F7")); // local 9000
        unit.receiveMidi(hex("F07F7F5E0F050100000000000000000000000000000000F7"));
        unit.receiveMidi(hex("F07F7F5E0F030109020106080000010002000009000000F7")); // Device3
        unit.receiveMidi(hex("F07F7F5E1000000700 0000F7"));                      // UDP 7000
        unit.receiveMidi(hex("F07F7F5E1001000800 0000F7"));                      // TCP 8000
        QCOMPARE(out.sysex, (QList<QByteArray> {hex("F07F7F1202F7"), hex("F07F7F1203F7"), hex("F07F7F1206F7"),
                                                hex("F07F7F1208F7"), hex("F07F7F1209F7")}));
        out.sysex.clear();
        unit.receiveMidi(hex("F07F7F5E0F000000000000000000000000000000000000F7"));
        QCOMPARE(out.sysex, (QList<QByteArray> {UnitMessages::oscLocalPortFeedback(9000),
                                                UnitMessages::oscForwardFeedback(true),
                                                UnitMessages::oscDeviceFeedback(3, {192, 168, 1, 20}, 9000),
                                                UnitMessages::portFeedback(0, 7000),
                                                UnitMessages::portFeedback(1, 8000)}));

        // A value the unit cannot take is refused and not held.
        out.sysex.clear();
        unit.receiveMidi(hex("F07F7F5E100007000000 00F7")); // 70000
        QCOMPARE(out.sysex, QList<QByteArray> {hex("F07F7F1200F7")});
        QCOMPARE(unit.network().udpPort, 7000);

        // The offset is echoed as feedback.
        out.sysex.clear();
        unit.receiveMidi(hex("F07F7F1200000003F7"));
        QCOMPARE(out.sysex, QList<QByteArray> {hex("F07F7F1200000003F7")});
        QCOMPARE(unit.offsetFrames(), -3);
    }

    void modelsWithoutNetworkIgnoreIt()
    {
        EmulatedUnit tqr20(Model::Tqr20);
        tqr20.powerOn();
        Listener out20(tqr20);
        tqr20.receiveMidi(hex("F07F7F5E0E00000000000000000000000000F7"));
        tqr20.receiveMidi(hex("F07F7F5E0F000000000000000000000000000000000000F7"));
        QVERIFY(out20.sysex.isEmpty());

        EmulatedUnit tqr30(Model::Tqr30);
        tqr30.powerOn();
        Listener out30(tqr30);
        tqr30.receiveMidi(hex("F07F7F5E0F000000000000000000000000000000000000F7"));
        tqr30.receiveMidi(hex("F07F7F5E1000000700 0000F7"));
        QVERIFY(out30.sysex.isEmpty());
        tqr30.receiveMidi(hex("F07F7F5E0E00000000000000000000000000F7"));
        QCOMPARE(out30.sysex.size(), 4);
    }

    void faultSwitches()
    {
        const QByteArray setUdp = hex("F07F7F5E1000000700 0000F7");
        EmulatedUnit unit;
        unit.powerOn();
        Listener out(unit);

        EmulatedUnit::Faults faults;
        faults.dropAcks = true;
        unit.setFaults(faults);
        unit.receiveMidi(setUdp);
        QVERIFY(out.sysex.isEmpty());
        QCOMPARE(unit.network().udpPort, 7000); // held, only the answer is lost

        faults = {};
        faults.ackDelayMs = 80;
        faults.duplicateAcks = true;
        unit.setFaults(faults);
        QElapsedTimer timer;
        timer.start();
        unit.receiveMidi(setUdp);
        QVERIFY(out.sysex.isEmpty());
        QTRY_COMPARE(out.sysex.size(), 2);
        QVERIFY(timer.elapsed() >= 75);
        QCOMPARE(out.sysex.first(), hex("F07F7F1208F7"));

        faults = {};
        faults.failAcks = true;
        unit.setFaults(faults);
        out.sysex.clear();
        unit.receiveMidi(hex("F07F7F5E1000000100 0000F7"));
        QCOMPARE(out.sysex, QList<QByteArray> {hex("F07F7F1200F7")});
        QCOMPARE(unit.network().udpPort, 7000);

        faults = {};
        faults.malformed = true;
        unit.setFaults(faults);
        out.sysex.clear();
        unit.receiveMidi(hex("F07F7F1101F7"));
        QCOMPARE(out.sysex.first(), hex("F000215E010106F7"));

        faults = {};
        faults.silent = true;
        unit.setFaults(faults);
        out.sysex.clear();
        unit.receiveMidi(hex("F07F7F1101F7"));
        QVERIFY(out.sysex.isEmpty());

        // Unplugged, it neither answers nor streams.
        unit.setFaults({});
        QSignalSpy presence(&unit, &EmulatedUnit::presenceChanged);
        unit.receiveMidi(MachineControl::play());
        QVERIFY(unit.isRunning());
        unit.unplug();
        QCOMPARE(presence.size(), 1);
        QVERIFY(!unit.isRunning());
        unit.receiveMidi(hex("F07F7F1101F7"));
        QVERIFY(out.sysex.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestEmulatorUnit)
#include "tst_emulator_unit.moc"
