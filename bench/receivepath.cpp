#include "receivepath.h"

#include "frmzolprint.h"
#include "measurementsfile.h"
#include "messagebox.h"
#include "meterdecoder.h"
#include "procinfo.h"
#include "ptypair.h"
#include "qtserialport.h"
#include "resultstable.h"
#include "statusbar.h"
#include "systemservices.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <functional>
#include <memory>
#include <poll.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace zol::bench {

namespace {

// What one read of the serial control returns at most.
constexpr qsizetype kReadSize = 32767;
// The transfer ends after this much silence; the program's own ten seconds
// would only lengthen the run, not change what arrives.
constexpr int kSilenceMs = 1500;

class RecordedMessages final : public MessageBoxes
{
public:
    void showOk(QWidget *, const QString &, const QString &text, Icon) override
    {
        texts.append(text);
    }
    bool askYesNo(QWidget *, const QString &, const QString &text, Icon, Answer) override
    {
        texts.append(text);
        return false;
    }
    Answer askYesNoCancel(QWidget *, const QString &, const QString &text) override
    {
        texts.append(text);
        return Answer::No;
    }
    QStringList texts;
};

// The meter's end of a pseudo-terminal, writing from a thread of its own
// while the program's event loop runs.
class MeterLine
{
public:
    MeterLine() = default;
    ~MeterLine()
    {
        m_stop.store(true);
        if (m_writer.joinable())
            m_writer.join();
    }
    MeterLine(const MeterLine &) = delete;
    MeterLine &operator=(const MeterLine &) = delete;

    bool isValid() const { return m_pty.isValid(); }
    QString slavePath() const { return m_pty.slavePath(); }

    void send(const QByteArray &bytes)
    {
        m_writer = std::thread([this, bytes] { write(bytes); });
    }
    bool finished() const { return m_finished.load(); }
    qsizetype sent() const { return m_sent.load(); }

private:
    // As fast as the terminal takes the bytes; a reader that stops taking
    // them for long ends the writing rather than hanging the benchmark.
    void write(const QByteArray &bytes)
    {
        constexpr qint64 kStallNs = 5'000'000'000;
        qsizetype done = 0;
        qint64 lastProgress = monotonicNs();
        while (done < bytes.size() && !m_stop.load()) {
            const ssize_t n = ::write(m_pty.masterFd(), bytes.constData() + done,
                                      static_cast<size_t>(bytes.size() - done));
            if (n > 0) {
                done += n;
                lastProgress = monotonicNs();
                continue;
            }
            if (n < 0 && errno != EINTR && errno != EAGAIN)
                break;
            if (monotonicNs() - lastProgress > kStallNs)
                break;
            pollfd pfd{m_pty.masterFd(), POLLOUT, 0};
            ::poll(&pfd, 1, 100);
        }
        m_sent.store(done);
        m_finished.store(true);
    }

    test::PtyPair m_pty;
    std::thread m_writer;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    std::atomic<qsizetype> m_sent{0};
};

// Runs the event loop, which sleeps between events as the program's own does.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QEventLoop loop;
    QTimer poll;
    bool met = condition();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        met = condition();
        if (met)
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!met) {
        poll.start(1);
        loop.exec();
    }
    return met;
}

QString describeText(const QString &text, qsizetype at)
{
    return u"\"%1\""_s.arg(text.mid(at, 24).replace(u"\r\n"_s, u"\\r\\n"_s));
}

} // namespace

MeterDump makeMeterDump(qsizetype size, int pageCount)
{
    pageCount = std::clamp(pageCount, 1, int(PageStore::kLastPage));
    MeterDump dump;
    dump.bytes.reserve(size + 64);
    const qsizetype perPage = std::max<qsizetype>(1, size / pageCount);
    qint64 reading = 0;
    for (int page = 0; page < pageCount; ++page) {
        // A form feed's space opens the page after it.
        QString text = page == 0 ? QString() : u" "_s;
        const qsizetype pageEnd = std::max<qsizetype>(dump.bytes.size() + 1, perPage * (page + 1));
        while (dump.bytes.size() < pageEnd) {
            const QByteArray number = QByteArray::number(++reading).rightJustified(7, '0');
            // 0x81 is the meter's u-umlaut; the NUL and the BEL are padding
            // the page must not show.
            dump.bytes += "reading " + number + " \x81\x07 12.5";
            dump.bytes += '\0';
            dump.bytes += " %\r\n";
            text += u"reading "_s + QLatin1String(number) + u" \u00fc 12.5 %\r\n"_s;
        }
        dump.bytes += '\f';
        dump.pages.append(text);
    }
    // The space of the last form feed.
    dump.pages.append(u" "_s);
    return dump;
}

QString firstDifference(const PageStore &store, const QStringList &expected)
{
    for (int i = 0; i < PageStore::kPageCount; ++i) {
        const QString want = i < expected.size() ? expected[i] : QString();
        const QString &have = store.sPage(i);
        if (have == want)
            continue;
        qsizetype at = 0;
        while (at < have.size() && at < want.size() && have[at] == want[at])
            ++at;
        return u"page %1 differs at character %2 of %3 (expected %4, received %5)"_s.arg(i)
            .arg(at)
            .arg(want.size())
            .arg(describeText(want, at), describeText(have, at));
    }
    if (expected.size() > PageStore::kPageCount)
        return u"%1 pages expected, the store holds %2"_s.arg(expected.size())
            .arg(PageStore::kPageCount);
    return {};
}

DecodeSpeed measureDecoding(const QByteArray &dump, int repeats)
{
    QList<QByteArray> reads;
    for (qsizetype at = 0; at < dump.size(); at += kReadSize)
        reads.append(dump.mid(at, kReadSize));

    qsizetype characters = 0;
    qsizetype copied = 0;
    const auto decode = [&] {
        auto store = std::make_unique<PageStore>();
        store->beginTransfer(QString());
        QElapsedTimer timer;
        timer.start();
        for (const QByteArray &read : reads)
            store->receive(read);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        characters = 0;
        for (const QString &page : store->allPages())
            characters += page.size();
        return seconds;
    };
    const auto copy = [&] {
        QByteArray bytes;
        QElapsedTimer timer;
        timer.start();
        for (const QByteArray &read : reads)
            bytes.append(read);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        copied = bytes.size();
        return seconds;
    };
    // Each in a block of its own after a first round that is not counted:
    // the first use of fresh memory from the system costs more than either,
    // and interleaved they would keep handing each other fresh memory.
    QList<double> decodeSeconds;
    decode();
    for (int i = 0; i < repeats; ++i)
        decodeSeconds.append(decode());
    QList<double> copySeconds;
    copy();
    for (int i = 0; i < repeats; ++i)
        copySeconds.append(copy());

    DecodeSpeed speed;
    // Using what both made keeps the work from being optimised away.
    speed.characters = characters;
    speed.copiedBytes = copied;
    const double bytes = double(dump.size());
    if (const std::optional<double> s = median(decodeSeconds); s && *s > 0)
        speed.decodeBytesPerSecond = bytes / *s;
    if (const std::optional<double> s = median(copySeconds); s && *s > 0)
        speed.copyBytesPerSecond = bytes / *s;
    return speed;
}

FullSpeedReceive receiveAtFullSpeed(const MeterDump &dump, const QString &scratchDir)
{
    FullSpeedReceive result;
    result.size = dump.bytes.size();
    MeterLine line;
    if (!line.isValid()) {
        result.problem = u"no pseudo-terminal"_s;
        return result;
    }
    const QByteArray oldCom1 = qgetenv("ZOL_COM1");
    qputenv("ZOL_COM1", line.slavePath().toLocal8Bit());

    QtSerialPort port;
    RecordedMessages messages;
    // The real services, of which a reading uses only the port and the boxes;
    // what they keep stays in the scratch folder.
    QSettings userStore(QDir(scratchDir).filePath(u"user.conf"_s), QSettings::IniFormat);
    SystemServices system(userStore);
    frmZOLprint window(
        system.forWindow(port, messages, QDir(scratchDir).filePath(u"zolprint.ini"_s)));
    window.Form_Load();
    window.mPort1_Click();
    window.mStart_Click();
    if (oldCom1.isNull())
        qunsetenv("ZOL_COM1");
    else
        qputenv("ZOL_COM1", oldCom1);
    if (!port.isOpen()) {
        result.problem = u"the port did not open: %1"_s.arg(messages.texts.join(u' '));
        return result;
    }
    // The window's own silence is far longer than a bench run wants to wait.
    Watchdog *const tmrControle = window.findChild<Watchdog *>(u"tmrControle"_s);
    if (!tmrControle) {
        result.problem = u"the window has no silence timer"_s;
        return result;
    }
    tmrControle->setInterval(kSilenceMs);
    tmrControle->start();

    qsizetype expectedCharacters = 0;
    for (const QString &page : dump.pages)
        expectedCharacters += page.size();
    const PageStore &store = window.document().pages();
    qint64 allInNs = 0;
    const auto allIn = [&] {
        if (allInNs == 0) {
            qsizetype characters = 0;
            for (const QString &page : store.allPages())
                characters += page.size();
            if (characters >= expectedCharacters)
                allInNs = monotonicNs();
        }
        return line.finished() && !port.isOpen();
    };

    const qint64 startNs = monotonicNs();
    line.send(dump.bytes);
    const int timeoutMs = 30000 + int(dump.bytes.size() / 1000);
    if (!waitUntil(allIn, timeoutMs)) {
        result.problem = u"the transfer did not end within %1 s"_s.arg(timeoutMs / 1000);
        window.Form_Unload();
        return result;
    }
    // Until the last character was in the store: the terminal takes the
    // first bytes long before the program has read them.
    if (allInNs > 0)
        result.seconds = double(allInNs - startNs) / 1e9;
    if (line.sent() != dump.bytes.size()) {
        result.problem = u"only %1 bytes could be written"_s.arg(line.sent());
        return result;
    }
    if (!messages.texts.isEmpty()) {
        result.problem = u"message: %1"_s.arg(messages.texts.join(u' '));
        return result;
    }
    result.problem = firstDifference(store, dump.pages);
    result.exact = result.problem.isEmpty();

    // The pages saved as the program saves them, and opened again.
    const QString file = QDir(scratchDir).filePath(u"received.mcs"_s);
    QString reason;
    if (saveMeasurements(file, store.pagesInUse(), &reason)) {
        result.fileBytes = QFileInfo(file).size();
        const MeasurementsRead read = readMeasurementsFile(file);
        const QStringList saved = store.pagesInUse();
        result.reopens = read.status == MeasurementsRead::Status::Ok &&
                         read.entries.mid(0, saved.size()) == saved;
        QFile::remove(file);
    } else {
        result.saveProblem = reason;
    }
    window.Form_Unload();
    return result;
}

} // namespace zol::bench
