// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProgressDialog>

#include <functional>

class QNetworkReply;

// A progress bar with Cancel for one download: percent when the server gives the size, a
// busy bar when it does not. Cancel aborts the reply (or calls cancel, which must), and it
// then finishes with QNetworkReply::OperationCanceledError. The dialog deletes itself when
// the reply finishes.
class DownloadProgressDialog : public QProgressDialog
{
    Q_OBJECT
public:
    DownloadProgressDialog(QNetworkReply *reply, const QString &label, QWidget *parent,
                           std::function<void()> cancel = nullptr);

private:
    void onProgress(qint64 received, qint64 total);
};
