#include "languages.h"
#include "meterdecoder.h"
#include "pagestore.h"
#include "settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <future>
#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace zol;
using namespace Qt::StringLiterals;

class ReaderLogicTest : public QObject
{
    Q_OBJECT

private slots:
    void languageTables();
    void settingsReading_data();
    void settingsReading();
    void settingsWriting();
    void settingsThatAreNoFile();
    void navigation();
    void characterTable();
    void formFeedSplitting();
    void chunkingGivesTheSamePages();
    void pageBreaksStopAtTheLastPage();
    void cutOffTailCountsAsAPage();
};

void ReaderLogicTest::languageTables()
{
    LanguageTables t;
    fillLanguageTables(t);
    QCOMPARE(t.sOpen[kGerman], u"Öffnen"_s);
    QCOMPARE(t.sAbout[kGerman], u"Über ZOL print..."_s);
    QCOMPARE(t.sPort[kGerman], u"COM Anschluß"_s);
    QCOMPARE(t.sConnected[kFrench], u"Connecté"_s);
    QCOMPARE(t.sStop[kFrench], u"Arrêt"_s);
    QCOMPARE(t.sFilter[kFrench], u"Messure de l'humidité|*.mdh"_s);
    QCOMPARE(t.sComm[kFrench], t.sComm[kEnglish]);
    QCOMPARE(t.sPort[kFrench], t.sPort[kEnglish]);
    QCOMPARE(t.sFile[kDutch], u"&Bestand"_s);
    QCOMPARE(t.sAllpages[kDutch], u"Alle pagina's"_s);
    QCOMPARE(t.sPrompt31[kDutch], u"Druk op * 3 1 op de ZOL6"_s);
    QCOMPARE(t.sStart[kEnglish], u"Read ZOL"_s);
    QCOMPARE(t.sErr102[kEnglish], u"Error 102 - Error during loading"_s);
    QCOMPARE(t.sErr103[kGerman], u"Fehler 103 - COM Anschluß kann nicht geöffnet werden"_s);
    QCOMPARE(t.sErr105[kGerman], u"Fehler 105 - Kein Drucker verfügbar"_s);
    QCOMPARE(t.sDefext[kDutch], u"*.vmt"_s);
    QCOMPARE(
        t.sErr106[kDutch],
        u"Fout 106 - Verbinding met de ZOL verbroken, de laatste pagina kan onvolledig zijn"_s);
    QCOMPARE(t.sErr106[kFrench], u"Erreur 106 - Connexion avec le ZOL interrompue, la dernière "
                                 u"page peut être incomplète"_s);
    QCOMPARE(t.sSaveInexact[kGerman].arg(3),
             u"Seite 3 kann nicht genau gespeichert werden. Trotzdem speichern?"_s);
    QCOMPARE(t.sSaveInexact[kFrench].arg(12),
             u"La page 12 ne peut pas être enregistrée exactement. Enregistrer quand même ?"_s);

    QCOMPARE(t.sPortlist[kFrench], u"Ports série de cet ordinateur :"_s);
    QCOMPARE(t.sNamePageno[kFrench], u"Numéro de page"_s);

    // Every entry of every table is filled, in every language.
    const LanguageTable *all[] = {
        &t.sFile,          &t.sOpen,      &t.sSave,      &t.sPrint,       &t.sThispage,
        &t.sAllpages,      &t.sExit,      &t.sComm,      &t.sPort,        &t.sStart,
        &t.sHelp,          &t.sAbout,     &t.sConnected, &t.sStop,        &t.sPrompt30,
        &t.sPrompt31,      &t.sFilter,    &t.sDefext,    &t.sErrtitle,    &t.sErr101,
        &t.sErr102,        &t.sErr103,    &t.sErr104,    &t.sErr105,      &t.sErr106,
        &t.sErr107,
        &t.sSaveInexact,   &t.sPortlist,  &t.sNoports,   &t.sNameVenster, &t.sNamePageno,
        &t.sNameVoortgang, &t.sNameStatus};
    for (const LanguageTable *table : all)
        for (const QString &entry : *table)
            QVERIFY(!entry.isEmpty());
    for (const QString &filter : t.sFilter)
        QVERIFY(filter.contains(u'|'));
    // The link's target goes into each, once.
    for (const QString &why : t.sSettingsLink)
        QVERIFY(why.count(u"%1"_s) == 1 && !why.contains(u"%2"_s));
}

void ReaderLogicTest::settingsReading_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("port");

    // The fallback language in these cases is French (3), so that a default
    // cannot be mistaken for a value read from the file.
    QTest::newRow("written by the program") << QByteArray(" 2 \r\n 3 \r\n") << 2 << 3;
    QTest::newRow("bare digits, LF only") << QByteArray("0\n4\n") << 0 << 4;
    QTest::newRow("further lines ignored") << QByteArray(" 1 \r\n 2 \r\nextra\r\n") << 1 << 2;
    QTest::newRow("port outside the menu kept") << QByteArray(" 1 \r\n 7 \r\n") << 1 << 7;
    QTest::newRow("port zero kept") << QByteArray(" 1 \r\n 0 \r\n") << 1 << 0;
    QTest::newRow("negative port kept") << QByteArray(" 1 \r\n-5 \r\n") << 1 << -5;
    QTest::newRow("empty file") << QByteArray() << 3 << 1;
    QTest::newRow("one line") << QByteArray(" 0 \r\n") << 0 << 1;
    QTest::newRow("empty lines") << QByteArray("\r\n\r\n") << 3 << 1;
    QTest::newRow("not numbers") << QByteArray("dutch\r\nCOM2\r\n") << 3 << 1;
    QTest::newRow("decimal point") << QByteArray("1.5\r\n2.0\r\n") << 3 << 1;
    QTest::newRow("language out of range") << QByteArray(" 4 \r\n 2 \r\n") << 3 << 2;
    QTest::newRow("negative language") << QByteArray("-1 \r\n 2 \r\n") << 3 << 2;
    QTest::newRow("beyond 16 bits") << QByteArray("99999\r\n40000\r\n") << 3 << 1;
    QTest::newRow("16-bit limits") << QByteArray(" 2 \r\n-32768 \r\n") << 2 << -32768;
    QTest::newRow("binary rubbish") << QByteArray("\xff\x00\x01\r\n\xfe", 6) << 3 << 1;
}

void ReaderLogicTest::settingsReading()
{
    QFETCH(QByteArray, file);
    QFETCH(int, language);
    QFETCH(int, port);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"zolprint.ini"_s);
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file);
    out.close();

    const Settings read = readSettingsFile(path, kFrench);
    QCOMPARE(read.language, language);
    QCOMPARE(read.port, port);
}

void ReaderLogicTest::settingsWriting()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"zolprint.ini"_s);
    auto bytesOnDisk = [&path] {
        QFile in(path);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("<missing>");
    };

    QString reason;
    QCOMPARE(writeSettingsFile(path, {1, 2}, &reason), SettingsWritten::Yes);
    QCOMPARE(bytesOnDisk(), QByteArray(" 1 \r\n 2 \r\n"));
    QCOMPARE(writeSettingsFile(path, {0, -5}, &reason), SettingsWritten::Yes);
    QCOMPARE(bytesOnDisk(), QByteArray(" 0 \r\n-5 \r\n"));
    QCOMPARE(writeSettingsFile(path, {3, 255}, &reason), SettingsWritten::Yes);
    QCOMPARE(bytesOnDisk(), QByteArray(" 3 \r\n 255 \r\n"));
    // What is written reads back the same.
    const Settings back = readSettingsFile(path, kDutch);
    QCOMPARE(back.language, 3);
    QCOMPARE(back.port, 255);

    // A folder that does not exist cannot hold the file: a reason, no crash.
    reason.clear();
    QCOMPARE(writeSettingsFile(dir.filePath(u"no/such/zolprint.ini"_s), {1, 1}, &reason),
             SettingsWritten::Failed);
    QVERIFY(!reason.isEmpty());
}

void ReaderLogicTest::settingsThatAreNoFile()
{
    QTemporaryDir dir;
    // A folder in the file's place reads as no file.
    QCOMPARE(readSettingsFile(dir.path(), kGerman).language, kGerman);

#ifdef Q_OS_UNIX
    const QString fifo = dir.filePath(u"zolprint.ini"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // The read runs aside, so that one that waits for a writer fails the test
    // instead of hanging it: the test then plays the writer to let it go.
    std::future<Settings> read =
        std::async(std::launch::async, [&fifo] { return readSettingsFile(fifo, kFrench); });
    const bool returned = read.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    if (!returned) {
        const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    const Settings settings = read.get();
    QVERIFY2(returned, "reading a named pipe waited for a writer");
    QCOMPARE(settings.language, kFrench);
    QCOMPARE(settings.port, kDefaultPort);
#endif
}

void ReaderLogicTest::navigation()
{
    PageStore store;
    // At start: pages 0 and 1 are in use.
    QCOMPARE(store.nextPageIndex(), 1);
    store.iCurpage = 1;
    QCOMPARE(store.nextPageIndex(), 1);
    QCOMPARE(store.previousPageIndex(), 0);
    QCOMPARE(store.lastPageIndex(), 1);
    store.iCurpage = 0;
    QCOMPARE(store.previousPageIndex(), 0);
    QCOMPARE(store.pagesInUse().size(), 2);

    // Five pages after a transfer with five form feeds.
    store.iPages = 3;
    QCOMPARE(store.lastPageIndex(), 4);
    store.iCurpage = 4;
    QCOMPARE(store.nextPageIndex(), 4);

    // No page in use beyond page 0: nothing moves, nothing goes below 0.
    store.iPages = -2;
    store.iCurpage = 0;
    QCOMPARE(store.nextPageIndex(), 0);
    QCOMPARE(store.lastPageIndex(), 0);
    QVERIFY(store.pagesInUse().isEmpty());
    store.iPages = -32768;
    QCOMPARE(store.lastPageIndex(), 0);

    // Counters beyond the store never give an index past page 100.
    store.iPages = 500;
    store.iCurpage = 0;
    QCOMPARE(store.lastPageIndex(), 100);
    store.iCurpage = 100;
    QCOMPARE(store.nextPageIndex(), 100);
    store.iPages = 32767;
    QCOMPARE(store.lastPageIndex(), 100);
    store.iCurpage = 100;
    QCOMPARE(store.nextPageIndex(), 100);
    QCOMPARE(store.pagesInUse().size(), 101);
    store.iCurpage = 300;
    QCOMPARE(store.previousPageIndex(), 99);
}

void ReaderLogicTest::characterTable()
{
    for (int b : {0, 9, 11, 14, 31})
        QVERIFY2(!decodeMeterByte(static_cast<unsigned char>(b)), qPrintable(QString::number(b)));
    QCOMPARE(*decodeMeterByte('\r'), QChar(u'\r'));
    QCOMPARE(*decodeMeterByte('\n'), QChar(u'\n'));
    QCOMPARE(*decodeMeterByte('A'), QChar(u'A'));
    QCOMPARE(*decodeMeterByte(127), QChar(char16_t(127)));
    QCOMPARE(*decodeMeterByte(128), QChar(u'Ç'));
    QCOMPARE(*decodeMeterByte(130), QChar(u'é'));
    QCOMPARE(*decodeMeterByte(135), QChar(u'ç'));
    QCOMPARE(*decodeMeterByte(154), QChar(u'Ü'));
    QCOMPARE(*decodeMeterByte(160), QChar(u'á'));
    QCOMPARE(*decodeMeterByte(161), QChar(u'í'));
    QCOMPARE(*decodeMeterByte(165), QChar(u'Ñ'));
    QCOMPARE(*decodeMeterByte(167), QChar(u'º'));
    // Bytes the table leaves alone are Windows-1252.
    QCOMPARE(*decodeMeterByte(155), QChar(u'›'));
    QCOMPARE(*decodeMeterByte(166), QChar(u'¦'));
    QCOMPARE(*decodeMeterByte(0xE9), QChar(u'é'));
    QCOMPARE(*decodeMeterByte(0x80 + 28), QChar(u'œ'));

    PageStore store;
    receiveChunk(store, QByteArray("A\0B\tC\x0b\x1f", 8));
    QCOMPARE(store.sPage[0], u"ABC"_s);
}

void ReaderLogicTest::formFeedSplitting()
{
    PageStore store;
    store.iPages = 1;
    receiveChunk(store, QByteArray("AB\fCD"));
    QCOMPARE(store.iPages, 2);
    QCOMPARE(store.iFillpage, 1);
    QCOMPARE(store.sPage[0], u"AB"_s);
    QCOMPARE(store.sPage[1], u" CD"_s);

    receiveChunk(store, QByteArray("xy\r\n\f"));
    QCOMPARE(store.sPage[1], u" CDxy\r\n"_s);
    QCOMPARE(store.sPage[2], u" "_s);

    // Two form feeds in a row leave a page holding only the space.
    receiveChunk(store, QByteArray("\f\fz"));
    QCOMPARE(store.iPages, 5);
    QCOMPARE(store.iFillpage, 4);
    QCOMPARE(store.sPage[3], u" "_s);
    QCOMPARE(store.sPage[4], u" z"_s);
}

void ReaderLogicTest::chunkingGivesTheSamePages()
{
    QByteArray dump;
    for (int page = 0; page < 7; ++page) {
        dump += "ZOL meter   page " + QByteArray::number(page) + "\r\n";
        dump += "Eiken \x82\x8a\x81\xa1 12.5 %\r\n\x01\x02";
        dump += '\f';
    }
    dump += "tail without form feed";

    auto receiveInChunks = [&dump](int size) {
        PageStore store;
        store.iPages = 1;
        for (qsizetype at = 0; at < dump.size(); at += size)
            receiveChunk(store, dump.mid(at, size));
        return store;
    };
    const PageStore whole = receiveInChunks(int(dump.size()));
    QCOMPARE(whole.iPages, 8);
    QCOMPARE(whole.sPage[0], u"ZOL meter   page 0\r\nEiken éèüí 12.5 %\r\n"_s);
    QCOMPARE(whole.sPage[7], u" tail without form feed"_s);
    for (int size : {1, 7, 64}) {
        const PageStore chunked = receiveInChunks(size);
        QCOMPARE(chunked.iPages, whole.iPages);
        QCOMPARE(chunked.iFillpage, whole.iFillpage);
        for (int i = 0; i < PageStore::kPageCount; ++i)
            QCOMPARE(chunked.sPage[i], whole.sPage[i]);
    }
}

void ReaderLogicTest::pageBreaksStopAtTheLastPage()
{
    PageStore store;
    store.iPages = 1;
    QByteArray dump;
    for (int i = 0; i < 103; ++i)
        dump += "p\f";
    receiveChunk(store, dump);
    QCOMPARE(store.iFillpage, 100);
    QCOMPARE(store.iPages, 101);
    QCOMPARE(store.sPage[99], u" p"_s);
    // The last page takes the rest, form feeds as spaces.
    QCOMPARE(store.sPage[100], u" p p p "_s);
    receiveChunk(store, QByteArray("\f\fend"));
    QCOMPARE(store.iPages, 101);
    QCOMPARE(store.sPage[100], u" p p p   end"_s);
    QVERIFY(store.overflowed());

    // A hundred form feeds and nothing after them lose nothing; one byte
    // more, or one form feed more, is missing.
    QByteArray hundred;
    for (int i = 0; i < 100; ++i)
        hundred += "p\f";
    for (const auto &[tail, lost] :
         {std::pair{QByteArray(), false}, std::pair{QByteArray("x"), true},
          std::pair{QByteArray("\f"), true}, std::pair{QByteArray("\x01"), false}}) {
        PageStore full;
        full.iPages = 1;
        receiveChunk(full, hundred + tail);
        QCOMPARE(full.iFillpage, 100);
        QVERIFY2(full.overflowed() == lost, tail.toHex().constData());
    }
    // Short of the hundredth form feed nothing is missing, whatever page 100
    // holds.
    PageStore fewer;
    fewer.iFillpage = 99;
    fewer.sPage[100] = u"stale"_s;
    QVERIFY(!fewer.overflowed());
}

void ReaderLogicTest::cutOffTailCountsAsAPage()
{
    auto transfer = [](const QByteArray &dump) {
        PageStore store;
        store.iPages = 1;
        receiveChunk(store, dump);
        return store;
    };

    // A dump that ends with its form feed: the new page holds only the space.
    QVERIFY(!transfer("one\r\n\ftwo\r\n\f").fillPageCounts(true));
    // Cut off after it: the tail is a page.
    QVERIFY(transfer("one\r\n\ftwo\r\n\fthr").fillPageCounts(true));
    QVERIFY(transfer("one\r\n\f\r\n").fillPageCounts(true));
    // No form feed at all: page 0 holds what came.
    QVERIFY(transfer("no form feed").fillPageCounts(true));
    // Only bytes the table removes: nothing to show.
    QVERIFY(!transfer(QByteArray("\x01\x02", 2)).fillPageCounts(true));
    // Nothing arrived: page 0 holds the prompt, which is no page of the meter's.
    PageStore prompt;
    prompt.sPage[0] = u"Enter * 3 0 + on ZOL"_s;
    QVERIFY(!prompt.fillPageCounts(false));

    // The hundredth page may be a tail; a hundred and first may not.
    QByteArray dump;
    for (int i = 0; i < 99; ++i)
        dump += "p\f";
    PageStore store = transfer(dump + "tail");
    QCOMPARE(store.iFillpage, 99);
    QVERIFY(store.fillPageCounts(true));
    store = transfer(dump + "p\ftail");
    QCOMPARE(store.iFillpage, 100);
    QVERIFY(!store.fillPageCounts(true));
}

QTEST_APPLESS_MAIN(ReaderLogicTest)
#include "tst_readerlogic.moc"
