// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/FrameClock.h"
#include "emulator/SerialUnitMessages.h"
#include "emulator/UnitMessages.h"
#include "protocol/MachineControl.h"
#include "support/Hex.h"

#include <QtTest>

using namespace FrameClock;
using UnitMessages::Request;

namespace {
Label L(int h, int m, int s, int f)
{
    return Label {h, m, s, f};
}
} // namespace

Q_DECLARE_METATYPE(FrameClock::Label)

class TestEmulatorMessages : public QObject
{
    Q_OBJECT
private slots:
    void dropFrameLabelsAndNumbers_data()
    {
        QTest::addColumn<Label>("label");
        QTest::addColumn<qint64>("frame");
        QTest::newRow("start") << L(0, 0, 0, 0) << qint64(0);
        QTest::newRow("last of minute 0") << L(0, 0, 59, 29) << qint64(1799);
        QTest::newRow("first of minute 1") << L(0, 1, 0, 2) << qint64(1800);
        QTest::newRow("minute 2") << L(0, 2, 0, 2) << qint64(3598);
        QTest::newRow("minute 10 keeps its frames") << L(0, 10, 0, 0) << qint64(17982);
        QTest::newRow("minute 11") << L(0, 11, 0, 2) << qint64(17982 + 1800);
        QTest::newRow("one hour") << L(1, 0, 0, 0) << qint64(107892);
        QTest::newRow("last of day") << L(23, 59, 59, 29) << qint64(2589407);
    }
    void dropFrameLabelsAndNumbers()
    {
        QFETCH(Label, label);
        QFETCH(qint64, frame);
        QCOMPARE(frameNumber(label, FrameRate::Fps30Drop), frame);
        QCOMPARE(labelForFrame(frame, FrameRate::Fps30Drop), label);
    }

    void everyDropFrameNumberHasOneLabel()
    {
        // Walk two hours: labels strictly increase, never name a dropped
        // frame, and read back to the same number.
        Label previous = labelForFrame(0, FrameRate::Fps30Drop);
        for (qint64 n = 1; n < 2 * 107892; ++n) {
            const Label label = labelForFrame(n, FrameRate::Fps30Drop);
            QVERIFY(!(label.seconds == 0 && label.frames < 2 && label.minutes % 10 != 0));
            QCOMPARE(frameNumber(label, FrameRate::Fps30Drop), n);
            QVERIFY(frameNumber(previous, FrameRate::Fps30Drop) < n);
            previous = label;
        }
        // A dropped label, as a panel may send it, is read as the next frame.
        QCOMPARE(frameNumber(L(0, 1, 0, 0), FrameRate::Fps30Drop), qint64(1800));
    }

    void nonDropArithmeticAndWrap()
    {
        QCOMPARE(frameNumber(L(1, 0, 0, 0), FrameRate::Fps25), qint64(90000));
        QCOMPARE(labelForFrame(90000 + 1500, FrameRate::Fps25), L(1, 1, 0, 0));
        QCOMPARE(labelForFrame(86400 * 24, FrameRate::Fps24), L(0, 0, 0, 0));
        QCOMPARE(labelForFrame(-1, FrameRate::Fps30), L(23, 59, 59, 29));
        QCOMPARE(frameNumber(L(1, 2, 3, 40), FrameRate::Fps24), frameNumber(L(1, 2, 3, 23), FrameRate::Fps24));
        QCOMPARE(text(L(1, 2, 3, 4), FrameRate::Fps30Drop), QStringLiteral("01:02:03;04"));
        QCOMPARE(quarterFrameOffsetNs(4, FrameRate::Fps25), qint64(40000000));
        QCOMPARE(quarterFrameOffsetNs(120000, FrameRate::Fps30Drop), qint64(1001000000000));
        QCOMPARE(quarterFrameOffsetNs(1, FrameRate::Fps30Drop), qint64(8341666));
    }

    void quarterFramePieces()
    {
        // 01:02:03:04 at 25 fps: the sequence a panel expects.
        QByteArray data;
        for (int piece = 0; piece < 8; ++piece) {
            const QByteArray message = UnitMessages::quarterFrame(piece, L(1, 2, 3, 4), FrameRate::Fps25);
            QCOMPARE(message.size(), 2);
            QCOMPARE(quint8(message.at(0)), quint8(0xF1));
            data.append(message.at(1));
        }
        QCOMPARE(data, hex("0410233042506172"));
        // Hours from 16 set bit 0 of piece 7; the rate sits in bits 1-2.
        QCOMPARE(UnitMessages::quarterFrame(7, L(23, 59, 59, 29), FrameRate::Fps30).toHex(), QByteArray("f177"));
        QCOMPARE(UnitMessages::quarterFrame(7, L(1, 0, 0, 0), FrameRate::Fps30Drop).toHex(), QByteArray("f174"));
        QCOMPARE(UnitMessages::quarterFrame(5, L(0, 59, 0, 0), FrameRate::Fps24).toHex(), QByteArray("f153"));
    }

    void repliesToThePanel()
    {
        using namespace UnitMessages;
        QCOMPARE(deviceTypeReply(Model::Tqr30Pro), hex("F000215E01010604F7"));
        QCOMPARE(deviceTypeReply(Model::Tqr10), hex("F000215E01010601F7"));
        QCOMPARE(sourceReport(4), hex("F07F7F1004F7"));
        QCOMPARE(fullFrame(L(1, 30, 45, 12), FrameRate::Fps30), hex("F07F7F0101611E2D0CF7"));
        QCOMPARE(ack(AckTcpPort), hex("F07F7F1209F7"));
        QCOMPARE(ipAddressFeedback(IpAddress, {192, 8, 1, 10}), hex("F07F7F5E0E40010902000008000001000100F7"));
        QCOMPARE(ipModeFeedback(true), hex("F07F7F5E0E700000000000000000000000 01F7"));
        QCOMPARE(oscDeviceFeedback(2, {192, 168, 1, 20}, 9000),
                 hex("F07F7F5E0F020109020106080000010002000009000000F7"));
        QCOMPARE(oscLocalPortFeedback(8000), hex("F07F7F5E0F0600000000000000000000000000080000 00F7"));
        QCOMPARE(oscForwardFeedback(true).size(), 24);
        QCOMPARE(portFeedback(PortTcp, 800), hex("F07F7F5E100100000800 00F7"));
        QCOMPARE(offsetFeedback(-5), hex("F07F7F1200000005F7"));
        QCOMPARE(offsetFeedback(0), hex("F07F7F1240000010F7"));
        QCOMPARE(offsetFeedback(15), hex("F07F7F124000001FF7"));
        QCOMPARE(truncated(hex("F07F7F1004F7")), hex("F07F7F10F7"));
    }

    void readsWhatThePanelSends()
    {
        using namespace UnitMessages;
        QCOMPARE(parseRequest(hex("F07F7F1101F7")).kind, Request::Identify);
        QCOMPARE(parseRequest(MachineControl::stop()).kind, Request::Stop);
        QCOMPARE(parseRequest(MachineControl::play()).kind, Request::Play);

        const Request locate = parseRequest(*MachineControl::locate(23, 59, 59, 29, FrameRate::Fps30));
        QCOMPARE(locate.kind, Request::Locate);
        QCOMPARE(locate.rate, FrameRate(FrameRate::Fps30));
        QCOMPARE(locate.label, L(23, 59, 59, 29));
        QVERIFY(locate.inRange);
        QVERIFY(!parseRequest(*MachineControl::locate(1, 0, 0, 25, FrameRate::Fps25)).inRange);
        // A locate with a status byte inside is not a locate.
        QCOMPARE(parseRequest(hex("F07F7F0644060121FF000000F7")).kind, Request::Unknown);

        const Request source = parseRequest(hex("F07F7F1003F7"));
        QCOMPARE(source.kind, Request::SelectSource);
        QCOMPARE(source.number, 3);

        QCOMPARE(parseRequest(hex("F07F7F5E0E00000000000000000000000000F7")).kind, Request::IpReadRequest);
        QCOMPARE(parseRequest(hex("F07F7F5E0E70000000000000000000000000F7")).kind, Request::IpSetDhcp);
        const Request ip = parseRequest(hex("F07F7F5E0E40010902010608000601010102F7"));
        QCOMPARE(ip.kind, Request::IpSetAddress);
        QCOMPARE(ip.ipKind, quint8(IpAddress));
        QCOMPARE(ip.octets, (Octets {192, 168, 61, 112}));
        QVERIFY(!parseRequest(hex("F07F7F5E0E40090909010608000601010102F7")).inRange); // 999
        QCOMPARE(parseRequest(hex("F07F7F5E0E400109020106080006010101F7")).kind, Request::Unknown); // 18 bytes
        QCOMPARE(parseRequest(hex("F07F7F5E0E40010902010608000601010A02F7")).kind, Request::Unknown); // digit 0A

        const Request device = parseRequest(hex("F07F7F5E0F020109020106080000010002000009000000F7"));
        QCOMPARE(device.kind, Request::OscSetDevice);
        QCOMPARE(device.target, 2);
        QCOMPARE(device.octets, (Octets {192, 168, 1, 20}));
        QCOMPARE(device.port, 9000);
        const Request local = parseRequest(hex("F07F7F5E0F0600000000000000000000000000080000 00F7"));
        QCOMPARE(local.kind, Request::OscSetLocalPort);
        QCOMPARE(local.port, 8000);
        const Request forward = parseRequest(hex("F07F7F5E0F050100000000000000000000000000000000F7"));
        QCOMPARE(forward.kind, Request::OscSetForward);
        QVERIFY(forward.forward);
        QCOMPARE(parseRequest(hex("F07F7F5E0F000000000000000000000000000000000000F7")).kind, Request::OscReadRequest);

        const Request udp = parseRequest(hex("F07F7F5E1000000500 0000F7"));
        QCOMPARE(udp.kind, Request::PortSet);
        QCOMPARE(udp.portKind, quint8(PortUdp));
        QCOMPARE(udp.port, 5000);
        QVERIFY(!parseRequest(hex("F07F7F5E100107000000 00F7")).inRange); // 70000
        QCOMPARE(parseRequest(hex("F07F7F5E100200050000 00F7")).kind, Request::Unknown);

        QCOMPARE(parseRequest(hex("F07F7F1200000003F7")).offsetFrames, -3);
        QCOMPARE(parseRequest(hex("F07F7F124000001FF7")).offsetFrames, 15);
        QCOMPARE(parseRequest(hex("F07F7F1240000020F7")).kind, Request::Unknown);
        QCOMPARE(parseRequest(hex("F07F7F1201F7")).kind, Request::Unknown);
    }

    void modelNames()
    {
        UnitMessages::Model model;
        QVERIFY(UnitMessages::modelFromName(QStringLiteral("TQR-30 Pro"), &model));
        QCOMPARE(model, UnitMessages::Model::Tqr30Pro);
        QVERIFY(UnitMessages::modelFromName(QStringLiteral("tqr10"), &model));
        QCOMPARE(model, UnitMessages::Model::Tqr10);
        QVERIFY(!UnitMessages::modelFromName(QStringLiteral("TQR-40"), &model));
    }

    void serialFramesAndReplies()
    {
        using namespace SerialUnitMessages;
        QCOMPARE(command(QueryModel), hex("AACC0200010D0A"));
        // Noise before a frame is skipped; a frame split over reads waits.
        auto found = findCommand(hex("00FFAACC0200030D0AAACC02"));
        QVERIFY(found);
        QCOMPARE(found->code, quint8(QueryVersion));
        QCOMPARE(found->end, 9);
        QVERIFY(!findCommand(hex("AACC020009")));
        QVERIFY(!findCommand(hex("AACC0200090D0B")));

        const QByteArray model = modelReply(QStringLiteral("TQR-30 Pro"));
        const int at = model.indexOf("TQR-");
        QCOMPARE(model.mid(at, model.indexOf("\r\n", at) - at), QByteArray("TQR-30 Pro"));
        const QByteArray version = versionReply(QStringLiteral("V1.0.2"));
        QVERIFY(!version.contains("TQR-"));
        QCOMPARE(version, hex("AACC06") + "V1.0.2\r\n");
        QVERIFY(eraseEnd().contains("ERASE END"));
        QVERIFY(!eraseFailed().contains("ERASE END"));
        QCOMPARE(chunkAck().size(), 7);
        QVERIFY(!chunkAck().contains(hex("AACC06")));
    }

    void versionsOfNewFirmware()
    {
        using namespace SerialUnitMessages;
        QByteArray image(300, '\x90');
        QCOMPARE(versionFromTrailer(image), QString());
        image.append("TQRFW V1.0.4\0", 13);
        QCOMPARE(versionFromTrailer(image), QStringLiteral("V1.0.4"));
        // A version far from the end is part of the code, not a trailer.
        QCOMPARE(versionFromTrailer(QByteArray("V9.9.9") + QByteArray(200, '\0')), QString());
        QCOMPARE(versionFromFileName(QStringLiteral("/tmp/x/TQR-30_V1.0.3.bin")), QStringLiteral("V1.0.3"));
        QCOMPARE(versionFromFileName(QStringLiteral("firmware.bin")), QString());
        QCOMPARE(nextVersion(QStringLiteral("V1.0.2")), QStringLiteral("V1.0.3"));
        QCOMPARE(nextVersion(QStringLiteral("V1.0.9")), QStringLiteral("V1.0.10"));
        QCOMPARE(nextVersion(QStringLiteral("V2")), QStringLiteral("V2.1"));
    }
};

QTEST_GUILESS_MAIN(TestEmulatorMessages)
#include "tst_emulator_messages.moc"
