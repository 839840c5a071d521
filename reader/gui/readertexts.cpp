#include "readertexts.h"

#include "pageprinter.h"

#include <QDir>
#include <QFileInfo>

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

namespace {

QString fullName(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

} // namespace

QString ReaderTexts::portNotValid(qint16 port, const QString &settingsPath) const
{
    return (*this)[&T::sErr103] + u"\r\n"_s +
           (*this)[&T::sPortNotValid].arg(port).arg(fullName(settingsPath));
}

QString ReaderTexts::portNotOpened(const QString &reason, qint16 port, const QString &device,
                                   const QList<PortInfo> &present) const
{
    QString why = reason;
    if (!device.isEmpty())
        why += u"\r\nCOM%1 = %2"_s.arg(port).arg(device);
    return withReason(&T::sErr103,
                      why + u"\r\n"_s +
                          portListLine((*this)[&T::sPortlist], present, (*this)[&T::sNoports]));
}

QString ReaderTexts::settingsNotWritten(const QString &settingsPath, SettingsWritten written,
                                        const QString &reason) const
{
    const QString why = written == SettingsWritten::ForeignLink
                            ? (*this)[&T::sSettingsLink].arg(QDir::toNativeSeparators(reason))
                            : reason;
    return withReason(&T::sErr104, fullName(settingsPath) + u"\r\n"_s + why);
}

QString ReaderTexts::stopStatus(qint16 received, bool endedEarly) const
{
    return zol::stopStatus(m_tables, m_shown, received, endedEarly);
}

} // namespace zol
