// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/EmulatedPortRegistry.h"

#include "serial/PlatformAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDebug>
#include <QSaveFile>

QString EmulatedPortRegistry::distrustOfDirectory(const QString &path)
{
    // The registry directory itself must be the user's own; the folder
    // holding it must at least keep others from swapping it.
    QString why = PlatformAccess::ownedByAnother(path);
    if (why.isEmpty())
        why = PlatformAccess::distrustOf(path, true);
    if (why.isEmpty())
        why = PlatformAccess::distrustOf(QFileInfo(path).absolutePath(), true);
    return why;
}

void EmulatedPortRegistry::traceOnce(const QString &why) const
{
    if (m_traced.contains(why))
        return;
    m_traced.append(why);
    qWarning().noquote() << "Emulated-port registry: ignoring" << why;
}

bool EmulatedPortRegistry::directoryTrusted() const
{
    if (!QFileInfo::exists(m_directory))
        return false;
    const QString why = distrustOfDirectory(m_directory);
    if (!why.isEmpty()) {
        traceOnce(why);
        return false;
    }
    return true;
}

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
    return QDir::tempPath() + QStringLiteral("/quill-tool-%1/serial").arg(PlatformAccess::currentUserId());
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
    if (!directoryTrusted())
        return result;
    const QDir dir(m_directory);
    const QStringList files = dir.entryList({QStringLiteral("*.port")}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        QByteArray text;
        const QString why = PlatformAccess::readPrivateFile(dir.filePath(name), kLongestEntryBytes, &text);
        if (!why.isEmpty()) {
            traceOnce(why);
            continue;
        }
        Entry entry;
        if (!parse(text, &entry))
            continue;
        if (!QFileInfo::exists(entry.path))
            continue;
        if (!PlatformAccess::isPseudoTerminal(entry.path)) {
            traceOnce(QStringLiteral("%1: %2 is not a pseudo-terminal").arg(name, entry.path));
            continue;
        }
        if (entry.ownerPid > 0 && !PlatformAccess::processRunning(entry.ownerPid))
            continue;
        result.append(entry);
    }
    return result;
}

QString EmulatedPortRegistry::registerPort(const QString &fileStem, const Entry &entry) const
{
    // Each missing level is made private; what exists already must be safe.
    const QString parent = QFileInfo(m_directory).absolutePath();
    for (const QString &level : {parent, m_directory}) {
        if (!QFileInfo::exists(level)
            && !PlatformAccess::makePrivateDirectory(level)) {
            if (level == parent && !QDir().mkpath(parent))
                return QString();
            if (level == m_directory)
                return QString();
        }
    }
    if (!directoryTrusted())
        return QString();
    const QString path = QDir(m_directory).filePath(fileStem + QLatin1String(".port"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
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
