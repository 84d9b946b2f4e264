// SPDX-License-Identifier: GPL-3.0-or-later
// Soak: a unit streams 30 fps time code while the panel's generator loops
// between Start and End. The readout must never step backwards except where
// the loop jumps back to Start, and the process must not grow once warm.
//
// QUILL_SOAK_SECONDS sets the length (120 by default; 600 for the long run).
// Skipped in sanitizer builds: their allocator quarantine grows by design and
// would make the memory figure meaningless.

#include "support/PanelRig.h"
#include "support/ResidentMemory.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include <atomic>
#include <chrono>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#define QUILL_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILL_UNDER_ASAN 1
#endif
#endif

using namespace PanelTest;

namespace {

constexpr int kFps = 30;

// The unit's generator: follows Locate, Play and Stop and sends eight quarter
// frames per two frames, paced by the clock, from its own thread.
class StreamingUnit
{
public:
    explicit StreamingUnit(PanelRig &rig)
        : m_rig(rig)
    {
    }
    ~StreamingUnit() { stop(); }

    void onMessage(const QByteArray &m)
    {
        if (m == hex("f07f7f0602f7"))
            m_running = true;
        else if (m == hex("f07f7f0601f7"))
            m_running = false;
        else if (m.size() == 13 && m.startsWith(hex("f07f7f06440601")))
            m_position = (((quint8(m[7]) & 0x1F) * 60 + quint8(m[8])) * 60 + quint8(m[9])) * kFps + quint8(m[10]);
    }

    void start()
    {
        m_thread = std::thread([this] { run(); });
    }
    void stop()
    {
        m_quit = true;
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void run()
    {
        using clock = std::chrono::steady_clock;
        auto next = clock::now();
        const auto twoFrames = std::chrono::microseconds(2 * 1000000 / kFps);
        while (!m_quit) {
            next += twoFrames;
            std::this_thread::sleep_until(next);
            if (!m_running)
                continue;
            const int frame = m_position;
            m_position = frame + 2;
            const int f = frame % kFps, s = frame / kFps % 60, mi = frame / kFps / 60 % 60, h = frame / kFps / 3600;
            for (const QByteArray &q : quarterFrames(h, mi, s, f, 3))
                m_rig.driver.send(m_rig.ports.input, q);
        }
    }

    PanelRig &m_rig;
    std::thread m_thread;
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_running{false};
    std::atomic<int> m_position{0};
};

// Frames since midnight in the readout, -1 while it shows no time.
int readoutFrames(const PanelRig &rig)
{
    const QStringList parts = rig.readoutText().remove(' ').split(':');
    if (parts.size() != 4)
        return -1;
    return ((parts[0].toInt() * 60 + parts[1].toInt()) * 60 + parts[2].toInt()) * kFps + parts[3].toInt();
}

} // namespace

class TestSoakTimecode : public QObject
{
    Q_OBJECT
private slots:
    // A trace line per message would swamp the log over minutes.
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false")); }
    void loopingGeneratorHoldsForMinutes();
};

void TestSoakTimecode::loopingGeneratorHoldsForMinutes()
{
#ifdef QUILL_UNDER_ASAN
    QSKIP("memory figures are meaningless under AddressSanitizer");
#endif
    const int seconds = qEnvironmentVariableIsSet("QUILL_SOAK_SECONDS")
                            ? qEnvironmentVariableIntValue("QUILL_SOAK_SECONDS")
                            : 120;
    const int warmUpSeconds = qMin(20, seconds / 4);

    PanelRig rig;
    StreamingUnit unit(rig);
    // The rig records what the panel sends; the unit acts on it as well.
    rig.driver.removeDevice(rig.ports);
    rig.ports = rig.driver.addDevice(rig.name, [&rig, &unit](const QByteArray &m) {
        unit.onMessage(m);
        QMutexLocker lock(&rig.mutex);
        rig.received.append(m);
    });
    rig.window->update_list();
    rig.connectUnit();
    rig.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));

    // 30 fps, a ten-second range, looping.
    rig.ui()->radioButton_10->click();
    rig.ui()->lineEdit->setText("00 : 00 : 00 : 00");
    rig.ui()->lineEdit_2->setText("00 : 00 : 10 : 00");
    rig.ui()->pushButton_6->setChecked(true);
    rig.ui()->pushButton->click();
    unit.start();

    const int start = 0;
    const int end = 10 * kFps;
    int previous = -1;
    int loops = 0;
    int backwards = 0;
    QString backwardsAt;
    qint64 warmResident = -1;
    qint64 peakResident = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000LL) {
        QTest::qWait(5);
        const int now = readoutFrames(rig);
        if (now >= 0 && previous >= 0 && now < previous) {
            // The loop: from near End back to Start.
            if (previous >= end - 4 && now <= start + 4) {
                ++loops;
            } else {
                ++backwards;
                backwardsAt = QString("%1 -> %2").arg(previous).arg(now);
            }
        }
        previous = now;
        if (warmResident < 0 && clock.elapsed() >= warmUpSeconds * 1000LL)
            warmResident = residentBytes();
        if (warmResident >= 0)
            peakResident = qMax(peakResident, residentBytes());
        QCoreApplication::processEvents();
        rig.take(); // what was sent is not kept for ever
    }
    unit.stop();

    qInfo("soak: %d s, %d loops, resident after warm-up %.1f MB, peak %.1f MB", seconds, loops,
          warmResident / 1048576.0, peakResident / 1048576.0);
    QVERIFY2(backwards == 0, qPrintable(QString("%1 backward steps, last %2").arg(backwards).arg(backwardsAt)));
    QVERIFY(loops >= seconds / 12);
    QVERIFY2(peakResident - warmResident <= 2 * 1024 * 1024,
             qPrintable(QString("grew by %1 bytes").arg(peakResident - warmResident)));
}

QTEST_MAIN(TestSoakTimecode)
#include "tst_soak_timecode.moc"
