#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Opens an application-modal message box with one Ok button and returns at
// once; the box deletes itself when closed. Used instead of the blocking
// static QMessageBox helpers so that a box never holds up the MIDI dispatch
// or a timer that must keep running while it is open.
QMessageBox *showNoticeBox(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text);
