// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QTextBrowser;

// Text browsers that show what a unit or a server reported. QTextBrowser::append()
// guesses rich text from the first tag it sees, and a rich text browser follows
// links and loads images named in the text; these helpers never let the text be
// read as markup.
namespace PlainTextView {

// Switches off link and resource loading, for a browser that holds only text.
void makeInert(QTextBrowser *view);
// Adds text as a new paragraph (or as the first one of an empty view), taken
// character for character; CR LF and lone CR end a line like LF does.
void appendPlain(QTextBrowser *view, const QString &text);

} // namespace PlainTextView
