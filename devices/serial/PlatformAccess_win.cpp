// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PlatformAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <windows.h>

// Windows keeps who may change a file in its access lists, not in an owner and
// mode; the registry folder lies in the user's own profile, so paths are trusted.
namespace PlatformAccess {

bool processRunning(qint64 pid)
{
    if (pid <= 0)
        return false;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    ::CloseHandle(process);
    return running;
}

quint64 currentUserId()
{
    return 0;
}

bool mayReadWrite(const QString &path)
{
    const QFileInfo info(path);
    return info.isReadable() && info.isWritable();
}

bool makePrivateDirectory(const QString &path)
{
    // A folder in the user's profile inherits the profile's access list.
    return QDir().mkdir(path) || QFileInfo(path).isDir();
}

QString distrustOf(const QString &path, bool directory)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("%1 cannot be read").arg(path);
    if (directory ? !info.isDir() : !info.isFile())
        return QStringLiteral("%1 is not a plain %2").arg(path, directory ? QStringLiteral("directory")
                                                                          : QStringLiteral("file"));
    return QString();
}

QString readPrivateFile(const QString &path, qint64 maxBytes, QByteArray *content)
{
    const QString why = distrustOf(path, false);
    if (!why.isEmpty())
        return why;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
    *content = file.read(maxBytes);
    return QString();
}

QString ownedByAnother(const QString &)
{
    return QString();
}

bool isPseudoTerminal(const QString &)
{
    // Emulated units make pseudo-terminals, which this system does not have.
    return false;
}

quint64 deviceFolderStamp()
{
    return 0;
}

// Windows reports a vanished port as ResourceError on the next call; an open
// handle says nothing more.
bool serialLineHungUp(qintptr)
{
    return false;
}

bool lastErrorIsTransient()
{
    return false;
}

} // namespace PlatformAccess
