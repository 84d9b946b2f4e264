// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/NetworkMessages.h"
#include "support/Hex.h"

#include <QtTest>

using namespace NetworkMessages;

class TestNetworkMessages : public QObject
{
    Q_OBJECT
private slots:
    void digitCodec();

    void ipMessagesForEveryKindWord_data();
    void ipMessagesForEveryKindWord();
    void ipAddressSplitting();
    void ipFeedbackDecoding();
    void ipFeedbackRejectsMalformed_data();
    void ipFeedbackRejectsMalformed();
    void addressValidationAndSubnets();

    void oscMessages();
    void oscFeedbackDecoding();
    void oscFeedbackRejectsMalformed_data();
    void oscFeedbackRejectsMalformed();
    void acknowledgements_data();
    void acknowledgements();
    void ackLogTexts();

    void portMessagesAndFeedback();

    void frameOffsetCodeBothWays();
    void timeOffsetMessages_data();
    void timeOffsetMessages();
    void timeOffsetFrameShape();
};

void TestNetworkMessages::digitCodec()
{
    QCOMPARE(decimalDigits(8000, 5), hex("0008000000"));
    QCOMPARE(decimalDigits(0, 5), hex("0000000000"));
    QCOMPARE(decimalDigits(65535, 5), hex("0605050305"));
    // Too many digits keep the lowest ones, as in a fixed-width field.
    QCOMPARE(decimalDigits(123456, 5), hex("0203040506"));
    QCOMPARE(digitsValue(hex("0008000000"), 0, 5), std::optional<quint32>(8000));
    QCOMPARE(digitsValue(hex("0009090909"), 1, 4), std::optional<quint32>(9999));
    QVERIFY(!digitsValue(hex("00080A0000"), 0, 5));
    QVERIFY(!digitsValue(hex("0008"), 0, 5));
}

void TestNetworkMessages::ipMessagesForEveryKindWord_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("IP example") << "192.168.61.112" << "IP" << hex("F07F7F5E0E40010902010608000601010102F7");
    QTest::newRow("subnet") << "255.255.255.0" << "Subnet" << hex("F07F7F5E0E20020505020505020505000000F7");
    QTest::newRow("gateway") << "192.168.61.1" << "Network" << hex("F07F7F5E0E10010902010608000601000001F7");
    QTest::newRow("DHCP ignores the value") << "1.2.3.4" << "DHCP" << hex("F07F7F5E0E70000000000000000000000000F7");
    QTest::newRow("read request") << "" << "READIP" << hex("F07F7F5E0E00000000000000000000000000F7");
    QTest::newRow("unknown word reads") << "10.0.0.1" << "gateway" << hex("F07F7F5E0E00000000000000000000000000F7");
    QTest::newRow("999 as digits") << "999.1.1.1" << "IP" << hex("F07F7F5E0E40090909000001000001000001F7");
    QTest::newRow("address found inside text") << "ip 10.0.0.1 " << "IP" << hex("F07F7F5E0E40000100000000000000000001F7");
}

void TestNetworkMessages::ipMessagesForEveryKindWord()
{
    QFETCH(QString, value);
    QFETCH(QString, kind);
    QFETCH(QByteArray, expected);
    const std::optional<QByteArray> message = buildIpConfigMessage(value, kind);
    QVERIFY(message);
    QCOMPARE(message->toHex(' ').toUpper(), expected.toHex(' ').toUpper());
    QCOMPARE(message->size(), kIpMessageSize);
}

void TestNetworkMessages::ipAddressSplitting()
{
    QCOMPARE(splitIpOctets("192.168.61.112"), (QList<int>{192, 168, 61, 112}));
    QCOMPARE(splitIpOctets("x999.0.00.7y"), (QList<int>{999, 0, 0, 7}));
    QVERIFY(splitIpOctets("192.168..1").isEmpty());
    QVERIFY(splitIpOctets("...").isEmpty());
    QVERIFY(splitIpOctets("1.2.3").isEmpty());
    // An empty group in a masked field sends nothing for that field.
    QVERIFY(!buildIpConfigMessage("192.168..1", "IP"));
    QVERIFY(!buildIpConfigMessage("...", "Subnet"));
    QVERIFY(octetsInRange({0, 255, 10, 1}));
    QVERIFY(!octetsInRange({0, 256, 10, 1}));
    QVERIFY(!octetsInRange({0, 255, 10}));
}

void TestNetworkMessages::ipFeedbackDecoding()
{
    std::optional<IpFeedback> f = parseIpFeedback(hex("F07F7F5E0E40010902000008000001000100F7"));
    QVERIFY(f);
    QCOMPARE(f->kind, quint8(IpAddress));
    QCOMPARE(f->address, QStringLiteral("192.8.1.10"));

    f = parseIpFeedback(hex("F07F7F5E0E20000100000000000000000001F7"));
    QVERIFY(f);
    QCOMPARE(f->kind, quint8(IpSubnet));
    QCOMPARE(f->address, QStringLiteral("10.0.0.1"));

    f = parseIpFeedback(hex("F07F7F5E0E70000000000000000000000001F7"));
    QVERIFY(f);
    QCOMPARE(f->kind, quint8(IpMode));
    QCOMPARE(f->mode, kIpModeManual);
    QVERIFY(f->address.isEmpty());

    // Neither the command byte nor anything after byte 18 is checked.
    f = parseIpFeedback(hex("F07F7F5E0F10000100000000000000000001F70000"));
    QVERIFY(f);
    QCOMPARE(f->address, QStringLiteral("10.0.0.1"));
}

void TestNetworkMessages::ipFeedbackRejectsMalformed_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("18 bytes") << hex("F07F7F5E0E400109020000080000010001F7");
    QTest::newRow("manufacturer prefix") << hex("F000215E0E40010902000008000001000100F7");
    QTest::newRow("digit above 9") << hex("F07F7F5E0E40010A02000008000001000100F7");
    QTest::newRow("empty") << QByteArray();
}

void TestNetworkMessages::ipFeedbackRejectsMalformed()
{
    QFETCH(QByteArray, message);
    QVERIFY(!parseIpFeedback(message));
}

void TestNetworkMessages::addressValidationAndSubnets()
{
    QVERIFY(isValidIpAddress("192.168.61.112"));
    QVERIFY(isValidIpAddress("0.0.0.0"));
    QVERIFY(isValidIpAddress("010.001.000.001"));
    QVERIFY(!isValidIpAddress("256.1.1.1"));
    QVERIFY(!isValidIpAddress("192.168..1"));
    QVERIFY(!isValidIpAddress("1.2.3.4.5"));
    QVERIFY(!isValidIpAddress(" 1.2.3.4"));

    QVERIFY(isSameSubnet("192.168.61.112", "192.168.61.1", "255.255.255.0"));
    QVERIFY(!isSameSubnet("192.168.62.112", "192.168.61.1", "255.255.255.0"));
    QVERIFY(isSameSubnet("192.168.62.112", "192.168.61.1", "255.255.0.0"));
    QVERIFY(isSameSubnet("10.0.0.1", "192.168.0.1", "0.0.0.0"));
    QVERIFY(!isSameSubnet("10.0.0", "10.0.0.1", "255.0.0.0"));

    for (const char *mask : {"255.255.255.0", "255.255.240.0", "255.255.255.255", "0.0.0.0", "128.0.0.0"})
        QVERIFY2(isContiguousMask(mask), mask);
    for (const char *mask : {"255.0.255.0", "255.255.255.1", "0.255.255.255", "255.255.256.0", "255.255..0"})
        QVERIFY2(!isContiguousMask(mask), mask);

    QCOMPARE(parsePort(" 65535 "), std::optional<quint16>(65535));
    QCOMPARE(parsePort("1"), std::optional<quint16>(1));
    for (const char *port : {"0", "00", "65536", "-1", "", "80a"})
        QVERIFY2(!parsePort(port), port);
}

void TestNetworkMessages::oscMessages()
{
    QCOMPARE(oscReadRequest(), hex("F07F7F5E0F0000" "00000000000000000000000000000000" "F7"));
    QCOMPARE(oscLocalPortMessage(8000), hex("F07F7F5E0F0600" "0000000000000000000000" "0008000000" "F7"));
    QCOMPARE(oscForwardMessage(false), hex("F07F7F5E0F0500" "00000000000000000000000000000000" "F7"));
    QCOMPARE(oscForwardMessage(true), hex("F07F7F5E0F0501" "00000000000000000000000000000000" "F7"));
    QCOMPARE(oscDeviceMessage(2, {192, 168, 1, 20}, 9000),
             hex("F07F7F5E0F0201090201060800000100020000090000" "00F7"));
    QCOMPARE(oscDeviceMessage(4, {10, 0, 0, 1}, 0),
             hex("F07F7F5E0F04000100000000000000000001" "0000000000" "F7"));
    // The payload is padded or cut to sixteen bytes.
    QCOMPARE(buildOscConfigMessage(1, 0, hex("0102")).size(), kOscMessageSize);
    QCOMPARE(buildOscConfigMessage(1, 0, QByteArray(20, 3)).mid(7, 16), QByteArray(16, 3));
    QCOMPARE(buildOscConfigMessage(1, 0, QByteArray(20, 3)).size(), kOscMessageSize);
}

void TestNetworkMessages::oscFeedbackDecoding()
{
    std::optional<OscFeedback> f = parseOscFeedback(hex("F07F7F5E0F0201090201060800000100020000090000" "00F7"));
    QVERIFY(f);
    QCOMPARE(f->target, 2);
    QCOMPARE(f->address, QStringLiteral("192.168.1.20"));
    QCOMPARE(f->port, quint32(9000));

    // A first octet of 300 empties the address but keeps the port.
    f = parseOscFeedback(hex("F07F7F5E0F0103" "0000000000000000000001" "0008000000" "F7"));
    QVERIFY(f);
    QVERIFY(f->address.isEmpty());
    QCOMPARE(f->port, quint32(8000));

    f = parseOscFeedback(hex("F07F7F5E0F0501" "00000000000000000000000000000000" "F7"));
    QVERIFY(f);
    QVERIFY(f->forward);
    f = parseOscFeedback(hex("F07F7F5E0F0502" "00000000000000000000000000000000" "F7"));
    QVERIFY(f);
    QVERIFY(!f->forward);

    f = parseOscFeedback(hex("F07F7F5E0F0600" "0000000000000000000000" "0905000000" "F7"));
    QVERIFY(f);
    QCOMPARE(f->target, 6);
    QCOMPARE(f->port, quint32(95000));
}

void TestNetworkMessages::oscFeedbackRejectsMalformed_data()
{
    const QByteArray good = hex("F07F7F5E0F0201090201060800000100020000090000" "00F7");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("23 bytes") << good.left(22) + hex("F7");
    QTest::newRow("25 bytes") << good.left(23) + hex("00F7");
    QTest::newRow("command 0E") << QByteArray(good).replace(4, 1, hex("0E"));
    QTest::newRow("no end byte") << QByteArray(good).replace(23, 1, hex("00"));
    QTest::newRow("read request target") << QByteArray(good).replace(5, 1, hex("00"));
    QTest::newRow("target 7") << QByteArray(good).replace(5, 1, hex("07"));
    QTest::newRow("port digit 0A") << QByteArray(good).replace(19, 1, hex("0A"));
    QTest::newRow("local port digit 0A")
        << hex("F07F7F5E0F0600" "0000000000000000000000" "000A000000" "F7");
    QTest::newRow("address digit 0A") << QByteArray(good).replace(8, 1, hex("0A"));
    QTest::newRow("first digit 7F") << QByteArray(good).replace(6, 1, hex("7F"));
}

void TestNetworkMessages::oscFeedbackRejectsMalformed()
{
    QFETCH(QByteArray, message);
    QVERIFY(!parseOscFeedback(message));
}

// The six-byte F0 7F 7F 12 code F7: its shape, and the code it carries
// (-1 for a code above 9 or anything that is not an acknowledgement).
void TestNetworkMessages::acknowledgements_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("isAck");
    QTest::addColumn<int>("code");
    QTest::newRow("failure") << hex("F07F7F1200F7") << true << int(kAckFailed);
    QTest::newRow("code 1") << hex("F07F7F1201F7") << true << 1;
    QTest::newRow("code 5") << hex("F07F7F1205F7") << true << 5;
    QTest::newRow("code 9") << hex("F07F7F1209F7") << true << 9;
    QTest::newRow("code 10") << hex("F07F7F120AF7") << true << -1;
    QTest::newRow("code 7F") << hex("F07F7F127FF7") << true << -1;
    QTest::newRow("seven bytes") << hex("F07F7F120005F7") << false << -1;
    QTest::newRow("seven bytes, code first") << hex("F07F7F120501F7") << false << -1;
    QTest::newRow("time offset frame") << hex("F07F7F1240000010F7") << false << -1;
    QTest::newRow("no F7") << hex("F07F7F1205F6") << false << -1;
    QTest::newRow("other sub-id") << hex("F07F7F1005F7") << false << -1;
    QTest::newRow("device 7E") << hex("F07F7E1205F7") << false << -1;
    QTest::newRow("device 00") << hex("F07F001205F7") << false << -1;
}

void TestNetworkMessages::acknowledgements()
{
    QFETCH(QByteArray, message);
    QFETCH(bool, isAck);
    QFETCH(int, code);
    QCOMPARE(isAckMessage(message), isAck);
    QCOMPARE(parseAck(message), code);
}

void TestNetworkMessages::ackLogTexts()
{
    QCOMPARE(ackLogText(0), QStringLiteral("设置失败"));
    QCOMPARE(ackLogText(9), QStringLiteral("设置TCP Port成功"));
    QVERIFY(ackLogText(10).isEmpty());
}

void TestNetworkMessages::portMessagesAndFeedback()
{
    QCOMPARE(buildPortMessage(UdpPort, 5000), hex("F07F7F5E100000050000 00F7"));
    QCOMPARE(buildPortMessage(TcpPort, 6000), hex("F07F7F5E100100060000 00F7"));
    QCOMPARE(buildPortMessage(UdpPort, 0), hex("F07F7F5E10000000000000F7"));
    QCOMPARE(buildPortMessage(TcpPort, 65535), hex("F07F7F5E10010605050305F7"));

    std::optional<PortFeedback> f = parsePortFeedback(hex("F07F7F5E10010000080000F7"));
    QVERIFY(f);
    QCOMPARE(f->kind, quint8(TcpPort));
    QCOMPARE(f->port, quint32(800));
    // Longer messages count when they still end in F7.
    f = parsePortFeedback(hex("F07F7F5E1000090909090900F7"));
    QVERIFY(f);
    QCOMPARE(f->port, quint32(99999));

    QVERIFY(!parsePortFeedback(hex("F07F7F5E10020000080000F7")));
    QVERIFY(!parsePortFeedback(hex("F07F7F5E100100000A0000F7")));
    QVERIFY(!parsePortFeedback(hex("F07F7F5E100100000800F7")));
    QVERIFY(!parsePortFeedback(hex("F07F7F5E1001F7")));
    QVERIFY(!parsePortFeedback(hex("F07F7F5E10010000080000F6")));
    QVERIFY(!parsePortFeedback(hex("F07F7F5E0F010000080000F7")));
}

void TestNetworkMessages::frameOffsetCodeBothWays()
{
    for (int v = kMinFrameOffset; v <= kMaxFrameOffset; ++v) {
        const quint8 c = encodeFrameOffset(v);
        QCOMPARE(decodeFrameOffset(c), std::optional<int>(v));
        QCOMPARE(frameOffsetSignByte(c), v < 0 ? kOffsetNegative : kOffsetPositive);
    }
    QCOMPARE(encodeFrameOffset(-15), quint8(15));
    QCOMPARE(encodeFrameOffset(-1), quint8(1));
    QCOMPARE(encodeFrameOffset(0), quint8(16));
    QCOMPARE(encodeFrameOffset(15), quint8(31));
    QCOMPARE(encodeFrameOffset(40), quint8(31));
    QCOMPARE(encodeFrameOffset(-40), quint8(15));
    QVERIFY(!decodeFrameOffset(0));
    QVERIFY(!decodeFrameOffset(32));
    QVERIFY(!decodeFrameOffset(0x7F));
}

void TestNetworkMessages::timeOffsetMessages_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("-15") << -15 << hex("F07F7F120000000FF7");
    QTest::newRow("-3") << -3 << hex("F07F7F1200000003F7");
    QTest::newRow("0") << 0 << hex("F07F7F1240000010F7");
    QTest::newRow("1") << 1 << hex("F07F7F1240000011F7");
    QTest::newRow("15") << 15 << hex("F07F7F124000001FF7");
    QTest::newRow("clamped to 15") << 40 << hex("F07F7F124000001FF7");
}

void TestNetworkMessages::timeOffsetMessages()
{
    QFETCH(int, frames);
    QFETCH(QByteArray, message);
    QCOMPARE(buildTimeOffsetMessage(frames), message);
    QVERIFY(isTimeOffsetFrame(message));
}

void TestNetworkMessages::timeOffsetFrameShape()
{
    QVERIFY(isTimeOffsetFrame(hex("F07F7F1240000005F7")));
    QVERIFY(!isTimeOffsetFrame(hex("F07F7F1201F7")));
    QVERIFY(!isTimeOffsetFrame(hex("F07F7F12400000 05F6")));
    QVERIFY(!isTimeOffsetFrame(hex("F07F7F124000000500F7")));
}

QTEST_APPLESS_MAIN(TestNetworkMessages)
#include "tst_network_messages.moc"
