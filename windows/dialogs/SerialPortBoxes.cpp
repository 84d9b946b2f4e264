// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/SerialPortBoxes.h"

#include "dialogs/MessageBoxes.h"
#include "serial/SerialPort.h"

#include <QIcon>
#include <QMessageBox>
#include <QPushButton>

namespace SerialPortBoxes {

namespace {

void showPortNameError(MessageBoxes *boxes)
{
    QMessageBox box;
    box.setFocusPolicy(Qt::NoFocus);
    // The box starts without buttons: naming Ok adds it, and Cancel has no
    // button to go to, so the box shows the single button "OK".
    box.addButton(QMessageBox::Ok)->setText(SerialPort::tr("OK"));
    box.setWindowIcon(QIcon(QString()));
    box.setWindowTitle(QStringLiteral("Brio Tool"));
    box.setText(SerialPort::tr("Port name error. Please choose a valid COM port."));
    boxes->exec(box);
}

} // namespace

void showFailuresOf(SerialPort *link, MessageBoxes *boxes)
{
    boxes = MessageBoxes::orDesktop(boxes);
    QObject::connect(link, &SerialPort::portNameError, link, [boxes] { showPortNameError(boxes); });
    QObject::connect(link, &SerialPort::openFailed, link, [boxes](const QString &text) {
        boxes->show(nullptr, QMessageBox::Warning, SerialPort::tr("Serial Port Error"), text);
    });
}

} // namespace SerialPortBoxes
