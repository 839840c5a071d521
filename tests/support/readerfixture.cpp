#include "readerfixture.h"

#include "controls.h"
#include "statusbar.h"
#include "testfiles.h"
#include "textbox.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX
#include "ptypair.h"
#include "qtserialport.h"
#endif

namespace zol::test {

using namespace Qt::StringLiterals;

ReaderFixture::ReaderFixture()
    : m_settingsPath(dir.filePath(u"zolprint.ini"_s)), m_recoveryFolder(dir.filePath(u"recovery"_s))
{}

ReaderFixture::~ReaderFixture()
{
    m_window.reset();
#ifdef Q_OS_UNIX
    if (m_pty)
        qunsetenv("ZOL_COM1");
#endif
}

ReaderFixture &ReaderFixture::withSettings(const QByteArray &zolprintIni)
{
    writeFile(u"zolprint.ini"_s, zolprintIni);
    return *this;
}

ReaderFixture &ReaderFixture::withLanguage(qint16 language)
{
    return withSettings(QByteArray::number(language) + "\r\n1\r\n");
}

ReaderFixture &ReaderFixture::withSettingsPath(const QString &path)
{
    m_settingsPath = path;
    return *this;
}

ReaderFixture &ReaderFixture::withPort(SerialPort &serialPort)
{
    m_port = &serialPort;
    return *this;
}

#ifdef Q_OS_UNIX
ReaderFixture &ReaderFixture::onPseudoTerminal()
{
    m_pty = std::make_unique<PtyPair>();
    m_realPort = std::make_unique<QtSerialPort>();
    // COM n opens what ZOL_COM<n> names, as a user's COM port mapping does.
    qputenv("ZOL_COM1", m_pty->slavePath().toLocal8Bit());
    return withPort(*m_realPort);
}

PtyPair &ReaderFixture::pty()
{
    Q_ASSERT(m_pty);
    return *m_pty;
}
#endif

ReaderFixture &ReaderFixture::withMessageBoxes(MessageBoxes &messageBoxes)
{
    m_boxes = &messageBoxes;
    return *this;
}

ReaderFixture &ReaderFixture::withFileDialog(FileDialog &fileDialog)
{
    m_dialog = &fileDialog;
    return *this;
}

ReaderFixture &ReaderFixture::withPrinter(PagePrinter &pagePrinter)
{
    m_printer = &pagePrinter;
    return *this;
}

ReaderFixture &ReaderFixture::withPortNumbering(PortNumbering &numbering)
{
    m_numbering = &numbering;
    return *this;
}

ReaderFixture &ReaderFixture::withRecentFiles(KeyValueStore &store)
{
    m_recentFiles = &store;
    return *this;
}

ReaderFixture &ReaderFixture::withRecoveryFolder(const QString &folder)
{
    m_recoveryFolder = folder;
    return *this;
}

ReaderFixture &ReaderFixture::notLoaded()
{
    m_load = false;
    return *this;
}

frmZOLprint &ReaderFixture::window()
{
    if (!m_window) {
        m_window =
            std::make_unique<frmZOLprint>(ReaderServices{.serialPort = *m_port,
                                                         .messageBoxes = *m_boxes,
                                                         .fileDialog = *m_dialog,
                                                         .printer = *m_printer,
                                                         .registry = registry,
                                                         .launcher = launcher,
                                                         .portLister = ports,
                                                         .portNumbering = *m_numbering,
                                                         .recentFiles = *m_recentFiles,
                                                         .settingsPath = m_settingsPath,
                                                         .recoveryFolder = m_recoveryFolder});
        if (m_load) {
            m_window->Form_Load();
#ifdef Q_OS_UNIX
            if (m_pty)
                m_window->mPort1_Click();
#endif
        }
    }
    return *m_window;
}

void ReaderFixture::dropWindow()
{
    m_window.reset();
}

QString ReaderFixture::writeFile(const QString &name, const QByteArray &bytes) const
{
    const QString filePath = path(name);
    return test::writeFile(filePath, bytes) ? filePath : QString();
}

QByteArray ReaderFixture::settingsOnDisk() const
{
    QFile file(m_settingsPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList ReaderFixture::recoveryFiles() const
{
    return QDir(m_recoveryFolder).entryList({u"*.zolrecovery"_s}, QDir::Files);
}

void ReaderFixture::receive(const QByteArray &bytes)
{
    port.receive(bytes);
    window().tmrReadbuf_Timer();
}

void ReaderFixture::read(const QByteArray &bytes)
{
    window().mStart_Click();
    receive(bytes);
    window().tmrControle_Timer();
}

bool ReaderFixture::open(const QByteArray &bytes)
{
    const QString filePath = writeFile(u"pages.mcs"_s, bytes);
    if (filePath.isEmpty())
        return false;
    const qsizetype before = errors().size();
    dialog.answers.append(filePath);
    window().mOpen_Click();
    return errors().size() == before;
}

bool ReaderFixture::openPages(const QStringList &pageTexts)
{
    return open(formatMeasurements(pageTexts));
}

void ReaderFixture::openFile(const QString &name)
{
    dialog.answers.append(path(name));
    window().mOpen_Click();
}

void ReaderFixture::save(const QString &name)
{
    dialog.answers.append(path(name));
    window().mSave_Click();
}

void ReaderFixture::type(const QString &text)
{
    control<TextBox>(window(), u"txtVenster"_s)->setText(text);
}

const PageStore &ReaderFixture::pages()
{
    return std::as_const(window()).document().pages();
}

QString ReaderFixture::shownPage()
{
    return control<TextBox>(window(), u"txtVenster"_s)->text();
}

QString ReaderFixture::status()
{
    return control<StatusBar>(window(), u"StatusBar1"_s)->panelText(1);
}

QStringList ReaderFixture::errors() const
{
    QStringList texts;
    for (const auto &box : boxes.shown)
        if (!box.question)
            texts << box.text;
    return texts;
}

QStringList ReaderFixture::messages() const
{
    QStringList texts;
    for (const auto &box : boxes.shown)
        texts << box.title + u": "_s + box.text;
    return texts;
}

} // namespace zol::test
