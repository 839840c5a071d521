#include "controls.h"
#include "filedialog.h"
#include "filedialogs.h"
#include "measurementsfile.h"
#include "messagebox.h"
#include "messageboxkeys.h"
#include "ordinaryuser.h"
#include "progressbar.h"
#include "readerfixture.h"
#include "testfiles.h"
#include "textbox.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

using Status = MeasurementsRead::Status;

namespace {

QByteArray fileOf(int pages)
{
    QByteArray bytes = "ZOL 0000\r\n";
    for (int i = 0; i < pages; ++i)
        bytes += "page " + QByteArray::number(i + 1) + "\r\n\f\r\n";
    return bytes + "END\r\n" + QByteArray::number(pages - 2) + "\r\n";
}

QStringList pagesNamed(int count)
{
    QStringList pages;
    for (int i = 1; i <= count; ++i)
        pages << u"page %1"_s.arg(i);
    return pages;
}

} // namespace

class MeasurementsFileTest : public QObject
{
    Q_OBJECT

private slots:
    void writtenBytes_data();
    void writtenBytes();
    void readingPagesAndEnd_data();
    void readingPagesAndEnd();
    void refusedFiles_data();
    void refusedFiles();
    void pageLimits_data();
    void pageLimits();
    void roundTripsGiveTheSameBytes();
    void pagesStoredExactly();
    void pagesThatCannotBeStoredExactly_data();
    void pagesThatCannotBeStoredExactly();
    void saveAsksBeforeAnInexactPage();
    void keysOnTheInexactQuestion_data();
    void keysOnTheInexactQuestion();
    void openAndSaveInTheWindow();
    void failedOpensChangeNothing_data();
    void failedOpensChangeNothing();
    void failedSavesChangeNothing();
    void realDialogAddsTheExtension();
    void pipesDevicesAndLargeFiles();
};

namespace {

// Pages that a file keeps exactly as they are.
const QStringList kExactPages = {u"Meter ZOL 5\r\nEik 12,5 %\r\n"_s,
                                 QString(),
                                 u"first line\r\nEND in a later line\r\n"_s,
                                 u"form\ffeed inside a line"_s,
                                 u" END after a space, € ä"_s,
                                 u"\r\n\r\n"_s};

} // namespace

void MeasurementsFileTest::writtenBytes_data()
{
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("two empty pages") << QStringList{QString(), QString()}
                                     << QByteArray("ZOL 0000\r\n\r\n\f\r\n\r\n\f\r\nEND\r\n0\r\n");
    QTest::newRow("no page") << QStringList() << QByteArray("ZOL 0000\r\nEND\r\n-2\r\n");
    QTest::newRow("five pages") << pagesNamed(5)
                                << QByteArray("ZOL 0000\r\npage 1\r\n\f\r\npage 2\r\n\f\r\n"
                                              "page 3\r\n\f\r\npage 4\r\n\f\r\npage 5\r\n\f\r\n"
                                              "END\r\n3\r\n");
    // Accents as Windows-1252 bytes; what the code page lacks becomes '?'.
    QTest::newRow("Windows-1252")
        << QStringList{u"Eik é ü €\r\nΩ"_s}
        << QByteArray("ZOL 0000\r\nEik \xe9 \xfc \x80\r\n?\r\n\f\r\nEND\r\n-1\r\n");
}

void MeasurementsFileTest::writtenBytes()
{
    QFETCH(QStringList, pages);
    QFETCH(QByteArray, bytes);
    QCOMPARE(formatMeasurements(pages), bytes);
}

void MeasurementsFileTest::readingPagesAndEnd_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("counter");
    QTest::addColumn<QList<int>>("progress");

    QTest::newRow("five pages") << fileOf(5) << pagesNamed(5) + QStringList{u"END\r\n"_s} << 3
                                << QList<int>{2, 3, 4, 5, 6, 7};
    QTest::newRow("no page") << QByteArray("ZOL 0000\r\nEND\r\n-2\r\n") << QStringList{u"END\r\n"_s}
                             << -2 << QList<int>{2};
    // Every line end is one, as editors on other systems leave them; "END"
    // counts only first in a page.
    QTest::newRow("line ends and END")
        << QByteArray("ZOL 0000\ra\nb\rEND here\r\n\f\nENDING\r\nlater\r\n\f\r\nEND\r\n")
        << QStringList{u"a\r\nb\r\nEND here"_s, u"ENDING\r\n"_s} << -1 << QList<int>{2, 3};
    QTest::newRow("LF") << QByteArray("ZOL 0000\na\nb\n\f\nEND\n-1\n")
                        << QStringList{u"a\r\nb"_s, u"END\r\n"_s} << -1 << QList<int>{2, 3};
    // Bytes 0x80-0x9F read as Windows-1252.
    QTest::newRow("Windows-1252") << QByteArray("ZOL 0000\r\n\x80\xe9\r\n\f\r\nEND\r\n")
                                  << QStringList{u"€é"_s, u"END\r\n"_s} << -1 << QList<int>{2, 3};
}

void MeasurementsFileTest::readingPagesAndEnd()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    QFETCH(int, counter);
    QFETCH(QList<int>, progress);

    QList<int> shown;
    const MeasurementsRead read = readMeasurements(bytes, [&](int v) { shown << v; });
    QCOMPARE(read.status, Status::Ok);
    QCOMPARE(read.entries, entries);
    QCOMPARE(read.counter(), counter);
    QCOMPARE(shown, progress);
}

void MeasurementsFileTest::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Status>("status");

    QTest::newRow("empty") << QByteArray("") << Status::WrongHeader;
    QTest::newRow("space after the header")
        << QByteArray("ZOL 0000 \r\nEND\r\n") << Status::WrongHeader;
    QTest::newRow("lower case header") << QByteArray("zol 0000\r\nEND\r\n") << Status::WrongHeader;
    QTest::newRow("binary") << QByteArray("\0\xff\x01", 3) << Status::WrongHeader;
    QTest::newRow("header alone") << QByteArray("ZOL 0000\r\n") << Status::Truncated;
    QTest::newRow("page without its break")
        << QByteArray("ZOL 0000\r\npage 1\r\n") << Status::Truncated;
    QTest::newRow("no END") << QByteArray("ZOL 0000\r\npage 1\r\n\f\r\n") << Status::Truncated;
    // A whole file cut anywhere before its END.
    const QByteArray whole = fileOf(4);
    for (qsizetype cut = 10; cut < whole.size() - 8; cut += 3)
        QTest::addRow("cut at %d", int(cut)) << whole.left(cut) << Status::Truncated;
}

void MeasurementsFileTest::refusedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Status, status);
    const MeasurementsRead read = readMeasurements(bytes);
    QCOMPARE(read.status, status);
    QVERIFY(read.entries.isEmpty());
}

void MeasurementsFileTest::pageLimits_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<Status>("status");
    QTest::addColumn<int>("counter");

    QTest::newRow("99 pages") << 99 << Status::Ok << 97;
    // A file of 100 pages, which Save writes, fills the store exactly.
    QTest::newRow("100 pages") << 100 << Status::Ok << 98;
    QTest::newRow("101 pages") << 101 << Status::TooManyPages << -3;
    QTest::newRow("500 pages") << 500 << Status::TooManyPages << -3;
}

void MeasurementsFileTest::pageLimits()
{
    QFETCH(int, pages);
    QFETCH(Status, status);
    QFETCH(int, counter);
    const MeasurementsRead read = readMeasurements(fileOf(pages));
    QCOMPARE(read.status, status);
    // Every page and the end page, or nothing at all.
    QCOMPARE(read.entries.size(), status == Status::Ok ? pages + 1 : 0);
    QCOMPARE(read.counter(), counter);
}

void MeasurementsFileTest::roundTripsGiveTheSameBytes()
{
    ReaderFixture w;
    const PageStore &pages = w.pages();
    // Three pages in use after a transfer, each then written in the page window.
    w.read("\f\f\f");
    QCOMPARE(pages.iPages(), 1);
    w->cmdFirstpage_Click();
    w.type(u"Meter ZOL 5\r\nEik é  12,5 %\r\n"_s);
    w->cmdNextpage_Click();
    w.type(QString());
    w->cmdNextpage_Click();
    w.type(u" Beuk\r\n\r\n"_s);
    w.save(u"first.mcs"_s);
    const QByteArray first = readFile(w.path(u"first.mcs"_s));
    QCOMPARE(first, QByteArray("ZOL 0000\r\nMeter ZOL 5\r\nEik \xe9  12,5 %\r\n\r\n\f\r\n\r\n\f\r\n"
                               " Beuk\r\n\r\n\r\n\f\r\nEND\r\n1\r\n"));
    w.openFile(u"first.mcs"_s);
    QVERIFY(w.boxes.shown.isEmpty());
    QCOMPARE(pages.iPages(), 1);
    QCOMPARE(pages.sPage(0), u"Meter ZOL 5\r\nEik é  12,5 %\r\n"_s);
    QCOMPARE(pages.sPage(3), u"END\r\n"_s);
    w.save(u"second.mcs"_s);
    QCOMPARE(readFile(w.path(u"second.mcs"_s)), first);
    // The longest name a folder takes, made and then replaced.
    const QString longest = QString(251, u'l') + u".mcs"_s;
    w.save(longest);
    w.save(longest);
    QCOMPARE(readFile(w.path(longest)), first);

    // A store of 100 pages in use saves and opens again.
    // A transfer fills them all; the page breaks stop at the last page.
    w.read(QByteArray(100, '\f'));
    QCOMPARE(pages.iPages(), 98);
    w->cmdFirstpage_Click();
    for (int i = 0; i < 100; ++i) {
        w.type(u"p%1"_s.arg(i));
        w->cmdNextpage_Click();
    }
    w.save(u"full.mcs"_s);
    w.openFile(u"full.mcs"_s);
    QVERIFY(w.boxes.shown.isEmpty());
    QCOMPARE(pages.iPages(), 98);
    QCOMPARE(pages.sPage(99), u"p99"_s);
    QCOMPARE(pages.sPage(100), u"END\r\n"_s);
    w.save(u"full2.mcs"_s);
    QCOMPARE(readFile(w.path(u"full2.mcs"_s)), readFile(w.path(u"full.mcs"_s)));
}

void MeasurementsFileTest::pagesStoredExactly()
{
    QVERIFY(!firstInexactPage(kExactPages));
    QVERIFY(!firstInexactPage({}));
    // And what it lets through does read back the same.
    QCOMPARE(readMeasurements(formatMeasurements(kExactPages)).entries.first(kExactPages.size()),
             kExactPages);
    // The first of several is named.
    QCOMPARE(firstInexactPage({u"a"_s, u"b\rc"_s, u"END"_s}).value_or(-1), 1);
    // Past the pages a file holds, the first one beyond them.
    QStringList many(101, u"p"_s);
    QCOMPARE(firstInexactPage(many).value_or(-1), 100);
    many[40] = u"END"_s;
    QCOMPARE(firstInexactPage(many).value_or(-1), 40);
}

void MeasurementsFileTest::pagesThatCannotBeStoredExactly_data()
{
    QTest::addColumn<QString>("page");

    QTest::newRow("END alone") << u"END"_s;
    QTest::newRow("END first in a longer line") << u"ENDE 12,5 %\r\nmore"_s;
    QTest::newRow("a page break inside") << u"one\r\n\f\r\ntwo"_s;
    QTest::newRow("a form feed alone") << u"\f"_s;
    QTest::newRow("lone CR") << u"lone\rCR"_s;
    QTest::newRow("lone LF") << u"lone\nLF"_s;
    QTest::newRow("ends with CR") << u"ends with CR\r"_s;
    QTest::newRow("outside Windows-1252") << u"Łódź"_s;
}

void MeasurementsFileTest::pagesThatCannotBeStoredExactly()
{
    QFETCH(QString, page);
    QStringList pages = kExactPages;
    pages.insert(3, page);
    QCOMPARE(firstInexactPage(pages).value_or(-1), 3);
    QVERIFY(readMeasurements(formatMeasurements(pages)).entries.value(3) != page);
}

// Save asks before writing such a page, and No writes nothing.
void MeasurementsFileTest::saveAsksBeforeAnInexactPage()
{
    ReaderFixture w;
    w.read("\f\f\f");
    QCOMPARE(w.pages().iPages(), 1);
    w->cmdFirstpage_Click();
    w.type(u"ZOL 5"_s);
    w->cmdNextpage_Click();
    w.type(u"END of the day\r\n12,5 %"_s);
    QVERIFY(!w.writeFile(u"old.mcs"_s, "older file").isEmpty());
    w.boxes.answers = {false, false};
    w.save(u"new.mcs"_s);
    w.save(u"old.mcs"_s);
    QCOMPARE(w.boxes.shown.size(), 2);
    for (const auto &shown : std::as_const(w.boxes.shown)) {
        QVERIFY(shown.question);
        // A question, not an error.
        QCOMPARE(shown.title, u"ZOL Print"_s);
        QCOMPARE(shown.text, u"Page 2 cannot be stored exactly. Save anyway?"_s);
        QCOMPARE(shown.defaultAnswer, MessageBoxes::Answer::No);
    }
    QVERIFY(!QFile::exists(w.path(u"new.mcs"_s)));
    QCOMPARE(readFile(w.path(u"old.mcs"_s)), QByteArray("older file"));
    // Yes saves as before.
    w.boxes.answers = {true};
    w.save(u"old.mcs"_s);
    QCOMPARE(w.boxes.shown.size(), 3);
    QCOMPARE(readFile(w.path(u"old.mcs"_s)), formatMeasurements(w.pages().pagesInUse()));
    // Pages that read back the same are saved without a question.
    w.type(u"Beuk 14,1 %"_s);
    w.save(u"new.mcs"_s);
    QCOMPARE(w.boxes.shown.size(), 3);
    QCOMPARE(readFile(w.path(u"new.mcs"_s)), formatMeasurements(w.pages().pagesInUse()));
}

void MeasurementsFileTest::keysOnTheInexactQuestion_data()
{
    addKeysOnASafeQuestionRows();
}

// The real window and the real question.
void MeasurementsFileTest::keysOnTheInexactQuestion()
{
    QFETCH(QList<int>, keys);
    QFETCH(bool, yes);

    QtMessageBoxes boxes;
    ReaderFixture w;
    w.withMessageBoxes(boxes);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window()));
    w.read("one\r\n\ftwo\r\n\f");
    w.type(u"END of the day\r\n12,5 %"_s);
    const QString old = w.writeFile(u"old.mcs"_s, "older file");
    QVERIFY(!old.isEmpty());

    for (const QString &name : {u"old.mcs"_s, u"new.mcs"_s}) {
        MessageBoxKeys answer(keys);
        w.save(name);
        QVERIFY(answer.seen());
        QVERIFY(answer.closedByKeys());
        QCOMPARE(answer.defaultButton(), QMessageBox::No);
        QCOMPARE(answer.focusButton(), QMessageBox::No);
    }
    const QByteArray pages = formatMeasurements(w.pages().pagesInUse());
    QCOMPARE(readFile(old), yes ? pages : QByteArray("older file"));
    QCOMPARE(readFile(w.path(u"new.mcs"_s)), yes ? pages : QByteArray("<missing>"));
}

void MeasurementsFileTest::openAndSaveInTheWindow()
{
    ReaderFixture w;
    QVERIFY(!w.writeFile(u"five.mcs"_s, fileOf(5)).isEmpty());
    // The fourth of five received pages on show.
    w.read("\f\f\f\f\f");
    w->cmdLastpage_Click();
    w->cmdPrevpage_Click();
    QCOMPARE(w.pages().iCurpage(), 3);
    w.openFile(u"five.mcs"_s);
    QCOMPARE(
        w.dialog.calls.last(),
        u"open Moisture measurements|*.mcs|All measurement files|*.vmt;*.mcs;*.fms;*.mdh *.mcs"_s);
    QCOMPARE(w.pages().iPages(), 3);
    QCOMPARE(w.pages().iCurpage(), 0);
    QCOMPARE(control<QLineEdit>(w.window(), u"txtPageno"_s)->text(), u"1"_s);
    QCOMPARE(w.shownPage(), u"page 1"_s);
    QCOMPARE(control<ProgressBar>(w.window(), u"pbVoortgang"_s)->value(), 0);
    w->cmdLastpage_Click();
    QCOMPARE(w.shownPage(), u"page 5"_s);

    // Only "ZOL 0000" and "END": no page in use, the window shows the end page.
    QVERIFY(w.open("ZOL 0000\r\nEND\r\n"));
    QCOMPARE(w.pages().iPages(), -2);
    QCOMPARE(w.shownPage(), u"END\r\n"_s);

    w.save(u"out.mcs"_s);
    QCOMPARE(
        w.dialog.calls.last(),
        u"save Moisture measurements|*.mcs|All measurement files|*.vmt;*.mcs;*.fms;*.mdh *.mcs "_s +
            w.path(u"pages.mcs"_s));
    QCOMPARE(readFile(w.path(u"out.mcs"_s)), QByteArray("ZOL 0000\r\nEND\r\n-2\r\n"));
}

void MeasurementsFileTest::failedOpensChangeNothing_data()
{
    QTest::addColumn<QString>("name"); // empty: the dialog is cancelled
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message"); // empty: none

    const QString wrongVersion = u"ZOL Print error: Error 101 - Wrong version"_s;
    const QString loading = u"ZOL Print error: Error 102 - Error during loading"_s;
    QTest::newRow("cancelled") << QString() << QByteArray() << QString();
    QTest::newRow("lower case header")
        << u"lower.mcs"_s << QByteArray("zol 0000\r\nEND\r\n") << wrongVersion;
    QTest::newRow("cut short") << u"short.mcs"_s << fileOf(4).left(30) << loading;
    QTest::newRow("101 pages") << u"big.mcs"_s << fileOf(101) << loading;
    // %1: the file's path, %2 the system's words for a file not there.
    QTest::newRow("missing") << u"missing.mcs"_s << QByteArray() << loading + u"\r\n%1\r\n%2"_s;
}

void MeasurementsFileTest::failedOpensChangeNothing()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);

    ReaderFixture w;
    QVERIFY(w.open(fileOf(3)));
    w->cmdNextpage_Click();
    const auto before = w.pages().allPages();

    if (!bytes.isEmpty())
        QVERIFY(!w.writeFile(name, bytes).isEmpty());
    if (name.isEmpty())
        w->mOpen_Click();
    else
        w.openFile(name);
    if (message.contains(u"%1"_s)) {
#ifdef Q_OS_UNIX
        const QString noSuchFile = u"No such file or directory"_s;
#else
        QFile absent(w.path(name));
        const QString noSuchFile =
            absent.open(QIODevice::ReadOnly) ? QString() : absent.errorString();
#endif
        message = message.arg(QDir::toNativeSeparators(w.path(name)), noSuchFile);
    }
    QCOMPARE(w.messages(), message.isEmpty() ? QStringList() : QStringList{message});
    for (const auto &shown : std::as_const(w.boxes.shown))
        QCOMPARE(shown.icon, MessageBoxes::Icon::None);
    QVERIFY(w.pages().allPages() == before);
    QCOMPARE(w.pages().iPages(), 1);
    QCOMPARE(w.pages().iCurpage(), 1);
    QCOMPARE(w.shownPage(), u"page 2"_s);
    QCOMPARE(control<QLineEdit>(w.window(), u"txtPageno"_s)->text(), u"2"_s);
    QCOMPARE(control<ProgressBar>(w.window(), u"pbVoortgang"_s)->value(), 0);
}

void MeasurementsFileTest::failedSavesChangeNothing()
{
    ReaderFixture w;
    const PageStore &pages = w.pages();
    QVERIFY(w.open(fileOf(3)));
    w->cmdNextpage_Click();
    const auto before = pages.allPages();
    auto unchanged = [&] {
        return pages.allPages() == before && pages.iPages() == 1 && pages.iCurpage() == 1 &&
               w.shownPage() == u"page 2"_s &&
               control<QLineEdit>(w.window(), u"txtPageno"_s)->text() == u"2"_s;
    };

    // A cancelled dialog writes nothing.
    w->mSave_Click();
    QCOMPARE(QDir(w.dir.path()).entryList(QDir::Files), QStringList({u"pages.mcs"_s}));
    QVERIFY(w.boxes.shown.isEmpty());

    // A save that fails says so and leaves an older file of that name intact.
    QVERIFY(!w.writeFile(u"old.mcs"_s, "older file").isEmpty());
#ifndef Q_OS_WIN
    // Windows has no device that is always full.
    w.save(u"/dev/full"_s);
    QCOMPARE(w.messages().value(0),
             u"ZOL Print error: Error 104 - Error during saving\r\nNo space left on device"_s);
    // Written to, not replaced by a regular file.
    QVERIFY(!QFileInfo(u"/dev/full"_s).isFile());
    w.boxes.shown.clear();
#endif
    w.save(u"pages.mcs/inside.mcs"_s);
    QCOMPARE(w.boxes.shown.size(), 1);
    QCOMPARE(readFile(w.path(u"old.mcs"_s)), QByteArray("older file"));
    QVERIFY(unchanged());
    w.boxes.shown.clear();

#ifdef Q_OS_UNIX
    // A folder the user may not write in, with an older file in it.
    const QString locked = w.path(u"locked"_s);
    QVERIFY(QDir().mkdir(locked));
    QVERIFY(writeFile(locked + u"/old.mcs"_s, "older file"));
    QVERIFY(QFile::setPermissions(w.dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                    QFile::ExeOwner | QFile::ReadOther |
                                                    QFile::ExeOther));
    QVERIFY(denyAccess(locked));
    for (const QString &name : {u"/new.mcs"_s, u"/old.mcs"_s}) {
        AsOrdinaryUser user;
        QVERIFY2(user.failure().isEmpty(), qPrintable(user.failure()));
        w.save(locked + name);
    }
    QCOMPARE(w.boxes.shown.size(), 2);
    QVERIFY2(
        w.messages().last().startsWith(u"ZOL Print error: Error 104 - Error during saving\r\n"_s) &&
            w.messages().last().contains(u"ermission denied"_s),
        qPrintable(w.messages().last()));
    QCOMPARE(QDir(locked).entryList(QDir::Files), QStringList{u"old.mcs"_s});
    QCOMPARE(readFile(locked + u"/old.mcs"_s), QByteArray("older file"));
    QVERIFY(unchanged());
    // The same window saves there once it may.
    QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    w.save(locked + u"/old.mcs"_s);
    QCOMPARE(w.boxes.shown.size(), 2);
    QCOMPARE(readFile(locked + u"/old.mcs"_s), formatMeasurements(pages.pagesInUse()));

    // A file the user may not write is not replaced, although its folder
    // would allow that.
    const QString readOnly = locked + u"/read-only.mcs"_s;
    QVERIFY(writeFile(readOnly, "kept"));
    QVERIFY(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadOther));
    QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadOther | QFile::WriteOther |
                                              QFile::ExeOther));
    {
        AsOrdinaryUser user;
        QVERIFY2(user.failure().isEmpty(), qPrintable(user.failure()));
        w.save(readOnly);
    }
    QVERIFY2(w.messages().last() ==
                 u"ZOL Print error: Error 104 - Error during saving\r\nPermission denied"_s,
             qPrintable(w.messages().last()));
    QCOMPARE(readFile(readOnly), QByteArray("kept"));
    QCOMPARE(QDir(locked).entryList(QDir::Files), QStringList({u"old.mcs"_s, u"read-only.mcs"_s}));
    QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
#endif
}

void MeasurementsFileTest::realDialogAddsTheExtension()
{
    QCOMPARE(toQtNameFilter(u"Vochtmetingen|*.vmt"_s), u"Vochtmetingen (*.vmt)"_s);
    QCOMPARE(toDefaultSuffix(u"*.mdh"_s), u"mdh"_s);

    QTemporaryDir dir;
    QtFileDialog dialog;
    whenFileDialogOpens([&dir](QFileDialog &box) { acceptTyped(box, u"meting"_s, dir.path()); });
    const std::optional<QString> chosen =
        dialog.getSaveFileName(nullptr, u"Vochtmetingen|*.vmt"_s, u"*.vmt"_s, QString());
    QVERIFY(chosen);
    QCOMPARE(QFileInfo(*chosen).fileName(), u"meting.vmt"_s);
    QCOMPARE(dialog.lastFileName(), *chosen);

    // The next dialog offers that name again; a cancel gives no name and
    // keeps the last one.
    QStringList offered;
    QString filter;
    whenFileDialogOpens([&offered, &filter](QFileDialog &box) {
        offered = box.selectedFiles();
        filter = box.selectedNameFilter();
    });
    QVERIFY(!dialog.getOpenFileName(nullptr, u"Messure de l'humidité|*.mdh"_s, u"*.mdh"_s));
    QCOMPARE(offered, QStringList({*chosen}));
    QCOMPARE(filter, u"Messure de l'humidité (*.mdh)"_s);
    QCOMPARE(dialog.lastFileName(), *chosen);

    // Save proposes the file the pages came from, in its own folder, before
    // the name last chosen.
    QVERIFY(QDir(dir.path()).mkdir(u"client"_s));
    const QString opened = dir.filePath(u"client/oak.vmt"_s);
    QString folder;
    whenFileDialogOpens([&offered, &folder](QFileDialog &box) {
        offered = box.selectedFiles();
        folder = box.directory().absolutePath();
    });
    QVERIFY(!dialog.getSaveFileName(nullptr, u"Vochtmetingen|*.vmt"_s, u"*.vmt"_s, opened));
    QCOMPARE(offered, QStringList({opened}));
    QCOMPARE(folder, QFileInfo(opened).absolutePath());
}

void MeasurementsFileTest::pipesDevicesAndLargeFiles()
{
    using S = MeasurementsRead::Status;
    QTemporaryDir dir;
    const QString good = dir.filePath(u"good.vmt"_s);
    QVERIFY(writeFile(good, fileOf(5)));
    QCOMPARE(readMeasurementsFile(good).status, S::Ok);
    QCOMPARE(readMeasurementsFile(good).entries, readMeasurements(fileOf(5)).entries);
    QVERIFY(readMeasurementsFile(good).couldBeRead());

    // A file that cannot be read at all is named, with the reason; a file
    // without the header keeps error 101 alone.
    const MeasurementsErrors errors{u"Error 101 - Wrong version"_s,
                                    u"Error 102 - Error during loading"_s};
    const QString missing = dir.filePath(u"missing.vmt"_s);
#ifdef Q_OS_UNIX
    const QString noSuchFile = u"No such file or directory"_s;
#else
    QFile absent(missing);
    QVERIFY(!absent.open(QIODevice::ReadOnly));
    const QString noSuchFile = absent.errorString();
#endif
    QCOMPARE(measurementsReadError(readMeasurementsFile(missing), missing, errors),
             u"Error 102 - Error during loading\r\n"_s + QDir::toNativeSeparators(missing) +
                 u"\r\n"_s + noSuchFile);
    QCOMPARE(readMeasurementsFile(dir.path()).unreadable, u"a folder, not a file"_s);
    const QString headless = dir.filePath(u"headless.vmt"_s);
    QVERIFY(writeFile(headless, "ZOL 0001\r\nEND\r\n"));
    QVERIFY(readMeasurementsFile(headless).couldBeRead());
    QCOMPARE(measurementsReadError(readMeasurementsFile(headless), headless, errors),
             errors.wrongHeader);
    QCOMPARE(measurementsReadError(readMeasurementsFile(good), good, errors), QString());

    QBuffer buffer;
    buffer.setData(fileOf(3));
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(readMeasurements(buffer).counter(), 1);

    // A file larger than any store of pages is refused without reading on.
    QByteArray large = fileOf(2);
    large.insert(10, QByteArray(kMaxMeasurementsFileSize, 'x'));
    const QString big = dir.filePath(u"big.vmt"_s);
    QVERIFY(writeFile(big, large));
    QCOMPARE(readMeasurementsFile(big).status, S::TooManyPages);
    QCOMPARE(measurementsReadError(readMeasurementsFile(big), big, errors), errors.loading);
    QVERIFY(QFile::remove(big));

    // Pages that make a file past that limit are not saved, and an older
    // file stays; just below the limit the file saves and opens again.
    QVERIFY(writeFile(big, "older file"));
    const qsizetype frame = formatMeasurements({QString()}).size();
    const QStringList tooLarge = {QString(kMaxMeasurementsFileSize - frame + 1, u'x')};
    QString why;
    QVERIFY(!saveMeasurements(big, tooLarge, &why));
    QVERIFY(!why.isEmpty());
    QCOMPARE(readFile(big), QByteArray("older file"));
    const QStringList largest = {QString(kMaxMeasurementsFileSize - frame, u'x')};
    QVERIFY2(saveMeasurements(big, largest, &why), qPrintable(why));
    QCOMPARE(QFileInfo(big).size(), kMaxMeasurementsFileSize);
    QCOMPARE(readMeasurementsFile(big).entries.first(), largest.first());
    QVERIFY(QFile::remove(big));

#ifdef Q_OS_UNIX
    // Neither a pipe without a writer nor an endless device holds up Open:
    // were either waited on, the test would hang until its time is up.
    const QString fifo = dir.filePath(u"pipe.vmt"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(readMeasurementsFile(fifo).status, S::WrongHeader);
    QCOMPARE(readMeasurementsFile(fifo).unreadable, u"a named pipe, not a file"_s);
    QCOMPARE(readMeasurementsFile(u"/dev/zero"_s).unreadable, u"a device, not a file"_s);
    {
        // The system's words for a file that may not be read.
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ReadOther |
                                                      QFile::ExeOther));
        QVERIFY(denyAccess(good));
        AsOrdinaryUser user;
        QVERIFY2(user.failure().isEmpty(), qPrintable(user.failure()));
        QCOMPARE(readMeasurementsFile(good).unreadable, u"Permission denied"_s);
    }
    // Nor does Save onto a pipe without a reader; a character device is
    // written to and stays what it was.
    QString reason;
    QVERIFY(!saveMeasurements(fifo, {u"p"_s}, &reason));
    QVERIFY(!reason.isEmpty());
    QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    QVERIFY(saveMeasurements(u"/dev/null"_s, {u"p"_s}, &reason));
    struct stat info = {};
    QCOMPARE(::stat("/dev/null", &info), 0);
    QVERIFY(S_ISCHR(info.st_mode));
#endif
}

QTEST_MAIN(MeasurementsFileTest)
#include "tst_measurementsfile.moc"
