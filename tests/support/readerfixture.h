#pragma once

#include "fakemessageboxes.h"
#include "fakeportlister.h"
#include "fakeserialport.h"
#include "frmzolprint.h"
#include "measurementsfile.h"
#include "memorystore.h"
#include "portnumbering.h"
#include "readerfakes.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace zol {
class QtSerialPort;
}

namespace zol::test {

class PtyPair;

// ZOLprint's window as main() builds it, with fakes in place of the port, the
// boxes, the dialogs and the printer, and a folder of its own for its files.
// A test says what differs through the setters; the window is built, and
// loaded, the first time it is asked for, so the setters come first.
class ReaderFixture
{
public:
    ReaderFixture();
    ~ReaderFixture();
    ReaderFixture(const ReaderFixture &) = delete;
    ReaderFixture &operator=(const ReaderFixture &) = delete;

    // zolprint.ini in the fixture's folder holds these bytes; without it
    // there is none, as at the first start.
    ReaderFixture &withSettings(const QByteArray &zolprintIni);
    // zolprint.ini naming this language and COM1, as the program writes it.
    ReaderFixture &withLanguage(qint16 language);
    // The settings file somewhere else: on a full disk, or a link.
    ReaderFixture &withSettingsPath(const QString &path);
    ReaderFixture &withPort(SerialPort &port);
#ifdef Q_OS_UNIX
    // COM1 is a pseudo-terminal that the real serial control opens; the test
    // plays the meter on pty().
    ReaderFixture &onPseudoTerminal();
#endif
    ReaderFixture &withMessageBoxes(MessageBoxes &boxes);
    ReaderFixture &withFileDialog(FileDialog &dialog);
    ReaderFixture &withPrinter(PagePrinter &printer);
    // The COM port menu numbers the ports with this store's numbers.
    ReaderFixture &withPortNumbering(PortNumbering &numbering);
    ReaderFixture &withRecentFiles(KeyValueStore &store);
    // Where unsaved pages are kept; empty: nowhere.
    ReaderFixture &withRecoveryFolder(const QString &folder);
    // The window is built but Form_Load is left to the test.
    ReaderFixture &notLoaded();

    frmZOLprint &window();
    frmZOLprint *operator->()
    {
        return &window();
    }
    // Closes the window for good, as the next test of it in a row needs.
    void dropWindow();

    // A name in the fixture's folder; an absolute path stays as it is, here
    // and wherever a helper below takes a name.
    QString path(const QString &name) const
    {
        return QDir(dir.path()).filePath(name);
    }
    // Writes a file into the folder and gives its path; empty when it
    // could not be written.
    QString writeFile(const QString &name, const QByteArray &bytes) const;
    QString settingsPath() const
    {
        return m_settingsPath;
    }
    QByteArray settingsOnDisk() const;
    QString recoveryFolder() const
    {
        return m_recoveryFolder;
    }
    QStringList recoveryFiles() const;

    // Bytes from the meter on the fake port, as one poll of the receive
    // tick finds them.
    void receive(const QByteArray &bytes);
    // A whole reading on the fake port: Read ZOL, these bytes, then silence.
    void read(const QByteArray &bytes);
    // File > Open of a file holding these bytes, or of a file by name, as
    // the user picks it in the dialog. True when no box told of a failure.
    bool open(const QByteArray &bytes);
    bool openPages(const QStringList &pages);
    void openFile(const QString &name);
    void save(const QString &name);
    // Replaces the current page's text, as typing in the page window does.
    void type(const QString &text);

    const PageStore &pages();
    QString shownPage();
    QString status();
    // The fake boxes that told of a failure, not the questions.
    QStringList errors() const;
    // Every fake box, as "title: text".
    QStringList messages() const;

#ifdef Q_OS_UNIX
    PtyPair &pty();
#endif
    // The port the window reads: the fake, the one given, or the real
    // control on the pseudo-terminal.
    SerialPort &serialPort()
    {
        return *m_port;
    }

    QTemporaryDir dir;
    FakeSerialPort port;
    FakeMessageBoxes boxes;
    FakeFileDialog dialog;
    FakePagePrinter printer;
    EmptyRegistry registry;
    FakeLauncher launcher;
    FakePortLister ports;
    // The numbers given to adapters and the recent files, kept for the
    // fixture's life alone.
    MemoryStore portStore;
    PortNumbering numbering{portStore};
    MemoryStore recentStore;

private:
    SerialPort *m_port = &port;
    MessageBoxes *m_boxes = &boxes;
    FileDialog *m_dialog = &dialog;
    PagePrinter *m_printer = &printer;
    PortNumbering *m_numbering = &numbering;
    KeyValueStore *m_recentFiles = &recentStore;
    QString m_settingsPath;
    QString m_recoveryFolder;
    bool m_load = true;
#ifdef Q_OS_UNIX
    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<QtSerialPort> m_realPort;
#endif
    std::unique_ptr<frmZOLprint> m_window;
};

} // namespace zol::test
