#include "accessibility.h"
#include "controls.h"
#include "filedialogs.h"
#include "pageprinter.h"
#include "pdfpages.h"
#include "printsystem.h"
#include "readerfixture.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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

// What a tool of poppler's writes for this PDF; empty when it cannot run.
QString poppler(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of each sheet, one string per line, as pdftotext reads it back.
QList<QStringList> sheetLines(const QString &path)
{
    QList<QStringList> sheets;
    const QStringList pages = poppler(u"pdftotext"_s, {path, u"-"_s}).split(u'\f');
    // pdftotext ends every sheet with a form feed.
    for (qsizetype i = 0; i + 1 < pages.size(); ++i) {
        QStringList lines = pages.at(i).split(u'\n');
        lines.removeAll(QString());
        sheets.append(lines);
    }
    return sheets;
}

// Where pdftotext finds each word of one sheet, in points from the sheet's
// top left corner, and the sheet's size.
struct Word
{
    QString text;
    QRectF box;
};
QList<Word> sheetWords(const QString &path, int sheet, QSizeF *size = nullptr)
{
    const QString page = QString::number(sheet);
    const QString html =
        poppler(u"pdftotext"_s, {u"-bbox"_s, u"-f"_s, page, u"-l"_s, page, path, u"-"_s});
    static const QRegularExpression pageTag(u"<page width=\"([0-9.]+)\" height=\"([0-9.]+)\""_s);
    if (const QRegularExpressionMatch match = pageTag.match(html); match.hasMatch() && size)
        *size = QSizeF(match.captured(1).toDouble(), match.captured(2).toDouble());
    static const QRegularExpression wordTag(
        u"<word xMin=\"(-?[0-9.]+)\" yMin=\"(-?[0-9.]+)\" xMax=\"(-?[0-9.]+)\" "
        u"yMax=\"(-?[0-9.]+)\">([^<]*)</word>"_s);
    QList<Word> words;
    for (const QRegularExpressionMatch &match : wordTag.globalMatch(html)) {
        const QPointF topLeft(match.captured(1).toDouble(), match.captured(2).toDouble());
        const QPointF bottomRight(match.captured(3).toDouble(), match.captured(4).toDouble());
        words.append({match.captured(5), QRectF(topLeft, bottomRight)});
    }
    return words;
}

bool havePoppler()
{
    return !QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty() &&
           !QStandardPaths::findExecutable(u"pdfinfo"_s).isEmpty();
}

// Poppler is a tool of the Linux side; the Windows build's printing is read
// back by the zip's print check instead.
#ifdef Q_OS_WIN
constexpr bool kPopplerRequired = false;
#else
constexpr bool kPopplerRequired = true;
#endif

#define REQUIRE_POPPLER()                                                                          \
    do {                                                                                           \
        if (!havePoppler()) {                                                                      \
            if (kPopplerRequired && qEnvironmentVariableIsSet("CI"))                               \
                QFAIL("needs poppler-utils: run scripts/setup.sh --tests");                        \
            QSKIP("needs poppler-utils");                                                          \
        }                                                                                          \
    } while (false)

// The lines of a page numbered so that a lost or doubled one shows.
QString numberedLines(int count)
{
    QString page;
    for (int i = 1; i <= count; ++i)
        page += u"line %1 Eik 12,5 %\r\n"_s.arg(i, 3, 10, QChar(u'0'));
    return page;
}

} // namespace

class PrintingTest : public QObject
{
    Q_OBJECT

private slots:
    void sheetsInThePdf_data();
    void sheetsInThePdf();
    void whatThePdfHolds();
    void nothingCutOff();
    void textFromThePrintableCorner();
    void theWindowsPrintCommands();
    void printFailuresSayWhy_data();
    void printFailuresSayWhy();
    void toPdfFromTheWindow();
    void realPdfDialog();
    void previewFromTheWindow();
    void throughTheDefaultPrinter();
    void refusedByThePrinter();
    void withoutTheSpooler();
};

namespace {

// The sheets that the preview dialog of the window's Preview shows, once it
// has laid them out; -1 when no preview came. The dialog is closed without
// printing, or with print, printed through its print button and Qt's print
// dialog on the printer that dialog offers.
int previewSheets(frmZOLprint &w, bool print = false)
{
    int sheets = -1;
    bool pressed = false;
    bool accepted = false;
    const QDeadlineTimer deadline(60000);
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *printDialog = qobject_cast<QPrintDialog *>(modal)) {
            if (!std::exchange(accepted, true))
                QTimer::singleShot(0, printDialog, &QDialog::accept);
            return;
        }
        auto *dialog = qobject_cast<QPrintPreviewDialog *>(modal);
        if (!dialog || pressed) {
            if (deadline.hasExpired())
                poll.stop();
            return;
        }
        auto *preview = dialog->findChild<QPrintPreviewWidget *>();
        if (preview && preview->pageCount() > 0)
            sheets = preview->pageCount();
        if (sheets > 0 && print) {
            pressed = true;
            for (QAction *action : dialog->findChildren<QAction *>()) {
                if (action->text() == u"Print"_s)
                    QTimer::singleShot(0, action, &QAction::trigger);
            }
        } else if (sheets > 0 || deadline.hasExpired()) {
            dialog->reject();
        }
    });
    poll.start();
    control<QAction>(w, u"mPreview"_s)->trigger();
    return sheets;
}

} // namespace

void PrintingTest::sheetsInThePdf_data()
{
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<int>("sheets");

    QTest::newRow("five pages") << QStringList{u"one\r\nEik 12,5"_s, u"two"_s, QString(), u"four"_s,
                                               u"five"_s}
                                << 5;
    QTest::newRow("one empty page") << QStringList{QString()} << 1;
    QString longPage;
    for (int i = 0; i < 100; ++i)
        longPage += u"line %1\r\n"_s.arg(i);
    QTest::newRow("a page over two sheets") << QStringList{longPage, u"next"_s} << 3;
    QTest::newRow("a line wider than the sheet") << QStringList{QString(400, u'x')} << 1;
    // Empty lines keep their place between lines of text, but a page that
    // ends in them gives no blank sheet after it.
    QString blankTail;
    for (int i = 0; i < 40; ++i)
        blankTail += u"line %1\r\n"_s.arg(i);
    blankTail += u"\r\n"_s.repeated(60);
    QTest::newRow("empty lines at the end") << QStringList{blankTail} << 1;
    QTest::newRow("empty lines, then text") << QStringList{blankTail + u"end"_s} << 2;
}

void PrintingTest::sheetsInThePdf()
{
    QFETCH(QStringList, pages);
    QFETCH(int, sheets);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"pages.pdf"_s);
    QtPagePrinter printer(path);
    PrintFailure failure;
    QVERIFY2(printer.printPages(pages, &failure), qPrintable(failure.detail));
    QCOMPARE(pdfPages(path), sheets);
}

void PrintingTest::whatThePdfHolds()
{
    // Nothing to print: no job at all.
    QTemporaryDir dir;
    QtPagePrinter none(dir.filePath(u"none.pdf"_s));
    PrintFailure failure;
    QVERIFY(none.printPages({}, &failure));
    QVERIFY(!QFile::exists(dir.filePath(u"none.pdf"_s)));

    // The fixed-pitch font reaches the PDF.
    QtPagePrinter printer(dir.filePath(u"two.pdf"_s));
    QVERIFY(printer.printPages({u"one\r\nEik 12,5"_s, u"two"_s}, &failure));
    QFile file(dir.filePath(u"two.pdf"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
#ifndef Q_OS_WIN
    // Wine has no Courier New and substitutes its own face: the name is
    // checked where the font system is the real one.
    QVERIFY(bytes.contains("Courier") || bytes.contains("LiberationMono"));
#endif

    QtPagePrinter nowhere(u"/no/such/folder/out.pdf"_s);
    QVERIFY(!nowhere.printPages({u"x"_s}, &failure));
    QCOMPARE(failure.kind, PrintFailure::Kind::CannotWrite);
    QVERIFY(!failure.detail.isEmpty());
}

// A page longer than a sheet goes on over the next ones, a line wider than
// the sheet goes on in the next line from the left edge, and a page that
// fits stays one sheet: pdftotext gives back every line, once, in order.
void PrintingTest::nothingCutOff()
{
    REQUIRE_POPPLER();
    QTemporaryDir dir;
    QtPagePrinter printer;
    PrintFailure failure;
    auto write = [&](const QString &name, const QStringList &pages) {
        const QString path = dir.filePath(name);
        return printer.writePdf(path, pages, &failure) ? path : QString();
    };

    const QString page150 = numberedLines(150);
    const QString tall = write(u"tall.pdf"_s, {page150});
    QVERIFY(!tall.isEmpty());
    QCOMPARE(pdfPages(tall), 3);
    const QList<QStringList> sheets = sheetLines(tall);
    QCOMPARE(sheets.size(), 3);
    QCOMPARE(sheets[0] + sheets[1] + sheets[2], page150.trimmed().split(u"\r\n"_s));
    // Full sheets hold the same number of lines, and the last of them is
    // still on the paper.
    const qsizetype perSheet = sheets[0].size();
    QCOMPARE(sheets[1].size(), perSheet);
    QSizeF paper;
    const QList<Word> first = sheetWords(tall, 1, &paper);
    QVERIFY(!first.isEmpty() && paper.height() > 0);
    QVERIFY2(first.last().box.bottom() <= paper.height(),
             qPrintable(u"%1 > %2"_s.arg(first.last().box.bottom()).arg(paper.height())));

    // Exactly a sheet's worth stays one sheet; one line more takes two.
    QCOMPARE(pdfPages(write(u"full.pdf"_s, {numberedLines(int(perSheet))})), 1);
    QCOMPARE(pdfPages(write(u"over.pdf"_s, {numberedLines(int(perSheet) + 1)})), 2);

    // A line three sheets wide, without a space to break at.
    QString wide;
    for (int i = 0; wide.size() < 300; ++i)
        wide += u"(%1)"_s.arg(i, 3, 10, QChar(u'0'));
    const QString widePath = write(u"wide.pdf"_s, {u"head\r\n"_s + wide + u"\r\ntail"_s});
    QCOMPARE(pdfPages(widePath), 1);
    const QStringList lines = sheetLines(widePath).value(0);
    QVERIFY2(lines.size() >= 4, qPrintable(lines.join(u'|')));
    QCOMPARE(lines.first(), u"head"_s);
    QCOMPARE(lines.last(), u"tail"_s);
    QCOMPARE(lines.mid(1, lines.size() - 2).join(QString()), wide);
    // Each piece starts where the lines start and ends on the paper.
    const QList<Word> words = sheetWords(widePath, 1, &paper);
    QCOMPARE(words.size(), lines.size());
    for (const Word &word : words) {
        QVERIFY2(qAbs(word.box.left() - words.first().box.left()) < 0.5, qPrintable(word.text));
        QVERIFY2(word.box.right() <= paper.width() + 0.01, qPrintable(word.text));
    }
}

// The text starts at the first printable position: on a sheet whose printer
// cannot print its outer 18 by 24 points, the first character sits there,
// not behind a margin of Qt's own.
void PrintingTest::textFromThePrintableCorner()
{
    REQUIRE_POPPLER();
    QTemporaryDir dir;
    const QString path = dir.filePath(u"corner.pdf"_s);
    {
        QPdfWriter writer(path);
        const QMarginsF unprintable(18, 24, 18, 24);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(72, 72, 72, 72), QPageLayout::Point,
                                         unprintable));
        QVERIFY(printPagesOn(writer, {u"ZOL 6 Eik 12,5 %\r\nBeuk"_s}));
    }
    const QList<Word> words = sheetWords(path, 1);
    QVERIFY(!words.isEmpty());
    QCOMPARE(words.first().text, u"ZOL"_s);
    const QRectF box = words.first().box;
    QVERIFY2(qAbs(box.left() - 18) < 0.5 && qAbs(box.top() - 24) < 1.0,
             qPrintable(u"first character at %1, %2"_s.arg(box.left()).arg(box.top())));
}

void PrintingTest::theWindowsPrintCommands()
{
    ReaderFixture w;
    FakePagePrinter &printer = w.printer;
    const PageStore &pages = w.pages();
    QVERIFY(w.openPages({u"page 1"_s, u"page 2"_s, u"page 3"_s, u"page 4"_s, u"page 5"_s}));
    w->cmdNextpage_Click();
    w->cmdNextpage_Click();

    control<QAction>(w.window(), u"mThispage"_s)->trigger();
    control<QAction>(w.window(), u"mAllpages"_s)->trigger();
    QCOMPARE(printer.jobs.size(), 2);
    QCOMPARE(printer.jobs[0], QStringList({u"page 3"_s}));
    QCOMPARE(printer.jobs[1].size(), 5);
    QCOMPARE(printer.jobs[1].first(), u"page 1"_s);

    // Preview shows what Print all pages prints; the PDF takes the same
    // pages and the measurements file's name.
    control<QAction>(w.window(), u"mPreview"_s)->trigger();
    QCOMPARE(printer.previews, QList<QStringList>{printer.jobs[1]});
    w.dialog.answers.append(w.path(u"client.pdf"_s));
    control<QAction>(w.window(), u"mToPdf"_s)->trigger();
    QCOMPARE(w.dialog.calls.last(), u"pdf PDF files|*.pdf pages.pdf"_s);
    QCOMPARE(printer.pdfs, QList<QStringList>{printer.jobs[1]});
    QCOMPARE(printer.pdfPaths, QStringList{w.path(u"client.pdf"_s)});
    // A cancelled dialog writes nothing.
    control<QAction>(w.window(), u"mToPdf"_s)->trigger();
    QCOMPARE(printer.pdfs.size(), 1);
    QVERIFY(w.boxes.shown.isEmpty());

    // A PDF that cannot be written says why.
    printer.failWith = PrintFailure{PrintFailure::Kind::CannotWrite, u"No space left on device"_s};
    w.dialog.answers.append(w.path(u"client.pdf"_s));
    w->mToPdf_Click();
    QCOMPARE(w.messages(), QStringList{u"ZOL Print error: Error 104 - Error during saving\r\n"
                                       u"No space left on device"_s});
    QCOMPARE(pages.pagesInUseCount(), 5);

    // The new items are read by their captions and rest during a transfer
    // with the rest of the File menu.
    const QStringList spoken = spokenNamesBelow(&w.window());
    for (const QString &caption : {u"Preview"_s, u"To PDF file..."_s})
        QVERIFY2(spoken.contains(caption), qPrintable(spoken.join(u'|')));
    w->mStart_Click();
    QVERIFY(!control<QAction>(w.window(), u"mPreview"_s)->isEnabled());
    QVERIFY(!control<QAction>(w.window(), u"mToPdf"_s)->isEnabled());
    w->tmrControle_Timer();
    QVERIFY(control<QAction>(w.window(), u"mPreview"_s)->isEnabled());
    QVERIFY(control<QAction>(w.window(), u"mToPdf"_s)->isEnabled());
}

void PrintingTest::printFailuresSayWhy_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("reason");

    QTest::newRow("no printer") << int(PrintFailure::Kind::NoPrinter) << QString()
                                << u"no default printer"_s;
    QTest::newRow("not accepting") << int(PrintFailure::Kind::NotAccepting) << u"Q"_s
                                   << u"the printer does not accept jobs\r\nQ"_s;
    QTest::newRow("refused") << int(PrintFailure::Kind::Refused)
                             << u"Destination \"Q\" is not accepting jobs."_s
                             << u"Destination \"Q\" is not accepting jobs."_s;
}

// Print all pages and Preview each say why they failed, in the window's
// language, and the pages stay.
void PrintingTest::printFailuresSayWhy()
{
    QFETCH(int, kind);
    QFETCH(QString, detail);
    QFETCH(QString, reason);

    ReaderFixture w;
    const QStringList pages = {u"page 1"_s, u"page 2"_s, u"page 3"_s};
    QVERIFY(w.openPages(pages));
    w.printer.failWith = PrintFailure{PrintFailure::Kind(kind), detail};
    w->mAllpages_Click();
    w->mPreview_Click();
    const QString text = u"ZOL Print error: Error 105 - No printer available\r\n"_s + reason;
    QCOMPARE(w.messages(), QStringList({text, text}));
    QCOMPARE(w.pages().pagesInUse(), pages);
}

// File > Print > To PDF file... on the real window and the real PDF output:
// one sheet a page, the pages' text in it, named after the measurements file.
void PrintingTest::toPdfFromTheWindow()
{
    REQUIRE_POPPLER();
    QtPagePrinter real;
    ReaderFixture window;
    window.withPrinter(real).withSettings(" 2 \r\n 1 \r\n");
    frmZOLprint &w = window.window();
    const QStringList pages = {u"ZOL 5 Eik 12,5 %\r\nBeuk 14,1 %"_s, u"Ölmühle 13,0 %"_s,
                               numberedLines(150)};
    QVERIFY(window.openPages(pages));
    QCOMPARE(control<QAction>(w, u"mToPdf"_s)->text(), u"In PDF-Datei..."_s);

    // An old file of that name is replaced whole.
    const QString path = window.path(u"pages.pdf"_s);
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));
    old.close();
    window.dialog.answers.append(path);
    control<QAction>(w, u"mToPdf"_s)->trigger();
    QVERIFY2(window.boxes.shown.isEmpty(), qPrintable(window.boxes.shown.value(0).text));
    QCOMPARE(window.dialog.calls.last(), u"pdf PDF-Dateien|*.pdf pages.pdf"_s);

    // The 150 lines take three sheets: five in all.
    QCOMPARE(pdfPages(path), 5);
    const QList<QStringList> sheets = sheetLines(path);
    QCOMPARE(sheets.size(), 5);
    QCOMPARE(sheets[0], pages[0].split(u"\r\n"_s));
    QCOMPARE(sheets[1], QStringList{pages[1]});
    QCOMPARE(sheets[2] + sheets[3] + sheets[4], pages[2].trimmed().split(u"\r\n"_s));
    // From the corner of the default printer's printable area, as on paper.
    QPageLayout paper(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
    if (const QPrinterInfo info = QPrinterInfo::defaultPrinter(); !info.isNull())
        paper = QPrinter(info, QPrinter::HighResolution).pageLayout();
    paper.setMargins(paper.minimumMargins());
    const QMarginsF corner = paper.marginsPoints();
    const QRectF first = sheetWords(path, 1).value(0).box;
    QVERIFY2(qAbs(first.left() - corner.left()) < 0.5 && qAbs(first.top() - corner.top()) < 1.0,
             qPrintable(u"first character at %1, %2"_s.arg(first.left()).arg(first.top())));

    // A folder that cannot be made leaves nothing behind and says why.
    QFile plain(window.path(u"plain"_s));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString impossible = window.path(u"plain/client.pdf"_s);
    window.dialog.answers.append(impossible);
    w.mToPdf_Click();
    QCOMPARE(window.boxes.shown.size(), 1);
    const QString text = window.boxes.shown[0].text;
    QVERIFY2(text.startsWith(u"Fehler 104 - Fehler beim Speichern\r\n"_s) &&
                 text.size() > u"Fehler 104 - Fehler beim Speichern\r\n"_s.size(),
             qPrintable(text));
    QVERIFY(!QFile::exists(impossible));
    QCOMPARE(pdfPages(path), 5);
}

// The real PDF dialog starts in the folder of the last file chosen, offers
// the name it is given, and adds ".pdf" to a name typed without it; Open and
// Save go on offering their own last file.
void PrintingTest::realPdfDialog()
{
    QTemporaryDir dir;
    QtFileDialog dialog;
    whenFileDialogOpens([&dir](QFileDialog &box) { acceptTyped(box, u"meting"_s, dir.path()); });
    const std::optional<QString> saved =
        dialog.getSaveFileName(nullptr, u"Vochtmetingen|*.vmt"_s, u"*.vmt"_s, QString());
    QCOMPARE(saved, std::optional<QString>(dir.filePath(u"meting.vmt"_s)));

    QString folder;
    QStringList offered;
    QString filter;
    whenFileDialogOpens([&](QFileDialog &box) {
        folder = box.directory().absolutePath();
        offered = box.selectedFiles();
        filter = box.selectedNameFilter();
        acceptTyped(box, u"client"_s);
    });
    const std::optional<QString> pdf =
        dialog.getSavePdfFileName(nullptr, u"PDF-bestanden|*.pdf"_s, u"meting.pdf"_s);
    QCOMPARE(folder, QDir(dir.path()).absolutePath());
    QCOMPARE(offered, QStringList{dir.filePath(u"meting.pdf"_s)});
    QCOMPARE(filter, u"PDF-bestanden (*.pdf)"_s);
    QCOMPARE(pdf, std::optional<QString>(dir.filePath(u"client.pdf"_s)));
    QCOMPARE(dialog.lastFileName(), *saved);
}

// Preview on the real window shows the sheets that Print all pages prints.
void PrintingTest::previewFromTheWindow()
{
    QtPagePrinter real;
    ReaderFixture window;
    window.withPrinter(real);
    frmZOLprint &w = window.window();
    QVERIFY(window.openPages({numberedLines(150), u"two"_s, u"three"_s}));
    QCOMPARE(previewSheets(w), 5);
    QVERIFY(window.boxes.shown.isEmpty());

    // Sheet for sheet the PDF, which takes the default printer's paper.
    const QString path = window.path(u"same.pdf"_s);
    PrintFailure failure;
    QVERIFY(real.writePdf(path, w.document().pages().pagesInUse(), &failure));
    QCOMPARE(pdfPages(path), 5);
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
        PrintFailure failure;
        QVERIFY(!QtPagePrinter().printPages({u"page"_s}, &failure));
        QCOMPARE(failure.kind, PrintFailure::Kind::NoPrinter);
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

    // Five pages, the last one over three sheets: seven sheets, as the
    // preview shows them.
    const QStringList seven = {u"ZOL 5 Eik 12,5 %\r\nBeuk 14,1 %"_s, u"two"_s, QString(), u"four"_s,
                               numberedLines(150)};
    QtPagePrinter real;
    {
        ReaderFixture window;
        window.withPrinter(real);
        QVERIFY(window.openPages(seven));
        QCOMPARE(previewSheets(window.window()), 7);
    }
    PrintFailure failure;
    QVERIFY2(real.printPages(seven, &failure), qPrintable(failure.detail));

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
    QCOMPARE(sheets, 7);
    QFile::remove(written);
}

// A default printer that refuses jobs, on the real print system: the queue
// ZOL-PDF-REJECT of scripts/pdf-printer.sh, made the default for this
// process alone through PRINTER, so that the other tests printing at the
// same time are not refused. Rejected, then accepted again.
void PrintingTest::refusedByThePrinter()
{
    const QString queue = u"ZOL-PDF-REJECT"_s;
    if (qEnvironmentVariable("PRINTER") != queue)
        QSKIP("runs as tst_printing_refused, with PRINTER naming the queue it rejects");
    const QString why = u"needs the PDF printer %1, cupsreject, cupsaccept and pdfinfo: run "
                        u"scripts/pdf-printer.sh as root"_s.arg(queue);
    const QString reject = QStandardPaths::findExecutable(u"cupsreject"_s);
    const QString accept = QStandardPaths::findExecutable(u"cupsaccept"_s);
    if (QPrinterInfo::defaultPrinter().printerName() != queue || reject.isEmpty() ||
        accept.isEmpty() || !havePoppler() || QProcess::execute(accept, {queue}) != 0) {
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL(qPrintable(why));
        QSKIP(qPrintable(why));
    }
    // Accepting again whatever happens: the queue outlives the test.
    struct Accept
    {
        QString program, queue;
        ~Accept() { QProcess::execute(program, {queue}); }
    } acceptAtEnd{accept, queue};
    QCOMPARE(QProcess::execute(reject, {queue}), 0);

    QtPagePrinter real;
    ReaderFixture window;
    window.withPrinter(real).withSettings(" 2 \r\n 1 \r\n");
    frmZOLprint &w = window.window();
    QVERIFY(window.openPages({u"ZOL 5 Eik 12,5 %"_s, u"two"_s}));
    control<QAction>(w, u"mThispage"_s)->trigger();
    control<QAction>(w, u"mAllpages"_s)->trigger();
    QCOMPARE(window.boxes.shown.size(), 2);
    for (const auto &shown : window.boxes.shown) {
        QCOMPARE(shown.title, u"ZOL Print Fehler"_s);
        QVERIFY2(shown.text.startsWith(u"Fehler 105 - Kein Drucker verfügbar\r\n"
                                       u"der Drucker nimmt keine Aufträge an\r\n"_s +
                                       queue),
                 qPrintable(shown.text));
    }

    // Printed from the preview, through Qt's print dialog, the job is
    // refused all the same, and says so.
    window.boxes.shown.clear();
    QCOMPARE(previewSheets(w, true), 2);
    QCOMPARE(window.boxes.shown.size(), 1);
    const QString fromPreview = window.boxes.shown[0].text;
    QVERIFY2(fromPreview.startsWith(u"Fehler 105 - Kein Drucker verfügbar\r\n"_s) &&
                 fromPreview.contains(queue),
             qPrintable(fromPreview));

    // Qt's own engine reports the refused job as printed; the print
    // system's answer to it is what tells.
    QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    QVERIFY(!printsystem::acceptsJobs(queue, nullptr));
    QVERIFY(printPagesOn(printer, {u"refused"_s}));
    // On the print system's own printer too, the text began at the corner of
    // what it can print, not behind Qt's own margin.
    QPageLayout printable = printer.pageLayout();
    printable.setMargins(printable.minimumMargins());
    QCOMPARE(printer.pageLayout().marginsPoints(), printable.marginsPoints());
    QString refusal;
    QVERIFY(!printsystem::lastJobAccepted(&refusal));
    QVERIFY2(refusal.contains(queue), qPrintable(refusal));

    // Accepted again, the job goes through and is printed.
    const QDir out(qEnvironmentVariable("ZOL_PDF_DIR", u"/var/spool/zol-pdf"_s) + u"/reject"_s);
    const QStringList pdfs = {u"*.pdf"_s};
    const QStringList listed = out.entryList(pdfs, QDir::Files);
    const QSet<QString> before(listed.begin(), listed.end());
    QCOMPARE(QProcess::execute(accept, {queue}), 0);
    window.boxes.shown.clear();
    control<QAction>(w, u"mAllpages"_s)->trigger();
    QVERIFY2(window.boxes.shown.isEmpty(), qPrintable(window.boxes.shown.value(0).text));
    QString written;
    int sheets = -1;
    const QDeadlineTimer deadline(90000);
    while (sheets < 0 && !deadline.hasExpired()) {
        QTest::qWait(250);
        for (const QString &name : out.entryList(pdfs, QDir::Files)) {
            if (!before.contains(name))
                sheets = pdfinfoPages(written = out.filePath(name));
        }
    }
    QVERIFY2(!written.isEmpty(), qPrintable(u"no PDF appeared in "_s + out.path()));
    QCOMPARE(sheets, 2);
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
    PrintFailure failure;
    QVERIFY(!QtPagePrinter().printPages({u"page"_s}, &failure));
    QCOMPARE(failure.kind, PrintFailure::Kind::NoPrinter);

    QtPagePrinter real;
    ReaderFixture window;
    window.withPrinter(real);
    frmZOLprint &w = window.window();
    const FakeMessageBoxes &boxes = window.boxes;
    const PageStore &pages = w.document().pages();
    QVERIFY(window.openPages({u"one"_s, u"two"_s}));
    control<QAction>(w, u"mThispage"_s)->trigger();
    control<QAction>(w, u"mAllpages"_s)->trigger();
    QCOMPARE(boxes.shown.size(), 2);
    for (const auto &shown : boxes.shown)
        QCOMPARE(shown.text, u"Error 105 - No printer available\r\nno default printer"_s);
    QCOMPARE(pages.sPage(1), u"two"_s);
    QCOMPARE(pages.pagesInUse(), QStringList({u"one"_s, u"two"_s}));
    QVERIFY(control<QAction>(w, u"mAllpages"_s)->isEnabled());
}

QTEST_MAIN(PrintingTest)
#include "tst_printing.moc"
