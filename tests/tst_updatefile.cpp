// SPDX-License-Identifier: GPL-3.0-or-later
// The update-file format, version numbers and both comparisons, the model table and
// the serial identity replies: all pure functions.
#include "update/FirmwareModel.h"
#include "update/PanelRelease.h"
#include "update/UpdateFile.h"

#include <QtTest>

class UpdateFileTest : public QObject
{
    Q_OBJECT
private slots:
    void readsVersionLineOnlyAtTheVeryStart_data();
    void readsVersionLineOnlyAtTheVeryStart();
    void readsNotesAfterTheMarker();
    void versionNumbers_data();
    void versionNumbers();
    void firmwareComparison_data();
    void firmwareComparison();
    void panelComparisons_data();
    void panelComparisons();
    void modelTable_data();
    void modelTable();
    void serverPaths();
};

void UpdateFileTest::readsVersionLineOnlyAtTheVeryStart_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("version");

    const QString pro = firmwareModelFor("TQR-30 Pro").versionPattern;
    const QString panel = QString::fromLatin1(kPanelVersionPattern);
    QTest::newRow("first line") << QByteArray("TQR-30Pro_V1.0.3\r\nUpdate content:\nx") << pro << "TQR-30Pro_V1.0.3";
    QTest::newRow("nothing after it") << QByteArray("TQR-30Pro_V1.0.3") << pro << "TQR-30Pro_V1.0.3";
    QTest::newRow("empty first line") << QByteArray("\nTQR-30Pro_V1.0.3\n") << pro << "";
    QTest::newRow("leading blank") << QByteArray(" TQR-30Pro_V1.0.3\n") << pro << "";
    // A byte order mark, as some editors write, is not text and does not hide the line.
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBFTQR-30Pro_V1.0.3\n") << pro << "TQR-30Pro_V1.0.3";
    QTest::newRow("other model's file") << QByteArray("TQR-30_V1.0.3\n") << pro << "";
    QTest::newRow("stops at the first non-number") << QByteArray("TQR-30Pro_V1.0.3-beta\n") << pro << "TQR-30Pro_V1.0.3";
    QTest::newRow("no number") << QByteArray("TQR-30Pro_V\n") << pro << "";
    QTest::newRow("panel") << QByteArray("Quill_Tool_V2.2.0\nUpdate content:\n") << panel << "Quill_Tool_V2.2.0";
    QTest::newRow("empty file") << QByteArray() << panel << "";
}

void UpdateFileTest::readsVersionLineOnlyAtTheVeryStart()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, pattern);
    QFETCH(QString, version);
    const UpdateAnnouncement news = readUpdateFile(body, pattern);
    QCOMPARE(news.newestVersion, version);
    QCOMPARE(news.hasVersion(), !version.isEmpty());
}

void UpdateFileTest::readsNotesAfterTheMarker()
{
    const QString pattern = firmwareModelFor("TQR-30").versionPattern;
    // Several lines, UTF-8, kept in full with their line breaks.
    UpdateAnnouncement news = readUpdateFile(
        "TQR-30_V1.0.3\nUpdate content:  \n\n1. Faster lock\n2. Gr\xC3\xBC\xC3\x9F" "e\n", pattern);
    QCOMPARE(news.notes, QString::fromUtf8("1. Faster lock\n2. Gr\xC3\xBC\xC3\x9F" "e\n"));

    news = readUpdateFile("TQR-30_V1.0.3\nsome text without the marker\n", pattern);
    QCOMPARE(news.notes, QString());
    // The marker is case-sensitive.
    news = readUpdateFile("TQR-30_V1.0.3\nupdate Content: x\n", pattern);
    QCOMPARE(news.notes, QString());
    news = readUpdateFile("TQR-30_V1.0.3\nUpdate content:", pattern);
    QCOMPARE(news.notes, QString());
    // Notes are read even when the version line is missing; they are simply not used.
    news = readUpdateFile("\nTQR-30_V1.0.3\nUpdate content: a", pattern);
    QVERIFY(!news.hasVersion());
    QCOMPARE(news.notes, QString("a"));
}

void UpdateFileTest::versionNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("numbers");
    QTest::newRow("unit reply") << "V1.0.2" << QList<int>{1, 0, 2};
    QTest::newRow("file line") << "TQR-30Pro_V1.0.10" << QList<int>{1, 0, 10};
    QTest::newRow("no V") << "1.0.2" << QList<int>{};
    QTest::newRow("lower-case v does not count") << "v1.0.2" << QList<int>{};
    QTest::newRow("empty") << "" << QList<int>{};
    QTest::newRow("first V only") << "V1.V2" << QList<int>{1, 0};
    QTest::newRow("not a number") << "V1.x.3" << QList<int>{1, 0, 3};
    QTest::newRow("trailing dot") << "V1.2." << QList<int>{1, 2, 0};
    QTest::newRow("only V") << "V" << QList<int>{0};
}

void UpdateFileTest::versionNumbers()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, numbers);
    QCOMPARE(::versionNumbers(text), numbers);
}

void UpdateFileTest::firmwareComparison_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("newest");
    QTest::addColumn<bool>("newer");
    QTest::newRow("10 is more than 2") << "V1.0.2" << "TQR-30_V1.0.10" << true;
    QTest::newRow("missing piece is 0") << "V1.2" << "TQR-30_V1.2.0" << false;
    QTest::newRow("missing piece is 0, newer") << "V1.2" << "TQR-30_V1.2.1" << true;
    QTest::newRow("older major") << "V2.0.0" << "TQR-30_V1.9.9" << false;
    QTest::newRow("equal") << "V1.0.3" << "TQR-30Pro_V1.0.3" << false;
    QTest::newRow("longer unit version") << "V1.0.3.1" << "TQR-30_V1.0.3" << false;
    QTest::newRow("no announced version") << "V1.0.3" << "" << false;
    QTest::newRow("unit text without V") << "1.0.3" << "TQR-30_V0.0.1" << true;
}

void UpdateFileTest::firmwareComparison()
{
    QFETCH(QString, unit);
    QFETCH(QString, newest);
    QFETCH(bool, newer);
    QCOMPARE(isNewerFirmware(unit, newest), newer);
}

void UpdateFileTest::panelComparisons_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("newestLine");
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<bool>("manual");
    QTest::newRow("patch only") << "2.1.0" << "Quill_Tool_V2.1.5" << false << true;
    QTest::newRow("minor") << "2.1.0" << "Quill_Tool_V2.2" << true << true;
    QTest::newRow("same") << "2.1.0" << "Quill_Tool_V2.1.0" << false << false;
    QTest::newRow("same, shorter") << "2.1.0" << "Quill_Tool_V2.1" << false << false;
    QTest::newRow("major") << "2.1.0" << "Quill_Tool_V3.0.0" << true << true;
    QTest::newRow("older major, newer minor") << "2.1.0" << "Quill_Tool_V1.9.0" << false << false;
    QTest::newRow("minor 10 above 9") << "2.9.0" << "Quill_Tool_V2.10" << true << true;
    QTest::newRow("fourth piece") << "2.1.0" << "Quill_Tool_V2.1.0.1" << false << true;
    QTest::newRow("older") << "2.1.0" << "Quill_Tool_V2.0.9" << false << false;
}

void UpdateFileTest::panelComparisons()
{
    QFETCH(QString, current);
    QFETCH(QString, newestLine);
    QFETCH(bool, automatic);
    QFETCH(bool, manual);
    const QString newest = releaseNumberOf(newestLine);
    QCOMPARE(isNewerMajorMinor(current, newest), automatic);
    QCOMPARE(isNewerRelease(current, newest), manual);
}

void UpdateFileTest::modelTable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("folder");
    QTest::newRow("10") << "TQR-10" << 1 << "TQR-10";
    QTest::newRow("20 inside a longer text") << "Larkspur TQR-20 MIDI" << 2 << "TQR-20";
    QTest::newRow("30") << "TQR-30" << 3 << "TQR-30";
    QTest::newRow("30 Pro") << "TQR-30 Pro" << 4 << "TQR-30_Pro";
    QTest::newRow("30 pro, lower case") << "TQR-30 pro" << 4 << "TQR-30_Pro";
    QTest::newRow("30Pro") << "TQR-30PRO" << 4 << "TQR-30_Pro";
    QTest::newRow("30 lower case") << "tqr-30" << -1 << "";
    QTest::newRow("empty") << "" << -1 << "";
    QTest::newRow("unset") << "xx" << -1 << "";
}

void UpdateFileTest::modelTable()
{
    QFETCH(QString, text);
    QFETCH(int, number);
    QFETCH(QString, folder);
    const FirmwareModel model = firmwareModelFor(text);
    QCOMPARE(model.number, number);
    QCOMPARE(model.folder, folder);
    QCOMPARE(model.isKnown(), number > 0);
}

void UpdateFileTest::serverPaths()
{
    const FirmwareModel pro = firmwareModelFor("TQR-30 Pro");
    QCOMPARE(pro.displayName, QString("TQR-30 Pro"));
    QCOMPARE(firmwareUpdateFilePath(pro), QString("/download/Product/TQR-30_Pro/Update/TQR-30_Pro_Update.txt"));
    QCOMPARE(firmwareImagePath(pro, "TQR-30Pro_V1.0.3"),
             QString("/download/Product/TQR-30_Pro/Update/TQR-30Pro_V1.0.3.bin"));
    QCOMPARE(firmwareUpdateFilePath(firmwareModelFor("TQR-10")),
             QString("/download/Product/TQR-10/Update/TQR-10_Update.txt"));

    QCOMPARE(QString(kPanelUpdateFilePath), QString("/download/Product/Quill_Tool/Update/Quill_Update.txt"));
    QCOMPARE(releaseNumberOf("Quill_Tool_V2.2.0"), QString("2.2.0"));
    QCOMPARE(releaseNumberOf("Quill_Tool_"), QString());
    QCOMPARE(panelInstallerPath("2.2.0"), "/download/Product/Quill_Tool/Update/Quill_Tool_V2.2.0" + installerSuffix());
    QCOMPARE(installerFileName("2.2.0"), "2.2.0" + installerSuffix());
}

QTEST_GUILESS_MAIN(UpdateFileTest)
#include "tst_updatefile.moc"
