#pragma once

#include <QByteArray>
#include <QString>

namespace zol {

// Replaces the file at path with bytes, all or nothing: a failure at any step
// (no space, no permission) leaves the old file as it was. On failure
// *reason, when given, holds the system's words for it.
bool replaceFile(const QString &path, const QByteArray &bytes, QString *reason = nullptr);

} // namespace zol
