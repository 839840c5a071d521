#pragma once

#include <QAction>
#include <QMenu>

class QLineEdit;
class QMainWindow;
class QPushButton;

namespace zol {

class ProgressBar;
class ReaderTexts;
class StatusBar;
class TextBox;

// ZOLprint's controls and menus as the window lays them out, under their own
// names: built once, captioned in the program's language, and enabled or
// disabled together around a transfer. What they do is the window's.
struct ReaderControls
{
    // Builds every control and menu on window; the captions come with
    // showCaptions(), once the language is known.
    void build(QMainWindow &window);
    void showCaptions(const ReaderTexts &texts);
    // Everything the user could start something with; off during a transfer.
    void setEnabled(bool enabled);

    QPushButton *cmdFirstpage = nullptr;
    QPushButton *cmdPrevpage = nullptr;
    QLineEdit *txtPageno = nullptr;
    QPushButton *cmdNextpage = nullptr;
    QPushButton *cmdLastpage = nullptr;
    ProgressBar *pbVoortgang = nullptr;
    TextBox *txtVenster = nullptr;
    StatusBar *StatusBar1 = nullptr;

    QMenu *mFile = nullptr;
    QAction *mOpen = nullptr;
    QAction *mSave = nullptr;
    QMenu *mPrint = nullptr;
    QAction *mThispage = nullptr;
    QAction *mAllpages = nullptr;
    QAction *mPreview = nullptr;
    QAction *mToPdf = nullptr;
    // The recent files go above it.
    QAction *mExit = nullptr;
    QMenu *mComm = nullptr;
    // Its items are the port menu's.
    QMenu *mPort = nullptr;
    QAction *mStart = nullptr;
    QMenu *mHelp = nullptr;
    QAction *mAbout = nullptr;
};

} // namespace zol
