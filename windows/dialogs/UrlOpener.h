// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QUrl>

// Hands a URL to the desktop (the browser, a PDF viewer) through a seam, so that tests
// can see what would be opened without starting anything.
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;

    // Returns false when the desktop has nothing to open it with.
    virtual bool open(const QUrl &url) = 0;

    // QDesktopServices. Objects keep a UrlOpener* they were given; callers that have none
    // pass this.
    static UrlOpener *desktop();
};

class DesktopUrlOpener : public UrlOpener
{
public:
    bool open(const QUrl &url) override;
};
