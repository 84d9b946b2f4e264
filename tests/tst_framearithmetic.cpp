// SPDX-License-Identifier: GPL-3.0-or-later
// Frame counting between time-code labels, both directions, at every rate.

#include "timecode/FrameArithmetic.h"

#include <QtTest>

using namespace FrameArithmetic;

Q_DECLARE_METATYPE(FrameArithmetic::Label)

namespace {
QString text(const Label &l)
{
    return QStringLiteral("%1:%2:%3:%4").arg(l.hours).arg(l.minutes).arg(l.seconds).arg(l.frames);
}
} // namespace

class TestFrameArithmetic : public QObject
{
    Q_OBJECT
private slots:
    void distances_data()
    {
        QTest::addColumn<Label>("from");
        QTest::addColumn<Label>("to");
        QTest::addColumn<int>("fps");
        QTest::addColumn<bool>("drop");
        QTest::addColumn<long long>("frames");
        const Label zero{0, 0, 0, 0};
        const Label one{1, 0, 0, 0};
        const Label two{2, 0, 0, 0};
        QTest::newRow("an hour at 24") << one << two << 24 << false << 86400LL;
        QTest::newRow("an hour at 25") << one << two << 25 << false << 90000LL;
        QTest::newRow("an hour at 30") << one << two << 30 << false << 108000LL;
        QTest::newRow("backwards") << two << one << 25 << false << -90000LL;
        QTest::newRow("two minutes at 30") << zero << Label{0, 2, 0, 0} << 30 << false << 3600LL;
        // Out-of-range fields are counted as they are.
        QTest::newRow("frames past the rate") << one << Label{1, 0, 0, 30} << 25 << false << 30LL;
        // Skipped labels, typed by hand, read as the minute's first real frame.
        QTest::newRow("drop, skipped 00") << zero << Label{0, 1, 0, 0} << 30 << true << 1800LL;
        QTest::newRow("drop, skipped 01") << zero << Label{0, 1, 0, 1} << 30 << true << 1800LL;
        QTest::newRow("drop, first real 02") << zero << Label{0, 1, 0, 2} << 30 << true << 1800LL;
        QTest::newRow("drop, ten minutes") << zero << Label{0, 10, 0, 0} << 30 << true << 17982LL;
        QTest::newRow("drop, an hour") << one << two << 30 << true << 107892LL;
        // Across a minute boundary the count never runs backwards.
        QTest::newRow("drop, into minute 1") << Label{0, 0, 59, 29} << Label{0, 1, 0, 2} << 30 << true << 1LL;
        QTest::newRow("drop, into minute 10") << Label{0, 9, 59, 29} << Label{0, 10, 0, 0} << 30 << true << 1LL;
        QTest::newRow("drop, into minute 20") << Label{0, 19, 59, 29} << Label{0, 20, 0, 0} << 30 << true << 1LL;
    }

    void distances()
    {
        QFETCH(Label, from);
        QFETCH(Label, to);
        QFETCH(int, fps);
        QFETCH(bool, drop);
        QFETCH(long long, frames);
        QCOMPARE(distance(from, to, fps, drop), frames);
    }

    void positions_data()
    {
        QTest::addColumn<Label>("start");
        QTest::addColumn<long long>("position");
        QTest::addColumn<int>("fps");
        QTest::addColumn<bool>("drop");
        QTest::addColumn<Label>("label");
        const Label start{1, 0, 0, 0};
        QTest::newRow("a minute at 25") << start << 1500LL << 25 << false << Label{1, 1, 0, 0};
        QTest::newRow("an hour at 25") << start << 90000LL << 25 << false << Label{2, 0, 0, 0};
        QTest::newRow("into the hour at 24") << Label{0, 59, 59, 23} << 1LL << 24 << false << Label{1, 0, 0, 0};
        QTest::newRow("no wrap at 24 hours") << Label{23, 59, 59, 29} << 1LL << 30 << false << Label{24, 0, 0, 0};
        QTest::newRow("drop, a minute") << start << 1800LL << 30 << true << Label{1, 1, 0, 2};
        QTest::newRow("drop, ten minutes") << start << 17982LL << 30 << true << Label{1, 10, 0, 0};
        QTest::newRow("drop, into minute 1") << Label{0, 0, 59, 29} << 1LL << 30 << true << Label{0, 1, 0, 2};
        // A zero rate cannot divide.
        QTest::newRow("zero rate") << start << 100LL << 0 << false << start;
    }

    void positions()
    {
        QFETCH(Label, start);
        QFETCH(long long, position);
        QFETCH(int, fps);
        QFETCH(bool, drop);
        QFETCH(Label, label);
        QCOMPARE(labelAtPosition(start, position, fps, drop), label);
    }

    void nonDropPositionsComeBack()
    {
        const Label start{1, 0, 0, 0};
        for (int fps : {24, 25, 30}) {
            for (long long v : {0LL, 1LL, 59LL, 1799LL, 12345LL, 86399LL}) {
                const Label l = labelAtPosition(start, v, fps, false);
                QCOMPARE(distance(start, l, fps, false), v);
            }
        }
    }

    void dropFrameStandardValues_data()
    {
        QTest::addColumn<Label>("label");
        QTest::addColumn<long long>("number");
        QTest::newRow("start") << Label{0, 0, 0, 0} << 0LL;
        QTest::newRow("last of minute 0") << Label{0, 0, 59, 29} << 1799LL;
        QTest::newRow("first of minute 1") << Label{0, 1, 0, 2} << 1800LL;
        QTest::newRow("minute 2") << Label{0, 2, 0, 2} << 3598LL;
        QTest::newRow("minute 9 end") << Label{0, 9, 59, 29} << 17981LL;
        QTest::newRow("minute 10 keeps ;00") << Label{0, 10, 0, 0} << 17982LL;
        QTest::newRow("minute 10 ;01") << Label{0, 10, 0, 1} << 17983LL;
        QTest::newRow("minute 11") << Label{0, 11, 0, 2} << 17982LL + 1800;
        QTest::newRow("one hour") << Label{1, 0, 0, 0} << 107892LL;
        QTest::newRow("last of day") << Label{23, 59, 59, 29} << 24 * 107892LL - 1;
    }
    void dropFrameStandardValues()
    {
        QFETCH(Label, label);
        QFETCH(long long, number);
        QCOMPARE(frameNumber(label, 30, true), number);
        QCOMPARE(labelForFrame(number, 30, true), label);
    }

    void dropFrameWholeHourBothWays()
    {
        // Every existing label of an hour maps to the next number, and back.
        long long expected = 0;
        for (int m = 0; m < 60; ++m) {
            for (int s = 0; s < 60; ++s) {
                for (int f = 0; f < 30; ++f) {
                    if (s == 0 && f < 2 && m % 10 != 0)
                        continue; // skipped labels
                    const Label label{0, m, s, f};
                    const long long n = frameNumber(label, 30, true);
                    if (n != expected)
                        QFAIL(qPrintable(text(label) + " counts " + QString::number(n)));
                    if (labelForFrame(n, 30, true) != label)
                        QFAIL(qPrintable(text(label) + " comes back as " + text(labelForFrame(n, 30, true))));
                    ++expected;
                }
            }
        }
        QCOMPARE(expected, (long long)kDropFramesPerHour);
        // And from number to label to number, including the next hour.
        for (long long n = 0; n < 2 * kDropFramesPerHour; n += 7)
            QCOMPARE(frameNumber(labelForFrame(n, 30, true), 30, true), n);
    }

    void dropFrameSkippedLabelsNeverRunBack()
    {
        const Label zero{0, 0, 0, 0};
        QVERIFY(distance(Label{0, 0, 59, 29}, Label{0, 1, 0, 0}, 30, true) > 0);
        QCOMPARE(distance(zero, Label{0, 21, 0, 1}, 30, true), distance(zero, Label{0, 21, 0, 2}, 30, true));
    }

    // A day counted label by label, as a unit's generator counts: every label
    // has the next frame number and comes back from it, and two frames on is
    // the label two steps on, across minutes, hours and midnight.
    void advanceOverAWholeDay_data()
    {
        QTest::addColumn<int>("fps");
        QTest::addColumn<bool>("drop");
        QTest::newRow("24") << 24 << false;
        QTest::newRow("25") << 25 << false;
        QTest::newRow("30") << 30 << false;
        QTest::newRow("30Drop") << 30 << true;
    }
    void advanceOverAWholeDay()
    {
        QFETCH(int, fps);
        QFETCH(bool, drop);
        auto step = [fps, drop](Label l) {
            if (++l.frames < fps)
                return l;
            l.frames = 0;
            if (++l.seconds == 60) {
                l.seconds = 0;
                if (++l.minutes == 60) {
                    l.minutes = 0;
                    l.hours = (l.hours + 1) % 24;
                }
                if (drop && l.minutes % 10 != 0)
                    l.frames = 2;
            }
            return l;
        };
        const long long day = framesPerDay(fps, drop);
        QCOMPARE(day, drop ? 24 * 107892LL : 86400LL * fps);
        Label label;
        Label twoOn = step(step(label));
        for (long long n = 0; n < day; ++n) {
            if (!existsAtRate(label, fps, drop) || frameNumber(label, fps, drop) != n
                || labelForFrame(n, fps, drop) != label)
                QFAIL(qPrintable(text(label) + " is not frame " + QString::number(n)));
            if (advanceWithinDay(label, 2, fps, drop) != twoOn)
                QFAIL(qPrintable(text(label) + " + 2 gives " + text(advanceWithinDay(label, 2, fps, drop))));
            label = step(label);
            twoOn = step(twoOn);
        }
        QCOMPARE(label, (Label{0, 0, 0, 0}));
        QVERIFY(!existsAtRate(Label{24, 0, 0, 0}, fps, drop));
        QVERIFY(!existsAtRate(Label{1, 0, 0, fps}, fps, drop));
        QCOMPARE(existsAtRate(Label{0, 1, 0, 0}, fps, drop), !drop);
    }

    void rateTexts()
    {
        QCOMPARE(framesPerSecondForRate("24", 0), 24);
        QCOMPARE(framesPerSecondForRate("25", 0), 25);
        QCOMPARE(framesPerSecondForRate("30Drop", 0), 30);
        QCOMPARE(framesPerSecondForRate("30", 0), 30);
        QCOMPARE(framesPerSecondForRate("None", 25), 25);
        QVERIFY(isDropFrame(30, "30Drop"));
        QVERIFY(!isDropFrame(30, "30"));
        QVERIFY(!isDropFrame(25, "30Drop")); // the rate in use has not been taken from the buttons yet

        Label l;
        QVERIFY(labelFromParts({1, 2, 3, 4}, l));
        QCOMPARE(l, (Label{1, 2, 3, 4}));
        QVERIFY(!labelFromParts({1, 2, 3}, l));
        QVERIFY(!labelFromParts({1, 2, 3, 4, 5}, l));
    }
};

QTEST_APPLESS_MAIN(TestFrameArithmetic)
#include "tst_framearithmetic.moc"
