// Everything a unit can send over its serial link, through the link's own
// reading (a real pseudo-terminal, so QSerialPort's reads are the real ones),
// the reply parser and the main window's handling, with and without a
// firmware transfer waiting for the unit.
//
// Checked besides the sanitizers: the parser's fields agree with the chunk
// they came from, the transfer never writes past its image, and no image
// chunk leaves before the unit acknowledged the one before.

#include "FuzzSupport.h"

#include "app/MainWindow.h"
#include "midi/InMemoryMidiDriver.h"
#include "serial/FirmwareTransfer.h"
#include "serial/SerialPort.h"
#include "serial/SerialProtocol.h"
#include "serial/Upgrade_message_Dialog.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

[[noreturn]] void fault(const char *what, const QByteArray &chunk)
{
    std::fprintf(stderr, "%s: %s\n", what, chunk.toHex(' ').constData());
    std::abort();
}

struct Rig
{
    InMemoryMidiDriver midi;
    MainWindow *window = nullptr;
    int master = -1;
    qint64 delivered = 0;

    Rig()
    {
        int slave = -1;
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            std::abort();
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

        window = new MainWindow(Platform{&midi, nullptr, nullptr});
        QString failure;
        if (!window->serialLink()->tryOpenPort(QString::fromLocal8Bit(name), SerialProtocol::kBaudRate, &failure)) {
            std::fprintf(stderr, "cannot open %s: %s\n", name, qPrintable(failure));
            std::abort();
        }
        ::close(slave); // the link holds its own descriptor
        QObject::connect(window->serialLink(), &SerialPort::showdata,
                         [this](const QByteArray &data) { delivered += data.size(); });
    }

    // What the panel wrote (commands and image chunks) is of no interest
    // here; it only must not fill the terminal's buffer.
    void drain()
    {
        char buffer[4096];
        while (::read(master, buffer, sizeof buffer) > 0) {
        }
    }

    // Writes one chunk as the unit would and lets the link read it.
    void deliver(const QByteArray &chunk)
    {
        const qint64 target = delivered + chunk.size();
        if (::write(master, chunk.constData(), size_t(chunk.size())) != chunk.size())
            std::abort();
        QElapsedTimer waited;
        waited.start();
        while (delivered < target && waited.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        delivered = target;
    }
};

Rig *rig = nullptr;

void checkReply(const QByteArray &chunk)
{
    const SerialProtocol::Reply reply = SerialProtocol::parseReply(chunk);
    if (reply.acknowledgement && (chunk.size() != SerialProtocol::kFrameSize || reply.eraseEnd))
        fault("acknowledgement from a chunk that is not one", chunk);
    if (reply.eraseEnd != chunk.contains("ERASE END"))
        fault("ERASE END misread", chunk);
    if (reply.hasModel && !reply.model.startsWith(QLatin1String("TQR-")))
        fault("model text without its marker", chunk);
    if (reply.hasModel && reply.hasVersion)
        fault("one chunk read as model and version", chunk);
}

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
    if (size == 0)
        return 0;
    FirmwareTransfer *transfer = rig->window->firmwareTransfer();

    // The first byte picks whether a manual upgrade is waiting for the unit's
    // "ERASE END" and how large its image is.
    const bool upgrading = data[0] & 1;
    const int imageSize = 1 + (data[0] >> 1) * 5;
    if (upgrading) {
        transfer->setModelFamily(2);
        transfer->loadImage(QByteArray(imageSize, char(0x5A)));
        transfer->writeErase();
    }

    for (const QByteArray &chunk : FuzzSupport::splitMessages(data + 1, size - 1)) {
        checkReply(chunk);
        if (!chunk.isEmpty())
            rig->deliver(chunk);

        // The pacing timer's step, taken at once: it must wait for the
        // acknowledgement whatever arrived.
        const bool ready = rig->window->serialLink()->readyForNext();
        const qint64 before = transfer->sent();
        rig->window->sendNextChunk();
        if (transfer->sent() != before && !ready)
            fault("chunk sent before its acknowledgement", chunk);
        if (transfer->sent() > transfer->image().size())
            fault("transfer wrote past its image", chunk);
        rig->drain();
    }

    transfer->abort();
    rig->window->upgradeMessageDialog()->hide();
    rig->window->serialLink()->setReadyForNext(false);
    QCoreApplication::processEvents();
    rig->drain();
    return 0;
}
