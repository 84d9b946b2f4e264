// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui_AppUpdateDialog.h"
#include "update/SelfUpdatePolicy.h"

#include <QByteArray>
#include <QDialog>
#include <QPointer>
#include <QString>

class MessageBoxes;
class QNetworkReply;
class UrlOpener;

// One check for a newer panel release: asks the update server and offers what it finds.
// A fresh dialog is built for each check; it stays hidden until there is something to
// offer and deletes itself when the check is over.
//
// What Download does depends on the SelfUpdatePolicy. Off (packaged builds, or no signing
// key): the release page opens in the browser and nothing is downloaded. On: the installer
// is downloaded with progress, then its detached signature; only an installer whose
// signature verifies is saved and started. Anything else is told to the user, nothing is
// kept on disk, and the release page is offered instead.
class AppUpdateDialog : public QDialog
{
    Q_OBJECT
public:
    // The automatic check after start-up looks at major and minor only and stays silent
    // when nothing is new; the manual check compares every piece and says "up to date".
    enum class Mode { Automatic, Manual };

    // currentVersion is the panel's version text, e.g. "V2.1.0". parent is the main
    // window: it parents the network managers and the "Version Check" box too.
    // urls opens the release page (null: the desktop's browser).
    AppUpdateDialog(const QString &currentVersion, QWidget *parent, MessageBoxes *boxes = nullptr,
                    UrlOpener *urls = nullptr, const SelfUpdatePolicy &policy = SelfUpdatePolicy::compiledIn());
    ~AppUpdateDialog() override;

    void startCheck(Mode mode);

    QString statusText() const { return ui.labelStatus->text(); }
    bool isDownloading() const { return !download.isNull(); }

public slots:
    // Also reached by Escape and the window's close button: a running download is
    // aborted, so nothing is saved or started behind a closed dialog.
    void reject() override;

signals:
    // The installer was saved at path and started.
    void installerStarted(const QString &path);

private:
    void onUpdateFile(QNetworkReply *reply);
    // Closes the unshown dialog; a manual check tells the user why.
    void failCheck(const QString &reason);
    void startDownload();
    void onDownloadProgress(qint64 received, qint64 total);
    // Ends a download: it is no longer abortable; true when the user cancelled it
    // and the dialog has closed.
    bool finishDownload(QNetworkReply *reply);
    void onInstaller(QNetworkReply *reply);
    void onSignature(QNetworkReply *reply, const QByteArray &installer);
    void refuseUnverified(const QString &reason);
    void openReleasePage();
    bool saveAndStart(const QByteArray &body);
    void downloadFailedState(const QString &status);

    Ui::AppUpdateDialog ui;
    MessageBoxes *boxes;
    UrlOpener *urls;
    SelfUpdatePolicy policy;
    Mode mode = Mode::Automatic;
    QString currentNumber;
    QString newestNumber;
    QPointer<QNetworkReply> download; // the installer or its signature, while either runs
    bool ended = false; // closed once; the dialog is on its way out
};
