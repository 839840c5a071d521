#include "filedialog.h"

#include <QFileDialog>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace zol {

QString toQtNameFilter(const QString &filter)
{
    const qsizetype bar = filter.indexOf(u'|');
    if (bar < 0)
        return filter;
    return filter.left(bar) + u" ("_s + filter.mid(bar + 1) + u')';
}

QStringList toQtNameFilters(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    if (parts.size() < 2)
        return {filter};
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        filters << toQtNameFilter(parts.at(i) + u'|' + patterns.replace(u';', u' '));
    }
    return filters;
}

QString toDefaultSuffix(const QString &defaultExtension)
{
    QString suffix = defaultExtension;
    if (suffix.startsWith(u'*'))
        suffix.remove(0, 1);
    if (suffix.startsWith(u'.'))
        suffix.remove(0, 1);
    return suffix;
}

std::optional<QString> QtFileDialog::getOpenFileName(QWidget *parent, const QString &filter,
                                                     const QString &defaultExtension)
{
    return run(parent, filter, defaultExtension, false);
}

std::optional<QString> QtFileDialog::getSaveFileName(QWidget *parent, const QString &filter,
                                                     const QString &defaultExtension,
                                                     const QString &proposedName)
{
    return run(parent, filter, defaultExtension, true, proposedName);
}

std::optional<QString> QtFileDialog::getSavePdfFileName(QWidget *parent, const QString &filter,
                                                        const QString &proposedName)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(toQtNameFilter(filter));
    dialog.setDefaultSuffix(toDefaultSuffix(filter.mid(filter.indexOf(u'|') + 1)));
    if (!m_lastFolder.isEmpty())
        dialog.setDirectory(m_lastFolder);
    if (!proposedName.isEmpty())
        dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString name = dialog.selectedFiles().constFirst();
    m_lastFolder = QFileInfo(name).absolutePath();
    return name;
}

std::optional<QString> QtFileDialog::run(QWidget *parent, const QString &filter,
                                         const QString &defaultExtension, bool save,
                                         const QString &proposedName)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(toQtNameFilters(filter));
    // A name typed without extension gets the language's own.
    dialog.setDefaultSuffix(toDefaultSuffix(defaultExtension));
    // The file the pages came from comes first: saving corrections
    // anywhere else leaves two files of one measurement.
    const QString offered = proposedName.isEmpty() ? m_lastFileName : proposedName;
    if (!offered.isEmpty()) {
        dialog.setDirectory(QFileInfo(offered).absolutePath());
        dialog.selectFile(QFileInfo(offered).fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    m_lastFileName = dialog.selectedFiles().constFirst();
    m_lastFolder = QFileInfo(m_lastFileName).absolutePath();
    return m_lastFileName;
}

} // namespace zol
