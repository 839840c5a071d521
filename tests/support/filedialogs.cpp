#include "filedialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
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

} // namespace zol::test
