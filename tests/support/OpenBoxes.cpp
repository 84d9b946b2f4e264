#include "support/OpenBoxes.h"

#include <QApplication>

QList<ShownBox> closeOpenBoxes()
{
    QList<ShownBox> shown;
    QList<QMessageBox *> boxes;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (box && box->isVisible())
            boxes.append(box);
    }
    for (QMessageBox *box : boxes) {
        shown.append({box->icon(), box->windowTitle(), box->text(), box->parentWidget()});
        box->close();
    }
    return shown;
}
