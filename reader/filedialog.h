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
};

} // namespace zol
