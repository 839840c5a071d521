#include "fonts.h"

#include <QFontDatabase>
#include <QStringList>

#include <optional>

using namespace Qt::StringLiterals;

namespace zol {

void installFontSubstitutes()
{
    const QStringList sans = {u"Microsoft Sans Serif"_s, u"Arial"_s, u"Liberation Sans"_s,
                              u"Arimo"_s};
    QFont::insertSubstitutions(u"MS Sans Serif"_s, sans);
    QFont::insertSubstitutions(u"Courier New"_s, {u"Liberation Mono"_s, u"Cousine"_s});
}

QFont classicFont(const QString &family, qreal points)
{
    QStringList installed = QFontDatabase::families();
    // A family that more than one foundry makes is listed as "Family [Foundry]".
    for (QString &name : installed) {
        const qsizetype foundry = name.indexOf(u" ["_s);
        if (foundry > 0)
            name.truncate(foundry);
    }
    // Named as the database spells it: the substitutes come back in lower case.
    auto installedAs = [&installed](const QString &name) -> std::optional<QString> {
        for (const QString &face : installed) {
            if (face.compare(name, Qt::CaseInsensitive) == 0)
                return face;
        }
        return std::nullopt;
    };
    // Windows still has "MS Sans Serif" as a bitmap face, drawn in a few
    // sizes only: at 144 DPI it would not grow with the window. Its
    // scalable successor "Microsoft Sans Serif" comes first among the
    // substitutes, so an outline face is taken where there is one.
    std::optional<QString> outline;
    std::optional<QString> any;
    for (const QString &candidate : QStringList{family} + QFont::substitutes(family)) {
        if (const std::optional<QString> found = installedAs(candidate)) {
            if (!any)
                any = found;
            if (QFontDatabase::isSmoothlyScalable(*found)) {
                outline = found;
                break;
            }
        }
    }
    const QString face = outline.value_or(any.value_or(family));
    QFont font(face);
    font.setPointSizeF(points);
    // Where the system draws text without smoothing (Wine's default, or a
    // Windows with smoothing turned off), Qt draws each glyph alone in black
    // and white, and at 8.25 pt (11 pixels) the one-pixel stem of Liberation
    // Sans' capital I can fall between the pixels and vanish: "I(I)lIi"
    // showed as "()li". Smoothed, it always has ink.
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace zol
