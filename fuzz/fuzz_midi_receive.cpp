// Everything a unit can send over MIDI, through the panel's whole receive
// path: the main window's dispatch with identification, time code, source and
// rate reports and every settings window's feedback and acknowledgement
// handling, against a connected TQR-30 Pro so that replies are sent too.
//
// Besides the sanitizers, two properties are checked: the panel answers only
// with well-formed System Exclusive, and the plain time-code decoder agrees
// with itself whatever it is fed.

#include "FuzzSupport.h"

#include "app/MainWindow.h"
#include "midi/InMemoryMidiDriver.h"
#include "protocol/Identification.h"
#include "protocol/MidiTimecodeIn.h"

#include <QApplication>
#include <QMutex>
#include <QMutexLocker>

#include <cstdio>
#include <cstdlib>

namespace {

struct Rig
{
    InMemoryMidiDriver driver;
    QMutex mutex;
    QList<QByteArray> sent;
    MainWindow *window = nullptr;

    Rig()
    {
        driver.addDevice("TQR-30 Pro", [this](const QByteArray &m) {
            QMutexLocker lock(&mutex);
            sent.append(m);
        });
        window = new MainWindow(Platform{&driver});
        window->connectMidiDevice("TQR-30 Pro [0]");
        takeSent();
    }

    QList<QByteArray> takeSent()
    {
        QMutexLocker lock(&mutex);
        return std::exchange(sent, {});
    }
};

Rig *rig = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::startApplication();
    FuzzSupport::closeModalDialogsAutomatically();
    rig = new Rig;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> messages = FuzzSupport::splitMessages(data, size);
    for (const QByteArray &message : messages) {
        rig->window->onMidiMessageReceived(message);

        quint8 gg = 0, hh = 0;
        if (Identification::parseFeedbackDeviceType(message, gg, hh) && message.size() != 9)
            std::abort();
    }
    // Timers that the messages started (windows' step timeouts, the source
    // lock) get their turn, as they would between real messages.
    QCoreApplication::processEvents();

    for (const QByteArray &out : rig->takeSent()) {
        if (!FuzzSupport::isWellFormedSysEx(out)) {
            std::fprintf(stderr, "panel sent a malformed message: %s\n", out.toHex(' ').constData());
            std::abort();
        }
    }
    return 0;
}
