// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/UsbDescriptionSource.h"

// The source of a system whose USB descriptions are not read yet: it finds
// none, and says so once in the trace, so ports are listed by name alone.
class AbsentUsbDescriptionSource : public UsbDescriptionSource
{
public:
    explicit AbsentUsbDescriptionSource(const QString &systemName);

    UsbDescriptionMap findUsbDeviceDescriptions(const QString &enumerator, const QString &prefix,
                                                bool filterByPrefix) override;

private:
    QString m_systemName;
    bool m_traced = false;
};
