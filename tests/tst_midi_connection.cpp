// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI connection without a window, over the in-memory MIDI system:
// pairing, ports that are renumbered, unplugged and plugged in again.

#include "midi/CompositeMidiDriver.h"
#include "midi/InMemoryMidiDriver.h"
#include "midi/MidiConnection.h"
#include "midi/QMidiIn.h"
#include "midi/QMidiOut.h"
#include "midi/JackMidiDriver.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// A connection with its signals recorded.
struct Rig
{
    explicit Rig(MidiDriver *driver)
        : connection((qRegisterMetaType<MidiConnection::Loss>(), driver))
        , connected(&connection, &MidiConnection::connected)
        , disconnected(&connection, &MidiConnection::disconnected)
    {
        connection.rebuildOutputs();
        connection.rebuildInputs();
    }
    MidiConnection connection;
    QSignalSpy connected;
    QSignalSpy disconnected;
};

} // namespace

class TestMidiConnection : public QObject
{
    Q_OBJECT

private slots:
    void pairsTheOutputWithItsInputOrNone_data();
    void pairsTheOutputWithItsInputOrNone();
    void unitsOfOneModelPairOnTheirSoundCard();
    void renumberingKeepsTheConnection();
    void aNewDeviceBeforeTheUnitKeepsIt();
    void unplugClosesBothAndReplugReconnects();
    void disconnectingFromTheMenuEndsTheWait();
    void anotherUnitsInputDoesNotStayOpen();
    void inputFollowedOnItsOwn_data();
    void inputFollowedOnItsOwn();
};

void TestMidiConnection::pairsTheOutputWithItsInputOrNone_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<int>("paired"); // index into inputs, -1 none

    QTest::newRow("same name") << "TQR-30" << QStringList{"Keyboard", "TQR-30"} << 1;
    QTest::newRow("MIDIOUT pairs with MIDIIN") << "TQR-30 MIDIOUT2" << QStringList{"TQR-30 MIDIIN2"} << 0;
    QTest::newRow("a prefix is not the name") << "TQR-30" << QStringList{"TQR-30 Pro"} << -1;
    QTest::newRow("two inputs of the name: none") << "TQR-30" << QStringList{"TQR-30", "TQR-30"} << -1;
    // JACK calls a second client of one name "name-01"; the driver's names
    // for a unit's two clients come out equal.
    const QStringList jack = JackMidiDriver::cleanNames({"TQR-30 Pro-01:MIDI out", "system:midi_capture_1"},
                                                          {"TQR-30 Pro", "TQR-30 Pro-01", "system"});
    QTest::newRow("JACK renamed second client") << "TQR-30 Pro" << jack << 0;
    QTest::newRow("no input") << "Synth" << QStringList{"Keyboard"} << -1;
}

void TestMidiConnection::pairsTheOutputWithItsInputOrNone()
{
    QFETCH(QString, output);
    QFETCH(QStringList, inputs);
    QFETCH(int, paired);
    InMemoryMidiDriver driver;
    driver.addOutputPort(output, {});
    QList<int> ids;
    for (const QString &name : inputs)
        ids << driver.addInputPort(name);
    Rig rig(&driver);
    rig.connection.choose(output + " [0]");
    QVERIFY(rig.connection.isConnected());
    for (int i = 0; i < ids.size(); ++i)
        QCOMPARE(driver.isInputOpen(ids[i]), i == paired);
    QCOMPARE(rig.connection.connectedInputLabel().isEmpty(), paired < 0);
}

// Two units of one model: every port has the same name, and only the sound
// card tells which input belongs to which output.
void TestMidiConnection::unitsOfOneModelPairOnTheirSoundCard()
{
    InMemoryMidiDriver driver;
    const int firstOut = driver.addOutputPort("TQR-30", {});
    const int secondOut = driver.addOutputPort("TQR-30", {});
    const int secondIn = driver.addInputPort("TQR-30");
    const int firstIn = driver.addInputPort("TQR-30");
    driver.setSoundCard(firstOut, 1);
    driver.setSoundCard(firstIn, 1);
    driver.setSoundCard(secondOut, 2);
    driver.setSoundCard(secondIn, 2);
    Rig rig(&driver);
    const QStringList outputs = rig.connection.outputs().menuLabels;
    QCOMPARE(outputs.size(), 2);

    rig.connection.choose(outputs.at(1)); // the second output port listed
    QVERIFY(rig.connection.isConnected());
    QVERIFY(driver.isInputOpen(secondIn));
    QVERIFY(!driver.isInputOpen(firstIn));

    rig.connection.choose(outputs.at(0));
    QVERIFY(driver.isInputOpen(firstIn));
    QVERIFY(!driver.isInputOpen(secondIn));
}

void TestMidiConnection::renumberingKeepsTheConnection()
{
    InMemoryMidiDriver driver;
    const auto synth = driver.addDevice("Synth", {});
    const auto unit = driver.addDevice("TQR-30 Pro", {});
    Rig rig(&driver);
    rig.connection.choose("TQR-30 Pro [1]");
    QCOMPARE(rig.connection.connectedInputLabel(), QString("TQR-30 Pro [1]"));

    // The device before it goes: the unit is now number 0, and still connected.
    driver.removeDevice(synth);
    rig.connection.watch();
    QVERIFY(rig.connection.isConnected());
    QCOMPARE(rig.connection.connectedOutputLabel(), QString("TQR-30 Pro [0]"));
    QCOMPARE(rig.connection.outputs().menuLabels, QStringList{"TQR-30 Pro [0]"});
    QCOMPARE(rig.connection.deviceText(), QString("Device: TQR-30 Pro [0]"));
    rig.connection.refreshLists();
    QCOMPARE(rig.connection.connectedInputLabel(), QString("TQR-30 Pro [0]"));
    QVERIFY(driver.isOutputOpen(unit.output));
    QVERIFY(driver.isInputOpen(unit.input));
    QCOMPARE(rig.disconnected.count(), 0);

    // The menu's entry for it is the connected one again.
    rig.connection.choose("TQR-30 Pro [0]");
    QVERIFY(!rig.connection.isConnected());
    QCOMPARE(rig.disconnected.count(), 1);
}

void TestMidiConnection::aNewDeviceBeforeTheUnitKeepsIt()
{
    // The built-in unit's ports come after the computer's; a program that
    // starts later puts its port before it.
    InMemoryMidiDriver system;
    InMemoryMidiDriver builtIn;
    const auto unit = builtIn.addDevice("TQR-30 Pro (built-in)", {});
    CompositeMidiDriver both({&system, &builtIn});
    Rig rig(&both);
    rig.connection.choose("TQR-30 Pro (built-in) [0]");
    QVERIFY(rig.connection.isConnected());

    system.addDevice("TQR-30 Pro", {});
    QVERIFY(rig.connection.refreshLists());
    rig.connection.watch();
    QVERIFY(rig.connection.isConnected());
    QCOMPARE(rig.connection.connectedOutputLabel(), QString("TQR-30 Pro (built-in) [1]"));
    QCOMPARE(rig.connection.connectedInputLabel(), QString("TQR-30 Pro (built-in) [1]"));
    QCOMPARE(rig.connection.outputs().menuLabels,
             (QStringList{"TQR-30 Pro [0]", "TQR-30 Pro (built-in) [1]"}));
    QVERIFY(builtIn.isInputOpen(unit.input));
    QCOMPARE(rig.disconnected.count(), 0);
}

void TestMidiConnection::unplugClosesBothAndReplugReconnects()
{
    InMemoryMidiDriver driver;
    driver.addDevice("Synth", {});
    auto unit = driver.addDevice("TQR-30 Pro", {});
    Rig rig(&driver);
    rig.connection.choose("TQR-30 Pro [1]");
    QCOMPARE(rig.connected.count(), 1);
    QCOMPARE(rig.connected.last().at(1).toBool(), false);

    driver.removeDevice(unit);
    rig.connection.watch();
    QVERIFY(!rig.connection.isConnected());
    QVERIFY(!rig.connection.input()->isOpen());
    QCOMPARE(rig.connection.connectedOutputLabel(), QString());
    QCOMPARE(rig.connection.connectedInputLabel(), QString());
    QCOMPARE(rig.disconnected.count(), 1);
    QCOMPARE(rig.disconnected.last().at(1).value<MidiConnection::Loss>(), MidiConnection::Loss::Unplugged);
    QCOMPARE(rig.connection.awaitedName(), QString("TQR-30 Pro"));

    // Another device comes first: nothing happens.
    driver.addDevice("Keyboard", {});
    rig.connection.refreshLists();
    rig.connection.watch();
    QVERIFY(!rig.connection.isConnected());

    // The unit is back, under a new number and a new port id.
    unit = driver.addDevice("TQR-30 Pro", {});
    rig.connection.watch();
    QVERIFY(rig.connection.isConnected());
    QCOMPARE(rig.connected.count(), 2);
    QCOMPARE(rig.connected.last().at(0).toString(), QString("TQR-30 Pro [2]"));
    QCOMPARE(rig.connected.last().at(1).toBool(), true);
    QVERIFY(driver.isOutputOpen(unit.output));
    QVERIFY(driver.isInputOpen(unit.input));
    QCOMPARE(rig.connection.deviceText(), QString("Device: TQR-30 Pro [2] (reconnected)"));
    QCOMPARE(rig.connection.awaitedName(), QString());

    // Gone and back between two ticks: the port id tells.
    driver.removeDevice(unit);
    unit = driver.addDevice("TQR-30 Pro", {});
    rig.connection.watch();
    QCOMPARE(rig.disconnected.count(), 2);
    QCOMPARE(rig.connected.count(), 3);
    QVERIFY(driver.isOutputOpen(unit.output));
}

void TestMidiConnection::disconnectingFromTheMenuEndsTheWait()
{
    InMemoryMidiDriver driver;
    auto unit = driver.addDevice("TQR-30", {});
    auto other = driver.addDevice("TQR-20", {});
    Rig rig(&driver);

    // Chosen again: disconnected by the user, and not waited for.
    rig.connection.choose("TQR-30 [0]");
    rig.connection.choose("TQR-30 [0]");
    QCOMPARE(rig.disconnected.last().at(1).value<MidiConnection::Loss>(), MidiConnection::Loss::ByUser);
    driver.removeDevice(unit);
    rig.connection.watch();
    unit = driver.addDevice("TQR-30", {});
    rig.connection.refreshLists();
    rig.connection.watch();
    QVERIFY(!rig.connection.isConnected());

    // Lost by unplugging, then the user picks another unit: the first one
    // coming back does not take the connection over.
    rig.connection.choose("TQR-30 [1]");
    driver.removeDevice(unit);
    rig.connection.watch();
    QCOMPARE(rig.connection.awaitedName(), QString("TQR-30"));
    rig.connection.refreshLists();
    rig.connection.choose("TQR-20 [0]");
    driver.addDevice("TQR-30", {});
    rig.connection.refreshLists();
    rig.connection.watch();
    QCOMPARE(rig.connection.connectedOutputLabel(), QString("TQR-20 [0]"));
    QVERIFY(driver.isOutputOpen(other.output));
}

void TestMidiConnection::anotherUnitsInputDoesNotStayOpen()
{
    InMemoryMidiDriver driver;
    const auto first = driver.addDevice("TQR-30 Pro", {});
    driver.addOutputPort("Synth", {});
    Rig rig(&driver);
    rig.connection.choose("TQR-30 Pro [0]");
    QVERIFY(driver.isInputOpen(first.input));

    // Synth has no input of its name: none is open, not the unit's.
    rig.connection.choose("Synth [1]");
    QVERIFY(rig.connection.isConnected());
    QVERIFY(!driver.isInputOpen(first.input));
    QVERIFY(!rig.connection.input()->isOpen());
    QCOMPARE(rig.connection.connectedInputLabel(), QString());
}

// The unit's input is paired whenever it appears while the output is
// connected: registered after the output (as a unit's JACK client does, on
// a first connect or coming back from an unplug), or replaced while the
// output stays. The label says the input is missing until it is there, and
// "(reconnected)" only once both directions are back.
void TestMidiConnection::inputFollowedOnItsOwn_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::newRow("input after output") << "first";
    QTest::newRow("input after output, back from an unplug") << "replug";
    QTest::newRow("input replaced, output stays") << "replaced";
}

void TestMidiConnection::inputFollowedOnItsOwn()
{
    QFETCH(QString, scenario);
    InMemoryMidiDriver driver;
    int output = driver.addOutputPort("TQR-30", {});
    int input = -1;
    if (scenario != "first")
        input = driver.addInputPort("TQR-30");
    Rig rig(&driver);
    QSignalSpy paired(&rig.connection, &MidiConnection::inputPaired);
    rig.connection.choose("TQR-30 [0]");
    QString label = "TQR-30 [0]";

    if (scenario == "replug") {
        driver.removeDevice({output, input});
        rig.connection.watch();
        output = driver.addOutputPort("TQR-30", {});
        rig.connection.refreshLists();
        QVERIFY(rig.connection.isConnected());
    } else if (scenario == "replaced") {
        QVERIFY(driver.isInputOpen(input));
        driver.removePort(input);
        rig.connection.refreshLists();
        QVERIFY(!rig.connection.input()->isOpen());
    }
    QCOMPARE(rig.connection.deviceText(), "Device: " + label + " (no MIDI input yet)");

    input = driver.addInputPort("TQR-30");
    rig.connection.refreshLists();
    QVERIFY(driver.isInputOpen(input));
    QCOMPARE(paired.size(), 1);
    QCOMPARE(rig.connection.connectedInputLabel(), QString("TQR-30 [0]"));
    QCOMPARE(rig.connection.deviceText(),
             "Device: " + label + (scenario == "replug" ? " (reconnected)" : ""));
    QVERIFY(driver.isOutputOpen(output));

    // Another tick pairs nothing twice.
    rig.connection.refreshLists();
    QCOMPARE(paired.size(), 1);
}

QTEST_GUILESS_MAIN(TestMidiConnection)
#include "tst_midi_connection.moc"
