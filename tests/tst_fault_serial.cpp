// SPDX-License-Identifier: GPL-3.0-or-later
// Serial faults during a firmware upgrade, over real pseudo-terminals: the
// unit's port disappears in the middle of the image. The panel must stop
// writing, say what happened, and stay usable.

#include "shell/MainWindow.h"
#include "midi/QMidiOut.h"
#include "serial/FirmwareTransfer.h"
#include "serial/SerialPort.h"
#include "upgrade/Upgrade_message_Dialog.h"
#include "support/MessageBoxRecorder.h"
#include "support/SerialWindowRig.h"
#include "support/TestImages.h"
#include "support/UnitPeer.h"
#include "ui_MainWindow.h"

#include <QtTest>

class TestFaultSerial : public QObject
{
    Q_OBJECT
private slots:
    void portUnpluggedDuringTheImage();
    void duplicatedAcknowledgementsSendNothingEarly();
    void doubledAcknowledgementInOneRead();
    void nothingButTheImageGoesOut_data();
    void nothingButTheImageGoesOut();
};

void TestFaultSerial::portUnpluggedDuringTheImage()
{
    SerialWindowRig rig;
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    rig.window->show();
    rig.window->connectMidiDevice("TQR-30 Pro [0]");
    QTRY_COMPARE(rig.unit.countCommand(0x03), 1);

    QByteArray image(20000, Qt::Uninitialized);
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i * 7 + 3);
    rig.window->startFirmwareUpgrade(image);
    QTRY_VERIFY_WITH_TIMEOUT(rig.boot.chunkSizes.size() >= 20, 10000);

    rig.boot.pty().closeMaster();
    const qint64 sentWhenUnplugged = rig.window->firmwareTransfer()->sent();

    // The user is told, in the progress window, and the upgrade is over.
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window->firmwareTransfer()->isBusy(), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(!boxes.boxes.isEmpty(), 3000);
    QVERIFY(!boxes.seen("Upgrade successful"));
    QTRY_VERIFY(!rig.window->upgradeMessageDialog()->isVisible());
    QVERIFY(!rig.window->serialLink()->isOpen());

    // What reached the unit is the image's beginning, in order, and at most
    // one chunk went out after the port vanished.
    QVERIFY(image.startsWith(rig.boot.image));
    QVERIFY(rig.window->firmwareTransfer()->sent() - sentWhenUnplugged <= FirmwareTransfer::kChunkSize);
    QCOMPARE(rig.boot.chunksAheadOfAck, 0);

    // Still usable: the main window takes its controls.
    QVERIFY(rig.window->isVisible());
    QVERIFY(rig.window->isEnabled());
    rig.window->form()->radioButton_8->click();
    QVERIFY(rig.window->form()->radioButton_8->isChecked());
}

namespace {
void startUpgrade(SerialWindowRig &rig, const QByteArray &image)
{
    rig.window->show();
    rig.window->connectMidiDevice("TQR-30 Pro [0]");
    QTRY_COMPARE(rig.unit.countCommand(0x03), 1);
    rig.window->startFirmwareUpgrade(image);
}
} // namespace

// A unit that sends every acknowledgement twice, the copy in a write of its
// own a millisecond later, at a TQR-30's 10 ms pacing, acknowledging after 1 to
// 12 ms. Mostly the copy comes within the interval and must be absorbed: a
// sender that kept it as credit would send the chunk after a slow (12 ms)
// acknowledgement early. After the slow one the copy comes only once the next
// chunk is out, while that chunk's acknowledgement is due; an acknowledgement
// carries no chunk number, so it is taken for that one, which is harmless
// because the real one comes within the interval too. The image arrives whole
// and in order, ending in one success.
//
// The wait is a real event loop: QTRY's polling sleeps 10 ms at a time, which
// would gather the unit's replies into the sender's pacing ticks.
void TestFaultSerial::duplicatedAcknowledgementsSendNothingEarly()
{
    SerialWindowRig rig;
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    FirmwareTransfer::Timing timing = rig.window->firmwareTransfer()->timing();
    timing.fastPacingMs = 10;
    rig.window->firmwareTransfer()->setTiming(timing);
    rig.boot.repeatAckAfterMs = 1;
    const QByteArray image = makeImage(40 * FirmwareTransfer::kChunkSize);
    QSignalSpy finished(rig.window->firmwareTransfer(), &FirmwareTransfer::finished);
    startUpgrade(rig, image);

    QVERIFY(finished.wait(10000));
    QCOMPARE(rig.boot.chunksAheadOfAck, 0);
    QCOMPARE(rig.boot.image, image);
    QTRY_VERIFY_WITH_TIMEOUT(boxes.seen("Upgrade successful"), 3000);
    QTest::qWait(100); // a late copy must not end the upgrade a second time
    QCOMPARE(finished.size(), 1);
    QCOMPARE(boxes.boxes.size(), 1);
}

// Two acknowledgements in one 14-byte read are two replies: the transfer goes
// on, and the surplus one lets no chunk go early.
void TestFaultSerial::doubledAcknowledgementInOneRead()
{
    SerialWindowRig rig;
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    rig.boot.ackTwiceInOneWrite = true;
    const QByteArray image = makeImage(10 * FirmwareTransfer::kChunkSize + 5);
    startUpgrade(rig, image);

    QTRY_VERIFY_WITH_TIMEOUT(boxes.seen("Upgrade successful"), 5000);
    QCOMPARE(rig.boot.image, image);
    QCOMPARE(rig.boot.chunksAheadOfAck, 0);
    QVERIFY(rig.window->isEnabled());
}

// From the erase to the last acknowledgement the unit's port carries the
// image alone: a unit that speaks in the middle of it is not answered, and a
// MIDI reconnect asks nothing over serial until the transfer has ended. The
// image arrives byte for byte and the upgrade succeeds.
void TestFaultSerial::nothingButTheImageGoesOut_data()
{
    QTest::addColumn<bool>("chatter");
    QTest::addColumn<bool>("reconnect");
    QTest::newRow("model reply in the image") << true << false;
    QTest::newRow("MIDI reconnect in the image") << false << true;
}

void TestFaultSerial::nothingButTheImageGoesOut()
{
    QFETCH(bool, chatter);
    QFETCH(bool, reconnect);
    SerialWindowRig rig;
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    if (chatter)
        rig.boot.chatterAfterChunk = 40;
    const QByteArray image = makeImage(8100);
    startUpgrade(rig, image);
    QTRY_VERIFY_WITH_TIMEOUT(rig.boot.chunkSizes.size() >= 20, 10000);
    if (reconnect) {
        rig.midi.removeDevice({rig.midi.outputId(0).toInt(), rig.midi.inputId(0).toInt()});
        rig.window->checkDevices();
        rig.midi.addDevice("TQR-30 Pro", {});
        rig.window->checkDevices();
        QVERIFY(rig.window->midiOut()->isOpen());
    }

    QTRY_VERIFY_WITH_TIMEOUT(boxes.seen("Upgrade successful"), 10000);
    QCOMPARE(rig.boot.image, image);
    QCOMPARE(rig.boot.commands, QList<quint8>{0x02});
    QCOMPARE(rig.unit.countCommand(0x01), 1);
}

QTEST_MAIN(TestFaultSerial)
#include "tst_fault_serial.moc"
