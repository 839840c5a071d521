#include "controls.h"
#include "measurementsfile.h"
#include "meterdecoder.h"
#include "pageprinter.h"
#include "pdfpages.h"
#include "qtserialport.h"
#include "readerfixture.h"
#include "zolmeterprocess.h"

#include <QProcess>
#include <QTest>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

// ZOLprint reading the simulated meter's sample dump, as a newcomer would.
class ZolprintAgainstZolmeterTest : public QObject
{
    Q_OBJECT

private slots:
    void readsTheSampleDump();
    void dumpOfAnUnevenLine_data();
    void dumpOfAnUnevenLine();
    void cutOffDumpIsShownSavedAndPrinted();
};

namespace {

// The sample report as zolmeter sends it.
QByteArray sampleDump()
{
    QProcess sample;
    sample.start(QString::fromLocal8Bit(ZOLMETER_PATH), {u"sample"_s});
    if (!sample.waitForFinished(10000) || sample.exitCode() != 0)
        return {};
    return sample.readAllStandardOutput();
}

// ZOLprint on COM1, which is the meter's line, with a file dialog that
// answers from a queue and a printer that writes a PDF.
struct ReaderOnMeter : ReaderFixture
{
    explicit ReaderOnMeter(const QByteArray &device)
    {
        qputenv("ZOL_COM1", device);
        withPort(line).withPrinter(printer);
        window().mPort1_Click();
    }
    // The window holds on to the port and the printer, which go first.
    ~ReaderOnMeter() { dropWindow(); }

    // Starts a read; the silence that ends it is shortened, since the meter
    // under test is what comes before.
    void startShortRead()
    {
        window().mStart_Click();
        auto *watchdog = control<Watchdog>(window(), u"tmrControle"_s);
        watchdog->setInterval(3000);
        watchdog->start();
    }

    QString pdf() const { return path(u"pages.pdf"_s); }

    QtSerialPort line;
    QtPagePrinter printer{pdf()};
};

} // namespace

void ZolprintAgainstZolmeterTest::readsTheSampleDump()
{
    QProcess meter;
    // A faster line than the meter's own keeps the test short; the pacing at
    // 2400 baud is the same code.
    const QByteArray device = startZolmeter(meter, {u"dump"_s, u"--baud"_s, u"9600"_s});
    QVERIFY(!device.isEmpty());
    // The watchdog's own ten seconds end this one.
    ReaderOnMeter r(device);
    r->mStart_Click();
    QVERIFY(r.boxes.shown.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!r.line.isOpen(), 30000);

    QCOMPARE(r.status(), u"Stop (5)"_s);
    QCOMPARE(r.pages().pagesInUseCount(), 5);
    const QString first = r.shownPage();
    QVERIFY2(first.startsWith(u"ZOL 5"_s), qPrintable(first));
    QVERIFY(first.contains(u"Schröder"_s));
    QVERIFY(first.contains(u"Scierie François"_s));
    r->cmdLastpage_Click();
    QVERIFY(r.shownPage().contains(u"Summary"_s));

    meter.terminate();
    QVERIFY(meter.waitForFinished(5000));
    QCOMPARE(meter.exitCode(), 0);
}

void ZolprintAgainstZolmeterTest::dumpOfAnUnevenLine_data()
{
    // What zolmeter is told besides its dump at 9600 baud.
    QTest::addColumn<QStringList>("meterArguments");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<int>("pages");
    // The start of the one box the user sees; empty: none.
    QTest::addColumn<QString>("error");
    // Whether the meter goes off by itself, as one switched off does.
    QTest::addColumn<bool>("meterGoesOff");
    // Left on the line from before the program opened the port: the tail of
    // an earlier dump, with a page break in it. None of it is read.
    QTest::newRow("stale bytes before the open") << QStringList{u"--stale"_s, u"STALE TAIL\r\n\f"_s}
                                                 << u"Stop (5)"_s << 5 << QString() << false;
    // A line end after the last form feed makes no sixth page.
    QTest::newRow("line end after the last page")
        << QStringList{u"--trailer"_s, u"\r\n"_s} << u"Stop (5)"_s << 5 << QString() << false;
    // The meter goes off before its first form feed.
    QTest::newRow("cut off in the first page")
        << QStringList{u"--cut"_s, u"300"_s} << u"Stop (1)"_s << 1 << u"Error 106"_s << true;
}

void ZolprintAgainstZolmeterTest::dumpOfAnUnevenLine()
{
    QFETCH(QStringList, meterArguments);
    QFETCH(QString, stop);
    QFETCH(int, pages);
    QFETCH(QString, error);
    QFETCH(bool, meterGoesOff);
    QProcess meter;
    const QByteArray device =
        startZolmeter(meter, QStringList{u"dump"_s, u"--baud"_s, u"9600"_s} + meterArguments);
    QVERIFY(!device.isEmpty());
    ReaderOnMeter r(device);
    r.startShortRead();
    QVERIFY(r.line.isOpen());
    QTRY_VERIFY_WITH_TIMEOUT(!r.line.isOpen(), 30000);
    if (meterGoesOff)
        QTRY_COMPARE_WITH_TIMEOUT(meter.state(), QProcess::NotRunning, 10000);

    QCOMPARE(r.status(), stop);
    const QStringList inUse = r.pages().pagesInUse();
    QCOMPARE(inUse.size(), pages);
    QVERIFY2(inUse.first().startsWith(u"ZOL 5"_s), qPrintable(inUse.first()));
    for (const QString &page : inUse)
        QVERIFY2(!page.contains(u"STALE"_s), qPrintable(page));
    if (error.isEmpty()) {
        QVERIFY(r.boxes.shown.isEmpty());
    } else {
        QCOMPARE(r.boxes.shown.size(), 1);
        QVERIFY2(r.boxes.shown[0].text.startsWith(error), qPrintable(r.boxes.shown[0].text));
    }

    // Printed, one sheet a page in use.
    const qsizetype boxes = r.boxes.shown.size();
    r->mAllpages_Click();
    QCOMPARE(r.boxes.shown.size(), boxes);
    QCOMPARE(pdfPages(r.pdf()), pages);

    if (!meterGoesOff) {
        meter.terminate();
        QVERIFY(meter.waitForFinished(5000));
    }
}

void ZolprintAgainstZolmeterTest::cutOffDumpIsShownSavedAndPrinted()
{
    // The meter goes off halfway through the third of its five pages.
    const QByteArray sample = sampleDump();
    const qsizetype second = sample.indexOf('\f', sample.indexOf('\f') + 1);
    const qsizetype third = sample.indexOf('\f', second + 1);
    QVERIFY(second > 0 && third > second);
    const qsizetype cut = second + 1 + (third - second) / 2;
    PageStore expected;
    expected.beginTransfer(QString());
    expected.receive(sample.left(cut));
    QCOMPARE(expected.iFillpage(), 2);

    QProcess meter;
    const QByteArray device =
        startZolmeter(meter, {u"dump"_s, u"--baud"_s, u"9600"_s, u"--cut"_s, QString::number(cut)});
    QVERIFY(!device.isEmpty());
    ReaderOnMeter r(device);
    r.startShortRead();
    QTRY_VERIFY_WITH_TIMEOUT(!r.line.isOpen(), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(meter.state(), QProcess::NotRunning, 10000);
    QCOMPARE(meter.exitStatus(), QProcess::NormalExit);
    QCOMPARE(meter.exitCode(), 0);

    // Three pages, the last as far as it came, and the user told why.
    QCOMPARE(r.status(), u"Stop (3)"_s);
    const QStringList pages = r.pages().pagesInUse();
    QCOMPARE(pages.size(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(pages[i], expected.sPage(i));
    QVERIFY(pages[2].contains(u"Page 3/5"_s));
    QCOMPARE(r.boxes.shown.size(), 1);
    QCOMPARE(r.boxes.shown[0].text,
             u"Error 106 - Connection to the ZOL lost, the last page may be incomplete\r\n"
             u"the line was hung up: the device was unplugged or switched off"_s);
    r->cmdLastpage_Click();
    QCOMPARE(r.shownPage(), pages[2]);

    // Saved, it opens again as the same three pages.
    const QString saved = r.path(u"cut.mcs"_s);
    r.dialog.answers.append(saved);
    r->mSave_Click();
    QCOMPARE(r.boxes.shown.size(), 1);
    const MeasurementsRead read = readMeasurementsFile(saved);
    QCOMPARE(read.status, MeasurementsRead::Status::Ok);
    QCOMPARE(read.entries.first(3), pages);
    QCOMPARE(read.counter(), 1);

    // Printed, one sheet a page.
    r->mAllpages_Click();
    QCOMPARE(r.boxes.shown.size(), 1);
    QCOMPARE(pdfPages(r.pdf()), 3);
}

QTEST_MAIN(ZolprintAgainstZolmeterTest)
#include "tst_zolprint_zolmeter.moc"
