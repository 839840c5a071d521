#include "controls.h"
#include "fakemessageboxes.h"
#include "fakeserialport.h"
#include "frmzolprint.h"
#include "measurementsfile.h"
#include "pageprinter.h"
#include "pdfpages.h"
#include "readerfakes.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

namespace {

// The sheets of a PDF that another program wrote, as poppler counts them; -1
// while the file is still incomplete.
int pdfinfoPages(const QString &path)
{
    QProcess process;
    process.start(u"pdfinfo"_s, {path});
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return -1;
    static const QRegularExpression pages(u"^Pages:\\s+(\\d+)"_s,
                                          QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match =
        pages.match(QString::fromLocal8Bit(process.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// ZOLprint's window printing through the given printer, with fakes for
// everything else.
struct PrintingWindow
{
    explicit PrintingWindow(PagePrinter &printer)
        : w(ReaderServices{port, boxes, &dialog, &printer, nullptr, nullptr,
                           dir.filePath(u"zolprint.ini"_s)})
    {
        w.Form_Load();
    }

    // Puts these pages in the window the way the user does: by opening a
    // measurements file.
    bool open(const QStringList &pages, qint16 counter)
    {
        const QString path = dir.filePath(u"pages.zol"_s);
        const QByteArray bytes = formatMeasurements(pages, counter);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
        file.close();
        dialog.answers.append(path);
        w.mOpen_Click();
        return boxes.shown.isEmpty();
    }

    QTemporaryDir dir;
    FakeSerialPort port;
    FakeMessageBoxes boxes;
    FakeFileDialog dialog;
    frmZOLprint w;
};

} // namespace

class PrintingTest : public QObject
{
    Q_OBJECT

private slots:
    void sheetsInThePdf();
    void theWindowsPrintCommands();
    void throughTheDefaultPrinter();
    void withoutTheSpooler();
};

void PrintingTest::sheetsInThePdf()
{
    QTemporaryDir dir;
    auto print = [&dir](const QString &name, const QStringList &pages) {
        const QString path = dir.filePath(name);
        QtPagePrinter printer(path);
        QString reason;
        const bool ok = printer.printPages(pages, &reason);
        return ok ? pdfPages(path) : -100;
    };
    const QStringList five = {u"one\r\nEik 12,5"_s, u"two"_s, QString(), u"four"_s, u"five"_s};
    QCOMPARE(print(u"five.pdf"_s, five), 5);
    QCOMPARE(print(u"one.pdf"_s, {QString()}), 1);
    QString longPage;
    for (int i = 0; i < 100; ++i)
        longPage += u"line %1\r\n"_s.arg(i);
    QCOMPARE(print(u"long.pdf"_s, {longPage, u"next"_s}), 3);
    QCOMPARE(print(u"wide.pdf"_s, {QString(400, u'x')}), 1);
    // Empty lines keep their place between lines of text, but a page that
    // ends in them gives no blank sheet after it.
    QString blankTail;
    for (int i = 0; i < 40; ++i)
        blankTail += u"line %1\r\n"_s.arg(i);
    blankTail += u"\r\n"_s.repeated(60);
    QCOMPARE(print(u"tail.pdf"_s, {blankTail}), 1);
    QCOMPARE(print(u"middle.pdf"_s, {blankTail + u"end"_s}), 2);

    // Nothing to print: no job at all.
    QtPagePrinter none(dir.filePath(u"none.pdf"_s));
    QString reason;
    QVERIFY(none.printPages({}, &reason));
    QVERIFY(!QFile::exists(dir.filePath(u"none.pdf"_s)));

    // The fixed-pitch font reaches the PDF.
    QFile file(dir.filePath(u"five.pdf"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
#ifndef Q_OS_WIN
    // Wine has no Courier New and substitutes its own face: the name is
    // checked where the font system is the real one.
    QVERIFY(bytes.contains("Courier") || bytes.contains("LiberationMono"));
#endif

    QtPagePrinter nowhere(u"/no/such/folder/out.pdf"_s);
    QVERIFY(!nowhere.printPages({u"x"_s}, &reason));
    QVERIFY(!reason.isEmpty());
}

void PrintingTest::theWindowsPrintCommands()
{
    FakePagePrinter printer;
    PrintingWindow window(printer);
    frmZOLprint &w = window.w;
    const FakeMessageBoxes &boxes = window.boxes;
    const PageStore &pages = w.state().pages;
    QVERIFY(window.open({u"page 1"_s, u"page 2"_s, u"page 3"_s, u"page 4"_s, u"page 5"_s}, 3));
    QCOMPARE(pages.iPages, 3);
    w.cmdNextpage_Click();
    w.cmdNextpage_Click();

    control<QAction>(w, u"mThispage"_s)->trigger();
    control<QAction>(w, u"mAllpages"_s)->trigger();
    QCOMPARE(printer.jobs.size(), 2);
    QCOMPARE(printer.jobs[0], QStringList({u"page 3"_s}));
    QCOMPARE(printer.jobs[1].size(), 5);
    QCOMPARE(printer.jobs[1].first(), u"page 1"_s);

    printer.failWith = u"no default printer"_s;
    w.mAllpages_Click();
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].title, u"ZOL Print error"_s);
    QCOMPARE(boxes.shown[0].text, u"Error 105 - No printer available\r\nno default printer"_s);
    QCOMPARE(pages.iPages, 3);
}

// The system's own print path: QPrinter on the default printer, which
// scripts/pdf-printer.sh makes a PDF queue whose files land in ZOL_PDF_DIR.
void PrintingTest::throughTheDefaultPrinter()
{
#ifdef Q_OS_WIN
    QSKIP("on Windows the real ZOLprint.exe prints through the spooler (tests/windows)");
#endif
    const QString queue = u"ZOL-PDF"_s;
    const QString why = u"needs the PDF printer %1 as the default printer and poppler's pdfinfo: "
                        u"run scripts/pdf-printer.sh"_s.arg(queue);
    // On a developer's machine the default printer may be a real one, and
    // it is left alone; a CI machine must have been set up.
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull()) {
        // With no printer at all the job is refused, and says why.
        QString reason;
        QVERIFY(!QtPagePrinter().printPages({u"page"_s}, &reason));
        QVERIFY(!reason.isEmpty());
    }
    if (printer.isNull() || printer.printerName() != queue ||
        QStandardPaths::findExecutable(u"pdfinfo"_s).isEmpty()) {
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL(qPrintable(why));
        QSKIP(qPrintable(why));
    }

    const QDir out(qEnvironmentVariable("ZOL_PDF_DIR", u"/var/spool/zol-pdf"_s));
    const QStringList pdfs = {u"*.pdf"_s};
    const QStringList listed = out.entryList(pdfs, QDir::Files);
    const QSet<QString> before(listed.begin(), listed.end());

    const QStringList five = {u"ZOL 5 Eik 12,5 %\r\nBeuk 14,1 %"_s, u"two"_s, QString(), u"four"_s,
                              u"five"_s};
    QtPagePrinter real;
    QString reason;
    QVERIFY2(real.printPages(five, &reason), qPrintable(reason));

    QString written;
    int sheets = -1;
    const QDeadlineTimer deadline(90000);
    while (sheets < 0 && !deadline.hasExpired()) {
        QTest::qWait(250);
        for (const QString &name : out.entryList(pdfs, QDir::Files)) {
            if (before.contains(name))
                continue;
            written = out.filePath(name);
            sheets = pdfinfoPages(written);
        }
    }
    QVERIFY2(!written.isEmpty(), qPrintable(u"no PDF appeared in "_s + out.path()));
    QCOMPARE(sheets, 5);
    QFile::remove(written);
}

// The print system not running, as after the spooler was stopped. Run as its
// own test process with CUPS_SERVER naming a socket nobody listens on, since
// the print system's client keeps its connection for the whole process.
void PrintingTest::withoutTheSpooler()
{
    const QString server = qEnvironmentVariable("CUPS_SERVER");
    if (!server.endsWith(u"no-spooler.sock"_s))
        QSKIP("runs as tst_printing_nospooler, with CUPS_SERVER pointing at no spooler");
    QVERIFY(!QFile::exists(server));

    QVERIFY(QPrinterInfo::defaultPrinter().isNull());
    QString reason;
    QVERIFY(!QtPagePrinter().printPages({u"page"_s}, &reason));
    QVERIFY(!reason.isEmpty());

    QtPagePrinter real;
    PrintingWindow window(real);
    frmZOLprint &w = window.w;
    const FakeMessageBoxes &boxes = window.boxes;
    const PageStore &pages = w.state().pages;
    QVERIFY(window.open({u"one"_s, u"two"_s}, 0));
    QCOMPARE(pages.iPages, 0);
    control<QAction>(w, u"mThispage"_s)->trigger();
    control<QAction>(w, u"mAllpages"_s)->trigger();
    QCOMPARE(boxes.shown.size(), 2);
    for (const auto &shown : boxes.shown)
        QCOMPARE(shown.text, u"Error 105 - No printer available\r\nno default printer"_s);
    QCOMPARE(pages.sPage[1], u"two"_s);
    QCOMPARE(pages.iPages, 0);
    QVERIFY(control<QAction>(w, u"mAllpages"_s)->isEnabled());
}

QTEST_MAIN(PrintingTest)
#include "tst_printing.moc"
