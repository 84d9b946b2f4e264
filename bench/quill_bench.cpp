// Figures of the running panel, each measured in this run: start-up, memory,
// CPU while idle and while the generator runs, the Stop after End, and a
// 64 KiB firmware image at the fast pace against its pacing floor.

#include "app/MainWindow.h"
#include "midi/InMemoryMidiDriver.h"
#include "serial/FirmwareTransfer.h"
#include "serial/InMemorySerialPortCatalogue.h"
#include "serial/InMemoryUsbDescriptionSource.h"
#include "serial/SerialPort.h"
#include "support/PanelRig.h"
#include "support/UnitPeer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace PanelTest;

namespace {

constexpr int kFps = 30;

double residentMb()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE) / 1048576.0;
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// CPU of this process, in percent of one core, over `ms` of event loop.
double cpuPercentOver(int ms)
{
    const double before = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(ms);
    return 100.0 * (cpuSeconds() - before) / (clock.elapsed() / 1000.0);
}

// A unit's generator on its own thread: follows Play, Stop and Locate and
// streams quarter frames at 30 fps. Records the frame it had reached when a
// Stop arrived.
struct StreamingUnit
{
    PanelRig &rig;
    std::thread thread;
    std::atomic<bool> quit{false}, running{false};
    std::atomic<int> position{0}, positionAtStop{-1};

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
            if (running)
                positionAtStop = position.load();
            running = false;
        } else if (m.size() == 13 && m.startsWith(hex("f07f7f06440601"))) {
            position = (((quint8(m[7]) & 0x1F) * 60 + quint8(m[8])) * 60 + quint8(m[9])) * kFps + quint8(m[10]);
        }
    }
    void start()
    {
        thread = std::thread([this] {
            auto next = std::chrono::steady_clock::now();
            while (!quit) {
                next += std::chrono::microseconds(2 * 1000000 / kFps);
                std::this_thread::sleep_until(next);
                if (!running)
                    continue;
                const int frame = position;
                position = frame + 2;
                const int f = frame % kFps, s = frame / kFps % 60, mi = frame / kFps / 60 % 60, h = frame / kFps / 3600;
                for (const QByteArray &q : quarterFrames(h, mi, s, f, 3))
                    rig.driver.send(rig.ports.input, q);
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

void measurePanel(qint64 startupMs)
{
    PanelRig rig;
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
    QTest::qWait(1000);

    const double idle = cpuPercentOver(10000);
    row("CPU, idle with a unit connected", QString::asprintf("%.2f %%", idle), "<= 0.5 %", idle <= 0.5);

    rig.ui()->radioButton_10->click();
    rig.ui()->lineEdit->setText("00 : 00 : 00 : 00");
    rig.ui()->lineEdit_2->setText("00 : 00 : 12 : 00");
    rig.ui()->pushButton->click();
    QTest::qWait(500);
    const double running = cpuPercentOver(10000);
    row("CPU, generator running at 30 fps", QString::asprintf("%.2f %%", running), "<= 2 %", running <= 2.0);

    QElapsedTimer waited;
    waited.start();
    while (unit.positionAtStop < 0 && waited.elapsed() < 10000)
        QTest::qWait(5);
    const int after = unit.positionAtStop - 12 * kFps;
    row("frames after End until Stop leaves", QString::number(after), "<= 1 frame", unit.positionAtStop >= 0 && after <= 1);
    Q_UNUSED(startupMs);
}

void measureFirmware()
{
    InMemoryMidiDriver midi;
    InMemoryUsbDescriptionSource usb;
    InMemorySerialPortCatalogue ports;
    UnitPeer unit;
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
    bool done = false;
    QObject::connect(transfer, &FirmwareTransfer::finished, [&done] { done = true; });
    QObject::connect(transfer, &FirmwareTransfer::failed, [&done](const QString &) { done = true; });
    transfer->loadImage(image);
    QElapsedTimer clock;
    transfer->writeErase();
    clock.start(); // the unit answers the erase at once; the chunks follow
    while (!done && clock.elapsed() < 30000)
        QTest::qWait(5);
    QTRY_COMPARE_WITH_TIMEOUT(unit.image.size(), image.size(), 2000);
    const double seconds = clock.elapsed() / 1000.0;
    const double floor = 1024 * 0.010;
    row("64 KiB image at the fast pace", QString::asprintf("%.2f s (%.3f x floor %.2f s)", seconds, seconds / floor, floor),
        "<= 1.05 x floor", seconds <= 1.05 * floor);
    row("chunks sent before their acknowledgement", QString::number(unit.chunksAheadOfAck), "0",
        unit.chunksAheadOfAck == 0 && unit.image == image);
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.warning=false"));
    QApplication app(argc, argv);

    // Start-up: the plain window as main() builds it, until its first paint.
    qint64 startupMs = -1;
    double startupRss = 0;
    {
        InMemoryMidiDriver midi;
        MainWindow window(Platform{&midi});
        struct PaintWatch : QObject
        {
            qint64 *ms;
            QElapsedTimer *clock;
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
        startupRss = residentMb();
        window.removeEventFilter(&watch);
    }
    row("start to first painted window", QString("%1 ms").arg(startupMs), "<= 400 ms", startupMs <= 400);
    row("resident memory after start", QString::asprintf("%.1f MB", startupRss), "<= 80 MB", startupRss <= 80);

    measurePanel(startupMs);
    measureFirmware();
    row("quarter frame on JACK to readout (median, p99)", "not measured", "panel adds <= 0.5 ms at p99", false);

    std::printf("%-48s %-34s %-28s %s\n", "figure", "measured", "target", "met");
    for (const Row &r : rows)
        std::printf("%-48s %-34s %-28s %s\n", qPrintable(r.figure), qPrintable(r.value), qPrintable(r.target),
                    r.met ? "yes" : "NO");
    return 0;
}
