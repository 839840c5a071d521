#include "builtpaths.h"
#include "transfercost.h"

#include <QTest>

using namespace zol::bench;

// The whole measurement once, on the real programs: the simulated meter's
// sample dump at 2400 baud and ZOLprint's ten seconds of silence.
class TransferCostTest : public QObject
{
    Q_OBJECT

private slots:
    void measuresTheWholeTransfer();
    void measuresTheBareReader();
};

void TransferCostTest::measuresTheWholeTransfer()
{
    const TransferCost cost = measureTransferCost(builtBenchPaths(), 1);
    QVERIFY2(cost.error.isEmpty(), qPrintable(cost.error));
    // The keypad's second, the dump's 2810 characters of 10 bits at 2400
    // baud, and the ten seconds that end the transfer.
    QCOMPARE(cost.dumpBytes, 2810);
    QVERIFY2(cost.transferSeconds > 1 + 11.7 + 9.5 && cost.transferSeconds < 1 + 11.7 + 12,
             qPrintable(QString::number(cost.transferSeconds)));
    QVERIFY(cost.idleBefore && cost.transfer && cost.idleAfter);
    // Shares of one core: the program used some, and never more than a core.
    QVERIFY2(*cost.transfer > 0 && *cost.transfer < 1, qPrintable(QString::number(*cost.transfer)));
    QVERIFY(*cost.idleBefore >= 0 && *cost.idleBefore < 1);
    QVERIFY(*cost.idleAfter >= 0 && *cost.idleAfter < 1);
    // Waiting on its event loop, the program wakes now and then, and it
    // cannot wake less than never.
    QVERIFY(cost.wakeupsBefore && cost.wakeupsAfter);
    QVERIFY(*cost.wakeupsBefore >= 0 && *cost.wakeupsAfter >= 0);
    // Showing the pages is counted apart, and is not nothing.
    QVERIFY(cost.switchesShowingEnd);
    QVERIFY2(*cost.switchesShowingEnd > 0, qPrintable(QString::number(*cost.switchesShowingEnd)));
}

// The floor beside it: the same dump read by a bare window, which ends its
// read after the same ten seconds.
void TransferCostTest::measuresTheBareReader()
{
    const TransferCost cost = measureBareTransferCost(builtBenchPaths());
    QVERIFY2(cost.error.isEmpty(), qPrintable(cost.error));
    QCOMPARE(cost.dumpBytes, 2810);
    QVERIFY2(cost.transferSeconds > 1 + 11.7 + 9.5 && cost.transferSeconds < 1 + 11.7 + 12,
             qPrintable(QString::number(cost.transferSeconds)));
    QVERIFY(cost.transfer);
    QVERIFY2(*cost.transfer > 0 && *cost.transfer < 1, qPrintable(QString::number(*cost.transfer)));
}

QTEST_GUILESS_MAIN(TransferCostTest)
#include "tst_transfercost.moc"
