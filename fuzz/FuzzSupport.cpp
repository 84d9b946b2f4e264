// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzSupport.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

namespace FuzzSupport {

void startApplication()
{
    if (QCoreApplication::instance())
        return;
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
