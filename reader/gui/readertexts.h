#pragma once

#include "languages.h"
#include "portinfo.h"
#include "settings.h"

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

    // Error 103 for a port number no port can have, which only a hand-edited
    // settings file holds: the number and the file to mend.
    QString portNotValid(qint16 port, const QString &settingsPath) const;
    // Error 103 for a port that did not open: the system's reason, the
    // device the number stood for (a wrong mapping is not a wrong cable),
    // and the ports there are, which is the user's next question.
    QString portNotOpened(const QString &reason, qint16 port, const QString &device,
                          const QList<PortInfo> &present) const;
    // Error 104 for the settings file at exit, named in full: it is not a
    // file the user chose.
    QString settingsNotWritten(const QString &settingsPath, SettingsWritten written,
                               const QString &reason) const;
    // The status at the end of a reading; one broken off says so, lest its
    // pages be taken for the meter's whole memory.
    QString stopStatus(qint16 received, bool endedEarly) const;

private:
    LanguageTables m_tables;
    qint16 m_language = kEnglish;
    qint16 m_shown = kEnglish;
};

} // namespace zol
