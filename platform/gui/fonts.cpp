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

using namespace Qt::StringLiterals;

namespace zol {

void installFontSubstitutes()
{
    const QStringList sans = {u"Microsoft Sans Serif"_s, u"Arial"_s, u"Liberation Sans"_s,
                              u"Arimo"_s};
    QFont::insertSubstitutions(u"MS Sans Serif"_s, sans);
    QFont::insertSubstitutions(u"Courier New"_s, {u"Liberation Mono"_s, u"Cousine"_s});
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
