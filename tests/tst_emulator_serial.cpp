// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated unit's serial side over a real pseudo-terminal, read and
// written the way the panel does: through QSerialPort on the slave.

#include "emulator/SerialUnitMessages.h"
#include "support/EmulatedSerialRig.h"

#include <QtTest>

using namespace SerialUnitMessages;

class TestEmulatorSerial : public QObject
{
    Q_OBJECT
private slots:
    void answersQueriesAndAnnouncesThePort()
    {
        EmulatedSerialRig rig;
        QVERIFY(rig.link.portPath().isEmpty());
        rig.unit.powerOn();
        QVERIFY(rig.link.portPath().startsWith(QLatin1String("/dev/")));
        const QStringList entries = rig.registryTexts();
        QCOMPARE(entries.size(), 1);
        QVERIFY(entries[0].contains(QStringLiteral("path=") + rig.link.portPath() + '\n'));
        QVERIFY(entries[0].contains(QStringLiteral("description=TQR-30 Pro Larkspur\n")));
        QVERIFY(entries[0].contains(QStringLiteral("vendor=1209\n")));

        QVERIFY(rig.reopen());
        // A command split over two writes still counts.
        rig.port.write(QByteArray::fromHex("AACC02"));
        rig.port.flush();
        QTest::qWait(20);
        rig.port.write(QByteArray::fromHex("00010D0A"));
        QCOMPARE(rig.readSome(modelReply(QStringLiteral("TQR-30 Pro")).size()),
                 modelReply(QStringLiteral("TQR-30 Pro")));
        rig.port.write(command(QueryVersion));
        QCOMPARE(rig.readSome(11), versionReply(QStringLiteral("V1.0.2")));
        // The running firmware does not erase.
        rig.port.write(command(Erase));
        QCOMPARE(rig.readSome(1, 500), QByteArray());

        // Closing and reopening the port is not unplugging.
        QVERIFY(rig.reopen());
        rig.port.write(command(QueryVersion));
        QCOMPARE(rig.readSome(11), versionReply(QStringLiteral("V1.0.2")));

        rig.unit.unplug();
        QVERIFY(rig.registryTexts().isEmpty());
        QVERIFY(rig.link.portPath().isEmpty());
    }

    void upgradeDeliversTheImageByteForByte()
    {
        EmulatedSerialRig rig(UnitMessages::Model::Tqr30, QStringLiteral("V1.0.2"));
        EmulatedUnit::Timing timing;
        timing.reenumerateMs = 100;
        timing.eraseMs = 20;
        timing.rebootMs = 200;
        rig.unit.setTiming(timing);
        QVERIFY(rig.powerOnAndOpen());

        // Prepare: the normal-mode port goes, the loader's comes.
        rig.port.write(command(PrepareUpgrade));
        QTRY_COMPARE(rig.unit.serialMode(), EmulatedUnit::SerialMode::Absent);
        QVERIFY(rig.registryTexts().isEmpty());
        QTRY_COMPARE(rig.unit.serialMode(), EmulatedUnit::SerialMode::Upgrade);
        QCOMPARE(rig.registryTexts().size(), 1);
        QVERIFY(rig.registryTexts()[0].contains(QStringLiteral("description=TQR-30B")));
        QVERIFY(rig.reopen());

        rig.port.write(command(QueryModel));
        QCOMPARE(rig.readSome(modelReply(QStringLiteral("TQR-30")).size()), modelReply(QStringLiteral("TQR-30")));
        rig.port.write(command(Erase));
        QCOMPARE(rig.readSome(eraseEnd().size()), eraseEnd());

        // 130 bytes with a version trailer: chunks of 64, 64 and 2, each
        // acknowledged before the next goes, as the panel sends them.
        QByteArray image;
        for (int i = 0; i < 118; ++i)
            image.append(char(i * 7));
        image.append("FW V1.0.3\0\0\0", 12);
        QCOMPARE(image.size(), 130);
        QSignalSpy received(&rig.unit, &EmulatedUnit::firmwareReceived);
        for (int at = 0; at < image.size(); at += kChunkSize) {
            rig.port.write(image.mid(at, kChunkSize));
            QCOMPARE(rig.readSome(7), chunkAck());
        }
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(rig.unit.receivedImage(), image);
        QCOMPARE(rig.unit.firmwareVersion(), QStringLiteral("V1.0.3"));

        // It restarts in normal mode and reports the new version.
        QTRY_COMPARE(rig.unit.serialMode(), EmulatedUnit::SerialMode::Normal);
        QVERIFY(rig.reopen());
        rig.port.write(command(QueryVersion));
        QCOMPARE(rig.readSome(11), versionReply(QStringLiteral("V1.0.3")));
    }

    void imageOfWholeChunksEndsWhenNothingFollows()
    {
        EmulatedSerialRig rig;
        EmulatedUnit::Timing timing;
        timing.reenumerateMs = 50;
        timing.eraseMs = 10;
        timing.imageEndIdleMs = 150;
        rig.unit.setTiming(timing);
        QVERIFY(rig.powerOnAndOpen());
        rig.port.write(command(PrepareUpgrade));
        QTRY_COMPARE(rig.unit.serialMode(), EmulatedUnit::SerialMode::Upgrade);
        QVERIFY(rig.reopen());
        rig.port.write(command(Erase));
        QCOMPARE(rig.readSome(eraseEnd().size()), eraseEnd());
        const QByteArray image(128, '\x55');
        rig.unit.setImageFileNameHint(QStringLiteral("/home/u/TQR-30 Pro_V2.0.0.bin"));
        rig.port.write(image.left(64));
        QCOMPARE(rig.readSome(7), chunkAck());
        rig.port.write(image.mid(64));
        QCOMPARE(rig.readSome(7), chunkAck());
        QTRY_COMPARE(rig.unit.receivedImage(), image);
        QCOMPARE(rig.unit.firmwareVersion(), QStringLiteral("V2.0.0"));
    }

    // --chatter: the unit names itself once in the middle of an image, after
    // the acknowledgement of its 40th chunk; --replug-after: it comes back on
    // a new serial port after it was gone.
    void chatterAndReplug()
    {
        EmulatedSerialRig rig;
        EmulatedUnit::Timing timing;
        timing.reenumerateMs = 50;
        timing.eraseMs = 10;
        rig.unit.setTiming(timing);
        EmulatedUnit::Faults faults;
        faults.chatter = true;
        rig.unit.setFaults(faults);
        QVERIFY(rig.powerOnAndOpen());
        rig.port.write(command(PrepareUpgrade));
        QTRY_COMPARE(rig.unit.serialMode(), EmulatedUnit::SerialMode::Upgrade);
        QVERIFY(rig.reopen());
        rig.port.write(command(Erase));
        QCOMPARE(rig.readSome(eraseEnd().size()), eraseEnd());
        QByteArray heard;
        for (int chunk = 1; chunk <= EmulatedUnit::kChatterChunk + 2; ++chunk) {
            rig.port.write(QByteArray(kChunkSize, char(chunk)));
            heard += rig.readSome(chunk == EmulatedUnit::kChatterChunk ? 7 + 12 : 7);
        }
        QCOMPARE(heard.count(modelReply(QStringLiteral("TQR-30 Pro"))), 1);
        QVERIFY(heard.endsWith(chunkAck() + modelReply(QStringLiteral("TQR-30 Pro")) + chunkAck() + chunkAck()));

        rig.unit.replug(100);
        QVERIFY(rig.link.portPath().isEmpty());
        QTRY_VERIFY(!rig.link.portPath().isEmpty());
        QCOMPARE(rig.registryTexts().size(), 1);
        QVERIFY(rig.unit.isPresent());
    }

    void serialFaults()
    {
        EmulatedSerialRig rig;
        EmulatedUnit::Timing timing;
        timing.reenumerateMs = 50;
        timing.eraseMs = 10;
        rig.unit.setTiming(timing);
        QVERIFY(rig.powerOnAndOpen());

        EmulatedUnit::Faults faults;
        faults.malformed = true;
        rig.unit.setFaults(faults);
        rig.port.write(command(QueryVersion));
        QCOMPARE(rig.readSome(9), QByteArray::fromHex("AACC06") + "V1.0.2");

        faults = {};
        faults.silent = true;
        rig.unit.setFaults(faults);
        rig.port.write(command(QueryModel));
        QCOMPARE(rig.readSome(1, 300), QByteArray());

        faults = {};
        faults.failAcks = true;
        rig.unit.setFaults(faults);
        rig.port.write(command(PrepareUpgrade));
        QTRY_COMPARE(rig.unit.serialMode(), EmulatedUnit::SerialMode::Upgrade);
        QVERIFY(rig.reopen());
        rig.port.write(command(Erase));
        QCOMPARE(rig.readSome(eraseFailed().size()), eraseFailed());

        // Unplugged while the panel holds the port: the line goes dead.
        qRegisterMetaType<QSerialPort::SerialPortError>();
        QSignalSpy errors(&rig.port, &QSerialPort::errorOccurred);
        rig.unit.unplug();
        QTRY_VERIFY(!errors.isEmpty() || !rig.port.isOpen());
        QVERIFY(rig.registryTexts().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestEmulatorSerial)
#include "tst_emulator_serial.moc"
