#include "FuzzSupport.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

namespace FuzzSupport {

namespace {

// scripts/fuzz sets both; a crash file replayed by hand must neither change
// the user's own settings (the targets turn the start-up check off) nor let a
// window reach the real update server.
void keepAwayFromTheUser()
{
    if (qEnvironmentVariableIsEmpty("QUILL_UPDATE_URL"))
        qputenv("QUILL_UPDATE_URL", "https://127.0.0.1:9");
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
        static QTemporaryDir settings; // removed as the fuzzer exits
        if (settings.isValid())
            qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    }
}

} // namespace

void startApplication()
{
    if (QCoreApplication::instance())
        return;
    keepAwayFromTheUser();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    silenceQtMessages();
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives until the fuzzer exits
}

void closeModalDialogsAutomatically()
{
    // A zero timer runs whenever an event loop is idle, which includes the
    // nested loop of a modal dialog's exec().
    auto *timer = new QTimer(qApp);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->done(QDialog::Rejected);
    });
    timer->start();
}

} // namespace FuzzSupport
