// SPDX-License-Identifier: GPL-3.0-or-later
#include "UpgradeCommand.h"

#include "CommandContext.h"
#include "ExitCode.h"
#include "OutputText.h"
#include "Terminal.h"
#include "UpgradeProgress.h"
#include "serial/FirmwareImageFile.h"
#include "serial/FirmwareTransfer.h"
#include "update/FirmwareUpdateCheck.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>


namespace UpgradeCommand {

const char kUsage[] =
    "[--yes] FILE | --latest\n\n"
    "Writes a firmware image to the unit (TQR-30 series) over its serial port and\n"
    "waits for it to come back with the new version. Shows a progress bar on a\n"
    "terminal, else a percentage line as it grows. Refuses what the panel refuses:\n"
    "anything but a plain file, an empty or oversized file, firmware for another\n"
    "model; a file whose name names no model needs --yes. Ctrl-C does not stop a\n"
    "transfer that has begun: stopped half-way, the unit would be left without\n"
    "firmware.\n\n"
    "  --latest   Ask the update server for the unit's newest firmware and write\n"
    "             it when it is newer than the unit's.\n"
    "  --yes      Write a file whose name names no model.\n";

namespace {

// A unit restarts several seconds after its image; it is given this long.
constexpr int kComeBackMs = 30000;

// The image of a file, or the exit code of its refusal.
int imageOf(CommandContext &context, const QString &path, bool confirmed, QByteArray *image)
{
    const FirmwareImageFile::Loaded loaded = FirmwareImageFile::load(path);
    switch (loaded.problem) {
    case FirmwareImageFile::Loaded::Problem::None:
        break;
    case FirmwareImageFile::Loaded::Problem::NotRegular:
        return context.unitFailed(QStringLiteral("%1 is not a regular file, so it cannot be a firmware image; "
                                                 "the unit was not erased").arg(path));
    case FirmwareImageFile::Loaded::Problem::TooLarge:
        return context.unitFailed(QStringLiteral("%1 is larger than any firmware image (at most %2 MiB); "
                                                 "the unit was not erased")
                                      .arg(path)
                                      .arg(FirmwareImageFile::kMaxImageBytes / (1024 * 1024)));
    case FirmwareImageFile::Loaded::Problem::Unreadable:
        return context.unitFailed(QStringLiteral("%1 could not be opened: %2").arg(path, loaded.reason));
    }
    const QString baseName = FirmwareImageFile::baseName(path);
    const QString model = context.serialModel().isEmpty() ? context.product() : context.serialModel();
    const FirmwareImageFile::Fit fit = FirmwareImageFile::fitFor(baseName, model, context.firmwareVersion());
    if (loaded.image.isEmpty())
        return context.unitFailed(QStringLiteral("%1 is empty; the unit was not erased").arg(path));
    if (fit == FirmwareImageFile::Fit::OtherModel) {
        return context.unitFailed(QStringLiteral("%1 is firmware for the %2, but the unit is a %3; it was not erased")
                                      .arg(QFileInfo(path).fileName(), FirmwareImageFile::modelNamedBy(baseName),
                                           model));
    }
    if (fit == FirmwareImageFile::Fit::NamesNoModel && !confirmed) {
        return context.unitFailed(QStringLiteral("the name of %1 names no model; give --yes to write it to the %2 "
                                                 "(%3) all the same")
                                      .arg(QFileInfo(path).fileName(), model, context.firmwareVersion()));
    }
    *image = loaded.image;
    return fit == FirmwareImageFile::Fit::SameVersion ? -1 : ExitCode::kDone;
}

// The newest image from the update server, or the exit code; -1 when the
// unit has it already.
int latestImage(CommandContext &context, QByteArray *image)
{
    FirmwareUpdateCheck check;
    QString failure;
    bool current = false;
    bool over = false;
    QObject::connect(&check, &FirmwareUpdateCheck::offerMade, &check,
                     [&](const FirmwareUpdateCheck::Offer &offer) { check.take(offer); });
    QObject::connect(&check, &FirmwareUpdateCheck::noUpdate, &check, [&] { current = true; });
    QObject::connect(&check, &FirmwareUpdateCheck::downloadFailed, &check,
                     [&](const QString &text) { failure = text; });
    QObject::connect(&check, &FirmwareUpdateCheck::versionAnnounced, &check,
                     [&](const QString &, const QString &newest) {
                         if (!newest.isEmpty())
                             context.err() << "quill-ctl upgrade: the newest firmware is "
                                           << OutputText::plain(newest) << Qt::endl;
                     });
    QObject::connect(&check, &FirmwareUpdateCheck::imageReady, &check,
                     [&](const QByteArray &bytes) { *image = bytes; });
    QObject::connect(&check, &FirmwareUpdateCheck::checkFinished, &check, [&] { over = true; });
    const QString model = context.serialModel().isEmpty() ? context.product() : context.serialModel();
    if (!check.start(model, context.firmwareVersion()))
        return context.unitFailed(QStringLiteral("the update server has no firmware for the %1").arg(model));
    const CommandContext::Wait wait =
        context.waitFor([&] { return over || !image->isEmpty() || current || !failure.isEmpty(); }, -1);
    if (wait != CommandContext::Wait::Done)
        return context.waitFailed(wait, QString());
    if (current)
        return -1;
    if (!failure.isEmpty())
        return context.unitFailed(failure);
    if (image->isEmpty())
        return context.unitFailed(QStringLiteral("the update server sent no firmware"));
    return ExitCode::kDone;
}

} // namespace

int upgrade(CommandContext &context, const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption latest(QStringLiteral("latest"));
    const QCommandLineOption yes(QStringLiteral("yes"));
    parser.addOptions({latest, yes});
    if (const int code = context.parse(parser, arguments); code >= 0)
        return code;
    const QStringList files = parser.positionalArguments();
    if (parser.isSet(latest) == (files.size() == 1) || files.size() > 1)
        return context.usageError(QStringLiteral("takes one FILE or --latest."));
    if (const int code = context.connectUnit(true); code != ExitCode::kDone)
        return code;
    if (!context.product().startsWith(QLatin1String("TQR-30")))
        return context.unitFailed(QStringLiteral("the %1 has no serial port for its firmware").arg(context.product()));

    QByteArray image;
    const int code = parser.isSet(latest) ? latestImage(context, &image)
                                          : imageOf(context, files.first(), parser.isSet(yes), &image);
    if (code == -1) {
        context.err() << "quill-ctl upgrade: the unit has " << OutputText::plain(context.firmwareVersion())
                      << " already; nothing to do" << Qt::endl;
        return ExitCode::kDone;
    }
    if (code != ExitCode::kDone)
        return code;

    FirmwareTransfer *transfer = context.session()->transfer();
    UpgradeProgress progress(context.out(), Terminal::standardOutputIsTerminal());
    bool finished = false;
    QString failure;
    QObject scope;
    QObject::connect(transfer, &FirmwareTransfer::chunkWritten, &scope,
                     [&](qint64 sent, qint64 size) { progress.show(sent, size); });
    QObject::connect(transfer, &FirmwareTransfer::finished, &scope, [&] { finished = true; });
    QObject::connect(transfer, &FirmwareTransfer::failed, &scope, [&](const QString &text) { failure = text; });
    const QString before = context.firmwareVersion();
    context.forgetFirmwareVersion();
    context.session()->startFirmwareUpgrade(image);
    progress.show(0, image.size());
    // Stopped half-way, the unit would be left in upgrade mode or erased:
    // Ctrl-C waits for the transfer, which keeps its own time limits for
    // every step.
    QObject::connect(&context, &CommandContext::interruptPressed, &scope, [&context] {
        context.err() << "\nquill-ctl upgrade: the firmware is being written and is finished first; stopped "
                         "half-way it would leave the unit without firmware"
                      << Qt::endl;
    });
    context.waitFor([&] { return finished || !failure.isEmpty(); }, -1, CommandContext::Through::Interrupts);
    if (!failure.isEmpty())
        return context.unitFailed(failure);
    progress.finish();
    CommandContext::Wait wait = context.waitFor([&] { return !context.firmwareVersion().isEmpty(); }, kComeBackMs);
    if (wait == CommandContext::Wait::Interrupted)
        return context.waitFailed(wait, QString());
    if (wait == CommandContext::Wait::TimedOut) {
        context.err() << "quill-ctl upgrade: the image was written; the unit has not come back yet" << Qt::endl;
        return ExitCode::kDone;
    }
    context.out() << "firmware " << OutputText::plain(before) << " -> "
                  << OutputText::plain(context.firmwareVersion()) << Qt::endl;
    return ExitCode::kDone;
}

} // namespace UpgradeCommand
