// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PlatformAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
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

namespace {

QString systemError(const QString &path)
{
    return QStringLiteral("%1 cannot be read: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
}

QString distrustOfStatus(const QString &path, const struct stat &info, bool directory)
{
    if (directory ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode))
        return QStringLiteral("%1 is not a plain %2").arg(path, directory ? QStringLiteral("directory")
                                                                          : QStringLiteral("file"));
    // Root's folders are the system's; any other owner could swap what lies
    // in theirs, sticky or not.
    if (info.st_uid != ::getuid() && !(directory && info.st_uid == 0))
        return QStringLiteral("%1 belongs to another user (uid %2)").arg(path).arg(info.st_uid);
    const bool sticky = directory && (info.st_mode & S_ISVTX);
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) && !sticky)
        return QStringLiteral("%1 may be written by group or others").arg(path);
    return QString();
}

bool readAtMost(int fd, qint64 maxBytes, QByteArray *content)
{
    QByteArray text;
    char buffer[4096];
    while (text.size() < maxBytes) {
        const qint64 wanted = std::min<qint64>(qint64(sizeof buffer), maxBytes - text.size());
        const ssize_t got = ::read(fd, buffer, size_t(wanted));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        text.append(buffer, int(got));
    }
    *content = text;
    return true;
}

} // namespace

QString distrustOf(const QString &path, bool directory)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return systemError(path);
    return distrustOfStatus(path, info, directory);
}

QString readPrivateFile(const QString &path, qint64 maxBytes, QByteArray *content)
{
    // Not blocking: a FIFO must not hang the open before fstat turns it away.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP)
            return QStringLiteral("%1 is a symbolic link").arg(path);
        return systemError(path);
    }
    struct stat info {};
    QString why = ::fstat(fd, &info) == 0 ? distrustOfStatus(path, info, false) : systemError(path);
    if (why.isEmpty() && !readAtMost(fd, maxBytes, content))
        why = systemError(path);
    ::close(fd);
    return why;
}

QString ownedByAnother(const QString &path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) == 0 && info.st_uid != ::getuid())
        return QStringLiteral("%1 belongs to another user (uid %2)").arg(path).arg(info.st_uid);
    return QString();
}

bool isPseudoTerminal(const QString &path)
{
    // The far end of a pseudo-terminal pair: /dev/pts/N on Linux, /dev/ttysN
    // on macOS, after links are resolved, and a character device in fact.
    static const QRegularExpression ptyName(QStringLiteral("^/dev/(pts/|ttys)[0-9]+$"));
    const QString real = QFileInfo(path).canonicalFilePath();
    if (!ptyName.match(real).hasMatch())
        return false;
    struct stat info {};
    return ::stat(QFile::encodeName(real).constData(), &info) == 0 && S_ISCHR(info.st_mode);
}

quint64 deviceFolderStamp()
{
    struct stat info {};
    if (::stat("/dev", &info) != 0)
        return 0;
    return quint64(info.st_mtime);
}

bool serialLineHungUp(qintptr handle)
{
    if (handle < 0)
        return true;
    pollfd line {int(handle), POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&line, 1, 0);
    } while (ready < 0 && errno == EINTR);
    return ready > 0 && (line.revents & (POLLHUP | POLLERR | POLLNVAL));
}

bool lastErrorIsTransient()
{
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

} // namespace PlatformAccess
