// SPDX-License-Identifier: GPL-3.0-or-later
// Faults on the MIDI side, provoked over the in-memory MIDI system and the
// real input port: ports that vanish while in use, a unit that never answers,
// and System Exclusive that is malformed, cut short or far too long. Each case
// ends with the panel still answering clicks, nothing sent out of order and a
// message box only where the user has to act.

#include "midi/QMidiIn.h"
#include "midi/QMidiOut.h"
#include "protocol/MachineControl.h"
#include "support/PanelRig.h"

#include <QElapsedTimer>

using namespace PanelTest;

namespace {

const QByteArray kStop = hex("f07f7f0601f7");
const QByteArray kIdentify = hex("f07f7f1101f7");

// The panel still reacts to the user: choosing a frame rate while connected
// sends exactly one locate carrying the new rate, at once.
void checkResponsive(PanelRig &rig)
{
    rig.ui()->lineEdit->setText("00 : 00 : 10 : 00");
    rig.take();
    rig.ui()->radioButton_10->click(); // 30 fps: rate code 3 in bits 5-6 of the hour byte
    QCOMPARE(rig.take(), QList<QByteArray>{hex("f07f7f0644060160000a0000f7")});
}

// The readout's text for a time, as PanelRig::readoutText() reads it back.
// The readout's text for a time; a label completed from quarter frames is
// shown as the frame two on, where the unit is by then.
QString shown(int h, int m, int s, int f)
{
    auto spaced = [](int v) { return QString("%1 %2").arg(v / 10).arg(v % 10); };
    return spaced(h) + " : " + spaced(m) + " : " + spaced(s) + " : " + spaced(f);
}

} // namespace

class TestFaultMidi : public QObject
{
    Q_OBJECT

private slots:
    void outputGoneWhileSending();
    void inputGoneWhileStreaming();
    void unitThatNeverAnswersIdentification();
    void malformedTruncatedAndOversizedSysEx_data();
    void malformedTruncatedAndOversizedSysEx();
    void unfinishedSysExDoesNotSwallowWhatFollows();
};

void TestFaultMidi::outputGoneWhileSending()
{
    PanelRig rig;
    rig.connectUnit();
    rig.ui()->lineEdit->setText("00 : 00 : 00 : 00");
    rig.ui()->lineEdit_2->setText("00 : 10 : 00 : 00");

    // The unit goes away under a running generator; the transport keeps
    // being used before the one-second watch notices.
    rig.ui()->pushButton->click(); // play
    rig.driver.removePort(rig.ports.output);
    QElapsedTimer clock;
    clock.start();
    rig.ui()->pushButton_2->click(); // pause
    rig.ui()->pushButton->click();   // play
    rig.ui()->pushButton_3->click(); // stop
    // A failed send comes back at once; it must not hold the window for the
    // output's full time-out per message.
    QVERIFY2(clock.elapsed() < 3 * QMidiOut::kSendTimeoutMs, qPrintable(QString::number(clock.elapsed())));

    // The watch closes the connection without a box: unplugging is not an error.
    rig.window->checkDevices();
    QVERIFY(!rig.window->midiOut()->isOpen());
    QVERIFY(!rig.window->midiIn()->isOpen());
    QCOMPARE(rig.ui()->name_label->text(), QString("Device:"));
    QVERIFY(rig.boxes.boxes.isEmpty());
    rig.take();

    // Plugged in again, its input gone and back too.
    rig.driver.removePort(rig.ports.input);
    rig.ports = rig.driver.addDevice("TQR-30 Pro", [&rig](const QByteArray &m) {
        QMutexLocker lock(&rig.mutex);
        rig.received.append(m);
    });
    // The panel connects again on its own, in its own order, with nothing
    // left over from before.
    rig.window->update_list();
    QVERIFY(rig.window->midiOut()->isOpen());
    QCOMPARE(rig.ui()->name_label->text(), QString("Device: TQR-30 Pro [0] (reconnected)"));
    const QList<QByteArray> sent = rig.take();
    QCOMPARE(sent.size(), 4);
    QCOMPARE(sent.first(), kStop);
    QVERIFY(sent[1].startsWith(hex("f07f7f064406")));
    QCOMPARE(sent[1], sent[2]);
    QCOMPARE(sent.last(), kIdentify);
    checkResponsive(rig);
}

void TestFaultMidi::inputGoneWhileStreaming()
{
    PanelRig rig;
    rig.connectUnit();
    rig.feed(quarterFrames(1, 2, 3, 4, 1));
    QCOMPARE(rig.readoutText(), shown(1, 2, 3, 6));

    // Only the input vanishes (a driver can drop one direction). What was in
    // flight is lost; the readout keeps the last time it showed.
    rig.driver.send(rig.ports.input, quarterFrames(1, 2, 3, 6, 1).mid(0, 4).first());
    rig.driver.removePort(rig.ports.input);
    for (const QByteArray &m : quarterFrames(1, 2, 3, 8, 1))
        rig.driver.send(rig.ports.input, m);
    rig.driver.flush();
    QCoreApplication::sendPostedEvents();
    QTest::qWait(20);
    QCOMPARE(rig.readoutText(), shown(1, 2, 3, 6));
    QVERIFY(rig.boxes.boxes.isEmpty());
    checkResponsive(rig);

    // The unit comes back whole: the connection made again restores the stream.
    rig.driver.removePort(rig.ports.output);
    rig.window->checkDevices();
    rig.ports = rig.driver.addDevice("TQR-30 Pro", [&rig](const QByteArray &m) {
        QMutexLocker lock(&rig.mutex);
        rig.received.append(m);
    });
    rig.window->update_list(); // reconnects by itself
    QVERIFY(rig.driver.isInputOpen(rig.ports.input));
    rig.feed(quarterFrames(2, 0, 0, 0, 1));
    QCOMPARE(rig.readoutText(), shown(2, 0, 0, 2));
}

void TestFaultMidi::unitThatNeverAnswersIdentification()
{
    // A name that tells nothing about the model, and no reply ever.
    PanelRig rig("USB MIDI Interface");
    rig.connectUnit();
    QTest::qWait(1200); // the one-second timers have run at least once
    QCOMPARE(rig.window->productText(), QString());
    QVERIFY(rig.window->midiOut()->isOpen());
    // Without a reply the controls follow the port name: nothing extra shows.
    QVERIFY(!rig.ui()->pushButton_7->isVisible());
    QVERIFY(!rig.ui()->actionOSC_Setting->isVisible());
    QVERIFY(rig.boxes.boxes.isEmpty());
    // Identification is asked once per connection, not repeated behind the user's back.
    QVERIFY(!rig.take().contains(kIdentify));
    checkResponsive(rig);

    // A reply that comes late is still taken.
    rig.feed(hex("f000215e01010603f7"));
    QCOMPARE(rig.window->productText(), QString("TQR-30"));
}

void TestFaultMidi::malformedTruncatedAndOversizedSysEx_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("reply cut short") << hex("f000215e010106");
    QTest::newRow("reply without its end") << hex("f000215e0101060400");
    QTest::newRow("reply one byte too long") << hex("f000215e0101060400f7");
    QTest::newRow("reply of another maker") << hex("f000215f01010604f7");
    QTest::newRow("stray end") << hex("f7");
    QTest::newRow("empty sysex") << hex("f0f7");
    QTest::newRow("full frame cut short") << hex("f07f7f010101");
    QTest::newRow("source report cut short") << hex("f07f7f10");
    QTest::newRow("acknowledgement cut short") << hex("f07f7f12f7");
    QTest::newRow("ip feedback cut short") << hex("f07f7f5e0e4001f7");
    QTest::newRow("osc feedback cut short") << hex("f07f7f5e0f0201f7");
    QTest::newRow("port feedback cut short") << hex("f07f7f5e1001f7");
    QTest::newRow("offset feedback cut short") << hex("f07f7f120000f7");
    QTest::newRow("data bytes above 7f") << hex("f07f7f5e0e40ffffffffffffffffffffffffffffffffffff");
    QByteArray huge = hex("f000215e01010604");
    huge.append(QByteArray(5000, '\x42'));
    huge.append(char(0xF7));
    QTest::newRow("5000 bytes after a reply's start") << huge;
    QByteArray huge2 = hex("f07f7f5e0e40");
    huge2.append(QByteArray(70000, '\x09'));
    huge2.append(char(0xF7));
    QTest::newRow("70000 bytes of ip digits") << huge2;
}

void TestFaultMidi::malformedTruncatedAndOversizedSysEx()
{
    QFETCH(QByteArray, bytes);
    PanelRig rig;
    rig.connectUnit();
    rig.feed(quarterFrames(1, 2, 3, 4, 1));
    const QString readout = rig.readoutText();

    rig.feed(bytes);
    QTest::qWait(10);
    QCOMPARE(rig.window->productText(), QString());
    QCOMPARE(rig.readoutText(), readout);
    QVERIFY(rig.boxes.boxes.isEmpty());
    // Nothing is answered to garbage.
    QVERIFY(rig.take().isEmpty());

    // What comes after is read as usual: a new place shows once a second
    // label confirms it.
    rig.feed(quarterFrames(5, 6, 7, 8, 1) + quarterFrames(5, 6, 7, 10, 1));
    QCOMPARE(rig.readoutText(), shown(5, 6, 7, 12));
    rig.feed(hex("f000215e01010604f7"));
    QCOMPARE(rig.window->productText(), QString("TQR-30 Pro"));
    checkResponsive(rig);
}

void TestFaultMidi::unfinishedSysExDoesNotSwallowWhatFollows()
{
    // Some drivers hand System Exclusive over as packed short words. A unit
    // that is unplugged or reset mid-message never sends the F7; the next
    // status byte ends the broken message, as on a MIDI cable.
    PanelRig rig;
    rig.connectUnit();
    rig.driver.sendShort(rig.ports.input, 0xF0, 0x7F, 0x7F);
    rig.driver.sendShort(rig.ports.input, 0x01, 0x01, 0x01);
    rig.feed(quarterFrames(1, 2, 3, 4, 1));
    QCOMPARE(rig.readoutText(), shown(1, 2, 3, 6));

    // Real-time bytes may sit inside a message and do not end it.
    rig.driver.sendShort(rig.ports.input, 0xF0, 0x00, 0x21);
    rig.driver.sendShort(rig.ports.input, 0xF8, 0x00, 0x00);
    rig.driver.sendShort(rig.ports.input, 0x5E, 0x01, 0x01);
    rig.driver.sendShort(rig.ports.input, 0x06, 0x02, 0xF7);
    rig.driver.flush();
    QCoreApplication::sendPostedEvents();
    QCOMPARE(rig.window->productText(), QString("TQR-20"));

    // Words without an F7 for ever: the gathered bytes stay bounded and the
    // stream recovers at the next message.
    rig.driver.sendShort(rig.ports.input, 0xF0, 0x01, 0x02);
    for (int i = 0; i < 40000; ++i)
        rig.driver.sendShort(rig.ports.input, 0x11, 0x22, 0x33);
    rig.driver.flush();
    QVERIFY(rig.window->midiIn()->gatheredBytes() <= QMidiIn::kMaxGatheredSysEx);
    QVERIFY(rig.window->midiIn()->isSkippingSysEx());
    rig.feed(quarterFrames(9, 8, 7, 6, 1));
    QCOMPARE(rig.readoutText(), shown(9, 8, 7, 8));
    checkResponsive(rig);
}

QTEST_MAIN(TestFaultMidi)
#include "tst_fault_midi.moc"
