#include "serial/FirmwareTransfer.h"
#include "serial/SerialProtocol.h"

#include <QtTest>

using namespace SerialProtocol;

class SerialProtocolTest : public QObject
{
    Q_OBJECT
private slots:
    void commandFramesAreSevenBytes();
    void replies_data();
    void replies();
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
    QTest::newRow("empty version") << marker + "\r\n" << QString() << "" << false << false;
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
