// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/AbsentUsbDescriptionSource.h"

#include <QDebug>

AbsentUsbDescriptionSource::AbsentUsbDescriptionSource(const QString &systemName)
    : m_systemName(systemName)
{
}

UsbDescriptionMap AbsentUsbDescriptionSource::findUsbDeviceDescriptions(const QString &, const QString &, bool)
{
    if (!m_traced) {
        m_traced = true;
        qDebug().noquote() << "USB descriptions are not read on" << m_systemName
                           << "yet; serial ports are listed by name only";
    }
    return UsbDescriptionMap();
}
