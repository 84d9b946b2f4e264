// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's serial side: pairing a unit's serial port after its MIDI
// output is chosen, the automatic upgrade with its progress window, and the
// port error path, over pseudo-terminals and the in-memory MIDI system.

#include "shell/MainWindow.h"
#include "serial/FirmwareTransfer.h"
#include "serial/SerialPort.h"
#include "upgrade/Upgrade_message_Dialog.h"
#include "upgrade/upgrade_Dialog.h"
#include "support/MessageBoxRecorder.h"
#include "support/SerialWindowRig.h"
#include "support/TestImages.h"
#include "support/UnitPeer.h"
#include "unit/UnitSession.h"
#include "ui_MainWindow.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// A second output, so that choosing the unit is a real choice.
const QStringList kMidiOutputs{QStringLiteral("TQR-30 Pro"), QStringLiteral("Keyboard")};

} // namespace

class MainWindowSerialTest : public QObject
{
    Q_OBJECT
private slots:
    void pairsTheSerialPortOfAUnit();
    void automaticUpgradeWithProgress();
    void emptyImageIsRefused();
    void silentUnitIsShownInTheProgressWindow();
    void strayEraseEndShowsNothing();
    void lostPortIsClosed();
    void replugPairsTheNewSerialPort();
    void pairsTheConnectedModelsPort();
    void pairsThePortOnTheUnitsUsbDevice_data();
    void pairsThePortOnTheUnitsUsbDevice();
    void noPortByNameForTwinsNamedApart();
    void upgradeModeOnRequest();
    void upgradeActionOpensTheDialog();
};

void MainWindowSerialTest::pairsTheSerialPortOfAUnit()
{
    SerialWindowRig rig(kMidiOutputs);
    QCOMPARE(rig.window->form()->comboBox_ComDevices->count(), 1);
    QVERIFY(rig.window->form()->comboBox_ComDevices->isHidden());
    rig.window->connectMidiDevice("TQR-30 Pro [0]");
    QVERIFY(rig.link()->isOpen());
    QTRY_COMPARE(rig.unit.commands, (QList<quint8>{0x01, 0x03}));
    QCOMPARE(rig.window->firmwareTransfer()->modelFamily(), 2);

    // Chosen again while open: the link is left as it is, and asked again.
    rig.window->connectMidiDevice("Keyboard [1]");
    QVERIFY(!rig.link()->isOpen()); // not a TQR: closed
    rig.window->connectMidiDevice("TQR-30 Pro [0]");
    QVERIFY(rig.link()->isOpen());
}

void MainWindowSerialTest::automaticUpgradeWithProgress()
{
    SerialWindowRig rig(kMidiOutputs);
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    rig.window->show();
    rig.window->connectMidiDevice("TQR-30 Pro [0]");
    QTRY_COMPARE(rig.unit.countCommand(0x03), 1);
    QSignalSpy values(rig.window.get(), &MainWindow::send_possvalue);
    QSignalSpy done(rig.window.get(), &MainWindow::done);

    const QByteArray image = makeImage(10000);
    Upgrade_message_Dialog *progress = rig.window->upgradeMessageDialog();
    // Prepare, search and erase: a busy bar and a line saying what happens.
    QStringList stages;
    connect(rig.window->firmwareTransfer(), &FirmwareTransfer::stateChanged, this, [&] {
        QVERIFY(progress->isVisible());
        stages << QString("%1 (%2)").arg(progress->form().stageLabel->text()).arg(progress->form().progressBar->maximum());
    });
    rig.window->startFirmwareUpgrade(image);
    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 10000);
    QCOMPARE(stages, (QStringList{"Preparing for the upgrade... (0)",
                                  "Waiting for the device to come back in upgrade mode... (0)",
                                  "Erasing the device's firmware... (0)",
                                  "Erasing the device's firmware... (0)", // erased: unchanged
                                  "Writing the firmware image... (100)",
                                  "Writing the firmware image... (100)"})); // idle at the end
    QCOMPARE(rig.unit.commands, (QList<quint8>{0x01, 0x03, 0x09}));
    QCOMPARE(rig.boot.commands, (QList<quint8>{0x02}));
    QCOMPARE(rig.boot.image, image);
    QCOMPARE(rig.boot.chunksAheadOfAck, 0);

    QCOMPARE(values.size(), 156);
    QList<int> got;
    for (const QList<QVariant> &v : values)
        got << v.at(0).toInt();
    QCOMPARE(got.mid(0, 6), (QList<int>{0, 1, 1, 2, 3, 3}));
    QCOMPARE(got.at(152), 97);
    QCOMPARE(got.mid(153), (QList<int>{100, 100, 100}));

    QTRY_VERIFY(boxes.seen("Upgrade successful, please power on the device again."));
    QTRY_VERIFY(!rig.window->upgradeMessageDialog()->isVisible());
    QTest::qWait(100);
    int successes = 0;
    for (const MessageBoxRecorder::Box &box : boxes.boxes)
        successes += box.text.contains("Upgrade successful");
    QCOMPARE(successes, 1);
    QVERIFY(rig.window->isVisible());
    QVERIFY(!rig.window->firmwareTransfer()->isBusy());
}

void MainWindowSerialTest::emptyImageIsRefused()
{
    SerialWindowRig rig(kMidiOutputs);
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    rig.window->connectMidiDevice("TQR-30 Pro [0]");
    QTRY_COMPARE(rig.unit.countCommand(0x03), 1);
    rig.window->startFirmwareUpgrade(QByteArray());
    QCOMPARE(boxes.boxes.size(), 1);
    QVERIFY(boxes.boxes.at(0).text.contains("empty"));
    QTest::qWait(100);
    QCOMPARE(rig.unit.commands, (QList<quint8>{0x01, 0x03}));
}

void MainWindowSerialTest::silentUnitIsShownInTheProgressWindow()
{
    SerialWindowRig rig(kMidiOutputs);
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    rig.window->show();
    rig.boot.stopAckingAfter = 3;
    rig.window->connectMidiDevice("TQR-30 Pro [0]");
    QTRY_COMPARE(rig.unit.countCommand(0x03), 1);
    rig.window->startFirmwareUpgrade(makeImage(2000));
    QTRY_VERIFY_WITH_TIMEOUT(boxes.seen("stopped answering"), 5000);
    Upgrade_message_Dialog *progress = rig.window->upgradeMessageDialog();
    const MessageBoxRecorder::Box failure = boxes.boxes.last();
    QCOMPARE(failure.parent.data(), progress);
    QVERIFY(!boxes.seen("Upgrade successful"));
    QVERIFY(rig.window->isVisible());
    QTRY_VERIFY(!progress->isVisible());
    // A half-written unit is not talked to on that port any more.
    QVERIFY(!rig.link()->isOpen());
}

void MainWindowSerialTest::strayEraseEndShowsNothing()
{
    SerialWindowRig rig(kMidiOutputs);
    rig.window->connectMidiDevice("TQR-30 Pro [0]");
    QTRY_COMPARE(rig.unit.countCommand(0x03), 1);
    rig.unit.pty().send("ERASE END");
    QTest::qWait(100);
    QVERIFY(!rig.window->upgradeMessageDialog()->isVisible());
}

void MainWindowSerialTest::lostPortIsClosed()
{
    SerialWindowRig rig(kMidiOutputs);
    rig.window->connectMidiDevice("TQR-30 Pro [0]");
    QVERIFY(rig.link()->isOpen());
    rig.unit.pty().closeMaster();
    QTRY_VERIFY(!rig.link()->isOpen());
}

// Unplugged and plugged in again, the unit comes back on a new serial port,
// which is opened and asked for model and version; the firmware check runs
// once for the new connection, and nothing more goes to the dead port.
void MainWindowSerialTest::replugPairsTheNewSerialPort()
{
    SerialWindowRig rig(kMidiOutputs);
    QSignalSpy identified(rig.window->unitSession(), &UnitSession::unitIdentified);
    rig.window->connectMidiDevice("TQR-30 Pro [0]");
    QTRY_COMPARE(rig.unit.commands, (QList<quint8>{0x01, 0x03}));
    QTRY_COMPARE(identified.size(), 1);

    rig.midi.removeDevice({rig.midi.outputId(0).toInt(), rig.midi.inputId(0).toInt()});
    rig.unit.pty().closeMaster();
    rig.ports.clear();
    rig.window->checkDevices();
    QTRY_VERIFY(!rig.link()->isOpen());
    QCOMPARE(rig.window->unitSession()->state(), UnitSession::State::Lost);

    UnitPeer replugged;
    rig.ports.addPort(unitPortEntry(replugged, kUnitNormalProduct));
    rig.midi.addDevice("TQR-30 Pro", {});
    rig.window->update_list();
    QTRY_COMPARE(replugged.commands, (QList<quint8>{0x01, 0x03}));
    QCOMPARE(rig.window->unitSession()->pairedSerialPort(), replugged.portName());
    QTRY_COMPARE(identified.size(), 2);
    QCOMPARE(rig.window->unitSession()->state(), UnitSession::State::Connected);
    QCOMPARE(rig.unit.commands, (QList<quint8>{0x01, 0x03}));
}

// Two units of the series: each MIDI pick pairs the serial port of its own
// model, and the link moves from one unit's port to the other's.
void MainWindowSerialTest::pairsTheConnectedModelsPort()
{
    SerialWindowRig rig({QStringLiteral("TQR-30 Pro"), QStringLiteral("TQR-30")});
    UnitPeer plain;
    plain.modelReply = "TQR-30\r\n";
    rig.usb.addDevice(kUnitVendor, kUnitNormalProduct + 2, QStringLiteral("TQR-30 Larkspur"));
    rig.ports.addPort(unitPortEntry(plain, kUnitNormalProduct + 2));

    rig.window->connectMidiDevice("TQR-30 [1]");
    QTRY_COMPARE(plain.commands, (QList<quint8>{0x01, 0x03}));
    QCOMPARE(rig.window->unitSession()->pairedSerialPort(), plain.portName());
    QVERIFY(rig.unit.commands.isEmpty());

    rig.window->connectMidiDevice("TQR-30 Pro [0]");
    QTRY_COMPARE(rig.unit.commands, (QList<quint8>{0x01, 0x03}));
    QCOMPARE(rig.window->unitSession()->pairedSerialPort(), rig.unit.portName());
    QCOMPARE(plain.countCommand(0x01), 1);
}

// Two TQR-30 Pro on two USB devices describe themselves alike, so the port
// list keeps only the first one's port. Where the system links each MIDI
// port to its USB device, picking the second unit pairs its own serial port,
// and never the first unit's while its own is missing; where nothing links
// them, the model rule pairs the listed port as before.
void MainWindowSerialTest::pairsThePortOnTheUnitsUsbDevice_data()
{
    QTest::addColumn<bool>("linked");
    QTest::addColumn<bool>("twinListed");
    QTest::addColumn<QString>("expected"); // "twin", "none" (paired once it appears) or "neither"

    QTest::newRow("linked") << true << true << "twin";
    QTest::newRow("linked, twin's serial port not there yet") << true << false << "none";
    // Both ports describe themselves alike: by name the unit could get its
    // twin's port, and an upgrade would go to the wrong unit.
    QTest::newRow("no link known") << false << true << "neither";
}

// Units of one model told apart by their MIDI names alone (an emulated one
// started with --name) still describe their serial ports alike.
void MainWindowSerialTest::noPortByNameForTwinsNamedApart()
{
    SerialWindowRig rig({QStringLiteral("TQR-30 Pro"), QStringLiteral("TQR-30 Pro B")});
    UnitPeer twin;
    rig.ports.addPort(unitPortEntry(twin, kUnitNormalProduct));
    rig.window->connectMidiDevice("TQR-30 Pro B [1]");
    QTest::qWait(300);
    QVERIFY(rig.window->unitSession()->pairedSerialPort().isEmpty());
    QVERIFY(rig.unit.commands.isEmpty());
    QVERIFY(twin.commands.isEmpty());
}

void MainWindowSerialTest::pairsThePortOnTheUnitsUsbDevice()
{
    QFETCH(bool, linked);
    QFETCH(bool, twinListed);
    QFETCH(QString, expected);

    SerialWindowRig rig({QStringLiteral("TQR-30 Pro"), QStringLiteral("TQR-30 Pro")});
    UnitPeer twin;
    if (twinListed)
        rig.ports.addPort(unitPortEntry(twin, kUnitNormalProduct));
    if (linked) {
        rig.midi.outputCount();
        for (int i = 0; i < 2; ++i)
            rig.midi.setSoundCard(rig.midi.outputId(i).toInt(), i + 1);
        rig.usbDevices.placeSoundCard(1, QStringLiteral("usb1/1-1"));
        rig.usbDevices.placeSoundCard(2, QStringLiteral("usb1/1-2"));
        rig.usbDevices.placeSerialPort(rig.unit.portName(), QStringLiteral("usb1/1-1"));
        rig.usbDevices.placeSerialPort(twin.portName(), QStringLiteral("usb1/1-2"));
    }

    rig.window->connectMidiDevice("TQR-30 Pro [1]");
    if (expected == "neither") {
        QTest::qWait(300);
        QVERIFY(!rig.link()->isOpen());
        QVERIFY(rig.window->unitSession()->pairedSerialPort().isEmpty());
        QVERIFY(rig.unit.commands.isEmpty());
        QVERIFY(twin.commands.isEmpty());
        return;
    }
    if (expected == "none") {
        QTest::qWait(100);
        QVERIFY(!rig.link()->isOpen());
        QVERIFY(rig.window->unitSession()->pairedSerialPort().isEmpty());
        // Its port appearing later is paired at the next look at the list.
        rig.ports.addPort(unitPortEntry(twin, kUnitNormalProduct));
    }
    UnitPeer &paired = twin;
    UnitPeer &other = rig.unit;
    QTRY_COMPARE(paired.commands, (QList<quint8>{0x01, 0x03}));
    QCOMPARE(rig.window->unitSession()->pairedSerialPort(), paired.portName());
    QVERIFY(other.commands.isEmpty());

    if (linked) {
        rig.window->connectMidiDevice("TQR-30 Pro [0]");
        QTRY_COMPARE(rig.unit.commands, (QList<quint8>{0x01, 0x03}));
        QCOMPARE(rig.window->unitSession()->pairedSerialPort(), rig.unit.portName());
        QCOMPARE(twin.countCommand(0x01), 1);
    }
}

// Put into upgrade mode without an image, the unit's upgrade-mode port is
// found, opened and held, and nothing is erased; released, the session waits
// for the unit's normal-mode port.
void MainWindowSerialTest::upgradeModeOnRequest()
{
    SerialWindowRig rig(kMidiOutputs);
    UnitSession *session = rig.window->unitSession();
    QSignalSpy ready(session, &UnitSession::upgradeModeReady);
    rig.window->connectMidiDevice("TQR-30 Pro [0]");
    QTRY_COMPARE(rig.unit.countCommand(0x03), 1);

    session->enterUpgradeMode();
    QCOMPARE(session->state(), UnitSession::State::Upgrading);
    QTRY_COMPARE(ready.size(), 1);
    QCOMPARE(ready.at(0).at(0).toString(), rig.boot.portName());
    QVERIFY(rig.link()->isOpen());
    QCOMPARE(session->state(), UnitSession::State::Upgrading);
    QTest::qWait(50);
    QVERIFY(rig.boot.commands.isEmpty());

    session->releaseUpgradePort();
    QVERIFY(!rig.link()->isOpen());
    QCOMPARE(session->state(), UnitSession::State::Reenumerating);
}

void MainWindowSerialTest::upgradeActionOpensTheDialog()
{
    SerialWindowRig rig(kMidiOutputs);
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::PressDefault};
    rig.window->show();
    QVERIFY(!rig.window->upgradeDialog());
    rig.ports.clear();
    rig.ports.addPort(unitPortEntry(rig.boot, kUnitBootProduct));
    rig.window->form()->actionUpgrade->trigger();
    upgrade_Dialog *dialog = rig.window->upgradeDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->parentWidget(), rig.window.get());
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->form().comboBox->currentText(), QString("TQR-30B Boot"));
    dialog->close();
    rig.window->form()->actionUpgrade->trigger();
    QCOMPARE(rig.window->upgradeDialog(), dialog);
    QVERIFY(boxes.boxes.isEmpty());

    // The unit in normal mode: sent away with the hint.
    dialog->close();
    rig.ports.clear();
    rig.ports.addPort(unitPortEntry(rig.unit, kUnitNormalProduct));
    rig.window->form()->actionUpgrade->trigger();
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.at(0).title, QString("Warning"));
    QVERIFY(!dialog->isVisible());
}

QTEST_MAIN(MainWindowSerialTest)
#include "tst_mainwindow_serial.moc"
