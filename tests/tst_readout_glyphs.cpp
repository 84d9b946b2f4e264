// SPDX-License-Identifier: GPL-3.0-or-later
// The readout's glyph cache against QLabel's own text drawing: what reaches
// the screen after a partial repaint must be what a plain label shows.

#include "panel/ReadoutLabel.h"
#include "panel/StreamHealthIndicator.h"
#include "support/PanelRig.h"
#include "ui_MainWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

using PanelTest::PanelRig;

namespace {

// Largest difference of any colour channel between two images of one size.
int largestDifference(const QImage &a, const QImage &b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const QRgb *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            worst = std::max({worst, std::abs(qRed(pa[x]) - qRed(pb[x])), std::abs(qGreen(pa[x]) - qGreen(pb[x])),
                              std::abs(qBlue(pa[x]) - qBlue(pb[x]))});
        }
    }
    return worst;
}

struct PaintedArea : QObject
{
    QRegion painted;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

} // namespace

class TestReadoutGlyphs : public QObject
{
    Q_OBJECT
private slots:
    void matchesTextDraw_data();
    void matchesTextDraw();
};

void TestReadoutGlyphs::matchesTextDraw_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<int>("field");
    QTest::addColumn<QStringList>("texts");

    // Every digit in every place of a two-digit field, three digits, the last
    // frame of each rate, and both endings of the frames field.
    const QStringList separated = {"2 3 : ", "0 1 : ", "4 5 : ", "6 7 : ", "8 9 : ", "1 0 : ",
                                   "3 2 : ", "5 4 : ", "7 6 : ", "9 8 : ", "1 2 3 : ", "0 0 : "};
    const QStringList frames = {"2 3", "0 0 ", "2 4 ", "2 9", "1 3 ", "5 7", "8 6 ", "9 0", "4 2 ", "0 1"};
    const char *const names[] = {"hours", "minutes", "seconds", "frames"};
    for (QSize window : {QSize(860, 650), QSize(1920, 1080)}) {
        for (int field = 0; field < 4; ++field) {
            QTest::addRow("%s %dx%d", names[field], window.width(), window.height())
                << window << field << (field == 3 ? frames : separated);
        }
    }
}

void TestReadoutGlyphs::matchesTextDraw()
{
    QFETCH(QSize, window);
    QFETCH(int, field);
    QFETCH(QStringList, texts);

    PanelRig rig;
    rig.window->resize(window);
    rig.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
    QTRY_COMPARE(rig.window->size(), window);
    ReadoutLabel *const fields[] = {rig.ui()->time_hour, rig.ui()->time_min, rig.ui()->time_sed, rig.ui()->time_fam};
    ReadoutLabel *label = fields[field];
    // The stream's mark sits in the frames field's corner; only the digits
    // are compared here.
    rig.window->findChild<StreamHealthIndicator *>()->hide();
    QCoreApplication::processEvents();

    // The same label drawn by QLabel itself.
    QLabel reference;
    reference.setFont(label->font());
    reference.setStyleSheet(label->styleSheet());
    reference.setFixedSize(label->size());
    reference.ensurePolished();
    QCOMPARE(reference.font(), label->font());

    PaintedArea area;
    label->installEventFilter(&area);
    QScreen *screen = QGuiApplication::primaryScreen();
    QString previous = label->text();
    for (const QString &text : texts) {
        area.painted = QRegion();
        label->showText(text);
        QTRY_VERIFY(!area.painted.isEmpty());
        QCoreApplication::processEvents(); // a wider text widens the label
        QCOMPARE(label->text(), text);
        const QRect inside = label->contentsRect();
        // Only what changed is repainted, not the whole label, when the
        // characters keep their places.
        if (text.size() == previous.size())
            QVERIFY2(area.painted.boundingRect().width() < inside.width() * 3 / 4, qPrintable(text));
        previous = text;

        const QPoint at = label->mapTo(rig.window.get(), inside.topLeft());
        const QImage shown = screen->grabWindow(rig.window->winId(), at.x(), at.y(), inside.width(), inside.height())
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        reference.setFixedSize(label->size());
        reference.setText(text);
        const QImage direct = reference.grab(inside).toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), direct.size());
        const int difference = largestDifference(shown, direct);
        if (difference > 0) {
            const QString out = qEnvironmentVariable("QUILL_TEST_OUTPUT", ".");
            shown.save(out + "/readout-shown.png");
            direct.save(out + "/readout-direct.png");
        }
        QVERIFY2(difference <= 0, qPrintable(QString("%1: %2").arg(text).arg(difference)));
        // The hints kept per text are those QLabel works out for it now.
        QCOMPARE(label->sizeHint(), label->QLabel::sizeHint());
        QCOMPARE(label->minimumSizeHint(), label->QLabel::minimumSizeHint());
    }
    QVERIFY(label->picturesRendered() > 0);

    // A new font size makes new hints for texts shown before.
    rig.window->resize(window.width() > 1000 ? QSize(1280, 860) : window + QSize(300, 200));
    QTRY_VERIFY(label->font() != reference.font());
    for (const QString &text : texts.mid(0, 2)) {
        label->showText(text);
        QCOMPARE(label->sizeHint(), label->QLabel::sizeHint());
        QCOMPARE(label->minimumSizeHint(), label->QLabel::minimumSizeHint());
    }
}

QTEST_MAIN(TestReadoutGlyphs)
#include "tst_readout_glyphs.moc"
