#include "accessibility.h"
#include "controls.h"
#include "fakemessageboxes.h"
#include "fakeportlister.h"
#include "fakeserialport.h"
#include "frmabout.h"
#include "frmzolprint.h"
#include "readerfakes.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

class AccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QAccessible::setActive(true); }
    void everyControlHasASpokenName_data();
    void everyControlHasASpokenName();
    void aboutReadsItsTexts();
};

void AccessibilityTest::everyControlHasASpokenName_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QStringList>("expected"); // page, page number, progress, read item
    QTest::newRow("Dutch") << QByteArray(" 0 \r\n 1 \r\n")
                           << QStringList{u"Pagina"_s, u"Paginanummer"_s, u"Voortgang"_s,
                                          u"Inlezen ZOL"_s, u"Bestand"_s};
    QTest::newRow("English") << QByteArray(" 1 \r\n 1 \r\n")
                             << QStringList{u"Page"_s, u"Page number"_s, u"Progress"_s,
                                            u"Read ZOL"_s, u"File"_s};
    QTest::newRow("German") << QByteArray(" 2 \r\n 1 \r\n")
                            << QStringList{u"Seite"_s, u"Seitennummer"_s, u"Fortschritt"_s,
                                           u"ZOL einlesen"_s, u"Datei"_s};
    QTest::newRow("French") << QByteArray(" 3 \r\n 1 \r\n")
                            << QStringList{u"Page"_s, u"Numéro de page"_s, u"Progression"_s,
                                           u"Importer données du ZOL"_s, u"Fichier"_s};
}

void AccessibilityTest::everyControlHasASpokenName()
{
    QFETCH(QByteArray, settings);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString settingsPath = dir.filePath(u"zolprint.ini"_s);
    {
        QFile file(settingsPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(settings);
    }
    FakeSerialPort port;
    FakeMessageBoxes boxes;
    EmptyRegistry registry;
    FakeLauncher launcher;
    FakePortLister ports;
    frmZOLprint w(
        ReaderServices{port, boxes, nullptr, nullptr, &registry, &launcher, settingsPath, &ports});
    w.Form_Load();
    w.show();

    const QStringList problems = unnamedControls(&w);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u"; "_s)));

    QCOMPARE(spokenName(control<QWidget>(w, u"txtVenster"_s)), expected.at(0));
    QCOMPARE(spokenName(control<QLineEdit>(w, u"txtPageno"_s)), expected.at(1));
    QCOMPARE(spokenName(control<QProgressBar>(w, u"pbVoortgang"_s)), expected.at(2));
    QCOMPARE(spokenName(control<QPushButton>(w, u"cmdFirstpage"_s)), u"<<"_s);
    QCOMPARE(spokenName(&w), u"ZOL Print"_s);

    // Menu items are read by their captions, the access key's ampersand
    // dropped, as the screen reader walks them from the menu bar.
    const QStringList below = spokenNamesBelow(&w);
    for (const QString &caption : {expected.at(3), expected.at(4), u"COM1"_s, u"COM4"_s})
        QVERIFY2(below.contains(caption), qPrintable(caption + u" in "_s + below.join(u'|')));
    for (const QString &code : {u"mStart"_s, u"mFile"_s, u"mPort1"_s, u"txtVenster"_s,
                                u"cmdFirstpage"_s, u"StatusBar1"_s, u"frmZOLprint"_s})
        QVERIFY2(!below.contains(code), qPrintable(code));

    // The status text is read once there is one.
    w.mStart_Click();
    const QStringList during = spokenNamesBelow(&w);
    QVERIFY2(during.contains(w.state().tables.sConnected.at(w.state().iLanguage)),
             qPrintable(during.join(u'|')));

    // The About dialog speaks English whatever the window's language.
    w.tmrControle_Timer();
    w.mAbout_Click();
    auto *about = w.findChild<frmAbout *>();
    QVERIFY(about);
    const QStringList aboutProblems = unnamedControls(about);
    QVERIFY2(aboutProblems.isEmpty(), qPrintable(aboutProblems.join(u"; "_s)));
    about->close();
}

void AccessibilityTest::aboutReadsItsTexts()
{
    FakeMessageBoxes boxes;
    frmAbout d(AboutServices{nullptr, nullptr, &boxes, {}});
    d.show();
    QCOMPARE(spokenName(&d), u"About ZOL Print"_s);
    QCOMPARE(spokenName(control<QPushButton>(d, u"cmdSysInfo"_s)), u"System Info..."_s);
    QCOMPARE(spokenName(control<QPushButton>(d, u"cmdOK"_s)), u"OK"_s);
    const QStringList below = spokenNamesBelow(&d);
    for (const QString &text : {u"Version 2.14"_s, u"ZOL Print Software for Windows"_s,
                                u"For use with ZOL Moisture Meters"_s})
        QVERIFY2(below.contains(text), qPrintable(text + u" in "_s + below.join(u'|')));
    // The photograph is described, not named by its code name.
    const QString picture = spokenName(control<QLabel>(d, u"Picture1"_s));
    QVERIFY2(picture.contains(u"meter"_s), qPrintable(picture));
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
