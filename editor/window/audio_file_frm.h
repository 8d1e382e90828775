// The top-level window of one open audio file: a five-command toolbar, a six-pane status
// bar and the form. It has no parent and no menu bar; its owner box decides whether it may
// close, and while a save runs it is busy: a close asked for then happens when the save ends.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <map>
#include <string>

#include "app/tip_anchor.h"
#include "app/tip_wnd.h"

class AudioFileView;
class PropertyBoxObj;
class QAction;
class QToolBar;

class AudioFileFrm final : public QMainWindow {
    Q_OBJECT
public:
    // Toolbar command ids.
    enum Command {
        kSave = 32824,
        kSaveAs = 32835,
        kRemove = 32822,
        kFields = 32863,
        kControls = 32864
    };
    static constexpr int kPaneCount = 6;

    // The rectangle is 460 x 320 dialog units capped to the work area, offset 24 pixels
    // right and down per editor window already open.
    AudioFileFrm(PropertyBoxObj* owner, int windowsOpen);
    ~AudioFileFrm() override;

    AudioFileView* View() const { return view_; }
    PropertyBoxObj* Owner() const { return owner_; }
    // The owner lets go: the window closes without asking anyone.
    void Detach() { owner_ = nullptr; }

    void BeginBusy();
    void EndBusy();
    bool IsBusy() const { return busy_; }
    bool ClosePending() const { return closePending_; }
    void SetClosePending() { closePending_ = true; }

    // Pane 0 is the status text; the others the model's information.
    void SetPaneText(int pane, const std::string& text);
    std::string PaneText(int pane) const;
    // A text and a bar in the status bar while percent < 100; 100 removes them.
    void ShowProgress(const std::string& text, int percent);
    bool ProgressShown() const { return progressBar_ != nullptr; }
    int ProgressValue() const;

    void ShowTip(const TipEntry* entries, int count);
    void HideTip();
    TipWnd& Tip() { return tip_; }

    // Enabled states and texts of the toolbar commands.
    void UpdateCommandState();
    QAction* CommandAction(int id) const;
    void RunCommand(int id);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ReserveProgressRoom();

    PropertyBoxObj* owner_;
    AudioFileView* view_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    std::map<int, QAction*> commands_;
    QLabel* panes_[kPaneCount] = {};
    QPointer<QLabel> progressText_;
    QPointer<QProgressBar> progressBar_;
    TipWnd tip_;
    TipAnchor tipAnchor_{*this, tip_,
                         TipAnchor::Rules{.onlyWhileUp = true, .restoreShows = false,
                                          .ignoreTipsSwitch = true}};
    bool busy_ = false;
    bool closePending_ = false;
};
