// SPDX-License-Identifier: GPL-3.0-or-later
// The panel over a real MIDI graph: a JACK server (scripts/test starts one with
// the dummy driver) and a peer that looks like a unit on it.

#include "shell/MainWindow.h"
#include "midi/JackGraph.h"
#include "midi/QMidiIn.h"
#include "midi/QMidiOut.h"
#include "midi/RtMidiDriver.h"
#include "panel/TimecodeReadout.h"
#include "support/Hex.h"
#include "support/JackUnitPeer.h"
#include "support/MessageBoxRecorder.h"
#include "support/MidiMenu.h"
#include "support/MessageCollector.h"
#include "ui_MainWindow.h"

#include <rtmidi/RtMidi.h>

#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QtTest>

#include <map>

namespace {

// A unit on JACK: one client that listens, one that talks, both under the
// unit's name (JACK calls the second "TQR-30 Pro-01").
class JackPeer
{
public:
    explicit JackPeer(const std::string &name)
        : m_listen(RtMidi::UNIX_JACK, name)
        , m_talk(RtMidi::UNIX_JACK, name)
    {
        m_listen.ignoreTypes(false, false, false);
        m_listen.setCallback(&JackPeer::received, this);
        m_listen.openVirtualPort("MIDI in");
        m_talk.openVirtualPort("MIDI out");
    }

    void send(const QByteArray &bytes)
    {
        std::vector<unsigned char> message(bytes.begin(), bytes.end());
        m_talk.sendMessage(&message);
    }
    QList<QByteArray> received()
    {
        QMutexLocker lock(&m_mutex);
        return m_received;
    }

private:
    static void received(double, std::vector<unsigned char> *message, void *self)
    {
        auto *peer = static_cast<JackPeer *>(self);
        QMutexLocker lock(&peer->m_mutex);
        peer->m_received.append(QByteArray(reinterpret_cast<const char *>(message->data()), int(message->size())));
    }

    // Declared before the clients, so destroyed after them: closing the
    // listening client waits for JACK's thread to leave the callback.
    QMutex m_mutex;
    QList<QByteArray> m_received;
    RtMidiIn m_listen;
    RtMidiOut m_talk;
};

} // namespace

using PanelTest::menuEntry;

class TestJackMidi : public QObject
{
    Q_OBJECT

private slots:
    void unitOnJackConnectsTalksAndUnplugs();
    void anotherClientKeepsTheUnitAndItsTimeCode();
    void unitThatComesBackIsReconnected();
    void sendToAPortThatHasGoneFails();
    void oneClientCarriesTheInputAndEveryOutput();
    void inputOpensThePortListedEvenWhenTheNumberingMoved();
    void aPortRegisteredBetweenListingAndOpeningGetsNothing();
};

void TestJackMidi::unitOnJackConnectsTalksAndUnplugs()
{
    QUILL_REQUIRE_JACK_SERVER();
    RtMidiDriver driver;
    QCOMPARE(driver.apiName(), QString("Jack"));
    MainWindow w(Platform{&driver});
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::CloseWithOk};

    auto peer = std::make_unique<JackPeer>("TQR-30 Pro");
    QElapsedTimer seen;
    seen.start();
    // The lists are refreshed once a second; a busy machine delays a tick by
    // some hundred milliseconds, but never by a whole second.
    QTRY_VERIFY_WITH_TIMEOUT(menuEntry(w, "TQR-30 Pro [0]") != nullptr, 2500);
    QVERIFY2(seen.elapsed() <= 2000, qPrintable(QString::number(seen.elapsed())));

    menuEntry(w, "TQR-30 Pro [0]")->trigger();
    QVERIFY(w.midiOut()->isOpen());
    QVERIFY(w.midiIn()->isOpen());
    QCOMPARE(w.connectedInputLabel(), QString("TQR-30 Pro [0]"));

    const QByteArray locate = hex("f07f7f064406010100000000f7");
    const QList<QByteArray> expected{hex("f07f7f0601f7"), locate, locate, hex("f07f7f1101f7")};
    QTRY_COMPARE_WITH_TIMEOUT(peer->received().size(), 4, 2000);
    QCOMPARE(peer->received(), expected);

    MessageCollector got;
    connect(w.midiIn(), &QMidiIn::midiMessageReceived, &got, &MessageCollector::collect);
    peer->send(hex("f000215e01010604f7"));
    peer->send(hex("c005"));
    peer->send(hex("903c40"));
    QTRY_COMPARE_WITH_TIMEOUT(got.messages.size(), 3, 2000);
    QCOMPARE(got.messages, (QList<QByteArray>{hex("f000215e01010604f7"), hex("c00500"), hex("903c40")}));
    QVERIFY(got.allOnOwnThread);

    peer.reset();
    QElapsedTimer gone;
    gone.start();
    QTRY_VERIFY_WITH_TIMEOUT(!w.midiOut()->isOpen(), 2500);
    QVERIFY2(gone.elapsed() <= 2000, qPrintable(QString::number(gone.elapsed())));
    QVERIFY(!w.midiIn()->isOpen());
    QCOMPARE(w.form()->name_label->text(), QString("Device:"));
    QTRY_COMPARE_WITH_TIMEOUT(w.form()->menuMIDI_Out->actions().first()->text(), QString("none"), 1500);
    QTest::qWait(100);
    QVERIFY(boxes.boxes.isEmpty());
}

void TestJackMidi::anotherClientKeepsTheUnitAndItsTimeCode()
{
    QUILL_REQUIRE_JACK_SERVER();
    RtMidiDriver driver;
    MainWindow w(Platform{&driver});
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::CloseWithOk};
    JackUnitPeer unit("TQR-30 Pro");
    QTRY_VERIFY_WITH_TIMEOUT(menuEntry(w, "TQR-30 Pro [0]") != nullptr, 2000);
    menuEntry(w, "TQR-30 Pro [0]")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(w.productText(), QString("TQR-30 Pro"), 2000);
    unit.setPlaying(true);
    QTRY_VERIFY_WITH_TIMEOUT(w.readout()->label().frames > 0 || w.readout()->label().seconds > 0, 2000);

    // Another program with MIDI ports joins the graph, before or after the unit.
    JackPeer other("Another Program");
    QTRY_COMPARE_WITH_TIMEOUT(w.form()->menuMIDI_Out->actions().size(), 2, 2500);
    QTest::qWait(1200); // both one-second watches have run
    QVERIFY(w.midiOut()->isOpen());
    QVERIFY(w.midiIn()->isOpen());
    QVERIFY(w.form()->name_label->text().startsWith("Device: TQR-30 Pro ["));
    QVERIFY(menuEntry(w, w.connectedOutputLabel())->isChecked());
    const int before = w.readout()->label().seconds * 25 + w.readout()->label().frames;
    QTRY_VERIFY_WITH_TIMEOUT(w.readout()->label().seconds * 25 + w.readout()->label().frames > before + 5, 2000);
    QVERIFY(other.received().isEmpty());
    QVERIFY(boxes.boxes.isEmpty());
}

void TestJackMidi::unitThatComesBackIsReconnected()
{
    QUILL_REQUIRE_JACK_SERVER();
    RtMidiDriver driver;
    MainWindow w(Platform{&driver});
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::CloseWithOk};
    auto unit = std::make_unique<JackUnitPeer>("TQR-30 Pro");
    QTRY_VERIFY_WITH_TIMEOUT(menuEntry(w, "TQR-30 Pro [0]") != nullptr, 2000);
    menuEntry(w, "TQR-30 Pro [0]")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(w.productText(), QString("TQR-30 Pro"), 2000);

    unit.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!w.midiOut()->isOpen(), 1500);
    QCOMPARE(w.productText(), QString());

    unit = std::make_unique<JackUnitPeer>("TQR-30 Pro");
    QElapsedTimer back;
    back.start();
    QTRY_VERIFY_WITH_TIMEOUT(w.midiOut()->isOpen(), 2500);
    QVERIFY2(back.elapsed() <= 2000, qPrintable(QString::number(back.elapsed())));
    QCOMPARE(w.form()->name_label->text(), QString("Device: TQR-30 Pro [0] (reconnected)"));
    const QByteArray locate = hex("f07f7f064406010100000000f7");
    QTRY_COMPARE_WITH_TIMEOUT(unit->log().size(), 4, 2000);
    QCOMPARE(unit->log(), (QList<QByteArray>{hex("f07f7f0601f7"), locate, locate, hex("f07f7f1101f7")}));
    QTRY_COMPARE_WITH_TIMEOUT(w.productText(), QString("TQR-30 Pro"), 2000);
    QVERIFY(w.midiIn()->isOpen());

    // Restarted between two ticks, under the very same JACK port names: the
    // port ids tell, and the new one gets the whole connect sequence too.
    unit.reset();
    unit = std::make_unique<JackUnitPeer>("TQR-30 Pro");
    QTRY_COMPARE_WITH_TIMEOUT(unit->log().size(), 4, 2500);
    QCOMPARE(unit->log(), (QList<QByteArray>{hex("f07f7f0601f7"), locate, locate, hex("f07f7f1101f7")}));
    QTRY_COMPARE_WITH_TIMEOUT(w.productText(), QString("TQR-30 Pro"), 2000);
    QVERIFY(boxes.boxes.isEmpty());
}

void TestJackMidi::sendToAPortThatHasGoneFails()
{
    QUILL_REQUIRE_JACK_SERVER();
    RtMidiDriver driver;
    auto unit = std::make_unique<JackPeer>("TQR-30");
    QTRY_VERIFY_WITH_TIMEOUT(driver.outputCount() == 1, 2000);
    QMidiOut out(&driver);
    QVERIFY(out.openDevice(driver.outputId(0)));
    QVERIFY(out.sendLongMessage(hex("f07f7f0601f7")));
    unit.reset();
    QTRY_VERIFY_WITH_TIMEOUT(driver.outputCount() == 0, 2000);
    QVERIFY(!out.sendLongMessage(hex("f07f7f0601f7")));
}

// JACK wakes each activated client on every cycle: the panel's ports, both
// directions and every open output, belong to one client.
void TestJackMidi::oneClientCarriesTheInputAndEveryOutput()
{
    QUILL_REQUIRE_JACK_SERVER();
    RtMidiDriver driver;
    JackPeer unit("TQR-30 Pro");
    QTRY_VERIFY_WITH_TIMEOUT(driver.outputCount() == 1 && driver.inputCount() == 1, 2000);
    QMidiOut out(&driver);
    QMidiOut second(&driver);
    QMidiIn in(&driver);
    QVERIFY(out.openDevice(driver.outputId(0)));
    QVERIFY(second.openDevice(driver.outputId(0)));
    QVERIFY(in.openDevice(driver.inputId(0)));

    JackGraph graph;
    QSet<QString> clients;
    int sending = 0;
    int receiving = 0;
    for (bool outputs : {true, false}) {
        for (const QString &port : graph.midiPorts(outputs)) {
            if (!port.startsWith("Quill Tool"))
                continue;
            clients << port.section(':', 0, 0);
            ++(outputs ? sending : receiving);
        }
    }
    QCOMPARE(clients.size(), 1);
    QCOMPARE(sending, 2);
    QCOMPARE(receiving, 1);
    // Neither direction of the panel's own client is offered as a unit.
    QCOMPARE(driver.outputCount(), 1);
    QCOMPARE(driver.inputCount(), 1);

    // Larger than one cycle's port buffer: refused whole, and the port still works.
    QByteArray huge(100000, '\x01');
    huge.front() = '\xf0';
    huge.back() = '\xf7';
    QVERIFY(!out.sendLongMessage(huge));
    QVERIFY(out.sendLongMessage(hex("f07f7f0601f7")));
    QVERIFY(second.sendLongMessage(hex("f07f7f0602f7")));
    QTRY_COMPARE_WITH_TIMEOUT(unit.received(), (QList<QByteArray>{hex("f07f7f0601f7"), hex("f07f7f0602f7")}), 2000);
    second.closeDevice();
    QVERIFY(out.sendLongMessage(hex("f07f7f0603f7")));
    QTRY_COMPARE_WITH_TIMEOUT(unit.received().size(), 3, 2000);

    MessageCollector got;
    connect(&in, &QMidiIn::midiMessageReceived, &got, &MessageCollector::collect);
    QTest::qWait(50); // JACK makes the connection at its next cycle
    for (const char *message : {"f123", "fe", "f8", "f07f7f0602f7"})
        unit.send(hex(message));
    QTRY_COMPARE_WITH_TIMEOUT(got.messages.size(), 3, 2000);
    QTest::qWait(50);
    QCOMPARE(got.messages, (QList<QByteArray>{hex("f12300"), hex("f80000"), hex("f07f7f0602f7")}));
}

// JACK numbers ports by the slots they hold, and a port that comes or goes
// moves the others between a listing and the opening: the input must still
// be connected to the port that was listed under that number.
void TestJackMidi::inputOpensThePortListedEvenWhenTheNumberingMoved()
{
    QUILL_REQUIRE_JACK_SERVER();
    RtMidiDriver driver;
    std::map<QString, std::unique_ptr<JackPeer>> units;
    for (const char *name : {"Unit A", "Unit B", "Unit C"})
        units[name] = std::make_unique<JackPeer>(name);
    QTRY_COMPARE_WITH_TIMEOUT(driver.inputCount(), 3, 2000);
    const QString first = *driver.inputName(0);
    const QString second = *driver.inputName(1);
    const QString third = *driver.inputName(2);
    const QString listedSecond = driver.inputId(1);
    units.erase(first); // the second is now numbered 0, the third 1

    QMidiIn in(&driver);
    QVERIFY(in.openDevice(listedSecond));
    MessageCollector got;
    connect(&in, &QMidiIn::midiMessageReceived, &got, &MessageCollector::collect);
    QTest::qWait(50); // JACK makes the connection at its next cycle
    units.at(third)->send(hex("903c40"));
    units.at(second)->send(hex("803c00"));
    QTRY_VERIFY_WITH_TIMEOUT(!got.messages.isEmpty(), 2000);
    QTest::qWait(50);
    QCOMPARE(got.messages, QList<QByteArray>{hex("803c00")});
}

// JACK hands a freed port slot to the next port that registers, so a port
// that comes between the listing and the opening takes the number the unit
// had; and a unit restarted meanwhile has the same port names. Neither may
// get what the panel meant for the unit it listed.
void TestJackMidi::aPortRegisteredBetweenListingAndOpeningGetsNothing()
{
    QUILL_REQUIRE_JACK_SERVER();
    RtMidiDriver driver;
    auto gone = std::make_unique<JackPeer>("Gone Program");
    auto unit = std::make_unique<JackPeer>("TQR-30");
    QTRY_COMPARE_WITH_TIMEOUT(driver.outputCount(), 2, 2000);
    gone.reset();
    QTRY_COMPARE_WITH_TIMEOUT(driver.outputCount(), 1, 2000);
    QCOMPARE(driver.outputName(0), QString("TQR-30"));
    QCOMPARE(driver.inputCount(), 1);
    const QString unitOutput = driver.outputId(0);
    const QString unitInput = driver.inputId(0);
    JackPeer synth("Synth");

    QMidiOut out(&driver);
    QMidiIn in(&driver);
    MessageCollector got;
    connect(&in, &QMidiIn::midiMessageReceived, &got, &MessageCollector::collect);
    QVERIFY(out.openDevice(unitOutput));
    QVERIFY(in.openDevice(unitInput));
    QVERIFY(out.sendLongMessage(hex("f07f7f0601f7")));
    QTRY_COMPARE_WITH_TIMEOUT(unit->received(), QList<QByteArray>{hex("f07f7f0601f7")}, 2000);
    QTest::qWait(50); // JACK makes the input's connection at its next cycle
    synth.send(hex("903c40"));
    unit->send(hex("803c00"));
    QTRY_VERIFY_WITH_TIMEOUT(!got.messages.isEmpty(), 2000);
    QTest::qWait(50);
    QCOMPARE(got.messages, QList<QByteArray>{hex("803c00")});
    QVERIFY(synth.received().isEmpty());

    // Restarted under the same names after the listing: the ids no longer open.
    out.closeDevice();
    in.closeDevice();
    QTRY_COMPARE_WITH_TIMEOUT(driver.outputCount(), 2, 2000);
    const int at = driver.outputName(0) == "TQR-30" ? 0 : 1;
    const QString listedOutput = driver.outputId(at);
    const QString listedInput = driver.inputId(driver.inputName(0) == "TQR-30" ? 0 : 1);
    unit.reset();
    unit = std::make_unique<JackPeer>("TQR-30");
    QVERIFY(!out.openDevice(listedOutput));
    QVERIFY(!in.openDevice(listedInput));
    QVERIFY(!out.sendLongMessage(hex("f07f7f0601f7")));
    QTest::qWait(100);
    QVERIFY(unit->received().isEmpty());
}

QTEST_MAIN(TestJackMidi)
#include "tst_jack_midi.moc"
