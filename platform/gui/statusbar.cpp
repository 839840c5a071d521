#include "statusbar.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>

namespace zol {

StatusBar::StatusBar(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(2);
    // Panels line up from the left edge; space no panel takes stays at the
    // right, and a panel without a fixed width takes it all.
    layout->addStretch(0);
    m_clock.setSingleShot(true);
    m_clock.setTimerType(Qt::CoarseTimer);
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
        scheduleClock();
    }
    return panelCount();
}

void StatusBar::setPanelText(int panel, const QString &text)
{
    if (QLabel *label = panelLabel(panel))
        label->setText(text);
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
    const QLocale locale;
    for (const Panel &panel : std::as_const(m_panels)) {
        if (panel.kind == PanelKind::Time)
            panel.label->setText(locale.toString(now.time(), QLocale::ShortFormat));
        else if (panel.kind == PanelKind::Date)
            panel.label->setText(locale.toString(now.date(), QLocale::ShortFormat));
    }
}

void StatusBar::scheduleClock()
{
    // Wake just after the next second turns, so the time shown is never
    // behind by more than a moment however long the program has run.
    m_clock.start(1000 - QTime::currentTime().msec() + 5);
}

} // namespace zol
