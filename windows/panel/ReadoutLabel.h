// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPointF>
#include <QRect>
#include <QVector>

class QTimer;

// One field of the time-code readout. It is a plain QLabel to everyone who
// reads or styles it (text(), style sheet, font, palette), but paints its text
// from glyph pictures rendered once per font, colour and size instead of laying
// out the text on every paint, and showText() repaints only the characters
// that changed.
//
// Each character is placed where a centred single-line text draw of the whole
// label puts it. Where the label's background under a character is one opaque
// colour, the character is rendered once onto that colour, the same way the
// text draw renders it, and later paints copy the picture; large fonts are
// filled as outlines on every text draw, so this is where the time goes.
// Characters over the border or a gradient are drawn directly. Text with
// characters other than digits, blanks and colons, and a disabled or
// word-wrapping label, go through QLabel's painting unchanged.
class ReadoutLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ReadoutLabel(QWidget *parent = nullptr);
    ~ReadoutLabel() override;

    // Sets the text; while the label is on screen only the characters that
    // differ from the old text are repainted, and the window is laid out again
    // only when the label's size hints change with the text.
    void showText(const QString &text);

    // From now on every digit's picture at every digit place of the text's
    // shape is rendered a moment after each font, style or size change, so
    // that a new time finds its pictures made; for fields that change often,
    // as the pictures of a large font take memory.
    void renderDigitsAhead();

    // Character pictures rendered since the last font, style or size change:
    // one per character and place that has been shown over a plain background.
    int picturesRendered() const;

    // QLabel's own hints, kept per text: the layout asks for them after every
    // change of text, and working them out shapes the text in its large font.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;

private:
    struct Cell
    {
        QChar character;
        QPointF pen; // on the baseline, widget pixels
        QRect ink;   // what painting it may touch
    };
    struct Layout
    {
        bool usable = false;
        bool clip = false; // the text is wider or taller than the contents
        QRect contents;    // the label's contents rectangle when laid out
        qreal top = 0;     // of the line, and its ascent plus descent
        qreal height = 0;
        QVector<Cell> cells;
        QString shape; // see sharedShape()
        // Where its characters are painted from pictures; worked out once.
        mutable QRegion pictured;
        mutable bool picturedKnown = false;
    };
    bool glyphPathUsable() const;
    const Layout &layoutFor(const QString &text);
    // The text whose layout and hints `text` shares: its digits all '0' when
    // each advances as far as '0' does and the whole as far as the text of
    // zeros (so no pair is kerned otherwise); else the text itself. A new
    // time then costs no text layout of its own.
    QString sharedShape(const QString &text) const;
    // The character over its background, or a null image where that is not
    // one opaque colour.
    const QImage &pictureFor(const Cell &cell);
    const QImage &blankLabel();
    QRegion picturedArea(const Layout &layout);
    void drawDirectly(QPainter *painter, const Cell &cell) const;
    void dropCaches();
    void renderDigitPictures();
    QRegion changedArea(const Layout &before, const Layout &after) const;
    // Schedules the repaint of characters changed in place, each from its
    // picture; false, with nothing done, where that does not hold.
    bool updateChangedPictures(const Layout &before, const Layout &after);
    static constexpr int kMostChangedInPlace = 4;

    struct Hints
    {
        QSize size;
        QSize minimum;
    };
    const Hints &hintsFor(const QString &text) const;

    QHash<QString, Layout> m_layouts;
    // Independent of the label's size; dropped with a font, style or margin
    // change. Hints are kept per shared shape.
    mutable QHash<QString, Hints> m_hints;
    mutable QHash<QString, QString> m_shapes;
    QHash<quint64, QImage> m_pictures;
    QImage m_blank; // the label's background and frame without text
    QTimer *m_warmTimer = nullptr; // set while digits are rendered ahead
    static constexpr int kWarmDelayMs = 250;
};
