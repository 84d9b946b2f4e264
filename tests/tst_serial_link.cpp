// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/SerialPortBoxes.h"
#include "serial/SerialPort.h"
#include "serial/SerialProtocol.h"
#include "support/MessageBoxRecorder.h"
#include "support/SerialLinkRig.h"

#include <QSignalSpy>
#include <QtTest>

#include <cerrno>

class SerialLinkTest : public QObject
{
    Q_OBJECT
private slots:
    void emptyPortNameShowsTheBox();
    void modelReplyAsksForTheVersion();
    void rawDataComesFirst();
    void acknowledgementAndEraseEnd();
    void repliesWhateverTheReads();
    void busyPortIsExplained();
    void failureTexts();
    void lostPortClosesOnce_data();
    void lostPortClosesOnce();
};

void SerialLinkTest::emptyPortNameShowsTheBox()
{
    SerialLinkRig rig;
    SerialPort &link = rig.link;
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    SerialPortBoxes::showFailuresOf(&link);
    QVERIFY(!link.openPort(QString(), 115200));
    QVERIFY(!link.isOpen());
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.at(0).title, QString("Brio Tool"));
    QCOMPARE(boxes.boxes.at(0).text, QString("Port name error. Please choose a valid COM port."));
    QCOMPARE(boxes.boxes.at(0).buttonCount, 1);
    QVERIFY(link.portName().isEmpty());
}

void SerialLinkTest::modelReplyAsksForTheVersion()
{
    SerialLinkRig rig;
    QVERIFY(rig.link.openPort(rig.unit.portName(), 115200));
    QSignalSpy models(&rig.link, &SerialPort::send_Brio);
    QSignalSpy versions(&rig.link, &SerialPort::send_vesion);

    QVERIFY(rig.link.writeCommand(SerialProtocol::QueryModel));
    QTRY_COMPARE(versions.size(), 1);
    QCOMPARE(models.size(), 1);
    QCOMPARE(models.at(0).at(0).toString(), QString("TQR-30 Pro"));
    QCOMPARE(versions.at(0).at(0).toString(), QString("V1.0.2"));
    QCOMPARE(rig.unit.commands, (QList<quint8>{0x01, 0x03}));
    QCOMPARE(rig.unit.pty().received(), SerialProtocol::commandFrame(0x01) + SerialProtocol::commandFrame(0x03));

    // A model without its CR LF: no signal and no version query.
    rig.unit.pty().send("TQR-30");
    QTest::qWait(50);
    QCOMPARE(models.size(), 1);
    QCOMPARE(rig.unit.countCommand(0x03), 1);
}

void SerialLinkTest::rawDataComesFirst()
{
    SerialLinkRig rig;
    QVERIFY(rig.link.openPort(rig.unit.portName(), 115200));
    QStringList order;
    connect(&rig.link, &SerialPort::showdata, this, [&](const QByteArray &data) {
        order << "data:" + QString::fromLatin1(data.toHex());
        // The raw chunk is handled before the link's own parsing: the flag is not set yet.
        order << QString("ready:%1").arg(rig.link.readyForNext());
    });
    connect(&rig.link, &SerialPort::send_erase, this, [&] { order << "erase"; });
    rig.unit.pty().send("ERASE END");
    QTRY_COMPARE(order.size(), 3);
    QCOMPARE(order, (QStringList{"data:" + QString::fromLatin1(QByteArray("ERASE END").toHex()),
                                 "ready:0", "erase"}));
}

void SerialLinkTest::acknowledgementAndEraseEnd()
{
    SerialLinkRig rig;
    QVERIFY(rig.link.openPort(rig.unit.portName(), 115200));
    QSignalSpy erases(&rig.link, &SerialPort::send_erase);

    rig.unit.pty().send(UnitPeer::ackBytes());
    QTRY_VERIFY(rig.link.readyForNext());
    rig.link.setReadyForNext(false);

    rig.unit.pty().send("ERASE END");
    QTRY_COMPARE(erases.size(), 1);
    QCOMPARE(erases.at(0).at(0).toBool(), true);
    QVERIFY(!rig.link.readyForNext());

    rig.unit.pty().send("12345678"); // not 7 bytes
    QTest::qWait(50);
    QVERIFY(!rig.link.readyForNext());
}

// Over a real line: a reply split over two reads counts once, two in one read
// count twice, in order, before the link acts on each.
void SerialLinkTest::repliesWhateverTheReads()
{
    SerialLinkRig rig;
    QVERIFY(rig.link.openPort(rig.unit.portName(), 115200));
    QSignalSpy versions(&rig.link, &SerialPort::send_vesion);
    QSignalSpy data(&rig.link, &SerialPort::showdata);
    QSignalSpy acks(&rig.link, &SerialPort::acknowledged);
    rig.unit.pty().send(QByteArray("\xAA\xCC\x06V1.", 6));
    QTest::qWait(20);
    rig.unit.pty().send("0.3\r\n");
    QTRY_COMPARE(versions.size(), 1);
    QCOMPARE(versions.at(0).at(0).toString(), QString("V1.0.3"));
    QCOMPARE(data.size(), 1);

    rig.unit.pty().send(UnitPeer::ackBytes() + UnitPeer::ackBytes() + "ERASE END");
    QTRY_COMPARE(data.size(), 4);
    QCOMPARE(acks.size(), 2);
    QCOMPARE(data.at(3).at(0).toByteArray(), QByteArray("ERASE END"));
}

void SerialLinkTest::busyPortIsExplained()
{
    SerialLinkRig rig;
    SerialPort &first = rig.link;
    const UnitPeer &unit = rig.unit;
    QVERIFY(first.openPort(unit.portName(), 115200));

    SerialPort second("Larkspur", nullptr, nullptr);
    QString why;
    QVERIFY(!second.tryOpenPort(unit.portName(), 115200, &why));
    QVERIFY2(why.contains("in use by another program"), qPrintable(why));

    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    QSignalSpy failures(&second, &SerialPort::openFailed);
    SerialPortBoxes::showFailuresOf(&second);
    QVERIFY(!second.openPort(unit.portName(), 115200));
    QCOMPARE(failures.size(), 1);
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.at(0).title, QString("Serial Port Error"));
    QVERIFY(boxes.boxes.at(0).text.contains(unit.portName()));
    QVERIFY(!second.isOpen());
    QVERIFY(first.isOpen());

    QVERIFY(!second.tryOpenPort("/dev/quill-no-such-port", 115200, &why));
    QVERIFY2(why.contains("no longer there"), qPrintable(why));
}

void SerialLinkTest::failureTexts()
{
    const QString denied = SerialPort::openFailureText(QSerialPort::PermissionError, "ttyACM0",
                                                       "Permission denied", false);
    QVERIFY(denied.contains("not allowed"));
    QVERIFY(denied.contains("dialout"));
    QVERIFY(denied.contains("70-quill-tool.rules"));
    QVERIFY(denied.contains("ttyACM0"));
    const QString busy = SerialPort::openFailureText(QSerialPort::PermissionError, "ttyACM0",
                                                     "Device busy", true);
    QVERIFY(busy.contains("ModemManager"));
    QVERIFY(!busy.contains("dialout"));
    const QString other = SerialPort::openFailureText(QSerialPort::UnsupportedOperationError,
                                                      "ttyACM0", "Inappropriate ioctl", true);
    QVERIFY(other.contains("Inappropriate ioctl"));
}

// Unplugged, a tty reads 0 bytes and Qt reports the error it finds in errno,
// which says nothing: whatever it left, the port is closed once, and a
// command after it (or before Qt has read at all) is refused instead of
// buffered into the dead port. The error arrives as Qt reports it, with errno
// as the failed read left it; a line that is still up keeps its port on a
// transient error.
void SerialLinkTest::lostPortClosesOnce_data()
{
    QTest::addColumn<int>("errnoLeft");
    QTest::addColumn<QSerialPort::SerialPortError>("reported");
    QTest::addColumn<bool>("hungUp");
    QTest::newRow("0 bytes, no errno") << 0 << QSerialPort::ReadError << true;
    QTest::newRow("0 bytes, stale ENOTTY") << int(ENOTTY) << QSerialPort::ReadError << true;
    QTest::newRow("EIO") << int(EIO) << QSerialPort::ResourceError << true;
    QTest::newRow("EAGAIN, line up") << int(EAGAIN) << QSerialPort::ResourceError << false;
    QTest::newRow("command before any read") << 0 << QSerialPort::NoError << true;
}

void SerialLinkTest::lostPortClosesOnce()
{
    QFETCH(int, errnoLeft);
    QFETCH(QSerialPort::SerialPortError, reported);
    QFETCH(bool, hungUp);
    SerialLinkRig rig;
    QVERIFY(rig.open());
    QSignalSpy lost(&rig.link, &SerialPort::portLost);
    QSignalSpy errors(&rig.link, &QSerialPort::errorOccurred);

    if (hungUp)
        rig.unit.pty().closeMaster();
    if (reported == QSerialPort::NoError) {
        QVERIFY(!rig.link.writeCommand(SerialProtocol::QueryModel));
    } else {
        errno = errnoLeft;
        emit rig.link.errorOccurred(reported);
    }
    QTest::qWait(200);

    QCOMPARE(rig.link.isOpen(), !hungUp);
    QCOMPARE(lost.size(), hungUp ? 1 : 0);
    // Nothing spins on the dead port.
    QVERIFY2(errors.size() <= 3, qPrintable(QString::number(errors.size())));
    QCOMPARE(rig.link.writeCommand(SerialProtocol::QueryModel), !hungUp);
    QCOMPARE(lost.size(), hungUp ? 1 : 0);
}

QTEST_MAIN(SerialLinkTest)
#include "tst_serial_link.moc"
