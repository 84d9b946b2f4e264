// SPDX-License-Identifier: GPL-3.0-or-later
// Figures of the running panel, each measured in this run. The window is built
// as main() builds it (the system MIDI driver, here on the private JACK server
// that scripts/bench starts, the system USB-description source and serial
// port catalogue) for start-up, memory, CPU and the quarter-frame latency;
// rows measured over in-memory parts say so in their names: the Stop after End
// and the 64 KiB firmware image at the fast pace against its pacing floor.

#include "shell/MainWindow.h"
#include "emulator/EmulatedUnit.h"
#include "emulator/RtMidiUnitLink.h"
#include "midi/QMidiIn.h"
#include "midi/RtMidiDriver.h"
#include "panel/TimecodeReadout.h"
#include "protocol/MachineControl.h"
#include "protocol/MidiTimecodeIn.h"
#include "protocol/SysEx.h"
#include "midi/InMemoryMidiDriver.h"
#include "serial/EmulatedPortRegistry.h"
#include "serial/FirmwareTransfer.h"
#include "support/InMemorySerialPortCatalogue.h"
#include "support/InMemoryUsbDescriptionSource.h"
#include "serial/SerialPort.h"
#include "serial/SerialPortCatalogue.h"
#include "serial/SerialProtocol.h"
#include "serial/UsbDescriptionSource.h"
#include "support/EndStopMeasure.h"
#include "support/JackEmulatedUnit.h"
#include "support/PanelRig.h"
#include "support/ResidentMemory.h"
#include "support/UnitPeer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace PanelTest;

namespace {

constexpr int kFps = 30;
// Each latency window holds this many frames shown or more, so that its 99th
// percentile is not its second-worst: 40 s at 30 fps.
constexpr size_t kLatencyFrames = 1000;
constexpr int kLatencyWindowMs = 40000;
// Start-up is measured over this many launches of the bench's own program.
constexpr int kStartupLaunches = 7;

double residentMb()
{
    return residentBytes() / 1048576.0;
}

// One of the "Rss..." lines of /proc/self/status, in MB.
double residentPartMb(const QByteArray &field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong() / 1024.0;
    return -1;
}

// RUSAGE_SELF: the whole process; RUSAGE_THREAD: the calling thread.
double cpuSeconds(int who = RUSAGE_SELF)
{
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The threads of this process, by kernel thread id.
std::set<pid_t> threadsNow()
{
    std::set<pid_t> ids;
    for (const QString &entry : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        ids.insert(pid_t(entry.toInt()));
    return ids;
}

// CPU time of threads of this process, by the kernel's per-thread CPU clock
// (what pthread_getcpuclockid() gives for a pthread).
double cpuSecondsOf(const std::set<pid_t> &threads)
{
    double seconds = 0;
    for (pid_t id : threads) {
        const clockid_t clock = clockid_t((~unsigned(id) << 3) | 6);
        timespec t{};
        if (clock_gettime(clock, &t) == 0)
            seconds += t.tv_sec + t.tv_nsec / 1e9;
    }
    return seconds;
}

// Runs the event loop for `ms`. QTest::qWait would wake every 10 ms and
// show up in the CPU figures.
void runEventLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(p / 100.0 * double(values.size())));
    return values[at];
}

// A figure taken many times: its median and how far it spread. The spread
// printed beside each median is from the 10th to the 90th percentile, or the
// whole range for fewer than ten figures.
struct Spread
{
    double median = 0, low = 0, high = 0;
    size_t count = 0;
};
Spread spreadOf(const std::vector<double> &values)
{
    const bool few = values.size() < 10;
    return {percentile(values, 50), few ? percentile(values, 0) : percentile(values, 10),
            few ? percentile(values, 100) : percentile(values, 90), values.size()};
}
// "1.23 (1.10-1.40)" with the given decimals.
QString withSpread(const Spread &s, int decimals)
{
    return QString("%1 (%2-%3)")
        .arg(s.median, 0, 'f', decimals)
        .arg(s.low, 0, 'f', decimals)
        .arg(s.high, 0, 'f', decimals);
}

struct CpuShare
{
    Spread guiThread; // the panel: every widget, timer and handler runs here
    Spread process;   // also the MIDI threads; without `excluded`
    QString text() const
    {
        return withSpread(guiThread, 2) + " % (process " + withSpread(process, 2) + " %)";
    }
};

// CPU in percent of one core, over `slices` slices of `sliceMs` of event loop
// on the GUI thread each, so that a slice the machine took for itself shows
// as spread and not as the figure. The threads `excluded` (an emulated unit
// and a probe that a real program would not hold) are left out of the
// process figure.
CpuShare cpuPercentOver(int slices, int sliceMs, const std::set<pid_t> &excluded = {})
{
    std::vector<double> gui, process;
    for (int i = 0; i < slices; ++i) {
        const double processBefore = cpuSeconds(RUSAGE_SELF);
        const double threadBefore = cpuSeconds(RUSAGE_THREAD);
        const double excludedBefore = cpuSecondsOf(excluded);
        QElapsedTimer clock;
        clock.start();
        runEventLoop(sliceMs);
        const double seconds = clock.elapsed() / 1000.0;
        const double excludedSeconds = cpuSecondsOf(excluded) - excludedBefore;
        gui.push_back(100.0 * (cpuSeconds(RUSAGE_THREAD) - threadBefore) / seconds);
        process.push_back(100.0 * (cpuSeconds(RUSAGE_SELF) - processBefore - excludedSeconds) / seconds);
    }
    return {spreadOf(gui), spreadOf(process)};
}

// The window and the platform parts that main() gives it.
struct ProgramAsMainBuildsIt
{
    RtMidiDriver systemMidi;
    EmulatedPortRegistry emulatedPorts;
    std::unique_ptr<UsbDescriptionSource> usbDescriptions = createSystemUsbDescriptionSource(&emulatedPorts);
    std::unique_ptr<SerialPortCatalogue> serialPorts = createSystemSerialPortCatalogue(&emulatedPorts);
    MainWindow window{Platform{&systemMidi, usbDescriptions.get(), serialPorts.get()}};
};

using SteadyClock = std::chrono::steady_clock;

double msBetween(SteadyClock::time_point from, SteadyClock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A unit's generator on its own thread: follows Play, Stop and Locate and
// streams quarter frames at 30 fps, one every quarter of a frame, so that a
// label is complete with its eighth piece, 1.75 frames after its frame began.
// Records when the piece that puts it on `endFrame` (piece k of the label of
// frame L stands for L + k/4) was sent and when a Stop arrived after it.
struct StreamingUnit
{
    PanelRig &rig;
    std::thread thread;
    std::atomic<bool> quit{false}, running{false};
    std::atomic<int> position{0};
    std::atomic<int> endFrame{-1};
    std::mutex mutex;
    SteadyClock::time_point endReached{}, stopArrived{};
    bool endSeen = false, stopSeen = false;

    explicit StreamingUnit(PanelRig &r) : rig(r) {}
    ~StreamingUnit()
    {
        quit = true;
        if (thread.joinable())
            thread.join();
    }
    void onMessage(const QByteArray &m)
    {
        if (m == hex("f07f7f0602f7")) {
            running = true;
        } else if (m == hex("f07f7f0601f7")) {
            std::lock_guard<std::mutex> lock(mutex);
            if (running && endSeen && !stopSeen) {
                stopSeen = true;
                stopArrived = SteadyClock::now();
            }
            running = false;
        } else if (m.size() == 13 && m.startsWith(hex("f07f7f06440601"))) {
            position = (((quint8(m[7]) & 0x1F) * 60 + quint8(m[8])) * 60 + quint8(m[9])) * kFps + quint8(m[10]);
        }
    }
    // Frames from the unit reaching End to the Stop arriving; negative while
    // not measured.
    double framesFromEndToStop()
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!endSeen || !stopSeen)
            return -1;
        return msBetween(endReached, stopArrived) * kFps / 1000.0;
    }
    void start()
    {
        thread = std::thread([this] {
            auto next = SteadyClock::now();
            const auto quarter = std::chrono::microseconds(1000000 / (4 * kFps));
            while (!quit) {
                if (!running) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    next = SteadyClock::now();
                    continue;
                }
                // One label: eight pieces over two frames.
                int frame = position;
                const int f = frame % kFps, s = frame / kFps % 60, mi = frame / kFps / 60 % 60, h = frame / kFps / 3600;
                const QList<QByteArray> pieces = quarterFrames(h, mi, s, f, 3);
                for (int piece = 0; piece < pieces.size() && !quit; ++piece) {
                    next += quarter;
                    std::this_thread::sleep_until(next);
                    if (!running)
                        break;
                    {
                        // Before the send: the panel's Stop can come back before it returns.
                        std::lock_guard<std::mutex> lock(mutex);
                        if (!endSeen && endFrame >= 0 && 4 * frame + piece >= 4 * endFrame) {
                            endSeen = true;
                            endReached = SteadyClock::now();
                        }
                    }
                    rig.driver.send(rig.ports.input, pieces[piece]);
                }
                if (running) // unless a Locate moved it meanwhile
                    position.compare_exchange_strong(frame, frame + 2);
            }
        });
    }
};

struct Row
{
    QString figure, value, target;
    bool met;
};
QList<Row> rows;

void row(const QString &figure, const QString &value, const QString &target, bool met)
{
    rows.append({figure, value, target, met});
}

// The Stop after End, over the in-memory MIDI driver: a unit thread streams
// the quarter frames and notes when the End label was complete.
void measurePanel()
{
    PanelRig rig;
    rig.boxes.stopWatching();
    StreamingUnit unit(rig);
    rig.driver.removeDevice(rig.ports);
    rig.ports = rig.driver.addDevice(rig.name, [&rig, &unit](const QByteArray &m) {
        unit.onMessage(m);
        QMutexLocker lock(&rig.mutex);
        rig.received.append(m);
    });
    rig.window->update_list();
    rig.connectUnit();
    rig.window->show();
    if (!QTest::qWaitForWindowExposed(rig.window.get()))
        std::fprintf(stderr, "window not exposed\n");
    unit.start();
    runEventLoop(500);

    constexpr int kEndSeconds = 4;
    unit.endFrame = kEndSeconds * kFps;
    rig.ui()->radioButton_10->click();
    rig.ui()->lineEdit->setText("00 : 00 : 00 : 00");
    rig.ui()->lineEdit_2->setText(QString::asprintf("00 : 00 : %02d : 00", kEndSeconds));
    rig.ui()->pushButton->click();

    QElapsedTimer waited;
    waited.start();
    while (unit.framesFromEndToStop() < 0 && waited.elapsed() < (kEndSeconds + 10) * 1000)
        runEventLoop(5);
    const double after = unit.framesFromEndToStop();
    row("frames from End at the unit to Stop (in-memory MIDI)",
        after < 0 ? QString("no Stop") : QString::asprintf("%.2f", after), "<= 1 frame", after >= 0 && after <= 1.0);
}

bool isQuarterFrame(const unsigned char *bytes, size_t size)
{
    return size >= 2 && bytes[0] == SysEx::kQuarterFrame;
}

// A bare RtMidi callback on a JACK client of its own, reading the first
// output port whose name starts with a prefix; `onLabel` gets each label it
// completes from quarter frames, on RtMidi's thread.
class LabelProbe
{
public:
    LabelProbe(const char *clientName, const QString &portPrefix, std::function<void(const QString &)> onLabel)
        : m_in(RtMidi::UNIX_JACK, clientName)
    {
        QObject::connect(&m_labels, &MidiTimecodeIn::timecodeReceived, &m_labels, std::move(onLabel),
                         Qt::DirectConnection);
        m_in.ignoreTypes(false, false, true);
        for (unsigned int i = 0; i < m_in.getPortCount(); ++i) {
            if (QString::fromStdString(m_in.getPortName(i)).startsWith(portPrefix)) {
                m_in.setCallback(&LabelProbe::received, this);
                m_in.openPort(i, "in");
                break;
            }
        }
    }

private:
    static void received(double, std::vector<unsigned char> *message, void *self)
    {
        if (isQuarterFrame(message->data(), message->size()))
            static_cast<LabelProbe *>(self)->m_labels.takeQuarterFrame(message->at(1));
    }

    MidiTimecodeIn m_labels;
    RtMidiIn m_in;
};

// The program as users run it, with the emulated unit on JACK on a thread of
// its own (as the stand-alone emulator runs): CPU while idle and while the
// panel's generator runs at 30 fps, visible and hidden, and the time each
// quarter frame takes to reach the readout, at the window's first size and at
// 1920 x 1080. The panel decodes quarter frames on its MIDI input's thread
// and wakes the window for each label, so each label is timed by the quarter
// frame that completes it: as the unit writes it, as bare RtMidi callbacks on
// JACK clients of the bench's own get it, and once the panel has put the
// label on the readout. Each side decodes the labels itself; the text that
// goes on the readout tells which copy belongs to which original.
// JACK runs the clients that read one port one after another, in the order
// they were made, and a client run second starts later than one run first.
// So what the panel adds is measured in the same place as what it is set
// against: a first bare client times every label, and a second bare client
// (while it is open) and then the panel (once it is closed) are timed from
// the first, each the second reader of the unit's port.
void measureProgramOnJack()
{
    const QString latencyTarget = "panel adds <= 0.1 / 0.5 ms";
    if (qgetenv("QUILL_MIDI_API").trimmed().toLower() != "jack") {
        for (const char *figure : {"CPU, idle with a unit connected", "CPU, generator running at 30 fps",
                                   "CPU, generator running, window hidden", "frame on JACK to readout"})
            row(figure, "not measured: no JACK (scripts/bench)", "measured", false);
        return;
    }
    using Stamps = std::unordered_map<std::string, SteadyClock::time_point>;
    std::mutex mutex;
    Stamps written, firstBare, secondBare, panel;
    auto stamp = [&mutex](Stamps &into, const QString &label) {
        const auto now = SteadyClock::now();
        std::lock_guard<std::mutex> lock(mutex);
        into.emplace(label.toStdString(), now);
    };
    // One decoder per side, used on that side's thread alone.
    MidiTimecodeIn unitLabels;
    QObject::connect(&unitLabels, &MidiTimecodeIn::timecodeReceived, &unitLabels,
                     [&](const QString &label) { stamp(written, label); }, Qt::DirectConnection);

    // Every thread started from here until the panel is built is the bench's:
    // the unit's, its JACK clients' and the probes'.
    const std::set<pid_t> before = threadsNow();
    QThread unitThread;
    auto *unit = new EmulatedUnit(UnitMessages::Model::Tqr30Pro);
    // Connected before the link's own connection, so it runs just before the write.
    QObject::connect(unit, &EmulatedUnit::midiOut, unit, [&](const QByteArray &m) {
        if (isQuarterFrame(reinterpret_cast<const unsigned char *>(m.constData()), size_t(m.size())))
            unitLabels.takeQuarterFrame(quint8(m[1]));
    }, Qt::DirectConnection);
    auto *link = new RtMidiUnitLink(unit, RtMidiUnitLink::Api::Jack);
    link->setParent(unit);
    unit->moveToThread(&unitThread);
    QObject::connect(&unitThread, &QThread::finished, unit, &QObject::deleteLater);
    unitThread.start();
    QMetaObject::invokeMethod(unit, &EmulatedUnit::powerOn, Qt::BlockingQueuedConnection);
    if (!link->isOpen()) {
        row("frame on JACK to readout", "not measured: " + link->errorText(), "measured", false);
        unitThread.quit();
        unitThread.wait();
        return;
    }

    // Made before the panel's client, the first runs first and the second
    // second while it is open.
    LabelProbe first("Quill Bench First", unit->portName(), [&](const QString &label) { stamp(firstBare, label); });
    auto second = std::make_unique<LabelProbe>("Quill Bench Second", unit->portName(),
                                               [&](const QString &label) { stamp(secondBare, label); });

    std::set<pid_t> benchThreads;
    for (pid_t id : threadsNow())
        if (!before.count(id))
            benchThreads.insert(id);

    ProgramAsMainBuildsIt program;
    MainWindow &window = program.window;
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::CloseWithOk};
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "window not exposed\n");
    const QString entry = unit->portName() + " [0]";
    QElapsedTimer waited;
    waited.start();
    auto listed = [&window, &entry] {
        for (QAction *a : window.form()->menuMIDI_Out->actions())
            if (a->text() == entry)
                return true;
        return false;
    };
    while (!listed() && waited.elapsed() < 5000)
        runEventLoop(50);
    window.connectMidiDevice(entry);
    // Not the window: every event posted to it passes its menu bar's filter,
    // which would count the bench's stamping as the panel's work.
    QObject stamping;
    // Connected after the panel's own receiver of the labels, so it runs once
    // the label is on the readout.
    QObject::connect(window.midiIn()->quarterFrameDecoder(), &MidiTimecodeIn::timecodeReceived, &stamping,
                     [&](const QString &label) { stamp(panel, label); });
    boxes.stopWatching();
    runEventLoop(1000);

    const CpuShare idle = cpuPercentOver(10, 1000, benchThreads);
    row("CPU, idle with a unit connected", idle.text(), "<= 0.5 %", idle.guiThread.median <= 0.5);

    // The panel's generator drives the unit, which streams time code back.
    window.form()->radioButton_10->click();
    window.form()->lineEdit->setText("00 : 00 : 00 : 00");
    window.form()->lineEdit_2->setText("00 : 30 : 00 : 00");
    window.form()->pushButton->click();
    runEventLoop(500);

    // Labels written in the first 50 ms or the last 100 ms of a window (one
    // may still be on its way) are not counted; every other one that did not
    // reach the panel, or the bare callback, is lost.
    SteadyClock::time_point windowFrom;
    auto startLatencyWindow = [&] { windowFrom = SteadyClock::now(); };
    // Each label of the window that reached every one of `sides`, with its
    // time on each. A lost one is named on stderr with the side it missed.
    using Side = std::pair<const char *, const Stamps *>;
    // A label that never reached the first side, a bare client, was lost to
    // the machine (a JACK cycle that overran) and is counted apart from one
    // that reached it but not the side measured.
    auto labelsOfWindow = [&](std::initializer_list<Side> sides, size_t &lost, size_t &lostToMachine) {
        const auto windowTo = SteadyClock::now() - std::chrono::milliseconds(100);
        const auto countedFrom = windowFrom + std::chrono::milliseconds(50);
        std::vector<std::pair<SteadyClock::time_point, std::vector<SteadyClock::time_point>>> labels;
        std::lock_guard<std::mutex> lock(mutex);
        for (const auto &[label, at] : written) {
            if (at < countedFrom || at > windowTo)
                continue;
            std::vector<SteadyClock::time_point> times;
            for (const auto &[name, side] : sides) {
                const auto found = side->find(label);
                if (found == side->end()) {
                    std::fprintf(stderr, "label %s, written %.0f ms into its window, did not reach %s\n",
                                 label.c_str(), msBetween(windowFrom, at), name);
                    break;
                }
                times.push_back(found->second);
            }
            if (times.size() == sides.size())
                labels.emplace_back(at, std::move(times));
            else if (times.empty())
                ++lostToMachine;
            else
                ++lost;
        }
        return labels;
    };

    // A window of the second bare client, whose median lag behind the first
    // is the zero; closing it leaves the panel's client second.
    startLatencyWindow();
    runEventLoop(kLatencyWindowMs);
    std::vector<double> bareMs, bareAfterFirstMs;
    size_t bareLost = 0, bareLostToMachine = 0;
    const auto bareLabels = labelsOfWindow(
        {{"the first bare client", &firstBare}, {"the second bare client", &secondBare}}, bareLost,
        bareLostToMachine);
    for (const auto &[at, times] : bareLabels) {
        bareMs.push_back(msBetween(at, times[0]));
        bareAfterFirstMs.push_back(msBetween(times[0], times[1]));
    }
    const double bareZero = percentile(bareAfterFirstMs, 50);
    // JACK reorders its graph as the client goes.
    second.reset();
    runEventLoop(1000);

    // The time of the readout's first showing frame `label` (the frame
    // after, when it never showed that one).
    auto shownAt = [&](const std::string &label, SteadyClock::time_point *at) {
        const auto found = panel.find(label);
        if (found != panel.end()) {
            *at = found->second;
            return true;
        }
        FrameArithmetic::Label l;
        if (!FrameArithmetic::labelFromParts(MachineControl::readTimeField(QString::fromStdString(label).replace(':', " : ")), l))
            return false;
        const FrameArithmetic::Label next = FrameArithmetic::advanceWithinDay(l, 1, FrameRate::Fps30);
        const auto after = panel.find(QString::asprintf("%02d:%02d:%02d:%02d", next.hours, next.minutes, next.seconds,
                                                        next.frames).toStdString());
        if (after == panel.end())
            return false;
        *at = after->second;
        return true;
    };

    auto latencyRows = [&](const QString &where) {
        std::vector<double> panelMs, addedMs, trails;
        size_t lost = 0, lostToMachine = 0;
        const auto labels =
            labelsOfWindow({{"the first bare client", &firstBare}, {"the readout", &panel}}, lost, lostToMachine);
        for (const auto &[at, times] : labels) {
            panelMs.push_back(msBetween(at, times[1]));
            addedMs.push_back(msBetween(times[0], times[1]) - bareZero);
        }
        {
            // The unit writes the piece that shows frame F a quarter frame
            // before it reaches F.
            std::lock_guard<std::mutex> lock(mutex);
            const auto windowTo = SteadyClock::now() - std::chrono::milliseconds(100);
            for (const auto &[label, at] : written) {
                SteadyClock::time_point shown;
                if (at >= windowFrom + std::chrono::milliseconds(50) && at <= windowTo && shownAt(label, &shown))
                    trails.push_back(msBetween(at, shown) * kFps / 1000.0 - 0.25);
            }
        }
        const Spread total = spreadOf(panelMs), added = spreadOf(addedMs), trail = spreadOf(trails);
        const bool measured = panelMs.size() >= kLatencyFrames && bareAfterFirstMs.size() >= kLatencyFrames
            && !window.readout()->digits().isEmpty();
        row("frame on JACK to readout, " + where,
            measured ? QString::asprintf("%.2f (%.2f-%.2f) / %.2f ms", total.median, total.low, total.high,
                                         percentile(panelMs, 99))
                     : QString("too few frames (%1, bare %2)").arg(panelMs.size()).arg(bareAfterFirstMs.size()),
            "", measured);
        row(QString("  added by the panel (%1 frames, %2 lost, %3 to JACK)").arg(addedMs.size()).arg(lost).arg(lostToMachine),
            QString::asprintf("%.3f (%.3f-%.3f) / %.3f ms", added.median, added.low, added.high,
                              percentile(addedMs, 99)),
            latencyTarget, measured && lost == 0 && added.median <= 0.1 && percentile(addedMs, 99) <= 0.5);
        row(QString("  readout trails the unit (%1 frames)").arg(trails.size()),
            withSpread(trail, 2) + " frame", "<= 0.25 frame", trails.size() >= kLatencyFrames && trail.median <= 0.25);
    };

    startLatencyWindow();
    const CpuShare running = cpuPercentOver(kLatencyWindowMs / 5000, 5000, benchThreads);
    row("CPU, generator running at 30 fps", running.text(), "<= 1 % (process 2 %)",
        running.guiThread.median <= 1.0 && running.process.median <= 2.0);
    latencyRows(QString("%1 x %2 (median (p10-p90) / p99)").arg(window.width()).arg(window.height()));
    const Spread bare = spreadOf(bareMs), afterFirst = spreadOf(bareAfterFirstMs);
    row(QString("  bare RtMidi callback (%1 frames, %2 lost, %3 to JACK)").arg(bareMs.size()).arg(bareLost).arg(bareLostToMachine),
        QString::asprintf("%.2f (%.2f-%.2f) / %.2f ms", bare.median, bare.low, bare.high, percentile(bareMs, 99)),
        "", true);
    row("    second reader after the first",
        QString::asprintf("%.3f (%.3f-%.3f) / %.3f ms", afterFirst.median, afterFirst.low, afterFirst.high,
                          percentile(bareAfterFirstMs, 99)),
        "", true);

    window.resize(1920, 1080);
    runEventLoop(500);
    startLatencyWindow();
    const CpuShare large = cpuPercentOver(kLatencyWindowMs / 5000, 5000, benchThreads);
    latencyRows(QString("%1 x %2").arg(window.width()).arg(window.height()));
    row("  CPU meanwhile", large.text(), "<= 1 % (process 2 %)",
        large.guiThread.median <= 1.0 && large.process.median <= 2.0);

    window.hide();
    runEventLoop(500);
    const CpuShare hidden = cpuPercentOver(10, 1000, benchThreads);
    row("CPU, generator running, window hidden", hidden.text(), "process <= 2 %", hidden.process.median <= 2.0);

    window.form()->pushButton_3->click(); // Stop
    runEventLoop(200);
    unitThread.quit();
    unitThread.wait();
}

// The Stop that ends a run, measured where it counts: the emulated unit on
// JACK, on a thread of its own, notes by its own clock where it stood when
// the panel's Stop reached it. Labels come every second frame from Start, so
// an even End falls on a label and an odd one between two; the drop-frame
// runs cross a minute that has no labels ;00 and ;01.
void measureStopAtUnit()
{
    const QString target = "0 to 0.5 frame past End";
    const QString figure = "Stop at the unit, frames past End (median / worst)";
    if (qgetenv("QUILL_MIDI_API").trimmed().toLower() != "jack") {
        row(figure, "not measured: no JACK (scripts/bench)", target, false);
        return;
    }
    JackEmulatedUnit unit;
    if (!unit.isOpen()) {
        row(figure, "not measured: " + unit.errorText(), target, false);
        return;
    }
    RtMidiDriver driver(QStringLiteral("Quill Bench Stop"));
    MainWindow window(Platform{&driver});
    MessageBoxRecorder boxes{MessageBoxRecorder::Watch::CloseWithOk};
    window.show();
    QString why;
    if (!EndStopMeasure::connectPanel(window, unit, &why)) {
        row(figure, "not measured: " + why, target, false);
        return;
    }
    row(figure, "", "", true);

    struct Rate
    {
        const char *name;
        QString text;
        FrameRate rate;
        QString start, evenEnd, oddEnd;
    };
    const Rate rates[] = {
        {"24 fps", "24", FrameRate::Fps24, "01 : 00 : 00 : 00", "01 : 00 : 00 : 20", "01 : 00 : 00 : 21"},
        {"25 fps", "25", FrameRate::Fps25, "01 : 00 : 00 : 00", "01 : 00 : 00 : 20", "01 : 00 : 00 : 21"},
        {"30 fps", "30", FrameRate::Fps30, "01 : 00 : 00 : 00", "01 : 00 : 00 : 20", "01 : 00 : 00 : 21"},
        {"30 drop", "30Drop", FrameRate::Fps30Drop, "00 : 00 : 59 : 10", "00 : 01 : 00 : 04", "00 : 01 : 00 : 05"},
    };
    constexpr int kRuns = 7;
    for (const Rate &rate : rates) {
        for (const bool even : {true, false}) {
            const EndStopMeasure::Case run{rate.text, rate.rate, rate.start, even ? rate.evenEnd : rate.oddEnd};
            std::vector<double> past;
            for (int i = 0; i < kRuns; ++i) {
                const double frames = EndStopMeasure::framesPastEnd(window, unit, run);
                if (!std::isnan(frames))
                    past.push_back(frames);
            }
            const QString name = QString("  %1, %2 End (%3 runs)").arg(rate.name, even ? "even" : "odd").arg(kRuns);
            if (past.empty()) {
                row(name, "no Stop reached the unit", target, false);
                continue;
            }
            const auto [earliest, latest] = std::minmax_element(past.begin(), past.end());
            const double worst = *earliest < 0 ? *earliest : *latest;
            const int missing = kRuns - int(past.size());
            QString value = QString::asprintf("%.2f / %.2f frame", percentile(past, 50), worst);
            if (missing > 0)
                value += QString(", %1 without a Stop").arg(missing);
            row(name, value, target, missing == 0 && *earliest >= 0 && *latest <= 0.5);
        }
    }
}

struct FirmwareRun
{
    bool whole = false;
    double seconds = 0;
    int imageBytes = 0;
    int heldBytes = 0;
    int chunksAheadOfAck = 0;
};

// One 64 KiB transfer through the main window to a pseudo-terminal unit that
// acknowledges each chunk after ackDelayMs (UnitPeer::kVaryingDelay: a few
// milliseconds, varying, now and then past the pacing interval).
FirmwareRun transferImage(int ackDelayMs)
{
    InMemoryMidiDriver midi;
    InMemoryUsbDescriptionSource usb;
    InMemorySerialPortCatalogue ports;
    UnitPeer unit;
    unit.ackDelayMs = ackDelayMs;
    SerialPortEntry p;
    p.portName = unit.portName();
    p.hasVendorId = p.hasProductId = true;
    p.vendorId = 0x1209;
    p.productId = 0x5131;
    usb.addDevice(0x1209, 0x5131, "TQR-30B Boot");
    ports.addPort(p);
    midi.addDevice("TQR-30 Pro", [](const QByteArray &) {});
    Platform platform{&midi, &usb, &ports};
    MainWindow window(platform);
    FirmwareTransfer *transfer = window.firmwareTransfer();
    QString failure;
    window.serialLink()->tryOpenPort(unit.portName(), 115200, &failure);
    transfer->setModelFamily(2);
    const QByteArray image(64 * 1024, char(0x5A));
    // The window tells the end of an upgrade in a modal box; its time is not
    // the transfer's, which is read as the transfer ends.
    MessageBoxRecorder boxes {MessageBoxRecorder::Watch::CloseWithOk};
    bool done = false;
    FirmwareRun run;
    QElapsedTimer clock;
    const auto end = [&] {
        done = true;
        run.seconds = clock.elapsed() / 1000.0;
    };
    QObject::connect(transfer, &FirmwareTransfer::finished, end);
    QObject::connect(transfer, &FirmwareTransfer::failed, [&end](const QString &) { end(); });
    transfer->loadImage(image);
    transfer->writeErase();
    clock.start(); // the unit answers the erase at once; the chunks follow
    while (!done && clock.elapsed() < 30000)
        runEventLoop(5);
    if (!done)
        run.seconds = clock.elapsed() / 1000.0;
    QElapsedTimer arriving; // the last chunks may still be in the pseudo-terminal
    arriving.start();
    while (unit.image.size() < image.size() && arriving.elapsed() < 2000)
        runEventLoop(5);
    run.whole = unit.image == image;
    run.imageBytes = image.size();
    run.heldBytes = unit.image.size();
    run.chunksAheadOfAck = unit.chunksAheadOfAck;
    return run;
}

// The pace is measured against a unit that acknowledges at once, so the figure
// is the sender's own; whether it waits for each acknowledgement is measured
// against a unit that is late, which a sender that does not wait gets ahead of.
void measureFirmware()
{
    const FirmwareRun fast = transferImage(0);
    const double floor = 1024 * 0.010;
    const QString figure = "64 KiB image at the fast pace (unit acks at once)";
    if (fast.whole)
        row(figure, QString::asprintf("%.2f s (%.3f x floor %.2f s)", fast.seconds, fast.seconds / floor, floor),
            "<= 1.02 x floor", fast.seconds <= 1.02 * floor);
    else
        row(figure, QString("not measured: the unit holds %1 of %2 bytes").arg(fast.heldBytes).arg(fast.imageBytes),
            "<= 1.02 x floor", false);

    const FirmwareRun late = transferImage(UnitPeer::kVaryingDelay);
    row("chunks sent ahead of their ack (late-acking unit)",
        late.whole ? QString::number(late.chunksAheadOfAck) : QString("not measured"), "0",
        late.whole && late.chunksAheadOfAck == 0);
}

// One launch's start-up, in this process: the window as main() builds it,
// from main() to its first paint, and the memory held 2.5 s later. Printed
// for the launching bench to read.
void startupOnce(const QElapsedTimer &sinceStart)
{
    // Start-up: the window as main() builds it, until its first paint.
    qint64 startupMs = -1;
    double startupRss = 0, startupAnon = 0, startupShared = 0;
    {
        ProgramAsMainBuildsIt program;
        MainWindow &window = program.window;
        struct PaintWatch : QObject
        {
            qint64 *ms;
            const QElapsedTimer *clock;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Paint && *ms < 0)
                    *ms = clock->elapsed();
                return false;
            }
        } watch;
        watch.ms = &startupMs;
        watch.clock = &sinceStart;
        window.installEventFilter(&watch);
        window.show();
        QElapsedTimer waited;
        waited.start();
        while (startupMs < 0 && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        window.grab(); // the offscreen platform paints only when asked
        if (startupMs < 0)
            startupMs = sinceStart.elapsed();
        // What the first port and serial refreshes add, as a user's program has after a few seconds.
        runEventLoop(2500);
        startupRss = residentMb();
        startupAnon = residentPartMb("RssAnon");
        startupShared = residentPartMb("RssShmem");
        window.removeEventFilter(&watch);
    }
    std::printf("startup %lld %.3f %.3f %.3f\n", startupMs, startupRss, startupAnon, startupShared);
}

// Start-up over several launches of this program, each a fresh process, so
// that one slow launch (the machine busy elsewhere) shows as spread.
void measureStartup()
{
    std::vector<double> ms, rss, anon, shared, own;
    for (int i = 0; i < kStartupLaunches; ++i) {
        QProcess launch;
        launch.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        launch.start(QCoreApplication::applicationFilePath(), {QStringLiteral("startup-once")});
        if (!launch.waitForFinished(30000))
            continue;
        const QList<QByteArray> f = launch.readAllStandardOutput().trimmed().split(' ');
        if (f.size() != 5 || f[0] != "startup" || f[1].toLongLong() < 0)
            continue;
        ms.push_back(f[1].toDouble());
        rss.push_back(f[2].toDouble());
        anon.push_back(f[3].toDouble());
        shared.push_back(f[4].toDouble());
        own.push_back(rss.back() - shared.back());
    }
    if (ms.empty()) {
        row("start to first painted window", "not measured: no launch finished", "<= 100 ms", false);
        return;
    }
    const Spread startup = spreadOf(ms);
    row(QString("start to first painted window (%1 launches)").arg(ms.size()), withSpread(startup, 0) + " ms",
        "<= 100 ms", startup.median <= 100);
    // Every JACK client maps the server's graph and libjack locks it into
    // memory (where the memory-lock limit allows, as for root or the audio
    // group): about 100 MB that the server and every other client share. The
    // target is for what the panel holds of its own.
    const Spread held = spreadOf(own);
    row("resident memory after start",
        QString::asprintf("%.1f MB (own %.1f (%.1f-%.1f), heap %.1f; shared %.1f)", percentile(rss, 50), held.median,
                          held.low, held.high, percentile(anon, 50), percentile(shared, 50)),
        "own <= 50 MB", held.median <= 50);
}

} // namespace

// The unit's serial port vanishes under an open link, as an unplugged unit's
// does: its far end closes. Whatever Qt reports then, the panel must let go
// of the port, not spin on it.
void measureSerialVanish()
{
    InMemoryMidiDriver midi;
    InMemoryUsbDescriptionSource usb;
    InMemorySerialPortCatalogue ports;
    UnitPeer unit;
    usb.addDevice(kUnitVendor, kUnitNormalProduct, "TQR-30 Pro Larkspur");
    ports.addPort(unitPortEntry(unit, kUnitNormalProduct));
    midi.addDevice("TQR-30 Pro", [](const QByteArray &) {});
    MainWindow window(Platform{&midi, &usb, &ports});
    window.connectMidiDevice("TQR-30 Pro [0]");
    QElapsedTimer clock;
    clock.start();
    while (unit.countCommand(SerialProtocol::QueryVersion) == 0 && clock.elapsed() < 3000)
        runEventLoop(5);
    const QString figure = "CPU in the 3 s after the unit's serial port vanished";
    if (!window.serialLink()->isOpen()) {
        row(figure, "not measured: the serial link did not open", "<= 1 %", false);
        return;
    }
    runEventLoop(200);
    unit.pty().closeMaster();
    ports.clear();
    const CpuShare cpu = cpuPercentOver(6, 500);
    row(figure, withSpread(cpu.process, 2) + " % (GUI thread " + withSpread(cpu.guiThread, 2) + " %)", "<= 1 %",
        cpu.process.median <= 1.0);
}

// quill-ctl as scripts run it, against a stand-alone tqr-emulator on JACK:
// `quill-ctl status` from process start to its exit, beside a bare client's
// identification round trip with the same unit in the same run; and the CPU
// of `quill-ctl watch` while the unit's time code streams at 30 fps.
// Seconds another process has run on any CPU, from its threads' schedstat:
// all its threads, or its main thread alone.
double processCpuSeconds(qint64 pid, bool mainThreadOnly = false)
{
    double seconds = 0;
    const QString tasks = QString("/proc/%1/task").arg(pid);
    for (const QString &task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (mainThreadOnly && task.toLongLong() != pid)
            continue;
        QFile stat(tasks + '/' + task + "/schedstat");
        if (stat.open(QIODevice::ReadOnly))
            seconds += stat.readAll().split(' ').value(0).toLongLong() / 1e9;
    }
    return seconds;
}

// A bare JACK client's identification request and the unit's reply, timed
// from the send to the reply's callback.
std::vector<double> bareIdentificationMs(const QString &portPrefix, int times)
{
    RtMidiOut out(RtMidi::UNIX_JACK, "Quill Bench Ask");
    RtMidiIn in(RtMidi::UNIX_JACK, "Quill Bench Answer");
    in.ignoreTypes(false, false, true);
    struct Waiting
    {
        std::mutex mutex;
        SteadyClock::time_point answered;
        bool got = false;
    } waiting;
    in.setCallback(
        [](double, std::vector<unsigned char> *message, void *data) {
            auto *w = static_cast<Waiting *>(data);
            // The device-type reply: F0 00 21 5E ...
            if (message->size() >= 4 && (*message)[0] == SysEx::kStart && (*message)[1] == 0x00) {
                std::lock_guard<std::mutex> lock(w->mutex);
                w->answered = SteadyClock::now();
                w->got = true;
            }
        },
        &waiting);
    for (unsigned int i = 0; i < in.getPortCount(); ++i)
        if (QString::fromStdString(in.getPortName(i)).startsWith(portPrefix)) {
            in.openPort(i, "in");
            break;
        }
    for (unsigned int i = 0; i < out.getPortCount(); ++i)
        if (QString::fromStdString(out.getPortName(i)).startsWith(portPrefix)) {
            out.openPort(i, "out");
            break;
        }
    std::vector<double> ms;
    if (!in.isPortOpen() || !out.isPortOpen())
        return ms;
    runEventLoop(200);
    const std::vector<unsigned char> request{0xF0, 0x7F, 0x7F, 0x11, 0x01, 0xF7};
    for (int i = 0; i < times; ++i) {
        {
            std::lock_guard<std::mutex> lock(waiting.mutex);
            waiting.got = false;
        }
        const auto sent = SteadyClock::now();
        out.sendMessage(&request);
        QElapsedTimer limit;
        limit.start();
        while (limit.elapsed() < 2000) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            std::lock_guard<std::mutex> lock(waiting.mutex);
            if (waiting.got) {
                ms.push_back(std::chrono::duration<double, std::milli>(waiting.answered - sent).count());
                break;
            }
        }
        runEventLoop(100);
    }
    return ms;
}

void measureCtl()
{
    if (qgetenv("QUILL_MIDI_API").trimmed().toLower() != "jack") {
        for (const char *figure : {"quill-ctl status, process start to exit", "CPU of quill-ctl watch at 30 fps"})
            row(figure, "not measured: no JACK (scripts/bench)", "measured", false);
        return;
    }
    // The emulator's serial port is announced in a registry of the run's own.
    QTemporaryDir registry;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILL_SERIAL_REGISTRY", registry.path());
    env.insert("QUILL_MIDI_API", "jack");
    auto ctl = [&env](const QStringList &arguments, QElapsedTimer *clock = nullptr) {
        QProcess process;
        process.setProcessEnvironment(env);
        if (clock)
            clock->start();
        process.start(QUILL_CTL_BINARY, arguments);
        process.waitForFinished(30000);
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    };
    QProcess emulator;
    emulator.setProcessEnvironment(env);
    emulator.start(TQR_EMULATOR_BINARY, {"--midi-api", "jack"});
    QElapsedTimer waited;
    waited.start();
    while (ctl({"status"}) != 0 && waited.elapsed() < 15000)
        runEventLoop(200);

    std::vector<double> statusMs;
    for (int i = 0; i < kStartupLaunches; ++i) {
        QElapsedTimer clock;
        if (ctl({"status"}, &clock) == 0)
            statusMs.push_back(clock.elapsed());
    }
    const std::vector<double> bareMs = bareIdentificationMs("TQR-30 Pro", kStartupLaunches);
    if (statusMs.empty()) {
        row("quill-ctl status, process start to exit", "not measured: no answer", "<= 1000 ms", false);
    } else {
        const Spread status = spreadOf(statusMs);
        row(QString("quill-ctl status, process start to exit (%1 runs)").arg(statusMs.size()),
            withSpread(status, 0) + " ms", "<= 1000 ms", status.median <= 1000);
    }
    row(QString("  bare identification round trip (%1 runs)").arg(bareMs.size()),
        bareMs.empty() ? QString("not measured") : withSpread(spreadOf(bareMs), 2) + " ms", "", true);

    ctl({"locate", "--rate", "30", "00:00:00:00"});
    ctl({"play"});
    QProcess watch;
    watch.setProcessEnvironment(env);
    watch.setStandardOutputFile(QProcess::nullDevice());
    watch.start(QUILL_CTL_BINARY, {"watch", "--seconds", "14"});
    watch.waitForStarted();
    runEventLoop(3000);
    // Its main thread, where every line is made and written, as the panel's
    // rows judge its GUI thread; the process also holds the JACK client's
    // thread, which JACK wakes every period whatever arrives.
    std::vector<double> mainThread, process;
    for (int i = 0; i < 5; ++i) {
        const double mainBefore = processCpuSeconds(watch.processId(), true);
        const double processBefore = processCpuSeconds(watch.processId());
        QElapsedTimer clock;
        clock.start();
        runEventLoop(2000);
        const double seconds = clock.elapsed() / 1000.0;
        mainThread.push_back(100.0 * (processCpuSeconds(watch.processId(), true) - mainBefore) / seconds);
        process.push_back(100.0 * (processCpuSeconds(watch.processId()) - processBefore) / seconds);
    }
    watch.waitForFinished(10000);
    ctl({"stop"});
    const Spread cpu = spreadOf(mainThread);
    row("CPU of quill-ctl watch at 30 fps", withSpread(cpu, 2) + " % (process " + withSpread(spreadOf(process), 2) + " %)",
        "<= 0.5 %", cpu.median <= 0.5);
    emulator.terminate();
    emulator.waitForFinished(5000);
}

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.warning=false\nquill.measure.*=true"));
    // The update checks go to a closed loopback port, never to the real server.
    if (qEnvironmentVariableIsEmpty("QUILL_UPDATE_URL"))
        qputenv("QUILL_UPDATE_URL", "https://127.0.0.1:9");
    QApplication app(argc, argv);
    // Parts named on the command line (startup, panel, firmware, serial, jack, stop, ctl)
    // run alone; without any, all of them.
    const QStringList parts = app.arguments().mid(1);
    if (parts == QStringList{QStringLiteral("startup-once")}) {
        startupOnce(sinceStart);
        return 0;
    }
    const auto wanted = [&parts](const char *part) { return parts.isEmpty() || parts.contains(QLatin1String(part)); };

    if (wanted("startup"))
        measureStartup();

    if (wanted("panel"))
        measurePanel();
    if (wanted("firmware"))
        measureFirmware();
    if (wanted("serial"))
        measureSerialVanish();
    if (wanted("jack"))
        measureProgramOnJack();
    if (wanted("stop"))
        measureStopAtUnit();
    if (wanted("ctl"))
        measureCtl();

    std::printf("%-52s %-36s %-28s %s\n", "figure", "measured", "target", "met");
    for (const Row &r : rows)
        std::printf("%-52s %-36s %-28s %s\n", qPrintable(r.figure), qPrintable(r.value), qPrintable(r.target),
                    r.target.isEmpty() ? "" : r.met ? "yes" : "NO");
    return 0;
}
