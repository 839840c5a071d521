#include "meterdecoder.h"
#include "probedrun.h"
#include "procinfo.h"
#include "receivepath.h"
#include "resultstable.h"
#include "transfercost.h"

#include <QTest>
#include <QThread>

#include <cmath>
#include <memory>
#include <unistd.h>

using namespace zol;
using namespace zol::bench;
using namespace Qt::StringLiterals;

class BenchLogicTest : public QObject
{
    Q_OBJECT

private slots:
    void readsProcessFigures();
    void takesMediansAndRatios();
    void tableKeepsItsColumns();
    void readsOnlyCompleteProbeLines();
    void dumpFillsTheStoreAsExpectedHoweverCut();
    void findsWhereReceivedPagesDiffer();
    void decodingRunsOverTheWholeDump();
};

void BenchLogicTest::readsProcessFigures()
{
    // A name with spaces and a parenthesis of its own must not shift the
    // fields: utime 1234 and stime 56 here.
    const QByteArray stat = "4242 (ZOL user name) x) S 1 4242 4242 0 -1 4194304 100 0 0 0 1234 56 "
                            "0 0 20 0 3 0 5000 100000 200 18446744073709551615\n";
    QCOMPARE(parseCpuTicks(stat), std::optional<qint64>(1290));
    QCOMPARE(parseCpuTicks("4242 (ZOLprint) S 1 2 3"), std::nullopt);
    QCOMPARE(parseCpuTicks("garbage without a name"), std::nullopt);
    QCOMPARE(parseCpuTicks("1 (a) S 1 1 1 0 -1 0 0 0 0 0 x 5 0"), std::nullopt);

    const QByteArray status = "Name:\tZOLprint\nVmPeak:\t  300000 kB\nVmHWM:\t   51234 kB\n"
                              "VmRSS:\t   50000 kB\n";
    QCOMPARE(parseStatusKb(status, "VmHWM"), std::optional<qint64>(51234));
    QCOMPARE(parseStatusKb(status, "VmRSS"), std::optional<qint64>(50000));
    QCOMPARE(parseStatusKb(status, "VmSwap"), std::nullopt);
    QCOMPARE(parseStatusKb("VmHWM:\t 12 MB\n", "VmHWM"), std::nullopt);
    QCOMPARE(parseContextSwitches("Name:\tZOLprint\nvoluntary_ctxt_switches:\t40\n"
                                  "nonvoluntary_ctxt_switches:\t2\n"),
             std::optional<qint64>(42));
    QCOMPARE(parseContextSwitches("voluntary_ctxt_switches:\t40\n"), std::nullopt);
    QCOMPARE(parseSchedstatNs("123456789 2000 7\n"), std::optional<qint64>(123456789));
    QCOMPARE(parseSchedstatNs("123456789\n"), std::nullopt);
    QCOMPARE(parseStatusCount("Threads:\t3\nvoluntary_ctxt_switches: x\n", "Threads"),
             std::optional<qint64>(3));

    QCOMPARE(parseCpuModel("processor\t: 0\nvendor_id\t: X\nmodel name\t: Some CPU @ 2.0GHz\n"
                           "model name\t: Other\n"),
             u"Some CPU @ 2.0GHz"_s);
    QCOMPARE(parseCpuModel("processor\t: 0\n"), QString());

    // And for real: this process has used some CPU and some memory, and
    // burning CPU shows on both of its clocks. Burnt until both have moved
    // rather than for a set time, so that a loaded machine only makes it take
    // longer. Neither clock bounds the other: two ticks have been seen with as
    // little as 4 ms on the threads' own clock.
    const std::optional<qint64> before = processCpuTicks(::getpid());
    QVERIFY(before);
    const std::optional<qint64> nsBefore = processCpuNs(0);
    QVERIFY(nsBefore);
    const qint64 giveUp = monotonicNs() + 30'000'000'000;
    const qint64 wantedTicks = *before + 2;
    const qint64 wantedNs = *nsBefore + 5'000'000;
    std::optional<qint64> after = before;
    std::optional<qint64> nsAfter = nsBefore;
    volatile double x = 1;
    while (after && nsAfter && (*after < wantedTicks || *nsAfter < wantedNs) &&
           monotonicNs() < giveUp) {
        for (int i = 0; i < 100'000; ++i)
            x = std::sqrt(x + 1);
        after = processCpuTicks(0);
        nsAfter = processCpuNs(0);
    }
    QVERIFY(after);
    QVERIFY(nsAfter);
    QVERIFY2(*after >= wantedTicks, qPrintable(u"%1 ticks in 30 s"_s.arg(*after - *before)));
    QVERIFY2(*nsAfter >= wantedNs,
             qPrintable(u"%1 ns on the threads' clock in 30 s"_s.arg(*nsAfter - *nsBefore)));
    QCOMPARE(processCpuNs(999'999'999), std::nullopt);
    QVERIFY(processPeakKb(0).value_or(0) > 1000);
    // Whoever waits wakes: a sleep of this thread is a switch of this process.
    const std::optional<qint64> switchesBefore = processContextSwitches(0);
    QVERIFY(switchesBefore);
    QThread::msleep(5);
    QVERIFY(processContextSwitches(0).value_or(0) > *switchesBefore);
    QCOMPARE(processContextSwitches(999'999'999), std::nullopt);
    QCOMPARE(processCpuTicks(999'999'999), std::nullopt);

    QCOMPARE(cpuShare(50, 10'000'000'000, 100), 0.05);
    QCOMPARE(cpuShare(5, 0, 100), 0.0);
}

void BenchLogicTest::takesMediansAndRatios()
{
    QCOMPARE(median({}), std::nullopt);
    QCOMPARE(median({7}), std::optional<double>(7));
    QCOMPARE(median({9, 1, 5}), std::optional<double>(5));
    QCOMPARE(median({4, 1, 3, 2}), std::optional<double>(2.5));
    // One stray slow run moves the mean, not the median.
    QCOMPARE(median({100, 101, 99, 5000, 100}), std::optional<double>(100));

    // A run's rounds: the middle one, and how far the others lie.
    const Spread rounds = spreadOf({0.9, 1.3, 0.7, 1.0, 1.1});
    QCOMPARE(rounds.median, std::optional<double>(1.0));
    QCOMPARE(rounds.low, std::optional<double>(0.7));
    QCOMPARE(rounds.high, std::optional<double>(1.3));
    QCOMPARE(rounds.count, 5);
    QCOMPARE(spreadOf({}).median, std::nullopt);
    QCOMPARE(spreadOf({}).count, 0);

    QCOMPARE(ratioOf(130.0, 100.0), std::optional<double>(1.3));
    QCOMPARE(ratioOf(1.0, 0.0), std::nullopt);
    QCOMPARE(ratioOf(std::nullopt, 2.0), std::nullopt);
    QCOMPARE(ratioOf(1.0, std::nullopt), std::nullopt);
    QCOMPARE(ratioOf(NAN, 2.0), std::nullopt);

    QCOMPARE(formatRatio(1.2345), u"1.23"_s);
    QCOMPARE(formatRatio(250.4), u"250"_s);
    QCOMPARE(formatRatio(std::nullopt), u"-"_s);
}

void BenchLogicTest::tableKeepsItsColumns()
{
    const QString table = markdownTable({
        {u"Start-up"_s, u"120 ms"_s, u"bare 100 ms"_s, 1.2, u"<= 1.3"_s, true},
        {u"a | b"_s, u"two\nlines"_s, QString(), std::nullopt, u"none set"_s, std::nullopt},
        {u"CPU"_s, u"3 %"_s, u"1 %"_s, 3.0, u"<= 1 %"_s, false},
    });
    const QStringList lines = table.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    for (const QString &line : lines) {
        // Seven unescaped bars make six cells on every line.
        QString unescaped = line;
        unescaped.remove(u"\\|"_s);
        QCOMPARE(unescaped.count(u'|'), 7);
    }
    QCOMPARE(lines[2], u"| Start-up | 120 ms | bare 100 ms | 1.20 | <= 1.3 | yes |"_s);
    QCOMPARE(lines[3], u"| a \\| b | two lines | - | - | none set | - |"_s);
    QVERIFY(lines[4].endsWith(u"| 3.00 | <= 1 % | no |"_s));
}

void BenchLogicTest::readsOnlyCompleteProbeLines()
{
    const ProbeReports reports = parseProbeReports(
        "shown 123456789\nhwm 51234\nmessage Error 101 - wrong file\nnoval\ntrig");
    QCOMPARE(reports.size(), 3);
    QCOMPARE(reportValue(reports, "shown"), std::optional<QByteArray>("123456789"));
    QCOMPARE(reportValue(reports, "message"), std::optional<QByteArray>("Error 101 - wrong file"));
    // Half a line is still being written: it is not there yet.
    QCOMPARE(reportValue(reports, "trig"), std::nullopt);
    QCOMPARE(reportValue(reports, "noval"), std::nullopt);
    QVERIFY(parseProbeReports({}).isEmpty());
    // The first of several reports under one key.
    QCOMPARE(reportValue(parseProbeReports("hwm 1\nhwm 2\n"), "hwm"),
             std::optional<QByteArray>("1"));
}

void BenchLogicTest::dumpFillsTheStoreAsExpectedHoweverCut()
{
    for (const qsizetype size : {qsizetype(1), qsizetype(5000), qsizetype(200'000)}) {
        const MeterDump dump = makeMeterDump(size, PageStore::kLastPage);
        QVERIFY(dump.bytes.size() >= size);
        QVERIFY(dump.bytes.size() < size + 100 * 64);
        QCOMPARE(dump.bytes.count('\f'), PageStore::kLastPage);
        QCOMPARE(dump.pages.size(), PageStore::kPageCount);

        // The real decoder, in reads of every size the line might deliver.
        for (const qsizetype cut : {qsizetype(1), qsizetype(7), qsizetype(32767)}) {
            auto store = std::make_unique<PageStore>();
            store->beginTransfer(QString());
            for (qsizetype at = 0; at < dump.bytes.size(); at += cut)
                store->receive(dump.bytes.mid(at, cut));
            QCOMPARE(firstDifference(*store, dump.pages), QString());
            QCOMPARE(store->iFillpage(), PageStore::kLastPage);
        }
    }
    // Fewer pages, and more than the store can break into, which are held
    // to its last page.
    const MeterDump five = makeMeterDump(3000, 5);
    QCOMPARE(five.bytes.count('\f'), 5);
    QCOMPARE(five.pages.size(), 6);
    QVERIFY(five.pages[1].startsWith(u" reading "_s));
    QVERIFY(five.pages[0].contains(u" \u00fc 12.5 %\r\n"_s));
    QCOMPARE(makeMeterDump(1000, 500).bytes.count('\f'), PageStore::kLastPage);
}

void BenchLogicTest::findsWhereReceivedPagesDiffer()
{
    const MeterDump dump = makeMeterDump(20'000, 10);
    PageStore store;
    store.beginTransfer(QString());
    store.receive(dump.bytes);
    QCOMPARE(firstDifference(store, dump.pages), QString());

    // One byte lost in the middle of page 4.
    QByteArray lossy = dump.bytes;
    const qsizetype page4 = lossy.indexOf("reading", [&] {
        qsizetype at = 0;
        for (int i = 0; i < 4; ++i)
            at = lossy.indexOf('\f', at) + 1;
        return at;
    }());
    lossy.remove(page4 + 3, 1);
    PageStore lost;
    lost.beginTransfer(QString());
    lost.receive(lossy);
    const QString difference = firstDifference(lost, dump.pages);
    QVERIFY2(difference.startsWith(u"page 4 differs at character 4 "_s), qPrintable(difference));

    // Text where none was expected is a difference too.
    auto withPage = [&store](int index, const QString &text) {
        std::array<QString, PageStore::kPageCount> pages = store.allPages();
        pages[index] = text;
        PageStore changed;
        changed.restore(pages, store.iPages(), 0);
        return changed;
    };
    const PageStore extra = withPage(50, u"stray"_s);
    QVERIFY(firstDifference(extra, dump.pages).startsWith(u"page 50 "_s));
    // And so is a page cut short at its end.
    const PageStore shortened = withPage(9, store.sPage(9).chopped(1));
    QVERIFY(firstDifference(shortened, dump.pages).startsWith(u"page 9 "_s));
}

void BenchLogicTest::decodingRunsOverTheWholeDump()
{
    // Larger than one read of the serial control, so the last read is short.
    const MeterDump dump = makeMeterDump(100'000, PageStore::kLastPage);
    const DecodeSpeed speed = measureDecoding(dump.bytes, 3);
    qsizetype expected = 0;
    for (const QString &page : dump.pages)
        expected += page.size();
    QCOMPARE(speed.characters, expected);
    QCOMPARE(speed.copiedBytes, dump.bytes.size());
    QVERIFY(speed.decodeBytesPerSecond > 0);
    QVERIFY(speed.copyBytesPerSecond > 0);
}

QTEST_GUILESS_MAIN(BenchLogicTest)
#include "tst_benchlogic.moc"
