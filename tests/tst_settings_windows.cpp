// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/IpAddressEdit.h"
#include "settings/IpSegmentEdit.h"
#include "settings/OscSettingWidget.h"
#include "settings/TimeOffsetWidget.h"
#include "settings/UdpSetting.h"
#include "support/Hex.h"
#include "support/MessageBoxRecorder.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

namespace {

const QByteArray kAckOk = hex("F07F7F1202F7");
const QByteArray kAckFail = hex("F07F7F1200F7");
const QByteArray kLocal8000 = hex("F07F7F5E0F0600" "0000000000000000000000" "0008000000" "F7");
const QByteArray kForwardOff = hex("F07F7F5E0F0500" "00000000000000000000000000000000" "F7");

QByteArray sent(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(0).toByteArray();
}

QString only(const QList<MessageBoxRecorder::Box> &boxes, QMessageBox::Icon icon, const QString &title)
{
    if (boxes.size() != 1 || boxes[0].icon != icon || boxes[0].title != title)
        return QStringLiteral("<%1 boxes, first \"%2\">")
            .arg(boxes.size())
            .arg(boxes.isEmpty() ? QString() : boxes[0].title);
    return boxes[0].text;
}
} // namespace

class TestSettingsWindows : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void oscReadAndSuccessfulSequence();
    void oscDeviceRowsInOrder();
    void oscValidationSendsNothing_data();
    void oscValidationSendsNothing();
    void oscRefusedSetLeavesSequenceRunning();
    void oscFailureSkipsTheRest();
    void oscTimeoutFailsCurrentAndLater();
    void oscNewSetRestartsSequence();
    void oscAckWhileIdle();
    void oscFeedbackFillsFields();
    void oscMalformedFeedbackChangesNothing();

    void udpSetSendsBothPortsApart();
    void udpValidationOrder_data();
    void udpValidationOrder();
    void udpFeedback();

    void offsetSendAndFeedback();

private:
    QLineEdit *edit(QWidget *w, const char *name) { return w->findChild<QLineEdit *>(QLatin1String(name)); }
    void fillDevice(int device, const QString &address, const QString &port);

    OscSettingWidget *osc = nullptr;
};

void TestSettingsWindows::init()
{
    osc = new OscSettingWidget;
    osc->setStepTimeout(200);
}

void TestSettingsWindows::cleanup()
{
    MessageBoxRecorder().closeOpen();
    delete osc;
}

void TestSettingsWindows::fillDevice(int device, const QString &address, const QString &port)
{
    osc->addressEdit(device)->setAddress(address);
    edit(osc, QStringLiteral("portEdit%1").arg(device + 1).toLatin1())->setText(port);
}

void TestSettingsWindows::oscReadAndSuccessfulSequence()
{
    QSignalSpy spy(osc, &OscSettingWidget::sendSysExRequested);
    osc->onReadClicked();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(sent(spy, 0), hex("F07F7F5E0F0000" "00000000000000000000000000000000" "F7"));
    QVERIFY(!osc->isSending());
    spy.clear();

    edit(osc, "localPortEdit")->setText(QStringLiteral(" 8000 "));
    osc->onSetClicked();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(sent(spy, 0), kLocal8000);
    QVERIFY(osc->isSending());

    // Each acknowledgement restarts the wait: each step is answered within the
    // 200 ms timeout, the whole sequence is not, and no timeout fires.
    QTest::qWait(120);
    QVERIFY(MessageBoxRecorder().closeOpen().isEmpty());
    osc->handleAck(kAckOk);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(sent(spy, 1), kForwardOff);
    QTest::qWait(120);
    QVERIFY(MessageBoxRecorder().closeOpen().isEmpty());
    QVERIFY(osc->isSending());
    osc->handleAck(hex("F07F7F1207F7"));
    QCOMPARE(spy.count(), 2);
    QVERIFY(!osc->isSending());
    QVERIFY(osc->isFinished());
    QCOMPARE(only(MessageBoxRecorder().closeOpen(), QMessageBox::Information, "Set Result"),
             QStringLiteral("OSC configuration applied successfully to the following items:\n"
                            "Local Port: Success\nForward: Success"));
    QTest::qWait(250);
    QVERIFY(MessageBoxRecorder().closeOpen().isEmpty());
}

void TestSettingsWindows::oscDeviceRowsInOrder()
{
    QSignalSpy spy(osc, &OscSettingWidget::sendSysExRequested);
    edit(osc, "localPortEdit")->setText(QStringLiteral("9001"));
    osc->findChild<QCheckBox *>(QStringLiteral("forwardCheck"))->setChecked(true);
    fillDevice(0, "10.0.0.1", "1");
    fillDevice(2, "192.168.1.20", "9000");
    osc->onSetClicked();
    for (int i = 0; i < 3; ++i)
        osc->handleAck(kAckOk);
    QCOMPARE(spy.count(), 4);
    QCOMPARE(sent(spy, 0), hex("F07F7F5E0F0600" "0000000000000000000000" "0009000001" "F7"));
    QCOMPARE(sent(spy, 1), hex("F07F7F5E0F0501" "00000000000000000000000000000000" "F7"));
    QCOMPARE(sent(spy, 2), hex("F07F7F5E0F0100" "0100000000000000000001" "0000000001" "F7"));
    QCOMPARE(sent(spy, 3), hex("F07F7F5E0F0301090201060800000100020000090000" "00F7"));
    QCOMPARE(osc->currentStep(), 3);
    osc->handleAck(kAckOk);
    QCOMPARE(only(MessageBoxRecorder().closeOpen(), QMessageBox::Information, "Set Result"),
             QStringLiteral("OSC configuration applied successfully to the following items:\n"
                            "Local Port: Success\nForward: Success\nDevice1: Success\nDevice3: Success"));
}

// One device row at most is filled: by address (setAddress) or segment by
// segment (text that slipped past the keys).
void TestSettingsWindows::oscValidationSendsNothing_data()
{
    QTest::addColumn<QString>("local");
    QTest::addColumn<int>("device");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("segments");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("warning");
    const QStringList none;
    QTest::newRow("no local port") << "" << -1 << "" << none << "" << "The local device port is invalid.";
    QTest::newRow("local port above 65535") << "70000" << -1 << "" << none << "" << "The local device port is invalid.";
    QTest::newRow("local port 0") << "0" << -1 << "" << none << "" << "The local device port is invalid.";
    QTest::newRow("address without port") << "8000" << 1 << "10.0.0.2" << none << "" << "Device 2 IP or port is incomplete.";
    QTest::newRow("port without address") << "8000" << 3 << "" << none << "9000" << "Device 4 IP or port is incomplete.";
    QTest::newRow("port above 65535") << "8000" << 0 << "10.0.0.2" << none << "65536" << "Device 1 port is invalid.";
    QTest::newRow("port 0") << "8000" << 0 << "10.0.0.2" << none << "00" << "Device 1 port is invalid.";
    // A row whose address is only partly filled counts as missing.
    QTest::newRow("address partly filled")
        << "8000" << 1 << "" << QStringList{"10", "", "", ""} << "9000" << "Device 2 IP or port is incomplete.";
    // Text that slipped past the keys is caught, not sent as 0.
    QTest::newRow("letters in the address")
        << "8000" << 1 << "" << QStringList{"1", "1", "ab", "1"} << "9000" << "Device 2 IP address is invalid.";
    QTest::newRow("octet above 255")
        << "8000" << 1 << "" << QStringList{"1", "1", "300", "1"} << "9000" << "Device 2 IP address is invalid.";
}

void TestSettingsWindows::oscValidationSendsNothing()
{
    QFETCH(QString, local);
    QFETCH(int, device);
    QFETCH(QString, address);
    QFETCH(QStringList, segments);
    QFETCH(QString, port);
    QFETCH(QString, warning);
    QSignalSpy spy(osc, &OscSettingWidget::sendSysExRequested);
    edit(osc, "localPortEdit")->setText(local);
    if (device >= 0) {
        fillDevice(device, address, port);
        for (int s = 0; s < segments.size(); ++s)
            osc->addressEdit(device)->segment(s)->setText(segments[s]);
    }
    osc->onSetClicked();
    QCOMPARE(only(MessageBoxRecorder().closeOpen(), QMessageBox::Warning, "Warning"), warning);
    QCOMPARE(spy.count(), 0);
    QVERIFY(!osc->isSending());
}

void TestSettingsWindows::oscRefusedSetLeavesSequenceRunning()
{
    QSignalSpy spy(osc, &OscSettingWidget::sendSysExRequested);
    edit(osc, "localPortEdit")->setText("8000");
    osc->onSetClicked();
    QCOMPARE(spy.count(), 1);
    edit(osc, "localPortEdit")->clear();
    osc->onSetClicked();
    MessageBoxRecorder().closeOpen();
    QVERIFY(osc->isSending());
    osc->handleAck(kAckOk);
    QCOMPARE(spy.count(), 2);
}

void TestSettingsWindows::oscFailureSkipsTheRest()
{
    QSignalSpy spy(osc, &OscSettingWidget::sendSysExRequested);
    edit(osc, "localPortEdit")->setText("8000");
    fillDevice(0, "10.0.0.1", "1000");
    fillDevice(1, "10.0.0.2", "2000");
    osc->onSetClicked();
    osc->handleAck(kAckOk);
    osc->handleAck(kAckFail);
    QCOMPARE(spy.count(), 2);
    QVERIFY(osc->isFinished());
    QCOMPARE(only(MessageBoxRecorder().closeOpen(), QMessageBox::Warning, "Set Result"),
             QStringLiteral("Failed to apply the following items:\n"
                            "Forward: Failed (The device reported a failure)\n"
                            "Device1: Failed (Skipped because the previous item failed)\n"
                            "Device2: Failed (Skipped because the previous item failed)"));
    // The sequence is over: a late acknowledgement is reported on its own.
    osc->handleAck(kAckOk);
    QCOMPARE(only(MessageBoxRecorder().closeOpen(), QMessageBox::Information, "MCU Ack"),
             QStringLiteral("Configuration applied successfully."));
    QCOMPARE(spy.count(), 2);
}

void TestSettingsWindows::oscTimeoutFailsCurrentAndLater()
{
    QSignalSpy spy(osc, &OscSettingWidget::sendSysExRequested);
    osc->setStepTimeout(40);
    edit(osc, "localPortEdit")->setText("8000");
    fillDevice(3, "10.0.0.4", "4000");
    osc->onSetClicked();
    osc->handleAck(kAckOk);
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY(osc->isFinished());
    QVERIFY(clock.elapsed() >= 35);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(only(MessageBoxRecorder().closeOpen(), QMessageBox::Warning, "Set Result"),
             QStringLiteral("Failed to apply the following items:\n"
                            "Forward: Failed (Timed out waiting for a device response)\n"
                            "Device4: Failed (Timed out waiting for a device response)"));
    const QList<OscSettingWidget::SetItem> items = osc->setItems();
    QVERIFY(items[0].success);
    QVERIFY(!items[1].success && !items[2].success);
}

void TestSettingsWindows::oscNewSetRestartsSequence()
{
    QSignalSpy spy(osc, &OscSettingWidget::sendSysExRequested);
    osc->setStepTimeout(60);
    edit(osc, "localPortEdit")->setText("8000");
    fillDevice(0, "10.0.0.1", "1000");
    osc->onSetClicked();
    osc->handleAck(kAckOk);
    QCOMPARE(spy.count(), 2);

    edit(osc, "localPortEdit")->setText("7000");
    fillDevice(0, "", "");
    QTest::qWait(40);
    osc->onSetClicked();
    QCOMPARE(spy.count(), 3);
    QCOMPARE(sent(spy, 2), hex("F07F7F5E0F0600" "0000000000000000000000" "0007000000" "F7"));
    QCOMPARE(osc->sequenceMessages().size(), 2);
    QCOMPARE(osc->currentStep(), 0);
    // The restarted step has a full timeout of its own.
    QTest::qWait(40);
    QVERIFY(osc->isSending());
    QVERIFY(MessageBoxRecorder().closeOpen().isEmpty());
    osc->handleAck(kAckOk);
    osc->handleAck(kAckOk);
    QCOMPARE(only(MessageBoxRecorder().closeOpen(), QMessageBox::Information, "Set Result"),
             QStringLiteral("OSC configuration applied successfully to the following items:\n"
                            "Local Port: Success\nForward: Success"));
}

void TestSettingsWindows::oscAckWhileIdle()
{
    osc->handleAck(hex("F07F7F1201F7"));
    QCOMPARE(only(MessageBoxRecorder().closeOpen(), QMessageBox::Information, "MCU Ack"), QStringLiteral("Configuration applied successfully."));
    osc->handleAck(hex("F07F7F1200F7"));
    QCOMPARE(only(MessageBoxRecorder().closeOpen(), QMessageBox::Information, "MCU Ack"), QStringLiteral("Configuration failed."));
    osc->handleAck(hex("F07F7F120AF7"));
    QVERIFY(MessageBoxRecorder().closeOpen().isEmpty());

    // An unknown code during a sequence neither advances nor ends it.
    QSignalSpy spy(osc, &OscSettingWidget::sendSysExRequested);
    edit(osc, "localPortEdit")->setText("8000");
    osc->onSetClicked();
    osc->handleAck(hex("F07F7F120AF7"));
    QCOMPARE(spy.count(), 1);
    QVERIFY(osc->isSending());
    QVERIFY(MessageBoxRecorder().closeOpen().isEmpty());
}

void TestSettingsWindows::oscFeedbackFillsFields()
{
    osc->handleFeedback(hex("F07F7F5E0F0201090201060800000100020000090000" "00F7"));
    QCOMPARE(osc->addressEdit(1)->address(), QStringLiteral("192.168.1.20"));
    QCOMPARE(edit(osc, "portEdit2")->text(), QStringLiteral("9000"));

    osc->handleFeedback(hex("F07F7F5E0F0100" "0100000000000000000001" "0008000000" "F7"));
    QCOMPARE(osc->addressEdit(0)->address(), QStringLiteral("10.0.0.1"));
    QCOMPARE(edit(osc, "portEdit1")->text(), QStringLiteral("8000"));
    // A first octet of 300 clears the address; the port is still taken.
    osc->handleFeedback(hex("F07F7F5E0F0103" "0000000000000000000001" "0007000000" "F7"));
    QCOMPARE(osc->addressEdit(0)->address(), QString());
    QCOMPARE(osc->addressEdit(0)->segment(0)->text(), QString());
    QCOMPARE(edit(osc, "portEdit1")->text(), QStringLiteral("7000"));

    auto *forward = osc->findChild<QCheckBox *>(QStringLiteral("forwardCheck"));
    osc->handleFeedback(hex("F07F7F5E0F0501" "00000000000000000000000000000000" "F7"));
    QVERIFY(forward->isChecked());
    osc->handleFeedback(hex("F07F7F5E0F0500" "00000000000000000000000000000000" "F7"));
    QVERIFY(!forward->isChecked());

    osc->handleFeedback(hex("F07F7F5E0F0600" "0000000000000000000000" "0008000000" "F7"));
    QCOMPARE(edit(osc, "localPortEdit")->text(), QStringLiteral("8000"));
    QVERIFY(MessageBoxRecorder().closeOpen().isEmpty());
}

void TestSettingsWindows::oscMalformedFeedbackChangesNothing()
{
    osc->handleFeedback(hex("F07F7F5E0F0201090201060800000100020000090000" "00F7"));
    edit(osc, "localPortEdit")->setText("1234");
    const QByteArray good = hex("F07F7F5E0F0401090201060800000100020000090000" "00F7");
    const QList<QByteArray> bad = {
        good.left(22) + hex("F7"),
        good.left(23) + hex("00F7"),
        QByteArray(good).replace(4, 1, hex("0E")),
        QByteArray(good).replace(19, 1, hex("0A")),
        QByteArray(good).replace(5, 1, hex("00")),
        hex("F07F7F5E0F0600" "0000000000000000000000" "000A000000" "F7"),
        // Address digits are digits, as in the IP feedback.
        QByteArray(good).replace(8, 1, hex("0A")),
        QByteArray(good).replace(6, 1, hex("7F")),
        hex("F07F7F1204F7"),
        hex("F07F7F5E10000005000000F7"),
    };
    for (const QByteArray &message : bad)
        osc->handleFeedback(message);
    QCOMPARE(osc->addressEdit(3)->address(), QString());
    QCOMPARE(edit(osc, "portEdit4")->text(), QString());
    QCOMPARE(osc->addressEdit(1)->address(), QStringLiteral("192.168.1.20"));
    QCOMPARE(edit(osc, "localPortEdit")->text(), QStringLiteral("1234"));
}

void TestSettingsWindows::udpSetSendsBothPortsApart()
{
    UdpSetting udp;
    QSignalSpy spy(&udp, &UdpSetting::sendSysExRequested);
    udp.onReadClicked();
    QCOMPARE(sent(spy, 0), hex("F07F7F5E0F0000" "00000000000000000000000000000000" "F7"));
    spy.clear();

    edit(&udp, "udpPortEdit")->setText(" 5000");
    edit(&udp, "tcpPortEdit")->setText("6000 ");
    QElapsedTimer clock;
    clock.start();
    udp.onSetClicked();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(sent(spy, 0), hex("F07F7F5E10000005000000F7"));
    // The TCP port goes out while the confirmation is still open.
    QTRY_COMPARE(spy.count(), 2);
    QVERIFY(clock.elapsed() >= UdpSetting::kTcpDelayMs - 5);
    QCOMPARE(sent(spy, 1), hex("F07F7F5E10010006000000F7"));
    QCOMPARE(only(MessageBoxRecorder().closeOpen(), QMessageBox::Information, "Settings"),
             QStringLiteral("The UDP/TCP configuration command has been sent."));

    spy.clear();
    edit(&udp, "udpPortEdit")->setText("1");
    edit(&udp, "tcpPortEdit")->setText("65535");
    udp.onSetClicked();
    QTRY_COMPARE(spy.count(), 2);
    QCOMPARE(sent(spy, 0), hex("F07F7F5E10000000000001F7"));
    QCOMPARE(sent(spy, 1), hex("F07F7F5E10010605050305F7"));
    MessageBoxRecorder().closeOpen();
}

// The first complaint wins: a missing port before an invalid one, UDP before TCP.
void TestSettingsWindows::udpValidationOrder_data()
{
    QTest::addColumn<QString>("udpPort");
    QTest::addColumn<QString>("tcpPort");
    QTest::addColumn<QString>("warning");
    QTest::newRow("both empty") << "" << "" << "The UDP port is required.";
    QTest::newRow("UDP blank") << "  " << "6000" << "The UDP port is required.";
    QTest::newRow("TCP empty") << "5000" << "" << "The TCP port is required.";
    QTest::newRow("UDP invalid, TCP empty") << "70000" << "" << "The TCP port is required.";
    QTest::newRow("both invalid") << "70000" << "99999" << "The UDP port is invalid.";
    QTest::newRow("TCP above 65535") << "5000" << "65536" << "The TCP port is invalid.";
    QTest::newRow("UDP port 0") << "0" << "6000" << "The UDP port is invalid.";
    QTest::newRow("TCP port 0") << "5000" << " 0" << "The TCP port is invalid.";
}

void TestSettingsWindows::udpValidationOrder()
{
    QFETCH(QString, udpPort);
    QFETCH(QString, tcpPort);
    QFETCH(QString, warning);
    UdpSetting udp;
    QSignalSpy spy(&udp, &UdpSetting::sendSysExRequested);
    edit(&udp, "udpPortEdit")->setText(udpPort);
    edit(&udp, "tcpPortEdit")->setText(tcpPort);
    udp.onSetClicked();
    QCOMPARE(only(MessageBoxRecorder().closeOpen(), QMessageBox::Warning, "Warning"), warning);
    QTest::qWait(UdpSetting::kTcpDelayMs + 20);
    QCOMPARE(spy.count(), 0);
}

void TestSettingsWindows::udpFeedback()
{
    UdpSetting udp;
    udp.handleFeedback(hex("F07F7F5E10010000080000F7"));
    QCOMPARE(edit(&udp, "tcpPortEdit")->text(), QStringLiteral("800"));
    udp.handleFeedback(hex("F07F7F5E10000005000000F7"));
    QCOMPARE(edit(&udp, "udpPortEdit")->text(), QStringLiteral("5000"));

    for (const char *bad : {"F07F7F5E10020000080000F7", "F07F7F5E100100000A0000F7", "F07F7F5E100100000800F7",
                            "F07F7F5E1001F7", "F07F7F5E10010000090000F6"})
        udp.handleFeedback(hex(bad));
    QCOMPARE(edit(&udp, "tcpPortEdit")->text(), QStringLiteral("800"));
    QCOMPARE(edit(&udp, "udpPortEdit")->text(), QStringLiteral("5000"));
}

void TestSettingsWindows::offsetSendAndFeedback()
{
    TimeOffsetWidget offset;
    auto *spin = offset.findChild<QSpinBox *>(QStringLiteral("frameSpin"));
    QCOMPARE(spin->minimum(), -15);
    QCOMPARE(spin->maximum(), 15);
    QCOMPARE(spin->value(), 0);
    QSignalSpy spy(&offset, &TimeOffsetWidget::sendSysExRequested);
    // The encoding itself is tst_network_messages' business; here, that the
    // spin box's value is what goes out.
    const QList<QPair<int, QByteArray>> sends = {
        {-3, hex("F07F7F1200000003F7")},
        {15, hex("F07F7F124000001FF7")},
    };
    for (const auto &s : sends) {
        spin->setValue(s.first);
        offset.onSendClicked();
        QCOMPARE(spy.takeFirst().at(0).toByteArray(), s.second);
    }

    const QList<QPair<QByteArray, int>> feedback = {
        {hex("F07F7F1200000005F7"), -5},
        {hex("F07F7F1240000015F7"), 5},
        {hex("F07F7F1240000010F7"), 0},
        // The sign byte is not read.
        {hex("F07F7F1240000005F7"), -5},
    };
    for (const auto &f : feedback) {
        spin->setValue(9);
        offset.handleFeedback(f.first);
        QCOMPARE(spin->value(), f.second);
    }

    spin->setValue(7);
    for (const char *bad : {"F07F7F1240000000F7", "F07F7F1240000020F7", "F07F7F12400005F7", "F07F7F124000000500F7",
                            "F07F7F1105F7", "F07F7F1340000005F7", "F07F7F1240000005F6"})
        offset.handleFeedback(hex(bad));
    QCOMPARE(spin->value(), 7);
}

QTEST_MAIN(TestSettingsWindows)
#include "tst_settings_windows.moc"
