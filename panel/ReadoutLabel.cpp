#include "panel/ReadoutLabel.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOption>
#include <QTextLayout>

namespace {

// QLabel::setText() schedules a repaint of the whole contents; while this is
// held that repaint is dropped, so the caller can schedule just what changed.
// The attribute is the one setUpdatesEnabled() sets, without the full repaint
// that setUpdatesEnabled(true) would schedule.
class RepaintHeld
{
public:
    explicit RepaintHeld(QWidget *widget) : m_widget(widget) { m_widget->setAttribute(Qt::WA_UpdatesDisabled, true); }
    ~RepaintHeld() { m_widget->setAttribute(Qt::WA_UpdatesDisabled, false); }
    RepaintHeld(const RepaintHeld &) = delete;
    RepaintHeld &operator=(const RepaintHeld &) = delete;

private:
    QWidget *m_widget;
};

bool drawnFromGlyphs(const QString &text)
{
    for (QChar c : text)
        if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char(' ') && c != QLatin1Char(':'))
            return false;
    return true;
}

} // namespace

ReadoutLabel::ReadoutLabel(QWidget *parent)
    : QLabel(parent)
{
}

ReadoutLabel::~ReadoutLabel() = default;

void ReadoutLabel::showText(const QString &text)
{
    if (text == this->text())
        return;
    if (!isVisible() || !updatesEnabled() || !glyphPathUsable()) {
        setText(text);
        return;
    }
    const Layout before = layoutFor(this->text());
    {
        const RepaintHeld held(this);
        setText(text);
    }
    const Layout &after = layoutFor(text);
    if (!before.usable || !after.usable)
        update(contentsRect());
    else
        update(changedArea(before, after));
}

QRegion ReadoutLabel::changedArea(const Layout &before, const Layout &after) const
{
    QRegion area;
    const bool samePlaces = before.cells.size() == after.cells.size();
    for (int i = 0; samePlaces && i < after.cells.size(); ++i) {
        const Cell &was = before.cells[i], &now = after.cells[i];
        if (was.character != now.character || was.topLeft != now.topLeft) {
            area += was.ink;
            area += now.ink;
        }
    }
    if (!samePlaces) {
        for (const Cell &cell : before.cells)
            area += cell.ink;
        for (const Cell &cell : after.cells)
            area += cell.ink;
    }
    return area & contentsRect();
}

bool ReadoutLabel::glyphPathUsable() const
{
    return isEnabled() && textFormat() != Qt::RichText && !wordWrap() && alignment() == Qt::AlignCenter
           && margin() == 0;
}

// Places the characters where a centred single-line draw of `text` into the
// contents rectangle puts them: the line's advance centred across, its ascent
// plus descent centred down.
const ReadoutLabel::Layout &ReadoutLabel::layoutFor(const QString &text)
{
    auto found = m_layouts.constFind(text);
    if (found != m_layouts.constEnd())
        return *found;

    Layout layout;
    if (!text.isEmpty() && drawnFromGlyphs(text)) {
        const QRect area = contentsRect();
        QTextLayout lines(text, font());
        lines.beginLayout();
        QTextLine line = lines.createLine();
        line.setLineWidth(0x01000000); // one line, never broken, as in a text draw without wrapping
        line.setPosition(QPointF(0, 0));
        lines.endLayout();
        const qreal height = line.ascent() + line.descent();
        const qreal left = area.x() + (area.width() - line.horizontalAdvance()) / 2;
        const qreal top = area.y() + (area.height() - height) / 2;
        layout.clip = line.horizontalAdvance() > area.width() || height > area.height();
        const QFontMetricsF metrics(font());
        for (int i = 0; i < text.size(); ++i) {
            if (text[i] == QLatin1Char(' '))
                continue;
            const QPointF topLeft(left + line.cursorToX(i), top);
            // The glyph's ink and its box in the line, and a margin for
            // antialiasing and hinting that the metrics do not report.
            const QRectF box(topLeft, QSizeF(metrics.horizontalAdvance(text[i]), height));
            const QRectF ink = metrics.boundingRect(text[i]).translated(topLeft.x(), top + line.ascent());
            layout.cells.append({text[i], topLeft, box.united(ink).toAlignedRect().adjusted(-3, -3, 3, 3)});
        }
        layout.usable = true;
    }
    return *m_layouts.insert(text, layout);
}

const QStaticText &ReadoutLabel::glyphFor(QChar character)
{
    auto found = m_glyphs.constFind(character);
    if (found != m_glyphs.constEnd())
        return *found;
    QStaticText glyph{QString(character)};
    glyph.setTextFormat(Qt::PlainText);
    glyph.prepare(QTransform(), font());
    return *m_glyphs.insert(character, glyph);
}

void ReadoutLabel::paintEvent(QPaintEvent *event)
{
    if (!glyphPathUsable() || !drawnFromGlyphs(text())) {
        QLabel::paintEvent(event);
        return;
    }
    const Layout &layout = layoutFor(text());
    QPainter painter(this);
    drawFrame(&painter);
    if (layout.clip)
        painter.setClipRect(contentsRect(), Qt::IntersectClip);
    QStyleOption option;
    option.initFrom(this);
    painter.setPen(QPen(option.palette.brush(foregroundRole()), painter.pen().widthF()));
    const QRect dirty = event->rect();
    for (const Cell &cell : layout.cells) {
        if (cell.ink.intersects(dirty))
            painter.drawStaticText(cell.topLeft, glyphFor(cell.character));
    }
}

void ReadoutLabel::dropCaches()
{
    m_layouts.clear();
    m_glyphs.clear();
}

void ReadoutLabel::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
        dropCaches();
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}

void ReadoutLabel::resizeEvent(QResizeEvent *event)
{
    m_layouts.clear();
    QLabel::resizeEvent(event);
}

bool ReadoutLabel::event(QEvent *event)
{
    if (event->type() == QEvent::ContentsRectChange)
        m_layouts.clear();
    return QLabel::event(event);
}
