// SPDX-License-Identifier: GPL-3.0-or-later
// Each network settings window of the panel against the built-in emulated
// unit: Set reaches the unit and is acknowledged, Read brings it back.

#include "settings/IpAddressEdit.h"
#include "settings/OscSettingWidget.h"
#include "settings/TimeOffsetWidget.h"
#include "settings/UdpSetting.h"
#include "settings/ip_Dialog.h"
#include "support/BuiltInRig.h"
#include "support/MessageBoxRecorder.h"
#include "ui_MainWindow.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

namespace {

struct Rig : PanelTest::BuiltInRig
{
    // The boxes as "title: text".
    QStringList texts() const
    {
        QStringList t;
        for (const auto &box : boxes.boxes)
            t << box.title + QLatin1String(": ") + box.text;
        return t;
    }
};

template<typename T>
T *child(QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

} // namespace

class TestE2eSettings : public QObject
{
    Q_OBJECT
private slots:
    void ipSetAndRead()
    {
        Rig rig;
        QVERIFY(rig.connectUnit());
        ip_Dialog *dialog = rig.window.ipDialog();
        dialog->setModeIndex(ip_Dialog::kModeManual);
        dialog->field(ip_Dialog::AddressField)->setText(QStringLiteral("10.0.0.5"));
        dialog->field(ip_Dialog::SubnetField)->setText(QStringLiteral("255.255.0.0"));
        dialog->field(ip_Dialog::GatewayField)->setText(QStringLiteral("10.0.0.1"));
        child<QPushButton>(dialog, "pushButton_2")->click();
        QTRY_VERIFY(rig.network().manual);
        QTRY_COMPARE(rig.network().gateway, (UnitMessages::Octets {10, 0, 0, 1}));
        QCOMPARE(rig.network().address, (UnitMessages::Octets {10, 0, 0, 5}));
        QCOMPARE(rig.network().subnet, (UnitMessages::Octets {255, 255, 0, 0}));
        QTRY_COMPARE(rig.texts(), QStringList {"MCU Ack: Configuration applied successfully."});

        // Read brings the unit's values back into a dialog that forgot them.
        dialog->setModeIndex(ip_Dialog::kModeDhcp);
        dialog->field(ip_Dialog::AddressField)->setText(QStringLiteral("1.1.1.1"));
        child<QPushButton>(dialog, "pushButton")->click();
        QTRY_COMPARE(dialog->modeIndex(), ip_Dialog::kModeManual);
        QTRY_COMPARE(dialog->field(ip_Dialog::AddressField)->text(), QStringLiteral("10.0.0.5"));
        QCOMPARE(dialog->field(ip_Dialog::GatewayField)->text(), QStringLiteral("10.0.0.1"));
    }

    void oscSetAndRead()
    {
        Rig rig;
        QVERIFY(rig.connectUnit());
        OscSettingWidget *osc = rig.window.oscWindow();
        child<QLineEdit>(osc, "localPortEdit")->setText(QStringLiteral("9100"));
        child<QCheckBox>(osc, "forwardCheck")->setChecked(true);
        osc->addressEdit(1)->setAddress(QStringLiteral("192.168.1.20"));
        child<QLineEdit>(osc, "portEdit2")->setText(QStringLiteral("9000"));
        child<QPushButton>(osc, "setButton")->click();
        QTRY_VERIFY(osc->isFinished());
        QTRY_COMPARE(rig.boxes.boxes.size(), 1);
        QCOMPARE(rig.boxes.boxes[0].title, QStringLiteral("Set Result"));
        QVERIFY2(rig.boxes.boxes[0].text.startsWith(QLatin1String("OSC configuration applied successfully")),
                 qPrintable(rig.boxes.boxes[0].text));
        const EmulatedUnit::Network held = rig.network();
        QCOMPARE(held.oscLocalPort, 9100);
        QVERIFY(held.oscForward);
        QVERIFY(held.oscTargets[1].set);
        QCOMPARE(held.oscTargets[1].address, (UnitMessages::Octets {192, 168, 1, 20}));
        QCOMPARE(held.oscTargets[1].port, 9000);

        child<QLineEdit>(osc, "localPortEdit")->clear();
        child<QCheckBox>(osc, "forwardCheck")->setChecked(false);
        osc->addressEdit(1)->setAddress(QString());
        child<QLineEdit>(osc, "portEdit2")->clear();
        child<QPushButton>(osc, "readButton")->click();
        QTRY_COMPARE(child<QLineEdit>(osc, "localPortEdit")->text(), QStringLiteral("9100"));
        QVERIFY(child<QCheckBox>(osc, "forwardCheck")->isChecked());
        QTRY_COMPARE(osc->addressEdit(1)->address(), QStringLiteral("192.168.1.20"));
        QCOMPARE(child<QLineEdit>(osc, "portEdit2")->text(), QStringLiteral("9000"));
    }

    void udpTcpSetAndRead()
    {
        Rig rig;
        QVERIFY(rig.connectUnit());
        UdpSetting *udp = rig.window.udpWindow();
        child<QLineEdit>(udp, "udpPortEdit")->setText(QStringLiteral("7000"));
        child<QLineEdit>(udp, "tcpPortEdit")->setText(QStringLiteral("7001"));
        child<QPushButton>(udp, "setButton")->click();
        QTRY_COMPARE(rig.network().tcpPort, 7001);
        QCOMPARE(rig.network().udpPort, 7000);
        // The "Settings" note, and one acknowledgement box per port.
        QTRY_COMPARE(rig.boxes.boxes.size(), 3);
        QVERIFY(rig.texts().contains(QStringLiteral("Settings: The UDP/TCP configuration command has been sent.")));
        QCOMPARE(rig.texts().count(QStringLiteral("MCU Ack: Configuration applied successfully.")), 2);

        child<QLineEdit>(udp, "udpPortEdit")->clear();
        child<QLineEdit>(udp, "tcpPortEdit")->clear();
        child<QPushButton>(udp, "readButton")->click();
        QTRY_COMPARE(child<QLineEdit>(udp, "udpPortEdit")->text(), QStringLiteral("7000"));
        QTRY_COMPARE(child<QLineEdit>(udp, "tcpPortEdit")->text(), QStringLiteral("7001"));
    }

    void offsetSendAndFeedback()
    {
        Rig rig;
        QVERIFY(rig.connectUnit());
        TimeOffsetWidget *offset = rig.window.offsetWindow();
        auto *spin = child<QSpinBox>(offset, "frameSpin");
        spin->setValue(-4);
        child<QPushButton>(offset, "sendButton")->click();
        QTRY_COMPARE(rig.unit.unit()->offsetFrames(), -4);
        spin->setValue(7);
        child<QPushButton>(offset, "sendButton")->click();
        QTRY_COMPARE(rig.unit.unit()->offsetFrames(), 7);
        QCOMPARE(spin->value(), 7);
        QVERIFY(rig.boxes.boxes.isEmpty());
    }

    void refusedSettingIsReported()
    {
        Rig rig;
        QVERIFY(rig.connectUnit());
        rig.unit.call([](EmulatedUnit &u) {
            EmulatedUnit::Faults f;
            f.failAcks = true;
            u.setFaults(f);
        });
        OscSettingWidget *osc = rig.window.oscWindow();
        child<QLineEdit>(osc, "localPortEdit")->setText(QStringLiteral("9100"));
        child<QPushButton>(osc, "setButton")->click();
        QTRY_COMPARE(rig.boxes.boxes.size(), 1);
        QCOMPARE(rig.boxes.boxes[0].title, QStringLiteral("Set Result"));
        QVERIFY(rig.boxes.boxes[0].text.contains(QLatin1String("The device reported a failure")));
        QCOMPARE(rig.network().oscLocalPort, 8000);
    }
};

QTEST_MAIN(TestE2eSettings)
#include "tst_e2e_settings.moc"
