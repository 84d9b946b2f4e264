// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI transport below the main window: the in-memory MIDI system, the
// composite of several systems, and the input and output port objects on top.

#include "midi/CompositeMidiDriver.h"
#include "midi/InMemoryMidiDriver.h"
#include "midi/QMidiIn.h"
#include "midi/QMidiOut.h"
#include "support/Hex.h"
#include "support/MessageCollector.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QSemaphore>
#include <QMutexLocker>
#include <QtTest>

#include <array>
#include <atomic>
#include <initializer_list>
#include <thread>

namespace {

// Records what a panel-side output port hands to the device, from any thread.
struct Recorder
{
    QMutex mutex;
    QList<QByteArray> received;

    InMemoryMidiDriver::Receiver receiver()
    {
        return [this](const QByteArray &message) {
            QMutexLocker lock(&mutex);
            received.append(message);
        };
    }
    QList<QByteArray> take()
    {
        QMutexLocker lock(&mutex);
        return std::exchange(received, {});
    }
};

// A sink that records on the driver's thread, to see the driver's raw pieces.
struct RawSink : MidiInputSink
{
    QMutex mutex;
    QList<QByteArray> shorts;
    QList<QByteArray> longs;
    void shortMessage(quint8 s, quint8 d1, quint8 d2) override
    {
        QMutexLocker lock(&mutex);
        const char b[3] = {char(s), char(d1), char(d2)};
        shorts.append(QByteArray(b, 3));
    }
    void longMessage(const QByteArray &data) override
    {
        QMutexLocker lock(&mutex);
        longs.append(data);
    }
};

// Counts the listings asked of it.
struct CountingDriver : InMemoryMidiDriver
{
    int listings = 0;
    int outputCount() override
    {
        ++listings;
        return InMemoryMidiDriver::outputCount();
    }
    int inputCount() override
    {
        ++listings;
        return InMemoryMidiDriver::inputCount();
    }
};

// The panel's input port on one device, collecting what reaches the GUI thread.
struct InputRig
{
    InputRig() { QObject::connect(&in, &QMidiIn::midiMessageReceived, &got, &MessageCollector::collect); }

    // Short-message words, as a driver that packs SysEx into them delivers it.
    void sendWords(std::initializer_list<std::array<quint8, 3>> words)
    {
        for (const auto &w : words)
            driver.sendShort(dev.input, w[0], w[1], w[2]);
        driver.flush();
    }

    InMemoryMidiDriver driver;
    const InMemoryMidiDriver::Device dev = driver.addDevice("Unit", {});
    QMidiIn in{&driver};
    MessageCollector got;
};

QByteArray sysExOfLength(int length)
{
    QByteArray m(length, '\0');
    m[0] = char(0xF0);
    for (int i = 1; i < length - 1; ++i)
        m[i] = char(i % 0x80);
    m[length - 1] = char(0xF7);
    return m;
}

} // namespace

class TestMidiTransport : public QObject
{
    Q_OBJECT

private slots:
    void driverNumbersPortsInOrderAndRenumbersOnRemoval();
    void driverReportsUnreadableAndUnopenablePorts();
    void driverSplitsWhatTheDeviceSends();
    void driverStopsAnUnpluggedPort();
    void driverClosingAnInputWaitsForARunningCallback();
    void compositeShowsDriversOneAfterAnother();

    void inputPadsShortMessagesToThreeBytes();
    void inputGathersSysExFromShortWords();
    void inputDeliversLongSysExInPieces();
    void inputDeliversQueuedToItsOwnThreadInOrder();
    void inputDiscardsAfterClosingAndReopeningClosesFirst();

    void outputSendsBytesUnchangedAndOnlyWhileOpen();
    void outputOpeningAnotherPortClosesTheFirst();
    void outputReportsASendToAGonePortAsFailed();
    void outputStuckInASendIsBoundedAndSendsNothingLater();
};

void TestMidiTransport::driverNumbersPortsInOrderAndRenumbersOnRemoval()
{
    InMemoryMidiDriver driver;
    const auto a = driver.addDevice("A", {});
    const auto b = driver.addDevice("B", {});
    const int c = driver.addOutputPort("C", {});
    QCOMPARE(driver.outputCount(), 3);
    QCOMPARE(driver.inputCount(), 2);
    QCOMPARE(driver.outputName(0), QString("A"));
    QCOMPARE(driver.outputName(2), QString("C"));
    QCOMPARE(driver.inputName(1), std::optional<QString>("B"));

    driver.removeDevice(a);
    QCOMPARE(driver.outputCount(), 2);
    QCOMPARE(driver.outputName(0), QString("B"));
    QCOMPARE(driver.outputName(1), QString("C"));
    QCOMPARE(driver.inputName(0), std::optional<QString>("B"));

    driver.renamePort(c, "C2");
    driver.renamePort(b.input, "B-in");
    QCOMPARE(driver.outputName(1), QString("C2"));
    QCOMPARE(driver.outputName(0), QString("B"));
    QCOMPARE(driver.inputName(0), std::optional<QString>("B-in"));

    // Out of range asks give nothing rather than crash.
    QCOMPARE(driver.outputName(7), QString());
    QCOMPARE(driver.inputName(-1), std::nullopt);
    QVERIFY(!driver.openOutput("99"));
    QVERIFY(!driver.openOutput(QString()));
    RawSink sink;
    QVERIFY(!driver.openInput("not a port", &sink));
}

void TestMidiTransport::driverReportsUnreadableAndUnopenablePorts()
{
    InMemoryMidiDriver driver;
    const auto dev = driver.addDevice("Unit", {});
    driver.setInputNameReadable(dev.input, false);
    QCOMPARE(driver.inputCount(), 1);
    QCOMPARE(driver.inputName(0), std::nullopt);

    driver.setOutputOpenable(dev.output, false);
    QVERIFY(!driver.openOutput(driver.outputId(0)));
    QVERIFY(!driver.isOutputOpen(dev.output));
    driver.setOutputOpenable(dev.output, true);
    auto port = driver.openOutput(driver.outputId(0));
    QVERIFY(port);
    QVERIFY(driver.isOutputOpen(dev.output));
    port.reset();
    QVERIFY(!driver.isOutputOpen(dev.output));
}

void TestMidiTransport::driverSplitsWhatTheDeviceSends()
{
    InMemoryMidiDriver driver;
    const auto dev = driver.addDevice("Unit", {});
    RawSink sink;
    auto port = driver.openInput(driver.inputId(0), &sink);
    QVERIFY(port);
    QVERIFY(driver.isInputOpen(dev.input));

    // Short messages split by status byte, with running status and real-time bytes.
    driver.send(dev.input, hex("903c40" "3e41" "f8" "f105" "c007"));
    const QByteArray sysEx = sysExOfLength(1100);
    driver.send(dev.input, sysEx);
    driver.flush();

    QMutexLocker lock(&sink.mutex);
    QCOMPARE(sink.shorts,
             (QList<QByteArray>{hex("903c40"), hex("903e41"), hex("f80000"), hex("f10500"), hex("c00700")}));
    QCOMPARE(sink.longs.size(), 3);
    QCOMPARE(sink.longs[0].size(), 512);
    QCOMPARE(sink.longs[1].size(), 512);
    QCOMPARE(sink.longs[2].size(), 76);
    QCOMPARE(sink.longs[0] + sink.longs[1] + sink.longs[2], sysEx);
}

void TestMidiTransport::driverStopsAnUnpluggedPort()
{
    InMemoryMidiDriver driver;
    Recorder unit;
    const auto dev = driver.addDevice("Unit", unit.receiver());
    auto out = driver.openOutput(driver.outputId(0));
    RawSink sink;
    auto in = driver.openInput(driver.inputId(0), &sink);
    QVERIFY(out && in);
    QVERIFY(out->sendLong(hex("f07f7f0601f7")));
    QCOMPARE(unit.take(), QList<QByteArray>{hex("f07f7f0601f7")});

    driver.removeDevice(dev);
    QVERIFY(!out->sendLong(hex("f07f7f0602f7")));
    QVERIFY(unit.take().isEmpty());
    driver.send(dev.input, hex("f8"));
    driver.flush();
    QMutexLocker lock(&sink.mutex);
    QVERIFY(sink.shorts.isEmpty());
}

void TestMidiTransport::driverClosingAnInputWaitsForARunningCallback()
{
    // A sink that is slow inside its callback: closing the port must not
    // return while the callback still runs, or the sink would be used after
    // its owner destroyed it.
    struct SlowSink : MidiInputSink
    {
        std::atomic<bool> inside{false};
        std::atomic<bool> finished{false};
        void shortMessage(quint8, quint8, quint8) override
        {
            inside = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            finished = true;
        }
        void longMessage(const QByteArray &) override {}
    };
    InMemoryMidiDriver driver;
    const auto dev = driver.addDevice("Unit", {});
    SlowSink sink;
    auto in = driver.openInput(driver.inputId(0), &sink);
    driver.sendShort(dev.input, 0xF8);
    QTRY_VERIFY_WITH_TIMEOUT(sink.inside.load(), 2000);
    in.reset();
    QVERIFY(sink.finished.load());
    QVERIFY(!driver.isInputOpen(dev.input));
}

void TestMidiTransport::compositeShowsDriversOneAfterAnother()
{
    CountingDriver first;
    CountingDriver second;
    Recorder emulated;
    first.addDevice("Real 0", {});
    first.addOutputPort("Real 1", {});
    const auto unit = second.addDevice("TQR-30 Pro", emulated.receiver());
    CompositeMidiDriver composite({&first, &second});

    QCOMPARE(composite.outputCount(), 3);
    QCOMPARE(composite.inputCount(), 2);
    QCOMPARE(composite.outputName(2), QString("TQR-30 Pro"));
    QCOMPARE(composite.inputName(1), std::optional<QString>("TQR-30 Pro"));
    QCOMPARE(composite.outputName(3), QString());

    auto out = composite.openOutput(composite.outputId(2));
    QVERIFY(out);
    QVERIFY(second.isOutputOpen(unit.output));
    out->sendLong(hex("f07f7f1101f7"));
    QCOMPARE(emulated.take(), QList<QByteArray>{hex("f07f7f1101f7")});

    // A port added to the first driver moves the second driver's numbers up
    // at the next listing; an id stays the port's.
    const QString unitInput = composite.inputId(1);
    first.addOutputPort("Real 2", {});
    first.addInputPort("Real 2");
    QCOMPARE(composite.outputCount(), 4);
    QCOMPARE(composite.outputName(3), QString("TQR-30 Pro"));
    RawSink sink;
    auto in = composite.openInput(unitInput, &sink);
    QVERIFY(in);
    QVERIFY(second.isInputOpen(unit.input));

    // A refresh reads every name and id of both directions; each member
    // lists each direction once.
    first.listings = second.listings = 0;
    for (int i = 0, count = composite.outputCount(); i < count; ++i)
        QVERIFY(!composite.outputName(i).isEmpty() && !composite.outputId(i).isEmpty());
    for (int i = 0, count = composite.inputCount(); i < count; ++i)
        QVERIFY(composite.inputName(i) && !composite.inputId(i).isEmpty());
    QCOMPARE(first.listings, 2);
    QCOMPARE(second.listings, 2);
}

void TestMidiTransport::inputPadsShortMessagesToThreeBytes()
{
    InputRig rig;
    QVERIFY(rig.in.openDevice(rig.driver.inputId(0)));
    QVERIFY(rig.in.isOpen());

    rig.driver.send(rig.dev.input, hex("903c7f"));
    rig.driver.send(rig.dev.input, hex("f123"));
    rig.driver.send(rig.dev.input, hex("f8"));
    rig.driver.send(rig.dev.input, hex("c005"));
    QTRY_COMPARE(rig.got.messages.size(), 4);
    QCOMPARE(rig.got.messages,
             (QList<QByteArray>{hex("903c7f"), hex("f12300"), hex("f80000"), hex("c00500")}));
}

void TestMidiTransport::inputGathersSysExFromShortWords()
{
    InputRig rig;
    QVERIFY(rig.in.openDevice(rig.driver.inputId(0)));

    // F0 00 21 5E 01 01 06 04 F7 in packed words; the last word is F7 00 00.
    rig.sendWords({{0xF0, 0x00, 0x21}, {0x5E, 0x01, 0x01}, {0x06, 0x04, 0xF7}});
    QTRY_COMPARE(rig.got.messages.size(), 1);
    QCOMPARE(rig.got.messages[0], hex("f000215e01010604f7"));

    // The padding after an F7 stays and opens the next message: F7 00 00,
    // then 7F 06 F7 gives 00 00 7F 06 F7.
    rig.sendWords({{0xF0, 0x7F, 0xF7}, {0xF0, 0x01, 0xF7}});
    QTRY_COMPARE(rig.got.messages.size(), 3);
    QCOMPARE(rig.got.messages[1], hex("f07ff7"));
    QCOMPARE(rig.got.messages[2], hex("f001f7"));

    rig.sendWords({{0xF0, 0x7F, 0x7F}, {0xF7, 0x00, 0x00}, {0x7F, 0x06, 0xF7}});
    QTRY_COMPARE(rig.got.messages.size(), 5);
    QCOMPARE(rig.got.messages[3], hex("f07f7ff7"));
    QCOMPARE(rig.got.messages[4], hex("00007f06f7"));

    // After that, plain short messages are three bytes again.
    rig.driver.sendShort(rig.dev.input, 0xF8);
    QTRY_COMPARE(rig.got.messages.size(), 6);
    QCOMPARE(rig.got.messages[5], hex("f80000"));
}

void TestMidiTransport::inputDeliversLongSysExInPieces()
{
    InputRig rig;
    QVERIFY(rig.in.openDevice(rig.driver.inputId(0)));

    const QByteArray small = hex("f07f7f0601f7");
    const QByteArray big = sysExOfLength(600);
    rig.driver.send(rig.dev.input, small);
    rig.driver.send(rig.dev.input, big);
    rig.driver.send(rig.dev.input, sysExOfLength(512));
    QTRY_COMPARE(rig.got.messages.size(), 4);
    QCOMPARE(rig.got.messages[0], small);
    QCOMPARE(rig.got.messages[1], big.left(512));
    QCOMPARE(rig.got.messages[2], big.mid(512));
    QCOMPARE(rig.got.messages[3], sysExOfLength(512));
}

void TestMidiTransport::inputDeliversQueuedToItsOwnThreadInOrder()
{
    InputRig rig;
    QVERIFY(rig.in.openDevice(rig.driver.inputId(0)));

    for (int i = 0; i < 200; ++i)
        rig.driver.sendShort(rig.dev.input, 0xF1, quint8(i & 0x7F));
    QTRY_COMPARE(rig.got.messages.size(), 200);
    for (int i = 0; i < 200; ++i)
        QCOMPARE(quint8(rig.got.messages[i].at(1)), quint8(i & 0x7F));
    QVERIFY(rig.got.allOnOwnThread);
}

void TestMidiTransport::inputDiscardsAfterClosingAndReopeningClosesFirst()
{
    InMemoryMidiDriver driver;
    const auto a = driver.addDevice("A", {});
    const auto b = driver.addDevice("B", {});
    QMidiIn in(&driver);
    MessageCollector got;
    connect(&in, &QMidiIn::midiMessageReceived, &got, &MessageCollector::collect);

    QVERIFY(in.openDevice(driver.inputId(0)));
    // A SysEx half gathered when the port closes must not leak into the next port.
    driver.sendShort(a.input, 0xF0, 0x7F, 0x7F);
    driver.flush();
    in.closeDevice();
    QVERIFY(!in.isOpen());
    QVERIFY(!driver.isInputOpen(a.input));
    driver.send(a.input, hex("f8"));
    driver.flush();

    QVERIFY(in.openDevice(driver.inputId(0)));
    QVERIFY(in.openDevice(driver.inputId(1)));
    QVERIFY(!driver.isInputOpen(a.input));
    QVERIFY(driver.isInputOpen(b.input));
    driver.send(a.input, hex("fa"));
    driver.sendShort(b.input, 0x7F, 0x06, 0xF7);
    driver.send(b.input, hex("fc"));
    driver.flush();
    QTRY_COMPARE(got.messages.size(), 2);
    QTest::qWait(20);
    QCOMPARE(got.messages, (QList<QByteArray>{hex("7f06f7"), hex("fc0000")}));

    // A failed open leaves the port closed.
    QVERIFY(!in.openDevice("99"));
    QVERIFY(!in.isOpen());
    QVERIFY(!driver.isInputOpen(b.input));
}

void TestMidiTransport::outputSendsBytesUnchangedAndOnlyWhileOpen()
{
    InMemoryMidiDriver driver;
    Recorder unit;
    driver.addDevice("Unit", unit.receiver());
    QMidiOut out(&driver);
    out.sendLongMessage(hex("f07f7f0601f7"));
    QVERIFY(unit.take().isEmpty());

    QVERIFY(out.openDevice(driver.outputId(0)));
    QVERIFY(out.isOpen());
    // Sent as built, even without its F7.
    out.sendLongMessage(hex("f07f7f0644"));
    out.sendLongMessage(sysExOfLength(700));
    QCOMPARE(unit.take(), (QList<QByteArray>{hex("f07f7f0644"), sysExOfLength(700)}));
    out.closeDevice();
    QVERIFY(!out.isOpen());
    out.sendLongMessage(hex("f07f7f0601f7"));
    QVERIFY(unit.take().isEmpty());
}

void TestMidiTransport::outputOpeningAnotherPortClosesTheFirst()
{
    InMemoryMidiDriver driver;
    const auto a = driver.addDevice("A", {});
    const auto b = driver.addDevice("B", {});
    QMidiOut out(&driver);
    QVERIFY(out.openDevice(driver.outputId(0)));
    QVERIFY(out.openDevice(driver.outputId(1)));
    QVERIFY(!driver.isOutputOpen(a.output));
    QVERIFY(driver.isOutputOpen(b.output));

    driver.setOutputOpenable(a.output, false);
    QVERIFY(!out.openDevice(driver.outputId(0)));
    QVERIFY(!out.isOpen());
    QVERIFY(!driver.isOutputOpen(a.output));
    QVERIFY(!driver.isOutputOpen(b.output));
}

void TestMidiTransport::outputReportsASendToAGonePortAsFailed()
{
    InMemoryMidiDriver driver;
    Recorder unit;
    const auto ports = driver.addDevice("Unit", unit.receiver());
    QMidiOut out(&driver);
    QVERIFY(out.openDevice(driver.outputId(0)));
    QVERIFY(out.sendLongMessage(hex("f07f7f0601f7")));
    driver.removeDevice(ports);
    QVERIFY(!out.sendLongMessage(hex("f07f7f0601f7")));
    QVERIFY(out.isOpen()); // the unplug watch closes it, not a failed send
}

void TestMidiTransport::outputStuckInASendIsBoundedAndSendsNothingLater()
{
    InMemoryMidiDriver driver;
    Recorder unit;
    QSemaphore release;
    driver.addDevice("Unit", [&](const QByteArray &message) {
        if (message == hex("f07f7f0602f7"))
            release.acquire(); // a MIDI system that does not return
        QMutexLocker lock(&unit.mutex);
        unit.received.append(message);
    });
    auto out = std::make_unique<QMidiOut>(&driver);
    QVERIFY(out->openDevice(driver.outputId(0)));

    QElapsedTimer clock;
    clock.start();
    QVERIFY(!out->sendLongMessage(hex("f07f7f0602f7")));
    QVERIFY(clock.elapsed() >= QMidiOut::kSendTimeoutMs - 50);
    // While the driver is still stuck, further messages fail at once.
    clock.restart();
    QVERIFY(!out->sendLongMessage(hex("f07f7f0601f7")));
    QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
    clock.restart();
    out->closeDevice();
    QVERIFY2(clock.elapsed() < QMidiOut::kSendTimeoutMs + 500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!out->isOpen());

    // The driver comes back: what was refused is never delivered after all.
    release.release();
    QTest::qWait(100);
    QCOMPARE(unit.take(), QList<QByteArray>{hex("f07f7f0602f7")});
    out.reset();
}

QTEST_GUILESS_MAIN(TestMidiTransport)
#include "tst_midi_transport.moc"
