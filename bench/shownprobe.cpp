// Loaded into a program with LD_PRELOAD, it notes the moment the program's
// first main window is on the screen, and can then work the program's own
// menu, so that the benchmarks measure the unchanged programs.
//
//   ZOL_PROBE_OUT            file the reports are appended to, one "key value" a line
//   ZOL_PROBE_TRIGGER        objectName of a QAction to trigger once the window is shown
//   ZOL_PROBE_TRIGGER_AFTER  milliseconds to wait after the window is shown before that
//   ZOL_PROBE_ACCEPT_FILE    file to choose in the first file dialog that opens
//   ZOL_PROBE_STAY           when set, the program keeps running; else it ends at once

#include "procinfo.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using zol::bench::monotonicNs;
using zol::bench::processPeakKb;

namespace {

QByteArray envValue(const char *name)
{
    const char *value = std::getenv(name);
    return value ? QByteArray(value) : QByteArray();
}

class Probe : public QObject
{
public:
    Probe()
        : m_out(envValue("ZOL_PROBE_OUT")), m_trigger(envValue("ZOL_PROBE_TRIGGER")),
          m_acceptFile(QString::fromLocal8Bit(envValue("ZOL_PROBE_ACCEPT_FILE"))),
          m_triggerAfter(envValue("ZOL_PROBE_TRIGGER_AFTER").toInt()),
          m_stay(!envValue("ZOL_PROBE_STAY").isEmpty())
    {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && !m_shown)
            noteExpose(watched);
        else if (event->type() == QEvent::Show)
            answerDialog(watched);
        return false;
    }

private:
    void noteExpose(QObject *watched)
    {
        auto *window = qobject_cast<QWindow *>(watched);
        if (!window || !window->isExposed())
            return;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            // Only the program's own window counts, not a message box it
            // might show first.
            if (widget->windowHandle() == window && !qobject_cast<QDialog *>(widget)) {
                m_shown = true;
                // Noted once the expose has been handled, so the first
                // painting of the window is part of the time.
                QTimer::singleShot(0, this, [this] { onShown(); });
                return;
            }
        }
    }

    void answerDialog(QObject *watched)
    {
        if (auto *dialog = qobject_cast<QFileDialog *>(watched);
            dialog && !m_acceptFile.isEmpty()) {
            QPointer<QFileDialog> guard(dialog);
            const QString file = m_acceptFile;
            m_acceptFile.clear();
            QTimer::singleShot(0, this, [guard, file] {
                if (!guard)
                    return;
                guard->selectFile(file);
                // Through QDialog, where accept() is public; it is still the file
                // dialog's own that runs.
                static_cast<QDialog *>(guard.data())->accept();
            });
        } else if (auto *box = qobject_cast<QMessageBox *>(watched)) {
            // A message means the run went wrong; say so instead of waiting
            // for a click that never comes.
            report("message", box->text().simplified().toUtf8());
            QPointer<QMessageBox> guard(box);
            QTimer::singleShot(0, this, [guard] {
                if (guard)
                    guard->reject();
            });
        }
    }

    void onShown()
    {
        // The time is taken first, but reported after the peak, so that a
        // reader woken by "shown" finds the peak already there.
        const qint64 shownNs = monotonicNs();
        reportPeak();
        report("shown", QByteArray::number(shownNs));
        if (m_trigger.isEmpty())
            finish();
        else
            QTimer::singleShot(m_triggerAfter, this, [this] { triggerAction(); });
    }

    void triggerAction()
    {
        QAction *action = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            action = widget->findChild<QAction *>(QString::fromLatin1(m_trigger));
            if (action)
                break;
        }
        if (!action) {
            report("error", "no action " + m_trigger);
            ::_exit(3);
        }
        report("trigger", QByteArray::number(monotonicNs()));
        action->trigger();
        report("triggered", QByteArray::number(monotonicNs()));
        reportPeak();
        // From here the program runs on its own. An application-wide filter
        // is paid for by every event the program handles, hundreds a second
        // during a transfer, and it is the program that is measured.
        if (m_acceptFile.isEmpty())
            QCoreApplication::instance()->removeEventFilter(this);
        finish();
    }

    void reportPeak()
    {
        if (const std::optional<qint64> kb = processPeakKb(0))
            report("hwm", QByteArray::number(*kb));
    }

    void finish()
    {
        // Ending here, without the program's own clean-up, leaves no
        // settings file behind and makes every run end the same way.
        if (!m_stay)
            ::_exit(0);
    }

    void report(const QByteArray &key, const QByteArray &value) const
    {
        if (m_out.isEmpty())
            return;
        const int fd = ::open(m_out.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return;
        // One write a line, so a reader never sees half of one.
        const QByteArray line = key + ' ' + value + '\n';
        [[maybe_unused]] const ssize_t written = ::write(fd, line.constData(), line.size());
        ::close(fd);
    }

    QByteArray m_out;
    QByteArray m_trigger;
    QString m_acceptFile;
    int m_triggerAfter = 0;
    bool m_stay = false;
    bool m_shown = false;
};

void installProbe()
{
    // What the program starts in turn is not to be probed.
    ::unsetenv("LD_PRELOAD");
    QCoreApplication::instance()->installEventFilter(new Probe);
}

// Runs before main(); the hook itself runs when the program builds its
// application object.
[[maybe_unused]] const bool installed = [] {
    qAddPreRoutine(installProbe);
    return true;
}();

} // namespace
