// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/FirmwareUpdatePrompts.h"

#include "dialogs/MessageBoxes.h"
#include "update/DownloadProgressDialog.h"
#include "update/FirmwareUpdateCheck.h"

#include <QNetworkReply>
#include <QPointer>
#include <QWidget>

FirmwareUpdatePrompts::FirmwareUpdatePrompts(Place place, QWidget *owner, MessageBoxes *boxes)
    : QObject(owner)
    , m_place(place)
    , m_owner(owner)
    , m_boxes(MessageBoxes::orDesktop(boxes))
    , m_check(new FirmwareUpdateCheck(this))
{
    connect(m_check, &FirmwareUpdateCheck::noUpdate, this, [this] {
        if (m_place == Place::UpgradeDialog)
            m_boxes->show(m_owner, QMessageBox::Information, QStringLiteral("No Update"),
                          QStringLiteral("No new updates are available."));
    });
    connect(m_check, &FirmwareUpdateCheck::offerMade, this, [this](const FirmwareUpdateCheck::Offer &offer) {
        const QMessageBox::StandardButton answer =
            m_boxes->show(nullptr, QMessageBox::Information, QStringLiteral("Update Available"), offer.text,
                          QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
        if (answer == QMessageBox::Ok)
            m_check->take(offer);
        else
            m_check->decline();
    });
    connect(m_check, &FirmwareUpdateCheck::downloadStarted, this, [this](QNetworkReply *reply) {
        QPointer<QNetworkReply> guarded(reply);
        new DownloadProgressDialog(reply, QStringLiteral("Downloading the firmware image..."), m_owner,
                                   [this, guarded] {
                                       if (guarded)
                                           m_check->cancelDownload(guarded);
                                   });
    });
    connect(m_check, &FirmwareUpdateCheck::downloadFailed, this, [this](const QString &text) {
        m_boxes->show(m_owner, QMessageBox::Warning, QStringLiteral("Download Failed"), text);
    });
}
