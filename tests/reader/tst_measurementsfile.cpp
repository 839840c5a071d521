#include "controls.h"
#include "fakemessageboxes.h"
#include "fakeserialport.h"
#include "filedialog.h"
#include "frmzolprint.h"
#include "measurementsfile.h"
#include "messagebox.h"
#include "messageboxkeys.h"
#include "ordinaryuser.h"
#include "progressbar.h"
#include "readerfakes.h"
#include "textbox.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

namespace {

QByteArray fileOf(int pages)
{
    QByteArray bytes = "ZOL 0000\r\n";
    for (int i = 0; i < pages; ++i)
        bytes += "page " + QByteArray::number(i + 1) + "\r\n\f\r\n";
    return bytes + "END\r\n" + QByteArray::number(pages - 2) + "\r\n";
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

struct Window
{
    Window()
    {
        window = std::make_unique<frmZOLprint>(ReaderServices{
            port, boxes, &dialog, nullptr, nullptr, nullptr, dir.filePath(u"zolprint.ini"_s)});
        window->Form_Load();
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    void open(const QString &name)
    {
        dialog.answers.append(path(name));
        window->mOpen_Click();
    }
    void save(const QString &name)
    {
        dialog.answers.append(path(name));
        window->mSave_Click();
    }
    const PageStore &pages() const { return window->state().pages; }
    // Silence ends the transfer that these bytes from the meter were part of.
    void transfer(const QByteArray &bytes)
    {
        window->mStart_Click();
        port.receive(bytes);
        window->tmrReadbuf_Timer();
        window->tmrControle_Timer();
    }
    // Replaces the current page's text as typing in the page window does.
    void type(const QString &text) { control<TextBox>(*window, u"txtVenster"_s)->setText(text); }
    QStringList messages() const
    {
        QStringList texts;
        for (const auto &shown : boxes.shown)
            texts << shown.title + u": "_s + shown.text;
        return texts;
    }

    QTemporaryDir dir;
    FakeSerialPort port;
    FakeMessageBoxes boxes;
    FakeFileDialog dialog;
    std::unique_ptr<frmZOLprint> window;
};

} // namespace

class MeasurementsFileTest : public QObject
{
    Q_OBJECT

private slots:
    void writtenBytes();
    void readingPagesAndEnd();
    void refusedFiles();
    void pageLimits();
    void roundTripsGiveTheSameBytes();
    void pagesThatCannotBeStoredExactly();
    void keysOnTheInexactQuestion();
    void openAndSaveInTheWindow();
    void failuresChangeNothing();
    void realDialogAddsTheExtension();
    void pipesDevicesAndLargeFiles();
};

void MeasurementsFileTest::writtenBytes()
{
    QCOMPARE(formatMeasurements({QString(), QString()}),
             QByteArray("ZOL 0000\r\n\r\n\f\r\n\r\n\f\r\nEND\r\n0\r\n"));
    QCOMPARE(formatMeasurements({}), QByteArray("ZOL 0000\r\nEND\r\n-2\r\n"));
    QStringList five;
    for (int i = 1; i <= 5; ++i)
        five << u"page %1"_s.arg(i);
    QCOMPARE(formatMeasurements(five), fileOf(5));
    // Accents as Windows-1252 bytes; what the code page lacks becomes '?'.
    QCOMPARE(formatMeasurements({u"Eik é ü €\r\nΩ"_s}),
             QByteArray("ZOL 0000\r\nEik \xe9 \xfc \x80\r\n?\r\n\f\r\nEND\r\n-1\r\n"));
}

void MeasurementsFileTest::readingPagesAndEnd()
{
    QList<int> progress;
    const MeasurementsRead five = readMeasurements(fileOf(5), [&](int v) { progress << v; });
    QCOMPARE(five.status, MeasurementsRead::Status::Ok);
    QCOMPARE(five.entries.size(), 6);
    QCOMPARE(five.entries.first(), u"page 1"_s);
    QCOMPARE(five.entries.last(), u"END\r\n"_s);
    QCOMPARE(five.counter(), 3);
    QCOMPARE(progress, QList<int>({2, 3, 4, 5, 6, 7}));

    const MeasurementsRead none = readMeasurements("ZOL 0000\r\nEND\r\n-2\r\n");
    QCOMPARE(none.status, MeasurementsRead::Status::Ok);
    QCOMPARE(none.entries, QStringList({u"END\r\n"_s}));
    QCOMPARE(none.counter(), -2);

    // Lone CR ends a line, lone LF stays in it; "END" counts only first in a page.
    const MeasurementsRead lines =
        readMeasurements("ZOL 0000\ra\nb\rEND here\r\n\f\r\nENDING\r\nlater\r\n\f\r\nEND\r\n");
    QCOMPARE(lines.status, MeasurementsRead::Status::Ok);
    QCOMPARE(lines.entries, QStringList({u"a\nb\r\nEND here"_s, u"ENDING\r\n"_s}));
    QCOMPARE(lines.counter(), -1);

    // Bytes 0x80-0x9F read as Windows-1252.
    QCOMPARE(readMeasurements("ZOL 0000\r\n\x80\xe9\r\n\f\r\nEND\r\n").entries.first(), u"€é"_s);
}

void MeasurementsFileTest::refusedFiles()
{
    using S = MeasurementsRead::Status;
    QCOMPARE(readMeasurements("").status, S::WrongHeader);
    QCOMPARE(readMeasurements("ZOL 0000 \r\nEND\r\n").status, S::WrongHeader);
    QCOMPARE(readMeasurements("zol 0000\r\nEND\r\n").status, S::WrongHeader);
    QCOMPARE(readMeasurements(QByteArray("\0\xff\x01", 3)).status, S::WrongHeader);
    QCOMPARE(readMeasurements("ZOL 0000\r\n").status, S::Truncated);
    QCOMPARE(readMeasurements("ZOL 0000\r\npage 1\r\n").status, S::Truncated);
    QCOMPARE(readMeasurements("ZOL 0000\r\npage 1\r\n\f\r\n").status, S::Truncated);
    const QByteArray whole = fileOf(4);
    for (qsizetype cut = 10; cut < whole.size() - 8; cut += 3)
        QCOMPARE(readMeasurements(whole.left(cut)).status, S::Truncated);
    QVERIFY(readMeasurements(whole.left(10)).entries.isEmpty());
}

void MeasurementsFileTest::pageLimits()
{
    const MeasurementsRead ninetyNine = readMeasurements(fileOf(99));
    QCOMPARE(ninetyNine.status, MeasurementsRead::Status::Ok);
    QCOMPARE(ninetyNine.counter(), 97);
    // A file of 100 pages, which Save writes, fills the store exactly.
    const MeasurementsRead hundred = readMeasurements(fileOf(100));
    QCOMPARE(hundred.status, MeasurementsRead::Status::Ok);
    QCOMPARE(hundred.entries.size(), 101);
    QCOMPARE(hundred.counter(), 98);
    QCOMPARE(readMeasurements(fileOf(101)).status, MeasurementsRead::Status::TooManyPages);
    QCOMPARE(readMeasurements(fileOf(500)).status, MeasurementsRead::Status::TooManyPages);
}

void MeasurementsFileTest::roundTripsGiveTheSameBytes()
{
    Window w;
    const PageStore &pages = w.pages();
    // Three pages in use after a transfer, each then written in the page window.
    w.transfer("\f\f\f");
    QCOMPARE(pages.iPages(), 1);
    w.window->cmdFirstpage_Click();
    w.type(u"Meter ZOL 5\r\nEik é  12,5 %\r\n"_s);
    w.window->cmdNextpage_Click();
    w.type(QString());
    w.window->cmdNextpage_Click();
    w.type(u" Beuk\r\n\r\n"_s);
    w.save(u"first.mcs"_s);
    const QByteArray first = readFile(w.path(u"first.mcs"_s));
    QCOMPARE(first, QByteArray("ZOL 0000\r\nMeter ZOL 5\r\nEik \xe9  12,5 %\r\n\r\n\f\r\n\r\n\f\r\n"
                               " Beuk\r\n\r\n\r\n\f\r\nEND\r\n1\r\n"));
    w.open(u"first.mcs"_s);
    QVERIFY(w.boxes.shown.isEmpty());
    QCOMPARE(pages.iPages(), 1);
    QCOMPARE(pages.sPage(0), u"Meter ZOL 5\r\nEik é  12,5 %\r\n"_s);
    QCOMPARE(pages.sPage(3), u"END\r\n"_s);
    w.save(u"second.mcs"_s);
    QCOMPARE(readFile(w.path(u"second.mcs"_s)), first);

    // A store of 100 pages in use saves and opens again.
    // A transfer fills them all; the page breaks stop at the last page.
    w.transfer(QByteArray(100, '\f'));
    QCOMPARE(pages.iPages(), 98);
    w.window->cmdFirstpage_Click();
    for (int i = 0; i < 100; ++i) {
        w.type(u"p%1"_s.arg(i));
        w.window->cmdNextpage_Click();
    }
    w.save(u"full.mcs"_s);
    w.open(u"full.mcs"_s);
    QVERIFY(w.boxes.shown.isEmpty());
    QCOMPARE(pages.iPages(), 98);
    QCOMPARE(pages.sPage(99), u"p99"_s);
    QCOMPARE(pages.sPage(100), u"END\r\n"_s);
    w.save(u"full2.mcs"_s);
    QCOMPARE(readFile(w.path(u"full2.mcs"_s)), readFile(w.path(u"full.mcs"_s)));
}

void MeasurementsFileTest::pagesThatCannotBeStoredExactly()
{
    const QStringList exact = {u"Meter ZOL 5\r\nEik 12,5 %\r\n"_s,
                               QString(),
                               u"first line\r\nEND in a later line\r\n"_s,
                               u"form\ffeed inside a line"_s,
                               u"lone\nLF"_s,
                               u" END after a space, € ä"_s,
                               u"\r\n\r\n"_s};
    QVERIFY(!firstInexactPage(exact));
    QVERIFY(!firstInexactPage({}));
    // And what it lets through does read back the same.
    QCOMPARE(readMeasurements(formatMeasurements(exact)).entries.first(exact.size()), exact);

    const QStringList inexact = {u"END"_s,
                                 u"ENDE 12,5 %\r\nmore"_s,
                                 u"one\r\n\f\r\ntwo"_s,
                                 u"\f"_s,
                                 u"lone\rCR"_s,
                                 u"ends with CR\r"_s,
                                 u"Łódź"_s};
    for (const QString &page : inexact) {
        QStringList pages = exact;
        pages.insert(3, page);
        QCOMPARE(firstInexactPage(pages).value_or(-1), 3);
        QVERIFY(readMeasurements(formatMeasurements(pages)).entries.value(3) != page);
    }
    // The first of several is named.
    QCOMPARE(firstInexactPage({u"a"_s, u"b\rc"_s, u"END"_s}).value_or(-1), 1);
    // Past the pages a file holds, the first one beyond them.
    QStringList many(101, u"p"_s);
    QCOMPARE(firstInexactPage(many).value_or(-1), 100);
    many[40] = u"END"_s;
    QCOMPARE(firstInexactPage(many).value_or(-1), 40);

    // In the window: Save asks before writing such a page, and No writes nothing.
    Window w;
    w.transfer("\f\f\f");
    QCOMPARE(w.pages().iPages(), 1);
    w.window->cmdFirstpage_Click();
    w.type(u"ZOL 5"_s);
    w.window->cmdNextpage_Click();
    w.type(u"END of the day\r\n12,5 %"_s);
    QVERIFY(writeFile(w.path(u"old.mcs"_s), "older file"));
    w.boxes.answers = {false, false};
    w.save(u"new.mcs"_s);
    w.save(u"old.mcs"_s);
    QCOMPARE(w.boxes.shown.size(), 2);
    for (const auto &shown : std::as_const(w.boxes.shown)) {
        QVERIFY(shown.question);
        QCOMPARE(shown.title, u"ZOL Print error"_s);
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

void MeasurementsFileTest::keysOnTheInexactQuestion()
{
    // The real window and the real question.
    QTemporaryDir dir;
    FakeSerialPort port;
    QtMessageBoxes boxes;
    FakeFileDialog dialog;
    frmZOLprint window(ReaderServices{port, boxes, &dialog, nullptr, nullptr, nullptr,
                                      dir.filePath(u"zolprint.ini"_s)});
    window.Form_Load();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.mStart_Click();
    port.receive("one\r\n\ftwo\r\n\f");
    window.tmrReadbuf_Timer();
    window.tmrControle_Timer();
    control<TextBox>(window, u"txtVenster"_s)->setText(u"END of the day\r\n12,5 %"_s);
    const QString old = dir.filePath(u"old.mcs"_s);
    QVERIFY(writeFile(old, "older file"));

    // Enter, or a Space meant for something else, keeps the older file.
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Space)}) {
        for (const QString &path : {old, dir.filePath(u"new.mcs"_s)}) {
            dialog.answers.append(path);
            MessageBoxKeys answer({key});
            window.mSave_Click();
            QVERIFY(answer.seen());
            QVERIFY(answer.closedByKeys());
            QCOMPARE(answer.defaultButton(), QMessageBox::No);
            QCOMPARE(answer.focusButton(), QMessageBox::No);
        }
        QCOMPARE(readFile(old), QByteArray("older file"));
        QVERIFY(!QFile::exists(dir.filePath(u"new.mcs"_s)));
    }
    // Yes is there for a deliberate choice.
    dialog.answers.append(old);
    MessageBoxKeys answer({Qt::Key_Tab, Qt::Key_Space});
    window.mSave_Click();
    QVERIFY(answer.closedByKeys());
    QCOMPARE(readFile(old), formatMeasurements(window.state().pages.pagesInUse()));
}

void MeasurementsFileTest::openAndSaveInTheWindow()
{
    Window w;
    QVERIFY(writeFile(w.path(u"five.mcs"_s), fileOf(5)));
    // The fourth of five received pages on show.
    w.transfer("\f\f\f\f\f");
    w.window->cmdLastpage_Click();
    w.window->cmdPrevpage_Click();
    QCOMPARE(w.pages().iCurpage(), 3);
    w.open(u"five.mcs"_s);
    QCOMPARE(
        w.dialog.calls.last(),
        u"open Moisture measurements|*.mcs|All measurement files|*.vmt;*.mcs;*.fms;*.mdh *.mcs"_s);
    QCOMPARE(w.pages().iPages(), 3);
    QCOMPARE(w.pages().iCurpage(), 0);
    QCOMPARE(control<QLineEdit>(*w.window, u"txtPageno"_s)->text(), u"1"_s);
    QCOMPARE(control<TextBox>(*w.window, u"txtVenster"_s)->text(), u"page 1"_s);
    QCOMPARE(control<ProgressBar>(*w.window, u"pbVoortgang"_s)->value(), 0);
    w.window->cmdLastpage_Click();
    QCOMPARE(control<TextBox>(*w.window, u"txtVenster"_s)->text(), u"page 5"_s);

    // Only "ZOL 0000" and "END": no page in use, the window shows the end page.
    QVERIFY(writeFile(w.path(u"empty.mcs"_s), "ZOL 0000\r\nEND\r\n"));
    w.open(u"empty.mcs"_s);
    QCOMPARE(w.pages().iPages(), -2);
    QCOMPARE(control<TextBox>(*w.window, u"txtVenster"_s)->text(), u"END\r\n"_s);

    w.save(u"out.mcs"_s);
    QCOMPARE(
        w.dialog.calls.last(),
        u"save Moisture measurements|*.mcs|All measurement files|*.vmt;*.mcs;*.fms;*.mdh *.mcs"_s);
    QCOMPARE(readFile(w.path(u"out.mcs"_s)), QByteArray("ZOL 0000\r\nEND\r\n-2\r\n"));
}

void MeasurementsFileTest::failuresChangeNothing()
{
    Window w;
    const PageStore &pages = w.pages();
    QVERIFY(writeFile(w.path(u"three.mcs"_s), fileOf(3)));
    w.open(u"three.mcs"_s);
    w.window->cmdNextpage_Click();
    const auto before = pages.allPages();
    auto unchanged = [&] {
        return pages.allPages() == before && pages.iPages() == 1 && pages.iCurpage() == 1 &&
               control<TextBox>(*w.window, u"txtVenster"_s)->text() == u"page 2"_s &&
               control<QLineEdit>(*w.window, u"txtPageno"_s)->text() == u"2"_s;
    };

    // Cancelled dialogs: nothing read, nothing written.
    w.window->mOpen_Click();
    QVERIFY(unchanged());
    w.window->mSave_Click();
    QCOMPARE(QDir(w.dir.path()).entryList(QDir::Files), QStringList({u"three.mcs"_s}));
    QVERIFY(w.boxes.shown.isEmpty());

    QVERIFY(writeFile(w.path(u"lower.mcs"_s), "zol 0000\r\nEND\r\n"));
    w.open(u"lower.mcs"_s);
    QVERIFY(writeFile(w.path(u"short.mcs"_s), fileOf(4).left(30)));
    w.open(u"short.mcs"_s);
    QVERIFY(writeFile(w.path(u"big.mcs"_s), fileOf(101)));
    w.open(u"big.mcs"_s);
    w.open(u"missing.mcs"_s);
    QCOMPARE(w.messages(), QStringList({u"ZOL Print error: Error 101 - Wrong version"_s,
                                        u"ZOL Print error: Error 102 - Error during loading"_s,
                                        u"ZOL Print error: Error 102 - Error during loading"_s,
                                        u"ZOL Print error: Error 101 - Wrong version"_s}));
    QVERIFY(unchanged());
    QCOMPARE(control<ProgressBar>(*w.window, u"pbVoortgang"_s)->value(), 0);
    for (const auto &shown : w.boxes.shown)
        QCOMPARE(shown.icon, MessageBoxes::Icon::None);

    // A save that fails says so and leaves an older file of that name intact.
    QVERIFY(writeFile(w.path(u"old.mcs"_s), "older file"));
    qsizetype refused = w.boxes.shown.size();
#ifndef Q_OS_WIN
    // Windows has no device that is always full.
    w.dialog.answers.append(u"/dev/full"_s);
    w.window->mSave_Click();
    QCOMPARE(w.messages().last(),
             u"ZOL Print error: Error 104 - Error during saving\r\nNo space left on device"_s);
    // Written to, not replaced by a regular file.
    QVERIFY(!QFileInfo(u"/dev/full"_s).isFile());
    ++refused;
#endif
    w.dialog.answers.append(w.path(u"three.mcs/inside.mcs"_s));
    w.window->mSave_Click();
    QCOMPARE(w.boxes.shown.size(), refused + 1);
    QCOMPARE(readFile(w.path(u"old.mcs"_s)), QByteArray("older file"));
    QVERIFY(unchanged());

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
        w.dialog.answers.append(locked + name);
        w.window->mSave_Click();
    }
    QCOMPARE(w.boxes.shown.size(), 8);
    QVERIFY2(
        w.messages().last().startsWith(u"ZOL Print error: Error 104 - Error during saving\r\n"_s) &&
            w.messages().last().contains(u"ermission denied"_s),
        qPrintable(w.messages().last()));
    QCOMPARE(QDir(locked).entryList(QDir::Files), QStringList{u"old.mcs"_s});
    QCOMPARE(readFile(locked + u"/old.mcs"_s), QByteArray("older file"));
    QVERIFY(unchanged());
    // The same window saves there once it may.
    QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    w.dialog.answers.append(locked + u"/old.mcs"_s);
    w.window->mSave_Click();
    QCOMPARE(w.boxes.shown.size(), 8);
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
        w.dialog.answers.append(readOnly);
        w.window->mSave_Click();
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
    auto typeAndAccept = [&dir](const QString &name) {
        QTimer::singleShot(200, [&dir, name] {
            auto *box = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!box)
                return;
            box->setDirectory(dir.path());
            if (auto *edit = box->findChild<QLineEdit *>(u"fileNameEdit"_s))
                edit->setText(name);
            static_cast<QDialog *>(box)->accept();
        });
    };
    typeAndAccept(u"meting"_s);
    const std::optional<QString> chosen =
        dialog.getSaveFileName(nullptr, u"Vochtmetingen|*.vmt"_s, u"*.vmt"_s);
    QVERIFY(chosen);
    QCOMPARE(QFileInfo(*chosen).fileName(), u"meting.vmt"_s);
    QCOMPARE(dialog.lastFileName(), *chosen);

    // The next dialog offers that name again; a cancel gives no name and
    // keeps the last one.
    QStringList offered;
    QString filter;
    QTimer::singleShot(200, [&offered, &filter] {
        if (auto *box = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            offered = box->selectedFiles();
            filter = box->selectedNameFilter();
            static_cast<QDialog *>(box)->reject();
        }
    });
    QVERIFY(!dialog.getOpenFileName(nullptr, u"Messure de l'humidité|*.mdh"_s, u"*.mdh"_s));
    QCOMPARE(offered, QStringList({*chosen}));
    QCOMPARE(filter, u"Messure de l'humidité (*.mdh)"_s);
    QCOMPARE(dialog.lastFileName(), *chosen);
}

void MeasurementsFileTest::pipesDevicesAndLargeFiles()
{
    using S = MeasurementsRead::Status;
    QTemporaryDir dir;
    const QString good = dir.filePath(u"good.vmt"_s);
    QVERIFY(writeFile(good, fileOf(5)));
    QCOMPARE(readMeasurementsFile(good).status, S::Ok);
    QCOMPARE(readMeasurementsFile(good).entries, readMeasurements(fileOf(5)).entries);
    QCOMPARE(readMeasurementsFile(dir.filePath(u"missing.vmt"_s)).status, S::WrongHeader);
    QCOMPARE(readMeasurementsFile(dir.path()).status, S::WrongHeader);

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
    // Neither a pipe without a writer nor an endless device holds up Open.
    const QString fifo = dir.filePath(u"pipe.vmt"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(readMeasurementsFile(fifo).status, S::WrongHeader);
    QCOMPARE(readMeasurementsFile(u"/dev/zero"_s).status, S::WrongHeader);
    // Nor does Save onto a pipe without a reader; a character device is
    // written to and stays what it was.
    QString reason;
    QVERIFY(!saveMeasurements(fifo, {u"p"_s}, &reason));
    QVERIFY(!reason.isEmpty());
    QVERIFY(timer.elapsed() < 5000);
    QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    QVERIFY(saveMeasurements(u"/dev/null"_s, {u"p"_s}, &reason));
    struct stat info = {};
    QCOMPARE(::stat("/dev/null", &info), 0);
    QVERIFY(S_ISCHR(info.st_mode));
#endif
}

QTEST_MAIN(MeasurementsFileTest)
#include "tst_measurementsfile.moc"
