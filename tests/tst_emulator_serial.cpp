// The emulated unit's serial side over a real pseudo-terminal, read and
// written the way the panel does: through QSerialPort on the slave.

#include "emulator/EmulatedUnit.h"
#include "emulator/PtySerialLink.h"
#include "emulator/SerialUnitMessages.h"

#include <QDir>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

using namespace SerialUnitMessages;

namespace {

QStringList registryTexts(const QTemporaryDir &dir)
{
    QStringList texts;
    for (const QString &name : QDir(dir.path()).entryList({QStringLiteral("*.port")}, QDir::Files)) {
        QFile file(QDir(dir.path()).filePath(name));
        file.open(QIODevice::ReadOnly);
        texts << QString::fromUtf8(file.readAll());
    }
    return texts;
}

// Reads from the port until `expected` bytes have come or the time is up.
QByteArray readSome(QSerialPort &port, int expected, int timeoutMs = 2000)
{
    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    while (got.size() < expected && timer.elapsed() < timeoutMs) {
        QTest::qWait(5);
        got += port.readAll();
    }
    return got;
}

bool openPort(QSerialPort &port, const QString &path)
{
    port.setPortName(path);
    port.setBaudRate(115200);
    return port.open(QIODevice::ReadWrite);
}

} // namespace

class TestEmulatorSerial : public QObject
{
    Q_OBJECT
private slots:
    void answersQueriesAndAnnouncesThePort()
    {
        QTemporaryDir registry;
        EmulatedUnit unit;
        PtySerialLink link(&unit, registry.path());
        QVERIFY(link.portPath().isEmpty());
        unit.powerOn();
        QVERIFY(link.portPath().startsWith(QLatin1String("/dev/")));
        const QStringList entries = registryTexts(registry);
        QCOMPARE(entries.size(), 1);
        QVERIFY(entries[0].contains(QStringLiteral("path=") + link.portPath() + '\n'));
        QVERIFY(entries[0].contains(QStringLiteral("description=TQR-30 Pro Larkspur\n")));
        QVERIFY(entries[0].contains(QStringLiteral("vendor=1209\n")));

        QSerialPort port;
        QVERIFY(openPort(port, link.portPath()));
        // A command split over two writes still counts.
        port.write(QByteArray::fromHex("AACC02"));
        port.flush();
        QTest::qWait(20);
        port.write(QByteArray::fromHex("00010D0A"));
        QCOMPARE(readSome(port, modelReply(QStringLiteral("TQR-30 Pro")).size()),
                 modelReply(QStringLiteral("TQR-30 Pro")));
        port.write(command(QueryVersion));
        QCOMPARE(readSome(port, 11), versionReply(QStringLiteral("V1.0.2")));
        // The running firmware does not erase.
        port.write(command(Erase));
        QCOMPARE(readSome(port, 1, 500), QByteArray());

        // Closing and reopening the port is not unplugging.
        port.close();
        QVERIFY(openPort(port, link.portPath()));
        port.write(command(QueryVersion));
        QCOMPARE(readSome(port, 11), versionReply(QStringLiteral("V1.0.2")));

        unit.unplug();
        QVERIFY(registryTexts(registry).isEmpty());
        QVERIFY(link.portPath().isEmpty());
    }

    void upgradeDeliversTheImageByteForByte()
    {
        QTemporaryDir registry;
        EmulatedUnit unit(UnitMessages::Model::Tqr30, QStringLiteral("V1.0.2"));
        EmulatedUnit::Timing timing;
        timing.reenumerateMs = 100;
        timing.eraseMs = 20;
        timing.rebootMs = 200;
        unit.setTiming(timing);
        PtySerialLink link(&unit, registry.path());
        unit.powerOn();
        QSerialPort port;
        QVERIFY(openPort(port, link.portPath()));
        const QString normalPath = link.portPath();

        // Prepare: the normal-mode port goes, the loader's comes.
        port.write(command(PrepareUpgrade));
        QTRY_COMPARE(unit.serialMode(), EmulatedUnit::SerialMode::Absent);
        QVERIFY(registryTexts(registry).isEmpty());
        QTRY_COMPARE(unit.serialMode(), EmulatedUnit::SerialMode::Upgrade);
        QCOMPARE(registryTexts(registry).size(), 1);
        QVERIFY(registryTexts(registry)[0].contains(QStringLiteral("description=TQR-30B")));
        port.close();
        QVERIFY(openPort(port, link.portPath()));
        Q_UNUSED(normalPath);

        port.write(command(QueryModel));
        QCOMPARE(readSome(port, modelReply(QStringLiteral("TQR-30")).size()), modelReply(QStringLiteral("TQR-30")));
        port.write(command(Erase));
        QCOMPARE(readSome(port, eraseEnd().size()), eraseEnd());

        // 130 bytes with a version trailer: chunks of 64, 64 and 2, each
        // acknowledged before the next goes, as the panel sends them.
        QByteArray image;
        for (int i = 0; i < 118; ++i)
            image.append(char(i * 7));
        image.append("FW V1.0.3\0\0\0", 12);
        QCOMPARE(image.size(), 130);
        QSignalSpy received(&unit, &EmulatedUnit::firmwareReceived);
        for (int at = 0; at < image.size(); at += kChunkSize) {
            port.write(image.mid(at, kChunkSize));
            QCOMPARE(readSome(port, 7), chunkAck());
        }
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(unit.receivedImage(), image);
        QCOMPARE(unit.firmwareVersion(), QStringLiteral("V1.0.3"));

        // It restarts in normal mode and reports the new version.
        QTRY_COMPARE(unit.serialMode(), EmulatedUnit::SerialMode::Normal);
        port.close();
        QVERIFY(openPort(port, link.portPath()));
        port.write(command(QueryVersion));
        QCOMPARE(readSome(port, 11), versionReply(QStringLiteral("V1.0.3")));
    }

    void imageOfWholeChunksEndsWhenNothingFollows()
    {
        QTemporaryDir registry;
        EmulatedUnit unit;
        EmulatedUnit::Timing timing;
        timing.reenumerateMs = 50;
        timing.eraseMs = 10;
        timing.imageEndIdleMs = 150;
        unit.setTiming(timing);
        PtySerialLink link(&unit, registry.path());
        unit.powerOn();
        QSerialPort port;
        QVERIFY(openPort(port, link.portPath()));
        port.write(command(PrepareUpgrade));
        QTRY_COMPARE(unit.serialMode(), EmulatedUnit::SerialMode::Upgrade);
        port.close();
        QVERIFY(openPort(port, link.portPath()));
        port.write(command(Erase));
        QCOMPARE(readSome(port, eraseEnd().size()), eraseEnd());
        const QByteArray image(128, '\x55');
        unit.setImageFileNameHint(QStringLiteral("/home/u/TQR-30 Pro_V2.0.0.bin"));
        port.write(image.left(64));
        QCOMPARE(readSome(port, 7), chunkAck());
        port.write(image.mid(64));
        QCOMPARE(readSome(port, 7), chunkAck());
        QTRY_COMPARE(unit.receivedImage(), image);
        QCOMPARE(unit.firmwareVersion(), QStringLiteral("V2.0.0"));
    }

    void serialFaults()
    {
        QTemporaryDir registry;
        EmulatedUnit unit;
        EmulatedUnit::Timing timing;
        timing.reenumerateMs = 50;
        timing.eraseMs = 10;
        unit.setTiming(timing);
        PtySerialLink link(&unit, registry.path());
        unit.powerOn();
        QSerialPort port;
        QVERIFY(openPort(port, link.portPath()));

        EmulatedUnit::Faults faults;
        faults.malformed = true;
        unit.setFaults(faults);
        port.write(command(QueryVersion));
        QCOMPARE(readSome(port, 9), QByteArray::fromHex("AACC06") + "V1.0.2");

        faults = {};
        faults.silent = true;
        unit.setFaults(faults);
        port.write(command(QueryModel));
        QCOMPARE(readSome(port, 1, 300), QByteArray());

        faults = {};
        faults.failAcks = true;
        unit.setFaults(faults);
        port.write(command(PrepareUpgrade));
        QTRY_COMPARE(unit.serialMode(), EmulatedUnit::SerialMode::Upgrade);
        port.close();
        QVERIFY(openPort(port, link.portPath()));
        port.write(command(Erase));
        QCOMPARE(readSome(port, eraseFailed().size()), eraseFailed());

        // Unplugged while the panel holds the port: the line goes dead.
        qRegisterMetaType<QSerialPort::SerialPortError>();
        QSignalSpy errors(&port, &QSerialPort::errorOccurred);
        unit.unplug();
        QTRY_VERIFY(!errors.isEmpty() || !port.isOpen());
        QVERIFY(registryTexts(registry).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestEmulatorSerial)
#include "tst_emulator_serial.moc"
