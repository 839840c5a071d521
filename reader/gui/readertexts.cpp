#include "readertexts.h"

using namespace Qt::StringLiterals;

namespace zol {

ReaderTexts::ReaderTexts(qint16 language)
    : m_language(language), m_shown(isValidLanguage(language) ? language : kEnglish)
{
    fillLanguageTables(m_tables);
}

QString ReaderTexts::withReason(Text which, const QString &reason) const
{
    return reason.isEmpty() ? (*this)[which] : (*this)[which] + u"\r\n"_s + reason;
}

} // namespace zol
