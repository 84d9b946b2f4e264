// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/FirmwareTransfer.h"
#include "serial/SerialPort.h"
#include "serial/SerialProtocol.h"
#include "support/FastTransferTiming.h"
#include "support/SerialLinkRig.h"
#include "support/TestImages.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

namespace {

// A link on a unit peer with a transfer, the way the windows drive it.
struct Rig : SerialLinkRig
{
    FirmwareTransfer transfer{&link, fastTransferTiming()};
    QList<qint64> progress;
    int finished = 0;
    int acksSentAtFinish = -1;
    QStringList failures;

    Rig()
    {
        transfer.setModelFamily(2);
        QObject::connect(&transfer, &FirmwareTransfer::chunkWritten, &transfer,
                         [this](qint64 sent, qint64) { progress << sent; });
        QObject::connect(&transfer, &FirmwareTransfer::finished, &transfer, [this] {
            ++finished;
            acksSentAtFinish = unit.acksSent;
        });
        QObject::connect(&transfer, &FirmwareTransfer::failed, &transfer,
                         [this](const QString &m) { failures << m; });
    }
    // Loads, erases and sends as soon as the unit reports the erase's end.
    bool start(const QByteArray &image)
    {
        return transfer.loadImage(image)
            && transfer.writeErase(FirmwareTransfer::AfterErase::StartSending);
    }
};

} // namespace

class FirmwareTransferTest : public QObject
{
    Q_OBJECT
private slots:
    void wholeImage_data();
    void wholeImage();
    void wholeImageWhateverTheUnitDoes_data();
    void wholeImageWhateverTheUnitDoes();
    void sendingOnlyAfterTheEraseForTheImage_data();
    void sendingOnlyAfterTheEraseForTheImage();
    void lastChunkUnacknowledgedFails();
    void busyUpgradePortIsRetried_data();
    void busyUpgradePortIsRetried();
    void chunksKeepThePacingInterval();
    void silentUnitEndsTheTransfer();
    void silentUnitWithTheRealTimeLimit();
    void peerClosingItsSide();
    void eraseThatNeverEnds();
    void emptyImageIsRefused();
    void automaticUpgradeReopensTheUpgradePort();
    void upgradePortThatNeverAppears();
    void upgradePortThatWillNotOpen();
    void onlyTheImageGoesOut();
};

void FirmwareTransferTest::wholeImage_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QList<int>>("firstChunks");
    QTest::addColumn<int>("chunks");
    QTest::newRow("64") << 64 << QList<int>{64} << 1;
    QTest::newRow("130") << 130 << QList<int>{64, 64, 2} << 3;
    QTest::newRow("10000") << 10000 << QList<int>{64, 64, 64} << 157;
    QTest::newRow("1") << 1 << QList<int>{1} << 1;
}

void FirmwareTransferTest::wholeImage()
{
    QFETCH(int, size);
    QFETCH(QList<int>, firstChunks);
    QFETCH(int, chunks);
    Rig rig;
    QVERIFY(rig.open());
    const QByteArray image = makeImage(size);
    QVERIFY(rig.start(image));
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, 1, 10000);

    // The end comes with the last chunk's acknowledgement, not before.
    QCOMPARE(rig.acksSentAtFinish, chunks);
    QCOMPARE(rig.unit.image, image);
    QCOMPARE(rig.unit.chunkSizes.size(), chunks);
    QCOMPARE(rig.unit.chunkSizes.mid(0, firstChunks.size()), firstChunks);
    QCOMPARE(rig.unit.chunksAheadOfAck, 0);
    QCOMPARE(rig.unit.commands, (QList<quint8>{0x02}));
    QVERIFY(rig.failures.isEmpty());
    // One progress point after every chunk but the last.
    QCOMPARE(rig.progress.size(), chunks - 1);
    if (!rig.progress.isEmpty()) {
        QCOMPARE(rig.progress.first(), qint64(64));
        QCOMPARE(rig.progress.last(), qint64((chunks - 1) * 64));
    }
    QCOMPARE(rig.transfer.state(), FirmwareTransfer::State::Idle);
    QVERIFY(rig.link.isOpen());
}

// What a unit does on the way does not change what arrives, nor that each
// chunk waits for the previous one's acknowledgement.
void FirmwareTransferTest::wholeImageWhateverTheUnitDoes_data()
{
    QTest::addColumn<int>("modelFamily");
    QTest::addColumn<int>("ackDelayMs");
    QTest::addColumn<int>("eraseEndBeforeAck");
    QTest::addColumn<int>("size");
    // A second "ERASE END" in the middle of the image is no erase the panel
    // asked for: restarting from byte 0 would append the image's start to what
    // the unit already holds.
    QTest::newRow("stray erase end does not restart") << 2 << int(UnitPeer::kVaryingDelay) << 4 << 1000;
    // 3 ms pacing against 25 ms acknowledgements.
    QTest::newRow("late acknowledgement is waited for") << 1 << 25 << -1 << 400;
}

void FirmwareTransferTest::wholeImageWhateverTheUnitDoes()
{
    QFETCH(int, modelFamily);
    QFETCH(int, ackDelayMs);
    QFETCH(int, eraseEndBeforeAck);
    QFETCH(int, size);
    Rig rig;
    QVERIFY(rig.open());
    rig.transfer.setModelFamily(modelFamily);
    rig.unit.ackDelayMs = ackDelayMs;
    rig.unit.eraseEndBeforeAck = eraseEndBeforeAck;
    const QByteArray image = makeImage(size);
    QVERIFY(rig.start(image));
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, 1, 10000);
    QCOMPARE(rig.unit.image, image);
    QCOMPARE(rig.unit.chunksAheadOfAck, 0);
    QVERIFY(rig.failures.isEmpty());
}

// Chunks only from Erased, for the image that erase was written for.
void FirmwareTransferTest::sendingOnlyAfterTheEraseForTheImage_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("erase not ended") << "erasing";
    QTest::newRow("new image after the erase") << "reload";
    QTest::newRow("after a failure") << "failed";
    QTest::newRow("after the end") << "finished";
}

void FirmwareTransferTest::sendingOnlyAfterTheEraseForTheImage()
{
    QFETCH(QString, before);
    Rig rig;
    QVERIFY(rig.open());
    const QByteArray image = makeImage(200);
    QVERIFY(rig.transfer.loadImage(image));
    if (before == "erasing") {
        rig.unit.answerErase = false;
        QVERIFY(rig.transfer.writeErase());
        QTRY_COMPARE(rig.unit.countCommand(0x02), 1);
        rig.unit.inImage = true; // whatever arrives now would be image bytes
    } else if (before == "reload") {
        QVERIFY(rig.transfer.writeErase());
        QTRY_COMPARE(rig.transfer.state(), FirmwareTransfer::State::Erased);
        QVERIFY(rig.transfer.loadImage(makeImage(300)));
    } else if (before == "failed") {
        rig.unit.stopAckingAfter = 1;
        QVERIFY(rig.start(image));
        QTRY_COMPARE_WITH_TIMEOUT(rig.failures.size(), 1, 3000);
    } else {
        QVERIFY(rig.start(image));
        QTRY_COMPARE_WITH_TIMEOUT(rig.finished, 1, 3000);
    }
    const QByteArray arrived = rig.unit.image;
    QVERIFY(rig.transfer.state() != FirmwareTransfer::State::Erased);
    QVERIFY(!rig.transfer.beginSending());
    QTest::qWait(50);
    QCOMPARE(rig.unit.image, arrived);
}

// The last chunk never acknowledged: a failure, and no end.
void FirmwareTransferTest::lastChunkUnacknowledgedFails()
{
    Rig rig;
    QVERIFY(rig.open());
    rig.unit.stopAckingAfter = 2;
    QVERIFY(rig.start(makeImage(150)));
    QTRY_COMPARE_WITH_TIMEOUT(rig.failures.size(), 1, 3000);
    QCOMPARE(rig.unit.image.size(), 150);
    QVERIFY(rig.failures.at(0).contains("150 of 150"));
    QTest::qWait(50);
    QCOMPARE(rig.finished, 0);
}

// The pacing timer is set short of the interval and the rest is slept out:
// no chunk may leave before the full interval, and none far after it.
void FirmwareTransferTest::chunksKeepThePacingInterval()
{
    Rig rig;
    FirmwareTransfer::Timing timing = fastTransferTiming();
    timing.fastPacingMs = 10;
    rig.transfer.setTiming(timing);
    QElapsedTimer clock;
    clock.start();
    QList<qint64> writtenAtNs;
    QObject::connect(&rig.transfer, &FirmwareTransfer::chunkWritten, &rig.transfer,
                     [&] { writtenAtNs << clock.nsecsElapsed(); });
    QVERIFY(rig.open());
    rig.unit.ackDelayMs = 2; // well inside the interval: this is about the pacing
    QVERIFY(rig.start(makeImage(40 * FirmwareTransfer::kChunkSize)));
    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, 1, 5000);
    QCOMPARE(writtenAtNs.size(), 39);
    QList<qint64> gaps;
    for (int i = 1; i < writtenAtNs.size(); ++i)
        gaps << writtenAtNs[i] - writtenAtNs[i - 1];
    std::sort(gaps.begin(), gaps.end());
    // Measured from signal to signal, a few microseconds off the write itself.
    QVERIFY2(gaps.first() >= 9950000LL, qPrintable(QString::number(gaps.first())));
    // Most gaps are close to the interval; a loaded machine may stretch a few.
    QVERIFY2(gaps[gaps.size() / 2] < 12 * 1000000LL, qPrintable(QString::number(gaps[gaps.size() / 2])));
}

void FirmwareTransferTest::silentUnitEndsTheTransfer()
{
    Rig rig;
    QVERIFY(rig.open());
    rig.unit.stopAckingAfter = 2;
    QVERIFY(rig.start(makeImage(1000)));
    QTRY_COMPARE_WITH_TIMEOUT(rig.failures.size(), 1, 3000);
    QVERIFY(rig.failures.at(0).contains("stopped answering"));
    QVERIFY(rig.failures.at(0).contains("192 of 1000"));
    QTest::qWait(100);
    QCOMPARE(rig.unit.chunkSizes.size(), 3);
    QCOMPARE(rig.unit.chunksAheadOfAck, 0);
    QCOMPARE(rig.finished, 0);
    // A half-written unit is not talked to on that port any more.
    QVERIFY(!rig.link.isOpen());
    QVERIFY(!rig.transfer.isBusy());
}

void FirmwareTransferTest::silentUnitWithTheRealTimeLimit()
{
    Rig rig;
    FirmwareTransfer::Timing timing = fastTransferTiming();
    timing.ackTimeoutMs = FirmwareTransfer::Timing().ackTimeoutMs;
    rig.transfer.setTiming(timing);
    QVERIFY(rig.open());
    rig.unit.acknowledge = false;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(rig.start(makeImage(300)));
    QTRY_COMPARE_WITH_TIMEOUT(rig.failures.size(), 1, 4000);
    QVERIFY(clock.elapsed() >= 1900);
    QVERIFY(clock.elapsed() < 3000);
    QCOMPARE(rig.unit.chunkSizes.size(), 1);
}

void FirmwareTransferTest::peerClosingItsSide()
{
    Rig rig;
    QVERIFY(rig.open());
    rig.unit.ackDelayMs = 20;
    QVERIFY(rig.start(makeImage(5000)));
    QTRY_VERIFY(rig.unit.chunkSizes.size() >= 3);
    QElapsedTimer clock;
    clock.start();
    rig.unit.pty().closeMaster();
    QTRY_COMPARE_WITH_TIMEOUT(rig.failures.size(), 1, 3000);
    QVERIFY2(clock.elapsed() < 1000, "the lost line should be noticed at once, not by the silence");
    QVERIFY(rig.failures.at(0).contains("lost"));
    QCOMPARE(rig.finished, 0);
}

void FirmwareTransferTest::eraseThatNeverEnds()
{
    Rig rig;
    QVERIFY(rig.open());
    rig.unit.answerErase = false;
    QVERIFY(rig.transfer.loadImage(makeImage(100)));
    QVERIFY(rig.transfer.writeErase());
    QTRY_COMPARE_WITH_TIMEOUT(rig.failures.size(), 1, 3000);
    QVERIFY(rig.failures.at(0).contains("erasing"));
    QVERIFY(rig.unit.chunkSizes.isEmpty());
}

void FirmwareTransferTest::emptyImageIsRefused()
{
    Rig rig;
    QVERIFY(rig.open());
    QVERIFY(!rig.transfer.loadImage(QByteArray()));
    QVERIFY(!rig.transfer.writeErase());
    QCOMPARE(rig.transfer.state(), FirmwareTransfer::State::Idle);
    QVERIFY(!rig.transfer.startAutomaticUpgrade(QByteArray()));
    QCOMPARE(rig.failures.size(), 2);
    QVERIFY(rig.failures.at(1).contains("empty"));
    QVERIFY(!rig.transfer.beginSending());
    QTest::qWait(100);
    QVERIFY(rig.unit.pty().received().isEmpty());
}

void FirmwareTransferTest::automaticUpgradeReopensTheUpgradePort()
{
    Rig rig;
    rig.listUnit();
    rig.link.refreshPortList();
    QVERIFY(rig.link.openPort(rig.list.entries().at(0).portName, 115200));
    // Told to prepare, the unit leaves and comes back as its upgrade-mode device.
    rig.reenumerateOnPrepare();
    const UnitPeer &boot = rig.boot;

    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
    ticker.start(5);
    int ticksAtStart = -1, ticksAtEnd = -1;
    connect(&rig.transfer, &FirmwareTransfer::preparing, this, [&] { ticksAtStart = ticks; });
    connect(&rig.transfer, &FirmwareTransfer::preparationEnded, this, [&] { ticksAtEnd = ticks; });

    const QByteArray image = makeImage(300);
    QVERIFY(rig.transfer.startAutomaticUpgrade(image));
    QCOMPARE(rig.transfer.state(), FirmwareTransfer::State::Preparing);
    // Nothing else may start meanwhile.
    QVERIFY(!rig.transfer.startAutomaticUpgrade(image));
    QVERIFY(rig.failures.last().contains("already running"));
    rig.failures.clear();

    QTRY_COMPARE_WITH_TIMEOUT(rig.finished, 1, 5000);
    QVERIFY(ticksAtStart >= 0);
    QVERIFY2(ticksAtEnd - ticksAtStart >= 3, "the event loop must run during the wait");
    QCOMPARE(rig.unit.commands, (QList<quint8>{0x09}));
    QCOMPARE(boot.commands, (QList<quint8>{0x02}));
    QCOMPARE(boot.image, image);
    QCOMPARE(rig.link.portName(), QFileInfo(boot.portName()).filePath().mid(5));
    QVERIFY(rig.failures.isEmpty());
}

void FirmwareTransferTest::upgradePortThatNeverAppears()
{
    Rig rig;
    rig.listUnit();
    rig.link.refreshPortList();
    QVERIFY(rig.open());
    const int lookupsBefore = rig.usb.lookups();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(rig.transfer.startAutomaticUpgrade(makeImage(300)));
    QTRY_COMPARE_WITH_TIMEOUT(rig.failures.size(), 1, 3000);
    QVERIFY(clock.elapsed() >= 60 + 300);
    QVERIFY(rig.failures.at(0).contains("did not come back in upgrade mode"));
    QVERIFY(rig.usb.lookups() - lookupsBefore >= 5); // retried with fresh lists
    QTest::qWait(50);
    QCOMPARE(rig.unit.commands, (QList<quint8>{0x09}));
    QVERIFY(!rig.transfer.isBusy());
    QVERIFY(!rig.link.isOpen()); // the normal-mode port is gone; it is not kept
}

void FirmwareTransferTest::upgradePortThatWillNotOpen()
{
    Rig rig;
    rig.describeBoot();
    SerialPortEntry missing = unitPortEntry(rig.unit, kUnitBootProduct);
    missing.portName = "/dev/quill-missing-upgrade-port";
    QVERIFY(rig.open());
    rig.unit.onPrepare = [&] { rig.ports.addPort(missing); };
    QVERIFY(rig.transfer.startAutomaticUpgrade(makeImage(300)));
    QTRY_COMPARE_WITH_TIMEOUT(rig.failures.size(), 1, 3000);
    QVERIFY(rig.failures.at(0).contains("could not be opened"));
    QVERIFY(rig.failures.at(0).contains("Nothing was erased"));
    QVERIFY2(rig.failures.at(0).contains("no longer there"), qPrintable(rig.failures.at(0)));
    QCOMPARE(rig.unit.commands, (QList<quint8>{0x09}));
}

// From the erase on, a command is dropped and any other write is refused
// and ends the transfer with a message: nothing lands between image bytes.
void FirmwareTransferTest::onlyTheImageGoesOut()
{
    Rig rig;
    QVERIFY(rig.open());
    const QByteArray image = makeImage(64 * 40);
    QVERIFY(rig.start(image));
    QTRY_VERIFY_WITH_TIMEOUT(rig.unit.chunkSizes.size() >= 3, 3000);
    QVERIFY(!rig.link.writeCommand(SerialProtocol::QueryVersion));
    QVERIFY(rig.transfer.isBusy());
    QCOMPARE(rig.link.write(SerialProtocol::commandFrame(SerialProtocol::QueryModel)), qint64(-1));
    QTRY_COMPARE(rig.failures.size(), 1);
    QVERIFY2(rig.failures.at(0).contains("Something else tried to write"), qPrintable(rig.failures.at(0)));
    QTest::qWait(50);
    QVERIFY(image.startsWith(rig.unit.image));
    QVERIFY(!rig.link.isOpen());
    QCOMPARE(rig.finished, 0);
}

// Just after re-enumeration another program may hold the new port for a
// moment; the search keeps trying, and says why when it gives up.
void FirmwareTransferTest::busyUpgradePortIsRetried_data()
{
    QTest::addColumn<int>("busyMs");
    QTest::addColumn<bool>("completes");
    QTest::newRow("busy for a moment") << 120 << true;
    QTest::newRow("busy throughout") << 5000 << false;
}

void FirmwareTransferTest::busyUpgradePortIsRetried()
{
    QFETCH(int, busyMs);
    QFETCH(bool, completes);
    Rig rig;
    rig.describeBoot();
    QVERIFY(rig.open());
    const UnitPeer &boot = rig.boot;
    QSerialPort holder(boot.portName());
    rig.unit.onPrepare = [&] {
        QVERIFY(holder.open(QIODevice::ReadOnly));
        QTimer::singleShot(busyMs, &holder, [&] { holder.close(); });
        rig.ports.addPort(unitPortEntry(boot, kUnitBootProduct));
    };
    const QByteArray image = makeImage(300);
    QVERIFY(rig.transfer.startAutomaticUpgrade(image));
    if (completes) {
        QTRY_COMPARE_WITH_TIMEOUT(rig.finished, 1, 3000);
        QCOMPARE(boot.image, image);
        QVERIFY(rig.failures.isEmpty());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(rig.failures.size(), 1, 3000);
        QVERIFY2(rig.failures.at(0).contains("ModemManager"), qPrintable(rig.failures.at(0)));
        QVERIFY(boot.commands.isEmpty());
    }
}

QTEST_MAIN(FirmwareTransferTest)
#include "tst_firmware_transfer.moc"
