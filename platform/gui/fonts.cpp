#include "fonts.h"

#include <QFont>
#include <QStringList>

// The build defines ZOL_HAVE_FONTCONFIG only where Qt draws text through
// fontconfig; the Windows check compiles with this build's flags, so the
// platform is asked too.
#if defined(ZOL_HAVE_FONTCONFIG) && !defined(Q_OS_WIN)
#define ZOL_WARM_FONTCONFIG
#endif

#ifdef ZOL_WARM_FONTCONFIG
#include <fontconfig/fontconfig.h>

#include <exception>
#include <thread>
#endif

namespace zol {

void installFontSubstitutes()
{
    const QStringList sans = {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                              QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sans);
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
                               {QStringLiteral("Liberation Mono"), QStringLiteral("Cousine")});
}

#ifdef ZOL_WARM_FONTCONFIG

struct FontConfigWarmUp::Private
{
    std::thread thread;
};

FontConfigWarmUp::FontConfigWarmUp()
{
    // Without a thread the font database simply reads the configuration
    // itself when it is first needed.
    try {
        d.reset(new Private{std::thread([] { FcInit(); })});
    } catch (const std::exception &) {
    }
}

FontConfigWarmUp::~FontConfigWarmUp()
{
    wait();
}

void FontConfigWarmUp::wait()
{
    if (d && d->thread.joinable())
        d->thread.join();
}

#else

struct FontConfigWarmUp::Private
{
};

FontConfigWarmUp::FontConfigWarmUp() = default;
FontConfigWarmUp::~FontConfigWarmUp() = default;
void FontConfigWarmUp::wait() {}

#endif

} // namespace zol
