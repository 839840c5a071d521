#include "qttranslations.h"

#include "languages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

bool installCatalog(QCoreApplication &app, const QLocale &locale, const QString &catalog)
{
    const QStringList folders = {QCoreApplication::applicationDirPath() + u"/translations"_s,
                                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    for (const QString &folder : folders) {
        auto *translator = new QTranslator(&app);
        if (translator->load(locale, catalog, u"_"_s, folder)) {
            QCoreApplication::installTranslator(translator);
            return true;
        }
        delete translator;
    }
    return false;
}

} // namespace

bool installQtTranslations(QCoreApplication &app, qint16 language)
{
    if (!isValidLanguage(language))
        return false;
    if (language == kEnglish)
        return true;
    // The reasons the program writes itself, in the words of its own tables.
    QCoreApplication::installTranslator(new ReasonTranslator(language, &app));
    const QLocale locale(languageCode(language));
    // Qt Serial Port has its own catalog (its reasons for a port that will
    // not open), for fewer languages than Qt's base: German of ours.
    installCatalog(app, locale, u"qtserialport"_s);
    return installCatalog(app, locale, u"qtbase"_s);
}

} // namespace zol
