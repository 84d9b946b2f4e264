// SPDX-License-Identifier: GPL-3.0-or-later
// "cmake --install" into a temporary prefix under umask 002: every file a desktop expects,
// with the modes a system install needs, checked with the desktop's own validators, the udev rule read key by key against the panel's match words,
// the man pages rendered, and the window icon found in the installed theme.
#include "shell/DesktopIdentity.h"
#include "shell/MainWindow.h"
#include "shell/Platform.h"
#include "midi/InMemoryMidiDriver.h"
#include "serial/UnitUsbNames.h"

#include <QGuiApplication>
#include <QIcon>
#include <QRegularExpression>
#include <QtTest>

#include <sys/stat.h>

namespace {

struct Run
{
    int exitCode = -1;
    QString output;
};

Run run(const QString &program, const QStringList &arguments, const QProcessEnvironment &env = {})
{
    QProcess process;
    if (!env.isEmpty())
        process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        result.output = process.errorString();
        return result;
    }
    result.exitCode = process.exitCode();
    result.output = QString::fromLocal8Bit(process.readAll());
    return result;
}

// One udev rule item: KEY, optional {attribute}, operator, quoted value.
const QRegularExpression kUdevItem(QStringLiteral("^([A-Z]+)(?:\\{([^}]+)\\})?(==|!=|\\+=|-=|:=|=)\"([^\"]*)\"$"));

const QSet<QString> kMatchKeys = {"ACTION", "SUBSYSTEM", "SUBSYSTEMS", "KERNEL", "KERNELS", "ATTR", "ATTRS",
                                  "ENV", "TAG", "DRIVERS", "DEVPATH"};
const QSet<QString> kAssignKeys = {"TAG", "ENV", "GOTO", "LABEL", "MODE", "GROUP", "SYMLINK", "RUN", "OPTIONS"};

} // namespace

class InstallTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void installsEveryFile_data();
    void installsEveryFile();
    void modesDoNotFollowTheUmask();
    void desktopEntryAndAppStreamValidate();
    void udevRuleParsesAndMatchesTheDiscoveryWords();
    void helpAndVersionNeedNoDisplay_data();
    void helpAndVersionNeedNoDisplay();
    void manPagesRender_data();
    void manPagesRender();
    void windowIconComesFromTheInstalledTheme();

private:
    QString installed(const QString &relative) const { return prefix.filePath(relative); }
    QTemporaryDir prefix;
};

void InstallTest::initTestCase()
{
    const QString build = qEnvironmentVariable("QUILL_BUILD_DIR");
    const QString cmake = qEnvironmentVariable("QUILL_CMAKE", QStringLiteral("cmake"));
    if (build.isEmpty())
        QSKIP("QUILL_BUILD_DIR is not set: run this test through ctest");
    QVERIFY(prefix.isValid());
    // A group-writable umask, as many desktops set it, must not reach what is installed.
    ::umask(002);
    const Run install = run(cmake, {"--install", build, "--prefix", prefix.path()});
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
}

void InstallTest::installsEveryFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("panel") << "bin/quill-tool";
    QTest::newRow("emulator") << "bin/tqr-emulator";
    QTest::newRow("command line") << "bin/quill-ctl";
    QTest::newRow("bash completion") << "share/bash-completion/completions/quill-ctl";
    QTest::newRow("desktop entry") << "share/applications/org.quill_tool.QuillTool.desktop";
    QTest::newRow("AppStream") << "share/metainfo/org.quill_tool.QuillTool.metainfo.xml";
    QTest::newRow("scalable icon") << "share/icons/hicolor/scalable/apps/org.quill_tool.QuillTool.svg";
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        QTest::newRow(qPrintable(QStringLiteral("icon %1").arg(size)))
            << QStringLiteral("share/icons/hicolor/%1x%1/apps/org.quill_tool.QuillTool.png").arg(size);
    QTest::newRow("udev rule") << "lib/udev/rules.d/70-quill-tool.rules";
    QTest::newRow("panel man page") << "share/man/man1/quill-tool.1";
    QTest::newRow("emulator man page") << "share/man/man1/tqr-emulator.1";
    QTest::newRow("command-line man page") << "share/man/man1/quill-ctl.1";
}

void InstallTest::installsEveryFile()
{
    QFETCH(QString, path);
    const QFileInfo file(installed(path));
    QVERIFY2(file.isFile(), qPrintable(file.filePath()));
    QVERIFY(file.size() > 0);
    if (path.startsWith("bin/"))
        QVERIFY(file.isExecutable());
    if (path.endsWith(".png")) {
        const QImage icon(file.filePath());
        const int size = path.section('/', 3, 3).section('x', 0, 0).toInt();
        QCOMPARE(icon.size(), QSize(size, size));
        QVERIFY(icon.hasAlphaChannel());
    }
}

void InstallTest::modesDoNotFollowTheUmask()
{
    const QDir root(prefix.path());
    QStringList wrong;
    QDirIterator it(root.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st;
        QVERIFY2(::lstat(QFile::encodeName(path).constData(), &st) == 0, qPrintable(path));
        const QString relative = root.relativeFilePath(path);
        const mode_t expected = S_ISDIR(st.st_mode) || relative.startsWith("bin/") ? 0755 : 0644;
        if ((st.st_mode & 07777) != expected)
            wrong << QStringLiteral("%1 is %2").arg(relative).arg(st.st_mode & 07777, 0, 8);
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(", ")));
}

void InstallTest::desktopEntryAndAppStreamValidate()
{
    const QString entry = installed("share/applications/org.quill_tool.QuillTool.desktop");
    const Run desktop = run("desktop-file-validate", {entry});
    QVERIFY2(desktop.exitCode == 0 && desktop.output.trimmed().isEmpty(), qPrintable(desktop.output));
    QFile entryFile(entry);
    QVERIFY(entryFile.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(entryFile.readAll()).split('\n');
    QVERIFY(lines.contains(QStringLiteral("Icon=") + DesktopIdentity::kAppId));
    QVERIFY(lines.contains("Exec=quill-tool"));
    QVERIFY(lines.contains("Categories=AudioVideo;Audio;Midi;"));

    const QString metainfo = installed("share/metainfo/org.quill_tool.QuillTool.metainfo.xml");
    const Run appstream = run("appstreamcli", {"validate", "--no-net", "--explain", metainfo});
    QVERIFY2(appstream.exitCode == 0, qPrintable(appstream.output));
    QFile xml(metainfo);
    QVERIFY(xml.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(xml.readAll());
    QVERIFY(text.contains("<id>org.quill_tool.QuillTool</id>"));
    QVERIFY(text.contains("<project_license>GPL-3.0-or-later</project_license>"));
    QVERIFY(text.contains("<launchable type=\"desktop-id\">org.quill_tool.QuillTool.desktop</launchable>"));
    // The newest release listed is this one.
    const QRegularExpression release("<release version=\"([^\"]+)\"");
    QCOMPARE(release.match(text).captured(1), QString(QUILL_PROJECT_VERSION));
    // Every screenshot it names is one the repository carries.
    const QRegularExpression image("<image>https://quill-tool.org/(docs/screenshots/[^<]+)</image>");
    int screenshots = 0;
    for (auto match = image.globalMatch(text); match.hasNext(); ++screenshots) {
        const QString committed = QStringLiteral(QUILL_SOURCE_DIR "/") + match.next().captured(1);
        QVERIFY2(QFileInfo(committed).isFile(), qPrintable(committed));
    }
    QCOMPARE(screenshots, 3);
}

void InstallTest::udevRuleParsesAndMatchesTheDiscoveryWords()
{
    QFile rule(installed("lib/udev/rules.d/70-quill-tool.rules"));
    QVERIFY(rule.open(QIODevice::ReadOnly | QIODevice::Text));
    QSet<QString> labels, gotos;
    // Discovery reads both USB strings, so each word is matched in each.
    QHash<QString, QSet<QString>> wordsIn;
    int granting = 0;
    while (!rule.atEnd()) {
        const QString line = QString::fromUtf8(rule.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        QHash<QString, QString> assigned;
        QString usbString, word;
        for (const QString &item : line.split(QStringLiteral(", "))) {
            const QRegularExpressionMatch m = kUdevItem.match(item);
            QVERIFY2(m.hasMatch(), qPrintable("not KEY{attr}op\"value\": " + item));
            const QString key = m.captured(1), attribute = m.captured(2), op = m.captured(3), value = m.captured(4);
            const bool match = op == "==" || op == "!=";
            QVERIFY2(match ? kMatchKeys.contains(key) : kAssignKeys.contains(key), qPrintable(item));
            QVERIFY2(attribute.isEmpty() == !(key == "ATTR" || key == "ATTRS" || key == "ENV"), qPrintable(item));
            if (key == "LABEL") {
                labels << value;
            } else if (key == "GOTO") {
                gotos << value;
            } else if (key == "ATTRS" && (attribute == "product" || attribute == "interface")) {
                QCOMPARE(op, QString("=="));
                QVERIFY2(usbString.isEmpty(), qPrintable(line));
                usbString = attribute;
                word = value;
            }
            if (!match)
                assigned.insert(key + attribute, op + value);
        }
        if (usbString.isEmpty())
            continue;
        wordsIn[usbString] << word;
        QCOMPARE(assigned.value("TAG"), QString("+=uaccess"));
        QCOMPARE(assigned.value("ENVID_MM_DEVICE_IGNORE"), QString("=1"));
        ++granting;
    }
    QCOMPARE(gotos, labels);
    QCOMPARE(granting, 4);
    const QSet<QString> words{QStringLiteral("*%1*").arg(UnitUsbNames::kBrandWord),
                              QStringLiteral("*%1*").arg(UnitUsbNames::kUpgradeModeName)};
    QCOMPARE(wordsIn.value("product"), words);
    QCOMPARE(wordsIn.value("interface"), words);
}

void InstallTest::helpAndVersionNeedNoDisplay_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("expected");
    QTest::newRow("help") << QStringList{"--help"} << 0 << "Control panel for TQR time-code units.";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "Quill Tool V" QUILL_PROJECT_VERSION;
    QTest::newRow("help with Qt options") << QStringList{"-style", "fusion", "--reverse", "-h"} << 0 << "--demo";
    QTest::newRow("help-all") << QStringList{"--help-all"} << 0 << "--qwindowgeometry <geometry>";
    QTest::newRow("unknown option") << QStringList{"--demo", "--frobnicate"} << 2
                                    << "quill-tool: Unknown option 'frobnicate'. Try 'quill-tool --help'.";
    QTest::newRow("Qt option's value missing its option") << QStringList{"fusion", "-stylesheet=a.qss", "-x"} << 2
                                                          << "Unknown option 'x'";
}

// Over ssh or in a package build there is no display; asking for text, or a mistake in the
// options, must not need one.
void InstallTest::helpAndVersionNeedNoDisplay()
{
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, expected);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    const Run panel = run(installed("bin/quill-tool"), options, env);
    QVERIFY2(panel.exitCode == exitCode, qPrintable(panel.output));
    QVERIFY2(panel.output.contains(expected), qPrintable(panel.output));
    if (exitCode != 0)
        QVERIFY2(panel.output.count('\n') == 1, qPrintable(panel.output));
}

void InstallTest::manPagesRender_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("name");
    QTest::newRow("panel") << "share/man/man1/quill-tool.1" << "quill-tool - control panel";
    QTest::newRow("emulator") << "share/man/man1/tqr-emulator.1" << "tqr-emulator - an emulated";
    QTest::newRow("command line") << "share/man/man1/quill-ctl.1" << "quill-ctl - drive a TQR";
}

void InstallTest::manPagesRender()
{
    QFETCH(QString, page);
    QFETCH(QString, name);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MANWIDTH", "80");
    env.insert("MAN_KEEP_STDERR", "1");
    const Run man = run("man", {"--warnings", "-l", installed(page)}, env);
    QVERIFY2(man.exitCode == 0, qPrintable(man.output));
    QVERIFY2(!man.output.contains("warning"), qPrintable(man.output));
    QVERIFY2(man.output.contains(name), qPrintable(man.output));
    QVERIFY2(man.output.contains(QStringLiteral("Quill Tool " QUILL_PROJECT_VERSION)), qPrintable(man.output));
    for (const char *section : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "SEE ALSO"})
        QVERIFY2(man.output.contains(QRegularExpression(QStringLiteral("^%1$").arg(section),
                                                         QRegularExpression::MultilineOption)),
                 section);
}

void InstallTest::windowIconComesFromTheInstalledTheme()
{
    QTemporaryDir nowhere;
    QIcon::setThemeSearchPaths({nowhere.path()});
    DesktopIdentity::apply();
    QCOMPARE(QGuiApplication::desktopFileName(), QString("org.quill_tool.QuillTool"));
    QVERIFY(QGuiApplication::windowIcon().isNull());

    QIcon::setThemeSearchPaths({installed("share/icons")});
    DesktopIdentity::apply();
    const QIcon icon = QGuiApplication::windowIcon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.availableSizes().size(), 8);
    QVERIFY(icon.availableSizes().contains(QSize(256, 256)));
    QCOMPARE(icon.pixmap(48, 48).size(), QSize(48, 48));

    // The main window shows it: no icon of its own hides the application's.
    InMemoryMidiDriver midi;
    Platform platform;
    platform.midi = &midi;
    const MainWindow window(platform);
    QCOMPARE(window.windowIcon().cacheKey(), icon.cacheKey());
}

QTEST_MAIN(InstallTest)
#include "tst_install.moc"
