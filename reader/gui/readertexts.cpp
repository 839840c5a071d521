#include "readertexts.h"

#include "pageprinter.h"

using namespace Qt::StringLiterals;

namespace zol {

using T = LanguageTables;

ReaderTexts::ReaderTexts(qint16 language)
    : m_language(language), m_shown(isValidLanguage(language) ? language : kEnglish)
{
    fillLanguageTables(m_tables);
}

QString ReaderTexts::withReason(Text which, const QString &reason) const
{
    return reason.isEmpty() ? (*this)[which] : (*this)[which] + u"\r\n"_s + reason;
}

QString ReaderTexts::reason(const PrintFailure &failure) const
{
    switch (failure.kind) {
    case PrintFailure::Kind::NoPrinter:
        return (*this)[&T::sNoPrinter];
    case PrintFailure::Kind::CannotStart:
        return (*this)[&T::sCannotStart];
    case PrintFailure::Kind::NotAccepting:
        return withReason(&T::sNotAccepting, failure.detail);
    case PrintFailure::Kind::Refused:
    case PrintFailure::Kind::CannotWrite:
        break;
    }
    // The print system's or the file system's own words.
    return failure.detail.isEmpty() ? (*this)[&T::sCannotStart] : failure.detail;
}

} // namespace zol
