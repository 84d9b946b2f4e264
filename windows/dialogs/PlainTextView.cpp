// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/PlainTextView.h"

#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

namespace PlainTextView {

void makeInert(QTextBrowser *view)
{
    view->setOpenLinks(false);
    view->setOpenExternalLinks(false);
    view->setUndoRedoEnabled(false);
}

void appendPlain(QTextBrowser *view, const QString &text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QTextCursor cursor(view->document());
    cursor.movePosition(QTextCursor::End);
    if (!view->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(lines);
}

} // namespace PlainTextView
