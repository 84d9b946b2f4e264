// SPDX-License-Identifier: GPL-3.0-or-later
// The README's and the AppStream file's pictures, rendered from the real windows: the main
// window with the generator running at 25 fps against the built-in unit, the upgrade
// dialog with a unit in upgrade mode, and the OSC setting window. Each goes to the build
// directory; with QUILL_SCREENSHOT_DIR set (the "screenshots" build target sets it to
// docs/screenshots) also there, to be committed.
#include "panel/TimecodeReadout.h"
#include "upgrade/upgrade_Dialog.h"
#include "settings/OscSettingWidget.h"
#include "settings/ip_Dialog.h"
#include "support/BuiltInRig.h"
#include "support/MessageBoxRecorder.h"
#include "support/UpgradeDialogRig.h"
#include "ui_MainWindow.h"

#include <QtTest>

namespace {

// Saves the window's picture; returns the paths written.
QStringList save(QWidget *window, const QString &name)
{
    QStringList written;
    const QImage image = window->grab().toImage();
    if (image.isNull())
        return written;
    QStringList dirs{qEnvironmentVariable("QUILL_TEST_OUTPUT", QDir::tempPath()) + QStringLiteral("/screenshots")};
    if (qEnvironmentVariableIsSet("QUILL_SCREENSHOT_DIR"))
        dirs << qEnvironmentVariable("QUILL_SCREENSHOT_DIR");
    for (const QString &dir : dirs) {
        const QString path = dir + QLatin1Char('/') + name;
        if (QDir().mkpath(dir) && image.save(path))
            written << path;
    }
    return written;
}

} // namespace

class ScreenshotsTest : public QObject
{
    Q_OBJECT
private slots:
    void mainWindowRunningAt25Fps_data();
    void mainWindowRunningAt25Fps();
    void mainWindowFollowingLtc();
    void upgradeDialog();
    void oscSettingWindow();
    void ipSettingWindow();
};

void ScreenshotsTest::mainWindowRunningAt25Fps_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("name");
    QTest::newRow("smallest") << QSize(860, 650) << "main-window.png";
    QTest::newRow("1280") << QSize(1280, 860) << "main-window-1280x860.png";
    QTest::newRow("1920") << QSize(1920, 1080) << "main-window-1920x1080.png";
}

void ScreenshotsTest::mainWindowRunningAt25Fps()
{
    QFETCH(QSize, size);
    QFETCH(QString, name);
    PanelTest::BuiltInRig rig;
    MainWindow &w = rig.window;
    BuiltInUnit &unit = rig.unit;
    w.resize(size);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.form()->lineEdit->setText(QStringLiteral("01 : 00 : 00 : 00"));
    w.form()->lineEdit_2->setText(QStringLiteral("01 : 00 : 04 : 00"));
    QVERIFY(rig.connectUnit());
    w.form()->radioButton_8->click();
    QTRY_COMPARE(unit.unit()->rate(), FrameRate(FrameRate::Fps25));
    w.form()->pushButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(unit.unit()->isRunning(), 2000);
    // Halfway to End, so the readout and the slider have moved.
    QTRY_VERIFY_WITH_TIMEOUT(w.readout()->digits() >= QStringLiteral("01000200"), 5000);
    QVERIFY(w.form()->radioButton_8->isChecked());
    QCOMPARE(save(&w, name).size(), qEnvironmentVariableIsSet("QUILL_SCREENSHOT_DIR") ? 2 : 1);
    QVERIFY(rig.boxes.boxes.isEmpty());
}

// The transport while the unit follows an outside source: greyed, pictures kept.
void ScreenshotsTest::mainWindowFollowingLtc()
{
    PanelTest::BuiltInRig rig;
    MainWindow &w = rig.window;
    w.resize(860, 650);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(rig.connectUnit());
    w.form()->radioButton_3->click();
    QVERIFY(!w.form()->pushButton->isEnabled());
    QVERIFY(!save(&w, QStringLiteral("main-window-ltc.png")).isEmpty());
}

void ScreenshotsTest::upgradeDialog()
{
    UpgradeDialogRig rig(QStringLiteral("TQR-30B Loader"));
    upgrade_Dialog &dialog = rig.dialog;
    rig.connectUnit();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.form().lineEdit->setText(QStringLiteral("/home/user/Downloads/TQR-30_V1.0.4.bin"));
    dialog.form().progressBar->setValue(42);
    QVERIFY(!save(&dialog, QStringLiteral("upgrade-dialog.png")).isEmpty());
}

void ScreenshotsTest::oscSettingWindow()
{
    OscSettingWidget osc;
    osc.setWindowTitle(QStringLiteral("OSC Setting"));
    osc.findChild<QLineEdit *>(QStringLiteral("localPortEdit"))->setText(QStringLiteral("8000"));
    osc.addressEdit(0)->setAddress(QStringLiteral("192.168.1.20"));
    osc.findChild<QLineEdit *>(QStringLiteral("portEdit1"))->setText(QStringLiteral("9000"));
    osc.show();
    QVERIFY(QTest::qWaitForWindowExposed(&osc));
    QVERIFY(!save(&osc, QStringLiteral("osc-setting.png")).isEmpty());
}

void ScreenshotsTest::ipSettingWindow()
{
    MessageBoxRecorder boxes;
    ip_Dialog dialog(&boxes);
    dialog.setModeIndex(ip_Dialog::kModeManual);
    dialog.field(ip_Dialog::AddressField)->setText(QStringLiteral("192.168.1.50"));
    dialog.field(ip_Dialog::SubnetField)->setText(QStringLiteral("255.255.255.0"));
    dialog.field(ip_Dialog::GatewayField)->setText(QStringLiteral("192.168.1.1"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(!save(&dialog, QStringLiteral("ip-setting.png")).isEmpty());
}

QTEST_MAIN(ScreenshotsTest)
#include "tst_screenshots.moc"
