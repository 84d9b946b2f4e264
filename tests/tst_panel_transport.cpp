// SPDX-License-Identifier: GPL-3.0-or-later
// The generator transport, source and rate selection through the in-memory
// MIDI system: the bytes the unit receives and what the panel shows.

#include "midi/QMidiIn.h"
#include "midi/QMidiOut.h"
#include "panel/CustomSlider.h"
#include "panel/GeneratorTransport.h"
#include "panel/SourceRateSelection.h"
#include "panel/StyleSheets.h"
#include "panel/TimecodeReadout.h"
#include "protocol/MachineControl.h"
#include "protocol/MidiTimecodeIn.h"
#include "support/LocateMessage.h"
#include "support/ModelGenerator.h"
#include "support/PanelRig.h"
#include "ui_MainWindow.h" // generated for this test; PanelRig.h needs it

#include <QElapsedTimer>
#include <QRegularExpressionValidator>
#include <QtTest>

using PanelTest::hex;
using PanelTest::PanelRig;

namespace {
const QByteArray kStop = hex("F07F7F0601F7");
const QByteArray kPlay = hex("F07F7F0602F7");

int rateCodeFor(const QString &rate)
{
    return rate == "24" ? 0 : rate == "25" ? 1 : rate == "30Drop" ? 2 : 3;
}

// The rate of a rate button's text.
FrameRate rateOf(const QString &button)
{
    return button == "24"       ? FrameRate::Fps24
        : button == "25"       ? FrameRate::Fps25
        : button == "30Drop"   ? FrameRate::Fps30Drop
                               : FrameRate::Fps30;
}

// What a unit answers to a Locate: the frame it now stands on.
QByteArray fullFrame(int rateCode, const FrameArithmetic::Label &l)
{
    QByteArray message = hex("F07F7F010100000000F7");
    message[5] = char((rateCode << 5) | l.hours);
    message[6] = char(l.minutes);
    message[7] = char(l.seconds);
    message[8] = char(l.frames);
    return message;
}

// Checks a rate button as a user's click does (the selection handler runs).
void chooseRate(Ui::MainWindow *ui, const QString &text)
{
    for (QRadioButton *b : {ui->radioButton_7, ui->radioButton_8, ui->radioButton_9, ui->radioButton_10})
        if (b->text() == text)
            b->setChecked(true);
}

struct Running : PanelRig
{
    explicit Running(const QString &rate = "25")
    {
        window->show();
        connectUnit();
        chooseRate(ui(), rate);
        take();
    }
};
} // namespace

class TestPanelTransport : public QObject
{
    Q_OBJECT
private slots:
    void playFromStartSendsLocateAndPlay()
    {
        Running rig("25");
        Ui::MainWindow *ui = rig.ui();
        ui->pushButton->click();
        QCOMPARE(rig.take(), (QList<QByteArray>{locateMessage(1, 1, 0, 0, 0), kPlay}));
        QCOMPARE(ui->horizontalSlider->maximum(), 90000);
        QCOMPARE(rig.readoutText(), QString("0 1 : 0 0 : 0 0 : 0 0 "));
        QVERIFY(rig.window->transport()->checkTimer()->isActive());
        QVERIFY(rig.window->transport()->progressTimer()->isActive());
        QVERIFY(!ui->radioButton->isEnabled()); // source locked while running
        QVERIFY(!ui->pushButton_7->isEnabled());
        QCOMPARE(ui->pushButton->styleSheet(), QString(PanelStyle::kPlayRunning));
        QVERIFY(rig.boxes.boxes.isEmpty());
    }

    void sliderMaximumPerRate_data()
    {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("rateCode");
        QTest::newRow("24") << "24" << 86400 << 0;
        QTest::newRow("25") << "25" << 90000 << 1;
        QTest::newRow("30") << "30" << 108000 << 3;
        // One hour of drop-frame labels holds 107892 frames.
        QTest::newRow("30Drop") << "30Drop" << 107892 << 2;
    }
    void sliderMaximumPerRate()
    {
        QFETCH(QString, rate);
        QFETCH(int, maximum);
        QFETCH(int, rateCode);
        Running rig(rate);
        rig.ui()->pushButton->click();
        QCOMPARE(rig.ui()->horizontalSlider->maximum(), maximum);
        QCOMPARE(rig.take().first(), locateMessage(rateCode, 1, 0, 0, 0));
    }

    // A Locate carries a rate even with no rate button checked: 24.
    void locateWithoutACheckedRateCarries24()
    {
        Running rig("25");
        rig.ui()->radioButton_8->setAutoExclusive(false);
        rig.ui()->radioButton_8->setChecked(false);
        rig.ui()->pushButton_3->click();
        QCOMPARE(rig.take(), (QList<QByteArray>{kStop, locateMessage(0, 1, 0, 0, 0), locateMessage(0, 1, 0, 0, 0)}));
    }

    void dropFrameRangeCountsTenthMinutes()
    {
        Running rig("30Drop");
        Ui::MainWindow *ui = rig.ui();
        ui->lineEdit->setText("00 : 00 : 00 : 00");
        ui->lineEdit_2->setText("00 : 10 : 00 : 00");
        ui->pushButton->click();
        QCOMPARE(ui->horizontalSlider->maximum(), 17982);
        // The readout at 00:10:00;00 is exactly End.
        rig.window->displayTimeCode(0, 9, 59, 29);
        rig.window->checkAndPause();
        QVERIFY(rig.window->transport()->checkTimer()->isActive());
        rig.window->displayTimeCode(0, 10, 0, 0);
        rig.take();
        rig.window->checkAndPause();
        QCOMPARE(rig.take(), QList<QByteArray>{kStop});
        QCOMPARE(ui->horizontalSlider->value(), 17982);
    }

    void playWithEndEqualToStartOnlyShowsStart()
    {
        Running rig;
        Ui::MainWindow *ui = rig.ui();
        ui->lineEdit->setText("01 : 02 : 03 : 04");
        ui->lineEdit_2->setText("01 : 02 : 03 : 04");
        rig.window->displayTimeCode(5, 5, 5, 5);
        ui->pushButton->click();
        QVERIFY(rig.take().isEmpty());
        QCOMPARE(rig.readoutText(), QString("0 1 : 0 2 : 0 3 : 0 4 "));
        QVERIFY(!rig.window->transport()->checkTimer()->isActive());
    }

    void playWithBlankStartWarnsAndSendsNothing()
    {
        Running rig;
        rig.ui()->lineEdit->setText("01 : 0");
        rig.ui()->pushButton->click();
        QTRY_COMPARE(rig.boxes.boxes.size(), 1);
        QCOMPARE(rig.boxes.boxes[0].title, QString("Invalid Time Format"));
        QCOMPARE(rig.boxes.boxes[0].text, QString("Start time format is incorrect."));
        QVERIFY(rig.take().isEmpty());
    }

    void pauseResumeStop()
    {
        Running rig;
        Ui::MainWindow *ui = rig.ui();
        ui->pushButton->click();
        rig.window->displayTimeCode(1, 0, 2, 0);
        rig.window->updateProgressBar();
        QCOMPARE(ui->horizontalSlider->value(), 50);
        rig.take();

        ui->pushButton_2->click();
        QCOMPARE(rig.take(), QList<QByteArray>{kStop}); // pause is Stop
        QVERIFY(!rig.window->transport()->checkTimer()->isActive());
        QVERIFY(!rig.window->transport()->progressTimer()->isActive());
        QCOMPARE(ui->pushButton_2->styleSheet(), QString(PanelStyle::kPauseActive));
        QVERIFY(ui->pushButton_7->isEnabled());
        QCOMPARE(ui->horizontalSlider->value(), 50);

        // Resume: only Play, and the start marker goes to the handle.
        ui->pushButton->click();
        QCOMPARE(rig.take(), QList<QByteArray>{kPlay});
        QVERIFY(ui->horizontalSlider->markerPlaced());
        QCOMPARE(ui->horizontalSlider->markerValue(), 50);
        QCOMPARE(rig.window->transport()->checkTimer()->interval(), GeneratorTransport::kFastTickMs);

        ui->pushButton_3->click();
        QCOMPARE(rig.take(), (QList<QByteArray>{kStop, locateMessage(1, 1, 0, 0, 0), locateMessage(1, 1, 0, 0, 0)}));
        QCOMPARE(ui->horizontalSlider->value(), 0);
        QVERIFY(!ui->horizontalSlider->markerPlaced());
        QCOMPARE(rig.readoutText(), QString("0 1 : 0 0 : 0 0 : 0 0 "));
        // Located at Start: the check timer runs, progress does not.
        QVERIFY(rig.window->transport()->checkTimer()->isActive());
        QVERIFY(!rig.window->transport()->progressTimer()->isActive());
        QCOMPARE(ui->pushButton_3->styleSheet(), QString(PanelStyle::kStopActive));
        QCOMPARE(ui->pushButton->styleSheet(), QString(PanelStyle::kPlayNormal));
    }

    void endReachedExactlyOvershotOrLooped()
    {
        {
            Running rig;
            Ui::MainWindow *ui = rig.ui();
            ui->pushButton->click();
            rig.window->displayTimeCode(1, 59, 59, 24);
            rig.take();
            rig.window->checkAndPause();
            QVERIFY(rig.take().isEmpty());
            rig.window->displayTimeCode(2, 0, 0, 0);
            rig.window->checkAndPause();
            QCOMPARE(rig.take(), QList<QByteArray>{kStop});
            QCOMPARE(ui->horizontalSlider->value(), 90000);
            QVERIFY(!rig.window->transport()->checkTimer()->isActive());
            QVERIFY(!rig.window->transport()->progressTimer()->isActive());
            QVERIFY(ui->radioButton->isEnabled());
            QVERIFY(ui->pushButton_7->isEnabled());
            QCOMPARE(ui->pushButton->styleSheet(), QString(PanelStyle::kPlayNormal));
        }
        {
            Running rig;
            rig.ui()->pushButton->click();
            rig.window->displayTimeCode(2, 0, 0, 3);
            rig.take();
            rig.window->checkAndPause();
            QCOMPARE(rig.take(), QList<QByteArray>{kStop});
            QCOMPARE(rig.ui()->horizontalSlider->value(), 0); // overshoot: next Play starts fresh
        }
        {
            Running rig;
            Ui::MainWindow *ui = rig.ui();
            ui->pushButton_6->click();
            QVERIFY(ui->pushButton_6->isChecked());
            ui->pushButton->click();
            rig.window->displayTimeCode(2, 0, 0, 0);
            rig.take();
            QElapsedTimer clock;
            clock.start();
            rig.window->checkAndPause();
            QCOMPARE(rig.take(), (QList<QByteArray>{kStop, locateMessage(1, 1, 0, 0, 0)}));
            QCOMPARE(rig.readoutText(), QString("0 1 : 0 0 : 0 0 : 0 0 "));
            QCOMPARE(ui->horizontalSlider->value(), 0);
            QVERIFY(rig.window->transport()->checkTimer()->isActive());
            QTRY_VERIFY_WITH_TIMEOUT(!rig.received.isEmpty(), 1000);
            QVERIFY(clock.elapsed() >= GeneratorTransport::kLoopRestartDelayMs - 2);
            QCOMPARE(rig.take(), QList<QByteArray>{kPlay});
        }
        {
            // The unit answers each Locate with a full frame; those of the
            // Locates before Play come after it and still show the old place.
            Running rig;
            rig.ui()->pushButton->click();
            rig.take();
            rig.feed(hex("F07F7F01012300000000F7")); // 03:00:00:00 at 25, past End
            rig.feed(hex("F07F7F01012100000000F7")); // Start
            QTest::qWait(GeneratorTransport::kSlowTickMs + 50);
            QVERIFY(rig.take().isEmpty());
            QVERIFY(rig.window->transport()->checkTimer()->isActive());
        }
    }

    // Play is lit only while the unit runs; a panel that lost its unit stops
    // everything and dims the time it keeps.
    void litButtonFollowsTheUnit_data()
    {
        QTest::addColumn<QString>("event");
        QTest::newRow("End reached") << "end";
        QTest::newRow("slider grabbed") << "slider";
        QTest::newRow("unit unplugged") << "unplug";
        QTest::newRow("disconnected from the menu") << "menu";
    }
    void litButtonFollowsTheUnit()
    {
        QFETCH(QString, event);
        Running rig;
        Ui::MainWindow *ui = rig.ui();
        GeneratorTransport *transport = rig.window->transport();
        ui->pushButton->click();
        rig.window->displayTimeCode(1, 30, 0, 0);
        QCOMPARE(ui->pushButton->styleSheet(), QString(PanelStyle::kPlayRunning));
        QVERIFY(rig.window->readout()->isLive());
        const bool lost = event == "unplug" || event == "menu";
        if (event == "end") {
            rig.window->displayTimeCode(2, 0, 0, 0);
            rig.window->checkAndPause();
        } else if (event == "slider") {
            rig.window->on_horizontalSlider_sliderPressed();
        } else if (event == "unplug") {
            rig.driver.removeDevice(rig.ports);
            QTRY_VERIFY_WITH_TIMEOUT(!rig.window->midiOut()->isOpen(), 1500);
        } else {
            rig.window->connectMidiDevice("TQR-30 Pro [0]"); // the connected entry again
            QVERIFY(!rig.window->midiOut()->isOpen());
        }
        QCOMPARE(ui->pushButton->styleSheet(), QString(PanelStyle::kPlayNormal));
        QVERIFY(!transport->checkTimer()->isActive());
        QVERIFY(!transport->progressTimer()->isActive());
        QCOMPARE(rig.window->readout()->isLive(), !lost);
        QCOMPARE(ui->time_sed->styleSheet().contains(PanelStyle::kReadoutDimmed), lost);
        if (lost) {
            QVERIFY(!transport->sourceLockTimer()->isActive());
            QVERIFY(ui->radioButton->isEnabled());
            // A unit again: live.
            // The unplugged unit is reconnected when it comes back.
            std::unique_ptr<PanelTest::RecordingUnit> again;
            if (event == "unplug")
                again = std::make_unique<PanelTest::RecordingUnit>(rig.driver, "TQR-30 Pro");
            else
                rig.window->connectMidiDevice("TQR-30 Pro [0]");
            QTRY_VERIFY_WITH_TIMEOUT(rig.window->midiOut()->isOpen(), 3000);
            QVERIFY(rig.window->readout()->isLive());
            QVERIFY(!ui->time_sed->styleSheet().contains(PanelStyle::kReadoutDimmed));
        }
    }

    // Space plays and pauses wherever the focus is, a time field included,
    // where it types nothing; Stop, Goto and Capture keys work there too.
    void keysDriveTheTransport_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::newRow("End field") << "lineEdit_2";
        QTest::newRow("Capture field, cursor in the middle") << "lineEdit_3";
        QTest::newRow("slider") << "horizontalSlider";
        QTest::newRow("Play button") << "pushButton";
    }
    void keysDriveTheTransport()
    {
        QFETCH(QString, focus);
        Running rig;
        Ui::MainWindow *ui = rig.ui();
        rig.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        QWidget *target = rig.window->findChild<QWidget *>(focus);
        target->setFocus();
        if (auto *field = qobject_cast<QLineEdit *>(target))
            field->setCursorPosition(7);
        const QString texts = ui->lineEdit->text() + ui->lineEdit_2->text() + ui->lineEdit_3->text();

        QTest::keyClick(target, Qt::Key_Space);
        QCOMPARE(rig.take(), (QList<QByteArray>{locateMessage(1, 1, 0, 0, 0), kPlay}));
        QVERIFY(rig.window->transport()->isPlaying());
        rig.window->displayTimeCode(1, 0, 3, 4);
        QTest::keyClick(target, Qt::Key_Space);
        QCOMPARE(rig.take(), QList<QByteArray>{kStop});
        QVERIFY(!rig.window->transport()->isPlaying());
        QCOMPARE(ui->lineEdit->text() + ui->lineEdit_2->text() + ui->lineEdit_3->text(), texts);

        QTest::keyClick(target, Qt::Key_M, Qt::ControlModifier); // Capture
        QCOMPARE(ui->lineEdit_3->text(), QString("01 : 00 : 03 : 04"));
        QTest::keyClick(target, Qt::Key_G, Qt::ControlModifier); // Goto
        QCOMPARE(rig.take(), QList<QByteArray>{locateMessage(1, 1, 0, 3, 4)});
        QTest::keyClick(target, Qt::Key_Period, Qt::ControlModifier); // Stop
        QCOMPARE(rig.take(), (QList<QByteArray>{kStop, locateMessage(1, 1, 0, 0, 0), locateMessage(1, 1, 0, 0, 0)}));

        // With an outside source the keys do nothing.
        rig.window->source_recvice(3);
        QVERIFY(!ui->pushButton->isEnabled());
        QTest::keyClick(target, Qt::Key_Space);
        QTest::keyClick(target, Qt::Key_Period, Qt::ControlModifier);
        QVERIFY(rig.take().isEmpty());
        for (QPushButton *button : {ui->pushButton, ui->pushButton_2, ui->pushButton_3, ui->pushButton_4})
            QVERIFY2(button->toolTip().size() > 8, qPrintable(button->objectName()));
    }

    // A time field holds only frames that exist at the rate chosen; the unit
    // is located to Start and the slider goes there with it.
    void rateChangeKeepsTheFieldsWithinTheRate_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("field"); // 0 Start, 1 End, 2 Capture
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("End 29 at 24") << "30" << "24" << 1 << "01 : 00 : 05 : 29" << "01 : 00 : 05 : 23";
        QTest::newRow("Capture 29 at 25") << "30" << "25" << 2 << "01 : 00 : 10 : 29" << "01 : 00 : 10 : 24";
        QTest::newRow("Start on a dropped label") << "30" << "30Drop" << 0 << "01 : 01 : 00 : 00"
                                                  << "01 : 01 : 00 : 02";
        QTest::newRow("Start at a tenth minute") << "30" << "30Drop" << 0 << "01 : 10 : 00 : 00"
                                                 << "01 : 10 : 00 : 00";
        QTest::newRow("every frame exists") << "25" << "30" << 1 << "01 : 00 : 05 : 24" << "01 : 00 : 05 : 24";
    }
    void rateChangeKeepsTheFieldsWithinTheRate()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        Running rig(from);
        Ui::MainWindow *ui = rig.ui();
        QLineEdit *const fields[] = {ui->lineEdit, ui->lineEdit_2, ui->lineEdit_3};
        fields[field]->setText(typed);
        ui->pushButton->click();
        rig.window->displayTimeCode(1, field == 0 ? typed.mid(5, 2).toInt() : 0, 2, 0);
        rig.window->updateProgressBar();
        ui->pushButton_2->click();
        QVERIFY(ui->horizontalSlider->value() > 0);
        rig.take();

        chooseRate(ui, to);
        QCOMPARE(fields[field]->text(), kept);
        const FrameArithmetic::Label start =
            field == 0 ? FrameArithmetic::Label{1, kept.mid(5, 2).toInt(), 0, kept.right(2).toInt()}
                       : FrameArithmetic::Label{1, 0, 0, 0};
        QCOMPARE(rig.take(), (QList<QByteArray>{locateMessage(rateCodeFor(to), 1, start.minutes, 0, start.frames)}));
        QCOMPARE(ui->horizontalSlider->value(), 0);
        QCOMPARE(rig.readoutText().remove(' '), QString::asprintf("01:%02d:00:%02d", start.minutes, start.frames));
        if (field != 1)
            return;
        // The run stops on the End the field shows.
        ui->pushButton->click();
        rig.take();
        rig.window->displayTimeCode(1, 0, 5, 22);
        rig.window->checkAndPause();
        QVERIFY(rig.take().isEmpty());
        rig.window->displayTimeCode(1, 0, 5, kept.right(2).toInt());
        rig.window->checkAndPause();
        QCOMPARE(rig.take(), QList<QByteArray>{kStop});
    }

    // The unit plays from Start; piece k of the label of frame L reaches the
    // panel as the unit stands at L + k/4. Stop goes out with the piece that
    // puts the unit on End, never one before, whether End falls on a label or
    // between two, and with loop on once per pass although the pieces sent
    // before the Stop took effect still arrive.
    void stopWhenTheUnitReachesEnd_data()
    {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<bool>("loop");
        QTest::newRow("25 even") << "25" << "01 : 00 : 00 : 00" << "01 : 00 : 00 : 20" << false;
        QTest::newRow("25 odd") << "25" << "01 : 00 : 00 : 00" << "01 : 00 : 00 : 21" << false;
        QTest::newRow("30Drop even") << "30Drop" << "00 : 00 : 59 : 20" << "00 : 01 : 00 : 04" << false;
        QTest::newRow("30Drop odd") << "30Drop" << "00 : 00 : 59 : 20" << "00 : 01 : 00 : 05" << false;
        QTest::newRow("25 odd loop") << "25" << "01 : 00 : 00 : 00" << "01 : 00 : 00 : 09" << true;
        QTest::newRow("30Drop even loop") << "30Drop" << "00 : 09 : 59 : 26" << "00 : 10 : 00 : 02" << true;
    }
    void stopWhenTheUnitReachesEnd()
    {
        QFETCH(QString, rate);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(bool, loop);
        Running rig(rate);
        Ui::MainWindow *ui = rig.ui();
        ui->lineEdit->setText(start);
        ui->lineEdit_2->setText(end);
        ui->pushButton_6->setChecked(loop);
        const int rateCode = rateCodeFor(rate);
        const FrameRate frameRate = rateOf(rate);
        FrameArithmetic::Label s, e;
        QVERIFY(FrameArithmetic::labelFromParts(MachineControl::readTimeField(start), s));
        QVERIFY(FrameArithmetic::labelFromParts(MachineControl::readTimeField(end), e));
        const long long endQuarter = 4 * FrameArithmetic::distance(s, e, frameRate);
        auto piece = [&](long long q) {
            const FrameArithmetic::Label l = FrameArithmetic::labelAtPosition(s, 2 * (q / 8), frameRate);
            return PanelTest::quarterFrames(l.hours, l.minutes, l.seconds, l.frames, rateCode).at(int(q % 8));
        };

        ui->pushButton->click();
        rig.take();
        for (int pass = 0; pass < (loop ? 2 : 1); ++pass) {
            rig.feed(fullFrame(rateCode, s));
            for (long long q = 0; q < endQuarter; ++q) {
                rig.feed(piece(q));
                QVERIFY2(rig.take().isEmpty(), qPrintable(QString("sent at %1 quarter frames").arg(q)));
            }
            rig.feed(piece(endQuarter));
            if (!loop) {
                QCOMPARE(rig.take(), QList<QByteArray>{kStop});
                QCOMPARE(ui->horizontalSlider->value(), ui->horizontalSlider->maximum());
                QCOMPARE(rig.window->readout()->digits(), QString(end).remove(' ').remove(':'));
                QVERIFY(!rig.window->transport()->checkTimer()->isActive());
                // Pieces on their way when the Stop went out are no reason for
                // another; time code still running four frames on means the
                // Stop was lost, and it goes again, a few times at most.
                long long q = endQuarter + 1;
                for (; q < endQuarter + GeneratorTransport::kStopLostAfterQuarterFrames; ++q) {
                    rig.feed(piece(q));
                    QVERIFY2(rig.take().isEmpty(), qPrintable(QString("sent at %1 quarter frames").arg(q)));
                }
                QList<long long> resentAt;
                for (; q < endQuarter + 200; ++q) {
                    rig.feed(piece(q));
                    const QList<QByteArray> sent = rig.take();
                    if (!sent.isEmpty()) {
                        QCOMPARE(sent, QList<QByteArray>{kStop});
                        resentAt << q;
                    }
                }
                QCOMPARE(resentAt.size(), GeneratorTransport::kStopResends);
                QVERIFY(resentAt.first() < endQuarter + GeneratorTransport::kStopLostAfterQuarterFrames + 8);
                break;
            }
            QCOMPARE(rig.take(),
                     (QList<QByteArray>{kStop, locateMessage(rateCode, s.hours, s.minutes, s.seconds, s.frames)}));
            for (long long late = endQuarter + 1; late <= endQuarter + 3; ++late)
                rig.feed(piece(late));
            QVERIFY(rig.take().isEmpty());
            QCOMPARE(rig.window->readout()->digits(), QString(start).remove(' ').remove(':'));
            QTRY_VERIFY_WITH_TIMEOUT(!rig.window->transport()->playPending(), 1000);
            QCOMPARE(rig.take(), QList<QByteArray>{kPlay});
        }
    }

    // A generator that fills each piece from its live counter sends, for the
    // label that ends a minute, the next minute. The panel shows every frame
    // once, in order, each as the unit reaches it and never one off the
    // timeline, and the Stop still goes out with the piece that reaches End.
    void liveCounterStreamsStopAtEnd_data()
    {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::newRow("24 even") << "24" << "00 : 00 : 58 : 00" << "00 : 01 : 02 : 00";
        QTest::newRow("24 odd") << "24" << "00 : 00 : 58 : 01" << "00 : 01 : 02 : 01";
        QTest::newRow("25 even") << "25" << "00 : 59 : 58 : 00" << "01 : 00 : 02 : 03";
        QTest::newRow("25 odd") << "25" << "00 : 59 : 58 : 01" << "01 : 00 : 02 : 00";
        QTest::newRow("30 even") << "30" << "00 : 00 : 57 : 00" << "00 : 01 : 02 : 00";
        QTest::newRow("30 odd") << "30" << "00 : 00 : 57 : 01" << "00 : 01 : 02 : 01";
        QTest::newRow("30Drop even") << "30Drop" << "00 : 00 : 58 : 00" << "00 : 01 : 02 : 00";
        QTest::newRow("30Drop odd") << "30Drop" << "00 : 00 : 58 : 01" << "00 : 01 : 02 : 01";
    }
    void liveCounterStreamsStopAtEnd()
    {
        QFETCH(QString, rate);
        QFETCH(QString, start);
        QFETCH(QString, end);
        Running rig(rate);
        Ui::MainWindow *ui = rig.ui();
        ui->lineEdit->setText(start);
        ui->lineEdit_2->setText(end);
        const FrameRate frameRate = rateOf(rate);
        FrameArithmetic::Label s, e;
        QVERIFY(FrameArithmetic::labelFromParts(MachineControl::readTimeField(start), s));
        QVERIFY(FrameArithmetic::labelFromParts(MachineControl::readTimeField(end), e));
        PanelTest::ModelGenerator unit{frameRate, FrameArithmetic::frameNumber(s, frameRate)};
        unit.liveCounter = true;
        const long long endQuarter = 4 * FrameArithmetic::frameNumber(e, frameRate);

        ui->pushButton->click();
        rig.take();
        rig.feed(fullFrame(unit.rateCode(), s));
        long long shown = unit.firstFrame;
        for (long long q = 0;; ++q) {
            const long long at = unit.quarterPosition(q);
            QVERIFY(at <= endQuarter);
            rig.feed(unit.message(q));
            const QString digits = rig.window->readout()->digits();
            const long long frame = FrameArithmetic::frameNumber(
                FrameArithmetic::Label{digits.mid(0, 2).toInt(), digits.mid(2, 2).toInt(), digits.mid(4, 2).toInt(),
                                       digits.mid(6, 2).toInt()},
                frameRate);
            if (frame != shown) {
                QVERIFY2(frame == shown + 1 && 4 * frame - at >= 0 && 4 * frame - at <= 1,
                         qPrintable(QString("%1 shown at %2 quarter frames").arg(digits).arg(at)));
                shown = frame;
            }
            const QList<QByteArray> sent = rig.take();
            if (at < endQuarter) {
                QVERIFY2(sent.isEmpty(), qPrintable(QString("sent at %1 of %2").arg(at).arg(endQuarter)));
                continue;
            }
            QCOMPARE(sent, QList<QByteArray>{kStop});
            break;
        }
        QCOMPARE(shown, endQuarter / 4);
        QCOMPARE(ui->horizontalSlider->value(), ui->horizontalSlider->maximum());
        QVERIFY(rig.window->midiIn()->quarterFrameDecoder()->streamHealth().rejectedLabels <= 1);
    }

    // The panel's own Locate makes every position learned before it stale:
    // a run whose Locate the unit answers with a full frame that is lost,
    // after a run that ended at End, stops at End and not before. Play with
    // the slider at its maximum starts again from Start.
    void ownLocateMakesEarlierPositionsStale_data()
    {
        QTest::addColumn<bool>("stopFirst");
        QTest::newRow("Stop, then Play") << true;
        QTest::newRow("Play at End") << false;
    }
    void ownLocateMakesEarlierPositionsStale()
    {
        QFETCH(bool, stopFirst);
        Running rig("30");
        Ui::MainWindow *ui = rig.ui();
        ui->lineEdit->setText("01 : 00 : 00 : 00");
        ui->lineEdit_2->setText("01 : 00 : 00 : 21");
        const FrameArithmetic::Label s{1, 0, 0, 0};
        PanelTest::ModelGenerator unit{FrameRate::Fps30, FrameArithmetic::frameNumber(s, FrameRate::Fps30)};
        const long long endQuarter = 4 * (unit.firstFrame + 21);
        for (int run = 0; run < 2; ++run) {
            ui->pushButton->click();
            QCOMPARE(rig.take(), (QList<QByteArray>{locateMessage(3, 1, 0, 0, 0), kPlay}));
            QCOMPARE(rig.window->readout()->digits(), QString("01000000"));
            if (run == 0)
                rig.feed(fullFrame(3, s));
            for (long long q = 0;; ++q) {
                rig.feed(unit.message(q));
                const QList<QByteArray> sent = rig.take();
                if (unit.quarterPosition(q) < endQuarter) {
                    QVERIFY2(sent.isEmpty(), qPrintable(QString("run %1, sent at piece %2").arg(run).arg(q)));
                    continue;
                }
                QCOMPARE(sent, QList<QByteArray>{kStop});
                // The rest of the label, on its way when the Stop went out.
                while (unit.piece(q) != 7)
                    rig.feed(unit.message(++q));
                break;
            }
            QCOMPARE(ui->horizontalSlider->value(), ui->horizontalSlider->maximum());
            if (stopFirst) {
                ui->pushButton_3->click();
                rig.take();
            }
        }
    }

    // Resume just short of End: the End check is armed before Play goes out,
    // so pieces the unit sends at once are checked one by one.
    void resumeJustBeforeEndStopsAtEnd()
    {
        Running rig("25");
        Ui::MainWindow *ui = rig.ui();
        ui->lineEdit->setText("01 : 00 : 00 : 00");
        ui->lineEdit_2->setText("01 : 00 : 01 : 00");
        PanelTest::ModelGenerator unit{FrameRate::Fps25, FrameArithmetic::frameNumber({1, 0, 0, 0}, FrameRate::Fps25)};
        ui->pushButton->click();
        rig.feed(fullFrame(1, {1, 0, 0, 0}));
        for (long long q = 0; q < 8 * 11 + 1; ++q) // to frame 22
            rig.feed(unit.message(q));
        ui->pushButton_2->click();
        QCOMPARE(ui->horizontalSlider->value(), 22);
        rig.take();

        // The unit plays on from frame 22 and its pieces come at once.
        PanelTest::ModelGenerator resumed{FrameRate::Fps25, unit.firstFrame + 22};
        rig.setAnswer([&resumed](const QByteArray &m) {
            QByteArray pieces;
            if (m == kPlay) // to piece 4 of the label of frame 24: End
                for (long long q = 0; q < 8 + 5; ++q)
                    pieces += resumed.message(q).left(2);
            return pieces;
        });
        ui->pushButton->click();
        QTRY_VERIFY(rig.received.contains(kStop));
        QCOMPARE(rig.take(), (QList<QByteArray>{kPlay, kStop}));
        QCOMPARE(ui->horizontalSlider->value(), ui->horizontalSlider->maximum());
        QCOMPARE(rig.window->readout()->digits(), QString("01000100"));
    }

    // End not after Start is nothing to run: neither Stop (which starts the
    // check timer) nor Play sends anything beyond Stop's own messages.
    void nothingToRun_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<bool>("loop");
        QTest::newRow("End at Start") << "01 : 00 : 05 : 00" << "01 : 00 : 05 : 00" << false;
        QTest::newRow("End at Start, loop") << "01 : 00 : 05 : 00" << "01 : 00 : 05 : 00" << true;
        QTest::newRow("End before Start, loop") << "01 : 00 : 05 : 00" << "01 : 00 : 04 : 00" << true;
    }
    void nothingToRun()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(bool, loop);
        Running rig;
        Ui::MainWindow *ui = rig.ui();
        ui->lineEdit->setText(start);
        ui->lineEdit_2->setText(end);
        ui->pushButton_6->setChecked(loop);
        ui->pushButton_3->click();
        QCOMPARE(rig.take(), (QList<QByteArray>{kStop, locateMessage(1, 1, 0, 5, 0), locateMessage(1, 1, 0, 5, 0)}));
        ui->pushButton->click();
        QTest::qWait(60);
        QVERIFY(rig.take().isEmpty());
        QCOMPARE(rig.readoutText(), QString("0 1 : 0 0 : 0 5 : 0 0 "));
    }

    void loopRestartPlayIsCancelled_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("pause") << "pause";
        QTest::newRow("stop") << "stop";
        QTest::newRow("slider press") << "slider press";
        QTest::newRow("disconnect") << "disconnect";
    }
    void loopRestartPlayIsCancelled()
    {
        QFETCH(QString, action);
        Running rig;
        Ui::MainWindow *ui = rig.ui();
        ui->pushButton_6->setChecked(true);
        ui->pushButton->click();
        rig.window->displayTimeCode(2, 0, 0, 0);
        rig.window->checkAndPause();
        rig.take();
        QVERIFY(rig.window->transport()->playPending());
        if (action == "pause")
            ui->pushButton_2->click();
        else if (action == "stop")
            ui->pushButton_3->click();
        else if (action == "slider press")
            rig.window->on_horizontalSlider_sliderPressed();
        else
            rig.window->connectMidiDevice(rig.name + " [0]");
        QVERIFY(!rig.window->transport()->playPending());
        QTest::qWait(2 * GeneratorTransport::kLoopRestartDelayMs);
        QVERIFY(!rig.take().contains(kPlay));
    }

    // A rate chosen while paused counts in every conversion that follows.
    void conversionsTakeTheCheckedRate()
    {
        Running rig("25");
        Ui::MainWindow *ui = rig.ui();
        ui->pushButton->click();
        ui->pushButton_2->click();
        chooseRate(ui, "30");
        rig.take();

        ui->lineEdit_3->setText("01 : 00 : 10 : 00");
        ui->pushButton_4->click();
        QCOMPARE(rig.take(), QList<QByteArray>{locateMessage(3, 1, 0, 10, 0)});
        QCOMPARE(ui->horizontalSlider->value(), 300);
        QCOMPARE(ui->horizontalSlider->maximum(), 108000);

        rig.window->on_horizontalSlider_sliderPressed();
        ui->horizontalSlider->setValue(1800);
        QCOMPARE(rig.readoutText(), QString("0 1 : 0 1 : 0 0 : 0 0"));
        rig.window->on_horizontalSlider_sliderReleased();
        QCOMPARE(rig.take(), (QList<QByteArray>{kStop, locateMessage(3, 1, 1, 0, 0)}));

        ui->pushButton_2->click();
        ui->pushButton->click(); // resume
        rig.window->displayTimeCode(1, 0, 20, 0);
        rig.window->updateProgressBar();
        QCOMPARE(ui->horizontalSlider->value(), 600);
    }

    void progressFollowsTheReadout()
    {
        Running rig("30");
        Ui::MainWindow *ui = rig.ui();
        ui->pushButton->click();
        // The timers run on their own: the slider follows the readout.
        // The label's frame plus the two its pieces took.
        rig.feed(PanelTest::quarterFrames(1, 0, 10, 0, 3));
        QTRY_COMPARE(ui->horizontalSlider->value(), 302);
        // A new Start moves the slider as it is typed, not at the next tick.
        ui->lineEdit->setText("01 : 00 : 05 : 00");
        QCOMPARE(ui->horizontalSlider->value(), 152);
        // Progress never passes the maximum.
        rig.window->displayTimeCode(3, 0, 0, 0);
        rig.window->updateProgressBar();
        QCOMPARE(ui->horizontalSlider->value(), 108000);
    }

    void sliderDragShowsTimeAndLocatesOnRelease()
    {
        Running rig;
        Ui::MainWindow *ui = rig.ui();
        ui->pushButton_3->click(); // sets the range at 25 fps
        rig.take();
        rig.window->on_horizontalSlider_sliderPressed();
        QCOMPARE(rig.take(), QList<QByteArray>{kStop});
        ui->horizontalSlider->setValue(1500);
        QCOMPARE(rig.readoutText(), QString("0 1 : 0 1 : 0 0 : 0 0")); // no trailing blank
        QVERIFY(rig.take().isEmpty());
        rig.window->on_horizontalSlider_sliderReleased();
        QCOMPARE(rig.take(), QList<QByteArray>{locateMessage(1, 1, 1, 0, 0)});
        QVERIFY(rig.window->transport()->checkTimer()->isActive());
        QVERIFY(rig.window->transport()->progressTimer()->isActive());
    }

    void gotoAndCapture()
    {
        Running rig;
        Ui::MainWindow *ui = rig.ui();
        ui->pushButton_3->click();
        rig.take();
        rig.window->displayTimeCode(1, 23, 45, 12);
        ui->pushButton_5->click();
        QCOMPARE(ui->lineEdit_3->text(), QString("01 : 23 : 45 : 12"));
        QVERIFY(rig.take().isEmpty());

        ui->lineEdit_3->setText("01 : 00 : 10 : 00");
        ui->pushButton_4->click();
        QCOMPARE(rig.take(), QList<QByteArray>{locateMessage(1, 1, 0, 10, 0)});
        QCOMPARE(ui->horizontalSlider->value(), 250);
        QVERIFY(ui->horizontalSlider->markerPlaced());

        ui->lineEdit_3->setText("01 : 0");
        ui->pushButton_4->click();
        QTRY_COMPARE(rig.boxes.boxes.size(), 1);
        QCOMPARE(rig.boxes.boxes[0].text, QString("The capture time format is incorrect."));
        QVERIFY(rig.take().isEmpty());
    }

    void endNeverBeforeStart()
    {
        Running rig;
        Ui::MainWindow *ui = rig.ui();
        ui->lineEdit_2->setText("00 : 59 : 59 : 29");
        rig.window->transport()->checkEnd();
        QCOMPARE(ui->lineEdit_2->text(), QString("01 : 00 : 00 : 00"));
        ui->lineEdit->setText("01 : 00 : 00 : 10");
        ui->lineEdit_2->setText("01 : 00 : 00 : 09");
        emit ui->lineEdit_2->editingFinished();
        QCOMPARE(ui->lineEdit_2->text(), QString("01 : 00 : 00 : 10"));
        ui->lineEdit_2->setText("01 : 00 : 00 : 11");
        emit ui->lineEdit_2->editingFinished();
        QCOMPARE(ui->lineEdit_2->text(), QString("01 : 00 : 00 : 11"));
    }

    void sourceAndRateChoices()
    {
        Running rig;
        Ui::MainWindow *ui = rig.ui();
        ui->radioButton_3->click(); // LTC
        QCOMPARE(rig.take(), QList<QByteArray>{hex("F07F7F1003F7")});
        const QList<QPair<QPushButton *, const char *>> greyed{{ui->pushButton, PanelStyle::kPlayDisabled},
                                                               {ui->pushButton_2, PanelStyle::kPauseDisabled},
                                                               {ui->pushButton_3, PanelStyle::kStopDisabled},
                                                               {ui->pushButton_4, PanelStyle::kGotoDisabled}};
        for (const auto &[button, sheet] : greyed) {
            QVERIFY(!button->isEnabled());
            QCOMPARE(button->styleSheet(), QString(sheet));
        }
        for (QRadioButton *b : {ui->radioButton_7, ui->radioButton_8, ui->radioButton_9, ui->radioButton_10}) {
            QVERIFY(!b->isEnabled());
            QCOMPARE(b->styleSheet(), QString(PanelStyle::kRadioGroupDisabled));
        }

        ui->radioButton_4->click(); // Generator
        QCOMPARE(rig.take(), QList<QByteArray>{hex("F07F7F1004F7")});
        QVERIFY(ui->pushButton_4->isEnabled());
        QCOMPARE(ui->pushButton_4->styleSheet(), QString(PanelStyle::kGotoNormal));
        QVERIFY(ui->radioButton_9->isEnabled());
        QCOMPARE(ui->radioButton_9->styleSheet(), QString(PanelStyle::kRadioGroupEnabled));

        // A rate relocates to Start with the new rate and resets the marker.
        ui->horizontalSlider->setMarker(10, 1);
        ui->radioButton_9->click();
        QCOMPARE(rig.take(), QList<QByteArray>{locateMessage(2, 1, 0, 0, 0)});
        QVERIFY(!ui->horizontalSlider->markerPlaced());
        ui->radioButton_8->click();
        QCOMPARE(rig.take(), QList<QByteArray>{locateMessage(1, 1, 0, 0, 0)});
        QVERIFY(rig.boxes.boxes.isEmpty());
    }

    void unitReportsSetButtonsQuietly()
    {
        Running rig;
        Ui::MainWindow *ui = rig.ui();
        rig.feed(hex("F07F7F1005F7")); // RTP-MIDI, even while hidden on this model
        QVERIFY(ui->radioButton_5->isChecked());
        QVERIFY(!ui->pushButton->isEnabled());
        rig.window->source_recvice(13);
        QVERIFY(ui->radioButton_9->isChecked());
        rig.window->source_recvice(4);
        QVERIFY(ui->radioButton_4->isChecked());
        QVERIFY(ui->pushButton->isEnabled());
        rig.window->source_recvice(9);
        QVERIFY(ui->radioButton_4->isChecked());
        QVERIFY(rig.take().isEmpty());
        // The validator follows only the user's choice, not a report.
        QVERIFY(rig.window->sourceRateSelection()->validator()->regularExpression().pattern().contains("2[0-4]"));
    }

    void validatorFollowsTheRate()
    {
        Running rig("25");
        auto accepts = [&rig](QString text) {
            int pos = 0;
            return rig.window->sourceRateSelection()->validator()->validate(text, pos) == QValidator::Acceptable;
        };
        QVERIFY(accepts("01 : 00 : 00 : 24"));
        QVERIFY(!accepts("01 : 00 : 00 : 25"));
        QVERIFY(!accepts("24 : 00 : 00 : 00"));
        QVERIFY(!accepts("01 : 60 : 00 : 00"));
        chooseRate(rig.ui(), "24");
        QVERIFY(!accepts("01 : 00 : 00 : 24"));
        QVERIFY(accepts("23 : 59 : 59 : 23"));
        chooseRate(rig.ui(), "30Drop");
        QVERIFY(accepts("01 : 00 : 00 : 29"));
        // The three fields share the one validator.
        QCOMPARE(rig.ui()->lineEdit->validator(), rig.ui()->lineEdit_3->validator());
        QCOMPARE(rig.ui()->lineEdit_2->validator(), rig.window->sourceRateSelection()->validator());
    }

    void sourceLockHoldsWhileMessagesArrive()
    {
        Running rig;
        Ui::MainWindow *ui = rig.ui();
        ui->pushButton->click();
        auto locked = [ui] { return !ui->radioButton->isEnabled(); };
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 450) {
            rig.feed(hex("F07F7F0101010000 00F7"));
            QTest::qWait(30);
            QVERIFY(locked());
        }
        // Stopped the run; the stream stops now too.
        ui->pushButton_2->click();
        clock.restart();
        while (locked() && clock.elapsed() < 1000)
            QTest::qWait(2);
        const qint64 released = clock.elapsed();
        // The last message went out up to one 30 ms wait before the clock
        // restarted, so a 100 ms tick can release the lock after 70 ms.
        QVERIFY2(released >= 60 && released <= 260, qPrintable(QString::number(released)));
        QVERIFY(ui->pushButton_7->isEnabled());
        QVERIFY(!rig.window->transport()->sourceLockTimer()->isActive());
    }

    void withoutAPortEverythingWarns()
    {
        PanelRig rig("TQR-30 Pro", PanelRig::Boxes::Seam);
        Ui::MainWindow *ui = rig.ui();
        ui->pushButton->click();
        ui->pushButton_3->click();
        ui->pushButton_4->click();
        rig.window->on_horizontalSlider_sliderReleased();
        ui->radioButton_8->click();
        ui->pushButton_2->click(); // pause says nothing
        ui->pushButton_5->click(); // capture needs no port
        QTRY_COMPARE(rig.boxes.boxes.size(), 5);
        for (const auto &box : rig.boxes.boxes) {
            QCOMPARE(box.title, QString("MIDI Device Not Connected"));
            QCOMPARE(box.text, QString("No MIDI device detected. Please check the connection."));
            QCOMPARE(box.parent.data(), static_cast<QWidget *>(rig.window.get()));
        }
        // Play and Stop still apply their looks; the rate button keeps its check.
        QCOMPARE(ui->pushButton_3->styleSheet(), QString(PanelStyle::kStopActive));
        QVERIFY(ui->radioButton_8->isChecked());
        QCOMPARE(ui->lineEdit_3->text(), QString("01 : 00 : 00 : 00"));
        QVERIFY(rig.take().isEmpty());
    }
};

QTEST_MAIN(TestPanelTransport)
#include "tst_panel_transport.moc"
