#pragma once

#include "languages.h"

#include <QString>

namespace zol {

struct PrintFailure;

// The program's texts in the language chosen at start. A language number
// that names none (a hand-edited zolprint.ini) reads as English; the number
// itself is kept, so that the settings file gets back what it held.
class ReaderTexts
{
public:
    using Text = LanguageTable LanguageTables::*;

    // Before the settings are read: every text is empty.
    ReaderTexts() = default;
    explicit ReaderTexts(qint16 language);

    qint16 language() const { return m_language; }
    // For example texts[&LanguageTables::sStop].
    const QString &operator[](Text which) const { return (m_tables.*which)[m_shown]; }
    // Every text in every language, for the texts made elsewhere.
    const LanguageTables &tables() const { return m_tables; }
    // A text with the reason for it on a line of its own, as every error box
    // gives it; no reason, the text alone.
    QString withReason(Text which, const QString &reason) const;

    // Why pages did not reach the paper or the PDF file: the kind in these
    // words, the system's own after it where they say more.
    QString reason(const PrintFailure &failure) const;

private:
    LanguageTables m_tables;
    qint16 m_language = kEnglish;
    qint16 m_shown = kEnglish;
};

} // namespace zol
