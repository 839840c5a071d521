#include "controls.h"
#include "filedialog.h"
#include "filedialogs.h"
#include "keyvaluestore.h"
#include "measurementsfile.h"
#include "messagebox.h"
#include "readerfixture.h"
#include "recentfiles.h"
#include "recovery.h"
#include "startup.h"
#include "testfiles.h"
#include "textbox.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <functional>
#include <memory>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kSettings[] = {" 0 \r\n 1 \r\n", " 1 \r\n 1 \r\n", " 2 \r\n 1 \r\n",
                                " 3 \r\n 1 \r\n"};

QByteArray fileOfPages(const QString &first, int count = 3)
{
    QStringList pages{first};
    for (int i = 2; i <= count; ++i)
        pages << u"page %1"_s.arg(i);
    return formatMeasurements(pages);
}

// The system's words for a file that is not there.
QString noSuchFile([[maybe_unused]] const QString &path)
{
#ifdef Q_OS_UNIX
    return u"No such file or directory"_s;
#else
    QFile absent(path);
    return absent.open(QIODevice::ReadOnly) ? QString() : absent.errorString();
#endif
}

// Records each box with whether the window stood on the screen under it:
// a box over no window is one the user may never see.
class RecordingBoxes final : public MessageBoxes
{
public:
    void showOk(QWidget *parent, const QString &, const QString &text, Icon) override
    {
        shown << text;
        overVisibleWindow << (parent && parent->window()->isVisible());
    }
    bool askYesNo(QWidget *, const QString &, const QString &text, Icon, Answer) override
    {
        shown << text;
        return true;
    }
    Answer askYesNoCancel(QWidget *parent, const QString &, const QString &text) override
    {
        shown << text;
        overVisibleWindow << (parent && parent->window()->isVisible());
        return choices.isEmpty() ? Answer::No : choices.takeFirst();
    }

    QStringList shown;
    QList<Answer> choices;
    QList<bool> overVisibleWindow;
};

// The window with a settings file for the language, the user's settings in
// a real file, and boxes that tell whether the window stood under them. It
// is loaded when the test says, as main() or startReader() does it.
struct Fixture : ReaderFixture
{
    explicit Fixture(qint16 language = kEnglish, const QString &userSettings = QString())
        : settings(userSettings.isEmpty() ? dir.filePath(u"user.conf"_s) : userSettings,
                   QSettings::IniFormat),
          recentStore(settings, u"RecentFiles"_s)
    {
        withSettings(kSettings[language])
            .withMessageBoxes(recorded)
            .withRecentFiles(recentStore)
            .notLoaded();
    }
    // The window holds on to the boxes and the store, which go first.
    ~Fixture() { dropWindow(); }

    // A measurements file whose first page is its own name.
    QString measurements(const QString &name) { return writeFile(name, fileOfPages(name)); }
    QString firstPage() { return pages().sPage(0); }

    void start(const QStringList &arguments) { startReader(*qApp, window(), arguments); }
    void load()
    {
        window().Form_Load();
        window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
    }

    // The File menu's recent items as the user sees them, top to bottom.
    QStringList recentItems()
    {
        QStringList texts;
        for (int i = 1; i <= 4; ++i) {
            const auto *item = control<QAction>(window(), u"mRecent%1"_s.arg(i));
            if (item->isVisible())
                texts << item->text();
        }
        return texts;
    }

    QSettings settings;
    SettingsStore recentStore;
    RecordingBoxes recorded;
};

// A drag of mime over the window at pos (window coordinates) as the platform
// delivers it: enter and move, then a drop where the window took it, a leave
// where it did not. Gives whether the drop was taken and with what action;
// takes data.
struct DragResult
{
    bool accepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

DragResult drag(QWidget &window, const QPoint &pos, QMimeData *data,
                Qt::DropActions possible = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction)
{
    const std::unique_ptr<QMimeData> owned(data);
    const QMimeData *mime = owned.get();
    QWindow *handle = window.windowHandle();
    DragResult result;
    QDragEnterEvent enter(pos, possible, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(handle, &enter);
    QDragMoveEvent move(pos, possible, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(handle, &move);
    if (!enter.isAccepted() || !move.isAccepted()) {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(handle, &leave);
        return result;
    }
    QDropEvent drop(QPointF(pos), possible, mime, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(move.dropAction());
    QCoreApplication::sendEvent(handle, &drop);
    result.accepted = drop.isAccepted();
    result.action = drop.dropAction();
    return result;
}

} // namespace

class OpenFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void argumentsNameTheFile_data();
    void argumentsNameTheFile();
    void commandLineOpensAtStart_data();
    void commandLineOpensAtStart();
    void desktopEntryKeepsSettingsWithTheUser();
    void droppedFile();
    void dropRefused_data();
    void dropRefused();
    void recentFiles();
    void recentFilesSurviveARestart();
    void saveOffersTheFileOpened();
    void filtersForEveryLanguage_data();
    void filtersForEveryLanguage();
    void realDialogListsEveryLanguagesFiles();
    void realDialogSavesWithAnExtension_data();
    void realDialogSavesWithAnExtension();
};

namespace {

enum Dropped { SeveralFiles, Folder, RemoteFile, MoveOnly, Text };

// Where a drop onto the named control lands, in window coordinates.
QPoint centreOf(QWidget &window, const QString &name)
{
    const auto *target = control<QWidget>(window, name);
    return target->mapTo(&window, target->rect().center());
}

QMimeData *urls(const QList<QUrl> &list)
{
    auto *mime = new QMimeData;
    mime->setUrls(list);
    return mime;
}

} // namespace

void OpenFilesTest::argumentsNameTheFile_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file");
    QTest::newRow("none") << QStringList{} << QString();
    QTest::newRow("one") << QStringList{u"a b.mcs"_s} << u"a b.mcs"_s;
    QTest::newRow("the first of two") << QStringList{u"a.vmt"_s, u"b.vmt"_s} << u"a.vmt"_s;
    QTest::newRow("a dash, given after --") << QStringList{u"-a.vmt"_s} << u"-a.vmt"_s;
    QTest::newRow("empty argument") << QStringList{QString()} << QString();
    QTest::newRow("file URL") << QStringList{u"file:///tmp/a%20%C3%A9.fms"_s} << u"/tmp/a é.fms"_s;
}

void OpenFilesTest::argumentsNameTheFile()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    QCOMPARE(fileToOpen(arguments).value_or(QString()), file);
}

void OpenFilesTest::commandLineOpensAtStart_data()
{
    QTest::addColumn<qint16>("language");
    QTest::addColumn<QStringList>("arguments");
    // What given.vmt holds; null: there is none.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("firstPage");
    const QStringList given{u"given.vmt"_s};
    QTest::newRow("measurements file")
        << kEnglish << given << fileOfPages(u"from the command line"_s) << QString()
        << u"from the command line"_s;
    QTest::newRow("not one, German") << kGerman << given << QByteArray("Lieber Kollege,\r\n")
                                     << u"Fehler 101 - Falsche Version"_s << QString();
    QTest::newRow("cut short, French") << kFrench << given << fileOfPages(u"x"_s).left(20)
                                       << u"Erreur 102 - Erreur durant chargement"_s << QString();
    // %1 the file, %2 the system's reason.
    QTest::newRow("missing, Dutch") << kDutch << given << QByteArray()
                                    << u"Fout 102 - Fout bij inlezen\r\n%1\r\n%2"_s << QString();
    // No file named: the window starts as ever, in every language.
    for (const auto &[language, name] :
         {std::pair{kDutch, "Dutch"}, std::pair{kEnglish, "English"}, std::pair{kGerman, "German"},
          std::pair{kFrench, "French"}})
        QTest::addRow("nothing named, %s", name)
            << language << QStringList() << QByteArray() << QString() << QString();
}

void OpenFilesTest::commandLineOpensAtStart()
{
    QFETCH(qint16, language);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QFETCH(QString, firstPage);
    Fixture f(language);
    const QString file = f.path(u"given.vmt"_s);
    if (!bytes.isNull())
        QVERIFY(!f.writeFile(u"given.vmt"_s, bytes).isEmpty());
    // Named as the shell gives it from the folder it runs in.
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(f.dir.path()));
    f.start(arguments);
    QVERIFY(QDir::setCurrent(before));
    QVERIFY(f->isVisible());
    QCOMPARE(f->language(), language);
    if (message.contains(u"%1"_s))
        message = message.arg(QDir::toNativeSeparators(file), noSuchFile(file));

    if (!message.isEmpty()) {
        QTRY_COMPARE(f.recorded.shown, QStringList{message});
        QCOMPARE(f.recorded.overVisibleWindow, QList<bool>{true});
    } else if (!firstPage.isEmpty()) {
        QTRY_COMPARE(f.firstPage(), firstPage);
    } else {
        // Nothing is to come; a stray open would have come by now.
        QTest::qWait(50);
        QVERIFY(f.recorded.shown.isEmpty());
    }
    QCOMPARE(f.firstPage(), firstPage);
    QCOMPARE(f.shownPage(), firstPage);
    if (message.isEmpty())
        QVERIFY(f.recorded.shown.isEmpty());
    // Opened, it counts as opened: first in the recent list, by its whole
    // name; refused, it is not listed.
    const bool opened = !firstPage.isEmpty();
    QCOMPARE(f.recentItems(), opened ? QStringList{u"&1 given.vmt"_s} : QStringList());
    QCOMPARE(RecentFiles(f.recentStore).files(), opened ? QStringList{file} : QStringList());
}

// A file double-clicked in its own folder, started as the desktop's entries
// start the program: the settings are the user's, and none appear beside the
// file. Started by hand, the working folder keeps them.
void OpenFilesTest::desktopEntryKeepsSettingsWithTheUser()
{
#ifdef Q_OS_WIN
    QSKIP("Windows keeps no XDG folders: the installer's file type is tried under Wine instead");
#endif
    Fixture f;
    const QString config = f.path(u"config"_s);
    const QByteArray configBefore = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    const QString userIni = settingsFilePath(true);
    qputenv("XDG_CONFIG_HOME", configBefore);
    QVERIFY(userIni.startsWith(config + u'/'));
    QVERIFY(QFileInfo(userIni).dir().exists());
    QCOMPARE(settingsFilePath(false), u"zolprint.ini"_s);

    // A settings folder that cannot be made is told, and the settings go
    // beside the crash copies, not into the folder of the user's files.
    const QByteArray dataBefore = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(f.writeFile(u"blocked"_s, "a file")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(f.path(u"data"_s)));
    std::optional<SettingsFolderFailure> failure;
    const QString elsewhere = settingsFilePath(true, &failure);
    qputenv("XDG_CONFIG_HOME", configBefore);
    qputenv("XDG_DATA_HOME", dataBefore);
    QVERIFY(failure && failure->folder.startsWith(f.path(u"blocked"_s)) &&
            !failure->reason.isEmpty());
    QVERIFY(elsewhere.startsWith(f.path(u"data"_s) + u'/'));
    QCOMPARE(failure->usedInstead, elsewhere);
    QVERIFY(!f.writeFile(userIni, kSettings[kGerman]).isEmpty());

    QVERIFY(QDir(f.dir.path()).mkdir(u"files"_s));
    const QString file = f.measurements(u"files/given.mcs"_s);
    f.withSettingsPath(userIni);
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QFileInfo(file).path()));
    f.start({file});
    QTRY_COMPARE(f.firstPage(), u"files/given.mcs"_s);
    QCOMPARE(f->language(), kGerman);
    control<QAction>(f.window(), u"mPort3"_s)->trigger();
    f->close();
    QVERIFY(QDir::setCurrent(before));

    QCOMPARE(f.settingsOnDisk(), QByteArray(" 2 \r\n 3 \r\n"));
    QCOMPARE(QDir(QFileInfo(file).path()).entryList(QDir::Files), QStringList{u"given.mcs"_s});
}

void OpenFilesTest::droppedFile()
{
    Fixture f(kGerman);
    f.load();
    QWidget &w = f.window();
    const QPoint onPage = centreOf(w, u"txtVenster"_s);
    const QPoint onStatus = centreOf(w, u"StatusBar1"_s);
    const QUrl one = QUrl::fromLocalFile(f.measurements(u"one.fms"_s));
    const QUrl two = QUrl::fromLocalFile(f.measurements(u"two.vmt"_s));

    // One file, onto the window beside the page: opened, as a copy, so that
    // no file manager takes the file away as moved.
    DragResult result = drag(w, onStatus, urls({one}));
    QVERIFY(result.accepted);
    QCOMPARE(result.action, Qt::CopyAction);
    QTRY_COMPARE(f.firstPage(), u"one.fms"_s);
    QVERIFY(QFile::exists(one.toLocalFile()));
    // Onto the page itself: opened, not pasted as text into the page.
    result = drag(w, onPage, urls({two}));
    QVERIFY(result.accepted);
    QCOMPARE(result.action, Qt::CopyAction);
    QTRY_COMPARE(f.firstPage(), u"two.vmt"_s);
    QCOMPARE(f.shownPage(), u"two.vmt"_s);
    QCOMPARE(f.recentItems(), QStringList({u"&1 two.vmt"_s, u"&2 one.fms"_s}));

    // A file that is not a measurements file is taken and refused with the
    // message File > Open gives, in the program's language.
    const QString letter = f.writeFile(u"letter.fms"_s, "Lieber Kollege,\r\n");
    QVERIFY(!letter.isEmpty());
    QVERIFY(drag(w, onStatus, urls({QUrl::fromLocalFile(letter)})).accepted);
    QTRY_COMPARE(f.recorded.shown, QStringList{u"Fehler 101 - Falsche Version"_s});
    QCOMPARE(f.firstPage(), u"two.vmt"_s);

    // Not while the meter is being read: Open is closed then too.
    f->mStart_Click();
    QVERIFY(f.port.isOpen());
    const QString prompt = f.firstPage();
    for (const QPoint &pos : {onStatus, onPage})
        QVERIFY(!drag(w, pos, urls({one})).accepted);
    QTest::qWait(50);
    QCOMPARE(f.firstPage(), prompt);
    f->tmrControle_Timer();
    QVERIFY(!f.port.isOpen());
    QVERIFY(drag(w, onStatus, urls({one})).accepted);
    QTRY_COMPARE(f.firstPage(), u"one.fms"_s);
}

void OpenFilesTest::dropRefused_data()
{
    QTest::addColumn<int>("what");
    QTest::addColumn<QString>("onto");
    // Several files (which one the user meant is not ours to guess), a
    // folder, a file on no local disk, and a drag that may only move, onto
    // the window beside the page and onto the page; text beside the page.
    const QList<std::pair<Dropped, const char *>> refused = {{SeveralFiles, "several files"},
                                                             {Folder, "a folder"},
                                                             {RemoteFile, "a file on no disk"},
                                                             {MoveOnly, "a file to move"}};
    for (const auto &[onto, where] : {std::pair{u"StatusBar1"_s, "beside the page"},
                                      std::pair{u"txtVenster"_s, "on the page"}}) {
        for (const auto &[what, name] : refused)
            QTest::addRow("%s %s", name, where) << int(what) << onto;
    }
    QTest::newRow("text beside the page") << int(Text) << u"StatusBar1"_s;
}

void OpenFilesTest::dropRefused()
{
    QFETCH(int, what);
    QFETCH(QString, onto);
    Fixture f(kGerman);
    f.load();
    const QUrl one = QUrl::fromLocalFile(f.measurements(u"one.fms"_s));
    const QUrl two = QUrl::fromLocalFile(f.measurements(u"two.vmt"_s));
    f.openFile(u"two.vmt"_s);
    QCOMPARE(f.firstPage(), u"two.vmt"_s);

    QMimeData *mime = nullptr;
    Qt::DropActions possible = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    switch (what) {
    case SeveralFiles:
        mime = urls({one, two});
        break;
    case Folder:
        mime = urls({QUrl::fromLocalFile(f.dir.path())});
        break;
    case RemoteFile:
        mime = urls({QUrl(u"https://example.invalid/three.vmt"_s)});
        break;
    case MoveOnly:
        mime = urls({one});
        possible = Qt::MoveAction;
        break;
    default:
        mime = new QMimeData;
        mime->setText(u"typed elsewhere"_s);
    }
    QVERIFY(!drag(f.window(), centreOf(f.window(), onto), mime, possible).accepted);
    // Nothing is opened and nothing lands in the page.
    QTest::qWait(50);
    QCOMPARE(f.firstPage(), u"two.vmt"_s);
    QCOMPARE(f.shownPage(), u"two.vmt"_s);
    QVERIFY(f.recorded.shown.isEmpty());
}

void OpenFilesTest::recentFiles()
{
    Fixture f;
    f.load();
    QMenu *file = control<QMenu>(f.window(), u"mFile"_s);
    auto recent = [&f](int n) { return control<QAction>(f.window(), u"mRecent%1"_s.arg(n)); };
    // None yet: no items and no empty separators.
    QVERIFY(f.recentItems().isEmpty());
    int visibleSeparators = 0;
    for (const QAction *item : file->actions())
        visibleSeparators += item->isSeparator() && item->isVisible();
    QCOMPARE(visibleSeparators, 0);

    // Opened through File > Open, and saved.
    f.dialog.answers = {f.measurements(u"a.vmt"_s)};
    f->mOpen_Click();
    f.dialog.answers = {f.path(u"b & c.mcs"_s)};
    f->mSave_Click();
    QCOMPARE(f.recentItems(), QStringList({u"&1 b && c.mcs"_s, u"&2 a.vmt"_s}));
    // Exit stays last, below the list.
    QCOMPARE(file->actions().last()->objectName(), u"mExit"_s);
    // Refused files and failed saves are not listed.
    QVERIFY(!f.writeFile(u"letter.vmt"_s, "Dear colleague,\r\n").isEmpty());
    f.dialog.answers = {f.path(u"letter.vmt"_s), u"/dev/full"_s};
    f->mOpen_Click();
    f->mSave_Click();
    QCOMPARE(f.recorded.shown.size(), 2);
    QCOMPARE(f.recentItems(), QStringList({u"&1 b && c.mcs"_s, u"&2 a.vmt"_s}));

    // Four at most, newest first; opening one again moves it up.
    for (const QString &name : {u"c.fms"_s, u"d.mdh"_s, u"e.vmt"_s}) {
        f.dialog.answers = {f.measurements(name)};
        f->mOpen_Click();
    }
    QCOMPARE(f.recentItems(),
             QStringList({u"&1 e.vmt"_s, u"&2 d.mdh"_s, u"&3 c.fms"_s, u"&4 b && c.mcs"_s}));
    recent(3)->trigger();
    QCOMPARE(f.firstPage(), u"c.fms"_s);
    QCOMPARE(f.recentItems(),
             QStringList({u"&1 c.fms"_s, u"&2 e.vmt"_s, u"&3 d.mdh"_s, u"&4 b && c.mcs"_s}));

    // A file that is gone names itself and why, and it leaves the list.
    QVERIFY(QFile::remove(f.path(u"d.mdh"_s)));
    const qsizetype shown = f.recorded.shown.size();
    recent(3)->trigger();
    QCOMPARE(f.recorded.shown.mid(shown), QStringList{u"Error 102 - Error during loading\r\n"_s +
                                                      QDir::toNativeSeparators(f.path(u"d.mdh"_s)) +
                                                      u"\r\n"_s + noSuchFile(f.path(u"d.mdh"_s))});
    QCOMPARE(f.firstPage(), u"c.fms"_s);
    QCOMPARE(f.recentItems(), QStringList({u"&1 c.fms"_s, u"&2 e.vmt"_s, u"&3 b && c.mcs"_s}));
    QVERIFY(!recent(4)->isVisible());

    // Two files of one name in different folders are told apart.
    QVERIFY(QDir(f.dir.path()).mkdir(u"other"_s));
    f.dialog.answers = {f.measurements(u"other/e.vmt"_s)};
    f->mOpen_Click();
    const QStringList items = f.recentItems();
    QCOMPARE(items.size(), 4);
    QCOMPARE(items.at(0),
             u"&1 "_s + QDir::toNativeSeparators(f.path(u"other/e.vmt"_s)).replace(u'&', u"&&"_s));
    QCOMPARE(items.at(2),
             u"&3 "_s + QDir::toNativeSeparators(f.path(u"e.vmt"_s)).replace(u'&', u"&&"_s));
    // A long one gives way in its middle, so that the menu fits the screen.
    const QString deep = u"clients/the north site/building 4/second floor/room 12/e.vmt"_s;
    QVERIFY(QDir(f.dir.path()).mkpath(QFileInfo(deep).path()));
    f.dialog.answers = {f.measurements(deep)};
    f->mOpen_Click();
    const QString shortened = f.recentItems().at(0).mid(3);
    QVERIFY2(shortened.size() <= 60 && shortened.contains(u'…') &&
                 shortened.endsWith(QDir::toNativeSeparators(u"/room 12/e.vmt"_s)),
             qPrintable(shortened));

    // Closed with the rest of the menu while the meter is read.
    f->mStart_Click();
    QVERIFY(!recent(1)->isEnabled());
    f->tmrControle_Timer();
    QVERIFY(recent(1)->isEnabled());
}

void OpenFilesTest::recentFilesSurviveARestart()
{
    QTemporaryDir home;
    const QString userSettings = home.filePath(u"ZOLprint.conf"_s);
    const QString a = home.filePath(u"a.vmt"_s), b = home.filePath(u"b.fms"_s);
    QVERIFY(writeFile(a, fileOfPages(u"a.vmt"_s)));
    QVERIFY(writeFile(b, fileOfPages(u"b.fms"_s)));
    {
        Fixture f(kEnglish, userSettings);
        f.load();
        f.dialog.answers = {a, b};
        f->mOpen_Click();
        f->mOpen_Click();
        QVERIFY(f->close());
    }
    // The program's own settings file stays its two lines.
    Fixture again(kEnglish, userSettings);
    again.load();
    QCOMPARE(again.recentItems(), QStringList({u"&1 b.fms"_s, u"&2 a.vmt"_s}));
    control<QAction>(again.window(), u"mRecent2"_s)->trigger();
    QCOMPARE(again.firstPage(), u"a.vmt"_s);
    QVERIFY(again.recorded.shown.isEmpty());
    QCOMPARE(again.settingsOnDisk(), kSettings[kEnglish]);
}

// However the pages came from a file, Save proposes that file in its folder:
// corrections saved anywhere else leave two files of one measurement.
void OpenFilesTest::saveOffersTheFileOpened()
{
    Fixture f;
    f.withRecoveryFolder(f.path(u"kept"_s));
    auto proposed = [&f] {
        f.dialog.calls.clear();
        f->mSave_Click();
        return f.dialog.calls.value(0);
    };
    const QString argument = f.measurements(u"argument.mcs"_s);
    f.start({argument});
    QTRY_COMPARE(f.firstPage(), u"argument.mcs"_s);
    QVERIFY(proposed().endsWith(u' ' + argument));

    // A drop and a recent file open the way the command line does.
    const QString chosen = f.measurements(u"chosen.vmt"_s);
    f.dialog.answers = {chosen};
    f->mOpen_Click();
    QVERIFY(proposed().endsWith(u' ' + chosen));
    control<QAction>(f.window(), u"mRecent2"_s)->trigger();
    QCOMPARE(f.firstPage(), u"argument.mcs"_s);
    QVERIFY(proposed().endsWith(u' ' + argument));

    // Pages restored after a crash name the file they came from.
    KeptPages kept;
    kept.savedAt = QDateTime::currentDateTime();
    kept.pages[0] = u"corrected"_s;
    kept.fileName = chosen;
    QVERIFY(QDir().mkpath(f.recoveryFolder()));
    QVERIFY(!f.writeFile(u"kept/old.zolrecovery"_s, encodeKeptPages(kept)).isEmpty());
    f->offerRecovery();
    QCOMPARE(f.firstPage(), u"corrected"_s);
    QVERIFY(proposed().endsWith(u' ' + chosen));
    // A reading is no file's: nothing is proposed.
    f.recorded.choices = {MessageBoxes::Answer::No};
    f.read("meter\f");
    QVERIFY(proposed().endsWith(u"*.mcs"_s));
}

void OpenFilesTest::filtersForEveryLanguage_data()
{
    QTest::addColumn<qint16>("language");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("extension");
    const QString all = u"|*.vmt;*.mcs;*.fms;*.mdh"_s;
    QTest::newRow("Dutch") << kDutch << u"Vochtmetingen|*.vmt|Alle meetbestanden"_s + all
                           << u"*.vmt"_s;
    QTest::newRow("English") << kEnglish
                             << u"Moisture measurements|*.mcs|All measurement files"_s + all
                             << u"*.mcs"_s;
    QTest::newRow("German") << kGerman << u"Feuchtemessungen|*.fms|Alle Messdateien"_s + all
                            << u"*.fms"_s;
    QTest::newRow("French") << kFrench
                            << u"Messure de l'humidité|*.mdh|Tous les fichiers de mesure"_s + all
                            << u"*.mdh"_s;
}

void OpenFilesTest::filtersForEveryLanguage()
{
    QFETCH(qint16, language);
    QFETCH(QString, filter);
    QFETCH(QString, extension);
    Fixture f(language);
    f.load();
    f->mOpen_Click();
    f->mSave_Click();
    QCOMPARE(f.dialog.calls, QStringList({u"open "_s + filter + u' ' + extension,
                                          u"save "_s + filter + u' ' + extension}));
    // As the real dialog shows them: the language's own first.
    const QStringList shown = toQtNameFilters(filter);
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0), filter.section(u'|', 0, 0) + u" ("_s + extension + u')');
    QCOMPARE(shown.at(1).section(u" ("_s, 1), u"*.vmt *.mcs *.fms *.mdh)"_s);
}

void OpenFilesTest::realDialogListsEveryLanguagesFiles()
{
    Fixture f(kGerman);
    f.load();
    QtFileDialog real;
    const QString colleague = f.measurements(u"kollege.vmt"_s);
    f.measurements(u"eigene.fms"_s);
    f.measurements(u"english.mcs"_s);
    f.measurements(u"francais.mdh"_s);
    QVERIFY(!f.writeFile(u"brief.txt"_s, "Lieber Kollege,\r\n").isEmpty());

    // German Open: its own files first; the second filter shows the Dutch
    // colleague's file, which is chosen.
    QStringList filters, ownListing, allListing;
    whenFileDialogOpens([&](QFileDialog &box) {
        box.setDirectory(f.dir.path());
        if (auto *combo = box.findChild<QComboBox *>(u"fileTypeCombo"_s)) {
            for (int i = 0; i < combo->count(); ++i)
                filters << combo->itemText(i);
        }
        ownListing = listedNames(box, 1);
        box.selectNameFilter(box.nameFilters().value(1));
        allListing = listedNames(box, 4);
        clickListed(box, u"kollege.vmt"_s);
        static_cast<QDialog &>(box).accept();
    });
    const std::optional<QString> chosen = real.getOpenFileName(
        &f.window(), u"Feuchtemessungen|*.fms|Alle Messdateien|*.vmt;*.mcs;*.fms;*.mdh"_s,
        u"*.fms"_s);
    QCOMPARE(filters, QStringList({u"Feuchtemessungen (*.fms)"_s,
                                   u"Alle Messdateien (*.vmt *.mcs *.fms *.mdh)"_s}));
    QCOMPARE(ownListing, QStringList{u"eigene.fms"_s});
    QCOMPARE(allListing,
             QStringList({u"eigene.fms"_s, u"english.mcs"_s, u"francais.mdh"_s, u"kollege.vmt"_s}));
    QVERIFY(chosen);
    QCOMPARE(QFileInfo(*chosen).canonicalFilePath(), QFileInfo(colleague).canonicalFilePath());

    // The whole way in the German window: File > Open through the real
    // dialog reads the Dutch file.
    QtFileDialog windowDialog;
    Fixture w(kGerman);
    w.withFileDialog(windowDialog);
    w.load();
    whenFileDialogOpens([&](QFileDialog &box) {
        box.selectNameFilter(box.nameFilters().value(1));
        box.selectFile(colleague);
        static_cast<QDialog &>(box).accept();
    });
    w->mOpen_Click();
    QCOMPARE(w.firstPage(), u"kollege.vmt"_s);
    QVERIFY(w.recorded.shown.isEmpty());
}

void OpenFilesTest::realDialogSavesWithAnExtension_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    // With the filter of every file, a bare name still gets the language's
    // extension, and one that the user typed is kept.
    QTest::newRow("bare name") << u"meting"_s << u"meting.fms"_s;
    QTest::newRow("another language's") << u"meting.vmt"_s << u"meting.vmt"_s;
}

void OpenFilesTest::realDialogSavesWithAnExtension()
{
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    QtFileDialog windowDialog;
    Fixture w(kGerman);
    w.withFileDialog(windowDialog);
    w.load();
    w.type(u"Buche 14,2 %"_s);
    whenFileDialogOpens([&](QFileDialog &box) {
        box.selectNameFilter(box.nameFilters().value(1));
        acceptTyped(box, typed, w.dir.path());
    });
    w->mSave_Click();
    QVERIFY2(QFile::exists(w.path(saved)), qPrintable(saved));
    QVERIFY(w.recorded.shown.isEmpty());
    QDir folder(w.dir.path());
    QCOMPARE(folder.entryList({u"meting*"_s}, QDir::Files), QStringList{saved});
}

QTEST_MAIN(OpenFilesTest)
#include "tst_openfiles.moc"
