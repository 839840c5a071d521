#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace zol {

// The file open/save dialog. filter is "description|pattern" ("Vochtmetingen|*.vmt"),
// or several such pairs in a row, the first chosen at the start; a pattern of
// several extensions separates them with ';' ("*.vmt;*.mcs"). defaultExtension
// is "*.vmt", whichever filter is chosen. A name typed without extension gets the default
// one. The dialog offers the last name chosen in this run again, and Save
// offers proposedName in its folder when there is one. A cancel gives no
// value.
class FileDialog
{
public:
    virtual ~FileDialog() = default;
    virtual std::optional<QString> getOpenFileName(QWidget *parent, const QString &filter,
                                                   const QString &defaultExtension) = 0;
    virtual std::optional<QString> getSaveFileName(QWidget *parent, const QString &filter,
                                                   const QString &defaultExtension,
                                                   const QString &proposedName) = 0;
    // The name of a PDF file to write. filter is "description|*.pdf"; the
    // dialog starts in the folder of the last file chosen in this run and
    // proposes proposedName there (empty: no name).
    virtual std::optional<QString> getSavePdfFileName(QWidget *parent, const QString &filter,
                                                      const QString &proposedName) = 0;
};

} // namespace zol

namespace zol {

// "Vochtmetingen|*.vmt" as Qt writes a name filter, and "*.vmt" as a suffix.
QString toQtNameFilter(const QString &filter);
// Every pair of a filter of several, in Qt's words and in their order.
QStringList toQtNameFilters(const QString &filter);
QString toDefaultSuffix(const QString &defaultExtension);

// The real dialog, over QFileDialog. It keeps the name chosen last in this run
// and offers it at the next use.
class QtFileDialog final : public FileDialog
{
public:
    std::optional<QString> getOpenFileName(QWidget *parent, const QString &filter,
                                           const QString &defaultExtension) override;
    std::optional<QString> getSaveFileName(QWidget *parent, const QString &filter,
                                           const QString &defaultExtension,
                                           const QString &proposedName) override;
    std::optional<QString> getSavePdfFileName(QWidget *parent, const QString &filter,
                                              const QString &proposedName) override;

    QString lastFileName() const { return m_lastFileName; }

private:
    std::optional<QString> run(QWidget *parent, const QString &filter,
                               const QString &defaultExtension, bool save,
                               const QString &proposedName = {});

    QString m_lastFileName;
    // The PDF's name is not offered to Open and Save, but its folder is
    // where the next PDF goes.
    QString m_lastFolder;
};

} // namespace zol
