// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "upgrade/upgrade_Dialog.h"
#include "support/FastTransferTiming.h"
#include "support/SerialUnitRig.h"

#include <QString>
#include <QtTest>

// The upgrade dialog with the unit listed in upgrade mode only, as after the
// user put it there by hand; it reports itself as a TQR-30 on V1.0.3.
struct UpgradeDialogRig : SerialUnitRig
{
    explicit UpgradeDialogRig(const QString &description = defaultBootDescription())
    {
        listBoot(description);
        dialog.transfer()->setTiming(fastTransferTiming());
        dialog.setEndDelay(50);
        boot.modelReply = "TQR-30\r\n";
        boot.versionReply = QByteArray("\xAA\xCC\x06V1.0.3\r\n", 11);
    }

    // Shows the dialog and connects as its button does; returns once the version is read.
    void connectUnit()
    {
        dialog.prepareAndShow();
        QTest::mouseClick(dialog.form().pushButton, Qt::LeftButton);
        QTRY_COMPARE(dialog.versionText(), QString("V1.0.3"));
    }

    upgrade_Dialog dialog{&usb, &ports};
};
