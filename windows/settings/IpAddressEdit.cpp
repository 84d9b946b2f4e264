// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/IpAddressEdit.h"

#include "settings/IpSegmentEdit.h"
#include "settings/SettingsStyles.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStyleOption>
#include <QStringList>

#include <algorithm>

IpAddressEdit::IpAddressEdit(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("IpAddressEdit"));
    setFixedSize(170, 28);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(2);
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            auto *dot = new QLabel(QStringLiteral("."), this);
            dot->setFixedWidth(4);
            dot->setAlignment(Qt::AlignCenter);
            dot->setStyleSheet(QLatin1String(SettingsStyles::kIpDot));
            layout->addWidget(dot);
        }
        segments[size_t(i)] = new IpSegmentEdit(this, i);
        layout->addWidget(segments[size_t(i)]);
    }
    for (IpSegmentEdit *s : segments)
        s->installEventFilter(this);
    setStyleSheet(QLatin1String(SettingsStyles::kIpAddressEditIdle));
}

QString IpAddressEdit::address() const
{
    QStringList parts;
    for (const IpSegmentEdit *s : segments) {
        const QString t = s->text().trimmed();
        if (t.isEmpty())
            return QString();
        bool ok = false;
        const int value = t.toInt(&ok);
        parts.append(ok ? QString::number(value) : t);
    }
    return parts.join(QLatin1Char('.'));
}

void IpAddressEdit::setAddress(const QString &text)
{
    for (IpSegmentEdit *s : segments)
        s->clear();
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const int value = parts[i].toInt(&ok);
        if (!ok || value < 0 || value > 255) {
            for (IpSegmentEdit *s : segments)
                s->clear();
            return;
        }
        segments[size_t(i)]->setText(QString::number(value));
    }
}

void IpAddressEdit::focusNextSegment(int index)
{
    if (index < 0 || index > 2)
        return;
    IpSegmentEdit *next = segments[size_t(index + 1)];
    next->setFocus(Qt::OtherFocusReason);
    next->selectAll();
}

void IpAddressEdit::focusPreviousSegment(int index)
{
    if (index < 1 || index > 3)
        return;
    IpSegmentEdit *previous = segments[size_t(index - 1)];
    previous->setFocus(Qt::OtherFocusReason);
    previous->deselect();
    previous->end(false);
}

bool IpAddressEdit::anySegmentHasFocus() const
{
    return std::any_of(segments.begin(), segments.end(), [](const IpSegmentEdit *s) { return s->hasFocus(); });
}

bool IpAddressEdit::eventFilter(QObject *watched, QEvent *event)
{
    const bool ours = std::find(segments.begin(), segments.end(), watched) != segments.end();
    if (ours) {
        if (event->type() == QEvent::FocusIn)
            setStyleSheet(QLatin1String(SettingsStyles::kIpAddressEditFocused));
        else if (event->type() == QEvent::FocusOut && !anySegmentHasFocus())
            setStyleSheet(QLatin1String(SettingsStyles::kIpAddressEditIdle));
    }
    return QWidget::eventFilter(watched, event);
}

void IpAddressEdit::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
