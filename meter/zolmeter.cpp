// zolmeter: a moisture meter on a pseudo-terminal, for tests and for anyone
// without a meter at hand.

#include "log.h"
#include "pty.h"
#include "sampledump.h"
#include "stopsignal.h"
#include "zol6.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace zol::meter;
using namespace std::chrono_literals;

namespace {

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kZol6Baud = 9600;
// The time a user needs to key the dump in on the meter once the program
// waits for it.
constexpr auto kKeypadDelay = 1000ms;
// A meter forgets a frame whose rest does not follow within this time.
constexpr auto kFrameTimeout = 500ms;
constexpr char kNoise = '\xFF';
// Noise that happens to be byte 2 looks like the start of a frame.
constexpr char kStrayStx = kStx;
// How often a meter whose port is closed looks for a frame sent just before.
constexpr auto kClosedLook = 20ms;
// How long a cut waits for the program to read what came before it.
constexpr auto kTakenLimit = 5000ms;
constexpr auto kBlindLinger = 1000ms;
// Well within what a terminal holds for a reader that is not there yet.
constexpr std::size_t kMaxStale = 4096;
// A line end, a NUL or two: what meters are seen to add.
constexpr std::size_t kMaxTrailing = 16;

const char kUsage[] =
    "Usage: zolmeter dump [FILE] [--baud N] [--link PATH] [--stale TEXT] [--trailer TEXT]\n"
    "                     [--cut N]\n"
    "       zolmeter zol6 [--link PATH] [--meter TEXT] [--hardware TEXT] [--software TEXT]\n"
    "                     [--serial TEXT] [--battery C] [--silent] [--bad-check] [--noise]\n"
    "                     [--stray-stx] [--split MS] [--late MS] [--trailing HEX]\n"
    "       zolmeter sample\n"
    "\n"
    "Plays a moisture meter on a pseudo-terminal. The device path is printed on\n"
    "standard output; point the program at it with ZOL_COM<n>, for example\n"
    "ZOL_COM1=/dev/pts/7. Ctrl+C ends it.\n"
    "\n"
    "  dump      every time a program opens the port, waits about a second (the\n"
    "            user starting the dump on the meter's keypad) and sends the\n"
    "            bytes of FILE unchanged, or without FILE a sample report of five\n"
    "            pages, paced at the line's rate\n"
    "  zol6      answers the user-name tool's commands at 9600 baud as a ZOL6\n"
    "            in its connection mode\n"
    "  sample    writes the sample report to standard output, as a start for a\n"
    "            dump FILE of your own\n"
    "\n"
    "Like a real meter it never clears the line: what it sent stays in the port's\n"
    "input until the program reads or discards it, and a dump or answer it began\n"
    "is sent to the end even when the program closes the port meanwhile (the\n"
    "bytes then wait for whoever opens the port next).\n"
    "\n"
    "  --baud N         rate of the dump in baud, 10 bits a character (default 2400)\n"
    "  --link PATH      also make PATH a symbolic link to the device, removed at exit\n"
    "  --meter TEXT     meter name, at most 8 characters (default ZOL6)\n"
    "  --hardware TEXT  hardware version, at most 4 characters (default 1.20)\n"
    "  --software TEXT  software version, at most 4 characters (default 6.05)\n"
    "  --serial TEXT    serial number, at most 8 characters (default 00012345)\n"
    "  --battery C      battery status, one character (default G)\n"
    "  --silent         never answer, as a meter not in connection mode\n"
    "  --bad-check      answer with a wrong check character\n"
    "  --noise          send a stray byte before each answer\n"
    "  --stray-stx      send a stray STX before each answer (after the --noise byte)\n"
    "  --split MS       send each answer in two parts, MS milliseconds apart\n"
    "  --late MS        send each answer MS milliseconds after its command arrived,\n"
    "                   whether or not the port is still open then\n"
    "  --trailing HEX   send these bytes (hexadecimal, for example 0D0A, at most 16)\n"
    "                   right behind each answer, in the same write as its last byte\n"
    "  --stale TEXT     leave TEXT (taken literally, at most 4096 bytes) in the port's\n"
    "                   input before the device path is printed, as if left over\n"
    "                   from an earlier transfer\n"
    "  --trailer TEXT   send TEXT (taken literally, at most 4096 bytes) after the\n"
    "                   dump's last page, as meters that end with a line end do\n"
    "  --cut N          after N bytes of the first dump hang the line up (the adapter\n"
    "                   pulled, the meter switched off): the program's reads fail,\n"
    "                   and zolmeter exits\n"
    "\n"
    "Exit status: 0 when stopped by a signal or after a cut, 1 on an error, 2 on bad\n"
    "arguments.\n";

enum class Mode { Dump, Zol6, Sample };

struct Options
{
    Mode mode = Mode::Dump;
    std::optional<std::string> file;
    int baud = 2400;
    std::optional<std::string> link;
    Zol6Identity identity;
    bool silent = false;
    bool badCheck = false;
    bool noise = false;
    bool strayStx = false;
    std::optional<int> splitMs;
    int lateMs = 0;
    std::string trailing;
    std::string stale;
    std::string trailer;
    std::optional<std::size_t> cut;
};

struct UsageError
{
    std::string message;
};

// Two hexadecimal digits a byte, as a technician reads them off a line
// monitor.
std::optional<std::string> parseHex(const std::string &text, std::size_t maxBytes)
{
    if (text.empty() || text.size() % 2 != 0 || text.size() / 2 > maxBytes ||
        text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::nullopt;
    std::string bytes;
    for (std::size_t at = 0; at < text.size(); at += 2)
        bytes += static_cast<char>(std::stoi(text.substr(at, 2), nullptr, 16));
    return bytes;
}

std::optional<long> parseNumber(const std::string &text, long low, long high)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    errno = 0;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (errno != 0 || value < low || value > high)
        return std::nullopt;
    return value;
}

// Throws UsageError; the caller prints the message and the usage text.
Options parseArguments(int argc, char **argv)
{
    if (argc < 2)
        throw UsageError{"no mode given"};
    Options options;
    const std::string mode = argv[1];
    if (mode == "dump")
        options.mode = Mode::Dump;
    else if (mode == "zol6")
        options.mode = Mode::Zol6;
    else if (mode == "sample")
        options.mode = Mode::Sample;
    else
        throw UsageError{"unknown mode \"" + mode + "\""};

    const bool dump = options.mode == Mode::Dump;
    const bool zol6 = options.mode == Mode::Zol6;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg.resize(eq);
            }
        }
        const auto value = [&]() -> std::string {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= argc)
                throw UsageError{arg + " needs a value"};
            return argv[++i];
        };
        const auto field = [&](std::string &into, std::size_t width) {
            const std::string text = value();
            if (text.empty() || text.size() > width)
                throw UsageError{arg + " takes 1 to " + std::to_string(width) + " characters"};
            into = text;
        };
        const auto flag = [&](bool &into) {
            if (inlineValue)
                throw UsageError{arg + " takes no value"};
            into = true;
        };

        if (arg == "--baud" && dump) {
            const std::string text = value();
            const auto baud = parseNumber(text, 50, 4'000'000);
            if (!baud)
                throw UsageError{"--baud wants a whole number from 50 to 4000000, not \"" + text +
                                 "\""};
            options.baud = static_cast<int>(*baud);
        } else if (arg == "--link" && (dump || zol6)) {
            options.link = value();
            if (options.link->empty())
                throw UsageError{"--link needs a path"};
        } else if (arg == "--meter" && zol6) {
            field(options.identity.meter, Zol6Identity::kMeterWidth);
        } else if (arg == "--hardware" && zol6) {
            field(options.identity.hardware, Zol6Identity::kHardwareWidth);
        } else if (arg == "--software" && zol6) {
            field(options.identity.software, Zol6Identity::kSoftwareWidth);
        } else if (arg == "--serial" && zol6) {
            field(options.identity.serial, Zol6Identity::kSerialWidth);
        } else if (arg == "--battery" && zol6) {
            std::string battery;
            field(battery, 1);
            options.identity.battery = battery.front();
        } else if (arg == "--silent" && zol6) {
            flag(options.silent);
        } else if (arg == "--bad-check" && zol6) {
            flag(options.badCheck);
        } else if (arg == "--noise" && zol6) {
            flag(options.noise);
        } else if (arg == "--stray-stx" && zol6) {
            flag(options.strayStx);
        } else if (arg == "--split" && zol6) {
            const std::string text = value();
            const auto ms = parseNumber(text, 0, 60'000);
            if (!ms)
                throw UsageError{"--split wants milliseconds from 0 to 60000, not \"" + text +
                                 "\""};
            options.splitMs = static_cast<int>(*ms);
        } else if (arg == "--late" && zol6) {
            const std::string text = value();
            const auto ms = parseNumber(text, 0, 600'000);
            if (!ms)
                throw UsageError{"--late wants milliseconds from 0 to 600000, not \"" + text +
                                 "\""};
            options.lateMs = static_cast<int>(*ms);
        } else if (arg == "--trailing" && zol6) {
            const std::string text = value();
            const auto bytes = parseHex(text, kMaxTrailing);
            if (!bytes)
                throw UsageError{"--trailing wants 1 to " + std::to_string(kMaxTrailing) +
                                 " bytes in hexadecimal, not \"" + text + "\""};
            options.trailing = *bytes;
        } else if (arg == "--stale" && dump) {
            options.stale = value();
            if (options.stale.empty() || options.stale.size() > kMaxStale)
                throw UsageError{"--stale takes 1 to " + std::to_string(kMaxStale) + " bytes"};
        } else if (arg == "--trailer" && dump) {
            options.trailer = value();
            if (options.trailer.empty() || options.trailer.size() > kMaxStale)
                throw UsageError{"--trailer takes 1 to " + std::to_string(kMaxStale) + " bytes"};
        } else if (arg == "--cut" && dump) {
            const std::string text = value();
            const auto bytes = parseNumber(text, 0, LONG_MAX);
            if (!bytes)
                throw UsageError{"--cut wants a number of bytes, not \"" + text + "\""};
            options.cut = static_cast<std::size_t>(*bytes);
        } else if (arg.size() > 1 && arg.front() == '-') {
            throw UsageError{"unknown option " + arg + " for " + mode};
        } else if (dump && !options.file) {
            options.file = arg;
        } else {
            throw UsageError{"unexpected argument \"" + arg + "\""};
        }
    }
    return options;
}

bool readFile(const std::string &path, std::string &into, std::string &error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    into.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "read error";
        return false;
    }
    return true;
}

// The symbolic link lives only as long as the meter does.
class Link
{
public:
    Link() = default;
    ~Link()
    {
        if (m_path.empty())
            return;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(m_path.c_str(), target, sizeof target - 1);
        // Another meter may have taken the name over since; leave its link.
        if (n >= 0 && std::string_view(target, static_cast<std::size_t>(n)) == m_target)
            ::unlink(m_path.c_str());
    }
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

    bool make(const std::string &path, const std::string &target, std::string &error)
    {
        struct stat st = {};
        if (::lstat(path.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                error = path + " exists and is not a symbolic link";
                return false;
            }
            // Most likely left by a meter that was killed.
            ::unlink(path.c_str());
        }
        if (::symlink(target.c_str(), path.c_str()) != 0) {
            error = "cannot make the link " + path + ": " + std::strerror(errno);
            return false;
        }
        m_path = path;
        m_target = target;
        return true;
    }

private:
    std::string m_path;
    std::string m_target;
};

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Whatever the program sends while the meter dumps is ignored, as a meter
// would; this returns once the program closed the port.
LineResult waitForClose(Pty &pty)
{
    for (;;) {
        std::string ignored;
        const LineResult result = pty.read(ignored, -1);
        if (result != LineResult::Done)
            return result;
        if (!ignored.empty())
            logEvent("ignored %zu byte(s) from the program", ignored.size());
    }
}

// The exit status once the line ended the meter's work: a stop by signal is
// the normal end.
int endWith(LineResult result)
{
    if (result != LineResult::Failed)
        return 0;
    logEvent("error on the line: %s", std::strerror(errno));
    return kExitError;
}

// The cut comes once the program has read what came before it, so that a test
// knows exactly which bytes got through; the adapter itself would not wait.
// Where the program's queue cannot be seen, a second on the quiet line does
// for a program that reads as its bytes come.
int hangUp(Pty &pty, std::size_t sent)
{
    const std::optional<bool> taken = pty.waitUntilTaken(kTakenLimit);
    if (StopSignal::raised())
        return 0;
    if (!taken && pty.pause(kBlindLinger) == LineResult::Stopped)
        return 0;
    if (taken == false && pty.slaveIsOpen())
        logEvent("the program did not read all of it within %lld s",
                 static_cast<long long>(kTakenLimit.count() / 1000));
    pty.hangUp();
    logEvent("cut after %zu bytes: hung up", sent);
    return 0;
}

int runDump(Pty &pty, const Options &options, const std::string &dump)
{
    for (;;) {
        logEvent("waiting for a program to open %s", pty.slavePath().c_str());
        if (pty.waitForOpen() == LineResult::Stopped)
            return 0;
        logEvent("opened; the dump starts in about a second");
        LineResult result = pty.pauseWhileOpen(kKeypadDelay);
        if (result == LineResult::Closed) {
            logEvent("closed before the dump started");
            continue;
        }
        if (result != LineResult::Done)
            return endWith(result);

        const std::string_view bytes =
            std::string_view(dump).substr(0, options.cut.value_or(dump.size()));
        logEvent("sending %zu bytes at %d baud", bytes.size(), options.baud);
        const auto start = std::chrono::steady_clock::now();
        Pty::Sent sent;
        result = pty.writePaced(bytes, options.baud, &sent);
        if (sent.closedAt)
            logEvent("closed after %zu of %zu bytes; sending the rest all the same", *sent.closedAt,
                     bytes.size());
        if (result == LineResult::Stalled)
            logEvent("gave up after %zu of %zu bytes: the line took nothing for %lld s", sent.bytes,
                     bytes.size(), static_cast<long long>(Pty::kStallLimit.count()));
        else if (result != LineResult::Done)
            return endWith(result);
        else
            logEvent("done: %zu bytes in %.2f s", sent.bytes, secondsSince(start));
        if (options.cut)
            return hangUp(pty, sent.bytes);
        result = waitForClose(pty);
        if (result != LineResult::Closed)
            return endWith(result);
        logEvent("closed");
    }
}

// The faults a technician meets on the line are put in here, on the way out.
// An answer once begun is finished whether or not the port is still open.
LineResult sendReply(Pty &pty, const Options &options, std::string reply)
{
    if (options.silent) {
        logEvent("silent: no answer");
        return LineResult::Done;
    }
    if (options.strayStx)
        reply.insert(reply.begin(), kStrayStx);
    if (options.noise)
        reply.insert(reply.begin(), kNoise);
    const bool wasOpen = pty.slaveIsOpen();
    LineResult result = LineResult::Done;
    Pty::Sent sent;
    // The trailing bytes leave with the answer's last byte in one write, so
    // that the program finds them in the same read as the check.
    const auto writeEnd = [&](std::string_view part) {
        if (options.trailing.empty())
            return pty.writePaced(part, kZol6Baud, &sent);
        LineResult written = pty.writePaced(part.substr(0, part.size() - 1), kZol6Baud);
        if (written == LineResult::Done)
            written = pty.writePaced(std::string(part.substr(part.size() - 1)) + options.trailing,
                                     0, &sent);
        return written;
    };
    if (options.splitMs) {
        const std::size_t half = reply.size() / 2;
        result = pty.writePaced(std::string_view(reply).substr(0, half), kZol6Baud);
        if (result == LineResult::Done)
            result = pty.pause(std::chrono::milliseconds(*options.splitMs));
        if (result == LineResult::Done)
            result = writeEnd(std::string_view(reply).substr(half));
        if (result == LineResult::Done)
            logEvent("answered in two parts, %d ms apart: %s", *options.splitMs,
                     hexBytes(reply + options.trailing).c_str());
    } else {
        result = writeEnd(reply);
        if (result == LineResult::Done)
            logEvent("answered: %s", hexBytes(reply + options.trailing).c_str());
    }
    if (result == LineResult::Done && (!wasOpen || sent.closedAt || !pty.slaveIsOpen()))
        logEvent("the port was closed meanwhile; the answer waits on the line");
    if (result == LineResult::Stalled)
        logEvent("gave up the answer: the line took nothing for %lld s",
                 static_cast<long long>(Pty::kStallLimit.count()));
    return result;
}

struct DueReply
{
    std::chrono::steady_clock::time_point due;
    std::string reply;
};

// The meter does not notice the port being closed: it goes on taking frames,
// forgets a frame whose rest does not come, and sends every answer when it is
// due. The open and close are only logged.
int runZol6(Pty &pty, const Options &options)
{
    using Clock = std::chrono::steady_clock;
    Zol6 meter(options.identity, options.badCheck);
    const auto late = std::chrono::milliseconds(options.lateMs);
    std::deque<DueReply> due;
    auto lastByte = Clock::now();
    bool open = false;
    logEvent("waiting for a program to open %s", pty.slavePath().c_str());
    for (;;) {
        const auto now = Clock::now();
        if (!due.empty() && due.front().due <= now) {
            const LineResult result = sendReply(pty, options, std::move(due.front().reply));
            due.pop_front();
            if (result != LineResult::Done && result != LineResult::Stalled)
                return endWith(result);
            continue;
        }
        if (meter.hasPartialFrame() && now - lastByte >= kFrameTimeout)
            meter.dropPartialFrame();

        std::optional<Clock::time_point> wake;
        if (!due.empty())
            wake = due.front().due;
        if (meter.hasPartialFrame())
            wake = std::min(wake.value_or(Clock::time_point::max()), lastByte + kFrameTimeout);

        std::string received;
        LineResult result = LineResult::Done;
        if (open) {
            const int timeout =
                wake ? static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(
                                            std::max(*wake - now, Clock::duration::zero()))
                                            .count())
                     : -1;
            result = pty.read(received, timeout);
            if (result == LineResult::Closed) {
                open = false;
                logEvent("closed");
                logEvent("waiting for a program to open %s", pty.slavePath().c_str());
                continue;
            }
        } else {
            // A frame sent just before the close still reaches the meter.
            result = pty.read(received, 0);
            if (result == LineResult::Closed) {
                const auto look = now + kClosedLook;
                result = pty.waitForOpen(wake ? std::min(*wake, look) : look);
                if (result == LineResult::Done) {
                    open = true;
                    logEvent("opened");
                }
                if (result == LineResult::Done || result == LineResult::Closed)
                    continue;
            }
        }
        if (result != LineResult::Done)
            return endWith(result);
        if (received.empty())
            continue;
        lastByte = Clock::now();
        for (std::string &reply : meter.receive(received)) {
            if (options.lateMs > 0 && !options.silent)
                logEvent("answer due in %d ms", options.lateMs);
            due.push_back({lastByte + late, std::move(reply)});
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    Options options;
    try {
        options = parseArguments(argc, argv);
    } catch (const UsageError &error) {
        std::fprintf(stderr, "zolmeter: %s\n\n%s", error.message.c_str(), kUsage);
        return kExitUsage;
    }

    if (options.mode == Mode::Sample) {
        const std::string dump = sampleDump();
        std::fwrite(dump.data(), 1, dump.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : kExitError;
    }

    std::string dump;
    if (options.mode == Mode::Dump) {
        if (options.file) {
            std::string error;
            if (!readFile(*options.file, dump, error)) {
                logEvent("cannot read %s: %s", options.file->c_str(), error.c_str());
                return kExitError;
            }
        } else {
            dump = sampleDump();
        }
        dump += options.trailer;
    }

    if (!StopSignal::install()) {
        logEvent("cannot set up the signal handlers: %s", std::strerror(errno));
        return kExitError;
    }
    Pty pty;
    std::string error;
    if (!pty.open(&error)) {
        logEvent("cannot open a pseudo-terminal: %s", error.c_str());
        return kExitError;
    }
    // Before the path is out, so that no program can open the port ahead of
    // the stale bytes.
    if (!options.stale.empty()) {
        const LineResult result = pty.writePaced(options.stale, 0);
        if (result == LineResult::Stalled) {
            logEvent("the line took only part of the stale text");
            return kExitError;
        }
        if (result != LineResult::Done)
            return endWith(result);
        logEvent("left %zu stale byte(s) on the line", options.stale.size());
    }
    std::printf("%s\n", pty.slavePath().c_str());
    std::fflush(stdout);

    Link link;
    if (options.link && !link.make(*options.link, pty.slavePath(), error)) {
        logEvent("%s", error.c_str());
        return kExitError;
    }
    if (options.link)
        logEvent("%s links to %s", options.link->c_str(), pty.slavePath().c_str());

    const int status =
        options.mode == Mode::Dump ? runDump(pty, options, dump) : runZol6(pty, options);
    if (status == 0 && StopSignal::raised())
        logEvent("stopped");
    return status;
}
