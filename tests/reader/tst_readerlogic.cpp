#include "languages.h"
#include "measurementsfile.h"
#include "meterdecoder.h"
#include "pagestore.h"
#include "recovery.h"
#include "settings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
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
    void reasonsInTheUsersLanguage();
    void settingsReading_data();
    void settingsReading();
    void settingsWriting();
    void settingsThatAreNoFile();
    void navigation();
    void characterTable();
    void formFeedSplitting();
    void chunkingGivesTheSamePages();
    void pageBreaksStopAtTheLastPage();
    void transferEnd_data();
    void transferEnd();
    void keptPagesReadBackExactly();
    void recoveryFilesOfLiveAndEndedPrograms();
    void promptIsNoPage();
};

void ReaderLogicTest::languageTables()
{
    LanguageTables t;
    fillLanguageTables(t);
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

    // Every entry of every table is filled, in every language.
    const LanguageTable *all[] = {
        &t.sFile,       &t.sOpen,          &t.sSave,      &t.sPrint,    &t.sThispage,
        &t.sAllpages,   &t.sExit,          &t.sComm,      &t.sPort,     &t.sStart,
        &t.sHelp,       &t.sAbout,         &t.sConnected, &t.sStop,     &t.sPrompt30,
        &t.sPrompt31,   &t.sFilter,        &t.sDefext,    &t.sErrtitle, &t.sErr101,
        &t.sErr102,     &t.sErr103,        &t.sErr104,    &t.sErr105,   &t.sErr106,
        &t.sErr107,     &t.sSaveInexact,   &t.sPortlist,  &t.sNoports,  &t.sNameVenster,
        &t.sNamePageno, &t.sNameVoortgang, &t.sNameStatus};
    for (const LanguageTable *table : all)
        for (const QString &entry : *table)
            QVERIFY(!entry.isEmpty());
    for (const QString &filter : t.sFilter)
        QVERIFY(filter.contains(u'|'));
    // The texts for the window's messages take their arguments in every
    // language.
    const std::pair<const LanguageTable *, int> withArguments[] = {
        {&t.sRecoverIncomplete, 2}, {&t.sRecoverDamaged, 2}, {&t.sRecoverRenamed, 1},
        {&t.sNotKept, 2},           {&t.sEndedEarly, 0},     {&t.sPortNotValid, 2},
        {&t.sSettingsFolder, 3}};
    for (const auto &[table, count] : withArguments) {
        for (const QString &entry : *table) {
            QVERIFY(!entry.isEmpty());
            for (int n = 1; n <= 3; ++n)
                QVERIFY2(entry.count(u"%"_s + QString::number(n)) == (n <= count ? 1 : 0),
                         qPrintable(entry));
        }
    }
    // The link's target goes into each, once.
    for (const QString &why : t.sSettingsLink)
        QVERIFY(why.count(u"%1"_s) == 1 && !why.contains(u"%2"_s));

    // The print menu's additions and error 105's reasons.
    const QStringList toPdf = {u"Naar PDF-bestand..."_s, u"To PDF file..."_s, u"In PDF-Datei..."_s,
                               u"Vers un fichier PDF..."_s};
    const QStringList preview = {u"Afdrukvoorbeeld"_s, u"Preview"_s, u"Seitenansicht"_s,
                                 u"Aperçu avant impression"_s};
    for (int language = 0; language < kLanguageCount; ++language) {
        QCOMPARE(t.sToPdf[language], toPdf.at(language));
        QCOMPARE(t.sPreview[language], preview.at(language));
        QVERIFY(t.sPdfFilter[language].endsWith(u"|*.pdf"_s));
        for (const LanguageTable *table : {&t.sNoPrinter, &t.sCannotStart, &t.sNotAccepting})
            QVERIFY(!table->at(language).isEmpty());
    }
    QCOMPARE(t.sNotAccepting[kEnglish], u"the printer does not accept jobs"_s);
    for (const LanguageTable *table :
         {&t.sNameFirstpage, &t.sNamePrevpage, &t.sNameNextpage, &t.sNameLastpage, &t.sPageOf})
        for (const QString &entry : *table)
            QVERIFY(!entry.isEmpty());

    // A page change is told with both numbers, in each language's order.
    const QStringList pageOf = {u"Pagina 3 van 5"_s, u"Page 3 of 5"_s, u"Seite 3 von 5"_s,
                                u"Page 3 sur 5"_s};
    for (int language = 0; language < kLanguageCount; ++language)
        QCOMPARE(t.sPageOf[language].arg(3).arg(5), pageOf.at(language));
    QCOMPARE(t.sNameNextpage[kDutch], u"Volgende pagina"_s);
    QCOMPARE(t.sNamePrevpage[kGerman], u"Vorherige Seite"_s);
    QCOMPARE(t.sNameLastpage[kFrench], u"Dernière page"_s);
}

void ReaderLogicTest::reasonsInTheUsersLanguage()
{
    // Every reason has all four texts, the English one its source, and no
    // reason is listed twice.
    QSet<QByteArray> seen;
    for (const ReasonText &reason : reasonTexts()) {
        const QByteArray key = QByteArray(reason.context) + '|' + reason.source;
        QVERIFY2(!seen.contains(key), key.constData());
        seen.insert(key);
        QCOMPARE(reason.text[kEnglish], QString::fromUtf8(reason.source));
        for (int language = 0; language < kLanguageCount; ++language)
            QVERIFY2(!reason.text[language].isEmpty(), key.constData());
        QVERIFY2(reason.text[kDutch] != reason.text[kEnglish], key.constData());
    }

    // The translator answers with the language's text, and leaves what it
    // does not know to the next translator (an empty answer).
    const ReasonTranslator dutch(kDutch);
    QCOMPARE(dutch.translate("zol::QtSerialPort", "the device does not exist"),
             u"het apparaat bestaat niet"_s);
    QCOMPARE(dutch.translate("zol::MeasurementsFile", "too large to be opened again"),
             u"te groot om weer te worden geopend"_s);
    QCOMPARE(ReasonTranslator(kFrench).translate("zol::MeasurementsFile", "not a file"),
             u"pas un fichier"_s);
    QCOMPARE(dutch.translate("zol::QtSerialPort", "no such reason"), QString());
    QCOMPARE(dutch.translate("zol::Elsewhere", "not a file"), QString());
    QCOMPARE(dutch.translate(nullptr, nullptr), QString());
    QCOMPARE(ReasonTranslator(99).translate("zol::MeasurementsFile", "not a file"),
             u"not a file"_s);

    // Every reason the sources write for translation has its row, so that
    // none ends an error box in English. Only the programs' own folders are
    // read: a Wine prefix in the build tree links to the whole file system.
    QStringList paths;
    for (const QString &folder : {u"reader"_s, u"platform"_s}) {
        QDirIterator files(QStringLiteral(ZOL_SOURCE_DIR) + u'/' + folder, {u"*.cpp"_s, u"*.h"_s},
                           QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext())
            paths << files.next();
    }
    static const QRegularExpression call(
        uR"re(QCoreApplication::translate\(\s*"([^"]+)"\s*,\s*"([^"]+)"\s*\))re"_s);
    int found = 0;
    for (const QString &path : std::as_const(paths)) {
        const QString relative = QDir(QStringLiteral(ZOL_SOURCE_DIR)).relativeFilePath(path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        // A call this cannot read (a text split over two literals) is a
        // reason nobody would check.
        qsizetype matched = 0;
        for (const QRegularExpressionMatch &m : call.globalMatch(text)) {
            ++found;
            ++matched;
            const QByteArray key = m.captured(1).toUtf8() + '|' + m.captured(2).toUtf8();
            QVERIFY2(seen.contains(key), qPrintable(relative + u": "_s + QString::fromUtf8(key)));
        }
        static const QRegularExpression anyCall(uR"re(QCoreApplication::translate\(\s*")re"_s);
        QVERIFY2(matched == text.count(anyCall), qPrintable(relative));
    }
    QVERIFY(found >= 8);
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
    // Byte-order marks that editors write.
    QTest::newRow("UTF-8 mark") << QByteArray("\xef\xbb\xbf 2 \r\n 4 \r\n") << 2 << 4;
    QTest::newRow("UTF-16 LE mark") << QByteArray::fromHex("fffe30000d000a003300") << 0 << 3;
    QTest::newRow("UTF-16 BE mark") << QByteArray::fromHex("feff0032000a0032") << 2 << 2;
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
    store.goToNextPage();
    QCOMPARE(store.iCurpage(), 1);
    store.goToNextPage();
    QCOMPARE(store.iCurpage(), 1);
    store.goToPreviousPage();
    store.goToPreviousPage();
    QCOMPARE(store.iCurpage(), 0);
    store.goToLastPage();
    QCOMPARE(store.iCurpage(), 1);
    QCOMPARE(store.pagesInUse().size(), 2);

    // Five pages after a transfer with five form feeds.
    store.beginTransfer(u"prompt"_s);
    store.receive("1\f2\f3\f4\f5\f");
    QCOMPARE(store.endTransfer(true, false), 5);
    QCOMPARE(store.iPages(), 3);
    store.goToLastPage();
    QCOMPARE(store.iCurpage(), 4);
    QCOMPARE(store.currentPageNumber(), 5);
    store.goToNextPage();
    QCOMPARE(store.iCurpage(), 4);
    QCOMPARE(store.pagesInUseCount(), 5);

    // A file with no page before its end: nothing moves, nothing goes below 0.
    MeasurementsRead onlyEnd;
    onlyEnd.status = MeasurementsRead::Status::Ok;
    onlyEnd.entries = {u"END\r\n"_s};
    store.replaceWith(onlyEnd);
    QCOMPARE(store.iPages(), -2);
    store.goToNextPage();
    QCOMPARE(store.iCurpage(), 0);
    store.goToLastPage();
    QCOMPARE(store.iCurpage(), 0);
    QVERIFY(store.pagesInUse().isEmpty());
    QCOMPARE(store.currentPage(), u"END\r\n"_s);

    // A damaged recovery file cannot point past the store, whatever its
    // counter and page on show.
    std::array<QString, PageStore::kPageCount> pages;
    pages[100] = u"last"_s;
    for (const auto &[counter, current] :
         {std::pair<qint16, qint16>{32767, 300}, {500, -5}, {-32768, 7}, {98, 100}}) {
        store.restore(pages, counter, current);
        QVERIFY(store.iPages() >= -2 && store.iPages() <= 98);
        QVERIFY(store.iCurpage() >= 0 && store.iCurpage() <= 99);
        store.goToLastPage();
        QVERIFY(store.iCurpage() <= 99);
        store.goToNextPage();
        QVERIFY(store.iCurpage() <= 99);
        QVERIFY(store.pagesInUse().size() <= 100);
    }
    store.restore(pages, 98, 99);
    QCOMPARE(store.iCurpage(), 99);
    store.goToPreviousPage();
    QCOMPARE(store.iCurpage(), 98);
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
    store.receive(QByteArray("A\0B\tC\x0b\x1f", 8));
    QCOMPARE(store.sPage(0), u"ABC"_s);
}

void ReaderLogicTest::formFeedSplitting()
{
    PageStore store;
    store.beginTransfer(QString());
    store.receive(QByteArray("AB\fCD"));
    QCOMPARE(store.iPages(), 2);
    QCOMPARE(store.iFillpage(), 1);
    QCOMPARE(store.sPage(0), u"AB"_s);
    QCOMPARE(store.sPage(1), u" CD"_s);

    store.receive(QByteArray("xy\r\n\f"));
    QCOMPARE(store.sPage(1), u" CDxy\r\n"_s);
    QCOMPARE(store.sPage(2), u" "_s);

    // Two form feeds in a row leave a page holding only the space.
    store.receive(QByteArray("\f\fz"));
    QCOMPARE(store.iPages(), 5);
    QCOMPARE(store.iFillpage(), 4);
    QCOMPARE(store.sPage(3), u" "_s);
    QCOMPARE(store.sPage(4), u" z"_s);
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
        store.beginTransfer(QString());
        for (qsizetype at = 0; at < dump.size(); at += size)
            store.receive(dump.mid(at, size));
        return store;
    };
    const PageStore whole = receiveInChunks(int(dump.size()));
    QCOMPARE(whole.iPages(), 8);
    QCOMPARE(whole.sPage(0), u"ZOL meter   page 0\r\nEiken éèüí 12.5 %\r\n"_s);
    QCOMPARE(whole.sPage(7), u" tail without form feed"_s);
    for (int size : {1, 7, 64}) {
        const PageStore chunked = receiveInChunks(size);
        QCOMPARE(chunked.iPages(), whole.iPages());
        QCOMPARE(chunked.iFillpage(), whole.iFillpage());
        for (int i = 0; i < PageStore::kPageCount; ++i)
            QCOMPARE(chunked.sPage(i), whole.sPage(i));
    }
}

void ReaderLogicTest::pageBreaksStopAtTheLastPage()
{
    PageStore store;
    store.beginTransfer(QString());
    QByteArray dump;
    for (int i = 0; i < 103; ++i)
        dump += "p\f";
    store.receive(dump);
    QCOMPARE(store.iFillpage(), 100);
    QCOMPARE(store.iPages(), 101);
    QCOMPARE(store.sPage(99), u" p"_s);
    // The last page takes the rest, form feeds as spaces.
    QCOMPARE(store.sPage(100), u" p p p "_s);
    store.receive(QByteArray("\f\fend"));
    QCOMPARE(store.iPages(), 101);
    QCOMPARE(store.sPage(100), u" p p p   end"_s);
    QVERIFY(store.overflowed());

    // A hundred form feeds and nothing after them lose nothing; one
    // character more is missing, a page break or white space more is not.
    QByteArray hundred;
    for (int i = 0; i < 100; ++i)
        hundred += "p\f";
    for (const auto &[tail, lost] :
         {std::pair{QByteArray(), false}, std::pair{QByteArray("x"), true},
          std::pair{QByteArray("\f"), false}, std::pair{QByteArray("\fx"), true},
          std::pair{QByteArray("\x01"), false}}) {
        PageStore full;
        full.beginTransfer(QString());
        full.receive(hundred + tail);
        QCOMPARE(full.iFillpage(), 100);
        QVERIFY2(full.overflowed() == lost, tail.toHex().constData());
    }
    // Short of the hundredth form feed nothing is missing, and white space
    // after it is no page that went missing.
    QByteArray ninetyNine;
    for (int i = 0; i < 99; ++i)
        ninetyNine += "p\f";
    PageStore fewer;
    fewer.beginTransfer(QString());
    fewer.receive(ninetyNine + "tail");
    QVERIFY(!fewer.overflowed());
    PageStore blank;
    blank.beginTransfer(QString());
    blank.receive(hundred + "\r\n \r\n");
    QVERIFY(!blank.overflowed());
}

void ReaderLogicTest::transferEnd_data()
{
    QTest::addColumn<QByteArray>("dump");
    QTest::addColumn<bool>("lineLost");
    QTest::addColumn<int>("stop");

    QTest::newRow("ends with its form feed") << QByteArray("one\r\n\ftwo\r\n\f") << false << 2;
    // A meter that sends a line end after its last page brings no page more.
    QTest::newRow("blank tail") << QByteArray("one\r\n\ftwo\r\n\f\r\n") << false << 2;
    QTest::newRow("blank tail of spaces") << QByteArray("one\f \t \r\n") << false << 1;
    // Cut off after the form feed: the tail is a page.
    QTest::newRow("tail with text") << QByteArray("one\r\n\ftwo\r\n\fthr") << false << 3;
    // The line went while the next page began: what little came is kept.
    QTest::newRow("blank tail, line lost") << QByteArray("one\r\n\f\r\n") << true << 2;
    QTest::newRow("form feed only, line lost") << QByteArray("one\r\n\f") << true << 1;
    // No form feed at all: page 0 holds what came.
    QTest::newRow("no form feed") << QByteArray("no form feed") << false << 1;
    // Only bytes the table removes: nothing to show.
    QTest::newRow("removed bytes only") << QByteArray("\x01\x02", 2) << false << 0;

    // The hundredth page may be a tail; a hundred and first may not.
    QByteArray dump;
    for (int i = 0; i < 99; ++i)
        dump += "p\f";
    QTest::newRow("hundredth page a tail") << dump + "tail" << false << 100;
    QTest::newRow("hundred and first a tail") << dump + "p\ftail" << false << 100;
}

void ReaderLogicTest::transferEnd()
{
    QFETCH(QByteArray, dump);
    QFETCH(bool, lineLost);
    QFETCH(int, stop);

    // The window empties page 0, which held the prompt, when data come.
    PageStore store;
    store.beginTransfer(QString());
    store.receive(dump);
    QCOMPARE(int(store.endTransfer(true, lineLost)), stop);
    // The pages in use are exactly the pages the status bar counted.
    QCOMPARE(store.pagesInUseCount(), std::min(stop, 100));
    QCOMPARE(int(store.iPages()), std::min(stop, 100) - 2);
}

void ReaderLogicTest::promptIsNoPage()
{
    // Nothing arrived: page 0 holds the prompt, which is no page of the meter's.
    PageStore store;
    store.beginTransfer(u"Enter * 3 0 + on ZOL"_s);
    QCOMPARE(store.sPage(0), u"Enter * 3 0 + on ZOL"_s);
    QCOMPARE(store.endTransfer(false, false), 0);
    QCOMPARE(store.iPages(), -2);
    QCOMPARE(store.currentPage(), u"Enter * 3 0 + on ZOL"_s);
}

void ReaderLogicTest::keptPagesReadBackExactly()
{
    KeptPages kept;
    kept.savedAt = QDateTime(QDate(2026, 12, 8), QTime(14, 5));
    kept.pages[0] = u"Eik é\r\n\f line that is no separator\rlone CR"_s;
    kept.pages[1] = u"END is text here"_s;
    kept.pages[100] = u"overflow"_s;
    kept.counter = -1;
    kept.current = 1;
    kept.fileName = u"/home/tech/Schröder.vmt"_s;
    const QByteArray bytes = encodeKeptPages(kept);
    const std::optional<KeptPages> back = decodeKeptPages(bytes);
    QVERIFY(back);
    QCOMPARE(back->savedAt, kept.savedAt);
    QCOMPARE(back->pages, kept.pages);
    QCOMPARE(back->counter, kept.counter);
    QCOMPARE(back->current, kept.current);
    QCOMPARE(back->fileName, kept.fileName);

    // Anything less than a whole file is no recovery file: cut anywhere, a
    // byte more, or another kind of file.
    for (qsizetype cut = 0; cut < bytes.size(); cut += 7)
        QVERIFY2(!decodeKeptPages(bytes.left(cut)), qPrintable(QString::number(cut)));
    QVERIFY(!decodeKeptPages(bytes + 'x'));
    QVERIFY(!decodeKeptPages(QByteArray("ZOL 0000\r\nEND\r\n-2\r\n")));
    QByteArray otherVersion = bytes;
    otherVersion[5] = 2;
    QVERIFY(!decodeKeptPages(otherVersion));
}

void ReaderLogicTest::recoveryFilesOfLiveAndEndedPrograms()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"kept"_s);
    KeptPages kept;
    kept.savedAt = QDateTime::currentDateTime();
    kept.pages[0] = u"first program's page"_s;

    auto first = std::make_unique<RecoveryFiles>(folder);
    QString reason;
    QVERIFY2(first->write(kept, &reason), qPrintable(reason));
    kept.pages[0] = u"first program's page, edited"_s;
    QVERIFY2(first->write(kept, &reason), qPrintable(reason));
    QCOMPARE(QDir(folder).entryList({u"*.zolrecovery"_s}, QDir::Files).size(), 1);

    // A second program started beside it does not take its file.
    RecoveryFiles second(folder);
    QVERIFY(!second.takeOrphan());

    // Once the first has ended without giving its pages up, they are offered,
    // as last written, and to one program only.
    first.reset();
    std::optional<KeptPages> offered = second.takeOrphan();
    QVERIFY(offered);
    QCOMPARE(offered->pages[0], u"first program's page, edited"_s);
    RecoveryFiles third(folder);
    QVERIFY(!third.takeOrphan());

    // Adopted: the second program's own copy stays, the old one goes.
    QVERIFY(second.write(*offered, &reason));
    second.dropOrphan();
    QCOMPARE(QDir(folder).entryList({u"*.zolrecovery"_s}, QDir::Files).size(), 1);
    QVERIFY(!third.takeOrphan());
    second.remove();
    QVERIFY(QDir(folder).entryList({u"*.zolrecovery"_s}, QDir::Files).isEmpty());
    QVERIFY(!third.takeOrphan());

    // A folder that cannot be made: told, nothing written.
    QFile blocker(dir.filePath(u"file"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    RecoveryFiles nowhere(dir.filePath(u"file/kept"_s));
    QVERIFY(!nowhere.write(kept, &reason));
    QVERIFY(!reason.isEmpty());
}

QTEST_APPLESS_MAIN(ReaderLogicTest)
#include "tst_readerlogic.moc"
