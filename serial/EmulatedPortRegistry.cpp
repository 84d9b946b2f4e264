#include "serial/EmulatedPortRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace {

bool processAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
    // EPERM: it runs, under another user.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace

EmulatedPortRegistry::EmulatedPortRegistry(const QString &directory)
    : m_directory(directory)
{
}

QString EmulatedPortRegistry::defaultDirectory()
{
    const QString overridden = qEnvironmentVariable("QUILL_SERIAL_REGISTRY");
    if (!overridden.isEmpty())
        return overridden;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + QLatin1String("/quill-tool/serial");
    return QDir::tempPath() + QStringLiteral("/quill-tool-%1/serial").arg(::getuid());
}

bool EmulatedPortRegistry::parse(const QByteArray &text, Entry *entry)
{
    Entry parsed;
    bool hasVendor = false;
    bool hasProduct = false;
    const QList<QByteArray> lines = text.split('\n');
    for (QByteArray line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const int eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = line.left(eq).trimmed();
        const QString value = QString::fromUtf8(line.mid(eq + 1).trimmed());
        bool ok = false;
        if (key == "path") {
            parsed.path = value;
        } else if (key == "vendor") {
            parsed.vendorId = value.toInt(&ok, 16);
            hasVendor = ok && parsed.vendorId >= 0 && parsed.vendorId <= 0xFFFF;
        } else if (key == "product") {
            parsed.productId = value.toInt(&ok, 16);
            hasProduct = ok && parsed.productId >= 0 && parsed.productId <= 0xFFFF;
        } else if (key == "description") {
            parsed.description = value;
        } else if (key == "pid") {
            parsed.ownerPid = value.toLongLong(&ok);
            if (!ok)
                parsed.ownerPid = 0;
        }
    }
    if (parsed.path.isEmpty() || parsed.description.isEmpty() || !hasVendor || !hasProduct)
        return false;
    *entry = parsed;
    return true;
}

QByteArray EmulatedPortRegistry::format(const Entry &entry)
{
    QByteArray text;
    text += "path=" + entry.path.toUtf8() + '\n';
    text += "vendor=" + QByteArray::number(entry.vendorId, 16).rightJustified(4, '0') + '\n';
    text += "product=" + QByteArray::number(entry.productId, 16).rightJustified(4, '0') + '\n';
    text += "description=" + entry.description.toUtf8() + '\n';
    if (entry.ownerPid > 0)
        text += "pid=" + QByteArray::number(entry.ownerPid) + '\n';
    return text;
}

QList<EmulatedPortRegistry::Entry> EmulatedPortRegistry::entries() const
{
    QList<Entry> result;
    const QDir dir(m_directory);
    const QStringList files = dir.entryList({QStringLiteral("*.port")}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        Entry entry;
        if (!parse(file.read(4096), &entry))
            continue;
        if (!QFileInfo::exists(entry.path))
            continue;
        if (entry.ownerPid > 0 && !processAlive(entry.ownerPid))
            continue;
        result.append(entry);
    }
    return result;
}

QString EmulatedPortRegistry::registerPort(const QString &fileStem, const Entry &entry) const
{
    if (!QDir().mkpath(m_directory))
        return QString();
    const QString path = QDir(m_directory).filePath(fileStem + QLatin1String(".port"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(format(entry));
    if (!file.commit())
        return QString();
    return path;
}

bool EmulatedPortRegistry::unregisterPort(const QString &filePath)
{
    return QFile::remove(filePath);
}

SerialPortEntry EmulatedPortRegistry::toPortEntry(const Entry &entry)
{
    SerialPortEntry port;
    port.portName = entry.path;
    port.hasVendorId = true;
    port.hasProductId = true;
    port.vendorId = entry.vendorId;
    port.productId = entry.productId;
    port.description = entry.description;
    port.systemLocation = entry.path;
    port.manufacturer = QStringLiteral("emulated");
    return port;
}
