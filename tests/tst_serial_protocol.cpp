// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/FirmwareTransfer.h"
#include "serial/SerialProtocol.h"
#include "serial/SerialReplySplitter.h"

#include <QtTest>

using namespace SerialProtocol;

class SerialProtocolTest : public QObject
{
    Q_OBJECT
private slots:
    void commandFramesAreSevenBytes();
    void replies_data();
    void replies();
    void everyReplyCutAnywhere_data();
    void everyReplyCutAnywhere();
    void streams_data();
    void streams();
    void overLongStretchIsDropped();
    void progressOfTheMainWindow();
    void progressOfTheDialog();
    void familyFromModelText();
};

void SerialProtocolTest::commandFramesAreSevenBytes()
{
    QCOMPARE(commandFrame(QueryModel), QByteArray::fromHex("AACC0200010D0A"));
    QCOMPARE(commandFrame(EraseFirmware), QByteArray::fromHex("AACC0200020D0A"));
    QCOMPARE(commandFrame(QueryVersion), QByteArray::fromHex("AACC0200030D0A"));
    QCOMPARE(commandFrame(PrepareUpgrade), QByteArray::fromHex("AACC0200090D0A"));
}

void SerialProtocolTest::replies_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QString>("model");   // null: no model reply
    QTest::addColumn<QString>("version"); // null: no version reply
    QTest::addColumn<bool>("eraseEnd");
    QTest::addColumn<bool>("ack");

    const QByteArray marker("\xAA\xCC\x06", 3);
    QTest::newRow("model") << QByteArray("TQR-30 Pro\r\n") << "TQR-30 Pro" << QString() << false << false;
    QTest::newRow("model after noise") << QByteArray("\x01\x02TQR-30\r\nrest") << "TQR-30" << QString() << false << false;
    QTest::newRow("model up to the first CR LF") << QByteArray("TQR-20\r\nX\r\n") << "TQR-20" << QString() << false << false;
    QTest::newRow("model without CR LF") << QByteArray("TQR-30") << QString() << QString() << false << false;
    QTest::newRow("CR LF only before the model") << QByteArray("\r\nTQR-30") << QString() << QString() << false << false;
    QTest::newRow("version") << marker + "V1.0.3\r\n" << QString() << "V1.0.3" << false << false;
    QTest::newRow("version without CR LF") << marker + "V1.0.3" << QString() << QString() << false << false;
    QTest::newRow("empty version") << marker + "\r\n\r\n" << QString() << "" << false << true;
    // Six bytes or fewer are too short to identify a unit.
    QTest::newRow("too short for a version") << marker + "V\r\n" << QString() << QString() << false << false;
    QTest::newRow("model and version together: model only")
        << QByteArray("TQR-30\r\n") + marker + "V1.0.3\r\n" << "TQR-30" << QString() << false << false;
    QTest::newRow("model without CR LF hides the version")
        << marker + "V1TQR-" << QString() << QString() << false << false;
    QTest::newRow("erase end") << QByteArray("ERASE END") << QString() << QString() << true << false;
    QTest::newRow("erase end inside") << QByteArray("xxERASE ENDyy\r\n") << QString() << QString() << true << false;
    QTest::newRow("any 7 bytes acknowledge") << QByteArray::fromHex("00112233445566") << QString() << QString() << false << true;
    QTest::newRow("7-byte version is both")
        << marker + QByteArray("V1\r\n") << QString() << "V1" << false << true;
    QTest::newRow("7-byte model is both") << QByteArray("TQR-\r\nx") << "TQR-" << QString() << false << true;
    QTest::newRow("6 bytes") << QByteArray("abcdef") << QString() << QString() << false << false;
    QTest::newRow("8 bytes") << QByteArray("abcdefgh") << QString() << QString() << false << false;
    QTest::newRow("empty") << QByteArray() << QString() << QString() << false << false;
    QTest::newRow("model after a frame head")
        << QByteArray("\xAA\xCC\x01\x02TQR-30 Pro\r\n") << "TQR-30 Pro" << QString() << false << false;
    QTest::newRow("version after noise") << QByteArray("\x01") + marker + "V1.0.2\r\n" << QString() << "V1.0.2" << false << false;
    // A status line with 'o' at byte 6 carries no version and starts nothing.
    QTest::newRow("status line") << marker + "V1.o.2\r\n" << QString() << QString() << false << false;
    QTest::newRow("model wins over a version")
        << marker + "V1.0.2\r\nTQR-10\r\n" << "TQR-10" << QString() << false << false;
}

void SerialProtocolTest::replies()
{
    QFETCH(QByteArray, chunk);
    QFETCH(QString, model);
    QFETCH(QString, version);
    QFETCH(bool, eraseEnd);
    QFETCH(bool, ack);
    const Reply reply = parseReply(chunk);
    QCOMPARE(reply.hasModel, !model.isNull());
    if (reply.hasModel)
        QCOMPARE(reply.model, model);
    QCOMPARE(reply.hasVersion, !version.isNull());
    if (reply.hasVersion)
        QCOMPARE(reply.version, version);
    QCOMPARE(reply.eraseEnd, eraseEnd);
    QCOMPARE(reply.acknowledgement, ack);
    QCOMPARE(reply.identifies, chunk.size() > 6 && chunk.at(6) != 'o');
}

namespace {
const QByteArray kAck("\xAA\xCC\x07\x00\x01\r\n", 7);
const QByteArray kModel("\xAA\xCC\x01TQR-30 Pro\r\n", 15);
const QByteArray kBareModel("TQR-30 Pro\r\n");
const QByteArray kVersion("\xAA\xCC\x06V1.0.3\r\n", 11);
const QByteArray kEraseEnd("ERASE END\r\n");
const QByteArray kBareEraseEnd("ERASE END");

QList<QByteArray> feedAll(SerialReplySplitter &splitter, const QList<QByteArray> &reads)
{
    QList<QByteArray> replies;
    for (const QByteArray &read : reads)
        replies += splitter.feed(read);
    return replies;
}
} // namespace

void SerialProtocolTest::everyReplyCutAnywhere_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("acknowledgement") << kAck;
    QTest::newRow("acknowledgement with CR LF inside") << QByteArray("\xAA\xCC\r\n\x01\r\n", 7);
    QTest::newRow("model") << kModel;
    QTest::newRow("bare model") << kBareModel;
    QTest::newRow("version") << kVersion;
    QTest::newRow("erase end") << kEraseEnd;
    QTest::newRow("reset notice") << QByteArray("Reset by watchdog\r\n");
}

// Every cut of a reply into two reads, and into three, gives the reply once.
// ("ERASE END" counts before its line end, which then is an empty line.)
void SerialProtocolTest::everyReplyCutAnywhere()
{
    QFETCH(QByteArray, reply);
    const QList<QByteArray> whole{reply};
    const auto feedAll = [&reply](SerialReplySplitter &splitter, const QList<QByteArray> &reads) {
        QList<QByteArray> got = ::feedAll(splitter, reads);
        if (got.size() == 1 && got.first() == QByteArray("ERASE END") && reply.endsWith("\r\n"))
            got.first() += "\r\n";
        return got;
    };
    for (int a = 1; a < reply.size(); ++a) {
        SerialReplySplitter two;
        QCOMPARE(feedAll(two, {reply.left(a), reply.mid(a)}), whole);
        QCOMPARE(two.heldSize(), 0);
        for (int b = a + 1; b < reply.size(); ++b) {
            SerialReplySplitter three;
            QCOMPARE(feedAll(three, {reply.left(a), reply.mid(a, b - a), reply.mid(b)}), whole);
        }
    }
}

void SerialProtocolTest::streams_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QList<QByteArray>>("replies");
    QTest::newRow("two acknowledgements in one read") << QList<QByteArray>{kAck + kAck}
                                                      << QList<QByteArray>{kAck, kAck};
    QTest::newRow("three replies in one read") << QList<QByteArray>{kModel + kVersion + kAck}
                                               << QList<QByteArray>{kModel, kVersion, kAck};
    QTest::newRow("erase end without line end, then an acknowledgement")
        << QList<QByteArray>{kBareEraseEnd + kAck} << QList<QByteArray>{kBareEraseEnd, kAck};
    QTest::newRow("its line end comes late") << QList<QByteArray>{kBareEraseEnd, "\r\n", kAck}
                                             << QList<QByteArray>{kBareEraseEnd, kAck};
    QTest::newRow("noise before an acknowledgement") << QList<QByteArray>{QByteArray("\x13\x37") + kAck}
                                                     << QList<QByteArray>{kAck};
    QTest::newRow("noise between replies")
        << QList<QByteArray>{kAck + QByteArray("zz\x00"), QByteArray("q") + kModel}
        << QList<QByteArray>{kAck, kModel};
    QTest::newRow("a noise line") << QList<QByteArray>{QByteArray("garbage!\r\n") + kVersion}
                                  << QList<QByteArray>{QByteArray("garbage!\r\n"), kVersion};
    QTest::newRow("lone 7-byte read without line end")
        << QList<QByteArray>{QByteArray::fromHex("00112233445566")}
        << QList<QByteArray>{QByteArray::fromHex("00112233445566")};
    // The first seven bytes of a model reply are no acknowledgement.
    QTest::newRow("model cut after seven bytes") << QList<QByteArray>{kModel.left(7), kModel.mid(7)}
                                                 << QList<QByteArray>{kModel};
    QTest::newRow("model without line end waits") << QList<QByteArray>{"TQR-30"} << QList<QByteArray>{};
}

void SerialProtocolTest::streams()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QList<QByteArray>, replies);
    SerialReplySplitter splitter;
    QCOMPARE(feedAll(splitter, reads), replies);
}

void SerialProtocolTest::overLongStretchIsDropped()
{
    SerialReplySplitter splitter;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Serial bytes dropped.*no reply end"));
    QVERIFY(splitter.feed(QByteArray(SerialReplySplitter::kMaxHeld + 1, 'x')).isEmpty());
    QCOMPARE(splitter.heldSize(), 0);
    // A line longer than any reply is dropped whole, and what follows counts.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Serial bytes dropped.*over-long"));
    const QByteArray longLine = QByteArray(SerialReplySplitter::kMaxHeld, 'y') + "TQR-30\r\n";
    QCOMPARE(splitter.feed(longLine.left(200)), QList<QByteArray>{});
    QCOMPARE(splitter.feed(longLine.mid(200) + kAck), QList<QByteArray>{kAck});
}

void SerialProtocolTest::progressOfTheMainWindow()
{
    // 10,000 bytes in 64-byte chunks: one value after every chunk but the last.
    QList<int> values;
    for (qint64 sent = 64; sent < 10000; sent += 64)
        values.append(FirmwareTransfer::mainWindowProgress(sent, 10000));
    QCOMPARE(values.size(), 156);
    QCOMPARE(values.mid(0, 6), (QList<int>{0, 1, 1, 2, 3, 3}));
    QCOMPARE(FirmwareTransfer::mainWindowProgress(9792, 10000), 97);
    QCOMPARE(values.mid(153), (QList<int>{100, 100, 100}));
    QCOMPARE(values.at(152), 97);
    // Exactly 98 % is not yet "past 98".
    QCOMPARE(FirmwareTransfer::mainWindowProgress(98, 100), 98);
    QCOMPARE(FirmwareTransfer::mainWindowProgress(100, 100), 100);
    QCOMPARE(FirmwareTransfer::mainWindowProgress(0, 0), 0);
}

void SerialProtocolTest::progressOfTheDialog()
{
    QCOMPARE(FirmwareTransfer::dialogProgress(64, 130), 49);
    QCOMPARE(FirmwareTransfer::dialogProgress(9984, 10000), 99);
    QCOMPARE(FirmwareTransfer::dialogProgress(10000, 10000), 99);
    QCOMPARE(FirmwareTransfer::dialogProgress(0, 10000), 0);
    QCOMPARE(FirmwareTransfer::dialogProgress(5, 0), 0);
}

void SerialProtocolTest::familyFromModelText()
{
    QCOMPARE(FirmwareTransfer::familyForModel("TQR-30 Pro"), 2);
    QCOMPARE(FirmwareTransfer::familyForModel("TQR-30"), 2);
    QCOMPARE(FirmwareTransfer::familyForModel("TQR-20"), 1);
    QCOMPARE(FirmwareTransfer::familyForModel(""), 1);
}

QTEST_GUILESS_MAIN(SerialProtocolTest)
#include "tst_serial_protocol.moc"
