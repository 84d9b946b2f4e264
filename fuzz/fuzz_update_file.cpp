// SPDX-License-Identifier: GPL-3.0-or-later
// The update server's text files and the version texts they and the unit
// carry: the reader with every pattern the panel uses, and the comparisons.
//
// The input is an update file body; its first two lines double as version
// texts. Checked besides the sanitizers: no version is newer than itself,
// never both of two newer than the other, and a version found in a file is
// one the pattern anchors at the start.

#include "FuzzCore.h"

#include "update/FirmwareModel.h"
#include "update/PanelRelease.h"
#include "update/UpdateFile.h"

#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fault(const char *what, const QString &a, const QString &b)
{
    std::fprintf(stderr, "%s: \"%s\" / \"%s\"\n", what, qPrintable(a), qPrintable(b));
    std::abort();
}

void checkOrder(const QString &a, const QString &b)
{
    if (isNewerFirmware(a, a))
        fault("firmware newer than itself", a, a);
    if (isNewerFirmware(a, b) && isNewerFirmware(b, a))
        fault("each firmware newer than the other", a, b);
    if (isNewerRelease(a, a) || isNewerMajorMinor(a, a))
        fault("release newer than itself", a, a);
    if (isNewerRelease(a, b) && isNewerRelease(b, a))
        fault("each release newer than the other", a, b);
    if (isNewerMajorMinor(a, b) && isNewerMajorMinor(b, a))
        fault("each major.minor newer than the other", a, b);
    // Whatever counts as newer by major and minor is newer by every piece.
    if (isNewerMajorMinor(a, b) && !isNewerRelease(a, b))
        fault("major.minor newer but release not", a, b);
}

// Compiled once: a compile per input would outweigh the matching.
const QList<QRegularExpression> &patterns()
{
    static const QList<QRegularExpression> compiled = [] {
        QList<QRegularExpression> list{QRegularExpression(QString::fromLatin1(kPanelVersionPattern))};
        for (const char *model : {"TQR-10", "TQR-20", "TQR-30", "TQR-30 Pro"})
            list << QRegularExpression(firmwareModelFor(QString::fromLatin1(model)).versionPattern);
        return list;
    }();
    return compiled;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), int(size));
    const QString text = QString::fromUtf8(body);

    for (const QRegularExpression &pattern : patterns()) {
        const UpdateAnnouncement found = readUpdateFile(body, pattern);
        if (found.hasVersion() && !text.startsWith(found.newestVersion))
            fault("version not at the start of the file", found.newestVersion, pattern.pattern());
        if (found.hasVersion()) {
            (void)releaseNumberOf(found.newestVersion);
            (void)versionNumbers(found.newestVersion);
        }
    }

    const QStringList lines = text.split(QLatin1Char('\n'));
    const QString first = lines.value(0);
    const QString second = lines.value(1);
    checkOrder(first, second);
    (void)firmwareModelFor(first);
    return 0;
}
