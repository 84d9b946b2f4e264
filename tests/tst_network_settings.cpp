// SPDX-License-Identifier: GPL-3.0-or-later
// The network settings windows as the main window runs them: their creation,
// the menu and button gates, the IP messages, and the unit's feedback and
// acknowledgements travelling through the in-memory MIDI system.

#include "shell/MainWindow.h"
#include "settings/IpAddressEdit.h"
#include "settings/IpSettingController.h"
#include "settings/OscSettingWidget.h"
#include "settings/TimeOffsetWidget.h"
#include "settings/UdpSetting.h"
#include "settings/ip_Dialog.h"
#include "support/Hex.h"
#include "support/PanelRig.h"
#include "ui_MainWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest>

using PanelTest::PanelRig;

namespace {

QLineEdit *ipField(PanelRig &p, ip_Dialog::Field f)
{
    return p.window->ipDialog()->field(f);
}

const QByteArray kOscRead = hex("F07F7F5E0F0000" "00000000000000000000000000000000" "F7");
const QByteArray kOscLocal8000 = hex("F07F7F5E0F0600" "0000000000000000000000" "0008000000" "F7");
const QByteArray kOscForwardOff = hex("F07F7F5E0F0500" "00000000000000000000000000000000" "F7");
const QByteArray kAckOk = hex("F07F7F1205F7");

// How the unit answers the OSC messages of a Set.
enum class OscAnswer { AcknowledgeAll, RefuseForward, SilentAfterLocalPort };

} // namespace

Q_DECLARE_METATYPE(OscAnswer)

class TestNetworkSettings : public QObject
{
    Q_OBJECT
private slots:
    void windowsAreCreatedHiddenWithTheirLook();
    void gatesFollowTheModel();
    void ipSetManualSendsThreeMessagesApart();
    void ipSetDhcpAndRead();
    void ipSetChecksTheFieldsTogether_data();
    void ipSetChecksTheFieldsTogether();
    void ipFeedbackFillsHiddenDialog();
    void ipMalformedFeedbackChangesNothing();
    void feedbackReachesEveryHiddenWindow();
    void acknowledgementGoesToOscWindowOnly();
    void oscSequenceRunsOnTheUnitsAnswers_data();
    void oscSequenceRunsOnTheUnitsAnswers();
    void rendersEachWindow();
};

void TestNetworkSettings::windowsAreCreatedHiddenWithTheirLook()
{
    PanelRig p;
    MainWindow &w = *p.window;
    ip_Dialog *ip = w.ipDialog();
    QCOMPARE(ip->parentWidget(), &w);
    QVERIFY(!ip->isVisible());
    QCOMPARE(ip->windowTitle(), QStringLiteral("IP Setting"));
    QVERIFY(!(ip->windowFlags() & Qt::WindowContextHelpButtonHint));
    QCOMPARE(ip->modeIndex(), 0);
    QCOMPARE(ip->field(ip_Dialog::AddressField)->text(), QStringLiteral("192.168.61.112"));
    QCOMPARE(ip->field(ip_Dialog::SubnetField)->text(), QStringLiteral("255.255.255.0"));
    QCOMPARE(ip->field(ip_Dialog::GatewayField)->text(), QStringLiteral("192.168.61.1"));
    for (auto f : {ip_Dialog::AddressField, ip_Dialog::SubnetField, ip_Dialog::GatewayField}) {
        QVERIFY(!ip->field(f)->isEnabled());
        QVERIFY(ip->field(f)->inputMask().startsWith(QStringLiteral("000.000.000.000;")));
    }

    QCOMPARE(w.oscWindow()->parentWidget(), nullptr);
    QCOMPARE(w.oscWindow()->windowTitle(), QStringLiteral("OSC Setting"));
    QCOMPARE(w.oscWindow()->minimumSize(), QSize(400, 355));
    QCOMPARE(w.oscWindow()->maximumSize(), QSize(400, 355));
    QCOMPARE(w.udpWindow()->parentWidget(), nullptr);
    QCOMPARE(w.udpWindow()->windowTitle(), QStringLiteral("UDP/TCP Setting"));
    QCOMPARE(w.udpWindow()->maximumSize(), QSize(300, 160));
    TimeOffsetWidget *offset = w.offsetWindow();
    QCOMPARE(offset->parentWidget(), nullptr);
    QCOMPARE(offset->windowTitle(), QStringLiteral("Quill time offset"));
    QCOMPARE(offset->size(), QSize(330, 120));
    // Only a close button; Qt adds the title and system menu on its own.
    QCOMPARE(offset->windowType(), Qt::Window);
    QVERIFY(offset->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(offset->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    for (QWidget *window : {static_cast<QWidget *>(w.oscWindow()), static_cast<QWidget *>(w.udpWindow()),
                            static_cast<QWidget *>(offset)})
        QVERIFY(!window->isVisible());

    // The dialog's own Read and Set buttons do not reach the generator slots
    // of the same names.
    QCOMPARE(w.form()->pushButton_7->text(), QStringLiteral("IP Setting"));

    // Closing only hides: the same windows come back with what they held.
    w.on_actionOffset_Setting_triggered();
    QVERIFY(offset->isVisible());
    offset->findChild<QSpinBox *>("frameSpin")->setValue(-4);
    offset->close();
    QVERIFY(!offset->isVisible());
    w.on_actionOffset_Setting_triggered();
    QCOMPARE(offset->findChild<QSpinBox *>("frameSpin")->value(), -4);
    offset->close();
}

void TestNetworkSettings::gatesFollowTheModel()
{
    {
        // Not connected: no model is known.
        PanelRig p;
        MainWindow &w = *p.window;
        w.on_pushButton_7_clicked();
        QTRY_COMPARE(p.boxes.titles(), QStringList{"IP Unavailable"});
        QCOMPARE(p.boxes.boxes[0].text, QStringLiteral("Only TQR-30 series supports IP setting."));
        QVERIFY(!w.ipDialog()->isVisible());
        w.form()->actionOSC_Setting->trigger();
        w.form()->actionUDP_TCP->trigger();
        QTRY_COMPARE(p.boxes.titles(), (QStringList{"IP Unavailable", "OSC Unavailable", "OSC Unavailable"}));
        QCOMPARE(p.boxes.boxes[1].text, QStringLiteral("Only TQR-30 Pro supports OSC."));
        QVERIFY(!w.oscWindow()->isVisible());
        QVERIFY(!w.udpWindow()->isVisible());
        // No condition on the offset window.
        w.form()->actionOffset_Setting->trigger();
        QVERIFY(w.offsetWindow()->isVisible());
        w.offsetWindow()->close();
    }
    {
        PanelRig p("TQR-30");
        p.connectUnit();
        p.window->form()->pushButton_7->click();
        QVERIFY(p.window->ipDialog()->isVisible());
        p.window->form()->actionOSC_Setting->trigger();
        QTRY_COMPARE(p.boxes.titles(), QStringList{"OSC Unavailable"});
        QVERIFY(!p.window->oscWindow()->isVisible());
    }
    {
        PanelRig p("TQR-30 Pro");
        p.connectUnit();
        p.window->form()->pushButton_7->click();
        p.window->form()->actionOSC_Setting->trigger();
        p.window->form()->actionUDP_TCP->trigger();
        QVERIFY(p.window->ipDialog()->isVisible());
        QVERIFY(p.window->oscWindow()->isVisible());
        QVERIFY(p.window->udpWindow()->isVisible());
        QTest::qWait(30);
        QVERIFY(p.boxes.boxes.isEmpty());
        p.window->oscWindow()->close();
        p.window->udpWindow()->close();
    }
}

void TestNetworkSettings::ipSetManualSendsThreeMessagesApart()
{
    PanelRig p("TQR-30");
    p.connectUnit();
    p.window->ipDialog()->setModeIndex(ip_Dialog::kModeManual);
    QVERIFY(ipField(p, ip_Dialog::AddressField)->isEnabled());
    p.take();
    emit p.window->ipDialog()->set_ip();
    // The first goes out at once; the event loop keeps running meanwhile.
    QCOMPARE(p.count(), 1);
    QTRY_COMPARE(p.count(), 3);
    const QList<qint64> at = p.arrivalTimes();
    QVERIFY2(at[1] - at[0] >= IpSettingController::kMessageGapMs - 2, qPrintable(QString::number(at[1] - at[0])));
    QVERIFY2(at[2] - at[1] >= IpSettingController::kMessageGapMs - 2, qPrintable(QString::number(at[2] - at[1])));
    QCOMPARE(p.take(), (QList<QByteArray>{
                                hex("F07F7F5E0E40010902010608000601010102F7"),
                                hex("F07F7F5E0E20020505020505020505000000F7"),
                                hex("F07F7F5E0E10010902010608000601000001F7"),
                            }));

    // A second Set right after keeps the order and the spacing.
    emit p.window->ipDialog()->set_ip();
    emit p.window->ipDialog()->read_ip();
    QTRY_COMPARE(p.count(), 4);
    QList<QByteArray> got = p.take();
    QCOMPARE(got.size(), 4);
    QCOMPARE(got[0], hex("F07F7F5E0E40010902010608000601010102F7"));
    QCOMPARE(got[3], hex("F07F7F5E0E00000000000000000000000000F7"));
}

void TestNetworkSettings::ipSetDhcpAndRead()
{
    PanelRig p("TQR-30");
    p.connectUnit();
    p.take();
    // DHCP ignores whatever the fields hold.
    ipField(p, ip_Dialog::AddressField)->setText("1.2.3.");
    p.window->ipDialog()->findChild<QPushButton *>("pushButton_2")->click();
    QTest::qWait(IpSettingController::kMessageGapMs + 30);
    QCOMPARE(p.take(), QList<QByteArray>{hex("F07F7F5E0E70000000000000000000000000F7")});

    QVERIFY(!p.window->ipDialog()->isReadConfirmPending());
    p.window->ipDialog()->findChild<QPushButton *>("pushButton")->click();
    QTRY_COMPARE(p.count(), 1);
    QCOMPARE(p.take(), QList<QByteArray>{hex("F07F7F5E0E00000000000000000000000000F7")});
    QVERIFY(p.window->ipDialog()->isReadConfirmPending());

    // The mode answer confirms the read once.
    p.feed(hex("F07F7F5E0E70000000000000000000000001F7"));
    QTRY_COMPARE(p.boxes.titles(), QStringList{"Success"});
    QCOMPARE(p.boxes.boxes[0].text, QStringLiteral("IP address read successfully!"));
    QVERIFY(!p.window->ipDialog()->isReadConfirmPending());
    p.feed(hex("F07F7F5E0E70000000000000000000000000F7"));
    QTest::qWait(30);
    QCOMPARE(p.boxes.titles(), QStringList{"Success"});
}

// Manual Set looks at the three fields together: all of them go out, or none
// (a blank field is left out and changes nothing on the unit).
void TestNetworkSettings::ipSetChecksTheFieldsTogether_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("gateway");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArrayList>("sent");
    const QByteArray mask24 = hex("F07F7F5E0E20020505020505020505000000F7");
    const QByteArray gateway61 = hex("F07F7F5E0E10010902010608000601000001F7");
    const QString invalid = "The IP address is invalid. Please enter a valid IP address.";
    const QString mismatch = "The IP address and the gateway address are not in the same subnet. "
                             "Please check and re-enter.";
    QTest::newRow("blank address left out")
        << "" << "255.255.255.0" << "192.168.61.1" << "" << "" << QByteArrayList{mask24, gateway61};
    QTest::newRow("partly typed address")
        << "192.168..1" << "255.255.255.0" << "192.168.61.1" << "Invalid IP Address"
        << "The IP address is incomplete. Please enter all four numbers, or clear the field to leave it unchanged."
        << QByteArrayList{};
    QTest::newRow("partly typed mask")
        << "192.168.61.112" << "255.255.." << "192.168.61.1" << "Invalid IP Address"
        << "The subnet mask is incomplete. Please enter all four numbers, or clear the field to leave it unchanged."
        << QByteArrayList{};
    // 999 fits the mask but is no octet.
    QTest::newRow("octet above 255")
        << "192.168.61.112" << "255.255.255.0" << "999.168.61.1" << "Invalid IP Address" << invalid << QByteArrayList{};
    QTest::newRow("mask with a gap")
        << "192.168.61.112" << "255.0.255.0" << "192.168.61.1" << "Invalid Subnet Mask"
        << "The subnet mask is invalid: its ones must come first, without gaps, as in 255.255.255.0."
        << QByteArrayList{};
    QTest::newRow("gateway in another subnet")
        << "10.0.0.5" << "255.255.255.0" << "192.168.61.1" << "IP and Gateway Mismatch" << mismatch
        << QByteArrayList{};
    QTest::newRow("new subnet in all three fields")
        << "10.1.2.3" << "255.255.0.0" << "10.1.0.1" << "" << ""
        << QByteArrayList{hex("F07F7F5E0E40000100000001000002000003F7"), hex("F07F7F5E0E20020505020505000000000000F7"),
                          hex("F07F7F5E0E10000100000001000000000001F7")};
}

void TestNetworkSettings::ipSetChecksTheFieldsTogether()
{
    QFETCH(QString, address);
    QFETCH(QString, mask);
    QFETCH(QString, gateway);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QByteArrayList, sent);
    PanelRig p("TQR-30");
    p.connectUnit();
    ip_Dialog *ip = p.window->ipDialog();
    ip->setModeIndex(ip_Dialog::kModeManual);
    ipField(p, ip_Dialog::AddressField)->setText(address);
    ipField(p, ip_Dialog::SubnetField)->setText(mask);
    ipField(p, ip_Dialog::GatewayField)->setText(gateway);
    p.take();
    emit ip->set_ip();
    if (!title.isEmpty()) {
        QTRY_COMPARE(p.boxes.titles(), QStringList{title});
        QCOMPARE(p.boxes.boxes[0].text, text);
    } else {
        QTRY_COMPARE(p.count(), sent.size());
    }
    QTest::qWait(IpSettingController::kMessageGapMs + 20);
    QCOMPARE(p.take(), QList<QByteArray>(sent));
    QCOMPARE(p.boxes.boxes.size(), title.isEmpty() ? 0 : 1);
}

void TestNetworkSettings::ipFeedbackFillsHiddenDialog()
{
    PanelRig p("TQR-30");
    p.connectUnit();
    ip_Dialog *ip = p.window->ipDialog();
    QVERIFY(!ip->isVisible());
    p.feed(hex("F07F7F5E0E40010902000008000001000100F7"));
    QCOMPARE(ipField(p, ip_Dialog::AddressField)->text(), QStringLiteral("192.8.1.10"));
    p.feed(hex("F07F7F5E0E20020505020505020505000000F7"));
    QCOMPARE(ipField(p, ip_Dialog::SubnetField)->text(), QStringLiteral("255.255.255.0"));
    p.feed(hex("F07F7F5E0E10000100000000000000000001F7"));
    QCOMPARE(ipField(p, ip_Dialog::GatewayField)->text(), QStringLiteral("10.0.0.1"));

    p.feed(hex("F07F7F5E0E70000000000000000000000001F7"));
    QCOMPARE(ip->modeIndex(), ip_Dialog::kModeManual);
    QVERIFY(ipField(p, ip_Dialog::GatewayField)->isEnabled());
    p.feed(hex("F07F7F5E0E70000000000000000000000002F7"));
    QCOMPARE(ip->modeIndex(), ip_Dialog::kModeManual);
    p.feed(hex("F07F7F5E0E70000000000000000000000000F7"));
    QCOMPARE(ip->modeIndex(), ip_Dialog::kModeDhcp);
    QVERIFY(!ipField(p, ip_Dialog::GatewayField)->isEnabled());
}

void TestNetworkSettings::ipMalformedFeedbackChangesNothing()
{
    PanelRig p("TQR-30");
    p.connectUnit();
    const QString before = ipField(p, ip_Dialog::AddressField)->text();
    for (const char *bad : {
             "F07F7F5E0E400109020000080000010001F7",       // 18 bytes
             "F000215E0E40010902000008000001000100F7",     // other prefix
             "F07F7F5E0E40010C02000008000001000100F7",     // digit above 9
             "F07F7F5E0F0401090201060800000100020000090000" "00F7", // OSC feedback
         })
        p.feed(hex(bad));
    QCOMPARE(ipField(p, ip_Dialog::AddressField)->text(), before);
    QCOMPARE(p.window->ipDialog()->modeIndex(), ip_Dialog::kModeDhcp);
    // The OSC window took its own message.
    QCOMPARE(p.window->oscWindow()->addressEdit(3)->address(), QStringLiteral("192.168.1.20"));
}

void TestNetworkSettings::feedbackReachesEveryHiddenWindow()
{
    PanelRig p("TQR-30 Pro");
    p.connectUnit();
    p.feed(hex("F07F7F5E0F0600" "0000000000000000000000" "0008000000" "F7"));
    p.feed(hex("F07F7F5E0F0501" "00000000000000000000000000000000" "F7"));
    p.feed(hex("F07F7F5E10000005000000F7"));
    p.feed(hex("F07F7F5E10010006000000F7"));
    p.feed(hex("F07F7F1200000005F7"));
    QCOMPARE(p.window->oscWindow()->findChild<QLineEdit *>("localPortEdit")->text(), QStringLiteral("8000"));
    QVERIFY(p.window->oscWindow()->findChild<QCheckBox *>("forwardCheck")->isChecked());
    QCOMPARE(p.window->udpWindow()->findChild<QLineEdit *>("udpPortEdit")->text(), QStringLiteral("5000"));
    QCOMPARE(p.window->udpWindow()->findChild<QLineEdit *>("tcpPortEdit")->text(), QStringLiteral("6000"));
    QCOMPARE(p.window->offsetWindow()->findChild<QSpinBox *>("frameSpin")->value(), -5);

    // The windows send through the main window's output.
    p.take();
    p.window->udpWindow()->onReadClicked();
    p.window->offsetWindow()->onSendClicked();
    QCOMPARE(p.take(), (QList<QByteArray>{kOscRead, hex("F07F7F1200000005F7")}));
}

void TestNetworkSettings::acknowledgementGoesToOscWindowOnly()
{
    PanelRig p("TQR-30 Pro");
    p.connectUnit();
    p.window->offsetWindow()->findChild<QSpinBox *>("frameSpin")->setValue(3);
    p.feed(hex("F07F7F1201F7"));
    QTRY_COMPARE(p.boxes.titles(), QStringList{"MCU Ack"});
    QCOMPARE(p.boxes.boxes[0].text, QStringLiteral("Configuration applied successfully."));
    p.feed(hex("F07F7F1200F7"));
    QTRY_COMPARE(p.boxes.boxes.size(), 2);
    QCOMPARE(p.boxes.boxes[1].text, QStringLiteral("Configuration failed."));
    p.feed(hex("F07F7F120AF7"));
    QTest::qWait(30);
    QCOMPARE(p.boxes.boxes.size(), 2);
    QCOMPARE(p.window->offsetWindow()->findChild<QSpinBox *>("frameSpin")->value(), 3);
}

// The unit's acknowledgements reach the OSC window through the MIDI dispatch
// and drive its Set one step after the other; one box reports the outcome.
void TestNetworkSettings::oscSequenceRunsOnTheUnitsAnswers_data()
{
    QTest::addColumn<QStringList>("devices"); // "row address port"
    QTest::addColumn<OscAnswer>("answer");
    QTest::addColumn<QByteArrayList>("sent");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("result");
    QTest::newRow("all acknowledged")
        << QStringList{"0 10.0.0.1 1000", "2 192.168.1.20 9000"} << OscAnswer::AcknowledgeAll
        << QByteArrayList{kOscLocal8000, kOscForwardOff,
                          hex("F07F7F5E0F0100" "0100000000000000000001" "0001000000" "F7"),
                          hex("F07F7F5E0F0301090201060800000100020000090000" "00F7")}
        << int(QMessageBox::Information)
        << "OSC configuration applied successfully to the following items:\n"
           "Local Port: Success\nForward: Success\nDevice1: Success\nDevice3: Success";
    QTest::newRow("Forward refused")
        << QStringList{"1 10.0.0.2 2000"} << OscAnswer::RefuseForward
        << QByteArrayList{kOscLocal8000, kOscForwardOff} << int(QMessageBox::Warning)
        << "Failed to apply the following items:\n"
           "Forward: Failed (The device reported a failure)\n"
           "Device2: Failed (Skipped because the previous item failed)";
    QTest::newRow("silent after the local port")
        << QStringList{"1 10.0.0.2 2000"} << OscAnswer::SilentAfterLocalPort
        << QByteArrayList{kOscLocal8000, kOscForwardOff} << int(QMessageBox::Warning)
        << "Failed to apply the following items:\n"
           "Forward: Failed (Timed out waiting for a device response)\n"
           "Device2: Failed (Timed out waiting for a device response)";
}

void TestNetworkSettings::oscSequenceRunsOnTheUnitsAnswers()
{
    QFETCH(QStringList, devices);
    QFETCH(OscAnswer, answer);
    QFETCH(QByteArrayList, sent);
    QFETCH(int, icon);
    QFETCH(QString, result);

    PanelRig p("TQR-30 Pro");
    p.connectUnit();
    OscSettingWidget *osc = p.window->oscWindow();
    osc->setStepTimeout(80);
    osc->findChild<QLineEdit *>("localPortEdit")->setText("8000");
    for (const QString &device : devices) {
        const QStringList parts = device.split(' ');
        const int row = parts[0].toInt();
        osc->addressEdit(row)->setAddress(parts[1]);
        osc->findChild<QLineEdit *>(QStringLiteral("portEdit%1").arg(row + 1))->setText(parts[2]);
    }
    p.setAnswer([answer](const QByteArray &m) {
        if (!m.startsWith(hex("F07F7F5E0F")))
            return QByteArray();
        const quint8 target = quint8(m[5]);
        switch (answer) {
        case OscAnswer::AcknowledgeAll: return kAckOk;
        case OscAnswer::RefuseForward: return target == 5 ? hex("F07F7F1200F7") : kAckOk;
        case OscAnswer::SilentAfterLocalPort: return target == 6 ? kAckOk : QByteArray();
        }
        return QByteArray();
    });

    osc->onSetClicked();
    QTRY_VERIFY(osc->isFinished());
    QCOMPARE(p.take(), sent);
    QTRY_COMPARE(p.boxes.titles(), QStringList{"Set Result"});
    QCOMPARE(int(p.boxes.boxes[0].icon), icon);
    QCOMPARE(p.boxes.boxes[0].text, result);
}

void TestNetworkSettings::rendersEachWindow()
{
    PanelRig p("TQR-30 Pro");
    p.connectUnit();
    p.window->ipDialog()->setModeIndex(ip_Dialog::kModeManual);
    OscSettingWidget *osc = p.window->oscWindow();
    osc->findChild<QLineEdit *>("localPortEdit")->setText("8000");
    osc->addressEdit(0)->setAddress("192.168.1.20");
    osc->findChild<QLineEdit *>("portEdit1")->setText("9000");
    p.window->udpWindow()->findChild<QLineEdit *>("udpPortEdit")->setText("5000");
    const QString out = qEnvironmentVariable("QUILL_TEST_OUTPUT", QDir::tempPath());
    const QList<QPair<QWidget *, QString>> windows = {
        {p.window->ipDialog(), "ip_dialog.png"},
        {osc, "osc_setting.png"},
        {p.window->udpWindow(), "udp_tcp_setting.png"},
        {p.window->offsetWindow(), "time_offset.png"},
    };
    for (const auto &w : windows) {
        w.first->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.first));
        const QImage image = w.first->grab().toImage();
        QVERIFY(!image.isNull());
        QVERIFY(image.save(out + "/" + w.second));
        w.first->close();
    }
}

QTEST_MAIN(TestNetworkSettings)
#include "tst_network_settings.moc"
