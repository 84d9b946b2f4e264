#pragma once

#include <QProgressDialog>

class QNetworkReply;

// A progress bar with Cancel for one download: percent when the server gives the size, a
// busy bar when it does not. Cancel aborts the reply, which then finishes with
// QNetworkReply::OperationCanceledError. The dialog deletes itself when the reply finishes.
class DownloadProgressDialog : public QProgressDialog
{
    Q_OBJECT
public:
    DownloadProgressDialog(QNetworkReply *reply, const QString &label, QWidget *parent);

private:
    void onProgress(qint64 received, qint64 total);
};
