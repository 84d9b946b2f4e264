#include "support/BoxCatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

BoxCatcher::BoxCatcher(QObject *parent)
    : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &BoxCatcher::poll);
    m_timer.start(10);
}

bool BoxCatcher::seen(const QString &textPart) const
{
    for (const Box &box : boxes) {
        if (box.text.contains(textPart) || box.title.contains(textPart))
            return true;
    }
    return false;
}

void BoxCatcher::poll()
{
    const QList<QWidget *> widgets = QApplication::allWidgets();
    for (QWidget *widget : widgets) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box || !box->isVisible())
            continue;
        bool known = false;
        for (const QPointer<QWidget> &recorded : qAsConst(m_recorded))
            known = known || recorded == box;
        if (!known) {
            Box seenBox;
            seenBox.title = box->windowTitle();
            seenBox.text = box->text();
            seenBox.parent = box->parentWidget();
            seenBox.buttons = box->buttons().size();
            boxes.append(seenBox);
            m_recorded.append(box);
        }
        if (!answer || box->buttons().isEmpty())
            continue;
        QAbstractButton *button = box->defaultButton();
        if (!button)
            button = box->buttons().constFirst();
        button->click();
    }
}
