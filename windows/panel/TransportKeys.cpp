// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/TransportKeys.h"

#include "panel/GeneratorTransport.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

namespace {

QString withKey(const QString &what, const QKeySequence &key)
{
    return QStringLiteral("%1 (%2)").arg(what, key.toString(QKeySequence::NativeText));
}

} // namespace

TransportKeys::TransportKeys(QWidget *window, const Widgets &widgets, GeneratorTransport *transport)
    : QObject(window)
    , m_widgets(widgets)
    , m_transport(transport)
{
    const struct
    {
        QKeySequence key;
        QPushButton *button;
        void (TransportKeys::*action)();
    } keys[] = {
        {QKeySequence(kPlayPause), nullptr, &TransportKeys::playOrPause},
        {QKeySequence(kStop), widgets.transport.stop, nullptr},
        {QKeySequence(kGoto), widgets.transport.gotoCapture, nullptr},
        {QKeySequence(kCapture), widgets.capture, nullptr},
    };
    for (const auto &entry : keys) {
        auto *shortcut = new QShortcut(entry.key, window);
        shortcut->setAutoRepeat(false);
        if (entry.action) {
            connect(shortcut, &QShortcut::activated, this, entry.action);
        } else {
            // As a click: a button the source has disabled does nothing.
            QPushButton *button = entry.button;
            connect(shortcut, &QShortcut::activated, button, [button] {
                if (button->isEnabled())
                    button->click();
            });
        }
    }

    const QKeySequence space(kPlayPause);
    widgets.transport.play->setToolTip(withKey(QStringLiteral("Play from Start, or on from where it stands"), space));
    widgets.transport.pause->setToolTip(withKey(QStringLiteral("Pause where it stands"), space));
    widgets.transport.stop->setToolTip(withKey(QStringLiteral("Stop and go back to Start"), QKeySequence(kStop)));
    widgets.transport.gotoCapture->setToolTip(withKey(QStringLiteral("Go to the Capture time"), QKeySequence(kGoto)));
    widgets.capture->setToolTip(withKey(QStringLiteral("Copy the time shown into the Capture field"),
                                        QKeySequence(kCapture)));
    widgets.loop->setToolTip(QStringLiteral("Loop: at End, start again from Start"));

    for (QLineEdit *field : {widgets.fields.start, widgets.fields.end, widgets.fields.capture})
        field->installEventFilter(this);
}

bool TransportKeys::eventFilter(QObject *watched, QEvent *event)
{
    const bool press = event->type() == QEvent::KeyPress;
    if (press || event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == kPlayPause && key->modifiers() == Qt::NoModifier) {
            // Not claimed by the field, so the window's Space reaches the
            // transport; a press that still arrives types nothing.
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TransportKeys::playOrPause()
{
    if (!m_widgets.transport.play->isEnabled())
        return;
    if (m_transport->isPlaying())
        m_widgets.transport.pause->click();
    else
        m_widgets.transport.play->click();
}
