#pragma once

#include <QString>

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
    LanguageTable sFile, sOpen, sSave, sPrint, sThispage, sAllpages, sExit, sComm, sPort, sStart,
        sHelp, sAbout;
    // Transfer.
    LanguageTable sConnected, sStop, sPrompt30, sPrompt31;
    // File dialog.
    LanguageTable sFilter, sDefext;
    // Messages.
    LanguageTable sErrtitle, sErr101, sErr102, sErr103, sErr104, sErr105, sErr106, sErr107;
    // Why error 104 at exit wrote nothing: the settings file is a link to %1,
    // which is not a settings file.
    LanguageTable sSettingsLink;
    // Save's question before a page that would not read back as it is; %1 is
    // the page number.
    LanguageTable sSaveInexact;
    // The line under error 103 that names the serial ports present, and its
    // word for none.
    LanguageTable sPortlist, sNoports;
    // What a screen reader says for the controls that have no caption.
    LanguageTable sNameVenster, sNamePageno, sNameVoortgang, sNameStatus;
};

void fillLanguageTables(LanguageTables &tables);

// Language numbers from a file are checked before they index a table.
inline bool isValidLanguage(int language)
{
    return language >= 0 && language < kLanguageCount;
}

// The ISO code of Qt's own translations for that language ("nl", "en", ...).
QString languageCode(qint16 language);

} // namespace zol
