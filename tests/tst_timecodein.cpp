// Decoding of quarter frames, full frames, source and rate reports.
//
// The decoder's quarter-frame state is process-wide and never reset, so the
// cases below build on each other and use distinct times where they need a
// fresh text.

#include "protocol/MidiTimecodeIn.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// What the decoder reported, in order, as readable strings.
struct Recorder
{
    explicit Recorder(MidiTimecodeIn &in)
    {
        QObject::connect(&in, &MidiTimecodeIn::timecodeReceived, [this](const QString &t) { events << "time " + t; });
        QObject::connect(&in, &MidiTimecodeIn::sourcecodeReceived,
                         [this](int n) { events << "source " + QString::number(n); });
        QObject::connect(&in, &MidiTimecodeIn::timeCodeParsed, [this](int h, int m, int s, int f) {
            events << QStringLiteral("full %1 %2 %3 %4").arg(h).arg(m).arg(s).arg(f);
        });
    }
    QStringList take() { return std::exchange(events, {}); }
    QStringList events;
};

void feedPieces(MidiTimecodeIn &in, std::initializer_list<int> dataBytes)
{
    for (int d : dataBytes) {
        QByteArray message(3, '\0');
        message[0] = char(0xF1);
        message[1] = char(d);
        in.processMidiMessage(message);
    }
}
} // namespace

class TestTimecodeIn : public QObject
{
    Q_OBJECT
private slots:
    void quarterFrameSequences()
    {
        MidiTimecodeIn in;
        Recorder got(in);

        // A lone piece only changes its nibble.
        in.processMidiMessage(hex("F12500"));
        QVERIFY(got.take().isEmpty());

        // 01:02:03:04 at 25 fps: the rate comes before the time.
        feedPieces(in, {0x04, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x72});
        QCOMPARE(got.take(), (QStringList{"source 12", "time 01:02:03:04"}));
        // The same time again: the rate again, but no repeated text.
        feedPieces(in, {0x04, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x72});
        QCOMPARE(got.take(), QStringList{"source 12"});

        // Rates 24, 30 drop, 30 at hours below 16.
        feedPieces(in, {0x05, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x70});
        QCOMPARE(got.take(), (QStringList{"source 11", "time 01:02:03:05"}));
        feedPieces(in, {0x06, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x74});
        QCOMPARE(got.take(), (QStringList{"source 13", "time 01:02:03:06"}));
        feedPieces(in, {0x07, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x76});
        QCOMPARE(got.take(), (QStringList{"source 14", "time 01:02:03:07"}));

        // Hour bit 4 set (71/73/75/77): hours 16 and up, no rate.
        feedPieces(in, {0x67, 0x73});
        QCOMPARE(got.take(), QStringList{"time 23:02:03:07"});
        for (int d : {0x71, 0x75, 0x77}) {
            feedPieces(in, {0x00 | (d & 0x0F), 0x60, d}); // change frames so the text differs
            const QStringList events = got.take();
            QCOMPARE(events.size(), 1);
            QVERIFY2(events[0].startsWith("time 1"), qPrintable(events.join(',')));
        }

        // Piece 7 keeps only bit 0 of its nibble: 7F gives hour bit 4, not bits 5-7.
        feedPieces(in, {0x61, 0x7F});
        QCOMPARE(got.take(), QStringList{"time 17:02:03:07"});

        // High nibbles of pieces 1, 3, 5 are taken whole.
        feedPieces(in, {0x1F, 0x7F});
        QCOMPARE(got.take(), QStringList{"time 17:02:03:247"});
    }

    void tooShortOrForeignMessages()
    {
        MidiTimecodeIn in;
        Recorder got(in);
        in.processMidiMessage(hex("F1"));
        in.processMidiMessage(QByteArray());
        in.processMidiMessage(hex("F07F7F10")); // source report needs five bytes
        in.processMidiMessage(hex("F07F0001010102030 4F7"));
        in.processMidiMessage(hex("F07F000104F7"));
        in.processMidiMessage(hex("F07F7F0101010203")); // eight bytes: not a full frame
        in.processMidiMessage(hex("903C40"));
        QVERIFY(got.take().isEmpty());
    }

    void fullFrames()
    {
        MidiTimecodeIn in;
        Recorder got(in);
        // Rate bits 3 (30 non-drop) do not reach any signal.
        in.processMidiMessage(hex("F07F7F0101611E2D0CF7"));
        QCOMPARE(got.take(), QStringList{"full 1 30 45 12"});
        // Set bit 7 is masked off the hours; no closing F7 is needed.
        in.processMidiMessage(hex("F07F7F0101B7000000"));
        QCOMPARE(got.take(), QStringList{"full 23 0 0 0"});
        // Device identity other than 7F is not ours.
        in.processMidiMessage(hex("F07F000101010203 04F7"));
        QVERIFY(got.take().isEmpty());
    }

    void sourceReports()
    {
        MidiTimecodeIn in;
        Recorder got(in);
        in.processMidiMessage(hex("F07F7F1004F7"));
        in.processMidiMessage(hex("F07F7F1006F7"));
        QCOMPARE(got.take(), (QStringList{"source 4", "source 6"}));
        in.processMidiMessage(hex("F07F7F1007F7"));
        in.processMidiMessage(hex("F07F7F1000F7"));
        in.processMidiMessage(hex("F07F001003F7"));
        QVERIFY(got.take().isEmpty());

        // The 16-byte form: byte 9 is 7F, the source at byte 14.
        QByteArray longForm = hex("F0002100000000000000000000000000");
        longForm[9] = char(0x7F);
        longForm[14] = char(0x03);
        QCOMPARE(longForm.size(), 16);
        in.processMidiMessage(longForm);
        QCOMPARE(got.take(), QStringList{"source 3"});
        in.processMidiMessage(longForm.left(15));
        in.processMidiMessage(longForm + char(0xF7));
        QByteArray notMarked = longForm;
        notMarked[9] = char(0x7E);
        in.processMidiMessage(notMarked);
        QByteArray outOfRange = longForm;
        outOfRange[14] = char(0x07);
        in.processMidiMessage(outOfRange);
        QVERIFY(got.take().isEmpty());

        // A short report wins over the long form when both would match.
        QByteArray both = hex("F07F7F1002000000007F000000000300");
        in.processMidiMessage(both);
        QCOMPARE(got.take(), QStringList{"source 2"});
    }
};

QTEST_APPLESS_MAIN(TestTimecodeIn)
#include "tst_timecodein.moc"
