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
        QTest::addColumn<FrameRate>("rate");
        QTest::addColumn<long long>("frames");
        const Label zero{0, 0, 0, 0};
        const Label one{1, 0, 0, 0};
        const Label two{2, 0, 0, 0};
        QTest::newRow("an hour at 24") << one << two << FrameRate(FrameRate::Fps24) << 86400LL;
        QTest::newRow("an hour at 25") << one << two << FrameRate(FrameRate::Fps25) << 90000LL;
        QTest::newRow("an hour at 30") << one << two << FrameRate(FrameRate::Fps30) << 108000LL;
        QTest::newRow("backwards") << two << one << FrameRate(FrameRate::Fps25) << -90000LL;
        QTest::newRow("two minutes at 30") << zero << Label{0, 2, 0, 0} << FrameRate(FrameRate::Fps30) << 3600LL;
        // Out-of-range fields are counted as they are.
        QTest::newRow("frames past the rate") << one << Label{1, 0, 0, 30} << FrameRate(FrameRate::Fps25) << 30LL;
        // Skipped labels, typed by hand, read as the minute's first real frame.
        QTest::newRow("drop, skipped 00") << zero << Label{0, 1, 0, 0} << FrameRate(FrameRate::Fps30Drop) << 1800LL;
        QTest::newRow("drop, skipped 01") << zero << Label{0, 1, 0, 1} << FrameRate(FrameRate::Fps30Drop) << 1800LL;
        QTest::newRow("drop, first real 02") << zero << Label{0, 1, 0, 2} << FrameRate(FrameRate::Fps30Drop) << 1800LL;
        QTest::newRow("drop, ten minutes") << zero << Label{0, 10, 0, 0} << FrameRate(FrameRate::Fps30Drop) << 17982LL;
        QTest::newRow("drop, an hour") << one << two << FrameRate(FrameRate::Fps30Drop) << 107892LL;
        // Across a minute boundary the count never runs backwards.
        QTest::newRow("drop, into minute 1") << Label{0, 0, 59, 29} << Label{0, 1, 0, 2} << FrameRate(FrameRate::Fps30Drop) << 1LL;
        QTest::newRow("drop, into minute 10") << Label{0, 9, 59, 29} << Label{0, 10, 0, 0} << FrameRate(FrameRate::Fps30Drop) << 1LL;
        QTest::newRow("drop, into minute 20") << Label{0, 19, 59, 29} << Label{0, 20, 0, 0} << FrameRate(FrameRate::Fps30Drop) << 1LL;
    }

    void distances()
    {
        QFETCH(Label, from);
        QFETCH(Label, to);
        QFETCH(FrameRate, rate);
        QFETCH(long long, frames);
        QCOMPARE(distance(from, to, rate), frames);
    }

    void positions_data()
    {
        QTest::addColumn<Label>("start");
        QTest::addColumn<long long>("position");
        QTest::addColumn<FrameRate>("rate");
        QTest::addColumn<Label>("label");
        const Label start{1, 0, 0, 0};
        QTest::newRow("a minute at 25") << start << 1500LL << FrameRate(FrameRate::Fps25) << Label{1, 1, 0, 0};
        QTest::newRow("an hour at 25") << start << 90000LL << FrameRate(FrameRate::Fps25) << Label{2, 0, 0, 0};
        QTest::newRow("into the hour at 24") << Label{0, 59, 59, 23} << 1LL << FrameRate(FrameRate::Fps24) << Label{1, 0, 0, 0};
        QTest::newRow("no wrap at 24 hours") << Label{23, 59, 59, 29} << 1LL << FrameRate(FrameRate::Fps30) << Label{24, 0, 0, 0};
        QTest::newRow("drop, a minute") << start << 1800LL << FrameRate(FrameRate::Fps30Drop) << Label{1, 1, 0, 2};
        QTest::newRow("drop, ten minutes") << start << 17982LL << FrameRate(FrameRate::Fps30Drop) << Label{1, 10, 0, 0};
        QTest::newRow("drop, into minute 1") << Label{0, 0, 59, 29} << 1LL << FrameRate(FrameRate::Fps30Drop) << Label{0, 1, 0, 2};
    }

    void positions()
    {
        QFETCH(Label, start);
        QFETCH(long long, position);
        QFETCH(FrameRate, rate);
        QFETCH(Label, label);
        QCOMPARE(labelAtPosition(start, position, rate), label);
    }

    void nonDropPositionsComeBack()
    {
        const Label start{1, 0, 0, 0};
        for (FrameRate rate : {FrameRate::Fps24, FrameRate::Fps25, FrameRate::Fps30}) {
            for (long long v : {0LL, 1LL, 59LL, 1799LL, 12345LL, 86399LL}) {
                const Label l = labelAtPosition(start, v, rate);
                QCOMPARE(distance(start, l, rate), v);
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
        QCOMPARE(frameNumber(label, FrameRate::Fps30Drop), number);
        QCOMPARE(labelForFrame(number, FrameRate::Fps30Drop), label);
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
                    const long long n = frameNumber(label, FrameRate::Fps30Drop);
                    if (n != expected)
                        QFAIL(qPrintable(text(label) + " counts " + QString::number(n)));
                    if (labelForFrame(n, FrameRate::Fps30Drop) != label)
                        QFAIL(qPrintable(text(label) + " comes back as " + text(labelForFrame(n, FrameRate::Fps30Drop))));
                    ++expected;
                }
            }
        }
        QCOMPARE(expected, (long long)kDropFramesPerHour);
        // And from number to label to number, including the next hour.
        for (long long n = 0; n < 2 * kDropFramesPerHour; n += 7)
            QCOMPARE(frameNumber(labelForFrame(n, FrameRate::Fps30Drop), FrameRate::Fps30Drop), n);
    }

    void dropFrameSkippedLabelsNeverRunBack()
    {
        const Label zero{0, 0, 0, 0};
        QVERIFY(distance(Label{0, 0, 59, 29}, Label{0, 1, 0, 0}, FrameRate::Fps30Drop) > 0);
        QCOMPARE(distance(zero, Label{0, 21, 0, 1}, FrameRate::Fps30Drop), distance(zero, Label{0, 21, 0, 2}, FrameRate::Fps30Drop));
    }

    // A day counted label by label, as a unit's generator counts: every label
    // has the next frame number and comes back from it, and two frames on is
    // the label two steps on, across minutes, hours and midnight.
    void advanceOverAWholeDay_data()
    {
        QTest::addColumn<FrameRate>("rate");
        QTest::newRow("24") << FrameRate(FrameRate::Fps24);
        QTest::newRow("25") << FrameRate(FrameRate::Fps25);
        QTest::newRow("30") << FrameRate(FrameRate::Fps30);
        QTest::newRow("30Drop") << FrameRate(FrameRate::Fps30Drop);
    }
    void advanceOverAWholeDay()
    {
        QFETCH(FrameRate, rate);
        const int fps = rate.framesPerSecond();
        const bool drop = rate.isDropFrame();
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
        const long long day = framesPerDay(rate);
        QCOMPARE(day, drop ? 24 * 107892LL : 86400LL * fps);
        Label label;
        Label twoOn = step(step(label));
        for (long long n = 0; n < day; ++n) {
            if (!existsAtRate(label, rate) || frameNumber(label, rate) != n
                || labelForFrame(n, rate) != label)
                QFAIL(qPrintable(text(label) + " is not frame " + QString::number(n)));
            if (advanceWithinDay(label, 2, rate) != twoOn)
                QFAIL(qPrintable(text(label) + " + 2 gives " + text(advanceWithinDay(label, 2, rate))));
            label = step(label);
            twoOn = step(twoOn);
        }
        QCOMPARE(label, (Label{0, 0, 0, 0}));
        QVERIFY(!existsAtRate(Label{24, 0, 0, 0}, rate));
        QVERIFY(!existsAtRate(Label{1, 0, 0, fps}, rate));
        QCOMPARE(existsAtRate(Label{0, 1, 0, 0}, rate), !drop);
    }

    // Each rate in every form it travels in, both ways. The bytes are the
    // unit's: hour 1 in a Locate or full frame, piece 7 below hour 16.
    void rateEncodings_data()
    {
        QTest::addColumn<FrameRate>("rate");
        QTest::addColumn<int>("fps");
        QTest::addColumn<bool>("drop");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("hourByte");
        QTest::addColumn<int>("pieceSeven");
        QTest::addColumn<int>("report");
        QTest::addColumn<QString>("name");
        QTest::newRow("24") << FrameRate(FrameRate::Fps24) << 24 << false << 0 << 0x01 << 0x70 << 11 << "24";
        QTest::newRow("25") << FrameRate(FrameRate::Fps25) << 25 << false << 1 << 0x21 << 0x72 << 12 << "25";
        QTest::newRow("30drop") << FrameRate(FrameRate::Fps30Drop) << 30 << true << 2 << 0x41 << 0x74 << 13 << "30drop";
        QTest::newRow("30") << FrameRate(FrameRate::Fps30) << 30 << false << 3 << 0x61 << 0x76 << 14 << "30";
    }
    void rateEncodings()
    {
        QFETCH(FrameRate, rate);
        QFETCH(int, fps);
        QFETCH(bool, drop);
        QFETCH(int, code);
        QFETCH(int, hourByte);
        QFETCH(int, pieceSeven);
        QFETCH(int, report);
        QFETCH(QString, name);
        QCOMPARE(rate.framesPerSecond(), fps);
        QCOMPARE(rate.isDropFrame(), drop);
        QCOMPARE(int(rate.code()), code);
        QCOMPARE(rate.hourByteBits() | 0x01, hourByte);
        QCOMPARE(0x70 | rate.pieceSevenBits(), pieceSeven);
        QCOMPARE(rate.report(), report);
        QCOMPARE(rate.name(), name);
        QVERIFY(FrameRate::fromCode(code) == rate);
        QVERIFY(FrameRate::fromHourByte(quint8(hourByte)) == rate);
        QVERIFY(FrameRate::fromHourByte(quint8(hourByte | 0x10)) == rate); // hour 17
        QVERIFY(FrameRate::fromPieceSeven(quint8(pieceSeven)) == rate);
        QVERIFY(FrameRate::fromPieceSeven(quint8(pieceSeven | 0x01)) == rate); // hour bit 4
        QVERIFY(FrameRate::fromReport(report) == rate);
        QVERIFY(FrameRate::fromName(name) == rate);
        QVERIFY(FrameRate::fromName(name.toUpper()) == rate);
    }

    void unknownRatesAreRejected()
    {
        for (int code : {-1, 4, 11})
            QVERIFY(!FrameRate::fromCode(code));
        QVERIFY(!FrameRate::fromHourByte(0x81)); // no data byte
        // A status byte, piece 6, the nibble's bit 3.
        for (quint8 data : {0xF0, 0x60, 0x78, 0x7E})
            QVERIFY2(!FrameRate::fromPieceSeven(data), qPrintable(QString::number(data, 16)));
        for (int report : {0, 3, 10, 15})
            QVERIFY(!FrameRate::fromReport(report));
        for (const char *name : {"", "None", "29.97", "30 drop", "24fps", " 25"})
            QVERIFY2(!FrameRate::fromName(QString::fromLatin1(name)), name);
    }

    void labelFromFieldParts()
    {
        Label l;
        QVERIFY(labelFromParts({1, 2, 3, 4}, l));
        QCOMPARE(l, (Label{1, 2, 3, 4}));
        QVERIFY(!labelFromParts({1, 2, 3}, l));
        QVERIFY(!labelFromParts({1, 2, 3, 4, 5}, l));
    }
};

QTEST_APPLESS_MAIN(TestFrameArithmetic)
#include "tst_framearithmetic.moc"
