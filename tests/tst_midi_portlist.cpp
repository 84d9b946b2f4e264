// SPDX-License-Identifier: GPL-3.0-or-later
// Port lists, labels and the pairing of a unit's output with its input.

#include "midi/AlsaSoundCard.h"
#include "midi/InMemoryMidiDriver.h"
#include "midi/MidiPortList.h"
#include "midi/AlsaMidiDriver.h"
#include "midi/JackMidiDriver.h"

#include <QtTest>

using namespace MidiPortList;

namespace {

Ports portsNamed(const QStringList &names)
{
    Ports ports;
    for (int i = 0; i < names.size(); ++i)
        ports.insert(QString::number(i), names[i]);
    return ports;
}

QMap<QString, int> inputIndex(const QStringList &labels)
{
    QMap<QString, int> index;
    for (const QString &l : labels)
        index.insert(l, 0);
    return index;
}

} // namespace

class TestMidiPortList : public QObject
{
    Q_OBJECT

private slots:
    void enumerationSkipsUnreadableInputs();
    void elevenPortsSortByIndexText();
    void wavetableGetsNoMenuEntryButKeepsItsIndex();
    void duplicateLabelsAreKeptOnce();
    void portBaseName_data();
    void portBaseName();
    void pairing_data();
    void pairing();
    void onlyNewIndexTextsOrACountChangeCount();
    void systemNamesReadAsTheUnitsName_data();
    void systemNamesReadAsTheUnitsName();
    void sequencerClientOfAPort_data();
    void sequencerClientOfAPort();
};

void TestMidiPortList::enumerationSkipsUnreadableInputs()
{
    InMemoryMidiDriver driver;
    driver.addDevice("A", {});
    const auto b = driver.addDevice("B", {});
    driver.addDevice("C", {});
    driver.setInputNameReadable(b.input, false);
    QCOMPARE(enumerateOutputs(driver), (Ports{{"0", "A"}, {"1", "B"}, {"2", "C"}}));
    // The skipped input leaves a gap; the others keep their own numbers.
    QCOMPARE(enumerateInputs(driver), (Ports{{"0", "A"}, {"2", "C"}}));
    const Table table = build(enumerateInputs(driver), false);
    QCOMPARE(table.index.value("C [2]"), 2);
}

void TestMidiPortList::elevenPortsSortByIndexText()
{
    QStringList names;
    for (int i = 0; i < 11; ++i)
        names << QString("Port %1").arg(i);
    const Table table = build(portsNamed(names), true);
    QCOMPARE(table.menuLabels.size(), 11);
    QCOMPARE(table.menuLabels.mid(0, 4),
             (QStringList{"Port 0 [0]", "Port 1 [1]", "Port 10 [10]", "Port 2 [2]"}));
    QCOMPARE(table.menuLabels.last(), QString("Port 9 [9]"));
    QCOMPARE(table.index.value("Port 10 [10]"), 10);
    QCOMPARE(table.ports.value("10"), QString("Port 10 [10]"));
}

void TestMidiPortList::wavetableGetsNoMenuEntryButKeepsItsIndex()
{
    const Table onlySynth = build(portsNamed({kWavetableSynth}), true);
    QVERIFY(onlySynth.menuLabels.isEmpty());
    QCOMPARE(onlySynth.index.value("Microsoft GS Wavetable Synth [0]", -1), 0);
    QCOMPARE(onlySynth.labels.size(), 1);

    // Only the exact name is left out.
    const Table mixed = build(portsNamed({kWavetableSynth, "TQR-30 Pro", "Microsoft GS Wavetable Synth 2"}), true);
    QCOMPARE(mixed.menuLabels, (QStringList{"TQR-30 Pro [1]", "Microsoft GS Wavetable Synth 2 [2]"}));

    // Inputs keep every port.
    const Table inputs = build(portsNamed({kWavetableSynth}), false);
    QCOMPARE(inputs.menuLabels.size(), 1);

    QVERIFY(build(Ports{}, true).menuLabels.isEmpty());
}

void TestMidiPortList::duplicateLabelsAreKeptOnce()
{
    // Two keys that read as the same number give the same label.
    const Table table = build(Ports{{"1", "X"}, {"01", "X"}, {"a", "Y"}}, true);
    QCOMPARE(table.labels, (QStringList{"X [1]", "Y [0]"}));
    QCOMPARE(table.menuLabels, (QStringList{"X [1]", "Y [0]"}));
    QCOMPARE(table.ports.size(), 3);
    // A number text that does not convert stores index 0.
    QCOMPARE(table.index.value("Y [0]"), 0);
}

void TestMidiPortList::portBaseName_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("base");
    QTest::newRow("plain") << "TQR-30 [1]" << "TQR-30";
    QTest::newRow("two digits") << "TQR-30 Pro [12]" << "TQR-30 Pro";
    QTest::newRow("last bracket counts") << "A [2] B [3]" << "A [2] B";
    QTest::newRow("not a number") << "Port [A]" << "Port [A]";
    QTest::newRow("bracket not at end") << "Port [1] x" << "Port [1] x";
    QTest::newRow("no blank before bracket") << "Port[1]" << "Port[1]";
    QTest::newRow("no bracket") << "Port" << "Port";
    QTest::newRow("empty index") << "Port []" << "Port []";
    QTest::newRow("close before open") << "Port ] [" << "Port ] [";
    QTest::newRow("empty") << "" << "";
}

void TestMidiPortList::portBaseName()
{
    QFETCH(QString, label);
    QFETCH(QString, base);
    QCOMPARE(MidiPortList::portBaseName(label), base);
}

void TestMidiPortList::pairing_data()
{
    QTest::addColumn<QString>("out");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("expected");
    QTest::newRow("same name") << "TQR-30 [2]" << QStringList{"Other [1]", "TQR-30 [0]"} << "TQR-30 [0]";
    QTest::newRow("MIDIOUT to MIDIIN") << "TQR-30 MIDIOUT2 [3]" << QStringList{"TQR-30 MIDIIN2 [1]"}
                                       << "TQR-30 MIDIIN2 [1]";
    QTest::newRow("any case of MIDIOUT") << "Unit MidiOut [0]" << QStringList{"Unit MIDIIN [4]"} << "Unit MIDIIN [4]";
    QTest::newRow("result compared case-sensitively") << "Unit midiout [0]" << QStringList{"Unit midiin [4]"}
                                                     << "";
    QTest::newRow("duplicates give none") << "TQR-30 [2]" << QStringList{"TQR-30 [0]", "TQR-30 [4]"} << "";
    QTest::newRow("original and renamed both match") << "X MIDIOUT [0]"
                                                     << QStringList{"X MIDIOUT [1]", "X MIDIIN [2]"} << "";
    QTest::newRow("prefix is not a match") << "TQR-30 [0]" << QStringList{"TQR-30 Pro [1]"} << "";
    QTest::newRow("no inputs") << "TQR-30 [0]" << QStringList{} << "";
}

void TestMidiPortList::pairing()
{
    QFETCH(QString, out);
    QFETCH(QStringList, inputs);
    QFETCH(QString, expected);
    QCOMPARE(findMatchingMidiIn(out, inputIndex(inputs)), expected);
}

void TestMidiPortList::onlyNewIndexTextsOrACountChangeCount()
{
    const Ports before = portsNamed({"TQR-30 [0]", "Synth"});
    // Another unit in the same place: names differ, numbers do not.
    QVERIFY(!changed(portsNamed({"TQR-10", "Synth"}), build(before, true).ports));
    QVERIFY(changed(portsNamed({"TQR-10"}), before));
    QVERIFY(changed(portsNamed({"A", "B", "C"}), before));
    QVERIFY(changed(Ports{{"0", "A"}, {"5", "B"}}, before));
    QVERIFY(!changed(Ports{}, Ports{}));
    QVERIFY(changed(Ports{}, before));
}

void TestMidiPortList::systemNamesReadAsTheUnitsName_data()
{
    QTest::addColumn<bool>("jack");
    QTest::addColumn<QStringList>("raw");
    QTest::addColumn<QStringList>("clients"); // every client on the JACK server
    QTest::addColumn<QStringList>("aliases"); // one per raw name, empty for none
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("ALSA: USB device, through port, other client")
        << false
        << QStringList{"TQR-30 Pro:TQR-30 Pro MIDI 1 24:0", "Midi Through:Midi Through Port-0 14:0", "Synth:Out 1 130:1"}
        << QStringList{} << QStringList{"", "", ""}
        << QStringList{"TQR-30 Pro MIDI 1", "Midi Through Port-0", "Synth:Out 1"};
    QTest::newRow("jackd: a unit's second client")
        << true << QStringList{"TQR-30 Pro-01:MIDI out", "system:midi_capture_1", "system:midi_capture_2"}
        << QStringList{"TQR-30 Pro", "TQR-30 Pro-01", "system"} << QStringList{"", "", ""}
        << QStringList{"TQR-30 Pro", "system:midi_capture_1", "system:midi_capture_2"};
    QTest::newRow("jackd: TQR-30 keeps its digits") << true << QStringList{"TQR-30:MIDI out"}
                                                     << QStringList{"TQR-30", "TQR-30-01"} << QStringList{""}
                                                     << QStringList{"TQR-30"};
    QTest::newRow("jackd: TQR-30's second client") << true << QStringList{"TQR-30-01:MIDI out"}
                                                    << QStringList{"TQR-30", "TQR-30-01"} << QStringList{""}
                                                    << QStringList{"TQR-30"};
    QTest::newRow("PipeWire: TQR-30 under its own name")
        << true << QStringList{"TQR-30:MIDI out"} << QStringList{"TQR-30", "TQR-30-38"}
        << QStringList{"TQR-30:MIDI out"} << QStringList{"TQR-30"};
    QTest::newRow("PipeWire: node id suffix") << true << QStringList{"TQR-30-38:MIDI in"}
                                              << QStringList{"TQR-30", "TQR-30-38"} << QStringList{"TQR-30:MIDI in"}
                                              << QStringList{"TQR-30"};
    QTest::newRow("PipeWire: node id past 99, first client gone")
        << true << QStringList{"TQR-30 Pro-135:MIDI out"} << QStringList{"TQR-30 Pro-135"}
        << QStringList{"TQR-30 Pro:MIDI out"} << QStringList{"TQR-30 Pro"};
    QTest::newRow("digits the server did not add stay")
        << true << QStringList{"Synth-2000:out", "Mixer-01:out"} << QStringList{"Synth-2000", "Mixer-01"}
        << QStringList{"Synth-2000:out", ""} << QStringList{"Synth-2000", "Mixer-01"};
}

void TestMidiPortList::systemNamesReadAsTheUnitsName()
{
    QFETCH(bool, jack);
    QFETCH(QStringList, raw);
    QFETCH(QStringList, clients);
    QFETCH(QStringList, aliases);
    QFETCH(QStringList, expected);
    QList<QStringList> perPort;
    for (const QString &alias : aliases)
        perPort << (alias.isEmpty() ? QStringList{} : QStringList{alias});
    QCOMPARE(jack ? JackMidiDriver::cleanNames(raw, clients, perPort) : AlsaMidiDriver::cleanNames(raw), expected);
}

// The sequencer client behind a port, which leads to the unit's USB device:
// from an ALSA id, and from what a JACK server says of a bridged port.
void TestMidiPortList::sequencerClientOfAPort_data()
{
    QTest::addColumn<bool>("jack");
    QTest::addColumn<QStringList>("names"); // ALSA: the id alone; JACK: name, then aliases
    QTest::addColumn<int>("client");        // -1 for none

    QTest::newRow("ALSA id") << false << QStringList{"TQR-30:TQR-30 MIDI 1 24:0"} << 24;
    QTest::newRow("ALSA name without address") << false << QStringList{"TQR-30:TQR-30 MIDI 1"} << -1;
    QTest::newRow("a2jmidid") << true << QStringList{"a2j:TQR-30 [28] (playback): TQR-30 MIDI 1"} << 28;
    QTest::newRow("PipeWire bridge, client in the name")
        << true << QStringList{"Midi-Bridge:TQR-30 Pro 32:(playback_0) TQR-30 Pro MIDI 1"} << 32;
    QTest::newRow("PipeWire bridge, client in an alias")
        << true << QStringList{"Midi-Bridge:TQR-30 MIDI 1", "alsa:seq:default:client_20:playback_0"} << 20;
    QTest::newRow("program's port, model digits in its name")
        << true << QStringList{"TQR-30 Pro-135:in", "TQR-30 Pro:in"} << -1;
    QTest::newRow("jackd's own sequencer port") << true << QStringList{"system:midi_playback_1"} << -1;
}

void TestMidiPortList::sequencerClientOfAPort()
{
    QFETCH(bool, jack);
    QFETCH(QStringList, names);
    QFETCH(int, client);
    const std::optional<int> found = jack ? AlsaSoundCard::clientInJackNames(names)
                                          : AlsaSoundCard::clientInAlsaId(names.value(0));
    QCOMPARE(found.value_or(-1), client);
}

QTEST_GUILESS_MAIN(TestMidiPortList)
#include "tst_midi_portlist.moc"
