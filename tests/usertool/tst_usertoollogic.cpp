#include "codepage.h"
#include "frames.h"
#include "portnumber.h"
#include "replies.h"
#include "versiontext.h"
#include "zol6frames.h"

#include <QTest>

using namespace zol;
using namespace Qt::StringLiterals;

namespace zol::test {

class UserToolLogicTest : public QObject
{
    Q_OBJECT

private slots:
    void commandFrames();
    void checkCharacterLift_data();
    void checkCharacterLift();
    void userNameFields_data();
    void userNameFields();
    void userNamesTheMeterKeeps_data();
    void userNamesTheMeterKeeps();
    void replyLengths_data();
    void replyLengths();
    void replyChecks();
    void receiveBuffer_data();
    void receiveBuffer();
    void versionRecord();
    void comPortNumbers_data();
    void comPortNumbers();
    void captionVersion();
};

// The frames of every command and name are held against what the meter
// receives in the window's tests; here the check over code-page bytes.
void UserToolLogicTest::commandFrames()
{
    QCOMPARE(buildCommandFrame(kProgramNameHeader, userNameField(u"\u20ac\u0416\u00e9"_s)),
             kProgramEuroZheECommand);
}

void UserToolLogicTest::checkCharacterLift_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<char>("check");

    // Below 32 is lifted, 32 and above stays as it is.
    QTest::newRow("0x1F") << "\x1F"_ba << '\x3f';
    QTest::newRow("0x00") << "\x00"_ba << '\x20';
    QTest::newRow("nothing") << QByteArray() << '\x20';
    QTest::newRow("0x20") << "\x20"_ba << '\x20';
    QTest::newRow("0x02 0x5A") << "\x02\x5A"_ba << '\x58';
    QTest::newRow("0xFF") << "\xFF"_ba << '\xff';
}

void UserToolLogicTest::checkCharacterLift()
{
    QFETCH(QByteArray, bytes);
    QFETCH(char, check);

    QCOMPARE(checkCharacter(bytes), check);
}

void UserToolLogicTest::userNameFields_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("field");

    // Typed spaces belong to the name; case is kept.
    QTest::newRow("a space") << u" "_s << QByteArray(12, ' ');
    QTest::newRow("spaces around") << u" aB "_s << " aB         "_ba;
    // The euro sign is in the code page, the Cyrillic letter is not.
    QTest::newRow("euro, Zhe, e acute") << u"\u20ac\u0416\u00e9"_s << "\x80?\xe9         "_ba;
    // A character beyond the 16-bit range fills two places of the name box
    // (twelve in all here) but is one '?' on the line: the field is still
    // 12 bytes long.
    QTest::newRow("beyond 16 bits") << u"\U0001F600ABCDEFGHIJ"_s << "?ABCDEFGHIJ "_ba;
    QTest::newRow("sixteen") << u"ABCDEFGHIJKLMNOP"_s << "ABCDEFGHIJKL"_ba;
}

void UserToolLogicTest::userNameFields()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, field);

    QCOMPARE(userNameField(name), field);
}

void UserToolLogicTest::userNamesTheMeterKeeps_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("carried");

    QTest::newRow("nothing") << QString() << true;
    QTest::newRow("Jan de Vries") << u"Jan de Vries"_s << true;
    QTest::newRow("accents and euro") << u"Zoë Müller €"_s << true;
    QTest::newRow("spaces") << u"  "_s << true;
    QTest::newRow("Nordic and Czech") << u"Ægir Ø. Šaré"_s << true;
    // Outside the code page: would reach the meter as '?'.
    QTest::newRow("Polish") << u"Łukasz Żółć"_s << false;
    QTest::newRow("Cyrillic") << u"Ж"_s << false;
    QTest::newRow("emoji") << u"a😀"_s << false;
    // Control characters are in the code page but would break the frame the
    // meter reads the name from: ETX ends it, STX starts a new one.
    QTest::newRow("ETX") << u"AB\u0003CD"_s << false;
    QTest::newRow("STX") << u"\u0002"_s << false;
    QTest::newRow("tab") << u"tab\there"_s << false;
    QTest::newRow("C1 control") << QString(QChar(char16_t(0x81))) << false;
}

void UserToolLogicTest::userNamesTheMeterKeeps()
{
    QFETCH(QString, name);
    QFETCH(bool, carried);

    QCOMPARE(userNameCarried(name), carried);
    // Whatever passes arrives as itself.
    if (carried)
        QCOMPARE(fromAnsi(userNameField(name)).trimmed(), name.trimmed());
}

void UserToolLogicTest::replyLengths_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("length"); // 0: not whole yet

    QTest::newRow("OK") << kOkReply << 7;
    QTest::newRow("OK, wrong check") << kOkReply.first(6) + "_"_ba << 7;
    QTest::newRow("nothing") << QByteArray() << 0;
    // STX "o" "0" "0" ETX check: one short of a reply.
    QTest::newRow("one short") << "\x02"
                                  "o00"
                                  "\x03"
                                  "_"_ba
                               << 0;
    // What follows a whole reply is none of it.
    QTest::newRow("OK, line end") << kOkReply + "\r\n"_ba << 7;
    QTest::newRow("OK, ETX") << kOkReply + "\x03"_ba << 7;
    QTest::newRow("version record, NUL") << kVersionReply + "\0"_ba << 44;
    // A data ETX ahead of the record's own end does not cut it.
    QTest::newRow("version record, ETX in its data")
        << "\x02v000\x03"_ba + kVersionReply.sliced(6) << 44;
    // Other lengths end where what arrived ends with ETX and one byte.
    QTest::newRow("short version record") << kVersionReply.first(24) + "\x03!"_ba << 26;
    QTest::newRow("long OK") << "\x02o0001\x03x"_ba << 8;
    QTest::newRow("unknown code, line end") << kVersionCommand + "\r\n"_ba << 0;
}

void UserToolLogicTest::replyLengths()
{
    QFETCH(QByteArray, received);
    QFETCH(int, length);

    QCOMPARE(replyLength(received), length);
}

void UserToolLogicTest::replyChecks()
{
    QVERIFY(replyCheckRight(kOkReply));
    QByteArray wrongCheck = kOkReply;
    wrongCheck.back() = '_';
    QVERIFY(!replyCheckRight(wrongCheck));
    QVERIFY(!replyCheckRight(QByteArray()));
}

// Chunk by chunk, what the receive buffer holds after each.
void UserToolLogicTest::receiveBuffer_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<QByteArray>>("after");

    QTest::newRow("reply in three chunks")
        << QByteArray()
        << QList<QByteArray>{kOkReply.first(2), kOkReply.sliced(2, 3), kOkReply.sliced(5)}
        << QList<QByteArray>{kOkReply.first(2), kOkReply.first(5), kOkReply};

    // Once a reply has begun, the bytes after its STX are its own, whatever
    // they are.
    QTest::newRow("begun reply") << kOkReply.first(2) << QList<QByteArray>{"\x00\xFF\x02"_ba}
                                 << QList<QByteArray>{kOkReply.first(2) + "\x00\xFF\x02"_ba};

    // Line noise ahead of a reply is held against the window's replies.
    // Any letter may be a reply's code, known or not, and is kept.
    for (const char *code : {"V00", "q00", "Z", "a"}) {
        const QByteArray kept = kStx + QByteArray(code);
        QTest::addRow("code %c", code[0])
            << QByteArray() << QList<QByteArray>{kStx + kept} << QList<QByteArray>{kept};
    }

    // Up to the counter's limit the buffer grows; past it, it starts over.
    const QByteArray nearlyFull = "\x02"_ba + QByteArray(kMaxReceiveBuffer - 8, 'x');
    QTest::newRow("up to the limit")
        << nearlyFull << QList<QByteArray>{QByteArray(7, 'y'), kOkReply}
        << QList<QByteArray>{nearlyFull + QByteArray(7, 'y'), kOkReply};
    QTest::newRow("past the limit") << "\x02"_ba + QByteArray(kMaxReceiveBuffer - 1, 'x')
                                    << QList<QByteArray>{"z"_ba} << QList<QByteArray>{QByteArray()};
    QTest::newRow("huge chunk") << QByteArray()
                                << QList<QByteArray>{QByteArray(40000, 'q') + "\x02"_ba +
                                                     QByteArray(99, 'r')}
                                << QList<QByteArray>{"\x02"_ba + QByteArray(99, 'r')};
}

void UserToolLogicTest::receiveBuffer()
{
    QFETCH(QByteArray, start);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<QByteArray>, after);

    QByteArray buffer = start;
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        appendReceived(buffer, chunks.at(i));
        QCOMPARE(buffer, after.at(i));
    }
}

void UserToolLogicTest::versionRecord()
{
    QVERIFY(replyCheckRight(kVersionReply));
    QCOMPARE(versionLines(kVersionReply),
             QStringList({u"Meter: ZOL6    "_s, u"Hardware: HW12"_s, u"Software: 6.03"_s,
                          u"Serial: 0012 456"_s, u"Battery status: 2"_s}));

    // Characters above 0x7F are shown through the code page.
    QByteArray accented = kVersionReply;
    accented[5] = '\xe9';
    accented[6] = '\x80';
    QCOMPARE(versionLines(accented).first(), u"Meter: \u00e9\u20acL6    "_s);

    // Short replies: fields run into the ETX and check, or are empty.
    const QByteArray shortReply = kVersionReply.first(20) + kEtx + 'c';
    QCOMPARE(versionLines(shortReply),
             QStringList({u"Meter: ZOL6    "_s, u"Hardware: HW12"_s, u"Software: 6.0\x03"_s,
                          u"Serial: c"_s, u"Battery status: "_s}));
    const QByteArray seven = "\x02"
                             "v000"
                             "\x03"
                             "_"_ba;
    QCOMPARE(versionLines(seven), QStringList({u"Meter: \x03_"_s, u"Hardware: "_s, u"Software: "_s,
                                               u"Serial: "_s, u"Battery status: "_s}));
    QCOMPARE(versionLines(QByteArray()).size(), 5);

    QCOMPARE(replyField("abc", 3, 5), "c");
    QCOMPARE(replyField("abc", 4, 1), QByteArray());
    QCOMPARE(replyField("abc", 0, 2), QByteArray());
    QCOMPARE(replyField("abc", 1, 0), QByteArray());
    QCOMPARE(replyField("abc", 1, 3), "abc");
}

void UserToolLogicTest::comPortNumbers_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("port"); // 0: no port number

    QTest::newRow("1") << u"1"_s << 1;
    QTest::newRow("255") << u"255"_s << 255;
    QTest::newRow("spaces around") << u" 3 "_s << 3;
    // As the port list names them.
    QTest::newRow("COM3") << u"COM3"_s << 3;
    QTest::newRow("com3") << u" com3 "_s << 3;
    QTest::newRow("leading zeros") << u"003"_s << 3;
    for (const QString &bad :
         {u""_s, u" "_s, u"0"_s, u"256"_s, u"-1"_s, u"+3"_s, u"1.5"_s, u"abc"_s, u"3a"_s, u"3 4"_s,
          u"99999999999999"_s, u"COM"_s, u"COM-3"_s, u"3COM"_s})
        QTest::newRow(qPrintable(u'"' + bad + u'"')) << bad << 0;
    QTest::newRow("Arabic-Indic three") << u"\u0663"_s << 0;
}

void UserToolLogicTest::comPortNumbers()
{
    QFETCH(QString, typed);
    QFETCH(int, port);

    const std::optional<qint16> number = comPortNumber(typed);
    QCOMPARE(number.has_value(), port != 0);
    if (number) {
        QCOMPARE(int(*number), port);
        // A Windows driver may name the device com3: it is no other device.
        QCOMPARE(comPortAndDevice(port, u"com%1"_s.arg(port)), u"COM%1"_s.arg(port));
    }
}

void UserToolLogicTest::captionVersion()
{
    QCOMPARE(versionText(1, 0, 0), u"1.00"_s);
    QCOMPARE(versionText(1, 2, 3), u"1.23"_s);
    QCOMPARE(versionText(1, 10, 5), u"1.105"_s);
    QCOMPARE(toolVersionText(), u"1.00"_s);
}

} // namespace zol::test

QTEST_GUILESS_MAIN(zol::test::UserToolLogicTest)
#include "tst_usertoollogic.moc"
