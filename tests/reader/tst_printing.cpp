#include "fakemessageboxes.h"
#include "fakeserialport.h"
#include "frmzolprint.h"
#include "pageprinter.h"
#include "readerfakes.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

namespace {

// Qt's PDF writer leaves its page objects uncompressed.
int pdfPages(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression page(u"/Type\\s*/Page[^s]"_s);
    return static_cast<int>(QString::fromLatin1(file.readAll()).count(page));
}

} // namespace

class PrintingTest : public QObject
{
    Q_OBJECT

private slots:
    void sheetsInThePdf();
    void theWindowsPrintCommands();
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

    // Nothing to print: no job at all.
    QtPagePrinter none(dir.filePath(u"none.pdf"_s));
    QString reason;
    QVERIFY(none.printPages({}, &reason));
    QVERIFY(!QFile::exists(dir.filePath(u"none.pdf"_s)));

    // The fixed-pitch font reaches the PDF.
    QFile file(dir.filePath(u"five.pdf"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.contains("Courier") || bytes.contains("LiberationMono"));

    QtPagePrinter nowhere(u"/no/such/folder/out.pdf"_s);
    QVERIFY(!nowhere.printPages({u"x"_s}, &reason));
    QVERIFY(!reason.isEmpty());
}

void PrintingTest::theWindowsPrintCommands()
{
    QTemporaryDir dir;
    FakeSerialPort port;
    FakeMessageBoxes boxes;
    FakePagePrinter printer;
    frmZOLprint w(ReaderServices{port, boxes, nullptr, &printer, nullptr, nullptr,
                                 dir.filePath(u"zolprint.ini"_s)});
    w.Form_Load();
    PageStore &pages = w.state().pages;
    for (int i = 0; i < 5; ++i)
        pages.sPage[i] = u"page %1"_s.arg(i + 1);
    pages.iPages = 3;
    w.cmdNextpage_Click();
    w.cmdNextpage_Click();

    w.mThispage->trigger();
    w.mAllpages->trigger();
    QCOMPARE(printer.jobs.size(), 2);
    QCOMPARE(printer.jobs[0], QStringList({u"page 3"_s}));
    QCOMPARE(printer.jobs[1].size(), 5);
    QCOMPARE(printer.jobs[1].first(), u"page 1"_s);

    printer.failWith = u"no default printer"_s;
    w.mAllpages_Click();
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].title, u"ZOL Print error"_s);
    QCOMPARE(boxes.shown[0].text, u"Error 105 - No printer available"_s);
    QCOMPARE(pages.iPages, 3);
}

QTEST_MAIN(PrintingTest)
#include "tst_printing.moc"
