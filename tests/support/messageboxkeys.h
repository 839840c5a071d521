#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QTimer>

namespace zol::test {

// Answers the next real message box with keys, as a person at the keyboard
// does: each goes to the widget that has the focus in the box. Made before
// the box is opened; it watches for the box while the box's own event loop
// runs.
class MessageBoxKeys final : public QObject
{
public:
    explicit MessageBoxKeys(QList<int> keys);

    bool seen() const { return m_seen; }
    // The button that Enter presses, and the one Space presses.
    QMessageBox::StandardButton defaultButton() const { return m_default; }
    QMessageBox::StandardButton focusButton() const { return m_focus; }
    // The keys closed the box; when they did not, it was rejected so that
    // the test can go on and fail.
    bool closedByKeys() const { return m_closedByKeys; }

private:
    void look();

    QList<int> m_keys;
    QTimer m_poll;
    bool m_seen = false;
    bool m_closedByKeys = false;
    QMessageBox::StandardButton m_default = QMessageBox::NoButton;
    QMessageBox::StandardButton m_focus = QMessageBox::NoButton;
};

// The data rows of a test of a question whose safe answer is No: the keys
// pressed in it (column "keys", QList<int>) and whether they answer Yes
// ("yes"). Enter, from either key, and a Space meant for something else,
// the press of the button that asked, bounced, keep No; Tab to Yes and
// Space is the deliberate choice.
void addKeysOnASafeQuestionRows();

} // namespace zol::test
