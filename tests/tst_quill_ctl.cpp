// SPDX-License-Identifier: GPL-3.0-or-later
// quill-ctl's commands in the process, against built-in emulated units.

#include "ExitCode.h"
#include "UpgradeProgress.h"
#include "support/CtlRig.h"
#include "support/TestCertificates.h"
#include "support/TlsTestServer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using CtlTest::CtlRig;
using CtlTest::Result;

class TestQuillCtl : public QObject
{
    Q_OBJECT

private slots:
    void usageAndUnitErrors_data();
    void usageAndUnitErrors();
    void unitPickedByName();
    void silentUnitTimesOut();
    void refusedSourceFails();
    void locateRateAndSource();
    void runStopsOnEnd();
    void loopRunEndsOnInterrupt();
    void runFailsWhenUnitStopsShort();
    void namesArePrintedPlain();
    void statusAndWatchWhilePlaying();
    void listJson();
    void upgradeRefusesBadFiles_data();
    void upgradeRefusesBadFiles();
    void upgradeWritesImage();
    void upgradeLatest_data();
    void upgradeLatest();
    void progressBar();
};

static QByteArray logFrom(const Result &result)
{
    return QStringLiteral("exit %1\nout:\n%2\nerr:\n%3").arg(result.code).arg(result.out, result.err).toUtf8();
}

// Exit codes and messages that come before anything is sent to a unit.
void TestQuillCtl::usageAndUnitErrors_data()
{
    QTest::addColumn<int>("units"); // 0 none; 1 a TQR-30 Pro; 2 that and a TQR-20
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("errorHas");

    QTest::newRow("no command") << 1 << QStringList{} << ExitCode::kUsage << "no command";
    QTest::newRow("unknown command") << 1 << QStringList{"fly"} << ExitCode::kUsage << "unknown command \"fly\"";
    QTest::newRow("unknown option") << 1 << QStringList{"--colour", "status"} << ExitCode::kUsage << "colour";
    QTest::newRow("bad midi api") << 1 << QStringList{"--midi-api", "oss", "status"} << ExitCode::kUsage
                                  << "alsa or jack";
    QTest::newRow("no unit") << 0 << QStringList{"status"} << ExitCode::kNoSuchUnit << "no TQR unit is present";
    QTest::newRow("two units, none picked")
        << 2 << QStringList{"status"} << ExitCode::kNoSuchUnit << "2 units are present; pick one with --unit";
    QTest::newRow("no such name") << 2 << QStringList{"--unit", "TQR-99", "status"} << ExitCode::kNoSuchUnit
                                  << "no unit matches \"TQR-99\"";
    QTest::newRow("time out of range")
        << 1 << QStringList{"locate", "--rate", "24", "01:00:00:24"} << ExitCode::kUsage << "not a time at 24";
    QTest::newRow("bad rate word") << 1 << QStringList{"rate", "29.97"} << ExitCode::kUsage << "not a rate";
    QTest::newRow("bad source word") << 1 << QStringList{"source", "smpte"} << ExitCode::kUsage << "not a source";
    QTest::newRow("end before start")
        << 1 << QStringList{"run", "--rate", "25", "--start", "01:00:00:00", "--end", "00:59:59:24"}
        << ExitCode::kUsage << "--end must come after --start";
    QTest::newRow("rate unknown while stopped")
        << 1 << QStringList{"locate", "01:00:00:00"} << ExitCode::kUsage << "give --rate";
    QTest::newRow("upgrade needs a file") << 1 << QStringList{"upgrade"} << ExitCode::kUsage << "FILE or --latest";
}

void TestQuillCtl::usageAndUnitErrors()
{
    QFETCH(int, units);
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QString, errorHas);
    CtlRig rig;
    if (units >= 1)
        rig.addUnit();
    if (units >= 2)
        rig.addUnit(CtlRig::quickOptions(UnitMessages::Model::Tqr20));
    const Result result = rig.run(arguments);
    QVERIFY2(result.code == code, logFrom(result));
    QVERIFY2(result.err.contains(errorHas), logFrom(result));
    if (units == 2 && code == ExitCode::kNoSuchUnit) {
        // Either way the units present are listed.
        QVERIFY2(result.err.contains("TQR-20 (built-in) [1]"), logFrom(result));
    }
}

void TestQuillCtl::unitPickedByName()
{
    CtlRig rig;
    rig.addUnit();
    rig.addUnit(CtlRig::quickOptions(UnitMessages::Model::Tqr20));
    const Result result = rig.run({"--unit", "tqr-20", "status"});
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    QVERIFY2(result.out.contains("model: TQR-20\n"), logFrom(result));
}

void TestQuillCtl::silentUnitTimesOut()
{
    CtlRig rig;
    BuiltInUnit::Options options = CtlRig::quickOptions();
    options.faults.silent = true;
    rig.addUnit(options);
    QElapsedTimer clock;
    clock.start();
    const Result result = rig.run({"--timeout", "0.5", "status"});
    QVERIFY2(result.code == ExitCode::kUnitFailed, logFrom(result));
    QVERIFY2(result.err.contains("did not answer the identification request"), logFrom(result));
    QVERIFY(clock.elapsed() < 3000);
}

void TestQuillCtl::refusedSourceFails()
{
    // A TQR-20 has no network: RTP-MIDI is not offered, and it says so by
    // answering with the source it keeps.
    CtlRig rig;
    BuiltInUnit &unit = rig.addUnit(CtlRig::quickOptions(UnitMessages::Model::Tqr20));
    const Result result = rig.run({"source", "rtp-midi"});
    QVERIFY2(result.code == ExitCode::kUnitFailed, logFrom(result));
    QVERIFY2(result.err.contains("the unit refused rtp-midi; it stays on generator"), logFrom(result));
    int source = 0;
    unit.call([&](EmulatedUnit &u) { source = u.source(); });
    QCOMPARE(source, 4);
}

void TestQuillCtl::locateRateAndSource()
{
    CtlRig rig;
    BuiltInUnit &unit = rig.addUnit();

    Result result = rig.run({"locate", "--rate", "25", "01:02:03:04"});
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    QCOMPARE(result.out, QStringLiteral("01:02:03:04\n"));
    FrameRate rate;
    FrameClock::Label position {};
    unit.call([&](EmulatedUnit &u) {
        rate = u.rate();
        position = u.position();
    });
    QVERIFY(rate == FrameRate::Fps25);
    QCOMPARE(position.minutes, 2);

    result = rig.run({"rate", "--at", "00:10:00:00", "30drop"});
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    QCOMPARE(result.out, QStringLiteral("30drop 00:10:00:00\n"));
    unit.call([&](EmulatedUnit &u) { rate = u.rate(); });
    QVERIFY(rate == FrameRate::Fps30Drop);

    result = rig.run({"source", "ltc"});
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    QCOMPARE(result.out, QStringLiteral("ltc\n"));
    // Off its generator, the unit does not play.
    result = rig.run({"play"});
    QVERIFY2(result.code == ExitCode::kUnitFailed, logFrom(result));
    QVERIFY2(result.err.contains("not its generator"), logFrom(result));
}

void TestQuillCtl::runStopsOnEnd()
{
    CtlRig rig;
    BuiltInUnit &unit = rig.addUnit();
    const Result result =
        rig.run({"run", "--rate", "25", "--start", "01:00:00:00", "--end", "01:00:01:10"});
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    QCOMPARE(result.out, QStringLiteral("01:00:01:10\n"));
    bool running = true;
    double stopFrame = 0;
    unit.call([&](EmulatedUnit &u) {
        running = u.isRunning();
        stopFrame = u.stopFrame();
    });
    QVERIFY(!running);
    // 01:00:01:10 at 25 is frame 90035; the Stop leaves within a frame of it.
    QVERIFY2(qAbs(stopFrame - 90035) < 1.5, QByteArray::number(stopFrame));
}

void TestQuillCtl::loopRunEndsOnInterrupt()
{
    CtlRig rig;
    BuiltInUnit &unit = rig.addUnit();
    // Half a second a pass: after 1.6 s it has been round three times.
    const Result result = rig.run({"run", "--loop", "--rate", "24", "--start", "00:00:10:00", "--end", "00:00:10:12"},
                                  1600, [](QuillCtl &ctl) { ctl.interrupt(); });
    QVERIFY2(result.code == ExitCode::kInterrupted, logFrom(result));
    bool running = true;
    FrameClock::Label position {};
    unit.call([&](EmulatedUnit &u) {
        running = u.isRunning();
        position = u.position();
    });
    QVERIFY2(!running, "Ctrl-C leaves the unit stopped");
    QCOMPARE(position.seconds, 10);
}

void TestQuillCtl::runFailsWhenUnitStopsShort()
{
    CtlRig rig;
    BuiltInUnit &unit = rig.addUnit();
    // Someone moves the unit to LTC half a second into a one-minute run.
    const Result result = rig.run({"--timeout", "0.5", "run", "--rate", "25", "--start", "01:00:00:00", "--end",
                                   "01:01:00:00"},
                                  500, [&unit](QuillCtl &) {
                                      unit.call([](EmulatedUnit &u) {
                                          u.receiveMidi(QByteArray::fromHex("F07F7F1003F7"));
                                      });
                                  });
    QVERIFY2(result.code == ExitCode::kUnitFailed, logFrom(result));
    QVERIFY2(result.err.contains("short of End"), logFrom(result));
}

void TestQuillCtl::namesArePrintedPlain()
{
    CtlRig rig;
    rig.driver.addDevice(QStringLiteral("TQR\x1b]0;owned\x07"), [](const QByteArray &) {});
    const Result result = rig.run({"--timeout", "0.3", "list"});
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    QVERIFY2(result.out.startsWith(QStringLiteral("TQR?]0;owned? [0]\t-\t")), logFrom(result));
}

void TestQuillCtl::statusAndWatchWhilePlaying()
{
    CtlRig rig;
    rig.addUnit();
    QVERIFY(rig.run({"locate", "--rate", "25", "10:00:00:00"}).code == ExitCode::kDone);
    QVERIFY(rig.run({"play"}).code == ExitCode::kDone);

    Result result = rig.run({"status"});
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    for (const char *line : {"model: TQR-30 Pro\n", "source: generator\n", "rate: 25\n", "stream: forward\n",
                             "timecode: 10:00:"})
        QVERIFY2(result.out.contains(QLatin1String(line)), logFrom(result));

    result = rig.run({"watch", "--json", "--seconds", "0.6"});
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    const QStringList lines = result.out.split('\n', Qt::SkipEmptyParts);
    int labels = 0;
    for (const QString &line : lines) {
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8(), &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(line));
        QVERIFY2(QDateTime::fromString(object["time"].toString(), Qt::ISODateWithMs).isValid(), qPrintable(line));
        if (object.contains("timecode")) {
            ++labels;
            QCOMPARE(object["rate"].toString(), QStringLiteral("25"));
            QVERIFY(object["timecode"].toString().startsWith("10:00:"));
        } else {
            QVERIFY2(object.contains("event"), qPrintable(line));
        }
    }
    // 25 labels a second, less the moments it takes to connect.
    QVERIFY2(labels >= 8, logFrom(result));
    QVERIFY(rig.run({"stop"}).code == ExitCode::kDone);
}

void TestQuillCtl::listJson()
{
    CtlRig rig;
    rig.addUnit();
    rig.addUnit(CtlRig::quickOptions(UnitMessages::Model::Tqr10));
    const Result result = rig.run({"list", "--json"});
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    const QJsonArray units = QJsonDocument::fromJson(result.out.toUtf8()).array();
    QCOMPARE(units.size(), 2);
    QCOMPARE(units[0]["model"].toString(), QStringLiteral("TQR-30 Pro"));
    QCOMPARE(units[1]["model"].toString(), QStringLiteral("TQR-10"));
    QCOMPARE(units[1]["input"].toString(), QStringLiteral("TQR-10 (built-in) [1]"));
}

void TestQuillCtl::upgradeRefusesBadFiles_data()
{
    QTest::addColumn<QString>("name"); // "" for the folder itself
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("errorHas");

    QTest::newRow("a folder") << QString() << QByteArray() << QStringList{} << "not a regular file";
    QTest::newRow("missing") << "absent.bin" << QByteArray() << QStringList{} << "could not be opened";
    QTest::newRow("empty") << "TQR-30Pro_V1.0.3.bin" << QByteArray("") << QStringList{} << "is empty";
    QTest::newRow("other model") << "TQR-20_V1.0.3.bin" << QByteArray("image") << QStringList{}
                                 << "firmware for the TQR-20";
    QTest::newRow("no model named") << "fw.bin" << QByteArray("image") << QStringList{} << "give --yes";
}

void TestQuillCtl::upgradeRefusesBadFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, options);
    QFETCH(QString, errorHas);
    CtlRig rig(CtlRig::Serial::On);
    BuiltInUnit &unit = rig.addUnit();
    QTemporaryDir files;
    const QString path = name.isEmpty() ? files.path() : files.filePath(name);
    if (!content.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const Result result = rig.run(QStringList{"upgrade"} + options + QStringList{path});
    QVERIFY2(result.code == ExitCode::kUnitFailed, logFrom(result));
    QVERIFY2(result.err.contains(errorHas), logFrom(result));
    QByteArray received;
    unit.call([&](EmulatedUnit &u) { received = u.receivedImage(); });
    QVERIFY(received.isEmpty());
}

void TestQuillCtl::upgradeWritesImage()
{
    CtlRig rig(CtlRig::Serial::On);
    BuiltInUnit &unit = rig.addUnit();
    QTemporaryDir files;
    const QString path = files.filePath("TQR-30Pro_V1.0.3.bin");
    QByteArray image(5000, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i * 7);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(image);
    file.close();
    unit.unit()->setImageFileNameHint(QFileInfo(path).fileName());

    const Result result = rig.run({"upgrade", path});
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    // Not a terminal: percentage lines, each once, ending at 100.
    const QStringList lines = result.out.split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.size() > 3 && lines.contains("100%"), logFrom(result));
    QCOMPARE(lines.count("100%"), 1);
    QVERIFY2(result.out.contains("firmware V1.0.2 -> V1.0.3"), logFrom(result));
    QByteArray received;
    unit.call([&](EmulatedUnit &u) { received = u.receivedImage(); });
    QCOMPARE(received, image);
}

void TestQuillCtl::upgradeLatest_data()
{
    QTest::addColumn<QByteArray>("announced");
    QTest::addColumn<QString>("outHas");
    QTest::newRow("newer") << QByteArray("TQR-30Pro_V1.0.3\r\nUpdate content:\r\nfixes\r\n")
                           << "firmware V1.0.2 -> V1.0.3\n";
    QTest::newRow("the unit's own") << QByteArray("TQR-30Pro_V1.0.2\r\n") << QString();
}

void TestQuillCtl::upgradeLatest()
{
    QFETCH(QByteArray, announced);
    QFETCH(QString, outHas);
    TestCertificates certificates;
    QString error;
    QVERIFY2(certificates.generate(&error), qPrintable(error));
    TlsTestServer server(certificates.serverCertFile(), certificates.serverKeyFile());
    QVERIFY(server.start());
    qputenv("QUILL_UPDATE_URL", server.baseUrl().toUtf8());
    qputenv("QUILL_UPDATE_CA_FILE", certificates.caFile().toUtf8());
    const QByteArray image = QByteArray(3000, '\x01') + "V1.0.3";
    server.serve("/download/Product/TQR-30_Pro/Update/TQR-30_Pro_Update.txt", announced);
    server.serve("/download/Product/TQR-30_Pro/Update/TQR-30Pro_V1.0.3.bin", image);

    CtlRig rig(CtlRig::Serial::On);
    BuiltInUnit &unit = rig.addUnit();
    const Result result = rig.run({"upgrade", "--latest"});
    qunsetenv("QUILL_UPDATE_URL");
    qunsetenv("QUILL_UPDATE_CA_FILE");
    QVERIFY2(result.code == ExitCode::kDone, logFrom(result));
    QByteArray received;
    unit.call([&](EmulatedUnit &u) { received = u.receivedImage(); });
    if (outHas.isEmpty()) {
        QVERIFY2(result.err.contains("has V1.0.2 already; nothing to do"), logFrom(result));
        QVERIFY(received.isEmpty());
    } else {
        QVERIFY2(result.out.contains(outHas), logFrom(result));
        QCOMPARE(received, image);
    }
}

void TestQuillCtl::progressBar()
{
    QCOMPARE(UpgradeProgress::bar(0, 100, 10), QStringLiteral("[          ]   0%"));
    QCOMPARE(UpgradeProgress::bar(55, 100, 10), QStringLiteral("[#####     ]  55%"));
    QCOMPARE(UpgradeProgress::bar(100, 100, 10), QStringLiteral("[##########] 100%"));
}

QTEST_GUILESS_MAIN(TestQuillCtl)
#include "tst_quill_ctl.moc"
