// SPDX-License-Identifier: GPL-3.0-or-later
// Which model is connected, which controls it gets, and the order in which a
// received message reaches its consumers.

#include "midi/MidiPortList.h"
#include "protocol/Identification.h"
#include "support/PanelRig.h"
#include "ui_MainWindow.h" // generated for this test; PanelRig.h needs it

#include <QtTest>

using PanelTest::hex;
using PanelTest::PanelRig;

class TestIdentification : public QObject
{
    Q_OBJECT
private slots:
    void requestBytes()
    {
        QCOMPARE(Identification::identificationRequest(), hex("F07F7F1101F7"));
        QCOMPARE(Identification::identificationRequest(hex("0A0B")), hex("F07F7F110102 0A0B F7"));
    }

    void deviceTypeReply_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("product");
        QTest::newRow("TQR-10") << hex("F000215E01010601F7") << true << "TQR-10";
        QTest::newRow("TQR-20") << hex("F000215E01010602F7") << true << "TQR-20";
        QTest::newRow("TQR-30") << hex("F000215E01010603F7") << true << "TQR-30";
        QTest::newRow("TQR-30 Pro") << hex("F000215E01010604F7") << true << "TQR-30 Pro";
        QTest::newRow("unknown model") << hex("F000215E01010605F7") << true << "";
        QTest::newRow("model 00") << hex("F000215E01010600F7") << true << "";
        QTest::newRow("other class") << hex("F000215E01010703F7") << true << "";
        QTest::newRow("ten bytes") << hex("F000215E01010604F7F7") << false << "";
        QTest::newRow("eight bytes") << hex("F000215E010106F7") << false << "";
        QTest::newRow("other maker") << hex("F000215F01010604F7") << false << "";
        QTest::newRow("identifier 02") << hex("F000215E02010604F7") << false << "";
        QTest::newRow("command 02") << hex("F000215E01020604F7") << false << "";
        QTest::newRow("no end") << hex("F000215E0101060400") << false << "";
        QTest::newRow("empty") << QByteArray() << false << "";
    }
    void deviceTypeReply()
    {
        QFETCH(QByteArray, message);
        QFETCH(bool, accepted);
        QFETCH(QString, product);
        quint8 gg = 0xAA;
        quint8 hh = 0xAA;
        QCOMPARE(Identification::parseFeedbackDeviceType(message, gg, hh), accepted);
        if (accepted) {
            QCOMPARE(gg, quint8(message.at(6)));
            QCOMPARE(hh, quint8(message.at(7)));
            QCOMPARE(Identification::productForModel(gg, hh), product);
        } else {
            QCOMPARE(gg, quint8(0xAA));
        }
    }

    void capabilitiesByName()
    {
        using namespace Identification;
        QVERIFY(supportsIpByName("TQR-30"));
        QVERIFY(supportsIpByName("tqr-30 pro"));
        QVERIFY(!supportsIpByName("TQR-20"));
        QVERIFY(!supportsIpByName("TQR-3"));
        QVERIFY(!supportsOscByName("TQR-30"));
        QVERIFY(supportsOscByName("TQR-30 Pro"));
        QVERIFY(supportsOscByName("TQR-30 PRO MIDIOUT2"));
        QVERIFY(!supportsIpByName("Pro TQR-3"));
        // The index is not part of the name: "[30]" must not make a TQR-3 capable.
        QVERIFY(!supportsIpByName(MidiPortList::portBaseName("TQR-3 [30]")));

        // A port must be open; then the base name or the reported product decides.
        QVERIFY(!supportsIp(false, "TQR-30", "TQR-30"));
        QVERIFY(supportsIp(true, "USB MIDI", "TQR-30"));
        QVERIFY(supportsIp(true, "TQR-30", ""));
        QVERIFY(!supportsIp(true, "USB MIDI", "TQR-20"));
        QVERIFY(!supportsOsc(true, "USB MIDI", "TQR-30"));
        QVERIFY(supportsOsc(true, "USB MIDI", "TQR-30 Pro"));
        QVERIFY(supportsOsc(true, "TQR-30 Pro", ""));
        QVERIFY(!supportsOsc(false, "TQR-30 Pro", "TQR-30 Pro"));

        QVERIFY(hidesGeneratorSource("TQR-10 [0]"));
        QVERIFY(!hidesGeneratorSource("tqr-10 [0]"));
        QVERIFY(!hidesGeneratorSource("TQR-20"));
    }

    // A unit whose port name tells nothing: only its reply decides.
    void visibilityPerModel_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("ip");
        QTest::addColumn<bool>("osc");
        QTest::addColumn<bool>("generator");
        QTest::newRow("TQR-10") << hex("F000215E01010601F7") << false << false << false;
        QTest::newRow("TQR-20") << hex("F000215E01010602F7") << false << false << true;
        QTest::newRow("TQR-30") << hex("F000215E01010603F7") << true << false << true;
        QTest::newRow("TQR-30 Pro") << hex("F000215E01010604F7") << true << true << true;
    }
    void visibilityPerModel()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, ip);
        QFETCH(bool, osc);
        QFETCH(bool, generator);
        PanelRig rig("USB MIDI Interface");
        rig.window->show();
        rig.connectUnit();
        Ui::MainWindow *ui = rig.ui();
        QVERIFY(!ui->pushButton_7->isVisible());
        QVERIFY(!ui->actionOSC_Setting->isVisible());

        rig.feed(reply);
        QCOMPARE(ui->pushButton_7->isVisible(), ip);
        QCOMPARE(ui->radioButton_5->isVisible(), ip);
        QCOMPARE(ui->radioButton_6->isVisible(), ip);
        QCOMPARE(ui->actionOSC_Setting->isVisible(), osc);
        QCOMPARE(ui->actionUDP_TCP->isVisible(), osc);
        QCOMPARE(ui->radioButton_4->isVisible(), generator);
        QVERIFY(rig.boxes.boxes.isEmpty());
    }

    void replyOfAnotherClassOnlyEmptiesTheProduct()
    {
        PanelRig rig("USB MIDI Interface");
        rig.window->show();
        rig.connectUnit();
        rig.feed(hex("F000215E01010604F7"));
        QCOMPARE(rig.window->productText(), QString("TQR-30 Pro"));
        rig.feed(hex("F000215E01010703F7"));
        QCOMPARE(rig.window->productText(), QString());
        // Visibility is left as the last TQR reply made it.
        QVERIFY(rig.ui()->pushButton_7->isVisible());
        QVERIFY(rig.ui()->actionOSC_Setting->isVisible());
        // A TQR-10 reply hides the Generator source; a TQR-20 reply brings it back.
        rig.feed(hex("F000215E01010601F7"));
        QVERIFY(!rig.ui()->radioButton_4->isVisible());
        QVERIFY(!rig.ui()->pushButton_7->isVisible());
        rig.feed(hex("F000215E01010602F7"));
        QVERIFY(rig.ui()->radioButton_4->isVisible());
    }

    void portNameUnlocksBeforeAnyReply()
    {
        PanelRig pro("TQR-30 Pro");
        pro.window->show();
        pro.connectUnit();
        QVERIFY(pro.ui()->actionOSC_Setting->isVisible());
        QVERIFY(pro.ui()->actionUDP_TCP->isVisible());
        QVERIFY(pro.ui()->pushButton_7->isVisible());

        PanelRig ten("TQR-10");
        ten.window->show();
        ten.connectUnit();
        QVERIFY(!ten.ui()->radioButton_4->isVisible());
        QVERIFY(!ten.ui()->radioButton_5->isVisible());

        // Disconnecting by menu hides the network controls again.
        pro.window->connectMidiDevice("TQR-30 Pro [0]");
        QVERIFY(!pro.ui()->actionOSC_Setting->isVisible());
        QVERIFY(!pro.ui()->pushButton_7->isVisible());
    }

    // Routing: the reply still reaches the time-code parser; the six-byte OSC
    // acknowledgement reaches the parser but not what comes after it (the
    // message-seen flag that keeps the source locked).
    void dispatchOrder()
    {
        PanelRig rig("USB MIDI Interface");
        rig.window->show();
        rig.connectUnit();
        Ui::MainWindow *ui = rig.ui();
        auto sourceLocked = [ui] { return !ui->radioButton->isEnabled(); };

        // Drain the flag set at start: one tick locks, the next unlocks.
        rig.window->checpauseTimer();
        rig.window->checpauseTimer();
        QVERIFY(!sourceLocked());

        rig.feed(hex("F07F7F1205F7"));
        rig.window->checpauseTimer();
        QVERIFY2(!sourceLocked(), "the OSC acknowledgement must not count as stream activity");

        // An ordinary message goes all the way: parser (source report) and flag.
        rig.feed(hex("F07F7F1003F7"));
        QVERIFY(ui->radioButton_3->isChecked());
        rig.window->checpauseTimer();
        QVERIFY(sourceLocked());

        // The identification reply is also offered to the parser and the flag.
        rig.window->checpauseTimer();
        QVERIFY(!sourceLocked());
        rig.feed(hex("F000215E01010603F7"));
        QCOMPARE(rig.window->productText(), QString("TQR-30"));
        rig.window->checpauseTimer();
        QVERIFY(sourceLocked());

        // A quarter frame, decoded on the input's thread and never seen by
        // the window as a message, keeps the source locked all the same.
        rig.window->checpauseTimer();
        QVERIFY(!sourceLocked());
        rig.feed(hex("F123"));
        rig.window->checpauseTimer();
        QVERIFY(sourceLocked());
        rig.window->checpauseTimer();
        QVERIFY(!sourceLocked());
        QVERIFY(rig.take().isEmpty()); // reports are never answered
    }

    void oscUnavailableWithoutAUnit()
    {
        PanelRig rig;
        rig.window->showOscUnavailable();
        QTRY_COMPARE(rig.boxes.boxes.size(), 1);
        QCOMPARE(rig.boxes.boxes[0].title, QString("OSC Unavailable"));
        QCOMPARE(rig.boxes.boxes[0].text, QString("Only TQR-30 Pro supports OSC."));
    }
};

QTEST_MAIN(TestIdentification)
#include "tst_identification.moc"
