#include "startupthread.h"

#include <QFontDatabase>
#include <QImageReader>

#include <exception>
#include <future>
#include <thread>

// The build defines these only where Qt draws text through fontconfig and
// talks to the desktop over D-Bus; the Windows check compiles with this
// build's flags, so the platform is asked too.
#if defined(ZOL_HAVE_FONTCONFIG) && !defined(Q_OS_WIN)
#include <fontconfig/fontconfig.h>
#define ZOL_READ_FONTCONFIG
#endif
#if defined(ZOL_HAVE_DBUS) && !defined(Q_OS_WIN)
#include <QDBusConnection>
#define ZOL_REACH_SESSION_BUS
#endif

namespace zol {

struct StartUpThread::Private
{
    std::promise<void> configurationRead;
    // True once the application object exists, false when there will be none.
    std::promise<bool> application;
    bool applicationTold = false;
    std::thread fonts;
    std::thread bus;
};

StartUpThread::StartUpThread() : d(new Private)
{
    std::future<bool> application = d->application.get_future();
    try {
        d->fonts = std::thread([this, application = std::move(application)]() mutable {
#ifdef ZOL_READ_FONTCONFIG
            FcInit();
#endif
            d->configurationRead.set_value();
            if (!application.get())
                return;
            (void)QFontDatabase::families();
            (void)QImageReader::supportedImageFormats();
        });
    } catch (const std::exception &) {
        // Without the thread each part is done where it is first needed.
        d->configurationRead.set_value();
    }
}

StartUpThread::~StartUpThread()
{
    finish();
}

void StartUpThread::applicationMade()
{
    if (d->applicationTold)
        return;
#ifdef ZOL_REACH_SESSION_BUS
    try {
        d->bus = std::thread([] { (void)QDBusConnection::sessionBus().isConnected(); });
    } catch (const std::exception &) {
    }
#endif
    d->applicationTold = true;
    d->application.set_value(true);
    d->configurationRead.get_future().wait();
}

void StartUpThread::finish()
{
    if (!d->applicationTold) {
        d->applicationTold = true;
        d->application.set_value(false);
    }
    if (d->fonts.joinable())
        d->fonts.join();
    if (d->bus.joinable())
        d->bus.join();
}

} // namespace zol
