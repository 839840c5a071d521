#include "textfit.h"
#include "toolfixture.h"
#include "twips.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

// Run once at each scale (QT_SCALE_FACTOR 1, 1.5, 2, and a 144-DPI X display): the window keeps its
// layout in twips at the logical DPI, and no text is cut off.
class ToolScalingTest : public QObject
{
    Q_OBJECT

private slots:
    void layoutAndTextsAtThisScale();
};

void ToolScalingTest::layoutAndTextsAtThisScale()
{
    // More ports than the lines beside the COM port box hold.
    ToolFixture tool;
    tool.withPorts({{u"/dev/ttyS0"_s, QString()},
                    {u"/dev/ttyS1"_s, QString()},
                    {u"/dev/ttyUSB0"_s, u"FT232R USB UART"_s},
                    {u"/dev/ttyACM0"_s, u"CDC ACM"_s}});
    QVERIFY(tool.showExposed());
    // Every port is still reachable, by the tip and a screen reader.
    QTRY_VERIFY(tool.txtComPort()->accessibleDescription().endsWith(u"(CDC ACM)"_s));
    frmMain &w = tool.window();
    QCOMPARE(w.devicePixelRatio(), requestedScale());

    QCOMPARE(w.size(), twipsSize(7110, 2655));
    const QStringList misplaced =
        misplacedControls(&w, {{u"Label1"_s, {120, 120, 2175, 255}},
                               {u"txtData"_s, {120, 360, 3135, 1005}},
                               {u"lblErrors"_s, {3360, 120, 3255, 255}},
                               {u"txtErrors"_s, {3360, 360, 3375, 975}},
                               {u"cmdGetserial"_s, {120, 1440, 2175, 375}},
                               {u"lblComport"_s, {2400, 1440, 855, 255}},
                               {u"txtComPort"_s, {3360, 1440, 375, 285}},
                               {u"cmdProgram"_s, {120, 1920, 2175, 375}},
                               {u"lblName"_s, {2400, 1920, 735, 255}},
                               {u"txtName"_s, {3240, 1920, 1335, 285}},
                               {u"StatusBar1"_s, {0, 2400, 7110, 255}}});
    QVERIFY2(misplaced.isEmpty(), qPrintable(misplaced.join(u"; "_s)));

    // Both status texts the tool shows, and the idle window.
    QStringList clipped = clippedTexts(&w);
    w.cmdGetserial_Click();
    clipped << clippedTexts(&w);
    w.tmrTimeout_Timer();
    clipped << clippedTexts(&w);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(u"; "_s)));
}

QTEST_MAIN(ToolScalingTest)
#include "tst_toolscaling.moc"
