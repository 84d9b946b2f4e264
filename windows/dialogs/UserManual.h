// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class UrlOpener;

// The user manual ships inside the program as ":/image/manual.pdf". To open it in the
// desktop's PDF viewer it is copied to a directory of the panel's own (mode 0700, under
// the user's cache location): a copy whose content differs from the built-in one, be it
// from an older panel or put there by someone else, is replaced.
namespace UserManual {

extern const char kResourcePath[]; // ":/image/manual.pdf"

// Copies the manual into directory (created with owner-only access when missing) and
// returns the copy's path; empty when it could not be written.
QString exportTo(const QString &directory);

// The panel's own directory for the copy.
QString defaultDirectory();

// Exports into defaultDirectory() and asks `opener` (the desktop's PDF viewer) to open
// the copy. Returns what the user has to be told, empty when the manual opened: where
// the copy is when nothing could open it, or that it could not be written.
QString exportAndOpen(UrlOpener *opener);

} // namespace UserManual
