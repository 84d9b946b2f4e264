// SPDX-License-Identifier: GPL-3.0-or-later
// Turns the Markdown user manual into the PDF that ships inside the panel.
//   make_manual <manual.md> <manual.pdf>
// Run it with QT_QPA_PLATFORM=offscreen where there is no display; the "manual" build
// target does that.
#include <QFile>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <cstdio>

namespace {

const char kBodyFont[] = "DejaVu Sans";

void styleHeadings(QTextDocument &doc)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level == 0)
            continue;
        QTextCursor cursor(block);
        QTextBlockFormat format = block.blockFormat();
        format.setTopMargin(level == 1 ? 0 : 14);
        format.setBottomMargin(6);
        // Title, introduction and contents fill the first page; the chapters flow on from
        // the second.
        if (level == 2 && block.text().startsWith(QLatin1String("1. ")))
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        cursor.setBlockFormat(format);
        cursor.select(QTextCursor::BlockUnderCursor);
        QTextCharFormat chars;
        chars.setFontPointSize(level == 1 ? 22 : level == 2 ? 16 : 12);
        chars.setFontWeight(QFont::Bold);
        chars.setForeground(QColor(0x2a, 0x6e, 0x1a));
        cursor.mergeCharFormat(chars);
    }
}

void styleTables(QTextFrame *frame)
{
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child)) {
            QTextTableFormat format = table->format();
            format.setBorder(0.5);
            format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
            format.setBorderBrush(QColor(0x90, 0x90, 0x90));
            format.setCellSpacing(0);
            format.setCellPadding(4);
            format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
            table->setFormat(format);
        }
        styleTables(child);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s manual.md manual.pdf\n", argv[0]);
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s: %s\n", argv[1], qPrintable(source.errorString()));
        return 1;
    }

    QTextDocument doc;
    QFont body(QString::fromLatin1(kBodyFont));
    body.setPointSizeF(10.5);
    doc.setDefaultFont(body);
    doc.setMarkdown(QString::fromUtf8(source.readAll()), QTextDocument::MarkdownDialectGitHub);
    styleHeadings(doc);
    styleTables(doc.rootFrame());

    QPdfWriter pdf(QString::fromLocal8Bit(argv[2]));
    pdf.setTitle(QStringLiteral("Quill Tool User Manual"));
    pdf.setCreator(QStringLiteral("Quill Tool"));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setResolution(300);
    // With no page size of its own, the document is paginated to the writer's pages
    // with margins and page numbers.
    doc.print(&pdf);
    return 0;
}
