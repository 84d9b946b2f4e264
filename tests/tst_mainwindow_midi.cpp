// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's start-up and its "MIDI Devices" menu over the in-memory
// MIDI system: listing, connecting, pairing, disconnecting and the unplug watch.

#include "shell/MainWindow.h"
#include "shell/ShellStyles.h"
#include "shell/UnitStatus.h"
#include "emulator/BuiltInUnit.h"
#include "midi/CompositeMidiDriver.h"
#include "midi/InMemoryMidiDriver.h"
#include "midi/QMidiIn.h"
#include "midi/QMidiOut.h"
#include "support/Hex.h"
#include "support/MessageBoxRecorder.h"
#include "support/MessageCollector.h"
#include "support/MidiMenu.h"
#include "support/RecordingUnit.h"
#include "ui_MainWindow.h"

#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using PanelTest::checkedEntries;
using PanelTest::menuEntry;
using PanelTest::menuTexts;
using PanelTest::RecordingUnit;

namespace {

const QByteArray kStop = hex("f07f7f0601f7");
const QByteArray kIdentify = hex("f07f7f1101f7");

// A computer on which no MIDI system could be opened.
class NoMidiSystem : public InMemoryMidiDriver
{
public:
    QString unavailableText() const override { return QStringLiteral("No MIDI system could be opened (tried ALSA)."); }
};

} // namespace

class TestMainWindowMidi : public QObject
{
    Q_OBJECT

private slots:
    void startupFillsTheMenuAndSetsDefaults();
    void emptyOrSynthOnlyMenuShowsDisabledNone();
    void menuFollowsPortsButNotRenames();
    void connectLocatesAndIdentifiesAndPairsTheInput();
    void blankStartTimeSendsNoLocate();
    void choosingAgainDisconnectsWithABox();
    void unplugDisconnectsWithoutABox();
    void refusedOutputShowsConnectionError();
    void choosingAnotherEntryMovesTheConnection();
    void generatorSourceHiddenForTqr10Only();
    void builtInUnitStaysConnectedAndCheckedWhenAnotherAppears();
    void statusLineSaysWhatIsConnected();
    void rendersTheMainWindow();
};

void TestMainWindowMidi::startupFillsTheMenuAndSetsDefaults()
{
    InMemoryMidiDriver driver;
    RecordingUnit unit(driver, "TQR-30 Pro");
    driver.addOutputPort("Microsoft GS Wavetable Synth", {});
    driver.addOutputPort("Synth", {});
    MainWindow w(Platform{&driver});

    // Filled by the constructor, before any timer tick.
    QCOMPARE(menuTexts(w), (QStringList{"TQR-30 Pro [0]", "Synth [2]"}));
    QVERIFY(checkedEntries(w).isEmpty());
    QCOMPARE(w.form()->menuMIDI_Out->title(), QString("&MIDI Devices"));

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.windowTitle(), QString("MIDI Machine Control"));
    QCOMPARE(w.minimumSize(), QSize(860, 650));
    QVERIFY(w.width() >= 860 && w.height() >= 650);
    for (QWidget *hidden : std::initializer_list<QWidget *>{w.form()->comboBox_ComDevices, w.form()->pushButton_8,
                                                           w.form()->pushButton_7, w.form()->radioButton_5,
                                                           w.form()->radioButton_6})
        QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
    QVERIFY(!w.form()->actionOSC_Setting->isVisible());
    QVERIFY(!w.form()->actionUDP_TCP->isVisible());
    QVERIFY(w.form()->actionOffset_Setting->isVisible());
    QVERIFY(w.form()->pushButton_6->isCheckable());
    QVERIFY(!w.form()->pushButton_6->isChecked());
    QCOMPARE(w.form()->name_label->text(), QString("Device:"));
    QVERIFY(w.form()->radioButton_7->isChecked());
    QVERIFY(w.form()->radioButton_4->isChecked());
    QCOMPARE(w.locateRate(), FrameRate(FrameRate::Fps24));
    QVERIFY(!w.midiOut()->isOpen());
    QVERIFY(!w.midiIn()->isOpen());
    QVERIFY(unit.take().isEmpty());
}

void TestMainWindowMidi::emptyOrSynthOnlyMenuShowsDisabledNone()
{
    InMemoryMidiDriver driver;
    MainWindow w(Platform{&driver});
    QCOMPARE(menuTexts(w), QStringList{"none"});
    QVERIFY(!w.form()->menuMIDI_Out->actions().first()->isEnabled());

    driver.addOutputPort("Microsoft GS Wavetable Synth", {});
    w.update_list();
    QCOMPARE(menuTexts(w), QStringList{"none"});
    QVERIFY(!w.form()->menuMIDI_Out->actions().first()->isEnabled());
}

void TestMainWindowMidi::menuFollowsPortsButNotRenames()
{
    InMemoryMidiDriver driver;
    RecordingUnit a(driver, "TQR-20");
    MainWindow w(Platform{&driver});
    QCOMPARE(menuTexts(w), QStringList{"TQR-20 [0]"});

    // Picked up by the one-second refresh on its own.
    RecordingUnit b(driver, "TQR-30 Pro");
    QTRY_COMPARE_WITH_TIMEOUT(menuTexts(w), (QStringList{"TQR-20 [0]", "TQR-30 Pro [1]"}), 1500);

    // Another unit under the same numbers: the menu stays as it was.
    driver.renamePort(b.ports.output, "TQR-10");
    w.update_list();
    QCOMPARE(menuTexts(w), (QStringList{"TQR-20 [0]", "TQR-30 Pro [1]"}));

    driver.removeDevice(a.ports);
    w.update_list();
    QCOMPARE(menuTexts(w), QStringList{"TQR-10 [0]"});
}

void TestMainWindowMidi::connectLocatesAndIdentifiesAndPairsTheInput()
{
    InMemoryMidiDriver driver;
    driver.addInputPort("Keyboard");
    RecordingUnit unit(driver, "TQR-30 Pro");
    MainWindow w(Platform{&driver});
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::CloseWithOk};
    {
        // 25 fps, set quietly: a click without a port would warn "not connected".
        const QSignalBlocker quiet(w.form()->radioButton_8);
        w.form()->radioButton_8->setChecked(true);
    }
    w.form()->lineEdit->setText("01 : 02 : 03 : 04");

    menuEntry(w, "TQR-30 Pro [0]")->trigger();

    QCOMPARE(unit.take(), (QList<QByteArray>{kStop, hex("f07f7f064406012102030400f7"),
                                             hex("f07f7f064406012102030400f7"), kIdentify}));
    QVERIFY(w.midiOut()->isOpen());
    QCOMPARE(w.connectedOutputLabel(), QString("TQR-30 Pro [0]"));
    QCOMPARE(w.form()->name_label->text(), QString("Device: TQR-30 Pro [0]"));
    QCOMPARE(checkedEntries(w), QStringList{"TQR-30 Pro [0]"});

    // The input of the same unit is opened, not the keyboard before it.
    QVERIFY(driver.isInputOpen(unit.ports.input));
    QCOMPARE(w.connectedInputLabel(), QString("TQR-30 Pro [1]"));

    MessageCollector got;
    connect(w.midiIn(), &QMidiIn::midiMessageReceived, &got, &MessageCollector::collect);
    driver.send(unit.ports.input, hex("f000215e01010604f7"));
    driver.send(unit.ports.input, hex("c005"));
    QTRY_COMPARE(got.messages.size(), 2);
    QCOMPARE(got.messages, (QList<QByteArray>{hex("f000215e01010604f7"), hex("c00500")}));
    QVERIFY(got.allOnOwnThread);

    // The half-second pass keeps the mark in step.
    w.checkActionState11();
    QCOMPARE(checkedEntries(w), QStringList{"TQR-30 Pro [0]"});
    QVERIFY(boxes.boxes.isEmpty());
}

void TestMainWindowMidi::blankStartTimeSendsNoLocate()
{
    InMemoryMidiDriver driver;
    RecordingUnit unit(driver, "TQR-30");
    MainWindow w(Platform{&driver});
    w.form()->lineEdit->setText("01 :    : 03 : 04");
    menuEntry(w, "TQR-30 [0]")->trigger();
    // A blank part would have put FF into the locate message.
    const QList<QByteArray> sent = unit.take();
    QCOMPARE(sent, (QList<QByteArray>{kStop, kIdentify}));
    QVERIFY(w.midiOut()->isOpen());
}

void TestMainWindowMidi::choosingAgainDisconnectsWithABox()
{
    InMemoryMidiDriver driver;
    RecordingUnit unit(driver, "TQR-30");
    MainWindow w(Platform{&driver});
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::CloseWithOk};
    menuEntry(w, "TQR-30 [0]")->trigger();
    QVERIFY(driver.isOutputOpen(unit.ports.output));
    QVERIFY(driver.isInputOpen(unit.ports.input));
    unit.take();

    menuEntry(w, "TQR-30 [0]")->trigger();
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes[0].title, QString("MIDI Disconnected"));
    QCOMPARE(boxes.boxes[0].text, QString("The MIDI connection has been disconnected."));
    QCOMPARE(boxes.boxes[0].icon, QMessageBox::Information);
    QVERIFY(!driver.isOutputOpen(unit.ports.output));
    QVERIFY(!driver.isInputOpen(unit.ports.input));
    QCOMPARE(w.connectedOutputLabel(), QString());
    QCOMPARE(w.form()->name_label->text(), QString("Device:"));
    QVERIFY(checkedEntries(w).isEmpty());
    QVERIFY(unit.take().isEmpty());

    // And it connects again on the next choice.
    menuEntry(w, "TQR-30 [0]")->trigger();
    QVERIFY(w.midiOut()->isOpen());
    QCOMPARE(boxes.boxes.size(), 1);
}

void TestMainWindowMidi::statusLineSaysWhatIsConnected()
{
    {
        NoMidiSystem none;
        MainWindow w(Platform{&none});
        QCOMPARE(w.statusLine()->text(), QString("No MIDI system could be opened (tried ALSA). The built-in unit still works with --demo."));
    }
    InMemoryMidiDriver driver;
    RecordingUnit unit(driver, "TQR-30 Pro");
    unit.setAnswer([](const QByteArray &m) { return m == kIdentify ? hex("F000215E01010604F7") : QByteArray(); });
    MainWindow w(Platform{&driver});
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::CloseWithOk};
    QLabel *line = w.statusLine();
    QCOMPARE(line->text(), QString("No unit connected"));
    QCOMPARE(line->textFormat(), Qt::PlainText);

    menuEntry(w, "TQR-30 Pro [0]")->trigger();
    QTRY_COMPARE(line->text(), QString("TQR-30 Pro"));
    QVERIFY(!w.unitStatus()->lastIsProblem());
    QCOMPARE(line->styleSheet(), QString(ShellStyles::kStatusLineQuiet));

    driver.removeDevice(unit.ports);
    QTRY_COMPARE_WITH_TIMEOUT(line->text(), QString("No unit connected  \u00B7  TQR-30 Pro [0] was unplugged"), 1500);
    QVERIFY(w.unitStatus()->lastIsProblem());
    QCOMPARE(line->styleSheet(), QString(ShellStyles::kStatusLineProblem));
}

void TestMainWindowMidi::unplugDisconnectsWithoutABox()
{
    InMemoryMidiDriver driver;
    driver.addOutputPort("Synth", {});
    RecordingUnit unit(driver, "TQR-30 Pro");
    MainWindow w(Platform{&driver});
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::CloseWithOk};
    menuEntry(w, "TQR-30 Pro [1]")->trigger();
    QVERIFY(w.midiIn()->isOpen());

    // Still there: nothing happens.
    w.checkDevices();
    QVERIFY(w.midiOut()->isOpen());

    driver.removeDevice(unit.ports);
    QTRY_VERIFY_WITH_TIMEOUT(!w.midiOut()->isOpen(), 1500);
    QVERIFY(!w.midiIn()->isOpen());
    QCOMPARE(w.connectedOutputLabel(), QString());
    QCOMPARE(w.form()->name_label->text(), QString("Device:"));
    QTRY_COMPARE_WITH_TIMEOUT(menuTexts(w), QStringList{"Synth [0]"}, 1500);
    QVERIFY(checkedEntries(w).isEmpty());
    QTest::qWait(600);
    QVERIFY(boxes.boxes.isEmpty());
}

void TestMainWindowMidi::refusedOutputShowsConnectionError()
{
    InMemoryMidiDriver driver;
    RecordingUnit good(driver, "TQR-20");
    RecordingUnit held(driver, "TQR-30");
    driver.setOutputOpenable(held.ports.output, false);
    MainWindow w(Platform{&driver});
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::CloseWithOk};

    menuEntry(w, "TQR-20 [0]")->trigger();
    QVERIFY(w.midiOut()->isOpen());
    menuEntry(w, "TQR-30 [1]")->trigger();
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes[0].title, QString("MIDI Connection Error"));
    QCOMPARE(boxes.boxes[0].text, QString("Failed to connect MIDI Out device: TQR-30 [1]"));
    QCOMPARE(boxes.boxes[0].icon, QMessageBox::Critical);
    // The first port was closed before trying, and nothing is open now.
    QVERIFY(!driver.isOutputOpen(good.ports.output));
    QVERIFY(!w.midiOut()->isOpen());
    QCOMPARE(w.form()->name_label->text(), QString("Device:"));
    // The input follows within the unplug watch's second.
    w.checkDevices();
    QVERIFY(!w.midiIn()->isOpen());
    w.checkActionState11();
    QVERIFY(checkedEntries(w).isEmpty());
}

void TestMainWindowMidi::choosingAnotherEntryMovesTheConnection()
{
    InMemoryMidiDriver driver;
    RecordingUnit a(driver, "TQR-20");
    RecordingUnit b(driver, "TQR-30 MIDIOUT2");
    driver.renamePort(b.ports.input, "TQR-30 MIDIIN2");
    MainWindow w(Platform{&driver});
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::CloseWithOk};

    menuEntry(w, "TQR-20 [0]")->trigger();
    menuEntry(w, "TQR-30 MIDIOUT2 [1]")->trigger();
    QVERIFY(!driver.isOutputOpen(a.ports.output));
    QVERIFY(driver.isOutputOpen(b.ports.output));
    QVERIFY(!driver.isInputOpen(a.ports.input));
    QVERIFY(driver.isInputOpen(b.ports.input));
    QCOMPARE(w.connectedInputLabel(), QString("TQR-30 MIDIIN2 [1]"));
    QCOMPARE(checkedEntries(w), QStringList{"TQR-30 MIDIOUT2 [1]"});
    QVERIFY(!menuEntry(w, "TQR-20 [0]")->isCheckable());
    QVERIFY(boxes.boxes.isEmpty());
    QCOMPARE(b.take().size(), 4);
}

void TestMainWindowMidi::generatorSourceHiddenForTqr10Only()
{
    InMemoryMidiDriver driver;
    RecordingUnit ten(driver, "TQR-10");
    RecordingUnit twenty(driver, "TQR-20");
    MainWindow w(Platform{&driver});
    w.show();
    menuEntry(w, "TQR-10 [0]")->trigger();
    QVERIFY(!w.form()->radioButton_4->isVisible());
    menuEntry(w, "TQR-20 [1]")->trigger();
    QVERIFY(w.form()->radioButton_4->isVisible());
}

void TestMainWindowMidi::builtInUnitStaysConnectedAndCheckedWhenAnotherAppears()
{
    // As with --demo: the computer's ports first, then the built-in unit's.
    QTemporaryDir registry;
    InMemoryMidiDriver system;
    InMemoryMidiDriver builtInMidi;
    BuiltInUnit::Options options;
    options.registryDirectory = registry.path();
    BuiltInUnit unit(&builtInMidi, options);
    CompositeMidiDriver both({&system, &builtInMidi});
    MainWindow w(Platform{&both});
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::CloseWithOk};
    const QString builtIn = BuiltInUnit::portNameFor(UnitMessages::Model::Tqr30Pro) + " [0]";
    QCOMPARE(builtIn, QString("TQR-30 Pro (built-in) [0]"));
    menuEntry(w, builtIn)->trigger();
    QTRY_COMPARE(w.productText(), QString("TQR-30 Pro"));
    QVERIFY(w.form()->actionOSC_Setting->isVisible());

    // A stand-alone emulator or a real unit of the same model starts.
    RecordingUnit other(system, "TQR-30 Pro");
    w.update_list();
    w.checkDevices();
    QCOMPARE(menuTexts(w), (QStringList{"TQR-30 Pro [0]", "TQR-30 Pro (built-in) [1]"}));
    QCOMPARE(checkedEntries(w), QStringList{"TQR-30 Pro (built-in) [1]"});
    w.checkActionState11();
    QCOMPARE(checkedEntries(w), QStringList{"TQR-30 Pro (built-in) [1]"});
    QCOMPARE(w.connectedOutputLabel(), QString("TQR-30 Pro (built-in) [1]"));
    QCOMPARE(w.form()->name_label->text(), QString("Device: TQR-30 Pro (built-in) [1]"));
    QVERIFY(other.take().isEmpty());
    QVERIFY(!system.isInputOpen(other.ports.input));

    QMenu *menu = w.form()->menuMIDI_Out;
    menu->popup(QPoint(0, 0));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    const QString dir = qEnvironmentVariable("QUILL_TEST_OUTPUT", QDir::tempPath());
    QVERIFY(menu->grab().save(dir + "/mainwindow-midi-menu.png"));
    menu->hide();
    QVERIFY(boxes.boxes.isEmpty());
}

void TestMainWindowMidi::rendersTheMainWindow()
{
    InMemoryMidiDriver driver;
    RecordingUnit unit(driver, "TQR-30 Pro");
    MainWindow w(Platform{&driver});
    w.resize(860, 650);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    menuEntry(w, "TQR-30 Pro [0]")->trigger();
    QTest::qWait(50);
    const QString dir = qEnvironmentVariable("QUILL_TEST_OUTPUT", QDir::tempPath());
    const QImage image = w.grab().toImage();
    QCOMPARE(image.size(), QSize(860, 650));
    QVERIFY(image.save(dir + "/mainwindow.png"));
    w.resize(1280, 860);
    QTest::qWait(50);
    QVERIFY(w.grab().save(dir + "/mainwindow-large.png"));
}

QTEST_MAIN(TestMainWindowMidi)
#include "tst_mainwindow_midi.moc"
