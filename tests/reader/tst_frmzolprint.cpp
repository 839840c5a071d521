#include "comports.h"
#include "controls.h"
#include "frmabout.h"
#include "frmzolprint.h"
#include "measurementsfile.h"
#include "ordinaryuser.h"
#include "progressbar.h"
#include "qttranslations.h"
#include "readerfixture.h"
#include "recovery.h"
#include "settings.h"
#include "statusbar.h"
#include "textbox.h"
#include "watchdog.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

namespace {

// A measurements file of pages "page 1", "page 2", ...
QByteArray fileOfPages(int count)
{
    QStringList pages;
    for (int i = 1; i <= count; ++i)
        pages << u"page %1"_s.arg(i);
    return formatMeasurements(pages);
}

// The title as the desktop shows it: Qt puts the unsaved mark where the
// window's title holds "[*]".
QString shownTitle(const QWidget &window)
{
    QString title = window.windowTitle();
    return title.replace(u"[*]"_s, window.isWindowModified() ? u"*"_s : QString());
}

// The window in English on COM1, as most of these tests read it; a test that
// needs other settings sets them, and one that needs none at all takes
// ReaderFixture itself.
struct Fixture : ReaderFixture
{
    Fixture() { withLanguage(kEnglish); }
};

// What a transfer does to the window's commands: "enabled" between two
// transfers, "disabled" during one, or the commands that are off while
// others are on, which is a fault of its own. "This page" is only asked to
// be off during a transfer.
QString commands(const frmZOLprint &w)
{
    QStringList on;
    QStringList off;
    const auto note = [&](const QString &name, bool enabled) { (enabled ? on : off) << name; };
    for (const QString &menu : {u"mFile"_s, u"mComm"_s, u"mHelp"_s})
        note(menu, control<QMenu>(w, menu)->menuAction()->isEnabled());
    for (const QString &button :
         {u"cmdFirstpage"_s, u"cmdPrevpage"_s, u"cmdNextpage"_s, u"cmdLastpage"_s})
        note(button, control<QPushButton>(w, button)->isEnabled());
    for (const QString &item : {u"mOpen"_s, u"mStart"_s, u"mAbout"_s})
        note(item, control<QAction>(w, item)->isEnabled());
    if (off.isEmpty())
        return u"enabled"_s;
    if (control<QAction>(w, u"mThispage"_s)->isEnabled())
        on << u"mThispage"_s;
    if (on.isEmpty())
        return u"disabled"_s;
    return u"on: "_s + on.join(u", "_s) + u"; off: "_s + off.join(u", "_s);
}

} // namespace

class FrmZOLprintTest : public QObject
{
    Q_OBJECT

private slots:
    void captionsInEachLanguage_data();
    void captionsInEachLanguage();
    void settingsRoundTrip_data();
    void settingsRoundTrip();
    void settingsPathIsAFolder();
    void settingsInAFolderTheUserCannotWrite_data();
    void settingsInAFolderTheUserCannotWrite();
    void settingsFileThatIsAPipe();
    void settingsFileThatIsALink_data();
    void settingsFileThatIsALink();
    void controlsByNameAndGeometry();
    void pageNavigationAndWriteBack();
    void typingIsStoredWithCrLf();
    void transferStartAndEnd();
    void transferFailsToOpen_data();
    void transferFailsToOpen();
    void transferWithoutDataOrWithEmptyFirstPage();
    void transferCountersAndProgress();
    void transferBeyondTheLastPage_data();
    void transferBeyondTheLastPage();
    void cutOffDumpAndLostLine();
    void watchdogRestartsOnData();
    void receiveTickWokenByThePortOnly();
    void unsavedPagesAreAskedAbout_data();
    void unsavedPagesAreAskedAbout();
    void titleShowsTheFileAndUnsavedMark();
    void closedDuringAReadingShowsWhatArrived();
    void portFromTheSettingsThatIsNotValid();
    void pagingIsNoEditOfTheUsers();
    void recoveryFileFollowsThePages();
    void nothingRunsBehindTheExitBox();
    void aboutIsOneDialogLoadedAfresh();
    // Last: it installs translators for the rest of the run.
    void qtDialogsSpeakTheProgramsLanguage();
};

namespace {

#ifdef Q_OS_UNIX
// Runs what might wait on the named pipe at path. Should it still wait after
// a generous bound, a helper opens the other end (with otherEnd, O_RDONLY or
// O_WRONLY) to let it go, so that a fault fails the test instead of hanging
// it. Returns whether that was needed.
bool mightWaitOnPipe(const QString &path, int otherEnd, const std::function<void()> &run)
{
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool released = false;
    std::thread helper([&] {
        std::unique_lock lock(mutex);
        if (finished.wait_for(lock, std::chrono::seconds(20), [&] { return done; }))
            return;
        released = true;
        const int fd = ::open(QFile::encodeName(path).constData(), otherEnd | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    });
    run();
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    finished.notify_one();
    helper.join();
    return released;
}
#endif

} // namespace

void FrmZOLprintTest::captionsInEachLanguage_data()
{
    QTest::addColumn<int>("language");
    // The menus' titles: File, Print, Communication, COM port, Help.
    QTest::addColumn<QStringList>("menus");
    // The items: Open, Save, This page, All pages, Preview, To PDF, Exit,
    // Read ZOL, About.
    QTest::addColumn<QStringList>("items");
    QTest::newRow("Dutch") << 0
                           << QStringList{u"&Bestand"_s, u"&Afdrukken"_s, u"&Communicatie"_s,
                                          u"COM poort"_s, u"&Help"_s}
                           << QStringList{u"&Openen"_s,          u"Op&slaan"_s,
                                          u"Huidige pagina"_s,   u"Alle pagina's"_s,
                                          u"Afdrukvoorbeeld"_s,  u"Naar PDF-bestand..."_s,
                                          u"Afsl&uiten"_s,       u"Inlezen ZOL"_s,
                                          u"Over ZOL print..."_s};
    QTest::newRow("English") << 1
                             << QStringList{u"&File"_s, u"&Print"_s, u"&Communication"_s,
                                            u"COM port"_s, u"&Help"_s}
                             << QStringList{u"&Open"_s,     u"&Save"_s,    u"Current page"_s,
                                            u"All pages"_s, u"Preview"_s,  u"To PDF file..."_s,
                                            u"E&xit"_s,     u"Read ZOL"_s, u"About ZOL print..."_s};
    QTest::newRow("German") << 2
                            << QStringList{u"&Datei"_s, u"&Drucken"_s, u"&Kommunication"_s,
                                           u"COM Anschluß"_s, u"&Hilfe"_s}
                            << QStringList{
                                   u"Ö&ffnen"_s,     u"&Speichern"_s,    u"Diese Seite"_s,
                                   u"Alle Seiten"_s, u"Seitenansicht"_s, u"In PDF-Datei..."_s,
                                   u"&Beenden"_s,    u"ZOL einlesen"_s,  u"Über ZOL print..."_s};
    QTest::newRow("French") << 3
                            << QStringList{u"&Fichier"_s, u"&Imprimer"_s, u"&Communication"_s,
                                           u"COM port"_s, u"&Aide"_s}
                            << QStringList{u"&Ouvrir"_s,
                                           u"&Enregistrer"_s,
                                           u"Cette page"_s,
                                           u"Toute les pages"_s,
                                           u"Aperçu avant impression"_s,
                                           u"Vers un fichier PDF..."_s,
                                           u"&Quitter"_s,
                                           u"Importer données du ZOL"_s,
                                           u"A propos de ZOL print..."_s};
}

void FrmZOLprintTest::captionsInEachLanguage()
{
    QFETCH(int, language);
    QFETCH(QStringList, menus);
    QFETCH(QStringList, items);
    ReaderFixture f;
    // Written as the first program wrote it, spaces around the numbers.
    f.withSettings(" " + QByteArray::number(language) + " \r\n 1 \r\n");
    frmZOLprint &w = f.window();
    QCOMPARE(w.language(), language);
    const QStringList menuNames = {u"mFile"_s, u"mPrint"_s, u"mComm"_s, u"mPort"_s, u"mHelp"_s};
    for (int i = 0; i < menuNames.size(); ++i)
        QCOMPARE(control<QMenu>(w, menuNames[i])->title(), menus.at(i));
    const QStringList itemNames = {u"mOpen"_s,     u"mSave"_s,    u"mThispage"_s,
                                   u"mAllpages"_s, u"mPreview"_s, u"mToPdf"_s,
                                   u"mExit"_s,     u"mStart"_s,   u"mAbout"_s};
    for (int i = 0; i < itemNames.size(); ++i)
        QCOMPARE(control<QAction>(w, itemNames[i])->text(), items.at(i));
    // No two items of the File menu share an access key; the recent files
    // take the digits.
    QString keys;
    for (const QAction *item : control<QMenu>(w, u"mFile"_s)->actions()) {
        const qsizetype amp = item->text().indexOf(u'&');
        if (amp >= 0 && amp + 1 < item->text().size())
            keys += item->text().at(amp + 1).toLower();
    }
    for (const QChar key : std::as_const(keys))
        QVERIFY2(keys.count(key) == 1, qPrintable(keys));

    // The date as the program's language writes it, whatever the system's.
    const QString date = QLocale(languageCode(qint16(language)))
                             .toString(QDate::currentDate(), QLocale::ShortFormat);
    QCOMPARE(control<StatusBar>(w, u"StatusBar1"_s)->panelText(3), date);

    // Not translated.
    QCOMPARE(shownTitle(w), u"ZOL Print"_s);
    QCOMPARE(control<QAction>(w, u"mPort3"_s)->text(), u"COM3"_s);
    QCOMPARE(control<QPushButton>(w, u"cmdFirstpage"_s)->text(), u"<<"_s);
    QCOMPARE(control<QPushButton>(w, u"cmdLastpage"_s)->text(), u">>"_s);
    QCOMPARE(control<QLineEdit>(w, u"txtPageno"_s)->text(), u"1"_s);
    QVERIFY(!control<QTimer>(w, u"tmrReadbuf"_s)->isActive());
    QVERIFY(!control<Watchdog>(w, u"tmrControle"_s)->isActive());

    QCOMPARE(control<QAction>(w, u"mOpen"_s)->shortcut(), QKeySequence(u"Ctrl+O"_s));
    QCOMPARE(control<QAction>(w, u"mSave"_s)->shortcut(), QKeySequence(u"Ctrl+S"_s));
    QCOMPARE(control<QAction>(w, u"mThispage"_s)->shortcut(), QKeySequence(u"Ctrl+P"_s));
    QCOMPARE(control<QAction>(w, u"mExit"_s)->shortcut(), QKeySequence(u"Ctrl+Q"_s));
    QCOMPARE(control<QAction>(w, u"mStart"_s)->shortcut(), QKeySequence(u"Ctrl+I"_s));
    QCOMPARE(control<QAction>(w, u"mAbout"_s)->shortcut(), QKeySequence(u"F1"_s));
}

void FrmZOLprintTest::settingsRoundTrip_data()
{
    QTest::addColumn<QByteArray>("settings"); // null: no file at all
    QTest::addColumn<bool>("byMenu");         // File > Exit, or the close box
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("checkedPort");   // 0: no item checked
    QTest::addColumn<QList<int>>("chosen"); // ports chosen in the menu before exit
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("German on COM3") << QByteArray(" 2 \r\n 3 \r\n") << false << 2 << 3
                                    << QList<int>{} << QByteArray(" 2 \r\n 3 \r\n");
    // A port the menu does not offer checks no item and is kept as it was.
    QTest::newRow("port 0") << QByteArray(" 0 \r\n0\r\n") << true << 0 << 0 << QList<int>{}
                            << QByteArray(" 0 \r\n 0 \r\n");
    QTest::newRow("port 7") << QByteArray(" 0 \r\n7\r\n") << true << 0 << 0 << QList<int>{}
                            << QByteArray(" 0 \r\n 7 \r\n");
    QTest::newRow("port -5") << QByteArray(" 0 \r\n-5\r\n") << true << 0 << 0 << QList<int>{}
                             << QByteArray(" 0 \r\n-5 \r\n");
    // No file: the system's language on COM1, and exit creates the file.
    QTest::newRow("no file") << QByteArray() << false << int(defaultLanguage()) << 1 << QList<int>{}
                             << " " + QByteArray::number(defaultLanguage()) + " \r\n 1 \r\n";
    // The menu changes the port at once; the file keeps the old one until
    // exit, and the last one chosen is written.
    QTest::newRow("chosen in the menu") << QByteArray(" 1 \r\n 1 \r\n") << false << 1 << 1
                                        << QList<int>{3, 2} << QByteArray(" 1 \r\n 2 \r\n");
}

void FrmZOLprintTest::settingsRoundTrip()
{
    QFETCH(QByteArray, settings);
    QFETCH(bool, byMenu);
    QFETCH(int, language);
    QFETCH(int, checkedPort);
    QFETCH(QList<int>, chosen);
    QFETCH(QByteArray, written);

    ReaderFixture f;
    if (!settings.isNull())
        f.withSettings(settings);
    frmZOLprint &w = f.window();
    QCOMPARE(w.language(), language);
    const QByteArray before = f.settingsOnDisk();
    for (const int port : chosen) {
        control<QAction>(w, u"mPort%1"_s.arg(port))->trigger();
        QCOMPARE(w.port(), port);
        checkedPort = port;
    }
    QCOMPARE(f.settingsOnDisk(), before);
    for (int port = 1; port <= 4; ++port)
        QVERIFY2(control<QAction>(w, u"mPort%1"_s.arg(port))->isChecked() == (port == checkedPort),
                 qPrintable(QString::number(port)));

    QSignalSpy ended(&w, &frmZOLprint::programEnded);
    if (byMenu)
        w.mExit_Click();
    else
        w.close();
    QCOMPARE(ended.size(), 1);
    QCOMPARE(f.settingsOnDisk(), written);
}

void FrmZOLprintTest::settingsPathIsAFolder()
{
    Fixture f;
    frmZOLprint &w = f.window();
    // A folder in the place of the file, after the start read it: it cannot
    // be replaced by a file.
    QFile::remove(f.settingsPath());
    QVERIFY(QDir().mkdir(f.settingsPath()));
    QSignalSpy ended(&w, &frmZOLprint::programEnded);
    w.close();
    QCOMPARE(ended.size(), 1);
    QVERIFY(w.isUnloaded());
    // Told in a message box, where a Windows user can see it, with the file:
    // it is not one the user chose.
    QCOMPARE(f.boxes.shown.size(), 1);
    QCOMPARE(f.boxes.shown.first().title, u"ZOL Print error"_s);
    QVERIFY2(f.boxes.shown.first().text.startsWith(u"Error 104 - Error during saving\r\n"_s +
                                                   QDir::toNativeSeparators(f.settingsPath()) +
                                                   u"\r\n"_s),
             qPrintable(f.boxes.shown.first().text));
    QVERIFY(f.boxes.shown.first().text.size() >
            (u"Error 104 - Error during saving\r\n\r\n"_s + f.settingsPath()).size());
}

void FrmZOLprintTest::settingsInAFolderTheUserCannotWrite_data()
{
    QTest::addColumn<QString>("settingsFile"); // "read only", "writable" or "pipe"
    QTest::addColumn<QByteArray>("onDisk");    // null: no file, for the pipe stays
    QTest::addColumn<QString>("said");         // the box's first line; empty: none

    QTest::newRow("settings the user may not write")
        << u"read only"_s << QByteArray(" 2 \r\n 3 \r\n")
        << u"Fehler 104 - Fehler beim Speichern\r\n"_s;
    // Written in place, and the port chosen in this run is kept.
    QTest::newRow("settings the user may write")
        << u"writable"_s << QByteArray(" 2 \r\n 1 \r\n") << QString();
    // Never opened for writing: no reader would come.
    QTest::newRow("a named pipe") << u"pipe"_s << QByteArray()
                                  << u"Fehler 104 - Fehler beim Speichern\r\n"_s;
}

void FrmZOLprintTest::settingsInAFolderTheUserCannotWrite()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, settingsFile);
    QFETCH(QByteArray, onDisk);
    QFETCH(QString, said);

    ReaderFixture f;
    f.withSettings(" 2 \r\n 3 \r\n");
    frmZOLprint &w = f.window();
    w.mPort1_Click();
    const QString settingsPath = f.settingsPath();
    if (settingsFile == u"writable"_s) {
        QVERIFY(QFile::setPermissions(settingsPath, QFile::ReadOwner | QFile::WriteOwner |
                                                        QFile::ReadOther | QFile::WriteOther));
    } else if (settingsFile == u"pipe"_s) {
        QFile::remove(settingsPath);
        QCOMPARE(::mkfifo(QFile::encodeName(settingsPath).constData(), 0666), 0);
    }
    QVERIFY(QFile::setPermissions(f.dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                    QFile::ExeOwner | QFile::ReadOther |
                                                    QFile::ExeOther));
    // The folder must be removable again when the test is over.
    auto restore = qScopeGuard([&f] {
        QFile::setPermissions(f.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    QVERIFY(denyAccess(f.dir.path()));

    QSignalSpy ended(&w, &frmZOLprint::programEnded);
    bool released = false;
    {
        AsOrdinaryUser user;
        QVERIFY2(user.failure().isEmpty(), qPrintable(user.failure()));
        released = mightWaitOnPipe(settingsPath, O_RDONLY, [&w] { w.close(); });
    }
    QVERIFY2(!released, "exit waited for a reader of the named pipe");
    QCOMPARE(ended.size(), 1);
    QVERIFY(w.isUnloaded());
    if (onDisk.isNull())
        QVERIFY(QFileInfo(settingsPath).exists() && !QFileInfo(settingsPath).isFile());
    else
        QCOMPARE(f.settingsOnDisk(), onDisk);
    if (said.isEmpty()) {
        QVERIFY(f.boxes.shown.isEmpty());
    } else {
        QCOMPARE(f.boxes.shown.size(), 1);
        QVERIFY2(f.boxes.shown.first().text.startsWith(said),
                 qPrintable(f.boxes.shown.first().text));
    }
#else
    QSKIP("folders without write access for the user are set up the Unix way");
#endif
}

void FrmZOLprintTest::settingsFileThatIsAPipe()
{
#ifdef Q_OS_UNIX
    ReaderFixture f;
    f.notLoaded();
    QCOMPARE(::mkfifo(QFile::encodeName(f.settingsPath()).constData(), 0600), 0);
    frmZOLprint &w = f.window();
    // The program starts at once, as without a settings file.
    const bool released = mightWaitOnPipe(f.settingsPath(), O_WRONLY, [&w] { w.Form_Load(); });
    QVERIFY2(!released, "the start waited for a writer of the named pipe");
    QCOMPARE(w.language(), defaultLanguage());
    QCOMPARE(w.port(), 1);
    QVERIFY(control<QAction>(w, u"mPort1"_s)->isChecked());
    // At exit the pipe's place takes a settings file, which the next start reads.
    w.mPort3_Click();
    w.close();
    QVERIFY(QFileInfo(f.settingsPath()).isFile());
    QVERIFY(f.settingsOnDisk().endsWith(" \r\n 3 \r\n"));
#else
    QSKIP("named pipes in the file system are a Unix matter");
#endif
}

void FrmZOLprintTest::settingsFileThatIsALink_data()
{
    QTest::addColumn<QByteArray>("target");  // null: the link leads nowhere
    QTest::addColumn<QByteArray>("written"); // null: the target stays as it was

    QTest::newRow("to notes") << QByteArray("Call the office\r\nbefore 10\r\n") << QByteArray();
    QTest::newRow("to notes that begin with numbers")
        << QByteArray(" 1 \r\n 3 \r\nthe port of the lab\r\n") << QByteArray();
    QTest::newRow("to an empty file") << QByteArray("") << QByteArray();
    QTest::newRow("to two numbers and a long tail")
        << QByteArray(" 1 \r\n 3 \r\n") + QByteArray(5000, ' ') << QByteArray();
    QTest::newRow("leading nowhere") << QByteArray() << QByteArray();
    QTest::newRow("to a settings file")
        << QByteArray(" 2 \r\n 3 \r\n") << QByteArray(" 2 \r\n 1 \r\n");
    QTest::newRow("to a settings file with LF alone")
        << QByteArray("0\n4\n") << QByteArray(" 0 \r\n 1 \r\n");
}

void FrmZOLprintTest::settingsFileThatIsALink()
{
#ifdef Q_OS_UNIX
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, written);

    // The link is named as the program is told, relative to the working
    // folder; the message names it in full. Nothing else may appear in the
    // folder, so no pages are kept there.
    ReaderFixture f;
    f.withSettingsPath(u"zolprint.ini"_s).withRecoveryFolder(QString());
    const QDir dir(f.dir.path());
    const QString targetPath = dir.filePath(u"notes/notes.txt"_s);
    QVERIFY(dir.mkdir(u"notes"_s));
    if (!target.isNull())
        QVERIFY(!f.writeFile(u"notes/notes.txt"_s, target).isEmpty());
    QVERIFY(QFile::link(u"notes/notes.txt"_s, dir.filePath(u"zolprint.ini"_s)));
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    auto back = qScopeGuard([&before] { QDir::setCurrent(before); });

    frmZOLprint &w = f.window();
    w.mPort1_Click();
    w.close();
    QVERIFY(w.isUnloaded());

    const QString link = dir.filePath(u"zolprint.ini"_s);
    QVERIFY(QFileInfo(link).isSymbolicLink());
    QFile file(targetPath);
    if (written.isNull()) {
        if (target.isNull())
            QVERIFY(!file.exists());
        else
            QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == target);
        QCOMPARE(f.boxes.shown.size(), 1);
        QCOMPARE(f.boxes.shown.first().text,
                 u"Error 104 - Error during saving\r\n"_s + link + u"\r\nThis is a link to "_s +
                     targetPath + u", which is not a settings file: nothing was saved."_s);
    } else {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), written);
        QVERIFY(f.boxes.shown.isEmpty());
    }
    // Nothing was put beside the link or its target.
    QCOMPARE(dir.entryList(QDir::Files | QDir::System | QDir::Hidden),
             QStringList{u"zolprint.ini"_s});
    QCOMPARE(QDir(dir.filePath(u"notes"_s)).entryList(QDir::Files | QDir::Hidden),
             target.isNull() ? QStringList() : QStringList{u"notes.txt"_s});
#else
    QSKIP("symbolic links are made by hand only where the system has them");
#endif
}

void FrmZOLprintTest::controlsByNameAndGeometry()
{
    Fixture f;
    frmZOLprint &w = f.window();
    // The menu bar is the desktop's, not in the window's Courier New.
    const QFont barFont = control<QMenuBar>(w, u"menuBar"_s)->font();
    QCOMPARE(barFont.family(), QApplication::font("QMenuBar").family());
    QCOMPARE(barFont.pointSizeF(), QApplication::font("QMenuBar").pointSizeF());
    QVERIFY(barFont.family() != w.font().family());

    // At 96 DPI a twip is a fifteenth of a pixel.
    QCOMPARE(w.centralWidget()->size(), QSize(568, 344));
    QCOMPARE(control<QPushButton>(w, u"cmdFirstpage"_s)->geometry(), QRect(8, 8, 49, 17));
    QCOMPARE(control<QPushButton>(w, u"cmdLastpage"_s)->geometry(), QRect(248, 8, 49, 17));
    QCOMPARE(control<QLineEdit>(w, u"txtPageno"_s)->geometry(), QRect(136, 8, 33, 23));
    QCOMPARE(control<QProgressBar>(w, u"pbVoortgang"_s)->geometry(), QRect(312, 8, 105, 17));
    QCOMPARE(control<TextBox>(w, u"txtVenster"_s)->geometry(), QRect(8, 40, 553, 281));
    QCOMPARE(control<StatusBar>(w, u"StatusBar1"_s)->geometry(), QRect(0, 327, 568, 17));
    QCOMPARE(control<StatusBar>(w, u"StatusBar1"_s)->panelCount(), 3);
    QVERIFY(f.status().isEmpty());
    QVERIFY(!control<StatusBar>(w, u"StatusBar1"_s)->panelText(2).isEmpty());
    QVERIFY(!control<StatusBar>(w, u"StatusBar1"_s)->panelText(3).isEmpty());

    QVERIFY(control<QLineEdit>(w, u"txtPageno"_s)->isReadOnly());
    QCOMPARE(control<QProgressBar>(w, u"pbVoortgang"_s)->minimum(), 0);
    QCOMPARE(control<QProgressBar>(w, u"pbVoortgang"_s)->maximum(), 100);
    QCOMPARE(control<TextBox>(w, u"txtVenster"_s)->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(control<TextBox>(w, u"txtVenster"_s)->font().family(), u"Courier New"_s);
    QCOMPARE(control<QPushButton>(w, u"cmdFirstpage"_s)->font().family(), u"MS Sans Serif"_s);
    QVERIFY(!w.windowIcon().isNull());
    QVERIFY(!(w.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));

    // The window is of fixed size once laid out.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.minimumSize(), w.maximumSize());

    // Tab order: the page window first, then <, >, <<, >>, the page number.
    w.activateWindow();
    control<TextBox>(w, u"txtVenster"_s)->setFocus();
    QTRY_VERIFY(control<TextBox>(w, u"txtVenster"_s)->hasFocus());
    for (QWidget *next : {static_cast<QWidget *>(control<QPushButton>(w, u"cmdPrevpage"_s)),
                          static_cast<QWidget *>(control<QPushButton>(w, u"cmdNextpage"_s)),
                          static_cast<QWidget *>(control<QPushButton>(w, u"cmdFirstpage"_s)),
                          static_cast<QWidget *>(control<QPushButton>(w, u"cmdLastpage"_s)),
                          static_cast<QWidget *>(control<QLineEdit>(w, u"txtPageno"_s))}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void FrmZOLprintTest::pageNavigationAndWriteBack()
{
    Fixture f;
    frmZOLprint &w = f.window();
    QVERIFY(f.shownPage().isEmpty());
    QTest::mouseClick(control<QPushButton>(w, u"cmdNextpage"_s), Qt::LeftButton);
    QCOMPARE(control<QLineEdit>(w, u"txtPageno"_s)->text(), u"2"_s);
    QTest::mouseClick(control<QPushButton>(w, u"cmdNextpage"_s), Qt::LeftButton);
    QCOMPARE(control<QLineEdit>(w, u"txtPageno"_s)->text(), u"2"_s);
    QTest::mouseClick(control<QPushButton>(w, u"cmdFirstpage"_s), Qt::LeftButton);
    QCOMPARE(control<QLineEdit>(w, u"txtPageno"_s)->text(), u"1"_s);
    QTest::mouseClick(control<QPushButton>(w, u"cmdPrevpage"_s), Qt::LeftButton);
    QCOMPARE(control<QLineEdit>(w, u"txtPageno"_s)->text(), u"1"_s);
    QTest::mouseClick(control<QPushButton>(w, u"cmdLastpage"_s), Qt::LeftButton);
    QCOMPARE(control<QLineEdit>(w, u"txtPageno"_s)->text(), u"2"_s);

    // The program's own text is stored exactly, lone CR and all.
    TextBox *const txtVenster = control<TextBox>(w, u"txtVenster"_s);
    QLineEdit *const txtPageno = control<QLineEdit>(w, u"txtPageno"_s);
    const PageStore &pages = w.document().pages();
    w.cmdFirstpage_Click();
    txtVenster->setText(u"a\rb\r\nc"_s);
    QCOMPARE(pages.sPage(0), u"a\rb\r\nc"_s);
    // Setting the text the window holds is no change: the page keeps its own.
    // Window and page differ mid-transfer, after a receive tick has emptied
    // the window and filed the meter's text into the page.
    w.mStart_Click();
    f.receive("kept");
    txtVenster->setText(txtVenster->text());
    QCOMPARE(pages.sPage(0), u"kept"_s);
    w.tmrControle_Timer();

    // Five pages in use; the buttons stop at the ends and never leave 0..100.
    QVERIFY(f.open(fileOfPages(5)));
    w.cmdLastpage_Click();
    QCOMPARE(txtPageno->text(), u"5"_s);
    QCOMPARE(txtVenster->text(), u"page 5"_s);
    w.cmdNextpage_Click();
    QCOMPARE(txtPageno->text(), u"5"_s);
    w.cmdPrevpage_Click();
    QCOMPARE(txtVenster->text(), u"page 4"_s);

    // A file without pages leaves only page 0. (A counter beyond the store,
    // which no file or transfer gives, is the page store's own test.)
    QVERIFY(f.open(fileOfPages(0)));
    QVERIFY(pages.pagesInUse().isEmpty());
    w.cmdLastpage_Click();
    QCOMPARE(txtPageno->text(), u"1"_s);
    w.cmdNextpage_Click();
    QCOMPARE(txtPageno->text(), u"1"_s);
}

void FrmZOLprintTest::typingIsStoredWithCrLf()
{
    Fixture f;
    frmZOLprint &w = f.window();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    control<TextBox>(w, u"txtVenster"_s)->setFocus();
    QTest::keyClicks(control<TextBox>(w, u"txtVenster"_s), u"12,5"_s);
    QTest::keyClick(control<TextBox>(w, u"txtVenster"_s), Qt::Key_Return);
    QTest::keyClicks(control<TextBox>(w, u"txtVenster"_s), u"ok"_s);
    QCOMPARE(w.document().pages().sPage(0), u"12,5\r\nok"_s);

    // Moving away and back shows the edit: it was stored.
    w.cmdNextpage_Click();
    QVERIFY(f.shownPage().isEmpty());
    w.cmdPrevpage_Click();
    QCOMPARE(f.shownPage(), u"12,5\r\nok"_s);
    QCOMPARE(control<TextBox>(w, u"txtVenster"_s)->toPlainText(), u"12,5\nok"_s);

    // The page number cannot be typed into.
    QTest::keyClicks(control<QLineEdit>(w, u"txtPageno"_s), u"9"_s);
    QCOMPARE(control<QLineEdit>(w, u"txtPageno"_s)->text(), u"1"_s);
}

void FrmZOLprintTest::transferStartAndEnd()
{
    ReaderFixture f;
    f.withSettings("1\r\n2\r\n");
    frmZOLprint &w = f.window();
    const PageStore &pages = w.document().pages();
    // A file's six pages on show, the fourth of them current.
    QVERIFY(f.open(fileOfPages(6)));
    for (int i = 0; i < 3; ++i)
        w.cmdNextpage_Click();
    QCOMPARE(control<QLineEdit>(w, u"txtPageno"_s)->text(), u"4"_s);

    w.mStart_Click();
    QCOMPARE(f.port.line(), u"COM2 2400,n,8,1 handshaking 0 threshold 1 dtr 1 rts 0"_s);
    QVERIFY(f.port.isOpen());
    QCOMPARE(f.status(), u"Connected"_s);
    const QString prompt = u"Enter * 3 0 + on ZOL\r\nEnter * 3 1 on ZOL6"_s;
    QCOMPARE(f.shownPage(), prompt);
    QCOMPARE(pages.sPage(0), prompt);
    QVERIFY(pages.sPage(5).isEmpty());
    QCOMPARE(control<QLineEdit>(w, u"txtPageno"_s)->text(), u"1"_s);
    QCOMPARE(commands(w), u"disabled"_s);
    QVERIFY(control<TextBox>(w, u"txtVenster"_s)->isReadOnly());
    QVERIFY(control<QTimer>(w, u"tmrReadbuf"_s)->isActive());
    QVERIFY(control<Watchdog>(w, u"tmrControle"_s)->isActive());

    // A second start while the port is open changes nothing.
    f.port.calls.clear();
    w.mStart_Click();
    QVERIFY(f.port.calls.isEmpty());

    // A tick without data does nothing.
    w.tmrReadbuf_Timer();
    QCOMPARE(f.shownPage(), prompt);

    f.receive("Page one\r\n\fPage two\r\n\fPage");
    QVERIFY(f.shownPage().isEmpty());
    f.receive(" three\r\n\f");
    QCOMPARE(pages.sPage(0), u"Page one\r\n"_s);
    QCOMPARE(pages.sPage(1), u" Page two\r\n"_s);
    QCOMPARE(pages.sPage(2), u" Page three\r\n"_s);
    QCOMPARE(pages.sPage(3), u" "_s);

    // The focus was on a page button, which the transfer disabled; it ends
    // on the page received.
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    control<QPushButton>(w, u"cmdNextpage"_s)->setEnabled(true);
    control<QPushButton>(w, u"cmdNextpage"_s)->setFocus();
    control<QPushButton>(w, u"cmdNextpage"_s)->setEnabled(false);
    QVERIFY(QApplication::focusWidget() != control<TextBox>(w, u"txtVenster"_s));
    w.tmrControle_Timer();
    QCOMPARE(QApplication::focusWidget(), control<TextBox>(w, u"txtVenster"_s));
    QVERIFY(!f.port.isOpen());
    QCOMPARE(f.status(), u"Stop (3)"_s);
    QCOMPARE(pages.pagesInUseCount(), 3);
    QCOMPARE(control<ProgressBar>(w, u"pbVoortgang"_s)->value(), 0);
    QCOMPARE(commands(w), u"enabled"_s);
    QVERIFY(!control<TextBox>(w, u"txtVenster"_s)->isReadOnly());
    QCOMPARE(f.shownPage(), u"Page one\r\n"_s);
    // The receive tick and the watchdog rest with the port; called all the
    // same, the tick finds the port closed and does nothing.
    QVERIFY(!control<QTimer>(w, u"tmrReadbuf"_s)->isActive());
    QVERIFY(!control<Watchdog>(w, u"tmrControle"_s)->isActive());
    w.tmrReadbuf_Timer();
    QCOMPARE(f.shownPage(), u"Page one\r\n"_s);
    w.cmdLastpage_Click();
    QCOMPARE(control<QLineEdit>(w, u"txtPageno"_s)->text(), u"3"_s);
    QCOMPARE(f.shownPage(), u" Page three\r\n"_s);

    // Later watchdog ticks show the current page again, changing nothing.
    w.tmrControle_Timer();
    QCOMPARE(pages.sPage(2), u" Page three\r\n"_s);
    QCOMPARE(f.status(), u"Stop (3)"_s);
}

void FrmZOLprintTest::transferFailsToOpen_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("portsThere"); // a USB adapter and a built-in port, or none
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("title");
    // The reason, the device COM1 stood for, then the ports there are.
    QTest::addColumn<QString>("text");

    const QString com1 = u"COM1 = "_s + comPortDeviceName(1);
    QTest::newRow("German, ports there")
        << 2 << true << u"Permission denied"_s << u"ZOL Print Fehler"_s
        << u"Fehler 103 - COM Anschluß kann nicht geöffnet werden\r\nPermission denied\r\n"_s +
               com1 +
               u"\r\nSerielle Anschlüsse dieses Computers: /dev/ttyUSB0 (FT232R USB UART), "
               u"/dev/ttyS0"_s;
    // With no port at all, the line says so, in each language.
    QTest::newRow("Dutch, no ports")
        << 0 << false << u"No such file or directory"_s << u"ZOL Print fout"_s
        << u"Fout 103 - COM poort kan niet worden geopend\r\nNo such file or directory\r\n"_s +
               com1 + u"\r\nSeriële poorten op deze computer: geen"_s;
    QTest::newRow("English, no ports")
        << 1 << false << u"No such file or directory"_s << u"ZOL Print error"_s
        << u"Error 103 - COM port cannot be opened\r\nNo such file or directory\r\n"_s + com1 +
               u"\r\nSerial ports on this computer: none"_s;
    QTest::newRow("German, no ports")
        << 2 << false << u"No such file or directory"_s << u"ZOL Print Fehler"_s
        << u"Fehler 103 - COM Anschluß kann nicht geöffnet werden\r\nNo such file or directory\r\n"_s +
               com1 + u"\r\nSerielle Anschlüsse dieses Computers: keine"_s;
    QTest::newRow("French, no ports")
        << 3 << false << u"No such file or directory"_s << u"ZOL Print erreur"_s
        << u"Erreur 103 - Impossible d'ouvrir le port COM\r\nNo such file or directory\r\n"_s +
               com1 + u"\r\nPorts série de cet ordinateur : aucun"_s;
}

void FrmZOLprintTest::transferFailsToOpen()
{
    QFETCH(int, language);
    QFETCH(bool, portsThere);
    QFETCH(QString, reason);
    QFETCH(QString, title);
    QFETCH(QString, text);

    ReaderFixture f;
    f.withLanguage(static_cast<qint16>(language));
    frmZOLprint &w = f.window();
    const PageStore &pages = f.pages();
    QVERIFY(f.openPages({u"kept page"_s, u"page 2"_s, u"page 3"_s, u"page 4"_s, u"page 5"_s}));
    f.port.failOpenWith = reason;
    if (portsThere)
        f.ports.list = {{u"/dev/ttyUSB0"_s, u"FT232R USB UART"_s}, {u"/dev/ttyS0"_s, QString()}};

    w.mStart_Click();
    QCOMPARE(f.boxes.shown.size(), 1);
    QCOMPARE(f.boxes.shown[0].title, title);
    QCOMPARE(f.boxes.shown[0].text, text);
    QCOMPARE(f.boxes.shown[0].icon, MessageBoxes::Icon::None);
    // Nothing of the transfer stays behind: the file's pages are on show.
    QVERIFY(!f.port.isOpen());
    QCOMPARE(commands(w), u"enabled"_s);
    QVERIFY(!control<TextBox>(w, u"txtVenster"_s)->isReadOnly());
    QVERIFY(!control<QTimer>(w, u"tmrReadbuf"_s)->isActive());
    QVERIFY(!control<Watchdog>(w, u"tmrControle"_s)->isActive());
    QCOMPARE(pages.sPage(0), u"kept page"_s);
    QCOMPARE(pages.pagesInUseCount(), 5);
    QCOMPARE(f.shownPage(), u"kept page"_s);
    QVERIFY(f.status().isEmpty());
}

void FrmZOLprintTest::transferWithoutDataOrWithEmptyFirstPage()
{
    ReaderFixture f;
    f.withLanguage(kFrench);
    frmZOLprint &w = f.window();
    const PageStore &pages = w.document().pages();

    // Nothing arrives: the prompt ends the wait after ten seconds.
    w.mStart_Click();
    w.tmrControle_Timer();
    QCOMPARE(f.status(), u"Arrêt (0)"_s);
    QVERIFY(pages.pagesInUse().isEmpty());
    const QString prompt = u"Appuyer sur * 3 0 + sur ZOL\r\nAppuyer sur * 3 1 sur ZOL6"_s;
    QCOMPARE(f.shownPage(), prompt);

    // Started again while the window already shows the prompt: page 0 still
    // gets it, so the silence ends this transfer too.
    w.mStart_Click();
    QCOMPARE(pages.sPage(0), prompt);
    w.tmrControle_Timer();
    QVERIFY(!f.port.isOpen());
    QCOMPARE(f.status(), u"Arrêt (0)"_s);

    // A dump that begins with a form feed leaves page 0 empty; silence ends it.
    w.mStart_Click();
    f.receive("\fonly page\r\n\f");
    QVERIFY(pages.sPage(0).isEmpty());
    w.tmrControle_Timer();
    QVERIFY(!f.port.isOpen());
    QCOMPARE(f.status(), u"Arrêt (2)"_s);
    QCOMPARE(pages.pagesInUseCount(), 2);
    QCOMPARE(commands(w), u"enabled"_s);
    QVERIFY(f.shownPage().isEmpty());
    w.cmdNextpage_Click();
    QCOMPARE(f.shownPage(), u" only page\r\n"_s);

    // Text without any form feed is a page: shown, saved and printed.
    w.mStart_Click();
    f.receive("no form feed");
    w.tmrControle_Timer();
    QCOMPARE(f.status(), u"Arrêt (1)"_s);
    QCOMPARE(f.shownPage(), u"no form feed"_s);
    QCOMPARE(pages.pagesInUse(), QStringList({u"no form feed"_s}));
    w.cmdLastpage_Click();
    QCOMPARE(f.shownPage(), u"no form feed"_s);
    w.mAllpages_Click();
    QCOMPARE(f.printer.jobs, QList<QStringList>({{u"no form feed"_s}}));
    QVERIFY(f.errors().isEmpty());
}

void FrmZOLprintTest::transferCountersAndProgress()
{
    Fixture f;
    frmZOLprint &w = f.window();
    w.mStart_Click();
    QCOMPARE(control<ProgressBar>(w, u"pbVoortgang"_s)->value(), 0);
    QList<int> steps;
    for (int i = 0; i < 13; ++i) {
        f.receive("x\f");
        steps << control<ProgressBar>(w, u"pbVoortgang"_s)->value();
    }
    QCOMPARE(steps, QList<int>({10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 0, 10, 20}));
    w.tmrControle_Timer();
    QCOMPARE(f.status(), u"Stop (13)"_s);
    QCOMPARE(w.document().pages().pagesInUseCount(), 13);
    QCOMPARE(control<ProgressBar>(w, u"pbVoortgang"_s)->value(), 0);

    // A new transfer empties every page received before.
    w.mStart_Click();
    const PageStore &pages = f.pages();
    QCOMPARE(pages.sPage(0), f.shownPage());
    for (int i = 1; i < PageStore::kPageCount; ++i)
        QVERIFY2(pages.sPage(i).isEmpty(), qPrintable(QString::number(i)));
}

void FrmZOLprintTest::transferBeyondTheLastPage_data()
{
    QTest::addColumn<int>("pagesSent");
    QTest::addColumn<bool>("told"); // that what came after page 100 is missing

    QTest::newRow("exactly a hundred") << 100 << false;
    QTest::newRow("one more") << 101 << true;
    QTest::newRow("fifty more") << 150 << true;
}

void FrmZOLprintTest::transferBeyondTheLastPage()
{
    QFETCH(int, pagesSent);
    QFETCH(bool, told);

    Fixture f;
    frmZOLprint &w = f.window();
    w.mStart_Click();
    QByteArray dump;
    for (int i = 0; i < pagesSent; ++i)
        dump += "line\r\n\f";
    f.receive(dump);
    const PageStore &pages = f.pages();
    // Nothing is said while the meter still sends.
    QVERIFY(f.boxes.shown.isEmpty());
    w.tmrControle_Timer();
    QCOMPARE(f.status(), u"Stop (100)"_s);
    QCOMPARE(pages.pagesInUseCount(), 100);
    // The pages after the hundredth cannot be shown, saved or printed: said
    // once, when the transfer ends.
    if (told) {
        QCOMPARE(f.boxes.shown.size(), 1);
        QCOMPARE(f.boxes.shown[0].title, u"ZOL Print error"_s);
        QCOMPARE(
            f.boxes.shown[0].text,
            u"Error 107 - More than 100 pages received, what came after page 100 is missing"_s);
    } else {
        QVERIFY(f.boxes.shown.isEmpty());
    }
    w.tmrControle_Timer();
    QCOMPARE(f.boxes.shown.size(), told ? 1 : 0);
    w.cmdLastpage_Click();
    QCOMPARE(control<QLineEdit>(w, u"txtPageno"_s)->text(), u"100"_s);
    QCOMPARE(f.shownPage(), u" line\r\n"_s);
}

void FrmZOLprintTest::cutOffDumpAndLostLine()
{
    // What the window shows and says at the moment a box comes up.
    struct Box
    {
        QString title, text, status, window;
    };
    struct BoxesSeeingTheWindow final : MessageBoxes
    {
        void showOk(QWidget *parent, const QString &title, const QString &text, Icon) override
        {
            shown.append({title, text, control<StatusBar>(*parent, u"StatusBar1"_s)->panelText(1),
                          control<TextBox>(*parent, u"txtVenster"_s)->text()});
        }
        bool askYesNo(QWidget *, const QString &, const QString &, Icon, Answer) override
        {
            return false;
        }
        Answer askYesNoCancel(QWidget *, const QString &, const QString &) override
        {
            return Answer::No;
        }
        QList<Box> shown;
    };

    BoxesSeeingTheWindow boxes;
    Fixture f;
    f.withMessageBoxes(boxes);
    frmZOLprint &w = f.window();
    FakeSerialPort &port = f.port;
    const PageStore &pages = f.pages();

    // The adapter is pulled halfway through the second page.
    w.mStart_Click();
    f.receive("first page\r\n\fsecond pa");
    const QString reason = u"the line was hung up: the device was unplugged or switched off"_s;
    emit port.lost(reason);
    // Only silence ends the transfer; nothing is said before.
    QVERIFY(port.isOpen());
    QVERIFY(boxes.shown.isEmpty());
    w.tmrControle_Timer();
    QVERIFY(!port.isOpen());
    QCOMPARE(f.status(), u"Stop (2)"_s);
    QCOMPARE(pages.pagesInUseCount(), 2);
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].title, u"ZOL Print error"_s);
    QCOMPARE(boxes.shown[0].text,
             u"Error 106 - Connection to the ZOL lost, the last page may be incomplete\r\n"_s +
                 reason);
    QCOMPARE(boxes.shown[0].status, u"Stop (2)"_s);
    QCOMPARE(boxes.shown[0].window, u"first page\r\n"_s);

    // The tail is a page like the others: reached, saved and printed.
    w.cmdLastpage_Click();
    QCOMPARE(f.shownPage(), u" second pa"_s);
    w.mAllpages_Click();
    QCOMPARE(f.printer.jobs, QList<QStringList>({{u"first page\r\n"_s, u" second pa"_s}}));
    f.save(u"cut.mcs"_s);
    QFile saved(f.path(u"cut.mcs"_s));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(),
             QByteArray("ZOL 0000\r\nfirst page\r\n\r\n\f\r\n second pa\r\n\f\r\nEND\r\n0\r\n"));

    // Told once: later watchdog ticks and a loss after the end say nothing.
    w.tmrControle_Timer();
    emit port.lost(reason);
    w.tmrControle_Timer();
    QCOMPARE(boxes.shown.size(), 1);

    // A loss reported twice in one transfer is told once; the next transfer,
    // which ends with its form feed on a sound line, gives what it always did.
    w.mStart_Click();
    f.receive("only page\r\n");
    emit port.lost(u"first"_s);
    emit port.lost(u"second"_s);
    w.tmrControle_Timer();
    QCOMPARE(boxes.shown.size(), 2);
    QVERIFY(boxes.shown[1].text.endsWith(u"\r\nfirst"_s));
    QCOMPARE(f.status(), u"Stop (1)"_s);
    w.mStart_Click();
    f.receive("one\r\n\ftwo\r\n\f");
    w.tmrControle_Timer();
    QCOMPARE(boxes.shown.size(), 2);
    QCOMPARE(f.status(), u"Stop (2)"_s);
    QCOMPARE(pages.pagesInUse(), QStringList({u"one\r\n"_s, u" two\r\n"_s}));

    // Cut off just after a form feed, the line end there is the page the
    // meter had begun: a lost line counts it, a sound one does not.
    w.mStart_Click();
    f.receive("one\r\n\f\r\n");
    emit port.lost(reason);
    w.tmrControle_Timer();
    QCOMPARE(f.status(), u"Stop (2)"_s);
}

void FrmZOLprintTest::watchdogRestartsOnData()
{
    Fixture f;
    frmZOLprint &w = f.window();
    w.mStart_Click();
    QTest::qWait(500);
    QVERIFY(control<Watchdog>(w, u"tmrControle"_s)->remainingTime() < 9700);
    f.port.receive("data");
    // The real receive tick polls the port.
    QTRY_VERIFY(control<Watchdog>(w, u"tmrControle"_s)->remainingTime() > 9800);
    QCOMPARE(f.pages().sPage(0), u"data"_s);
    QVERIFY(f.port.isOpen());
}

void FrmZOLprintTest::receiveTickWokenByThePortOnly()
{
    Fixture f;
    frmZOLprint &w = f.window();
    const QTimer *tmrReadbuf = control<QTimer>(w, u"tmrReadbuf"_s);
    const auto *progress = control<ProgressBar>(w, u"pbVoortgang"_s);
    const PageStore &pages = f.pages();

    // Idle, the tick sleeps, and bytes on a closed port wake nothing.
    QTest::qWait(50);
    QVERIFY(!tmrReadbuf->isActive());
    f.port.receive("before the start");
    QVERIFY(!tmrReadbuf->isActive());

    // Only the port's notification and the event loop drive the reading from
    // here: each notification is one data tick that reads all there is.
    w.mStart_Click();
    f.port.receive("Page one\r\n\f");
    QTRY_COMPARE(f.port.inBufferCount(), 0);
    QTRY_COMPARE(progress->value(), 10);
    QVERIFY(f.shownPage().isEmpty());
    f.port.receive("Page ");
    f.port.receive("two\r\n\f");
    QTRY_COMPARE(f.port.inBufferCount(), 0);
    QTRY_COMPARE(progress->value(), 30);
    QCOMPARE(pages.sPage(0), u"Page one\r\n"_s);
    QCOMPARE(pages.sPage(1), u" Page two\r\n"_s);

    // More than one read can hand over: the port announces the burst once,
    // and the tick comes back for the rest by itself, a second data tick.
    const QByteArray longPage(SerialPort::kMaxRead + 1000, 'x');
    f.port.receive(longPage + "\f");
    QTRY_COMPARE(f.port.inBufferCount(), 0);
    QTRY_COMPARE(progress->value(), 50);
    QCOMPARE(pages.sPage(2), u" "_s + QString::fromLatin1(longPage));
    QCOMPARE(pages.sPage(3), u" "_s);

    // The watchdog ends the transfer with nothing left unread, and the tick
    // rests until the next start.
    f.port.receive("tail");
    QTRY_COMPARE(f.port.inBufferCount(), 0);
    QCOMPARE(pages.sPage(3), u" tail"_s);
    w.tmrControle_Timer();
    QVERIFY(!f.port.isOpen());
    // Three pages and the tail that no form feed closed.
    QCOMPARE(f.status(), u"Stop (4)"_s);
    QVERIFY(!tmrReadbuf->isActive());
    QTest::qWait(50);
    QVERIFY(!tmrReadbuf->isActive());

    // A second transfer reads as the first did, and closing the window stops
    // the tick it was waiting on.
    w.mStart_Click();
    QVERIFY(tmrReadbuf->isActive());
    f.port.receive("again\r\n\f");
    QTRY_COMPARE(f.pages().sPage(0), u"again\r\n"_s);
    f.port.receive("x");
    w.close();
    QVERIFY(!tmrReadbuf->isActive());
    QVERIFY(!f.port.isOpen());
}

void FrmZOLprintTest::unsavedPagesAreAskedAbout_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<MessageBoxes::Answer>("answer");
    QTest::addColumn<bool>("saveChosen");
    for (const QString &command : {u"exit"_s, u"close box"_s, u"read"_s, u"open"_s}) {
        QTest::addRow("%s, cancel", qPrintable(command))
            << command << MessageBoxes::Answer::Cancel << false;
        QTest::addRow("%s, no", qPrintable(command))
            << command << MessageBoxes::Answer::No << false;
        QTest::addRow("%s, yes and saved", qPrintable(command))
            << command << MessageBoxes::Answer::Yes << true;
        QTest::addRow("%s, yes but save cancelled", qPrintable(command))
            << command << MessageBoxes::Answer::Yes << false;
    }
    // No, and then nothing comes to replace the pages.
    QTest::newRow("read, no, port does not open")
        << u"read on a dead port"_s << MessageBoxes::Answer::No << false;
    QTest::newRow("open, no, file missing")
        << u"open a missing file"_s << MessageBoxes::Answer::No << false;
}

void FrmZOLprintTest::unsavedPagesAreAskedAbout()
{
    QFETCH(QString, command);
    QFETCH(MessageBoxes::Answer, answer);
    QFETCH(bool, saveChosen);

    ReaderFixture f;
    f.withLanguage(kDutch);
    f.read("een\r\n\ftwee\r\n\f");
    QVERIFY(f->isWindowModified());
    const QStringList read = f.pages().pagesInUse();
    const QString other = f.writeFile(u"other.vmt"_s, fileOfPages(3));
    QVERIFY(!other.isEmpty());

    const QString saved = f.path(u"saved.vmt"_s);
    f.boxes.choices = {answer};
    if (answer == MessageBoxes::Answer::Yes)
        f.dialog.answers.append(saveChosen ? std::optional<QString>(saved) : std::nullopt);
    if (command == u"open"_s)
        f.dialog.answers.append(other);
    if (command == u"open a missing file"_s)
        f.dialog.answers.append(f.path(u"missing.vmt"_s));
    if (command == u"read on a dead port"_s)
        f.port.failOpenWith = u"No such file or directory"_s;
    const QString title = f->windowTitle();
    QSignalSpy ended(&f.window(), &frmZOLprint::programEnded);
    if (command == u"exit"_s)
        f->mExit_Click();
    else if (command == u"close box"_s)
        f->close();
    else if (command.startsWith(u"read"_s))
        f->mStart_Click();
    else
        f->mOpen_Click();

    QVERIFY(!f.boxes.shown.isEmpty());
    QCOMPARE(f.boxes.shown.first().title, u"ZOL Print"_s);
    QCOMPARE(f.boxes.shown.first().text, u"De pagina's zijn niet opgeslagen. Eerst opslaan?"_s);
    QVERIFY(f.boxes.shown.first().question);

    const bool goesOn =
        (answer == MessageBoxes::Answer::No || saveChosen) && !command.contains(u" a "_s);
    if (command == u"exit"_s || command == u"close box"_s) {
        QCOMPARE(f->isUnloaded(), goesOn);
        QCOMPARE(ended.size(), goesOn ? 1 : 0);
    } else if (command.startsWith(u"read"_s)) {
        QCOMPARE(f.port.isOpen(), goesOn);
    } else if (command == u"open"_s) {
        QCOMPARE(f.pages().sPage(0) == u"page 1"_s, goesOn);
    }
    if (!goesOn) {
        QCOMPARE(f.pages().pagesInUse(), read);
        QVERIFY(f->isWindowModified());
        QCOMPARE(f->windowTitle(), title);
        QCOMPARE(f.recoveryFiles().size(), 1);
        // Still unsaved: leaving asks again.
        f.boxes.shown.clear();
        f.boxes.choices = {MessageBoxes::Answer::Cancel};
        f->mExit_Click();
        QCOMPARE(f.boxes.shown.size(), 1);
        QVERIFY(!f->isUnloaded());
    } else {
        // Saved or given up: nothing is left to recover.
        QVERIFY(f.recoveryFiles().isEmpty());
    }
    if (saveChosen) {
        const MeasurementsRead back = readMeasurementsFile(saved);
        QCOMPARE(back.status, MeasurementsRead::Status::Ok);
        QCOMPARE(back.entries.first(read.size()), read);
    }
    QVERIFY(!QFileInfo::exists(saved) || saveChosen);
}

void FrmZOLprintTest::titleShowsTheFileAndUnsavedMark()
{
    Fixture f;
    frmZOLprint &w = f.window();
    QCOMPARE(shownTitle(w), u"ZOL Print"_s);
    QVERIFY(f.open(fileOfPages(3)));
    QCOMPARE(shownTitle(w), u"ZOL Print - pages.mcs"_s);

    // Typed: marked, and the question comes before the pages go.
    auto *venster = control<TextBox>(w, u"txtVenster"_s);
    QTest::keyClicks(venster, u"x"_s);
    QCOMPARE(shownTitle(w), u"ZOL Print - pages.mcs*"_s);

    f.save(u"saved.mcs"_s);
    QCOMPARE(shownTitle(w), u"ZOL Print - saved.mcs"_s);
    QVERIFY(f.boxes.shown.isEmpty());

    // A reading is no file's.
    f.read("meter\f");
    QCOMPARE(shownTitle(w), u"ZOL Print*"_s);
    // A reading that brought nothing has nothing to lose.
    f.boxes.choices = {MessageBoxes::Answer::No};
    w.mStart_Click();
    w.tmrControle_Timer();
    QCOMPARE(f.status(), u"Stop (0)"_s);
    QCOMPARE(shownTitle(w), u"ZOL Print"_s);
    f.boxes.shown.clear();
    w.close();
    QVERIFY(w.isUnloaded());
    QVERIFY(f.boxes.shown.isEmpty());
}

void FrmZOLprintTest::portFromTheSettingsThatIsNotValid()
{
    // Named with its file before any port is tried, so that the user knows
    // what to mend; 256 is one past the last port.
    for (const int number : {256, 300}) {
        ReaderFixture f;
        f.withSettings(" 1 \r\n " + QByteArray::number(number) + " \r\n");
        f->mStart_Click();
        QVERIFY(!f.port.isOpen());
        QCOMPARE(f.errors(),
                 QStringList{u"Error 103 - COM port cannot be opened\r\nThe COM port number %1 in "
                             u"%2 is not valid: choose a port in the COM port menu."_s.arg(
                                 QString::number(number),
                                 QDir::toNativeSeparators(
                                     QFileInfo(f.settingsPath()).absoluteFilePath()))});
    }
}

void FrmZOLprintTest::closedDuringAReadingShowsWhatArrived()
{
    LanguageTables tables;
    fillLanguageTables(tables);
    for (const qint16 language : {kDutch, kEnglish, kGerman, kFrench}) {
        ReaderFixture f;
        f.withLanguage(language);
        f->mStart_Click();
        f.receive("Eik 12.5 %\r\n\fBeuk 14.2 %\r\n\fEs 1");
        f.boxes.choices = {MessageBoxes::Answer::Cancel};
        f->close();
        QVERIFY(!f->isUnloaded());
        QCOMPARE(f.pages().iCurpage(), 0);
        QCOMPARE(f.shownPage(), u"Eik 12.5 %\r\n"_s);
        const QString status = f.status();
        QVERIFY2(status.startsWith(tables.sStop[language] + u" ("_s) &&
                     status.endsWith(u") – "_s + tables.sEndedEarly[language]),
                 qPrintable(status));
        // Typing corrects the meter's first page; it does not replace it.
        auto *venster = control<TextBox>(f.window(), u"txtVenster"_s);
        QTest::keyClick(venster, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClicks(venster, u"Ok "_s);
        QCOMPARE(f.pages().sPage(0), u"Ok Eik 12.5 %\r\n"_s);
    }

    // A line lost in the reading the close ended is not the next reading's.
    ReaderFixture f;
    f->mStart_Click();
    f.receive("Beuk 14.2 %\r\n\f");
    emit f.port.lost(u"unplugged"_s);
    f.boxes.choices = {MessageBoxes::Answer::Cancel};
    f->close();
    f.read("Eik 12.5 %\r\n\f");
    QCOMPARE(f.errors(), QStringList());
}

void FrmZOLprintTest::pagingIsNoEditOfTheUsers()
{
    // Paging sets the window's text; that is no edit of the user's.
    Fixture f;
    QVERIFY(f.open(fileOfPages(3)));
    f->cmdNextpage_Click();
    f->cmdLastpage_Click();
    QCOMPARE(f.shownPage(), u"page 3"_s);
    QVERIFY(!f->isWindowModified());
    QCOMPARE(shownTitle(f.window()), u"ZOL Print - pages.mcs"_s);
}

void FrmZOLprintTest::recoveryFileFollowsThePages()
{
    Fixture f;
    QVERIFY(f.recoveryFiles().isEmpty());
    auto kept = [&f]() -> std::optional<KeptPages> {
        const QStringList files = f.recoveryFiles();
        if (files.size() != 1)
            return std::nullopt;
        QFile file(QDir(f.recoveryFolder()).filePath(files.first()));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return decodeKeptPages(file.readAll());
    };

    // Kept at the end of a reading, exactly.
    f.read("one\r\n\ftwo\r\n\f");
    std::optional<KeptPages> copy = kept();
    QVERIFY(copy);
    QCOMPARE(copy->pages, f.pages().allPages());
    QCOMPARE(copy->counter, f.pages().iPages());

    // Saved: gone.
    f.save(u"saved.mcs"_s);
    QVERIFY(f.recoveryFiles().isEmpty());

    // Edited: kept again within a few seconds, not at every key.
    auto *venster = control<TextBox>(f.window(), u"txtVenster"_s);
    venster->setFocus();
    QTest::keyClicks(venster, u"corrected "_s);
    const QTimer *tmrRecovery = control<QTimer>(f.window(), u"tmrRecovery"_s);
    QVERIFY(tmrRecovery->isActive());
    QVERIFY(f.recoveryFiles().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(kept().has_value(), 30000);
    QVERIFY2(kept()->pages[0].contains(u"corrected "_s), qPrintable(kept()->pages[0]));
    QVERIFY(!tmrRecovery->isActive());

    // Given up at exit: gone.
    f.boxes.choices = {MessageBoxes::Answer::No};
    f->mExit_Click();
    QVERIFY(f->isUnloaded());
    QVERIFY(f.recoveryFiles().isEmpty());
}

void FrmZOLprintTest::nothingRunsBehindTheExitBox()
{
    // What the window does while its exit box is open: a meter still
    // sending, the port's notifications coming.
    struct BoxWhileBytesArrive final : MessageBoxes
    {
        void showOk(QWidget *parent, const QString &, const QString &text, Icon) override
        {
            port->receive("late bytes\f");
            QCoreApplication::processEvents();
            auto &w = *static_cast<frmZOLprint *>(parent);
            seen << text << control<StatusBar>(w, u"StatusBar1"_s)->panelText(1)
                 << w.document().pages().sPage(0)
                 << (control<Watchdog>(w, u"tmrControle"_s)->isActive() ? u"watchdog"_s
                                                                        : u"quiet"_s)
                 << (port->isOpen() ? u"open"_s : u"closed"_s);
        }
        bool askYesNo(QWidget *, const QString &, const QString &, Icon, Answer) override
        {
            return true;
        }
        Answer askYesNoCancel(QWidget *, const QString &, const QString &) override
        {
            return Answer::No;
        }
        FakeSerialPort *port = nullptr;
        QStringList seen;
    };

    BoxWhileBytesArrive boxes;
    ReaderFixture f;
    f.withMessageBoxes(boxes);
    boxes.port = &f.port;
    // A folder where the settings file should be: the exit box comes up.
    QVERIFY(QDir().mkdir(f.settingsPath()));
    frmZOLprint &w = f.window();
    w.mStart_Click();
    f.port.receive("first page\r\n");
    QCOMPARE(w.document().pages().sPage(0), u"first page\r\n"_s);

    w.Form_Unload();
    QCOMPARE(boxes.seen.size(), 5);
    QVERIFY2(boxes.seen[0].startsWith(u"Error 104"_s), qPrintable(boxes.seen[0]));
    QCOMPARE(boxes.seen[1], u"Connected"_s);
    QCOMPARE(boxes.seen[2], u"first page\r\n"_s);
    QCOMPARE(boxes.seen[3], u"quiet"_s);
    QCOMPARE(boxes.seen[4], u"closed"_s);
}

void FrmZOLprintTest::aboutIsOneDialogLoadedAfresh()
{
    ReaderFixture f;
    f.withLanguage(kGerman);
    frmZOLprint &w = f.window();
    w.show();
    control<QAction>(w, u"mAbout"_s)->trigger();
    QPointer<frmAbout> first = w.findChild<frmAbout *>(u"frmAbout"_s);
    QVERIFY(first);
    QVERIFY(first->isVisible());
    QCOMPARE(first->windowTitle(), u"About ZOL Print"_s);
    // Not modal: the main window stays usable.
    QVERIFY(!first->isModal());
    w.mAbout_Click();
    QCOMPARE(w.findChild<frmAbout *>(u"frmAbout"_s), first.data());
    QCOMPARE(w.findChildren<frmAbout *>().size(), 1);

    first->close();
    QTRY_VERIFY(!first);
    w.mAbout_Click();
    const frmAbout *second = w.findChild<frmAbout *>(u"frmAbout"_s);
    QVERIFY(second);
    QVERIFY(second->isVisible());
}

void FrmZOLprintTest::qtDialogsSpeakTheProgramsLanguage()
{
    QVERIFY(installQtTranslations(*QCoreApplication::instance(), kEnglish));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"Cancel"_s);
    QVERIFY(installQtTranslations(*QCoreApplication::instance(), kGerman));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), u"Abbrechen"_s);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), u"&Ja"_s);
    // Qt Serial Port's own words, and the reasons the program writes itself.
    QCOMPARE(QCoreApplication::translate("QSerialPort", "Device is already open"),
             u"Gerät bereits geöffnet"_s);
    QCOMPARE(QCoreApplication::translate("zol::QtSerialPort", "the device does not exist"),
             u"das Gerät ist nicht vorhanden"_s);
    QVERIFY(!installQtTranslations(*QCoreApplication::instance(), 7));
}

QTEST_MAIN(FrmZOLprintTest)
#include "tst_frmzolprint.moc"
