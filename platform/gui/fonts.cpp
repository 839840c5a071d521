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
    QString face = family;
    for (const QString &candidate : QStringList{family} + QFont::substitutes(family)) {
        if (const std::optional<QString> found = installedAs(candidate)) {
            face = *found;
            break;
        }
    }
    QFont font(face);
    font.setPointSizeF(points);
    return font;
}

} // namespace zol
