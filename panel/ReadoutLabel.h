#pragma once

#include <QHash>
#include <QLabel>
#include <QPointF>
#include <QRect>
#include <QStaticText>
#include <QVector>

// One field of the time-code readout. It is a plain QLabel to everyone who
// reads or styles it (text(), style sheet, font, palette), but paints its text
// from glyph pictures rendered once per font, colour and size instead of laying
// out the text on every paint, and showText() repaints only the characters
// that changed.
//
// Each digit and the colon is a QStaticText laid out once per font; it is
// drawn at the position a centred single-line text draw of the whole label
// gives that character, through the same glyph cache and blending as that
// draw, so the pixels are the same. Text with characters other than digits,
// blanks and colons, and a disabled or word-wrapping label, go through
// QLabel's painting unchanged.
class ReadoutLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ReadoutLabel(QWidget *parent = nullptr);
    ~ReadoutLabel() override;

    // Sets the text; while the label is on screen only the characters that
    // differ from the old text are repainted.
    void showText(const QString &text);

    // Characters laid out since the last font or style change; the cache
    // holds at most the ten digits and the colon.
    int glyphsLaidOut() const { return m_glyphs.size(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;

private:
    struct Cell
    {
        QChar character;
        QPointF topLeft; // of the character's line box, widget pixels
        QRect ink;       // what painting it may touch
    };
    struct Layout
    {
        bool usable = false;
        bool clip = false; // the text is wider or taller than the contents
        QVector<Cell> cells;
    };
    bool glyphPathUsable() const;
    const Layout &layoutFor(const QString &text);
    const QStaticText &glyphFor(QChar character);
    void dropCaches();
    QRegion changedArea(const Layout &before, const Layout &after) const;

    QHash<QString, Layout> m_layouts;
    QHash<QChar, QStaticText> m_glyphs;
};
