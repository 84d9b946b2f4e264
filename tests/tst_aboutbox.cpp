// SPDX-License-Identifier: GPL-3.0-or-later
// The About box (dragging by its painted strip, reuse) and the manual export.
#include "shell/MainWindow.h"
#include "dialogs/CustomDialog.h"
#include "dialogs/UserManual.h"
#include "midi/InMemoryMidiDriver.h"
#include "support/MessageBoxRecorder.h"
#include "support/RecordingUrlOpener.h"
#include "ui_MainWindow.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

// Sends a mouse event with explicit local and global positions, as a window system does.
void mouse(QWidget *widget, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, local, widget->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Presses at `from`, moves the mouse by `delta` in global coordinates in small steps, as a
// real mouse does, and releases.
void drag(QWidget *widget, QPoint from, QPoint delta, Qt::MouseButton button = Qt::LeftButton)
{
    mouse(widget, QEvent::MouseButtonPress, from, button, button);
    const QPoint globalStart = widget->mapToGlobal(from);
    const int steps = 5;
    QPoint globalTarget = globalStart;
    for (int i = 1; i <= steps; ++i) {
        globalTarget = globalStart + delta * i / steps;
        // Reported relative to the window where it is before it follows the mouse.
        QMouseEvent move(QEvent::MouseMove, widget->mapFromGlobal(globalTarget), globalTarget, Qt::NoButton, button,
                         Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    mouse(widget, QEvent::MouseButtonRelease, widget->mapFromGlobal(globalTarget), button, Qt::NoButton);
}

QByteArray builtInManual()
{
    QFile file(UserManual::kResourcePath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class AboutBoxTest : public QObject
{
    Q_OBJECT
private slots:
    void holdsThePanelVersion();
    void dragsByTheTitleStripOnly();
    void aboutIsOneDialogReused();
    void manualIsInTheHelpMenu_data();
    void manualIsInTheHelpMenu();
    void manualCopyIsPrivateAndReplacesStaleOrPlantedFiles();
    void renders();
};

void AboutBoxTest::holdsThePanelVersion()
{
    CustomDialog about;
    // Against the project's version as CMake has it, handed to this test on its own:
    // a release that bumps the project but not the box fails here.
    QCOMPARE(about.version, QStringLiteral("V" QUILL_PROJECT_VERSION));
    QStringList texts;
    for (QLabel *label : about.findChildren<QLabel *>())
        texts << label->text();
    QVERIFY2(texts.contains(QStringLiteral("Version: " QUILL_PROJECT_VERSION)), qPrintable(texts.join(" | ")));
    QVERIFY2(texts.join(" ").contains("GNU General Public License, version 3 or later"),
             qPrintable(texts.join(" | ")));
    QVERIFY(about.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(about.findChild<QLabel *>("linkLabel")->openExternalLinks());
}

void AboutBoxTest::dragsByTheTitleStripOnly()
{
    CustomDialog about;
    about.move(200, 150);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    const QPoint start = about.pos();

    // Below the strip, or with the right button: the window stays.
    drag(&about, QPoint(40, 60), QPoint(30, 20));
    QCOMPARE(about.pos(), start);
    drag(&about, QPoint(40, 10), QPoint(30, 20), Qt::RightButton);
    QCOMPARE(about.pos(), start);
    // A press below the strip followed by a move that crosses into it moves nothing either.
    mouse(&about, QEvent::MouseButtonPress, QPoint(40, 60), Qt::LeftButton, Qt::LeftButton);
    QMouseEvent into(QEvent::MouseMove, QPoint(40, 10), about.mapToGlobal(QPoint(40, 10)) + QPoint(50, 0),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&about, &into);
    QCOMPARE(about.pos(), start);
    mouse(&about, QEvent::MouseButtonRelease, QPoint(40, 10), Qt::LeftButton, Qt::NoButton);

    // By the strip: the grabbed point stays under the mouse.
    const QPoint grab(40, 10);
    const QPoint grabbedGlobal = about.mapToGlobal(grab);
    drag(&about, grab, QPoint(30, 20));
    QCOMPARE(about.pos(), start + QPoint(30, 20));
    QCOMPARE(about.mapToGlobal(grab), grabbedGlobal + QPoint(30, 20));
}

void AboutBoxTest::aboutIsOneDialogReused()
{
    InMemoryMidiDriver midi;
    Platform platform;
    platform.midi = &midi;
    MainWindow window(platform);
    QVERIFY(window.form()->menuHelp->actions().contains(window.form()->actionAbout));

    QList<CustomDialog *> opened;
    for (int i = 0; i < 2; ++i) {
        QTimer::singleShot(0, &window, [&] {
            auto *about = qobject_cast<CustomDialog *>(QApplication::activeModalWidget());
            opened << about;
            if (about)
                about->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        window.form()->actionAbout->trigger();
    }
    QCOMPARE(opened.size(), 2);
    QVERIFY(opened.at(0));
    QCOMPARE(opened.at(0), opened.at(1));
    QCOMPARE(opened.at(0), window.aboutBox());
    QCOMPARE(window.aboutBox()->result(), int(QDialog::Accepted));
    QCOMPARE(window.findChildren<CustomDialog *>().size(), 1);
}

void AboutBoxTest::manualIsInTheHelpMenu_data()
{
    QTest::addColumn<bool>("viewer");
    QTest::newRow("a PDF viewer") << true;
    QTest::newRow("no PDF viewer") << false;
}

// Opened in the desktop's viewer; without one the user is told where the copy is.
void AboutBoxTest::manualIsInTheHelpMenu()
{
    QFETCH(bool, viewer);
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    InMemoryMidiDriver midi;
    RecordingUrlOpener urls;
    urls.answer = viewer;
    MessageBoxRecorder boxes;
    Platform platform;
    platform.midi = &midi;
    platform.urlOpener = &urls;
    platform.messageBoxes = &boxes;
    MainWindow window(platform);
    QVERIFY(window.form()->menuHelp->actions().contains(window.form()->actionUser_Manual));
    QCOMPARE(window.form()->actionUser_Manual->text(), QString("User &Manual"));

    window.form()->actionUser_Manual->trigger();
    QCOMPARE(urls.opened.size(), 1);
    const QString copy = urls.opened.first().toLocalFile();
    QVERIFY(copy.startsWith(cache.path()));
    QVERIFY(QFile::exists(copy));
    QCOMPARE(boxes.boxes.size(), viewer ? 0 : 1);
    if (!viewer) {
        QCOMPARE(boxes.boxes.first().title, QString("User Manual"));
        QVERIFY(boxes.boxes.first().text.endsWith("\n" + copy));
    }
    qunsetenv("XDG_CACHE_HOME");
}

void AboutBoxTest::manualCopyIsPrivateAndReplacesStaleOrPlantedFiles()
{
    const QByteArray manual = builtInManual();
    QVERIFY(manual.startsWith("%PDF-"));
    QVERIFY(manual.size() > 10000);

    QTemporaryDir base;
    const QString dir = base.filePath("cache/manual");
    const QString path = UserManual::exportTo(dir);
    QCOMPARE(path, QDir(dir).filePath("manual.pdf"));
    QFile copy(path);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), manual);
    copy.close();
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                                            | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    QCOMPARE(QFileInfo(dir).permissions() & others, QFileDevice::Permissions());

    // A second use finds the same copy.
    QCOMPARE(UserManual::exportTo(dir), path);

    // An old or foreign file is replaced.
    QVERIFY(copy.open(QIODevice::WriteOnly | QIODevice::Truncate));
    copy.write("%PDF-1.4 an old manual");
    copy.close();
    QCOMPARE(UserManual::exportTo(dir), path);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), manual);
    copy.close();

    // A link planted in its place is replaced, and its target left alone.
    const QString victim = base.filePath("victim.txt");
    QFile target(victim);
    QVERIFY(target.open(QIODevice::WriteOnly));
    target.write("keep me");
    target.close();
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::link(victim, path));
    QCOMPARE(UserManual::exportTo(dir), path);
    QVERIFY(!QFileInfo(path).isSymLink());
    QVERIFY(target.open(QIODevice::ReadOnly));
    QCOMPARE(target.readAll(), QByteArray("keep me"));

    // A place that cannot be written gives no path.
    QCOMPARE(UserManual::exportTo(victim + "/sub"), QString());
}

void AboutBoxTest::renders()
{
    CustomDialog about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    const QImage image = about.grab().toImage();
    // The strip is painted: light gray at the top edge, white below it.
    QCOMPARE(QColor(image.pixel(about.width() / 2, 1)).red() < 220, true);
    QCOMPARE(QColor(image.pixel(about.width() / 2, CustomDialog::kTitleStripHeight + 3)), QColor(Qt::white));
    const QByteArray out = qgetenv("QUILL_TEST_OUTPUT");
    if (!out.isEmpty())
        image.save(QString::fromLocal8Bit(out) + "/about.png");
}

QTEST_MAIN(AboutBoxTest)
#include "tst_aboutbox.moc"
