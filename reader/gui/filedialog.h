#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace zol {

// The file open/save dialog. filter is "description|pattern" ("Vochtmetingen|*.vmt"),
// defaultExtension is "*.vmt". A name typed without extension gets the default
// one. The dialog offers the last name chosen in this run again. A cancel gives
// no value.
class FileDialog
{
public:
    virtual ~FileDialog() = default;
    virtual std::optional<QString> getOpenFileName(QWidget *parent, const QString &filter,
                                                   const QString &defaultExtension) = 0;
    virtual std::optional<QString> getSaveFileName(QWidget *parent, const QString &filter,
                                                   const QString &defaultExtension) = 0;
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
QString toDefaultSuffix(const QString &defaultExtension);

// The real dialog, over QFileDialog. It keeps the name chosen last in this run
// and offers it at the next use.
class QtFileDialog final : public FileDialog
{
public:
    std::optional<QString> getOpenFileName(QWidget *parent, const QString &filter,
                                           const QString &defaultExtension) override;
    std::optional<QString> getSaveFileName(QWidget *parent, const QString &filter,
                                           const QString &defaultExtension) override;
    std::optional<QString> getSavePdfFileName(QWidget *parent, const QString &filter,
                                              const QString &proposedName) override;

    QString lastFileName() const { return m_lastFileName; }

private:
    std::optional<QString> run(QWidget *parent, const QString &filter,
                               const QString &defaultExtension, bool save);

    QString m_lastFileName;
    // The PDF's name is not offered to Open and Save, but its folder is
    // where the next PDF goes.
    QString m_lastFolder;
};

} // namespace zol
