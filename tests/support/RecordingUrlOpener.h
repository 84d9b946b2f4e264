#pragma once

#include "dialogs/UrlOpener.h"

#include <QList>

// Records the URLs the panel would hand to the browser, and opens none.
class RecordingUrlOpener : public UrlOpener
{
public:
    bool open(const QUrl &url) override
    {
        opened.append(url);
        return true;
    }

    QList<QUrl> opened;
};
