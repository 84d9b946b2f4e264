// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/UnitSettingsFileActions.h"

#include "dialogs/MessageBoxes.h"
#include "midi/MidiConnection.h"
#include "unit/UnitSession.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QStandardPaths>

namespace {

QString saveTitle()
{
    return QObject::tr("Save Unit Settings");
}

QString loadTitle()
{
    return QObject::tr("Load Unit Settings");
}

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

} // namespace

UnitSettingsFileActions::UnitSettingsFileActions(UnitSession *session, QMenu *menu, QWidget *window,
                                                 MessageBoxes *boxes)
    : QObject(window)
    , m_session(session)
    , m_client(session->settings())
    , m_window(window)
    , m_boxes(MessageBoxes::orDesktop(boxes))
{
    menu->addSeparator();
    m_save = menu->addAction(tr("Save Unit Settings…"));
    m_load = menu->addAction(tr("Load Unit Settings…"));
    m_save->setObjectName(QStringLiteral("actionSave_Unit_Settings"));
    m_load->setObjectName(QStringLiteral("actionLoad_Unit_Settings"));
    connect(m_save, &QAction::triggered, this, &UnitSettingsFileActions::save);
    connect(m_load, &QAction::triggered, this, &UnitSettingsFileActions::load);
    connect(m_client, &UnitSettingsClient::readFinished, this, &UnitSettingsFileActions::onRead);
    connect(m_client, &UnitSettingsClient::writeFinished, this, &UnitSettingsFileActions::onWritten);
    connect(m_client, &UnitSettingsClient::failed, this, &UnitSettingsFileActions::onFailed);
}

QString UnitSettingsFileActions::askForFile(bool save, const QString &suggested) const
{
    if (chooseFile)
        return chooseFile(save, suggested);
    QFileDialog dialog(m_window, save ? saveTitle() : loadTitle(), suggested,
                       tr("Unit settings (*.json);;All files (*)"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("json"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

bool UnitSettingsFileActions::unitReady(const QString &title)
{
    if (m_step != Step::Idle || m_client->isBusy()) {
        tell(false, title, tr("The unit's settings are being read or written; try again when that has ended."));
        return false;
    }
    if (!m_session->midi()->isConnected()) {
        tell(false, title, tr("No unit is connected. Choose one in the MIDI Devices menu first."));
        return false;
    }
    if (m_session->product().isEmpty()) {
        tell(false, title, tr("The unit has not said which model it is yet. Try again in a moment."));
        return false;
    }
    return true;
}

void UnitSettingsFileActions::save()
{
    if (!unitReady(saveTitle()))
        return;
    QString name = m_session->product() + QStringLiteral(" settings.json");
    name.replace(QLatin1Char(' '), QLatin1Char('-'));
    const QString path = askForFile(true, QDir(documentsFolder()).filePath(name));
    if (!path.isEmpty())
        saveTo(path);
}

void UnitSettingsFileActions::saveTo(const QString &path)
{
    if (!unitReady(saveTitle()))
        return;
    m_path = path;
    m_step = Step::Saving;
    m_save->setEnabled(false);
    m_load->setEnabled(false);
    m_client->read(m_client->supportedGroups());
}

void UnitSettingsFileActions::load()
{
    if (!unitReady(loadTitle()))
        return;
    const QString path = askForFile(false, documentsFolder());
    if (!path.isEmpty())
        loadFrom(path);
}

void UnitSettingsFileActions::loadFrom(const QString &path)
{
    if (!unitReady(loadTitle()))
        return;
    QString error;
    const std::optional<UnitSettingsFile> file = UnitSettingsFile::load(path, &error);
    if (!file) {
        tell(true, loadTitle(),
             tr("%1 cannot be used as unit settings; nothing was written.\n\n%2")
                 .arg(QDir::toNativeSeparators(path), error));
        return;
    }
    m_path = path;
    m_file = *file;
    m_leftOut.clear();
    const UnitSettingsClient::Groups supported = m_client->supportedGroups();
    auto drop = [&](auto &group, UnitSettingsClient::Group which) {
        if (group && !(supported & which)) {
            group.reset();
            m_leftOut << UnitSettingsClient::groupName(which);
        }
    };
    drop(m_file.settings.addressing, UnitSettingsClient::Addressing);
    drop(m_file.settings.osc, UnitSettingsClient::Osc);
    drop(m_file.settings.ports, UnitSettingsClient::Ports);
    if (m_file.settings.isEmpty()) {
        tell(true, loadTitle(),
             tr("%1 holds only settings a %2 does not have (%3); nothing was written.")
                 .arg(QDir::toNativeSeparators(path), m_client->modelName(), m_leftOut.join(QLatin1String(", "))));
        return;
    }
    m_step = Step::ReadingBeforeLoad;
    m_save->setEnabled(false);
    m_load->setEnabled(false);
    m_client->read(groupsOf(m_file.settings));
}

UnitSettingsClient::Groups UnitSettingsFileActions::groupsOf(const UnitSettings &settings) const
{
    UnitSettingsClient::Groups groups;
    if (settings.addressing)
        groups |= UnitSettingsClient::Addressing;
    if (settings.osc)
        groups |= UnitSettingsClient::Osc;
    if (settings.ports)
        groups |= UnitSettingsClient::Ports;
    if (settings.offsetFrames)
        groups |= UnitSettingsClient::Offset;
    return groups;
}

void UnitSettingsFileActions::onRead(const UnitSettings &settings)
{
    switch (m_step) {
    case Step::Idle:
    case Step::Writing:
        return;
    case Step::Saving: {
        if (settings.isEmpty()) {
            // A file without settings would not load again.
            tell(true, saveTitle(),
                 tr("The %1 has no network settings, and has reported no time offset since it was connected; "
                    "there is nothing to save.")
                     .arg(m_session->product()));
            finish();
            return;
        }
        const UnitSettingsFile file{m_session->product(), m_client->firmwareVersion(), settings};
        QString error;
        if (file.save(m_path, &error))
            tell(false, saveTitle(),
                 tr("The settings of the %1 were saved to %2.").arg(file.model, QDir::toNativeSeparators(m_path)));
        else
            tell(true, saveTitle(),
                 tr("The settings could not be saved to %1.\n\n%2").arg(QDir::toNativeSeparators(m_path), error));
        finish();
        return;
    }
    case Step::ReadingBeforeLoad:
        confirmAndWrite(settings);
        return;
    case Step::ReadingBack: {
        QStringList differ;
        QStringList stay;
        for (const UnitSettings::Change &change : UnitSettings::changes(settings, m_file.settings))
            (change.writable ? differ : stay) << change.text();
        const QString name = QFileInfo(m_path).fileName();
        if (!differ.isEmpty())
            tell(true, loadTitle(),
                 tr("The unit took the settings but reads back other values:\n\n%1").arg(differ.join(QLatin1Char('\n'))));
        else if (!stay.isEmpty())
            tell(false, loadTitle(),
                 tr("The unit's settings now match %1, except:\n\n%2").arg(name, stay.join(QLatin1Char('\n'))));
        else
            tell(false, loadTitle(), tr("The unit's settings now match %1.").arg(name));
        finish();
        return;
    }
    }
}

void UnitSettingsFileActions::confirmAndWrite(const UnitSettings &current)
{
    const UnitSettings toWrite = UnitSettings::changedGroups(current, m_file.settings);
    QStringList lines;
    for (const UnitSettings::Change &change : UnitSettings::changes(current, m_file.settings))
        lines << change.text();
    QStringList notes;
    if (m_file.model != m_client->modelName())
        notes << tr("The file was saved from a %1.").arg(m_file.model);
    if (!m_leftOut.isEmpty())
        notes << tr("Left out, as a %1 has none: %2.").arg(m_client->modelName(), m_leftOut.join(QLatin1String(", ")));
    const QString noteText = notes.isEmpty() ? QString() : QLatin1String("\n\n") + notes.join(QLatin1Char('\n'));
    if (toWrite.isEmpty()) {
        const QString text = lines.isEmpty()
            ? tr("The unit already has the settings of %1.").arg(QFileInfo(m_path).fileName())
            : tr("Nothing can be written:\n\n%1").arg(lines.join(QLatin1Char('\n')));
        tell(!lines.isEmpty(), loadTitle(), text + noteText);
        finish();
        return;
    }
    const QMessageBox::StandardButton answer = m_boxes->show(
        m_window, QMessageBox::Question, loadTitle(),
        tr("Write these settings from %1 to the %2?\n\n%3")
                .arg(QFileInfo(m_path).fileName(), m_client->modelName(), lines.join(QLatin1Char('\n')))
            + noteText,
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        finish();
        return;
    }
    m_step = Step::Writing;
    m_client->write(toWrite);
}

void UnitSettingsFileActions::onWritten()
{
    if (m_step != Step::Writing)
        return;
    m_step = Step::ReadingBack;
    m_client->read(groupsOf(m_file.settings));
}

void UnitSettingsFileActions::onFailed(UnitSettingsClient::Failure, const QString &message)
{
    if (m_step == Step::Idle)
        return;
    const bool saving = m_step == Step::Saving;
    const QString what = saving ? tr("Nothing was saved.")
        : m_step == Step::ReadingBeforeLoad ? tr("Nothing was written.")
        : m_step == Step::Writing           ? tr("The settings before this one were written.")
                                            : tr("The settings were written, but could not be read back.");
    tell(true, saving ? saveTitle() : loadTitle(), message + QLatin1Char('\n') + what);
    finish();
}

void UnitSettingsFileActions::finish()
{
    m_step = Step::Idle;
    m_save->setEnabled(true);
    m_load->setEnabled(true);
}

void UnitSettingsFileActions::tell(bool problem, const QString &title, const QString &text)
{
    m_boxes->notify(m_window, problem ? QMessageBox::Warning : QMessageBox::Information, title, text);
}
