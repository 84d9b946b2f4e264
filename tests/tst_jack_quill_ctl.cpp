// SPDX-License-Identifier: GPL-3.0-or-later
// quill-ctl as a user runs it: the installed program against stand-alone
// tqr-emulator processes on the JACK server, each a process of its own.

#include "ExitCode.h"
#include "support/JackUnitPeer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

struct Result
{
    int code = -1;
    QString out;
    QString err;
};

QByteArray logFrom(const Result &result)
{
    return QStringLiteral("exit %1\nout:\n%2\nerr:\n%3").arg(result.code).arg(result.out, result.err).toUtf8();
}

} // namespace

class TestJackQuillCtl : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listAndStatus();
    void runStopsOnEnd();
    void watchJsonWhilePlaying();
    void twoUnitsNeedAName();
    void upgradeFromFile();

private:
    // Starts an emulator on JACK and waits until quill-ctl lists it.
    bool startEmulator(const QStringList &options, const QString &expectedModel);
    Result ctl(const QStringList &arguments, int timeoutMs = 30000);
    QProcessEnvironment environment() const;

    std::unique_ptr<QTemporaryDir> m_registry;
    std::vector<std::unique_ptr<QProcess>> m_emulators;
};

QProcessEnvironment TestJackQuillCtl::environment() const
{
    // The emulators' serial ports are announced in a registry of the test's
    // own; the runtime folder, where a PipeWire server has its socket, stays.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILL_SERIAL_REGISTRY", m_registry->path());
    env.insert("QUILL_MIDI_API", "jack");
    return env;
}

void TestJackQuillCtl::init()
{
    QUILL_REQUIRE_JACK_SERVER();
    m_registry = std::make_unique<QTemporaryDir>();
}

void TestJackQuillCtl::cleanup()
{
    for (auto &emulator : m_emulators) {
        emulator->terminate();
        if (!emulator->waitForFinished(5000))
            emulator->kill();
    }
    m_emulators.clear();
}

bool TestJackQuillCtl::startEmulator(const QStringList &options, const QString &expectedModel)
{
    auto emulator = std::make_unique<QProcess>();
    emulator->setProcessEnvironment(environment());
    emulator->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    emulator->start(QUILL_EMULATOR_PATH, QStringList{"--midi-api", "jack"} + options);
    if (!emulator->waitForStarted())
        return false;
    m_emulators.push_back(std::move(emulator));
    return QTest::qWaitFor(
        [&] {
            const Result listed = ctl({"list"}, 10000);
            return listed.out.contains('\t' + expectedModel + '\t');
        },
        15000);
}

Result TestJackQuillCtl::ctl(const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QUILL_CTL_PATH, arguments);
    Result result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.err = "quill-ctl did not finish in time\n";
    } else {
        result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err += QString::fromUtf8(process.readAllStandardError());
    return result;
}

void TestJackQuillCtl::listAndStatus()
{
    QVERIFY(startEmulator({"--firmware", "V1.4.0"}, "TQR-30 Pro"));
    Result result = ctl({"list", "--json"});
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    const QJsonObject unit = QJsonDocument::fromJson(result.out.toUtf8()).array().at(0).toObject();
    QCOMPARE(unit["model"].toString(), QStringLiteral("TQR-30 Pro"));
    QCOMPARE(unit["firmware"].toString(), QStringLiteral("V1.4.0"));
    QVERIFY2(!unit["serial"].toString().isEmpty(), logFrom(result));

    result = ctl({"status"});
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    QVERIFY2(result.out.contains("firmware: V1.4.0\n") && result.out.contains("source: generator\n"),
             logFrom(result));
}

void TestJackQuillCtl::runStopsOnEnd()
{
    QVERIFY(startEmulator({}, "TQR-30 Pro"));
    Result result = ctl({"locate", "--rate", "25", "00:59:00:00"});
    QVERIFY2(result.code == ExitCode::kDone && result.out == "00:59:00:00\n", logFrom(result));
    result = ctl({"run", "--rate", "25", "--start", "01:00:00:00", "--end", "01:00:01:12"});
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    QCOMPARE(result.out, QStringLiteral("01:00:01:12\n"));
    // The unit stands there: its time code has stopped.
    result = ctl({"status"});
    QVERIFY2(result.out.contains("stream: none\n"), logFrom(result));
}

void TestJackQuillCtl::watchJsonWhilePlaying()
{
    QVERIFY(startEmulator({}, "TQR-30 Pro"));
    QVERIFY(ctl({"locate", "--rate", "30", "02:00:00:00"}).code == ExitCode::kDone);
    QVERIFY(ctl({"play"}).code == ExitCode::kDone);
    const Result result = ctl({"watch", "--json", "--seconds", "1"});
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    int labels = 0;
    for (const QString &line : result.out.split('\n', Qt::SkipEmptyParts)) {
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8(), &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(line));
        if (object.contains("timecode")) {
            ++labels;
            QCOMPARE(object["rate"].toString(), QStringLiteral("30"));
        }
    }
    QVERIFY2(labels >= 15, logFrom(result));
    QVERIFY(ctl({"stop"}).code == ExitCode::kDone);
}

void TestJackQuillCtl::twoUnitsNeedAName()
{
    QVERIFY(startEmulator({}, "TQR-30 Pro"));
    QVERIFY(startEmulator({"--model", "TQR-20"}, "TQR-20"));
    Result result = ctl({"status"});
    QVERIFY2(result.code == ExitCode::kNoSuchUnit, logFrom(result));
    QVERIFY2(result.err.contains("TQR-20") && result.err.contains("TQR-30 Pro"), logFrom(result));
    result = ctl({"--unit", "TQR-20", "source", "ltc"});
    QVERIFY2(result.code == ExitCode::kDone && result.out == "ltc\n", logFrom(result));
}

void TestJackQuillCtl::upgradeFromFile()
{
    QVERIFY(startEmulator({}, "TQR-30 Pro"));
    QTemporaryDir files;
    const QString path = files.filePath("TQR-30Pro_V1.0.3.bin");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(6000, '\x01') + "build V1.0.3");
    file.close();
    const Result result = ctl({"upgrade", path}, 60000);
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    QVERIFY2(result.out.contains("\n50%\n") && result.out.contains("firmware V1.0.2 -> V1.0.3\n"), logFrom(result));
}

QTEST_GUILESS_MAIN(TestJackQuillCtl)
#include "tst_jack_quill_ctl.moc"
