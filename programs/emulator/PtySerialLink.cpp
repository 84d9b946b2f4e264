// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/PtySerialLink.h"

#include "serial/EmulatedPortRegistry.h"
#include "serial/UnitUsbNames.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

int nextPortNumber()
{
    static int counter = 0;
    return ++counter;
}

} // namespace

PtySerialLink::PtySerialLink(EmulatedUnit *unit, const QString &registryDirectory, QObject *parent)
    : QObject(parent)
    , m_unit(unit)
    , m_registryDirectory(registryDirectory.isEmpty() ? defaultRegistryDirectory() : registryDirectory)
{
    connect(unit, &EmulatedUnit::serialModeChanged, this, &PtySerialLink::follow);
    connect(unit, &EmulatedUnit::serialOut, this, &PtySerialLink::write);
    follow(unit->serialMode());
}

PtySerialLink::~PtySerialLink()
{
    vanish();
}

QString PtySerialLink::normalDescription(UnitMessages::Model model)
{
    return UnitMessages::modelName(model) + QLatin1Char(' ') + QLatin1String(UnitUsbNames::kBrandWord);
}

QString PtySerialLink::upgradeDescription()
{
    return QLatin1String(UnitUsbNames::kUpgradeModeName) + QStringLiteral(" Loader");
}

QString PtySerialLink::defaultRegistryDirectory()
{
    return EmulatedPortRegistry::defaultDirectory();
}

void PtySerialLink::follow(EmulatedUnit::SerialMode mode)
{
    vanish();
    if (mode == EmulatedUnit::SerialMode::Normal)
        appear(normalDescription(m_unit->model()), kNormalProductId);
    else if (mode == EmulatedUnit::SerialMode::Upgrade)
        appear(upgradeDescription(), kUpgradeProductId, m_unit->faults().busyUpgradePortMs);
}

bool PtySerialLink::appear(const QString &description, int productId, int busyMs)
{
    int master = -1;
    int slave = -1;
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        qWarning() << "Emulated unit: no pseudo-terminal:" << strerror(errno);
        return false;
    }
    // Raw bytes both ways at the unit's line speed; the panel sets the same
    // when it opens the port, but a reader must never see echo or CR mapping.
    termios mode {};
    if (::tcgetattr(slave, &mode) == 0) {
        ::cfmakeraw(&mode);
        ::cfsetispeed(&mode, B115200);
        ::cfsetospeed(&mode, B115200);
        ::tcsetattr(slave, TCSANOW, &mode);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    // The unit keeps the slave open too: without it the master reads EIO
    // whenever the panel closes the port, and the port would look unplugged.
    m_master = master;
    m_slave = slave;
    m_slavePath = QString::fromLocal8Bit(name);
    m_description = description;
    m_notifier = new QSocketNotifier(master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtySerialLink::readable);
    if (busyMs > 0) {
        // Held through QSerialPort, whose lock makes every other opener's
        // attempt fail the way a port in use does; taken before the port is
        // announced, so no opener ever finds it free early.
        m_holder = new QSerialPort(m_slavePath, this);
        if (m_holder->open(QIODevice::ReadOnly)) {
            QTimer::singleShot(busyMs, m_holder, [this] {
                m_holder->close();
                qDebug() << "Emulated unit: upgrade-mode port free now";
            });
        } else {
            qWarning() << "Emulated unit: cannot hold its port busy:" << m_holder->errorString();
        }
    }

    const QString stem = QStringLiteral("tqr-emulator-%1-%2").arg(QCoreApplication::applicationPid()).arg(nextPortNumber());
    EmulatedPortRegistry::Entry entry;
    entry.path = m_slavePath;
    entry.vendorId = kVendorId;
    entry.productId = productId;
    entry.description = description;
    entry.ownerPid = QCoreApplication::applicationPid();
    m_registryFile = EmulatedPortRegistry(m_registryDirectory).registerPort(stem, entry);
    if (m_registryFile.isEmpty())
        qWarning() << "Emulated unit: cannot announce its serial port in" << m_registryDirectory;
    qDebug() << "Emulated unit serial port" << m_slavePath << description;
    emit portChanged(m_slavePath, description);
    return true;
}

void PtySerialLink::vanish()
{
    if (m_master < 0)
        return;
    if (!m_registryFile.isEmpty())
        QFile::remove(m_registryFile);
    m_registryFile.clear();
    delete m_notifier;
    m_notifier = nullptr;
    delete m_holder;
    m_holder = nullptr;
    ::close(m_master);
    ::close(m_slave);
    m_master = -1;
    m_slave = -1;
    m_slavePath.clear();
    m_description.clear();
    emit portChanged(QString(), QString());
}

void PtySerialLink::readable()
{
    char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n > 0)
        m_unit->receiveSerial(QByteArray(buffer, int(n)));
}

void PtySerialLink::write(const QByteArray &bytes)
{
    if (m_master < 0)
        return;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            // A full pty buffer means nobody reads: the bytes are lost, as on a
            // real line with no listener.
            qDebug() << "Emulated unit: serial write stopped:" << strerror(errno);
            return;
        }
    }
}
