#include "filedialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace zol::test {

void whenFileDialogOpens(const std::function<void(QFileDialog &)> &steps)
{
    QTimer::singleShot(0, [steps] {
        QFileDialog *box = nullptr;
        (void)QTest::qWaitFor(
            [&box] {
                box = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                return box != nullptr;
            },
            20000);
        if (!box)
            return;
        steps(*box);
        if (box->isVisible())
            box->reject();
    });
}

void acceptTyped(QFileDialog &box, const QString &name, const QString &folder)
{
    if (!folder.isEmpty())
        box.setDirectory(folder);
    if (auto *edit = box.findChild<QLineEdit *>(u"fileNameEdit"_s))
        edit->setText(name);
    // QFileDialog's own accept() is protected; QDialog's reaches it.
    static_cast<QDialog &>(box).accept();
}

QStringList listedNames(QFileDialog &box, qsizetype expected)
{
    auto *view = box.findChild<QListView *>(u"listView"_s);
    QStringList names;
    if (!view)
        return {u"<no list>"_s};
    auto read = [&] {
        names.clear();
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row)
            names << view->model()->index(row, 0, root).data().toString();
        names.sort();
        return names.size() == expected;
    };
    (void)QTest::qWaitFor(read, 20000);
    read();
    return names;
}

void clickListed(QFileDialog &box, const QString &name)
{
    auto *view = box.findChild<QListView *>(u"listView"_s);
    if (!view)
        return;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row) {
        const QModelIndex index = view->model()->index(row, 0, root);
        if (index.data().toString() == name) {
            view->scrollTo(index);
            QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                              view->visualRect(index).center());
        }
    }
}

} // namespace zol::test
