#include "serial/PlatformAccess.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace PlatformAccess {

bool processRunning(qint64 pid)
{
    if (pid <= 0)
        return false;
    // EPERM: it runs, under another user.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

quint64 currentUserId()
{
    return ::getuid();
}

bool mayReadWrite(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0;
}

bool makePrivateDirectory(const QString &path)
{
    return ::mkdir(QFile::encodeName(path).constData(), S_IRWXU) == 0 || errno == EEXIST;
}

QString distrustOf(const QString &path, bool directory)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("%1 cannot be read: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (directory ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode))
        return QStringLiteral("%1 is not a plain %2").arg(path, directory ? QStringLiteral("directory")
                                                                          : QStringLiteral("file"));
    const bool sticky = directory && (info.st_mode & S_ISVTX);
    if (info.st_uid != ::getuid() && !(sticky || (directory && info.st_uid == 0)))
        return QStringLiteral("%1 belongs to another user (uid %2)").arg(path).arg(info.st_uid);
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) && !sticky)
        return QStringLiteral("%1 may be written by group or others").arg(path);
    return QString();
}

QString ownedByAnother(const QString &path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) == 0 && info.st_uid != ::getuid())
        return QStringLiteral("%1 belongs to another user (uid %2)").arg(path).arg(info.st_uid);
    return QString();
}

quint64 deviceFolderStamp()
{
    struct stat info {};
    if (::stat("/dev", &info) != 0)
        return 0;
    return quint64(info.st_mtime);
}

} // namespace PlatformAccess
