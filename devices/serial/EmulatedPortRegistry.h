// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/SerialPortCatalogue.h"

#include <QList>
#include <QString>

// Where emulated units announce their serial ports, so that the panel's port
// lists show them beside real USB devices.
//
// Directory: $XDG_RUNTIME_DIR/quill-tool/serial/ (when XDG_RUNTIME_DIR is not
// set: <temp>/quill-tool-<uid>/serial/). QUILL_SERIAL_REGISTRY, when set,
// names the directory instead.
//
// One file per port, named <anything>.port, UTF-8 text of key=value lines
// (blank lines and lines starting with '#' are ignored, unknown keys too):
//
//     path=/dev/pts/7              the pseudo-terminal to open (required)
//     vendor=1209                  USB vendor id, hexadecimal (required)
//     product=5130                 USB product id, hexadecimal (required)
//     description=TQR-30 Larkspur  what the device reports on the bus (required)
//     pid=4242                     owning process (optional)
//
// An entry counts only while its path exists and, when pid is given, while
// that process runs, so files left by a crashed emulator do no harm. Its path
// must be a pseudo-terminal (/dev/pts/N): an entry naming any other terminal
// the user may open, such as a real unit's or a modem's port, is ignored.
//
// The panel opens and writes to the paths it finds here, so another local
// user must not be able to plant one: the directory is made 0700, and a
// directory (or the folder holding it) or an entry file that belongs to
// someone else or that group or others may write is ignored, with a trace.
// A folder with the sticky bit (such as /tmp) may hold it when it is root's or
// the user's own; an entry file is checked on the opened file. A unit
// that re-enumerates (for its upgrade mode) removes its file and writes a new
// one. Writers write to a temporary name and rename, so readers never see a
// half-written file.
class EmulatedPortRegistry
{
public:
    struct Entry
    {
        QString path;
        int vendorId = 0;
        int productId = 0;
        QString description;
        qint64 ownerPid = 0; // 0: none given
    };

    explicit EmulatedPortRegistry(const QString &directory = defaultDirectory());

    static QString defaultDirectory();
    QString directory() const { return m_directory; }

    // The live entries, ordered by file name.
    QList<Entry> entries() const;

    // Writes an entry under fileStem + ".port"; returns the file path or an empty
    // string when the directory cannot be written.
    QString registerPort(const QString &fileStem, const Entry &entry) const;
    static bool unregisterPort(const QString &filePath);

    // Reads one file's text; false when a required key is missing or malformed.
    static bool parse(const QByteArray &text, Entry *entry);
    static QByteArray format(const Entry &entry);
    static SerialPortEntry toPortEntry(const Entry &entry);

    // Why a directory is not trusted; empty when it is.
    static QString distrustOfDirectory(const QString &path);

private:
    static constexpr qint64 kLongestEntryBytes = 4096; // what lies beyond is not read

    bool directoryTrusted() const;
    void traceOnce(const QString &why) const;

    QString m_directory;
    mutable QStringList m_traced;
};
