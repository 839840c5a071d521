#pragma once

#include <QList>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace zol {

// A status bar of panels: text panels that the program sets, and time and
// date panels that the bar keeps current by itself.
class StatusBar : public QWidget
{
    Q_OBJECT

public:
    enum class PanelKind { Text, Time, Date };

    explicit StatusBar(QWidget *parent = nullptr);

    // Widths in pixels; a width of 0 lets the panel take the room left over,
    // never less than minimumWidth. Returns the panel's number, counted from 1.
    int addPanel(PanelKind kind, int width, int minimumWidth = 0);
    int panelCount() const { return static_cast<int>(m_panels.size()); }
    void setPanelText(int panel, const QString &text);
    QString panelText(int panel) const;
    QLabel *panelLabel(int panel) const;

    // Has a screen reader speak text without moving the focus. What is
    // announced in one turn of the event loop is spoken as one message, so
    // that a later line does not cut off an earlier one. A new text in a
    // text panel is announced by itself.
    void announce(const QString &text);

    // The time and date panels write them as the bar's locale does, which
    // is the program's (QWidget::setLocale), not the system's.

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Panel
    {
        PanelKind kind;
        QLabel *label;
    };

    void refreshClock();
    void speakPending();
    void scheduleClock();

    QList<Panel> m_panels;
    QTimer m_clock{this};
    bool m_watchingWindow = false;
    QStringList m_pending;
};

} // namespace zol
