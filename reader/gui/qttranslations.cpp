#include "qttranslations.h"

#include "languages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace zol {

bool installQtTranslations(QCoreApplication &app, qint16 language)
{
    if (!isValidLanguage(language))
        return false;
    if (language == kEnglish)
        return true;
    const QLocale locale(languageCode(language));
    const QStringList folders = {QCoreApplication::applicationDirPath() + u"/translations"_s,
                                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    for (const QString &folder : folders) {
        auto *translator = new QTranslator(&app);
        if (translator->load(locale, u"qtbase"_s, u"_"_s, folder)) {
            QCoreApplication::installTranslator(translator);
            return true;
        }
        delete translator;
    }
    return false;
}

} // namespace zol
