#include "windows/manage/manage_window.h"

#include "app/app_util.h"
#include "app/app_controller.h"
#include "app/controls/icon_button.h"
#include "app/resources.h"
#include "app/settings.h"
#include "windows/manage/manage_file_panes.h"
#include "windows/manage/manage_list_ctrl.h"
#include "windows/manage/manage_list_view.h"
#include "windows/manage/manage_host.h"
#include "windows/manage/manage_pictures.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const char kHelpText[] = "For Help, press F1";

// The bar under the panes that holds the update button, centred.
class DialogBar : public QWidget {
public:
    explicit DialogBar(QWidget* parent) : QWidget(parent) {}
    void SetButton(QWidget* button) { button_ = button; }

protected:
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
        if (button_ != nullptr)
            button_->move(width() / 2 - button_->width() / 2,
                          (height() - button_->height()) / 2);
    }

private:
    QWidget* button_ = nullptr;
};

QPixmap ButtonIcon(int icon) {
    return icon == IndexerBoxObj::kStopIcon ? ManagePictures::StopIcon()
                                            : ManagePictures::StartIcon();
}

// The controller as the Manage window's preview and editor.
class ControllerManageHost : public ManageHost {
public:
    void AuditionFile(const std::string& path, bool loop) override {
        if (theController != nullptr)
            theController->AuditionFile(path, loop, nullptr, 1.0);
    }
    std::string AuditionPath() const override {
        if (theController == nullptr || !theController->Player().IsPlaying())
            return {};
        return theController->AuditionPath();
    }
    bool AuditionLooping() const override {
        return theController != nullptr && theController->Player().IsLooping();
    }
    void OpenFile(const std::string& path) override {
        if (theController != nullptr)
            theController->OpenFile(path);
    }
};

} // namespace

CatalogFrm::CatalogFrm(IndexerBoxObj& box) : box_(&box) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(IndexerBoxObj::kTitle));
    setWindowIcon(QIcon(ResourceIcon(kManageIcon)));
    setObjectName("ManageWindow");
    AppUtil::TakeClosesWhileBusy(this);
    resize(900, 640);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        ApplyWindowPlacement(*this, LoadWindowPlacement(kPlacement, screen->availableGeometry()));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    outer_ = new QSplitter(Qt::Vertical, central);
    outer_->setObjectName(QString::number(kPaneSplitterId));
    outer_->setChildrenCollapsible(false);
    inner_ = new QSplitter(Qt::Horizontal, outer_);
    inner_->setChildrenCollapsible(false);
    listView_ = new CatalogListView(*this, box, outer_);
    treeView_ = new CatalogFileTreeView(*this, inner_);
    fileListView_ = new CatalogFileListView(*this, inner_);
    treeView_->SetFileList(&fileListView_->List());
    inner_->addWidget(treeView_);
    inner_->addWidget(fileListView_);
    inner_->setStretchFactor(0, 0);
    inner_->setStretchFactor(1, 1);
    outer_->addWidget(inner_);
    outer_->addWidget(listView_);
    outer_->setStretchFactor(0, 0);
    outer_->setStretchFactor(1, 1);
    inner_->setSizes({kTreeWidth, std::max(1, width() - kTreeWidth)});
    outer_->setSizes({kPaneHeight, std::max(1, height() - kPaneHeight)});
    layout->addWidget(outer_, 1);

    auto* bar = new DialogBar(central);
    bar->setObjectName(QString::number(kDialogBarId));
    updateButton_ = new IconTextButton(bar);
    updateButton_->setObjectName(QString::number(kUpdateButtonId));
    updateButton_->setText("Start Updating MyTambrel");
    updateButton_->SetIconPixmap(ManagePictures::StartIcon(), 16, 16);
    updateButton_->setFixedSize(
        updateButton_->fontMetrics().horizontalAdvance("Stop Updating MyTambrel") + 48,
        updateButton_->fontMetrics().height() + 14);
    bar->SetButton(updateButton_);
    bar->setFixedHeight(updateButton_->height() + 10);
    dialogBar_ = bar;
    layout->addWidget(bar);
    connect(updateButton_, &QPushButton::clicked, this, [this] { OnStartStopUpdate(); });
    setCentralWidget(central);

    statusPane_ = new QLabel(statusBar());
    statusPane_->setText(kHelpText);
    statusBar()->addWidget(statusPane_, 1);
    statusBar()->setSizeGripEnabled(true);

    // The smallest window still shows the update button and the status prompt whole, and a
    // few lines of the panes and of the table.
    const QFontMetrics metrics(font());
    const int line = metrics.height() + 6;
    const int column = 12 * metrics.averageCharWidth();
    treeView_->setMinimumWidth(column);
    fileListView_->setMinimumWidth(column);
    inner_->setMinimumHeight(4 * line);
    listView_->setMinimumHeight(4 * line);
    setMinimumWidth(std::max(updateButton_->width() + 20,
                             metrics.horizontalAdvance(kHelpText) + 40));

    // However the window was opened, the keyboard starts in its first pane.
    treeView_->Tree().setFocus(Qt::OtherFocusReason);

    timer_ = new QTimer(this);
    timer_->setInterval(100);
    connect(timer_, &QTimer::timeout, this,
            [this] { listView_->Table().AdvanceIfPending(); });
    timer_->start();

    if (CurrentManageHost() == nullptr && theController != nullptr) {
        static ControllerManageHost controllerHost;
        InstallManageHost(&controllerHost);
    }
    UpdateButtonState();
}

CatalogFrm::~CatalogFrm() {
    tip_.DestroyPopup();
    if (box_ != nullptr) {
        // Deleted without a close: the box must not call a window that is gone.
        IndexerBoxObj* box = box_;
        DetachBox();
        box->ForgetWindow(this);
    }
}

void CatalogFrm::ShowTip(int stringId) {
    tip_.Clear();
    tipId_ = stringId;
    if (stringId == 0)
        return;
    const std::string text = ResourceString(stringId);
    if (!text.empty())
        tip_.SetText(text, this, listView_, nullptr);
}

void CatalogFrm::CommitCellEdit() {
    CEditableCell& editor = listView_->Table().Editor();
    if (!editor.HasWindow() || editor.IsIdle())
        return;
    QString text;
    if (editor.EditPart() != nullptr && editor.EditPart()->isVisible())
        text = editor.EditPart()->text();
    else if (editor.ComboPart() != nullptr)
        text = editor.ComboPart()->currentText();
    editor.SendNotify(kCellEditEnd, 0, 0, text);
}

void CatalogFrm::SetUpdateButton(const std::string& text, int icon) {
    updateButton_->setText(QString::fromStdString(text));
    updateButton_->SetIconPixmap(ButtonIcon(icon), 16, 16);
    UpdateButtonState();
}

void CatalogFrm::EnableFilePanes(bool enable) {
    treeView_->setEnabled(enable);
    fileListView_->setEnabled(enable);
}

void CatalogFrm::ShowProgress(bool show, const std::string& text, int position) {
    QStatusBar* bar = statusBar();
    if (!show) {
        if (progress_ == nullptr && progressText_ == nullptr)
            return; // each row's start asks this: nothing to take down
        delete progress_;
        delete progressText_;
        if (statusPane_->text().trimmed().isEmpty())
            statusPane_->clear();
        bar->update();
        return;
    }
    const QString shown = QString::fromStdString(text);
    if (progress_ == nullptr) {
        const QFontMetrics metrics(bar->font());
        const int textWidth = metrics.horizontalAdvance(shown);
        statusPane_->setText(QString(33, QLatin1Char(' ')));
        progress_ = new QProgressBar(bar);
        progress_->setRange(0, 100);
        progress_->setTextVisible(false);
        progress_->setGeometry(textWidth + 6, 3, 150, 15);
        progressText_ = new QLabel(bar);
        progressText_->setFont(bar->font());
        progressText_->setGeometry(2, 3, textWidth, metrics.height() + 2);
        progressText_->setText(shown);
        progress_->show();
        progressText_->show();
    }
    if (progressText_->text() != shown) {
        progressText_->setText(shown);
        progressText_->adjustSize();
        progressText_->repaint();
    }
    progress_->setValue(std::clamp(position, 0, 100));
}

void CatalogFrm::SetStatusText(const std::string& text) {
    statusPane_->setText(QString::fromStdString(text));
}

QString CatalogFrm::StatusText() const {
    return statusPane_->text();
}

void CatalogFrm::RepaintRow(int row) {
    listView_->Table().InvalidateCell(0, row, false);
}

void CatalogFrm::RefreshPlayButtons() {
    listView_->Strip().Refresh();
}

void CatalogFrm::DetachBox() {
    if (box_ == nullptr)
        return;
    listView_->DetachBox();
    box_ = nullptr;
    UpdateButtonState();
}

void CatalogFrm::PostClose() {
    closeApproved_ = true;
    CloseSoon();
}

void CatalogFrm::CloseSoon() {
    // A close that meets another window's busy loop waits for its end in the pump.
    QTimer::singleShot(0, this, [this] { close(); });
}

void CatalogFrm::AddUpdateItem(const SoundFileObj& record, bool focus, bool edited) {
    listView_->AddUpdateItem(record, focus, edited);
}

void CatalogFrm::RefreshCatalogMarks(const std::vector<std::string>& paths) {
    fileListView_->List().RefreshMarks(paths);
}

void CatalogFrm::BeginModalState() {
    busy_ = true;
    treeView_->setEnabled(false);
    fileListView_->setEnabled(false);
    listView_->setEnabled(false);
}

void CatalogFrm::EndModalState() {
    treeView_->setEnabled(box_ == nullptr || !box_->IsRunning());
    fileListView_->setEnabled(box_ == nullptr || !box_->IsRunning());
    listView_->setEnabled(true);
    busy_ = false;
    if (closeRequested_) {
        closeRequested_ = false;
        CloseSoon();
    }
}

void CatalogFrm::OnStartStopUpdate() {
    if (box_ == nullptr)
        return;
    if (box_->IsRunning())
        box_->StopUpdate();
    else
        box_->BeginUpdate();
    UpdateButtonState();
}

void CatalogFrm::UpdateButtonState() {
    // A stopping update cannot be stopped twice, nor restarted before it has ended.
    updateButton_->setEnabled(box_ != nullptr && !box_->Items().empty() && !box_->IsStopping());
}

void CatalogFrm::SaveSettings() {
    if (settingsSaved_)
        return;
    settingsSaved_ = true;
    listView_->Table().SaveLayout();
    treeView_->SaveFolder();
    SaveWindowPlacement(*this, kPlacement);
}

void CatalogFrm::closeEvent(QCloseEvent* e) {
    if (busy_) {
        // The window's own loop runs over the rows: the close follows its end.
        closeRequested_ = true;
        e->ignore();
        return;
    }
    if (!closeApproved_ && box_ != nullptr) {
        e->ignore();
        box_->QueryClose(true); // on agreement it detaches us and posts the close
        return;
    }
    SaveSettings();
    tip_.DestroyPopup();
    e->accept();
}

bool CatalogFrm::focusNextPrevChild(bool next) {
    // Tab goes round the panes in reading order and on to the update button, whatever holds
    // the focus inside a pane (the table's cell editor, the strip's row buttons).
    QWidget* const ring[] = {&treeView_->Tree(), &fileListView_->List(), &listView_->Table(),
                             updateButton_};
    constexpr int kStops = 4;
    QWidget* focus = QApplication::focusWidget();
    int at = -1;
    for (int i = 0; i < kStops; ++i)
        if (focus == ring[i] || ring[i]->isAncestorOf(focus))
            at = i;
    if (at < 0 && listView_->isAncestorOf(focus))
        at = 2;
    if (at < 0)
        return QMainWindow::focusNextPrevChild(next);
    for (int step = 1; step < kStops; ++step) {
        QWidget* stop = ring[(at + (next ? step : kStops - step)) % kStops];
        if (stop->isEnabled() && stop->isVisibleTo(this)) {
            stop->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;
}

void CatalogFrm::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    tipAnchor_.Follow(e->type());
}

void CatalogFrm::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    tipAnchor_.Follow(e->type());
}

void CatalogFrm::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    tipAnchor_.Follow(e->type());
}

IndexerWindow* CreateManageWindow(IndexerBoxObj& box) {
    auto* frame = new CatalogFrm(box);
    frame->show();
    // Once the command that opened it has ended: a menu chosen by keys gives the keyboard
    // back to the main window as it closes.
    QTimer::singleShot(0, frame, [frame] {
        frame->raise();
        frame->activateWindow();
    });
    return frame;
}

std::unique_ptr<ManageBoxLink> MakeManageBox(IndexerBoxController& controller) {
    return std::make_unique<IndexerBoxObj>(controller, CreateManageWindow);
}
