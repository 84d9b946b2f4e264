// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/DownloadProgressDialog.h"

#include <QNetworkReply>
#include <QPointer>

DownloadProgressDialog::DownloadProgressDialog(QNetworkReply *reply, const QString &label, QWidget *parent,
                                               std::function<void()> cancel)
    : QProgressDialog(label, QStringLiteral("Cancel"), 0, 0, parent)
{
    setWindowTitle(QStringLiteral("Downloading"));
    setWindowModality(Qt::WindowModal);
    setAutoClose(false);
    setAutoReset(false);
    setMinimumDuration(0);
    setValue(0);

    QPointer<QNetworkReply> guarded(reply);
    connect(this, &QProgressDialog::canceled, this, [guarded, cancel] {
        if (!guarded || !guarded->isRunning())
            return;
        if (cancel)
            cancel();
        else
            guarded->abort();
    });
    connect(reply, &QNetworkReply::downloadProgress, this, &DownloadProgressDialog::onProgress);
    connect(reply, &QNetworkReply::finished, this, &QObject::deleteLater);
    connect(reply, &QObject::destroyed, this, &QObject::deleteLater);
    show();
}

void DownloadProgressDialog::onProgress(qint64 received, qint64 total)
{
    if (total <= 0) {
        setRange(0, 0);
        return;
    }
    setRange(0, 100);
    setValue(static_cast<int>(received * 100 / total));
}
