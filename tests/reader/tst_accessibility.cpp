#include "accessibility.h"
#include "controls.h"
#include "fakemessageboxes.h"
#include "frmabout.h"
#include "progressbar.h"
#include "readerfixture.h"
#include "screenreader.h"
#include "statusbar.h"
#include "textbox.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <optional>

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
    // First, previous, next and last page, and where page 2 of 3 is.
    QTest::addColumn<QStringList>("pageButtons");
    // What the status panel says at a reading's start, and then its end
    // with the count of pages.
    QTest::addColumn<QString>("connected");
    QTest::addColumn<QString>("prompts");
    QTest::addColumn<QString>("stop");
    QTest::newRow("Dutch") << QByteArray(" 0 \r\n 1 \r\n")
                           << QStringList{u"Pagina"_s, u"Paginanummer"_s, u"Voortgang"_s,
                                          u"Inlezen ZOL"_s, u"Bestand"_s}
                           << QStringList{u"Eerste pagina"_s, u"Vorige pagina"_s,
                                          u"Volgende pagina"_s, u"Laatste pagina"_s,
                                          u"Pagina 2 van 3"_s}
                           << u"Verbonden"_s
                           << u"Druk op * 3 0 + op de ZOL. Druk op * 3 1 op de ZOL6"_s
                           << u"Stop (3)"_s;
    QTest::newRow("English") << QByteArray(" 1 \r\n 1 \r\n")
                             << QStringList{u"Page"_s, u"Page number"_s, u"Progress"_s,
                                            u"Read ZOL"_s, u"File"_s}
                             << QStringList{u"First page"_s, u"Previous page"_s, u"Next page"_s,
                                            u"Last page"_s, u"Page 2 of 3"_s}
                             << u"Connected"_s << u"Enter * 3 0 + on ZOL. Enter * 3 1 on ZOL6"_s
                             << u"Stop (3)"_s;
    QTest::newRow("German")
        << QByteArray(" 2 \r\n 1 \r\n")
        << QStringList{u"Seite"_s, u"Seitennummer"_s, u"Fortschritt"_s, u"ZOL einlesen"_s,
                       u"Datei"_s}
        << QStringList{u"Erste Seite"_s, u"Vorherige Seite"_s, u"Nächste Seite"_s,
                       u"Letzte Seite"_s, u"Seite 2 von 3"_s}
        << u"Verbunden"_s << u"Bitte auf * 3 0 + drucken am ZOL. Bitte auf * 3 1 drucken am ZOL6"_s
        << u"Stop (3)"_s;
    QTest::newRow("French") << QByteArray(" 3 \r\n 1 \r\n")
                            << QStringList{u"Page"_s, u"Numéro de page"_s, u"Progression"_s,
                                           u"Importer données du ZOL"_s, u"Fichier"_s}
                            << QStringList{u"Première page"_s, u"Page précédente"_s,
                                           u"Page suivante"_s, u"Dernière page"_s,
                                           u"Page 2 sur 3"_s}
                            << u"Connecté"_s
                            << u"Appuyer sur * 3 0 + sur ZOL. Appuyer sur * 3 1 sur ZOL6"_s
                            << u"Arrêt (3)"_s;
}

namespace {

QAccessibleInterface *accessible(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

// What the status bar announced since the last call: the notifications that
// appeared in it, in order. Each announcement is a notification of its own.
QStringList announcements(StatusBar *bar)
{
    QCoreApplication::processEvents();
    QStringList spoken;
    for (Announcement *a : bar->findChildren<Announcement *>()) {
        if (a->isVisible() && accessible(a)->role() == QAccessible::Notification)
            spoken.append(accessible(a)->text(QAccessible::Name));
        delete a;
    }
    return spoken;
}

// The value a screen reader reads off a progress bar, or nothing for a bar it
// takes for a busy indicator (no range).
std::optional<int> readPercent(QProgressBar *bar)
{
    QAccessibleValueInterface *value = accessible(bar)->valueInterface();
    if (!value || value->maximumValue() == value->minimumValue())
        return std::nullopt;
    return value->currentValue().toInt();
}

} // namespace

void AccessibilityTest::everyControlHasASpokenName()
{
    QFETCH(QByteArray, settings);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, pageButtons);
    QFETCH(QString, connected);
    QFETCH(QString, prompts);
    QFETCH(QString, stop);
    ReaderFixture f;
    frmZOLprint &w = f.withSettings(settings).window();
    w.show();

    const QStringList problems = unnamedControls(&w);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u"; "_s)));

    QCOMPARE(spokenName(control<QWidget>(w, u"txtVenster"_s)), expected.at(0));
    QCOMPARE(spokenName(control<QLineEdit>(w, u"txtPageno"_s)), expected.at(1));
    QCOMPARE(spokenName(control<QProgressBar>(w, u"pbVoortgang"_s)), expected.at(2));
    // The page buttons show arrows and are heard by what they do.
    const QStringList buttons = {u"cmdFirstpage"_s, u"cmdPrevpage"_s, u"cmdNextpage"_s,
                                 u"cmdLastpage"_s};
    const QStringList arrows = {u"<<"_s, u"<"_s, u">"_s, u">>"_s};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(control<QPushButton>(w, buttons.at(i))->text(), arrows.at(i));
        QCOMPARE(spokenName(control<QPushButton>(w, buttons.at(i))), pageButtons.at(i));
    }
    QCOMPARE(spokenName(&w), u"ZOL Print"_s);
    auto *statusBar = control<StatusBar>(w, u"StatusBar1"_s);
    QCOMPARE(accessible(statusBar)->role(), QAccessible::StatusBar);
    QCOMPARE(accessible(&w)->role(), QAccessible::Window);

    // Menu items are read by their captions, the access key's ampersand
    // dropped, as the screen reader walks them from the menu bar.
    const QStringList below = spokenNamesBelow(&w);
    for (const QString &caption : {expected.at(3), expected.at(4), u"COM1"_s, u"COM4"_s})
        QVERIFY2(below.contains(caption), qPrintable(caption + u" in "_s + below.join(u'|')));
    for (const QString &code : {u"mStart"_s, u"mFile"_s, u"mPort1"_s, u"txtVenster"_s,
                                u"cmdFirstpage"_s, u"StatusBar1"_s, u"frmZOLprint"_s})
        QVERIFY2(!below.contains(code), qPrintable(code));
    // Orca speaks a shortcut only from the third field of the key binding.
    QAccessibleInterface *readItem =
        QAccessible::queryAccessibleInterface(w.findChild<QAction *>(u"mStart"_s));
    QCOMPARE(readItem->actionInterface()->keyBindingsForAction({}).join(u';'), u";;Ctrl+I"_s);

    // The status text is read once there is one, and a reading's start is
    // announced with what to do on the meter, in the window's language.
    announcements(statusBar);
    w.mStart_Click();
    const QStringList during = spokenNamesBelow(&w);
    QVERIFY2(during.contains(connected), qPrintable(during.join(u'|')));
    QCOMPARE(announcements(statusBar), QStringList{connected + u". "_s + prompts});

    // The bar's steps while bytes come are no percentage to a listener.
    auto *bar = control<QProgressBar>(w, u"pbVoortgang"_s);
    f.port.receive("Page one\r\n\fPage two\r\n\fPage three\r\n\f");
    w.tmrReadbuf_Timer();
    QCOMPARE(static_cast<ProgressBar *>(bar)->value(), 10);
    QCOMPARE(readPercent(bar), std::nullopt);

    // Its end is announced with the count, and the bar says nothing idle.
    w.tmrControle_Timer();
    QCOMPARE(statusBar->panelText(1), stop);
    QCOMPARE(announcements(statusBar), QStringList{stop});
    QCOMPARE(readPercent(bar), std::nullopt);

    // A page change is announced with where the user is, and the page box
    // tells it too.
    control<QPushButton>(w, u"cmdNextpage"_s)->click();
    QCOMPARE(announcements(statusBar), QStringList{pageButtons.at(4)});
    QCOMPARE(accessible(control<QLineEdit>(w, u"txtPageno"_s))->text(QAccessible::Description),
             pageButtons.at(4));
    // At the last page, pressed again, it says again where the user is.
    const QString last = QString(pageButtons.at(4)).replace(u'2', u'3');
    for (int press = 0; press < 2; ++press) {
        control<QPushButton>(w, u"cmdLastpage"_s)->click();
        QCOMPARE(announcements(statusBar), QStringList{last});
    }

    // A NUL in a page is read as the window shows it, not as the page's end.
    auto *venster = control<TextBox>(w, u"txtVenster"_s);
    venster->setText(u"Eik"_s + QChar() + u"12"_s);
    QCOMPARE(accessible(venster)->text(QAccessible::Value), u"Eik␀12"_s);
    // The About dialog speaks English whatever the window's language.
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
    EmptyRegistry registry;
    FakeLauncher launcher;
    frmAbout d(AboutServices{registry, launcher, boxes, &isOrdinaryFile});
    d.show();
    QCOMPARE(spokenName(&d), u"About ZOL Print"_s);
    QCOMPARE(spokenName(control<QPushButton>(d, u"cmdSysInfo"_s)), u"System Info..."_s);
    QCOMPARE(spokenName(control<QPushButton>(d, u"cmdOK"_s)), u"OK"_s);
    const QStringList below = spokenNamesBelow(&d);
    // The version and the web address are read with the rest.
    for (const QString &text :
         {u"ZOL Print Version 2.14"_s, u"Web site www.zol-instruments.example"_s,
          u"ZOL Print Software for Windows"_s, u"For use with ZOL Moisture Meters"_s})
        QVERIFY2(below.contains(text), qPrintable(text + u" in "_s + below.join(u'|')));
    QCOMPARE(control<QLabel>(d, u"lblVersion"_s)->text(), u"Version 2.14"_s);
    // The photograph is described, not named by its code name.
    const QString picture = spokenName(control<QLabel>(d, u"Picture1"_s));
    QVERIFY2(picture.contains(u"meter"_s), qPrintable(picture));
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
