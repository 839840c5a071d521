#include "controls.h"
#include "fakemessageboxes.h"
#include "fonts.h"
#include "frmabout.h"
#include "programlauncher.h"
#include "readerfakes.h"
#include "registry.h"
#include "testfiles.h"
#include "twips.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <optional>
#include <vector>

using namespace zol;
using namespace zol::test;
using namespace Qt::StringLiterals;

namespace {

const QString kMsinfoKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s;
const QString kLocationKey = u"SOFTWARE\\Microsoft\\Shared Tools Location"_s;
const QString kUnavailable = u"System Information Is Unavailable At This Time"_s;

// Values by "key|value name"; each may report a size of its own. Records
// every call.
class FakeRegistry final : public Registry
{
public:
    struct Value
    {
        std::uint32_t type = kTypeString;
        QByteArray bytes;
        std::int64_t reportedSize = -1; // -1: the number of bytes
    };

    void set(const QString &key, const QString &name, Value value)
    {
        values[key + u'|' + name] = std::move(value);
    }
    void setString(const QString &key, const QString &name, const QByteArray &text)
    {
        set(key, name, {kTypeString, text + '\0', -1});
    }

    long openKey(Key root, const QByteArray &subKey, std::uint32_t accessMask, Key *result) override
    {
        calls << u"open %1 %2"_s.arg(QString::fromLatin1(subKey)).arg(accessMask, 0, 16);
        if (root != kLocalMachine)
            return kInvalidHandle;
        if (deniedMask && accessMask == deniedMask)
            return kAccessDenied;
        bool known = false;
        for (const auto &[name, value] : values)
            known = known || name.startsWith(QString::fromLatin1(subKey) + u'|');
        if (!known)
            return kFileNotFound;
        *result = nextHandle;
        handles[nextHandle++] = QString::fromLatin1(subKey);
        return kSuccess;
    }
    long queryValue(Key key, const QByteArray &valueName, std::uint32_t *type, QByteArray *data,
                    std::uint32_t *size) override
    {
        calls << u"query %1"_s.arg(QString::fromLatin1(valueName));
        bufferSizes << static_cast<int>(*size);
        if (data->size() != static_cast<qsizetype>(*size) || data->count('\0') != data->size())
            return 87; // ERROR_INVALID_PARAMETER: not a zeroed buffer of that size
        const auto open = handles.find(key);
        if (open == handles.end())
            return kInvalidHandle;
        const auto found = values.find(open->second + u'|' + QString::fromLatin1(valueName));
        if (found == values.end())
            return kFileNotFound;
        const Value &value = found->second;
        data->replace(0, value.bytes.size(), value.bytes);
        *type = value.type;
        *size = static_cast<std::uint32_t>(value.reportedSize < 0 ? value.bytes.size()
                                                                  : value.reportedSize);
        return kSuccess;
    }
    long closeKey(Key key) override
    {
        calls << u"close %1"_s.arg(key);
        return handles.erase(key) ? kSuccess : kInvalidHandle;
    }

    std::map<QString, Value> values;
    std::map<Key, QString> handles;
    QStringList calls;
    QList<int> bufferSizes;
    std::uint32_t deniedMask = 0;
    Key nextHandle = 10;
};

struct About
{
    About()
    {
        dialog = new frmAbout(AboutServices{registry, launcher, boxes, [this](const QString &path) {
                                                checked << path;
                                                return ordinary.contains(path);
                                            }});
    }
    ~About() { delete dialog.data(); }

    FakeRegistry registry;
    FakeLauncher launcher;
    FakeMessageBoxes boxes;
    QStringList ordinary; // the files that exist as ordinary files
    QStringList checked;
    QPointer<frmAbout> dialog;
};

// Puts back the variables a test sets.
class SavedEnvironment
{
public:
    explicit SavedEnvironment(std::initializer_list<const char *> names)
    {
        for (const char *name : names)
            m_saved.emplace_back(name, qEnvironmentVariableIsSet(name)
                                           ? std::optional(qgetenv(name))
                                           : std::nullopt);
    }
    ~SavedEnvironment()
    {
        for (const auto &[name, value] : m_saved) {
            if (value)
                qputenv(name, *value);
            else
                qunsetenv(name);
        }
    }

private:
    std::vector<std::pair<const char *, std::optional<QByteArray>>> m_saved;
};

} // namespace

class AboutTest : public QObject
{
    Q_OBJECT

private slots:
    void textsVersionAndLayout();
    void labelsHoldTheirText();
    void closingUnloadsTheDialog();
    void getKeyValue();
    void systemInfoLookupOrder();
    void systemInfoFromTheDesktop();
    void systemInfoFromTheSystemRegistry();
};

void AboutTest::textsVersionAndLayout()
{
    QCOMPARE(versionLine(2, 1, 4), u"Version 2.14"_s);
    QCOMPARE(versionLine(2, 10, 4), u"Version 2.104"_s);
    QCOMPARE(versionLine(3, 0, 12), u"Version 3.012"_s);

    About about;
    frmAbout &d = *about.dialog;
    QCOMPARE(d.windowTitle(), u"About ZOL Print"_s);
    QCOMPARE(control<QLabel>(d, u"lblVersion"_s)->text(), u"Version 2.14"_s);
    QCOMPARE(control<QLabel>(d, u"lblTitle"_s)->text(), u"ZOL Print Software for Windows"_s);
    QVERIFY(control<QLabel>(d, u"lblTitle"_s)->font().bold());
    QCOMPARE(control<QLabel>(d, u"lblUse"_s)->text(), u"For use with ZOL Moisture Meters"_s);
    for (QLabel *label :
         {control<QLabel>(d, u"lblDisclaimer3"_s), control<QLabel>(d, u"Label1"_s),
          control<QLabel>(d, u"lblDisclaimer2"_s), control<QLabel>(d, u"lblDescription"_s),
          control<QLabel>(d, u"lblHelp"_s)})
        QVERIFY2(label->text().size() > 10, qPrintable(label->objectName()));
    QCOMPARE(control<QPushButton>(d, u"cmdOK"_s)->text(), u"OK"_s);
    QCOMPARE(control<QPushButton>(d, u"cmdSysInfo"_s)->text(), u"&System Info..."_s);
    QVERIFY(control<QPushButton>(d, u"cmdOK"_s)->isDefault());

    const QStringList names = {u"lblTitle"_s,       u"lblUse"_s,   u"lblDisclaimer3"_s,
                               u"lblVersion"_s,     u"Label1"_s,   u"lblDisclaimer2"_s,
                               u"lblDescription"_s, u"lblHelp"_s,  u"Line1(0)"_s,
                               u"Line1(1)"_s,       u"Picture1"_s, u"cmdOK"_s,
                               u"cmdSysInfo"_s};
    for (const QString &name : names) {
        auto *control = d.findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
    }
    QCOMPARE(d.objectName(), u"frmAbout"_s);

    // A fixed dialog at its laid-out place.
    QCOMPARE(d.size(), twipsSize(4215, 5505));
    QCOMPARE(d.minimumSize(), d.maximumSize());
    QCOMPARE(d.pos(), QPoint(twips(2340), twips(1935)));
    QCOMPARE(control<QPushButton>(d, u"cmdOK"_s)->geometry(), twipsRect(2640, 4080, 1260, 345));
    QVERIFY(d.windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint));
    QVERIFY(!d.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!d.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

    const QPixmap picture = control<QLabel>(d, u"Picture1"_s)->pixmap();
    QCOMPARE(picture.size(), QSize(150, 100));
    QCOMPARE(QImage(u":/zol/about.png"_s).format(), QImage::Format_Indexed8);

    // The white member is drawn over the grey one, at the same height.
    LineControl *const line0 = control<LineControl>(d, u"Line1(0)"_s);
    LineControl *const line1 = control<LineControl>(d, u"Line1(1)"_s);
    QCOMPARE(line1->color(), QColor(0x80, 0x80, 0x80));
    QCOMPARE(line0->color(), QColor(Qt::white));
    QCOMPARE(line0->lineWidth(), 2);
    QVERIFY(d.children().indexOf(line0) > d.children().indexOf(line1));
    QVERIFY(line0->geometry().contains(line1->geometry()));
}

// Every label's text fits its fixed box in the faces the program runs with;
// a line that wraps past the box's height is cut off unseen.
void AboutTest::labelsHoldTheirText()
{
    installFontSubstitutes();
    if (!QFontDatabase::families().contains(u"Liberation Sans"_s)) {
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL("fonts-liberation is not installed");
        QSKIP("needs Liberation Sans, the face the dialog falls back to");
    }
    About about;
    const QList<QLabel *> labels = about.dialog->findChildren<QLabel *>();
    QVERIFY(labels.size() >= 8);
    for (const QLabel *label : labels) {
        if (label->text().isEmpty())
            continue; // the picture
        const QRect box = label->contentsRect();
        const QRect needed = QFontMetrics(label->font())
                                 .boundingRect(QRect(0, 0, box.width(), 10000),
                                               Qt::TextWordWrap | Qt::AlignLeft, label->text());
        QVERIFY2(needed.height() <= box.height(),
                 qPrintable(u"%1 needs %2 px, has %3"_s.arg(label->objectName())
                                .arg(needed.height())
                                .arg(box.height())));
    }
}

void AboutTest::closingUnloadsTheDialog()
{
    {
        About about;
        about.dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(about.dialog));
        about.dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(about.dialog));
        QCOMPARE(QApplication::focusWidget(), control<QPushButton>(*about.dialog, u"cmdOK"_s));
        // Tab order: OK, System Info, the picture, round again.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), control<QPushButton>(*about.dialog, u"cmdSysInfo"_s));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), control<QLabel>(*about.dialog, u"Picture1"_s));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), control<QPushButton>(*about.dialog, u"cmdOK"_s));

        // Alt+S is System Info: with no program known it says so and stays.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(about.boxes.shown.size(), 1);
        QCOMPARE(about.boxes.shown[0].title, u"ZOL Print"_s);
        QCOMPARE(about.boxes.shown[0].text, kUnavailable);
        QCOMPARE(about.boxes.shown[0].icon, MessageBoxes::Icon::None);
        QVERIFY(about.dialog->isVisible());

        // Enter presses the button that has the focus, and OK when none has.
        control<QPushButton>(*about.dialog, u"cmdSysInfo"_s)->setFocus();
        QTest::keyClick(control<QPushButton>(*about.dialog, u"cmdSysInfo"_s), Qt::Key_Return);
        QCOMPARE(about.boxes.shown.size(), 2);
        QVERIFY(!about.dialog.isNull());
        control<QLabel>(*about.dialog, u"Picture1"_s)->setFocus();
        QTest::keyClick(control<QLabel>(*about.dialog, u"Picture1"_s), Qt::Key_Return);
        QTRY_VERIFY(about.dialog.isNull());
        QCOMPARE(about.boxes.shown.size(), 2);
    }
    for (int way = 0; way < 3; ++way) {
        About about;
        about.dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(about.dialog));
        if (way == 0)
            QTest::keyClick(about.dialog, Qt::Key_Escape);
        else if (way == 1)
            QTest::mouseClick(control<QPushButton>(*about.dialog, u"cmdOK"_s), Qt::LeftButton);
        else
            about.dialog->close(); // the close box
        QTRY_VERIFY2(about.dialog.isNull(), qPrintable(QString::number(way)));
        QVERIFY(about.launcher.started.isEmpty());
    }
}

void AboutTest::getKeyValue()
{
    About about;
    frmAbout &d = *about.dialog;
    FakeRegistry &r = about.registry;
    const QString key = u"SOFTWARE\\ZOL"_s;
    // With and without the closing zero in the reported size.
    r.set(key, u"WithZero"_s, {Registry::kTypeString, QByteArray("C:\\Tools\0", 9), 9});
    r.set(key, u"NoZero"_s, {Registry::kTypeString, QByteArray("C:\\Tools"), 8});
    r.set(key, u"Shorter"_s, {Registry::kTypeString, QByteArray("C:\\Tools\0", 9), 4});
    r.set(key, u"Empty"_s, {Registry::kTypeString, QByteArray(), 0});
    r.set(key, u"Zero"_s, {Registry::kTypeString, QByteArray("\0", 1), 1});
    r.set(key, u"Huge"_s, {Registry::kTypeString, QByteArray("x"), 2000});
    r.set(key, u"Accents"_s, {Registry::kTypeString, QByteArray("Caf\xe9 \x80\0", 7), 7});
    r.set(key, u"Number"_s, {Registry::kTypeDword, QByteArray("\x10\x01\x00\x00", 4), 4});
    r.set(key, u"Spread"_s, {Registry::kTypeDword, QByteArray("\x00\x0a\x00\x01", 4), 4});
    r.set(key, u"Largest"_s, {Registry::kTypeDword, QByteArray("\xff\xff\xff\xff"), 4});
    r.set(key, u"Binary"_s, {Registry::kTypeBinary, QByteArray("\x01\x02", 2), 2});
    r.set(key, u"Expand"_s, {Registry::kTypeExpandString, QByteArray("%A%\0", 4), 4});

    auto read = [&](const QString &name, QString start = QString()) {
        QString value = std::move(start);
        const bool ok = d.GetKeyValue(Registry::kLocalMachine, key, name, value);
        return QStringList{ok ? u"true"_s : u"false"_s, value};
    };
    QCOMPARE(read(u"WithZero"_s), QStringList({u"true"_s, u"C:\\Tools"_s}));
    QCOMPARE(read(u"NoZero"_s), QStringList({u"true"_s, u"C:\\Tools"_s}));
    QCOMPARE(read(u"Shorter"_s), QStringList({u"true"_s, u"C:\\T"_s}));
    QCOMPARE(read(u"Zero"_s), QStringList({u"true"_s, QString()}));
    QCOMPARE(read(u"Accents"_s), QStringList({u"true"_s, u"Café €"_s}));
    // Numbers in decimal, whatever the value held before.
    QCOMPARE(read(u"Number"_s, u"old"_s), QStringList({u"true"_s, u"272"_s}));
    QCOMPARE(read(u"Spread"_s), QStringList({u"true"_s, u"16779776"_s}));
    QCOMPARE(read(u"Largest"_s), QStringList({u"true"_s, u"4294967295"_s}));
    // Other types: read, and the value left as it was.
    QCOMPARE(read(u"Binary"_s, u"kept"_s), QStringList({u"true"_s, u"kept"_s}));
    QCOMPARE(read(u"Expand"_s, u"kept"_s), QStringList({u"true"_s, u"kept"_s}));
    // Failures empty the value.
    QCOMPARE(read(u"Missing"_s, u"old"_s), QStringList({u"false"_s, QString()}));
    QString value = u"old"_s;
    QVERIFY(!d.GetKeyValue(Registry::kLocalMachine, u"SOFTWARE\\Nothing"_s, u"PATH"_s, value));
    QVERIFY(value.isEmpty());
    QVERIFY(!d.GetKeyValue(Registry::kCurrentUser, key, u"NoZero"_s, value));

    // No data at all, or more than the buffer: an error, not a result.
    QVERIFY_THROWS_EXCEPTION(frmAbout::RegistryValueError, read(u"Empty"_s));
    QVERIFY_THROWS_EXCEPTION(frmAbout::RegistryValueError, read(u"Huge"_s));

    // Every key opened with the full access and a 1024-byte zeroed buffer,
    // and closed again, also after an error.
    QVERIFY(r.handles.empty());
    for (const QString &call : std::as_const(r.calls)) {
        if (call.startsWith(u"open"_s))
            QVERIFY2(call.endsWith(u" 2003f"_s), qPrintable(call));
    }
    QVERIFY(!r.bufferSizes.isEmpty());
    for (int size : std::as_const(r.bufferSizes))
        QCOMPARE(size, 1024);
    QCOMPARE(r.calls.count(u"close 0"_s), 2); // the two keys that did not open

    // Where full access is refused, the key is read anyway.
    r.calls.clear();
    r.deniedMask = frmAbout::kKeyAccess;
    QCOMPARE(read(u"NoZero"_s), QStringList({u"true"_s, u"C:\\Tools"_s}));
    QCOMPARE(r.calls.mid(0, 2),
             QStringList({u"open SOFTWARE\\ZOL 2003f"_s, u"open SOFTWARE\\ZOL 20019"_s}));
    QVERIFY(r.handles.empty());
}

void AboutTest::systemInfoLookupOrder()
{
    const QString folder = u"C:\\Tools"_s;
    const QString inFolder = folder + QDir::separator() + u"MSINFO32.EXE"_s;
    auto opened = [](const About &about) {
        QStringList keys;
        for (const QString &call : about.registry.calls) {
            if (call.startsWith(u"open "_s))
                keys << call.mid(5).section(u' ', 0, -2);
        }
        return keys;
    };
    {
        // PATH wins, and is started without looking for the file.
        About about;
        about.registry.setString(kMsinfoKey, u"PATH"_s, "D:\\No Such\\msinfo32.exe");
        about.registry.setString(kLocationKey, u"MSINFO"_s, folder.toLatin1());
        about.ordinary << inFolder;
        control<QPushButton>(*about.dialog, u"cmdSysInfo"_s)->click();
        QCOMPARE(about.launcher.started, QStringList({u"D:\\No Such\\msinfo32.exe"_s}));
        QCOMPARE(opened(about), QStringList({kMsinfoKey}));
        QVERIFY(about.checked.isEmpty());
        QVERIFY(about.boxes.shown.isEmpty());
        QVERIFY(!about.dialog.isNull());

        // A start that fails is reported.
        about.launcher.succeed = false;
        about.dialog->StartSysInfo();
        QCOMPARE(about.boxes.shown.size(), 1);
        QCOMPARE(about.boxes.shown[0].text, kUnavailable);
    }
    {
        // No PATH: MSINFO32.EXE in the folder, only when it is an ordinary file.
        About about;
        about.registry.setString(kLocationKey, u"MSINFO"_s, folder.toLatin1());
        about.dialog->StartSysInfo();
        QCOMPARE(opened(about), QStringList({kMsinfoKey, kLocationKey}));
        QCOMPARE(about.checked, QStringList({inFolder}));
        QVERIFY(about.launcher.started.isEmpty());
        QCOMPARE(about.boxes.shown.size(), 1);

        about.ordinary << inFolder;
        about.dialog->StartSysInfo();
        QCOMPARE(about.launcher.started, QStringList({inFolder}));
        QCOMPARE(about.boxes.shown.size(), 1);
    }
    {
        // A PATH with no data is an error: the second key is not tried.
        About about;
        about.registry.set(kMsinfoKey, u"PATH"_s, {Registry::kTypeString, QByteArray(), 0});
        about.registry.setString(kLocationKey, u"MSINFO"_s, folder.toLatin1());
        about.ordinary << inFolder;
        about.dialog->StartSysInfo();
        QCOMPARE(opened(about), QStringList({kMsinfoKey}));
        QVERIFY(about.launcher.started.isEmpty());
        QCOMPARE(about.boxes.shown.size(), 1);
        QCOMPARE(about.boxes.shown[0].title, u"ZOL Print"_s);
        QVERIFY(about.registry.handles.empty());
    }
    {
        // Neither value: said so, and the dialog stays open.
        About about;
        about.dialog->show();
        about.dialog->StartSysInfo();
        QCOMPARE(opened(about), QStringList({kMsinfoKey, kLocationKey}));
        QVERIFY(about.launcher.started.isEmpty());
        QCOMPARE(about.boxes.shown.size(), 1);
        QTest::qWait(50);
        QVERIFY(!about.dialog.isNull());
        QVERIFY(about.dialog->isVisible());
    }
}

// The registry's stand-in, the real file test and the real launcher: a
// desktop with its system information program first on PATH, and one with
// none.
void AboutTest::systemInfoFromTheDesktop()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    const QString bin = dir.filePath(u"my bin"_s);
    QVERIFY(QDir().mkpath(bin));
    const QString marker = dir.filePath(u"started"_s);
    const QString program = bin + u"/gnome-control-center"_s;
    // It writes down the arguments it was given.
    QVERIFY(writeFile(program, "#!/bin/sh\necho \"$*\" > '" + QFile::encodeName(marker) + "'\n"));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const SavedEnvironment saved{"PATH", "XDG_CURRENT_DESKTOP", "XDG_DATA_DIRS", "XDG_DATA_HOME"};
    qputenv("PATH", QFile::encodeName(bin) + ':' + qgetenv("PATH"));
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    // No desktop entries of GNOME Settings' newer About pages.
    qputenv("XDG_DATA_DIRS", QFile::encodeName(dir.filePath(u"share"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(u"home"_s)));

    SystemRegistry registry;
    QtProgramLauncher launcher;
    FakeMessageBoxes boxes;
    QPointer<frmAbout> dialog =
        new frmAbout(AboutServices{registry, launcher, boxes, &isOrdinaryFile});
    control<QPushButton>(*dialog, u"cmdSysInfo"_s)->click();
    QTRY_COMPARE_WITH_TIMEOUT(readFile(marker), QByteArray("info-overview\n"), 10000);
    QVERIFY(boxes.shown.isEmpty());

    // A desktop without any: said so, and the dialog stays open.
    const QString empty = dir.filePath(u"empty"_s);
    QVERIFY(QDir().mkpath(empty));
    qputenv("PATH", QFile::encodeName(empty));
    QVERIFY(QFile::remove(marker));
    dialog->show();
    control<QPushButton>(*dialog, u"cmdSysInfo"_s)->click();
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].text, kUnavailable);
    QCOMPARE(boxes.shown[0].title, u"ZOL Print"_s);
    QVERIFY(dialog->isVisible());
    QVERIFY(!QFile::exists(marker));
    delete dialog.data();
#else
    QSKIP("the system's registry answers on Windows");
#endif
}

// The system's registry through advapi32 and the launcher through
// CreateProcess, as the program uses them on Windows. The two values were
// written with reg add before this test (the wine_registry test); they name
// copies of a small program that writes "started" beside itself.
void AboutTest::systemInfoFromTheSystemRegistry()
{
#ifdef Q_OS_WIN
    if (!qEnvironmentVariableIsSet("ZOL_TEST_SYSINFO_REGISTRY"))
        QSKIP("needs the two System Information values in the registry (the wine_registry test)");
    const QString folder = QCoreApplication::applicationDirPath() + u"/sysinfo"_s;
    const QString program = folder + u"/system info.exe"_s;
    QVERIFY(QFile::exists(program));
    const QString started = folder + u"/started"_s;
    QFile::remove(started);

    SystemRegistry registry;
    QString value;
    QVERIFY(readKeyValue(registry, Registry::kLocalMachine, kMsinfoKey, u"PATH"_s, value));
    QCOMPARE(value, QDir::toNativeSeparators(program));
    QVERIFY(readKeyValue(registry, Registry::kLocalMachine, kLocationKey, u"MSINFO"_s, value));
    QCOMPARE(value, QDir::toNativeSeparators(folder + u"/folder"_s));
    QVERIFY(!readKeyValue(registry, Registry::kLocalMachine, kMsinfoKey, u"NoSuchValue"_s, value));
    QVERIFY(value.isEmpty());

    // The first value wins, and its path, space and all, is the whole command
    // line the program is started with.
    QtProgramLauncher launcher;
    FakeMessageBoxes boxes;
    QPointer<frmAbout> dialog =
        new frmAbout(AboutServices{registry, launcher, boxes, &isOrdinaryFile});
    control<QPushButton>(*dialog, u"cmdSysInfo"_s)->click();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 30000);
    QVERIFY(boxes.shown.isEmpty());
    // The file may be there a moment before its text is.
    const auto written = [&started] {
        QFile file(started);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QTRY_VERIFY_WITH_TIMEOUT(!written().isEmpty(), 10000);
    const QByteArray line = written();
    QString commandLine =
        QString::fromUtf16(reinterpret_cast<const char16_t *>(line.constData()), line.size() / 2);
    // Wine puts quotes around a program path it had to find past a space;
    // Windows hands the line on as it was given. Either way the whole path
    // is the program, with no argument split off it.
    if (commandLine.size() > 2 && commandLine.startsWith(u'"') && commandLine.endsWith(u'"'))
        commandLine = commandLine.mid(1, commandLine.size() - 2);
    QCOMPARE(commandLine, QDir::toNativeSeparators(program));
    QVERIFY(!QFile::exists(folder + u"/folder/started"_s));
    delete dialog.data();
#else
    QSKIP("reads the Windows registry");
#endif
}

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
