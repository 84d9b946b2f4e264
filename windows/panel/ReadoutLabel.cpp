// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/ReadoutLabel.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>

namespace {

// Sets one of the widget's attributes for as long as it is held.
class AttributeHeld
{
public:
    AttributeHeld(QWidget *widget, Qt::WidgetAttribute attribute)
        : m_widget(widget)
        , m_attribute(attribute)
    {
        m_widget->setAttribute(m_attribute, true);
    }
    ~AttributeHeld() { m_widget->setAttribute(m_attribute, false); }
    AttributeHeld(const AttributeHeld &) = delete;
    AttributeHeld &operator=(const AttributeHeld &) = delete;

private:
    QWidget *m_widget;
    Qt::WidgetAttribute m_attribute;
};

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// What drawing `c` with its pen at `pen` on a line from `top` down `height`
// may touch: the glyph's ink and its box in the line, and a margin for
// antialiasing and hinting that the metrics do not report.
QRect inkOf(const QFontMetricsF &metrics, QChar c, QPointF pen, qreal top, qreal height)
{
    const QRectF box(pen.x(), top, metrics.horizontalAdvance(c), height);
    const QRectF ink = metrics.boundingRect(c).translated(pen);
    return box.united(ink).toAlignedRect().adjusted(-3, -3, 3, 3);
}

bool drawnFromGlyphs(const QString &text)
{
    for (QChar c : text)
        if (!isAsciiDigit(c) && c != QLatin1Char(' ') && c != QLatin1Char(':'))
            return false;
    return true;
}

} // namespace

ReadoutLabel::ReadoutLabel(QWidget *parent)
    : QLabel(parent)
{
    // A time is never rich text; QLabel would otherwise look for markup in
    // every new text.
    setTextFormat(Qt::PlainText);
}

void ReadoutLabel::renderDigitsAhead()
{
    if (m_warmTimer)
        return;
    m_warmTimer = new QTimer(this);
    m_warmTimer->setSingleShot(true);
    m_warmTimer->setInterval(kWarmDelayMs);
    connect(m_warmTimer, &QTimer::timeout, this, &ReadoutLabel::renderDigitPictures);
    m_warmTimer->start();
}

ReadoutLabel::~ReadoutLabel() = default;

void ReadoutLabel::showText(const QString &text)
{
    const QString old = this->text();
    if (text == old)
        return;
    if (!isVisible() || !updatesEnabled() || !glyphPathUsable()) {
        setText(text);
        return;
    }
    const Layout before = layoutFor(old);
    const Layout &after = layoutFor(text);
    // Texts of one shared shape have the same hints.
    const bool hintsMayChange = before.shape != after.shape;
    const QSize hintBefore = hintsMayChange ? sizeHint() : QSize();
    const QSize minimumBefore = hintsMayChange ? minimumSizeHint() : QSize();
    {
        // QLabel::setText() schedules a repaint of the whole contents; with
        // updates disabled that repaint is dropped, so that only what changed
        // is scheduled below. The attribute is the one setUpdatesEnabled()
        // sets, without the full repaint that setUpdatesEnabled(true) would
        // schedule.
        const AttributeHeld repaintHeld(this, Qt::WA_UpdatesDisabled);
        // setText() also invalidates the parent's layout, and that pass walks
        // every layout up to the window's. While the label counts as hidden,
        // updateGeometry() leaves the parent's layout alone (it still drops
        // the layout's cached hints of the label); the pass is asked for
        // below when the new text's hints differ.
        const AttributeHeld layoutPassHeld(this, Qt::WA_WState_Hidden);
        setText(text);
    }
    if (hintsMayChange && (sizeHint() != hintBefore || minimumSizeHint() != minimumBefore))
        updateGeometry();
    if (!before.usable || !after.usable) {
        update(contentsRect());
        return;
    }
    if (!hintsMayChange && updateChangedPictures(before, after))
        return;
    const QRegion area = changedArea(before, after);
    // Where pictures cover all that changed, the label paints every pixel of
    // the repaint itself, so the window need not paint what lies beneath. A
    // text of another length may resize the label, which repaints it whole.
    if (before.cells.size() == after.cells.size() && (area - picturedArea(after)).isEmpty())
        setAttribute(Qt::WA_OpaquePaintEvent, true);
    update(area);
}

bool ReadoutLabel::updateChangedPictures(const Layout &before, const Layout &after)
{
    // The common change while time code runs: a digit or two of one shape,
    // each in place of the old one and pictured. Anything else is left to
    // the general case.
    if (before.cells.size() != after.cells.size() || before.contents != after.contents)
        return false;
    QRect changed[kMostChangedInPlace];
    int count = 0;
    for (int i = 0; i < after.cells.size(); ++i) {
        const Cell &was = before.cells[i], &now = after.cells[i];
        if (was.character == now.character && was.pen == now.pen)
            continue;
        if (count == kMostChangedInPlace || was.pen != now.pen || !now.ink.contains(was.ink)
            || pictureFor(now).isNull())
            return false;
        changed[count++] = now.ink & after.contents;
    }
    if (count > 0)
        setAttribute(Qt::WA_OpaquePaintEvent, true);
    for (int i = 0; i < count; ++i)
        update(changed[i]);
    return true;
}

QRegion ReadoutLabel::picturedArea(const Layout &layout)
{
    if (!layout.picturedKnown) {
        layout.pictured = QRegion();
        for (const Cell &cell : layout.cells)
            if (!pictureFor(cell).isNull())
                layout.pictured += cell.ink;
        layout.picturedKnown = true;
    }
    return layout.pictured;
}

QRegion ReadoutLabel::changedArea(const Layout &before, const Layout &after) const
{
    QRegion area;
    const bool samePlaces = before.cells.size() == after.cells.size();
    for (int i = 0; samePlaces && i < after.cells.size(); ++i) {
        const Cell &was = before.cells[i], &now = after.cells[i];
        if (was.character != now.character || was.pen != now.pen) {
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
    return area & after.contents;
}

int ReadoutLabel::picturesRendered() const
{
    return int(std::count_if(m_pictures.cbegin(), m_pictures.cend(), [](const QImage &p) { return !p.isNull(); }));
}

bool ReadoutLabel::glyphPathUsable() const
{
    return isEnabled() && textFormat() != Qt::RichText && !wordWrap() && alignment() == Qt::AlignCenter
           && margin() == 0;
}

QString ReadoutLabel::sharedShape(const QString &text) const
{
    auto found = m_shapes.constFind(text);
    if (found != m_shapes.constEnd())
        return *found;

    QString zeros = text;
    for (QChar &c : zeros)
        if (isAsciiDigit(c))
            c = QLatin1Char('0');
    bool shared = zeros != text && drawnFromGlyphs(text);
    if (shared) {
        const QFontMetricsF metrics(font());
        const qreal zero = metrics.horizontalAdvance(QLatin1Char('0'));
        shared = std::all_of(text.cbegin(), text.cend(),
                             [&](QChar c) { return !isAsciiDigit(c) || metrics.horizontalAdvance(c) == zero; })
                 && metrics.horizontalAdvance(text) == metrics.horizontalAdvance(zeros);
    }
    return *m_shapes.insert(text, shared ? zeros : text);
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
    const QString shape = sharedShape(text);
    const QFontMetricsF metrics(font());
    if (shape != text) {
        // The same places as the shape's characters; blanks and colons stay.
        layout = layoutFor(shape);
        layout.pictured = QRegion();
        layout.picturedKnown = false;
        int cell = 0;
        for (QChar c : text) {
            if (c == QLatin1Char(' '))
                continue;
            Cell &placed = layout.cells[cell++];
            placed.character = c;
            placed.ink = inkOf(metrics, c, placed.pen, layout.top, layout.height);
        }
    } else if (!text.isEmpty() && drawnFromGlyphs(text)) {
        const QRect area = contentsRect();
        layout.contents = area;
        QTextLayout lines(text, font());
        lines.beginLayout();
        QTextLine line = lines.createLine();
        line.setLineWidth(0x01000000); // one line, never broken, as in a text draw without wrapping
        line.setPosition(QPointF(0, 0));
        lines.endLayout();
        layout.height = line.ascent() + line.descent();
        layout.top = area.y() + (area.height() - layout.height) / 2;
        const qreal left = area.x() + (area.width() - line.horizontalAdvance()) / 2;
        layout.clip = line.horizontalAdvance() > area.width() || layout.height > area.height();
        const qreal baseline = layout.top + line.ascent();
        for (int i = 0; i < text.size(); ++i) {
            if (text[i] == QLatin1Char(' '))
                continue;
            const QPointF pen(left + line.cursorToX(i), baseline);
            layout.cells.append({text[i], pen, inkOf(metrics, text[i], pen, layout.top, layout.height)});
        }
        layout.usable = true;
    }
    layout.shape = shape;
    return *m_layouts.insert(text, layout);
}

const QImage &ReadoutLabel::blankLabel()
{
    if (m_blank.isNull()) {
        const qreal ratio = devicePixelRatioF();
        m_blank = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
        m_blank.setDevicePixelRatio(ratio);
        m_blank.fill(Qt::transparent);
        QPainter painter(&m_blank);
        if (testAttribute(Qt::WA_StyledBackground)) {
            QStyleOption option;
            option.initFrom(this);
            style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
        }
        drawFrame(&painter);
    }
    return m_blank;
}

const QImage &ReadoutLabel::pictureFor(const Cell &cell)
{
    const quint64 key = quint64(cell.character.unicode()) << 48 | (quint64(qRound(cell.pen.x() * 64)) & 0xFFFFFF) << 24
                        | (quint64(qRound(cell.pen.y() * 64)) & 0xFFFFFF);
    auto found = m_pictures.constFind(key);
    if (found != m_pictures.constEnd())
        return *found;

    QImage picture;
    const QImage &blank = blankLabel();
    const qreal ratio = blank.devicePixelRatio();
    const QRect pixels(cell.ink.topLeft() * ratio, cell.ink.size() * ratio);
    if (blank.rect().contains(pixels)) {
        const QRgb colour = blank.pixel(pixels.topLeft());
        bool uniform = qAlpha(colour) == 255;
        for (int y = pixels.top(); uniform && y <= pixels.bottom(); ++y) {
            const QRgb *line = reinterpret_cast<const QRgb *>(blank.constScanLine(y));
            for (int x = pixels.left(); uniform && x <= pixels.right(); ++x)
                uniform = line[x] == colour;
        }
        if (uniform) {
            picture = QImage(pixels.size(), QImage::Format_RGB32); // opaque: painted as a copy
            picture.setDevicePixelRatio(ratio);
            picture.fill(colour);
            QPainter painter(&picture);
            painter.translate(-cell.ink.topLeft());
            drawDirectly(&painter, cell);
        }
    }
    return *m_pictures.insert(key, picture);
}

// As QLabel draws its text: the palette's text colour, the widget's font.
void ReadoutLabel::drawDirectly(QPainter *painter, const Cell &cell) const
{
    QStyleOption option;
    option.initFrom(this);
    painter->setFont(font());
    painter->setPen(QPen(option.palette.brush(foregroundRole()), painter->pen().widthF()));
    painter->drawText(cell.pen, QString(cell.character));
}

void ReadoutLabel::paintEvent(QPaintEvent *event)
{
    // Set by showText() for this one repaint of pictured characters.
    const bool nothingBeneath = testAttribute(Qt::WA_OpaquePaintEvent);
    if (nothingBeneath)
        setAttribute(Qt::WA_OpaquePaintEvent, false);
    if (!glyphPathUsable() || !drawnFromGlyphs(text())) {
        QLabel::paintEvent(event);
        if (nothingBeneath)
            update(); // something else joined the repaint; paint it again over the window
        return;
    }
    const Layout &layout = layoutFor(text());
    QPainter painter(this);
    // Pictures hold the background too: a repaint of changed characters only
    // needs no frame.
    if (!(event->region() - picturedArea(layout)).isEmpty()) {
        drawFrame(&painter);
        if (nothingBeneath)
            update();
    }
    if (layout.clip)
        painter.setClipRect(contentsRect(), Qt::IntersectClip);
    for (const Cell &cell : layout.cells) {
        if (!event->region().intersects(cell.ink))
            continue;
        const QImage &picture = pictureFor(cell);
        if (picture.isNull())
            drawDirectly(&painter, cell);
        else
            painter.drawImage(cell.ink.topLeft(), picture);
    }
}

const ReadoutLabel::Hints &ReadoutLabel::hintsFor(const QString &text) const
{
    const QString shape = sharedShape(text);
    auto found = m_hints.constFind(shape);
    if (found == m_hints.constEnd())
        found = m_hints.insert(shape, Hints{QLabel::sizeHint(), QLabel::minimumSizeHint()});
    return *found;
}

QSize ReadoutLabel::sizeHint() const
{
    if (!glyphPathUsable() || indent() >= 0)
        return QLabel::sizeHint();
    return hintsFor(text()).size;
}

QSize ReadoutLabel::minimumSizeHint() const
{
    if (!glyphPathUsable() || indent() >= 0)
        return QLabel::minimumSizeHint();
    return hintsFor(text()).minimum;
}

void ReadoutLabel::dropCaches()
{
    m_layouts.clear();
    m_pictures.clear();
    m_blank = QImage();
    if (m_warmTimer)
        m_warmTimer->start();
}

void ReadoutLabel::renderDigitPictures()
{
    if (!isVisible() || !glyphPathUsable())
        return;
    const Layout shape = layoutFor(sharedShape(text()));
    if (!shape.usable)
        return;
    const QFontMetricsF metrics(font());
    for (const Cell &cell : shape.cells) {
        if (cell.character != QLatin1Char('0'))
            continue;
        for (char digit = '0'; digit <= '9'; ++digit) {
            const QChar c = QLatin1Char(digit);
            pictureFor(Cell{c, cell.pen, inkOf(metrics, c, cell.pen, shape.top, shape.height)});
        }
    }
}

void ReadoutLabel::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
        dropCaches();
        m_hints.clear();
        m_shapes.clear();
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}

void ReadoutLabel::resizeEvent(QResizeEvent *event)
{
    dropCaches();
    QLabel::resizeEvent(event);
}

bool ReadoutLabel::event(QEvent *event)
{
    if (event->type() == QEvent::ContentsRectChange) {
        dropCaches();
        m_hints.clear();
    }
    return QLabel::event(event);
}
