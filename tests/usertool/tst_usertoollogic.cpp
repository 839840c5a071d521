#include "codepage.h"
#include "frames.h"
#include "portnumber.h"
#include "replies.h"
#include "versiontext.h"

#include <QTest>

using namespace zol;
using namespace Qt::StringLiterals;

namespace zol::test {

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

const QByteArray kOkReply = hex("026f30303003"
                                "5e");

} // namespace

class UserToolLogicTest : public QObject
{
    Q_OBJECT

private slots:
    void commandFrames();
    void checkCharacterLift();
    void userNameFields();
    void userNamesTheMeterKeeps();
    void replyCompleteness();
    void receiveBuffer();
    void versionRecord();
    void comPortNumbers();
    void captionVersion();
};

void UserToolLogicTest::commandFrames()
{
    QCOMPARE(buildCommandFrame(kVersionHeader), hex("02563030300367"));
    QCOMPARE(buildCommandFrame(kClearNameHeader), hex("02593030300368"));
    QCOMPARE(buildCommandFrame(kProgramNameHeader, userNameField(u"ABC"_s)),
             hex("0258303132414243202020202020202020032a"));
    QCOMPARE(buildCommandFrame(kProgramNameHeader, userNameField(u"AB"_s)),
             hex("02583031324142202020202020202020200369"));
}

void UserToolLogicTest::checkCharacterLift()
{
    // Below 32 is lifted, 32 and above stays as it is.
    QCOMPARE(checkCharacter(hex("1f")), '\x3f');
    QCOMPARE(checkCharacter(hex("00")), '\x20');
    QCOMPARE(checkCharacter(QByteArrayView()), '\x20');
    QCOMPARE(checkCharacter(hex("20")), '\x20');
    QCOMPARE(checkCharacter(hex("025a")), '\x58');
    QCOMPARE(checkCharacter(hex("ff")), '\xff');
    QCOMPARE(checkCharacter(hex("025630303003")), '\x67');
    // 0x0A over STX..ETX of the "ABC" frame becomes '*'.
    QCOMPARE(checkCharacter(hex("0258303132414243202020202020202020"
                                "03")),
             '*');
}

void UserToolLogicTest::userNameFields()
{
    const QByteArray twelve = userNameField(u"ABCDEFGHIJKL"_s);
    QCOMPARE(twelve, "ABCDEFGHIJKL");
    QCOMPARE(buildCommandFrame(kProgramNameHeader, twelve),
             hex("02583031324142434445464748494a4b4c0366"));

    const QByteArray one = userNameField(u"A"_s);
    QCOMPARE(one, "A           ");
    QCOMPARE(buildCommandFrame(kProgramNameHeader, one),
             hex("0258303132412020202020202020202020032b"));

    // Typed spaces belong to the name; case is kept.
    QCOMPARE(userNameField(u" "_s), QByteArray(12, ' '));
    QCOMPARE(userNameField(u" aB "_s), " aB         ");

    // The euro sign is in the code page, the Cyrillic letter is not; the
    // check is over the bytes on the line.
    const QByteArray mixed = userNameField(u"\u20ac\u0416\u00e9"_s);
    QCOMPARE(mixed, hex("803fe9202020202020202020"));
    QCOMPARE(buildCommandFrame(kProgramNameHeader, mixed),
             hex("0258303132803fe9202020202020202020033c"));

    // A character beyond the 16-bit range fills two places of the name box
    // but is one '?' on the line: the field still ends up 12 bytes long.
    const QString withEmoji = u"\U0001F600ABCDEFGHIJ"_s;
    QCOMPARE(withEmoji.size(), 12);
    QCOMPARE(userNameField(withEmoji), "?ABCDEFGHIJ ");
    QCOMPARE(buildCommandFrame(kProgramNameHeader, userNameField(withEmoji)).size(), 19);

    QCOMPARE(userNameField(u"ABCDEFGHIJKLMNOP"_s), "ABCDEFGHIJKL");
}

void UserToolLogicTest::userNamesTheMeterKeeps()
{
    QVERIFY(userNameCarried(QString()));
    QVERIFY(userNameCarried(u"Jan de Vries"_s));
    QVERIFY(userNameCarried(u"Zoë Müller €"_s));
    QVERIFY(userNameCarried(u"  "_s));
    // Outside the code page: would reach the meter as '?'.
    QVERIFY(!userNameCarried(u"Łukasz Żółć"_s));
    QVERIFY(!userNameCarried(u"Ж"_s));
    QVERIFY(!userNameCarried(u"a😀"_s));
    // Control characters are in the code page but would break the frame the
    // meter reads the name from: ETX ends it, STX starts a new one.
    QVERIFY(!userNameCarried(u"AB\u0003CD"_s));
    QVERIFY(!userNameCarried(u"\u0002"_s));
    QVERIFY(!userNameCarried(u"tab\there"_s));
    QVERIFY(!userNameCarried(QString(QChar(char16_t(0x81)))));
    // Whatever passes arrives as itself.
    const QString name = u"Ægir Ø. Šaré"_s;
    QVERIFY(userNameCarried(name));
    QCOMPARE(fromAnsi(userNameField(name)).trimmed(), name);
}

void UserToolLogicTest::replyCompleteness()
{
    // STX "o" "0" "0" ETX check: one short of a reply.
    QVERIFY(!replyComplete(hex("026f303003"
                               "5f")));
    QVERIFY(replyComplete(kOkReply));
    QVERIFY(replyCheckRight(kOkReply));

    QByteArray wrongCheck = kOkReply;
    wrongCheck.back() = '\x5f';
    QVERIFY(replyComplete(wrongCheck));
    QVERIFY(!replyCheckRight(wrongCheck));

    QVERIFY(!replyComplete(QByteArray()));
    QVERIFY(!replyComplete(hex("026f3030300358"
                               "5e")));               // ETX not second-to-last
    QVERIFY(!replyComplete(hex("026f303030035e03"))); // ETX last
    QVERIFY(!replyCheckRight(QByteArray()));

    QByteArray noStx = hex("ff") + kOkReply;
    for (int i = 0; i < 100; ++i) {
        QVERIFY(!replyComplete(noStx));
        noStx.insert(1, "\x03\x03", 2);
    }
}

void UserToolLogicTest::receiveBuffer()
{
    QByteArray buffer;
    appendReceived(buffer, kOkReply.first(2));
    appendReceived(buffer, kOkReply.sliced(2, 3));
    QVERIFY(!replyComplete(buffer));
    appendReceived(buffer, kOkReply.sliced(5));
    QCOMPARE(buffer, kOkReply);

    // Noise ahead of the STX, in the same chunk or in chunks of its own.
    buffer.clear();
    appendReceived(buffer, hex("ff00") + kOkReply.first(3));
    QCOMPARE(buffer, kOkReply.first(3));
    buffer.clear();
    appendReceived(buffer, hex("7e"));
    QVERIFY(buffer.isEmpty());
    appendReceived(buffer, hex("03fe"));
    QVERIFY(buffer.isEmpty());
    appendReceived(buffer, kOkReply);
    QCOMPARE(buffer, kOkReply);

    // Once a reply has begun, the bytes after its STX are its own, whatever
    // they are.
    buffer = kOkReply.first(2);
    appendReceived(buffer, hex("00ff02"));
    QCOMPARE(buffer, kOkReply.first(2) + hex("00ff02"));

    // Noise that happens to be an STX: what follows it is no letter, so it
    // cannot start a reply, and the reply behind it is found all the same.
    buffer.clear();
    appendReceived(buffer, hex("02") + kOkReply);
    QCOMPARE(buffer, kOkReply);
    buffer.clear();
    appendReceived(buffer, hex("ff02"));
    QCOMPARE(buffer, hex("02"));
    appendReceived(buffer, hex("0202"));
    QCOMPARE(buffer, hex("02"));
    appendReceived(buffer, kOkReply.sliced(1));
    QCOMPARE(buffer, kOkReply);
    buffer.clear();
    appendReceived(buffer, hex("02003002e97e") + kOkReply.first(4));
    QCOMPARE(buffer, kOkReply.first(4));
    buffer.clear();
    appendReceived(buffer, hex("021b0330"));
    QVERIFY(buffer.isEmpty());

    // Any letter may be a reply's code, known or not, and is kept.
    for (const char *kept : {"02563030", "02713030", "025a", "0261"}) {
        buffer.clear();
        appendReceived(buffer, hex("02") + hex(kept));
        QCOMPARE(buffer, hex(kept));
    }

    // Up to the counter's limit the buffer grows; past it, it starts over.
    buffer = hex("02") + QByteArray(kMaxReceiveBuffer - 8, 'x');
    appendReceived(buffer, QByteArray(7, 'y'));
    QCOMPARE(buffer.size(), kMaxReceiveBuffer);
    appendReceived(buffer, kOkReply);
    QCOMPARE(buffer, kOkReply);
    buffer = hex("02") + QByteArray(kMaxReceiveBuffer - 1, 'x');
    appendReceived(buffer, "z");
    QVERIFY(buffer.isEmpty());

    const QByteArray huge = QByteArray(40000, 'q') + hex("02") + QByteArray(99, 'r');
    buffer.clear();
    appendReceived(buffer, huge);
    QCOMPARE(buffer, hex("02") + QByteArray(99, 'r'));
}

void UserToolLogicTest::versionRecord()
{
    const QByteArray record = hex("02763030305a4f4c36000000004857313236") + "." +
                              hex("30333030313233003536") + "ABCDEFGHIJKL" + "3" + hex("03");
    QCOMPARE(record.size(), 43);
    const QByteArray reply = record + checkCharacter(record);
    QVERIFY(replyCheckRight(reply));
    QCOMPARE(versionLines(reply),
             QStringList({u"Meter: ZOL6    "_s, u"Hardware: HW12"_s, u"Software: 6.03"_s,
                          u"Serial: 00123 56"_s, u"Battery status: 3"_s}));

    // Characters above 0x7F are shown through the code page.
    QByteArray accented = reply;
    accented[5] = '\xe9';
    accented[6] = '\x80';
    QCOMPARE(versionLines(accented).first(), u"Meter: \u00e9\u20acL6    "_s);

    // Short replies: fields run into the ETX and check, or are empty.
    const QByteArray shortReply = reply.first(20) + hex("03") + 'c';
    QCOMPARE(versionLines(shortReply),
             QStringList({u"Meter: ZOL6    "_s, u"Hardware: HW12"_s, u"Software: 6.0\x03"_s,
                          u"Serial: c"_s, u"Battery status: "_s}));
    const QByteArray seven = hex("0276303030035f");
    QCOMPARE(versionLines(seven), QStringList({u"Meter: \x03_"_s, u"Hardware: "_s, u"Software: "_s,
                                               u"Serial: "_s, u"Battery status: "_s}));
    QCOMPARE(versionLines(QByteArray()).size(), 5);

    QCOMPARE(replyField("abc", 3, 5), "c");
    QCOMPARE(replyField("abc", 4, 1), QByteArray());
    QCOMPARE(replyField("abc", 0, 2), QByteArray());
    QCOMPARE(replyField("abc", 1, 0), QByteArray());
    QCOMPARE(replyField("abc", 1, 3), "abc");
}

void UserToolLogicTest::comPortNumbers()
{
    QCOMPARE(comPortNumber(u"1"_s), std::optional<qint16>(1));
    QCOMPARE(comPortNumber(u"255"_s), std::optional<qint16>(255));
    QCOMPARE(comPortNumber(u" 3 "_s), std::optional<qint16>(3));
    QCOMPARE(comPortNumber(u"003"_s), std::optional<qint16>(3));
    for (const QString &bad :
         {u""_s, u" "_s, u"0"_s, u"256"_s, u"-1"_s, u"+3"_s, u"1.5"_s, u"abc"_s, u"3a"_s, u"3 4"_s,
          u"99999999999999"_s, u"\u0663"_s /* Arabic-Indic three */}) {
        QVERIFY2(!comPortNumber(bad), qPrintable(bad));
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
