// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into every test program and the fuzz targets that build windows.
// ctest and scripts/fuzz give each run a settings folder of its own and a
// closed update server; run by hand (a test, or a crash file replayed), a
// program that builds a main window would otherwise read and write the user's
// real settings and ask the real update server after the window's start-up
// delay. The same defaults are set here before main(), and only where the
// caller set nothing.
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

namespace {

void isolateFromTheUser()
{
    if (qEnvironmentVariableIsEmpty("QUILL_UPDATE_URL"))
        qputenv("QUILL_UPDATE_URL", "https://127.0.0.1:9");
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
        static QTemporaryDir settings; // removed as the program ends
        if (settings.isValid())
            qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    }
}

} // namespace

Q_CONSTRUCTOR_FUNCTION(isolateFromTheUser)
