// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The few operating-system questions the serial side asks about files,
// processes and the user. Each system has its own file (PlatformAccess_unix.cpp,
// PlatformAccess_win.cpp); the callers stay free of system headers.
namespace PlatformAccess {

// Whether a process with this id runs, under this user or another.
bool processRunning(qint64 pid);
// The id of the user running the program, used to keep per-user folders apart.
quint64 currentUserId();
// Whether this user may open the file for reading and writing.
bool mayReadWrite(const QString &path);
// Makes one directory that only this user may enter; true when it was made or
// another process made it first.
bool makePrivateDirectory(const QString &path);
// Why a path's owner or mode lets another user change it; empty when it is
// safe. A directory that is root's or the user's may be shared with the sticky
// bit set (like /tmp).
QString distrustOf(const QString &path, bool directory);
// Reads at most maxBytes of a plain file that is the user's own and that
// group or others may not write; returns why it is not trusted, or empty with
// the bytes in content. A symbolic link is refused, and the checks look at the
// opened file, so nothing can be swapped in between check and read.
QString readPrivateFile(const QString &path, qint64 maxBytes, QByteArray *content);
// Why a path that exists is not the user's own; empty when it is (or is absent).
QString ownedByAnother(const QString &path);
// Whether path leads to the far end of a pseudo-terminal, the only kind of
// port an emulated unit offers.
bool isPseudoTerminal(const QString &path);
// When an entry of the system's device folder last came or went, in whole
// seconds; 0 where the system has no such folder, which callers take as "may
// have changed".
quint64 deviceFolderStamp();

// Whether the serial port behind this open handle has been hung up: its far
// end closed or its device unplugged. A tty in that state reads 0 bytes with
// whatever errno the last call left, so the read's error says nothing.
bool serialLineHungUp(qintptr handle);
// Whether the error the last system call left is one that passes by itself
// (the call would block, or was interrupted).
bool lastErrorIsTransient();

} // namespace PlatformAccess
