// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/MidiDeviceMenu.h"

#include "dialogs/MessageBoxes.h"
#include "midi/MidiConnection.h"
#include "midi/QMidiOut.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

MidiDeviceMenu::MidiDeviceMenu(const Widgets &widgets, MidiConnection *midi, MessageBoxes *boxes, QObject *parent)
    : QObject(parent)
    , m_widgets(widgets)
    , m_midi(midi)
    , m_boxes(MessageBoxes::orDesktop(boxes))
{
    // The port names in it are whatever the USB device calls itself.
    m_widgets.deviceLabel->setTextFormat(Qt::PlainText);
    connect(m_midi, &MidiConnection::outputsRebuilt, this, &MidiDeviceMenu::fill);
    connect(m_midi, &MidiConnection::connectFailed, this, &MidiDeviceMenu::onConnectFailed);
    connect(m_midi, &MidiConnection::disconnected, this, [this](const QString &label, MidiConnection::Loss loss) {
        if (loss == MidiConnection::Loss::ByUser)
            onDisconnectedByUser(label);
    });
    connect(m_midi, &MidiConnection::stateChanged, this, &MidiDeviceMenu::showState);
}

void MidiDeviceMenu::fill()
{
    // The old entries go later: a rebuild can run inside the nested event loop
    // of a message box opened from one of them. They are parented here, not to
    // the menu, whose clear() would delete them at once.
    const QList<QAction *> old = m_widgets.menu->actions();
    m_widgets.menu->clear();
    for (QAction *action : old)
        action->deleteLater();

    const QStringList labels = m_midi->outputs().menuLabels;
    for (const QString &label : labels) {
        // A port name may hold '&', which a menu would take as a mnemonic.
        QAction *action = new QAction(QString(label).replace(QLatin1Char('&'), QStringLiteral("&&")), this);
        action->setData(label);
        connect(action, &QAction::triggered, this, [this, label] { emit picked(label); });
        m_widgets.menu->addAction(action);
    }
    if (labels.isEmpty()) {
        QAction *none = new QAction(QStringLiteral("none"), this);
        none->setEnabled(false);
        m_widgets.menu->addAction(none);
    }
    showState();
}

void MidiDeviceMenu::showState()
{
    m_widgets.deviceLabel->setText(m_midi->deviceText());
    m_widgets.deviceLabel->setToolTip(m_midi->unavailableText());
    markDeviceAction(m_widgets.menu, m_midi->connectedOutputLabel(), m_midi->isConnected());
}

void MidiDeviceMenu::refreshCheckMark()
{
    const bool open = m_midi->output()->isOpen();
    for (QAction *action : m_widgets.menu->actions()) {
        if (action->isCheckable())
            action->setChecked(open);
    }
}

void MidiDeviceMenu::markDeviceAction(QMenu *menu, const QString &label, bool checked)
{
    for (QAction *action : menu->actions()) {
        const bool mine = !label.isEmpty() && action->data().toString() == label;
        action->setCheckable(mine);
        action->setChecked(mine && checked);
    }
}

void MidiDeviceMenu::onConnectFailed(const QString &label, bool again)
{
    // A unit that is coming back gets another try on the next tick, without a box.
    if (again)
        return;
    m_boxes->show(nullptr, QMessageBox::Critical, QStringLiteral("MIDI Connection Error"),
                  QStringLiteral("Failed to connect MIDI Out device: %1").arg(label));
}

void MidiDeviceMenu::onDisconnectedByUser(const QString &label)
{
    markDeviceAction(m_widgets.menu, label, false);
    m_boxes->show(nullptr, QMessageBox::Information, QStringLiteral("MIDI Disconnected"),
                  QStringLiteral("The MIDI connection has been disconnected."));
}
