// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/IpSegmentEdit.h"

#include "settings/IpAddressEdit.h"
#include "settings/SettingsStyles.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace {
constexpr int kLastSegment = 3;
constexpr int kOctetDigits = 3;
constexpr int kMaxOctet = 255;
} // namespace

IpSegmentEdit::IpSegmentEdit(IpAddressEdit *owner_, int index_)
    : QLineEdit(owner_)
    , index(index_)
    , owner(owner_)
{
    setFixedSize(32, 20);
    setAlignment(Qt::AlignCenter);
    setMaxLength(kOctetDigits);
    setFrame(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setStyleSheet(QLatin1String(SettingsStyles::kIpSegment));
}

void IpSegmentEdit::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        if (cursorPosition() == 0 && !hasSelectedText() && index > 0) {
            owner->focusPreviousSegment(index);
            return;
        }
        QLineEdit::keyPressEvent(event);
        return;
    case Qt::Key_Right:
        if (cursorPosition() == text().length() && !hasSelectedText() && index < kLastSegment) {
            owner->focusNextSegment(index);
            return;
        }
        QLineEdit::keyPressEvent(event);
        return;
    case Qt::Key_Backspace:
        if (text().isEmpty() && index > 0) {
            owner->focusPreviousSegment(index);
            return;
        }
        QLineEdit::keyPressEvent(event);
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Delete:
    case Qt::Key_Home:
    case Qt::Key_End:
        QLineEdit::keyPressEvent(event);
        return;
    default:
        break;
    }

    const QString keyText = event->text();
    if (keyText.isEmpty()) {
        event->ignore();
        return;
    }
    const QChar c = keyText.at(0);
    if (c == QLatin1Char('.')) {
        // The dot never goes into an octet; in the last one it does nothing.
        if (index < kLastSegment)
            owner->focusNextSegment(index);
        return;
    }
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
        typeDigit(event);
        return;
    }
    event->ignore();
}

void IpSegmentEdit::typeDigit(QKeyEvent *event)
{
    QString result = text();
    int insertAt = cursorPosition();
    if (hasSelectedText()) {
        insertAt = selectionStart();
        result.remove(insertAt, selectedText().length());
    }

    if (result.length() < kOctetDigits) {
        result.insert(insertAt, event->text().at(0));
        bool ok = false;
        const int value = result.toInt(&ok);
        if (!ok || value > kMaxOctet)
            return;
        QLineEdit::keyPressEvent(event);
        if (text().length() >= kOctetDigits && index < kLastSegment)
            owner->focusNextSegment(index);
        return;
    }

    if (index == kLastSegment)
        return;
    // A full octet: the digit starts the next one, replacing what it held.
    owner->focusNextSegment(index);
    QKeyEvent again(event->type(), event->key(), event->modifiers(), event->text(), false, 1);
    QCoreApplication::sendEvent(owner->segment(index + 1), &again);
}

void IpSegmentEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    const QString trimmed = text().trimmed();
    if (trimmed.isEmpty())
        return;
    bool ok = false;
    const int value = trimmed.toInt(&ok);
    if (ok && value >= 0 && value <= kMaxOctet)
        setText(QString::number(value));
    else
        clear();
}
