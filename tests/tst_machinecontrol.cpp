// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/MachineControl.h"
#include "support/Hex.h"

#include <QtTest>

class TestMachineControl : public QObject
{
    Q_OBJECT
private slots:
    void transportCommands()
    {
        QCOMPARE(MachineControl::stop(), hex("F07F7F0601F7"));
        QCOMPARE(MachineControl::play(), hex("F07F7F0602F7"));
        // Parameters are preceded by their count.
        QCOMPARE(MachineControl::buildCommand(0x44, hex("0102")), hex("F07F7F06440201 02F7"));
    }

    void locateCarriesRateInHourByte_data()
    {
        QTest::addColumn<FrameRate>("rate");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("24") << FrameRate(FrameRate::Fps24) << hex("F07F7F06440601010000 0000F7");
        QTest::newRow("25") << FrameRate(FrameRate::Fps25) << hex("F07F7F06440601210000 0000F7");
        QTest::newRow("30Drop") << FrameRate(FrameRate::Fps30Drop) << hex("F07F7F06440601410000 0000F7");
        QTest::newRow("30") << FrameRate(FrameRate::Fps30) << hex("F07F7F06440601610000 0000F7");
    }
    void locateCarriesRateInHourByte()
    {
        QFETCH(FrameRate, rate);
        QFETCH(QByteArray, expected);
        const auto message = MachineControl::locate(1, 0, 0, 0, rate);
        QVERIFY(message);
        QCOMPARE(*message, expected);
    }

    void locateLastFrameOfDay()
    {
        const auto message = MachineControl::locate(23, 59, 59, 29, FrameRate::Fps30);
        QVERIFY(message);
        QCOMPARE(*message, hex("F07F7F06440601773B3B1D00F7"));
    }

    void locateNeverCarriesHighBytes()
    {
        // A blank field reads as -1; it must not turn into FF inside the SysEx.
        QVERIFY(!MachineControl::locate(1, 2, -1, 4, FrameRate::Fps25));
        QVERIFY(!MachineControl::locate(-1, 0, 0, 0, FrameRate::Fps24));
        QVERIFY(!MachineControl::locate(1, 0, 0, 128, FrameRate::Fps24));
        // Out-of-range but 7-bit values are the caller's to warn about; the bytes stay valid.
        const auto message = MachineControl::locate(99, 99, 99, 99, FrameRate::Fps30);
        QVERIFY(message);
        for (int i = 1; i < message->size() - 1; ++i)
            QVERIFY2(quint8(message->at(i)) < 0x80, qPrintable(QString::number(i)));
    }

    void timeFieldReader()
    {
        QCOMPARE(MachineControl::readTimeField("01 : 02 : 03 : 04"), (QList<int>{1, 2, 3, 4}));
        QCOMPARE(MachineControl::readTimeField("01 : 02 :    : 04"), (QList<int>{1, 2, -1, 4}));
        QCOMPARE(MachineControl::readTimeField("0 1 : 2  : 3 : 0 4"), (QList<int>{1, 2, 3, 4}));
        QCOMPARE(MachineControl::readTimeField("01:02"), (QList<int>{-1}));
        QCOMPARE(MachineControl::readTimeField("23 : 59 : 59 : 29").size(), 4);
    }
};

QTEST_APPLESS_MAIN(TestMachineControl)
#include "tst_machinecontrol.moc"
