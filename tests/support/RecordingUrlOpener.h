// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/UrlOpener.h"

#include <QList>

// Records the URLs the panel would hand to the browser, and opens none.
// `answer` false stands for a desktop with no program for them.
class RecordingUrlOpener : public UrlOpener
{
public:
    bool open(const QUrl &url) override
    {
        opened.append(url);
        return answer;
    }

    QList<QUrl> opened;
    bool answer = true;
};
