#pragma once

#include <QString>

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

// Exports into defaultDirectory() and asks the desktop to open the copy.
bool exportAndOpen();

} // namespace UserManual
