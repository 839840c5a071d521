#include "statusbar.h"

#include "screenreader.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QRegularExpression>
#include <QShowEvent>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

// A status bar's clock shows hours and minutes. Some locales' short time
// (C's among them) carries seconds, which would wake the program every second
// for a digit nobody reads.
QString clockFormat(const QLocale &locale)
{
    static const QRegularExpression seconds(u"[:.]?ss?"_s);
    return locale.timeFormat(QLocale::ShortFormat).remove(seconds).trimmed();
}

} // namespace

StatusBar::StatusBar(QWidget *parent) : QWidget(parent)
{
    // A status bar to a screen reader, so that its command for reading the
    // status bar finds it.
    setAccessibleRole(staticMetaObject.className(), QAccessible::StatusBar);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(2);
    // Panels line up from the left edge; space no panel takes stays at the
    // right, and a panel without a fixed width takes it all.
    layout->addStretch(0);
    m_clock.setObjectName(u"clock"_s);
    m_clock.setSingleShot(true);
    // Once a minute costs nothing either way, and a coarse timer could wake a
    // few seconds early, show the old minute and have to wake again.
    m_clock.setTimerType(Qt::PreciseTimer);
    connect(&m_clock, &QTimer::timeout, this, [this] {
        refreshClock();
        scheduleClock();
    });
}

int StatusBar::addPanel(PanelKind kind, int width, int minimumWidth)
{
    auto *label = new QLabel(this);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setContentsMargins(2, 0, 2, 0);
    if (width > 0)
        label->setFixedWidth(width);
    else
        label->setMinimumWidth(minimumWidth);
    if (kind != PanelKind::Text)
        label->setAlignment(Qt::AlignCenter);
    static_cast<QHBoxLayout *>(layout())->insertWidget(panelCount(), label, width > 0 ? 0 : 1);
    m_panels.append({kind, label});
    if (kind != PanelKind::Text) {
        refreshClock();
        if (isVisible())
            scheduleClock();
    }
    return panelCount();
}

void StatusBar::setPanelText(int panel, const QString &text)
{
    QLabel *label = panelLabel(panel);
    if (!label)
        return;
    label->setText(text);
    // The same text again is news too: a second reading that also ends with
    // five pages, a second command that is done.
    if (m_panels.at(panel - 1).kind == PanelKind::Text)
        announce(text);
}

void StatusBar::announce(const QString &text)
{
    if (text.trimmed().isEmpty())
        return;
    if (m_pending.isEmpty())
        QTimer::singleShot(0, this, &StatusBar::speakPending);
    // The same news twice in one breath is said once.
    if (m_pending.isEmpty() || m_pending.last() != text.trimmed())
        m_pending.append(text.trimmed());
}

void StatusBar::speakPending()
{
    // One line of speech: a line break would end the utterance there.
    QString message;
    for (const QString &part : std::as_const(m_pending)) {
        if (!message.isEmpty()) {
            const QChar last = message.back();
            message +=
                (last == u'.' || last == u'!' || last == u'?' || last == u':') ? u" "_s : u". "_s;
        }
        message += QString(part).replace(u'\n', u' ').replace(u'\r', u' ');
    }
    m_pending.clear();
    if (!message.isEmpty())
        (new Announcement(message, this))->show();
}

QString StatusBar::panelText(int panel) const
{
    const QLabel *label = panelLabel(panel);
    return label ? label->text() : QString();
}

QLabel *StatusBar::panelLabel(int panel) const
{
    if (panel < 1 || panel > panelCount())
        return nullptr;
    return m_panels.at(panel - 1).label;
}

void StatusBar::refreshClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale = this->locale();
    for (const Panel &panel : std::as_const(m_panels)) {
        if (panel.kind == PanelKind::Time)
            panel.label->setText(locale.toString(now.time(), clockFormat(locale)));
        else if (panel.kind == PanelKind::Date)
            panel.label->setText(locale.toString(now.date(), QLocale::ShortFormat));
    }
}

void StatusBar::scheduleClock()
{
    bool clock = false;
    for (const Panel &panel : std::as_const(m_panels))
        clock = clock || panel.kind != PanelKind::Text;
    if (!clock)
        return;
    // Wake just after the next minute turns, so that the time shown is never
    // behind by more than a moment however long the program has run, and not
    // in between; the date turns with a minute too.
    constexpr int kMinute = 60000;
    m_clock.start(kMinute - QTime::currentTime().msecsSinceStartOfDay() % kMinute + 5);
}

void StatusBar::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Minimising is a state of the window, not a hide of its children.
    if (!m_watchingWindow && window() != this) {
        window()->installEventFilter(this);
        m_watchingWindow = true;
    }
    // Hidden or minimised, the bar shows no one the time; it catches up here.
    if (!window()->isMinimized()) {
        refreshClock();
        scheduleClock();
    }
}

void StatusBar::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LocaleChange)
        refreshClock();
}

bool StatusBar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange && watched == window()) {
        if (window()->isMinimized()) {
            m_clock.stop();
        } else if (isVisible() && !m_clock.isActive()) {
            refreshClock();
            scheduleClock();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void StatusBar::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_clock.stop();
}

} // namespace zol
