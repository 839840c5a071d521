#include "fakemessageboxes.h"
#include "fonts.h"
#include "frmabout.h"
#include "readerfixture.h"
#include "textfit.h"
#include "twips.h"

#include <QApplication>
#include <QTest>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

// Run once at each scale (QT_SCALE_FACTOR 1, 1.5, 2, and a 144-DPI X display): the windows keep
// their layout in twips at the logical DPI, and no text is cut off.
class ReaderScalingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mainWindowInEachLanguage_data();
    void mainWindowInEachLanguage();
    void aboutDialog();

private:
    qreal m_scale = 1.0;
};

void ReaderScalingTest::initTestCase()
{
    installFontSubstitutes();
    m_scale = requestedScale();
    qInfo("scale %g, logical DPI %g", m_scale, logicalDpi());
}

void ReaderScalingTest::mainWindowInEachLanguage_data()
{
    QTest::addColumn<qint16>("language");
    QTest::newRow("Dutch") << kDutch;
    QTest::newRow("English") << kEnglish;
    QTest::newRow("German") << kGerman;
    QTest::newRow("French") << kFrench;
}

void ReaderScalingTest::mainWindowInEachLanguage()
{
    QFETCH(qint16, language);
    const QList<TwipsPlace> places = {
        {u"cmdFirstpage"_s, {120, 120, 735, 255}}, {u"cmdPrevpage"_s, {1080, 120, 735, 255}},
        {u"txtPageno"_s, {2040, 120, 495, 345}},   {u"cmdNextpage"_s, {2760, 120, 735, 255}},
        {u"cmdLastpage"_s, {3720, 120, 735, 255}}, {u"pbVoortgang"_s, {4680, 120, 1575, 255}},
        {u"txtVenster"_s, {120, 600, 8295, 4215}}, {u"StatusBar1"_s, {0, 4905, 8520, 255}}};
    ReaderFixture f;
    frmZOLprint &w = f.withLanguage(language).window();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.devicePixelRatio(), m_scale);

    const QStringList misplaced = misplacedControls(w.centralWidget(), places);
    QVERIFY2(misplaced.isEmpty(), qPrintable(misplaced.join(u"; "_s)));
    QCOMPARE(w.centralWidget()->size(), twipsSize(8520, 5160));

    // The longest status texts the program shows.
    w.mStart_Click();
    QStringList clipped = clippedTexts(&w);
    for (int i = 0; i < 100; ++i)
        f.port.receive("x\f");
    w.tmrReadbuf_Timer();
    w.tmrControle_Timer();
    clipped << clippedTexts(&w);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(u"; "_s)));
}

void ReaderScalingTest::aboutDialog()
{
    FakeMessageBoxes boxes;
    EmptyRegistry registry;
    FakeLauncher launcher;
    frmAbout d(AboutServices{registry, launcher, boxes, &isOrdinaryFile});
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QCOMPARE(d.devicePixelRatio(), m_scale);
    QCOMPARE(d.size(), twipsSize(4215, 5505));
    const QList<TwipsPlace> places = {
        {u"lblTitle"_s, {120, 120, 4005, 240}},        {u"lblUse"_s, {120, 360, 4095, 225}},
        {u"lblDisclaimer3"_s, {120, 720, 3975, 255}},  {u"Label1"_s, {120, 1440, 3975, 615}},
        {u"lblVersion"_s, {120, 1080, 4005, 225}},     {u"lblHelp"_s, {120, 3360, 3975, 255}},
        {u"lblDisclaimer2"_s, {120, 2160, 3975, 855}}, {u"Picture1"_s, {120, 3840, 2295, 1575}},
        {u"lblDescription"_s, {120, 3120, 4005, 285}}, {u"cmdOK"_s, {2640, 4080, 1260, 345}},
        {u"cmdSysInfo"_s, {2640, 4800, 1245, 345}}};
    const QStringList misplaced = misplacedControls(&d, places);
    QVERIFY2(misplaced.isEmpty(), qPrintable(misplaced.join(u"; "_s)));
    const QStringList clipped = clippedTexts(&d);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(u"; "_s)));
}

QTEST_MAIN(ReaderScalingTest)
#include "tst_readerscaling.moc"
