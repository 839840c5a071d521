#pragma once

#include <QList>
#include <QString>
#include <QTranslator>

#include <array>

namespace zol {

constexpr qint16 kDutch = 0;
constexpr qint16 kEnglish = 1;
constexpr qint16 kGerman = 2;
constexpr qint16 kFrench = 3;
constexpr int kLanguageCount = 4;

using LanguageTable = std::array<QString, kLanguageCount>;

// Every text ZOLprint shows, in Dutch, English, German and French, indexed by
// the language number of the settings file.
struct LanguageTables
{
    // Menu captions.
    LanguageTable sFile, sOpen, sSave, sPrint, sThispage, sAllpages, sPreview, sToPdf, sExit, sComm,
        sPort, sStart, sHelp, sAbout;
    // Transfer.
    LanguageTable sConnected, sStop, sPrompt30, sPrompt31;
    // File dialog: the language's own filter, then one for the files of every
    // language (the format is the same), in the dialog's "name|pattern" form;
    // sPdfFilter is the PDF export's.
    LanguageTable sFilter, sDefext, sFilterAll, sPdfFilter;
    // Messages.
    LanguageTable sErrtitle, sErr101, sErr102, sErr103, sErr104, sErr105, sErr106, sErr107;
    // Why error 104 at exit wrote nothing: the settings file is a link to %1,
    // which is not a settings file.
    LanguageTable sSettingsLink;
    // The user's settings folder %1 cannot be made (%2, the system's reason),
    // and the file %3 keeps the settings instead.
    LanguageTable sSettingsFolder;
    // Why error 105: no default printer, a job the printer cannot start, a
    // printer that does not accept jobs.
    LanguageTable sNoPrinter, sCannotStart, sNotAccepting;
    // Save's question before a page that would not read back as it is; %1 is
    // the page number.
    LanguageTable sSaveInexact;
    // The question before pages that were read or edited and not saved are
    // replaced or left, and the one at start about pages a program that did
    // not end as it should left behind (%1 its date and time).
    LanguageTable sUnsaved, sRecover;
    // The same for pages from a file cut short: %2 the last page read whole.
    LanguageTable sRecoverIncomplete;
    // A recovery file that cannot be read: %1 its name, %2 why; and the name
    // it was given so that it is told of once (%1).
    LanguageTable sRecoverDamaged, sRecoverRenamed;
    // Unsaved pages that cannot be kept for after a crash: %1 the folder,
    // %2 the system's reason.
    LanguageTable sNotKept;
    // After the stop text of a reading that the user ended before the meter
    // had sent everything.
    LanguageTable sEndedEarly;
    // Why error 103 when the port number read from the settings file is not
    // one of a port: %1 the number, %2 the file.
    LanguageTable sPortNotValid;
    // The line under error 103 that names the serial ports present, and its
    // word for none.
    LanguageTable sPortlist, sNoports;
    // What a screen reader says for the controls that have no caption.
    LanguageTable sNameVenster, sNamePageno, sNameVoortgang, sNameStatus;
    // The page buttons to a screen reader (their captions are arrows), and
    // where the user is after a page change: %1 of %2 pages.
    LanguageTable sNameFirstpage, sNamePrevpage, sNameNextpage, sNameLastpage, sPageOf;
};

void fillLanguageTables(LanguageTables &tables);

// Language numbers from a file are checked before they index a table.
inline bool isValidLanguage(int language)
{
    return language >= 0 && language < kLanguageCount;
}

// A reason that a part shared with the tool (the serial port, a file, the
// printer) writes in English through QCoreApplication::translate(context,
// source), and what ZOLprint says instead in each language.
struct ReasonText
{
    const char *context;
    const char *source;
    LanguageTable text;
};
const QList<ReasonText> &reasonTexts();

// Puts the reasons of reasonTexts() into the program's language wherever
// they are written; a text it does not know stays as it is.
class ReasonTranslator : public QTranslator
{
    Q_OBJECT

public:
    explicit ReasonTranslator(qint16 language, QObject *parent = nullptr);

    QString translate(const char *context, const char *sourceText,
                      const char *disambiguation = nullptr, int n = -1) const override;
    bool isEmpty() const override { return false; }

private:
    qint16 m_language;
};

// The status at the end of a reading, "Stop (n)"; one broken off says so,
// lest its pages be taken for the meter's whole memory.
QString stopStatus(const LanguageTables &tables, qint16 language, qint16 received, bool endedEarly);

// The ISO code of Qt's own translations for that language ("nl", "en", ...).
QString languageCode(qint16 language);

} // namespace zol
