#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

// A message box that was open when closeOpenBoxes() ran.
struct ShownBox
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QWidget *parent = nullptr;
};

// Closes every visible message box and tells what they showed (in no set order).
QList<ShownBox> closeOpenBoxes();
