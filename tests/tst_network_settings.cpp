// The network settings windows as the main window runs them: their creation,
// the menu and button gates, the IP messages, and the unit's feedback and
// acknowledgements travelling through the in-memory MIDI system.

#include "app/MainWindow.h"
#include "midi/InMemoryMidiDriver.h"
#include "settings/IpAddressEdit.h"
#include "settings/IpSettingController.h"
#include "settings/OscSettingWidget.h"
#include "settings/TimeOffsetWidget.h"
#include "settings/UdpSetting.h"
#include "settings/ip_Dialog.h"
#include "support/MessageBoxWatcher.h"
#include "ui_MainWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMutex>
#include <QMutexLocker>
#include <QSpinBox>
#include <QtTest>

#include <functional>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// A unit that records the network messages it gets, with the time each
// arrived, and answers them the way it is told to.
struct Unit
{
    InMemoryMidiDriver &driver;
    InMemoryMidiDriver::Device ports;
    QMutex mutex;
    QList<QByteArray> received;
    QList<qint64> at;
    QElapsedTimer clock;
    std::function<QByteArray(const QByteArray &)> answer;

    Unit(InMemoryMidiDriver &d, const QString &name)
        : driver(d)
    {
        clock.start();
        ports = driver.addDevice(name, [this](const QByteArray &m) {
            if (!m.startsWith(hex("F07F7F5E")) && !m.startsWith(hex("F07F7F12")))
                return;
            QByteArray reply;
            {
                QMutexLocker lock(&mutex);
                received.append(m);
                at.append(clock.elapsed());
                if (answer)
                    reply = answer(m);
            }
            if (!reply.isEmpty())
                driver.send(ports.input, reply);
        });
    }
    QList<QByteArray> take()
    {
        QMutexLocker lock(&mutex);
        at.clear();
        return std::exchange(received, {});
    }
    int count()
    {
        QMutexLocker lock(&mutex);
        return received.size();
    }
    void tell(const QByteArray &message)
    {
        driver.send(ports.input, message);
        driver.flush();
    }
};

struct Panel
{
    InMemoryMidiDriver driver;
    Unit unit;
    MainWindow window;

    explicit Panel(const QString &model)
        : unit(driver, model)
        , window(Platform{&driver})
    {
        window.connectMidiDevice(model + " [0]");
    }
    // Delivery to the window is queued; this waits until it has been handled.
    void settle()
    {
        driver.flush();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    void tell(const QByteArray &message)
    {
        unit.tell(message);
        settle();
    }
    QLineEdit *ipField(ip_Dialog::Field f) { return window.ipDialog()->field(f); }
};

const QByteArray kOscRead = hex("F07F7F5E0F0000" "00000000000000000000000000000000" "F7");
const QByteArray kAckOk = hex("F07F7F1205F7");

} // namespace

class TestNetworkSettings : public QObject
{
    Q_OBJECT
private slots:
    void windowsAreCreatedHiddenWithTheirLook();
    void gatesFollowTheModel();
    void ipSetManualSendsThreeMessagesApart();
    void ipSetDhcpAndRead();
    void ipSetSkipsEmptyAndRefusesAbove255();
    void ipFeedbackFillsHiddenDialog();
    void ipMalformedFeedbackChangesNothing();
    void feedbackReachesEveryHiddenWindow();
    void acknowledgementGoesToOscWindowOnly();
    void oscSequenceDrivenByTheUnit();
    void oscSequenceFailureAndTimeout();
    void oscNewSetDuringSequence();
    void rendersEachWindow();
};

void TestNetworkSettings::windowsAreCreatedHiddenWithTheirLook()
{
    InMemoryMidiDriver driver;
    MainWindow w(Platform{&driver});
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
        QCOMPARE(ip->field(f)->inputMask(), QStringLiteral("000.000.000.000"));
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
        InMemoryMidiDriver driver;
        MainWindow w(Platform{&driver});
        MessageBoxWatcher boxes;
        w.on_pushButton_7_clicked();
        QTRY_COMPARE(boxes.titles(), QStringList{"IP Unavailable"});
        QCOMPARE(boxes.boxes[0].text, QStringLiteral("Only TQR-30 series supports IP setting."));
        QVERIFY(!w.ipDialog()->isVisible());
        w.form()->actionOSC_Setting->trigger();
        w.form()->actionUDP_TCP->trigger();
        QTRY_COMPARE(boxes.titles(), (QStringList{"IP Unavailable", "OSC Unavailable", "OSC Unavailable"}));
        QCOMPARE(boxes.boxes[1].text, QStringLiteral("Only TQR-30 Pro supports OSC."));
        QVERIFY(!w.oscWindow()->isVisible());
        QVERIFY(!w.udpWindow()->isVisible());
        // No condition on the offset window.
        w.form()->actionOffset_Setting->trigger();
        QVERIFY(w.offsetWindow()->isVisible());
        w.offsetWindow()->close();
    }
    {
        Panel p("TQR-30");
        MessageBoxWatcher boxes;
        p.window.form()->pushButton_7->click();
        QVERIFY(p.window.ipDialog()->isVisible());
        p.window.form()->actionOSC_Setting->trigger();
        QTRY_COMPARE(boxes.titles(), QStringList{"OSC Unavailable"});
        QVERIFY(!p.window.oscWindow()->isVisible());
    }
    {
        Panel p("TQR-30 Pro");
        MessageBoxWatcher boxes;
        p.window.form()->pushButton_7->click();
        p.window.form()->actionOSC_Setting->trigger();
        p.window.form()->actionUDP_TCP->trigger();
        QVERIFY(p.window.ipDialog()->isVisible());
        QVERIFY(p.window.oscWindow()->isVisible());
        QVERIFY(p.window.udpWindow()->isVisible());
        QTest::qWait(30);
        QVERIFY(boxes.boxes.isEmpty());
        p.window.oscWindow()->close();
        p.window.udpWindow()->close();
    }
}

void TestNetworkSettings::ipSetManualSendsThreeMessagesApart()
{
    Panel p("TQR-30");
    p.window.ipDialog()->setModeIndex(ip_Dialog::kModeManual);
    QVERIFY(p.ipField(ip_Dialog::AddressField)->isEnabled());
    p.unit.take();
    emit p.window.ipDialog()->set_ip();
    // The first goes out at once; the event loop keeps running meanwhile.
    QCOMPARE(p.unit.count(), 1);
    QTRY_COMPARE(p.unit.count(), 3);
    QList<qint64> at;
    {
        QMutexLocker lock(&p.unit.mutex);
        at = p.unit.at;
    }
    QVERIFY2(at[1] - at[0] >= IpSettingController::kMessageGapMs - 2, qPrintable(QString::number(at[1] - at[0])));
    QVERIFY2(at[2] - at[1] >= IpSettingController::kMessageGapMs - 2, qPrintable(QString::number(at[2] - at[1])));
    QCOMPARE(p.unit.take(), (QList<QByteArray>{
                                hex("F07F7F5E0E40010902010608000601010102F7"),
                                hex("F07F7F5E0E20020505020505020505000000F7"),
                                hex("F07F7F5E0E10010902010608000601000001F7"),
                            }));

    // A second Set right after keeps the order and the spacing.
    emit p.window.ipDialog()->set_ip();
    emit p.window.ipDialog()->read_ip();
    QTRY_COMPARE(p.unit.count(), 4);
    QList<QByteArray> got = p.unit.take();
    QCOMPARE(got.size(), 4);
    QCOMPARE(got[0], hex("F07F7F5E0E40010902010608000601010102F7"));
    QCOMPARE(got[3], hex("F07F7F5E0E00000000000000000000000000F7"));
}

void TestNetworkSettings::ipSetDhcpAndRead()
{
    Panel p("TQR-30");
    p.unit.take();
    // DHCP ignores whatever the fields hold.
    p.ipField(ip_Dialog::AddressField)->setText("1.2.3.");
    p.window.ipDialog()->findChild<QPushButton *>("pushButton_2")->click();
    QTest::qWait(IpSettingController::kMessageGapMs + 30);
    QCOMPARE(p.unit.take(), QList<QByteArray>{hex("F07F7F5E0E70000000000000000000000000F7")});

    QVERIFY(!p.window.ipDialog()->isReadConfirmPending());
    p.window.ipDialog()->findChild<QPushButton *>("pushButton")->click();
    QTRY_COMPARE(p.unit.count(), 1);
    QCOMPARE(p.unit.take(), QList<QByteArray>{hex("F07F7F5E0E00000000000000000000000000F7")});
    QVERIFY(p.window.ipDialog()->isReadConfirmPending());

    // The mode answer confirms the read once.
    MessageBoxWatcher boxes;
    p.tell(hex("F07F7F5E0E70000000000000000000000001F7"));
    QTRY_COMPARE(boxes.titles(), QStringList{"Success"});
    QCOMPARE(boxes.boxes[0].text, QStringLiteral("IP address read successfully!"));
    QVERIFY(!p.window.ipDialog()->isReadConfirmPending());
    p.tell(hex("F07F7F5E0E70000000000000000000000000F7"));
    QTest::qWait(30);
    QCOMPARE(boxes.titles(), QStringList{"Success"});
}

void TestNetworkSettings::ipSetSkipsEmptyAndRefusesAbove255()
{
    Panel p("TQR-30");
    ip_Dialog *ip = p.window.ipDialog();
    ip->setModeIndex(ip_Dialog::kModeManual);
    p.unit.take();

    p.ipField(ip_Dialog::AddressField)->setText("192.168..1");
    emit ip->set_ip();
    QTRY_COMPARE(p.unit.count(), 2);
    QTest::qWait(IpSettingController::kMessageGapMs + 20);
    QCOMPARE(p.unit.take(), (QList<QByteArray>{
                                hex("F07F7F5E0E20020505020505020505000000F7"),
                                hex("F07F7F5E0E10010902010608000601000001F7"),
                            }));

    // 999 fits the mask but is no octet: nothing of the Set goes out.
    MessageBoxWatcher boxes;
    p.ipField(ip_Dialog::AddressField)->setText("192.168.61.112");
    p.ipField(ip_Dialog::GatewayField)->setText("999.168.61.1");
    emit ip->set_ip();
    QTRY_COMPARE(boxes.titles(), QStringList{"Invalid IP Address"});
    QCOMPARE(boxes.boxes[0].text, QStringLiteral("The IP address is invalid. Please enter a valid IP address."));
    QTest::qWait(IpSettingController::kMessageGapMs + 20);
    QCOMPARE(p.unit.count(), 0);
}

void TestNetworkSettings::ipFeedbackFillsHiddenDialog()
{
    Panel p("TQR-30");
    ip_Dialog *ip = p.window.ipDialog();
    QVERIFY(!ip->isVisible());
    p.tell(hex("F07F7F5E0E40010902000008000001000100F7"));
    QCOMPARE(p.ipField(ip_Dialog::AddressField)->text(), QStringLiteral("192.8.1.10"));
    p.tell(hex("F07F7F5E0E20020505020505020505000000F7"));
    QCOMPARE(p.ipField(ip_Dialog::SubnetField)->text(), QStringLiteral("255.255.255.0"));
    p.tell(hex("F07F7F5E0E10000100000000000000000001F7"));
    QCOMPARE(p.ipField(ip_Dialog::GatewayField)->text(), QStringLiteral("10.0.0.1"));

    p.tell(hex("F07F7F5E0E70000000000000000000000001F7"));
    QCOMPARE(ip->modeIndex(), ip_Dialog::kModeManual);
    QVERIFY(p.ipField(ip_Dialog::GatewayField)->isEnabled());
    p.tell(hex("F07F7F5E0E70000000000000000000000002F7"));
    QCOMPARE(ip->modeIndex(), ip_Dialog::kModeManual);
    p.tell(hex("F07F7F5E0E70000000000000000000000000F7"));
    QCOMPARE(ip->modeIndex(), ip_Dialog::kModeDhcp);
    QVERIFY(!p.ipField(ip_Dialog::GatewayField)->isEnabled());
}

void TestNetworkSettings::ipMalformedFeedbackChangesNothing()
{
    Panel p("TQR-30");
    const QString before = p.ipField(ip_Dialog::AddressField)->text();
    for (const char *bad : {
             "F07F7F5E0E400109020000080000010001F7",       // 18 bytes
             "F000215E0E40010902000008000001000100F7",     // other prefix
             "F07F7F5E0E40010C02000008000001000100F7",     // digit above 9
             "F07F7F5E0F0401090201060800000100020000090000" "00F7", // OSC feedback
         })
        p.tell(hex(bad));
    QCOMPARE(p.ipField(ip_Dialog::AddressField)->text(), before);
    QCOMPARE(p.window.ipDialog()->modeIndex(), ip_Dialog::kModeDhcp);
    // The OSC window took its own message.
    QCOMPARE(p.window.oscWindow()->addressEdit(3)->address(), QStringLiteral("192.168.1.20"));
}

void TestNetworkSettings::feedbackReachesEveryHiddenWindow()
{
    Panel p("TQR-30 Pro");
    p.tell(hex("F07F7F5E0F0600" "0000000000000000000000" "0008000000" "F7"));
    p.tell(hex("F07F7F5E0F0501" "00000000000000000000000000000000" "F7"));
    p.tell(hex("F07F7F5E10000005000000F7"));
    p.tell(hex("F07F7F5E10010006000000F7"));
    p.tell(hex("F07F7F1200000005F7"));
    QCOMPARE(p.window.oscWindow()->findChild<QLineEdit *>("localPortEdit")->text(), QStringLiteral("8000"));
    QVERIFY(p.window.oscWindow()->findChild<QCheckBox *>("forwardCheck")->isChecked());
    QCOMPARE(p.window.udpWindow()->findChild<QLineEdit *>("udpPortEdit")->text(), QStringLiteral("5000"));
    QCOMPARE(p.window.udpWindow()->findChild<QLineEdit *>("tcpPortEdit")->text(), QStringLiteral("6000"));
    QCOMPARE(p.window.offsetWindow()->findChild<QSpinBox *>("frameSpin")->value(), -5);

    // The windows send through the main window's output.
    p.unit.take();
    p.window.udpWindow()->onReadClicked();
    p.window.offsetWindow()->onSendClicked();
    QCOMPARE(p.unit.take(), (QList<QByteArray>{kOscRead, hex("F07F7F1200000005F7")}));
}

void TestNetworkSettings::acknowledgementGoesToOscWindowOnly()
{
    Panel p("TQR-30 Pro");
    MessageBoxWatcher boxes;
    p.window.offsetWindow()->findChild<QSpinBox *>("frameSpin")->setValue(3);
    p.tell(hex("F07F7F1201F7"));
    QTRY_COMPARE(boxes.titles(), QStringList{"MCU Ack"});
    QCOMPARE(boxes.boxes[0].text, QStringLiteral("Configuration applied successfully."));
    p.tell(hex("F07F7F1200F7"));
    QTRY_COMPARE(boxes.boxes.size(), 2);
    QCOMPARE(boxes.boxes[1].text, QStringLiteral("Configuration failed."));
    p.tell(hex("F07F7F120AF7"));
    QTest::qWait(30);
    QCOMPARE(boxes.boxes.size(), 2);
    QCOMPARE(p.window.offsetWindow()->findChild<QSpinBox *>("frameSpin")->value(), 3);
}

void TestNetworkSettings::oscSequenceDrivenByTheUnit()
{
    Panel p("TQR-30 Pro");
    MessageBoxWatcher boxes;
    p.unit.answer = [](const QByteArray &m) { return m.startsWith(hex("F07F7F5E0F")) ? kAckOk : QByteArray(); };
    OscSettingWidget *osc = p.window.oscWindow();
    osc->findChild<QLineEdit *>("localPortEdit")->setText("8000");
    osc->addressEdit(0)->setAddress("10.0.0.1");
    osc->findChild<QLineEdit *>("portEdit1")->setText("1000");
    osc->addressEdit(2)->setAddress("192.168.1.20");
    osc->findChild<QLineEdit *>("portEdit3")->setText("9000");
    p.unit.take();
    osc->onSetClicked();
    QTRY_VERIFY(osc->isFinished());
    QCOMPARE(p.unit.take(), (QList<QByteArray>{
                                hex("F07F7F5E0F0600" "0000000000000000000000" "0008000000" "F7"),
                                hex("F07F7F5E0F0500" "00000000000000000000000000000000" "F7"),
                                hex("F07F7F5E0F0100" "0100000000000000000001" "0001000000" "F7"),
                                hex("F07F7F5E0F0301090201060800000100020000090000" "00F7"),
                            }));
    QTRY_COMPARE(boxes.titles(), QStringList{"Set Result"});
    QCOMPARE(boxes.boxes[0].icon, QMessageBox::Information);
    QCOMPARE(boxes.boxes[0].text,
             QStringLiteral("OSC configuration applied successfully to the following items:\n"
                            "Local Port: Success\nForward: Success\nDevice1: Success\nDevice3: Success"));
}

void TestNetworkSettings::oscSequenceFailureAndTimeout()
{
    Panel p("TQR-30 Pro");
    MessageBoxWatcher boxes;
    OscSettingWidget *osc = p.window.oscWindow();
    osc->setStepTimeout(80);
    osc->findChild<QLineEdit *>("localPortEdit")->setText("8000");
    osc->addressEdit(1)->setAddress("10.0.0.2");
    osc->findChild<QLineEdit *>("portEdit2")->setText("2000");

    // The unit refuses Forward.
    p.unit.answer = [](const QByteArray &m) {
        if (!m.startsWith(hex("F07F7F5E0F")))
            return QByteArray();
        return quint8(m[5]) == 5 ? hex("F07F7F1200F7") : kAckOk;
    };
    osc->onSetClicked();
    QTRY_VERIFY(osc->isFinished());
    QCOMPARE(p.unit.take().size(), 2);
    QTRY_COMPARE(boxes.titles(), QStringList{"Set Result"});
    QCOMPARE(boxes.boxes[0].icon, QMessageBox::Warning);
    QCOMPARE(boxes.boxes[0].text, QStringLiteral("Failed to apply the following items:\n"
                                                 "Forward: Failed (The device reported a failure)\n"
                                                 "Device2: Failed (Skipped because the previous item failed)"));

    // The unit falls silent after the local port.
    p.unit.answer = [](const QByteArray &m) { return quint8(m[5]) == 6 ? kAckOk : QByteArray(); };
    osc->onSetClicked();
    QTRY_VERIFY(osc->isFinished());
    QCOMPARE(p.unit.take().size(), 2);
    QTRY_COMPARE(boxes.boxes.size(), 2);
    QCOMPARE(boxes.boxes[1].text, QStringLiteral("Failed to apply the following items:\n"
                                                 "Forward: Failed (Timed out waiting for a device response)\n"
                                                 "Device2: Failed (Timed out waiting for a device response)"));
}

// Set pressed again while the unit has not answered the first one: the new
// values go out from the first step, and only the new sequence is reported.
void TestNetworkSettings::oscNewSetDuringSequence()
{
    Panel p("TQR-30 Pro");
    MessageBoxWatcher boxes;
    OscSettingWidget *osc = p.window.oscWindow();
    osc->setStepTimeout(2000);
    QLineEdit *localPort = osc->findChild<QLineEdit *>("localPortEdit");
    localPort->setText("8000");
    p.unit.answer = [](const QByteArray &) { return QByteArray(); };
    p.unit.take();
    osc->onSetClicked();
    QTRY_COMPARE(p.unit.count(), 1);
    QVERIFY(osc->isSending());
    p.unit.take();

    localPort->setText("7000");
    p.unit.answer = [](const QByteArray &m) { return m.startsWith(hex("F07F7F5E0F")) ? kAckOk : QByteArray(); };
    osc->onSetClicked();
    QTRY_VERIFY(osc->isFinished());
    const QList<QByteArray> sent = p.unit.take();
    QVERIFY(!sent.isEmpty());
    QCOMPARE(sent.first(), hex("F07F7F5E0F0600" "0000000000000000000000" "0007000000" "F7"));
    QTRY_COMPARE(boxes.titles(), QStringList{"Set Result"});
    QCOMPARE(boxes.boxes[0].icon, QMessageBox::Information);
    QVERIFY2(boxes.boxes[0].text.contains("Local Port: Success"), qPrintable(boxes.boxes[0].text));
    QVERIFY(!boxes.boxes[0].text.contains("Failed"));
}

void TestNetworkSettings::rendersEachWindow()
{
    Panel p("TQR-30 Pro");
    p.window.ipDialog()->setModeIndex(ip_Dialog::kModeManual);
    OscSettingWidget *osc = p.window.oscWindow();
    osc->findChild<QLineEdit *>("localPortEdit")->setText("8000");
    osc->addressEdit(0)->setAddress("192.168.1.20");
    osc->findChild<QLineEdit *>("portEdit1")->setText("9000");
    p.window.udpWindow()->findChild<QLineEdit *>("udpPortEdit")->setText("5000");
    const QString out = qEnvironmentVariable("QUILL_TEST_OUTPUT", QDir::tempPath());
    const QList<QPair<QWidget *, QString>> windows = {
        {p.window.ipDialog(), "ip_dialog.png"},
        {osc, "osc_setting.png"},
        {p.window.udpWindow(), "udp_tcp_setting.png"},
        {p.window.offsetWindow(), "time_offset.png"},
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
