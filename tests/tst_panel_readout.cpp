// SPDX-License-Identifier: GPL-3.0-or-later
// The readout's texts, the scaling of the panel with the window width, and
// the position slider's start marker.

#include "panel/CustomSlider.h"
#include "panel/ReadoutLabel.h"
#include "panel/GeneratorTransport.h"
#include "panel/StreamHealthIndicator.h"
#include "panel/StyleSheets.h"
#include "support/ModelGenerator.h"
#include "midi/QMidiIn.h"
#include "protocol/MidiTimecodeIn.h"
#include "panel/TimecodeReadout.h"
#include "support/PanelRig.h"
#include "ui_MainWindow.h" // generated for this test; PanelRig.h needs it

#include <QStyle>
#include <QStyleOptionSlider>
#include <QtTest>

using PanelTest::PanelRig;

namespace {
QStringList labels(Ui::MainWindow *ui)
{
    return {ui->time_hour->text(), ui->time_min->text(), ui->time_sed->text(), ui->time_fam->text()};
}

QRect handleRect(CustomSlider *slider)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.subControls = QStyle::SC_All;
    option.state |= QStyle::State_Horizontal;
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
}

int handleCentre(CustomSlider *slider)
{
    return handleRect(slider).center().x();
}
} // namespace

class TestPanelReadout : public QObject
{
    Q_OBJECT
private slots:
    // Quarter frames, full frames and source reports from one unit reach the
    // window in the order the unit sent them, and the readout shows the last
    // frame shown. Quarter frames are decoded on the input's thread: the
    // window gets each frame shown where its piece stood among the other
    // messages, and no piece on its own.
    void interleavedMessagesKeepTheirOrder_data()
    {
        QTest::addColumn<QList<QByteArray>>("messages");
        QTest::addColumn<QList<int>>("shownAfter"); // indexes of the pieces that show a frame
        QTest::addColumn<QString>("readout");
        // A label completed from quarter frames shows two frames on (the
        // unit has moved on while its eight pieces came in), and once the
        // stream's timeline is known its piece 3 shows the frame between; a
        // full frame shows as it is and sets the timeline.
        auto label = [](int second, int frame) { return PanelTest::quarterFrames(0, 0, second, frame, 3); };
        auto fullFrame = [](int second, int frame) {
            QByteArray m = PanelTest::hex("F07F7F010160000000F7");
            m[7] = char(second);
            m[8] = char(frame);
            return m;
        };
        const QByteArray source = PanelTest::hex("F07F7F1002F7");
        QTest::newRow("full frame after the last piece")
            << (label(11, 0) + QList<QByteArray>{fullFrame(5, 7)}) << QList<int>{7} << "0 0 : 0 0 : 0 5 : 0 7 ";
        QTest::newRow("full frame before the first piece")
            << (QList<QByteArray>{fullFrame(12, 0)} + label(12, 0)) << QList<int>{4, 8} << "0 0 : 0 0 : 1 2 : 0 2";
        // A locate in the middle of a label: its pieces before are of the old
        // place, so the label is not whole.
        QTest::newRow("full frame and source report between the pieces")
            << (label(13, 0).mid(0, 4) + QList<QByteArray>{fullFrame(13, 0), source} + label(13, 0).mid(4))
            << QList<int>{} << "0 0 : 0 0 : 1 3 : 0 0 ";
        QTest::newRow("source report and full frame after the next label")
            << (label(14, 0) + label(14, 2) + QList<QByteArray>{source, fullFrame(5, 7)}) << QList<int>{7, 11, 15}
            << "0 0 : 0 0 : 0 5 : 0 7 ";
    }
    void interleavedMessagesKeepTheirOrder()
    {
        QFETCH(QList<QByteArray>, messages);
        QFETCH(QList<int>, shownAfter);
        QFETCH(QString, readout);
        PanelRig rig;
        rig.window->connectMidiDevice("TQR-30 Pro [0]");
        const QByteArray labelMark = "label";
        QList<QByteArray> expected;
        for (int i = 0; i < messages.size(); ++i) {
            if (quint8(messages[i].at(0)) != 0xF1)
                expected.append(messages[i]);
            else if (shownAfter.contains(i))
                expected.append(labelMark);
        }
        QList<QByteArray> seen;
        QObject::connect(rig.window->midiIn(), &QMidiIn::midiMessageReceived, rig.window.get(),
                         [&seen](const QByteArray &m) { seen.append(m); });
        QObject::connect(rig.window->midiIn()->quarterFrameDecoder(), &MidiTimecodeIn::timecodeReceived,
                         rig.window.get(), [&seen, &labelMark] { seen.append(labelMark); });
        rig.feed(messages);
        QCOMPARE(seen, expected);
        QCOMPARE(rig.readoutText(), readout);
    }
    // The mark beside the readout: none before any time code, then the way
    // it runs, stopped once it pauses, and none again for a new connection;
    // its tooltip counts what went wrong since connecting.
    void streamHealthIndicator()
    {
        PanelRig rig;
        rig.window->show();
        rig.connectUnit();
        auto *mark = rig.window->findChild<StreamHealthIndicator *>();
        QVERIFY(mark);
        QCOMPARE(mark->parentWidget(), rig.ui()->time_fam);
        QCOMPARE(mark->state(), StreamHealthIndicator::State::None);
        QVERIFY(mark->toolTip().contains("none"));

        using PanelTest::ModelGenerator;
        const long long start = FrameArithmetic::frameNumber({1, 0, 0, 0}, FrameRate::Fps25);
        ModelGenerator forward{FrameRate::Fps25, start};
        for (long long q = 0; q < 8 * 3; ++q)
            if (q != 8 + 2) // one piece lost
                rig.feed(forward.message(q));
        QCOMPARE(mark->state(), StreamHealthIndicator::State::Forward);
        // A label off the timeline.
        rig.feed(PanelTest::quarterFrames(1, 30, 0, 0, 1));
        QVERIFY2(mark->toolTip().contains("running forward\nSince connecting: 1 quarter frames lost, 1 labels "
                                          "rejected, 0 jumps confirmed"),
                 qPrintable(mark->toolTip()));

        ModelGenerator reverse{FrameRate::Fps25, start + 40, true};
        for (long long q = 0; q < 8 * 3; ++q)
            rig.feed(reverse.message(q));
        QCOMPARE(mark->state(), StreamHealthIndicator::State::Reverse);
        QVERIFY(mark->toolTip().contains("running in reverse"));

        QTRY_COMPARE_WITH_TIMEOUT(mark->state(), StreamHealthIndicator::State::Stopped, 1000);
        // Picked again, the unit's entry disconnects it: no stream then either.
        rig.connectUnit();
        QCOMPARE(mark->state(), StreamHealthIndicator::State::None);
        QVERIFY(mark->toolTip().contains("0 quarter frames lost, 0 labels rejected"));
        // Placed in the readout's corner, whatever the window's size.
        rig.window->resize(1600, 900);
        QTRY_COMPARE(mark->geometry().right(), rig.ui()->time_fam->width() - StreamHealthIndicator::kInset - 1);
    }

    void spacedFields()
    {
        QCOMPARE(TimecodeReadout::spacedField(7), QString("0 7"));
        QCOMPARE(TimecodeReadout::spacedField(12), QString("1 2"));
        QCOMPARE(TimecodeReadout::spacedField(123), QString("1 2 3"));
        QCOMPARE(TimecodeReadout::spacedField(0), QString("0 0"));
    }

    void fullFrameAndQuarterFrameForms()
    {
        PanelRig rig;
        Ui::MainWindow *ui = rig.ui();
        // At start the readout shows 01:00:00:00.
        QCOMPARE(labels(ui), (QStringList{"0 1 : ", "0 0 : ", "0 0 : ", "0 0 "}));

        rig.window->displayTimeCode(1, 2, 3, 4);
        QCOMPARE(labels(ui), (QStringList{"0 1 : ", "0 2 : ", "0 3 : ", "0 4 "}));
        rig.window->displayTimeCode(123, 0, 0, 0);
        QCOMPARE(ui->time_hour->text(), QString("1 2 3 : "));

        rig.window->connectMidiDevice("TQR-30 Pro [0]");
        // The label two frames before: the readout shows where the unit is.
        rig.feed(PanelTest::quarterFrames(23, 59, 59, 27, 3));
        QCOMPARE(labels(ui), (QStringList{"2 3 : ", "5 9 : ", "5 9 : ", "2 9"}));
        // A full frame through the input port overwrites all four.
        rig.feed(PanelTest::hex("F07F7F0101611E2D0CF7"));
        QCOMPARE(labels(ui), (QStringList{"0 1 : ", "3 0 : ", "4 5 : ", "1 2 "}));

        // Read back as the transport reads it.
        const FrameArithmetic::Label back = rig.window->readout()->label();
        QCOMPARE(back, (FrameArithmetic::Label{1, 30, 45, 12}));
        QCOMPARE(rig.window->readout()->digits(), QString("01304512"));
    }

    void quarterFrameTextsOfOtherShapesAreIgnored()
    {
        ReadoutLabel h, m, s, f;
        TimecodeReadout readout(&h, &m, &s, &f);
        readout.show(1, 2, 3, 4);
        readout.showQuarterFrameText("01:02:03");
        readout.showQuarterFrameText("01:02:03:04:05");
        readout.showQuarterFrameText("");
        QCOMPARE(f.text(), QString("0 4 "));
        readout.clear();
        QCOMPARE(readout.label(), (FrameArithmetic::Label{-1, -1, -1, -1}));
    }

    // Only the fields whose number changed get a new text; what the readout
    // reads back follows every field, also one set from elsewhere.
    void readBackFollowsTheFields()
    {
        using Label = FrameArithmetic::Label;
        ReadoutLabel h, m, s, f;
        TimecodeReadout readout(&h, &m, &s, &f);
        auto texts = [&] { return QStringList{h.text(), m.text(), s.text(), f.text()}; };
        readout.show(1, 2, 3, 4);
        readout.showQuarterFrameText("01:02:03:06");
        QCOMPARE(texts(), (QStringList{"0 1 : ", "0 2 : ", "0 3 : ", "0 6"}));
        QCOMPARE(readout.label(), (Label{1, 2, 3, 6}));

        s.setText("4 4 : ");
        QCOMPARE(readout.label(), (Label{1, 2, 44, 6}));
        readout.showQuarterFrameText("01:02:03:08");
        QCOMPARE(texts(), (QStringList{"0 1 : ", "0 2 : ", "0 3 : ", "0 8"}));
        QCOMPARE(readout.label(), (Label{1, 2, 3, 8}));

        // The same number written otherwise is shown as it came.
        readout.showQuarterFrameText("1:02:03:08");
        QCOMPARE(h.text(), QString("1 : "));
        readout.showQuarterFrameText("01:02:03:x8");
        QCOMPARE(texts(), (QStringList{"0 1 : ", "0 2 : ", "0 3 : ", "x 8"}));
        QCOMPARE(readout.label(), (Label{1, 2, 3, -1}));
        readout.show(5, 6, 7, 8);
        QCOMPARE(readout.label(), (Label{5, 6, 7, 8}));
    }

    void scaleNumbers()
    {
        const auto at860 = TimecodeReadout::scaleFor({860, 650});
        QCOMPARE(at860.timeFont, 93);
        QCOMPARE(at860.editFont, 26);
        QCOMPARE(at860.labelFont, 21);
        QCOMPARE(at860.buttonFont, 21);
        // The digits grow with the width while the height leaves room below them.
        QCOMPARE(TimecodeReadout::scaleFor({1280, 860}).timeFont, 140);
        QCOMPARE(TimecodeReadout::scaleFor({1920, 650}).timeFont, 93);
        QCOMPARE(TimecodeReadout::scaleFor({1920, 1080}).timeFont, 200);
        QCOMPARE(TimecodeReadout::scaleFor({3000, 1400}).timeFont, 200);
        const auto at3400 = TimecodeReadout::scaleFor({3400, 1400});
        QCOMPARE(at3400.timeFont, 200);
        QCOMPARE(at3400.editFont, 90);
        QCOMPARE(at3400.labelFont, 85);
        QCOMPARE(TimecodeReadout::scaleFor({0, 0}).timeFont, 10);
    }

    void windowResizeRestylesThePanel()
    {
        PanelRig rig;
        Ui::MainWindow *ui = rig.ui();
        rig.window->resize(860, 650);
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        QCOMPARE(rig.window->width(), 860);
        // Each part carries its own sheet, in the size for this width.
        const auto sized = [](const char *sheet, int px) { return QString::fromLatin1(sheet).arg(px); };
        rig.window->readout()->setLive(true);
        QCOMPARE(ui->time_hour->styleSheet(), sized(PanelStyle::kReadoutHours, 93));
        QCOMPARE(ui->time_min->styleSheet(), sized(PanelStyle::kReadoutMinutes, 93));
        QCOMPARE(ui->time_sed->styleSheet(), sized(PanelStyle::kReadoutSeconds, 93));
        QCOMPARE(ui->time_fam->styleSheet(), sized(PanelStyle::kReadoutFrames, 93));
        QCOMPARE(ui->lineEdit_2->styleSheet(), sized(PanelStyle::kTimeField, 26));
        QCOMPARE(ui->lineEdit_2->cursor().shape(), Qt::IBeamCursor);
        QCOMPARE(ui->centralwidget->styleSheet(), sized(PanelStyle::kScaledLabels, 21));
        QCOMPARE(rig.window->transport()->buttonFontSize(), 21);

        rig.window->resize(3400, 1400);
        QTRY_COMPARE(rig.window->width(), 3400);
        QCOMPARE(ui->time_min->styleSheet(), sized(PanelStyle::kReadoutMinutes, 200));
        QCOMPARE(ui->lineEdit->styleSheet(), sized(PanelStyle::kTimeField, 90));
        QCOMPARE(ui->centralwidget->styleSheet(), sized(PanelStyle::kScaledLabels, 85));
        QCOMPARE(rig.window->transport()->buttonFontSize(), 85);
        // The IP button's sheets take the size stored at the last resize.
        rig.window->checpauseTimer();
        QCOMPARE(ui->pushButton_7->styleSheet(), sized(PanelStyle::kIpButtonLocked, 85));
    }

    // A new time of the same shape keeps every size hint, so it must not lay
    // the window out again (that pass walks every layout up to the window's,
    // fifteen times a second); one that changes a hint must.
    void windowIsLaidOutOnlyWhenAHintChanges()
    {
        PanelRig rig;
        Ui::MainWindow *ui = rig.ui();
        rig.window->resize(860, 650);
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        TimecodeReadout *readout = rig.window->readout();
        readout->show(1, 2, 3, 4);
        QTest::qWait(20); // the layout passes of the first show, one level at a time

        struct LayoutRequestCounter : QObject
        {
            int count = 0;
            bool eventFilter(QObject *, QEvent *event) override
            {
                count += event->type() == QEvent::LayoutRequest;
                return false;
            }
        } requests;
        ui->time_hour->parentWidget()->installEventFilter(&requests);
        for (int frame = 5; frame < 30; ++frame)
            readout->show(1, 2, 3, frame);
        readout->show(1, 2, 4, 0);
        QCoreApplication::processEvents();
        QCOMPARE(requests.count, 0);
        QCOMPARE(labels(ui), (QStringList{"0 1 : ", "0 2 : ", "0 4 : ", "0 0 "}));

        const int hoursWidth = ui->time_hour->width();
        readout->show(123, 2, 4, 0);
        QCoreApplication::processEvents();
        QCOMPARE(requests.count, 1);
        QVERIFY(ui->time_hour->width() > hoursWidth);
    }

    // A new time on the running readout finds its digits' pictures made: they
    // are rendered a moment after a font or size change, not as each digit
    // first shows.
    void digitPicturesAreReadyBeforeTheyShow()
    {
        PanelRig rig;
        rig.window->resize(860, 650);
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        ReadoutLabel *seconds = rig.ui()->time_sed;
        QTRY_VERIFY(seconds->picturesRendered() >= 20); // ten digits in each of two places
        const int made = seconds->picturesRendered();
        TimecodeReadout *readout = rig.window->readout();
        for (int second = 0; second < 60; ++second) {
            readout->show(1, 0, second, 0);
            QCoreApplication::processEvents();
        }
        QCOMPARE(seconds->picturesRendered(), made);
    }

    void startMarker()
    {
        CustomSlider slider;
        slider.setRange(0, 1000);
        slider.resize(600, 80); // tall enough to show the whole marker
        slider.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slider));
        QVERIFY(!slider.markerPlaced());

        slider.setValue(500);
        slider.setMarker(500, 1);
        slider.grab(); // paints once
        const int placed = handleCentre(&slider) - 16;
        QCOMPARE(slider.markerLeft(), placed);
        QCOMPARE(slider.markerValue(), 500);

        // Later handle moves and resizes leave it where it was.
        slider.setValue(900);
        slider.grab();
        QCOMPARE(slider.markerLeft(), placed);
        slider.resize(300, 80);
        slider.grab();
        QCOMPARE(slider.markerLeft(), placed);

        // Not placed: at the left end, only its right 22 pixels show.
        slider.setMarker(0, 0);
        slider.grab();
        QCOMPARE(slider.markerLeft(), -10);
        const QImage image = slider.grab().toImage();
        QVERIFY(image.pixelColor(5, slider.height() / 2 + 6 + 16) != image.pixelColor(5, 1));

        // With the form's sheet the handle is the 40-pixel picture.
        PanelRig rig;
        rig.window->show();
        CustomSlider *formSlider = rig.ui()->horizontalSlider;
        formSlider->setMaximum(100);
        formSlider->setValue(50);
        formSlider->setMarker(50, 1);
        formSlider->grab();
        QCOMPARE(formSlider->markerLeft(), handleCentre(formSlider) - 16);
    }

    // The generator sets a value every few milliseconds; only a value that
    // moves the handle by a pixel may cost a repaint, and every such value
    // must, however the positions that keep the handle still were found.
    void sliderRepaintsOnlyWhenTheHandleMoves_data()
    {
        QTest::addColumn<bool>("formSheet");
        QTest::newRow("plain") << false;
        QTest::newRow("form's sheet") << true;
    }
    void sliderRepaintsOnlyWhenTheHandleMoves()
    {
        QFETCH(bool, formSheet);
        PanelRig rig;
        std::unique_ptr<CustomSlider> plain;
        CustomSlider *slider = rig.ui()->horizontalSlider;
        if (formSheet) {
            rig.window->show();
        } else {
            plain = std::make_unique<CustomSlider>();
            slider = plain.get();
            slider->resize(600, 40);
            slider->show();
        }
        slider->setRange(0, 100000);
        QVERIFY(QTest::qWaitForWindowExposed(slider));
        int paints = 0;
        struct PaintCounter : QObject
        {
            int *count;
            bool eventFilter(QObject *, QEvent *event) override
            {
                *count += event->type() == QEvent::Paint;
                return false;
            }
        } counter;
        counter.count = &paints;
        slider->installEventFilter(&counter);
        slider->update();
        QTRY_VERIFY(paints > 0); // the handle's pixel is known from this paint

        paints = 0;
        const int left = handleCentre(slider);
        slider->setValue(10); // far below one pixel
        QCoreApplication::processEvents();
        QCOMPARE(handleCentre(slider), left);
        QCOMPARE(paints, 0);

        // One position at a time, up across several pixels and back down.
        QRect painted = handleRect(slider);
        int moves = 0;
        for (int step : {1, -1}) {
            for (int i = 0; i < 1200; ++i) {
                slider->setValue(slider->value() + step);
                paints = 0;
                QCoreApplication::processEvents();
                const QRect now = handleRect(slider);
                QCOMPARE(paints > 0, now != painted);
                moves += now != painted;
                painted = now;
            }
        }
        QVERIFY(moves >= 4);

        slider->setValue(50000);
        QTRY_VERIFY(paints > 0);
        QVERIFY(handleCentre(slider) > left);
    }

    // The knob's 40-pixel picture is drawn whole at both ends of the range.
    void sliderKnobIsWholeAtBothEnds_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QSize>("window");
        QTest::newRow("start, smallest window") << 0 << QSize(860, 650);
        QTest::newRow("end, smallest window") << 1000 << QSize(860, 650);
        QTest::newRow("end, 1920 x 1080") << 1000 << QSize(1920, 1080);
    }
    void sliderKnobIsWholeAtBothEnds()
    {
        QFETCH(int, value);
        QFETCH(QSize, window);
        PanelRig rig;
        rig.window->resize(window);
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        CustomSlider *slider = rig.ui()->horizontalSlider;
        slider->setRange(0, 1000);
        slider->setValue(value);
        const QRect knob = handleRect(slider);
        QCOMPARE(knob.size(), QSize(40, 40));
        QVERIFY2(slider->rect().contains(knob), qPrintable(QStringLiteral("knob at %1,%2 in a slider of %3 x %4")
                                                               .arg(knob.x()).arg(knob.y())
                                                               .arg(slider->width()).arg(slider->height())));
        // Its ring is there at the outer edge too, not the slider's grey.
        const QImage image = slider->grab().toImage();
        const QColor background = image.pixelColor(slider->width() / 2, 1);
        const int outer = value == 0 ? knob.left() + 2 : knob.right() - 2;
        QVERIFY(image.pixelColor(outer, knob.center().y()) != background);
    }

    // A transport button the source has disabled still shows what it is, greyed.
    void disabledTransportButtonsKeepTheirPictures()
    {
        PanelRig rig;
        rig.window->resize(860, 650);
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        rig.connectUnit();
        Ui::MainWindow *ui = rig.ui();
        ui->radioButton_3->click(); // LTC
        for (QPushButton *button : {ui->pushButton, ui->pushButton_2, ui->pushButton_3, ui->pushButton_4}) {
            QVERIFY(!button->isEnabled());
            const QImage image = button->grab().toImage();
            const QRect middle = QRect(QPoint(), image.size()).adjusted(image.width() / 3, image.height() / 3,
                                                                          -image.width() / 3, -image.height() / 3);
            int grey = 0, dark = 0;
            for (int y = middle.top(); y <= middle.bottom(); ++y) {
                for (int x = middle.left(); x <= middle.right(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    grey += c.red() == c.green() && c.green() == c.blue() && c.red() > 120 && c.red() < 220;
                    dark += c.lightness() < 100;
                }
            }
            QVERIFY2(grey > middle.width() * middle.height() / 10, qPrintable(button->objectName()));
            QCOMPARE(dark, 0); // not the live picture
        }
    }

    // Pictures of the running panel for a human to look at (build/panel-*.png).
    void renderRunningPanel_data()
    {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<int>("rateCode");
        QTest::addColumn<QSize>("size");
        QTest::newRow("25fps") << "25" << 1 << QSize(860, 650);
        QTest::newRow("30Drop") << "30Drop" << 2 << QSize(1400, 900);
    }
    void renderRunningPanel()
    {
        QFETCH(QString, rate);
        QFETCH(int, rateCode);
        QFETCH(QSize, size);
        PanelRig rig;
        rig.window->resize(size);
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        rig.connectUnit();
        rig.feed(PanelTest::hex("F000215E01010604F7"));
        for (QRadioButton *b : {rig.ui()->radioButton_8, rig.ui()->radioButton_9})
            if (b->text() == rate)
                b->click();
        rig.ui()->pushButton_6->setChecked(true);
        rig.ui()->pushButton->click();
        // Distinct times per row: the decoder drops a repeat of the last text.
        rig.feed(PanelTest::quarterFrames(1, 10, 0, 2 + rateCode, rateCode));
        rig.window->updateProgressBar();
        QVERIFY(rig.ui()->horizontalSlider->value() > 0);
        const QString dir = qEnvironmentVariable("QUILL_TEST_OUTPUT", QStringLiteral("."));
        QVERIFY(rig.window->grab().save(dir + "/panel-" + QTest::currentDataTag() + ".png"));
    }
};

QTEST_MAIN(TestPanelReadout)
#include "tst_panel_readout.moc"
