#include "FuzzSupport.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace FuzzSupport {

namespace {

void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "qFatal: %s\n", qPrintable(text));
        std::abort();
    }
}

} // namespace

void startApplication()
{
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives until the fuzzer exits
}

QList<QByteArray> splitMessages(const uint8_t *data, size_t size)
{
    QList<QByteArray> messages;
    size_t pos = 0;
    while (pos < size) {
        const size_t length = data[pos++];
        const size_t take = std::min(length, size - pos);
        messages.append(QByteArray(reinterpret_cast<const char *>(data + pos), int(take)));
        pos += take;
    }
    return messages;
}

bool isWellFormedSysEx(const QByteArray &message)
{
    if (message.size() < 2 || quint8(message.front()) != 0xF0 || quint8(message.back()) != 0xF7)
        return false;
    for (int i = 1; i < message.size() - 1; ++i)
        if (quint8(message[i]) & 0x80)
            return false;
    return true;
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
