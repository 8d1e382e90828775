#include "editor/window/audio_file_frm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <algorithm>

#include "app/app_util.h"
#include "app/frame_placement.h"
#include "app/resources.h"
#include "editor/window/audio_file_view.h"
#include "editor/window/editor_icons.h"
#include "editor/window/property_box.h"

namespace {

struct CommandRow {
    int id;
    int image;
    const char* text;
};
const CommandRow kCommands[] = {
    {AudioFileFrm::kSave, 316, "Save"},
    {AudioFileFrm::kSaveAs, 321, "Save As"},
    {AudioFileFrm::kRemove, 322, "Remove"},
    {AudioFileFrm::kFields, 323, "Hide Fields "},
    {AudioFileFrm::kControls, 324, "Hide Controls "},
};
constexpr int kPaneWidths[AudioFileFrm::kPaneCount] = {0, 45, 40, 90, 60, 60};
// The texts the editor's long work shows beside its progress bar, left of the panes.
const char* const kProgressTexts[] = {"Processing audio data:", "Downloading from Web:",
                                      "Creating audio data:", "Loading audio data:",
                                      "Saving audio data:"};
constexpr int kProgressBarEnd = 106; // the bar ends this far right of its text
constexpr int kPaneMargin = 8;       // room inside a pane's frame around its text

} // namespace

AudioFileFrm::AudioFileFrm(PropertyBoxObj* owner, int windowsOpen) : owner_(owner) {
    RegisterEditorIcons();
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowIcon(QIcon(ResourceIcon(kEditorIcon)));
    AppUtil::TakeClosesWhileBusy(this);
    menuBar()->clear();
    menuBar()->hide();
    toolBar_ = addToolBar("Editor");
    toolBar_->setObjectName("toolbar");
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (const CommandRow& row : kCommands) {
        // The toolbar's pictures are the editor's own: the program's picture under the same
        // id (324 is the results table's select-all) is another command's.
        QAction* action = toolBar_->addAction(QIcon(DrawEditorIcon(row.image)), row.text);
        action->setObjectName(QString::number(row.id));
        const int id = row.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        commands_[row.id] = action;
        // Reached by Tab and pressed by Space: Save As, Remove and the two Hide commands
        // have no key of their own.
        if (QWidget* button = toolBar_->widgetForAction(action))
            button->setFocusPolicy(Qt::TabFocus);
    }
    // Ctrl+S saves as the toolbar's Save does, with the same enabled state.
    commands_[kSave]->setShortcut(QKeySequence::Save);
    commands_[kSave]->setShortcutContext(Qt::WindowShortcut);
    // Pane 0 is the status bar's own message; a label for it would sit loose over the
    // toolbar and swallow clicks meant for Save.
    for (int i = 1; i < kPaneCount; ++i) {
        auto* pane = new QLabel(this);
        pane->setObjectName(QString("pane%1").arg(i));
        pane->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        // At least the given width; wider where the font needs it.
        pane->setMinimumWidth(kPaneWidths[i]);
        pane->setAlignment(Qt::AlignCenter);
        statusBar()->addPermanentWidget(pane);
        panes_[i] = pane;
    }
    view_ = new AudioFileView(this, owner);
    setCentralWidget(view_);
    ReserveProgressRoom();

    const QFontMetrics metrics(font());
    const int width = (460 * std::max(metrics.averageCharWidth(), 1) + 2) / 4;
    const int height = (320 * std::max(metrics.height(), 1) + 4) / 8;
    QRect area(0, 0, width, height);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    const int offset = 24 * std::max(windowsOpen, 0);
    PlaceFrame(*this, QRect(area.left() + offset, area.top() + offset, width, height), area);
    UpdateCommandState();
}

AudioFileFrm::~AudioFileFrm() {
    tip_.DestroyPopup();
}

QAction* AudioFileFrm::CommandAction(int id) const {
    const auto it = commands_.find(id);
    return it != commands_.end() ? it->second : nullptr;
}

void AudioFileFrm::SetPaneText(int pane, const std::string& text) {
    if (pane == 0) {
        statusBar()->showMessage(QString::fromStdString(text));
        return;
    }
    if (pane > 0 && pane < kPaneCount) {
        QLabel* label = panes_[pane];
        label->setText(QString::fromStdString(text));
        // A pane grows to its text, so that a narrow window cuts no pane short.
        const int needed = label->fontMetrics().horizontalAdvance(label->text()) + kPaneMargin;
        label->setMinimumWidth(std::max(kPaneWidths[pane], needed));
        ReserveProgressRoom();
    }
}

void AudioFileFrm::ReserveProgressRoom() {
    // The progress text and bar are placed at the left of the status bar, beside the panes:
    // the bar keeps room for the longest of them, so that the window's smallest width still
    // shows them apart.
    QStatusBar* bar = statusBar();
    int progress = 0;
    for (const char* text : kProgressTexts)
        progress = std::max(progress, bar->fontMetrics().horizontalAdvance(text));
    bar->setMinimumWidth(0);
    if (QLayout* layout = bar->layout())
        layout->invalidate();
    const int panes = bar->minimumSizeHint().width(); // the panes, their gaps and the grip
    bar->setMinimumWidth(progress + kProgressBarEnd + 8 + panes);
}

std::string AudioFileFrm::PaneText(int pane) const {
    if (pane == 0)
        return statusBar()->currentMessage().toStdString();
    if (pane > 0 && pane < kPaneCount)
        return panes_[pane]->text().toStdString();
    return {};
}

int AudioFileFrm::ProgressValue() const {
    return progressBar_ ? progressBar_->value() : -1;
}

void AudioFileFrm::ShowProgress(const std::string& text, int percent) {
    QStatusBar* bar = statusBar();
    if (percent >= 100) {
        delete progressText_;
        delete progressBar_;
        bar->update();
        return;
    }
    if (!progressBar_) {
        bar->clearMessage();
        progressText_ = new QLabel(QString::fromStdString(text), bar);
        progressText_->setObjectName("progressText");
        progressText_->setFont(bar->font());
        const int textWidth = progressText_->fontMetrics().horizontalAdvance(progressText_->text());
        progressText_->setGeometry(2, 3, textWidth, 16);
        progressText_->show();
        progressBar_ = new QProgressBar(bar);
        progressBar_->setObjectName("progressBar");
        progressBar_->setRange(0, 100);
        progressBar_->setTextVisible(false);
        progressBar_->setGeometry(textWidth + 6, 3, 100, 15);
        progressBar_->show();
    }
    progressBar_->setValue(std::clamp(percent, 0, 100));
}

void AudioFileFrm::ShowTip(const TipEntry* entries, int count) {
    tip_.SetEntries(entries, count, this, view_->WaveformHost(), nullptr);
}

void AudioFileFrm::HideTip() {
    tip_.Clear();
}

void AudioFileFrm::BeginBusy() {
    busy_ = true;
    view_->setEnabled(false);
    toolBar_->setEnabled(false);
}

void AudioFileFrm::EndBusy() {
    view_->setEnabled(true);
    toolBar_->setEnabled(true);
    busy_ = false;
    if (closePending_) {
        closePending_ = false;
        QPointer<AudioFileFrm> self(this);
        QTimer::singleShot(0, this, [self] {
            if (self)
                self->close();
        });
    }
}

void AudioFileFrm::UpdateCommandState() {
    const bool fields = AudioFileView::GroupVisible(AudioFileView::kFieldsGroup);
    const bool controls = AudioFileView::GroupVisible(AudioFileView::kControlsGroup);
    commands_[kFields]->setText(fields ? "Hide Fields " : "Show Fields");
    commands_[kControls]->setText(controls ? "Hide Controls " : "Show Controls");
    if (owner_ == nullptr)
        return;
    const PropertyBoxObj& box = *owner_;
    const bool idle = box.app.PlayerState() == CAI_AudioPlayer::kIdle;
    const bool fromPath = box.openMode != PropertyBoxObj::kNewFile && !box.remote;
    commands_[kSave]->setEnabled(fromPath && !box.openFailed && idle);
    commands_[kSaveAs]->setEnabled(!box.openFailed && idle && box.downloadId == -1);
    commands_[kRemove]->setEnabled(box.inCollection && idle);
}

void AudioFileFrm::RunCommand(int id) {
    switch (id) {
    case kFields:
    case kControls: {
        const int group =
            id == kFields ? AudioFileView::kFieldsGroup : AudioFileView::kControlsGroup;
        AudioFileView::SetGroupVisible(group, !AudioFileView::GroupVisible(group));
        // Every editor window shows the same groups.
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* frame = qobject_cast<AudioFileFrm*>(top)) {
                frame->View()->Relayout();
                frame->UpdateCommandState();
            }
        return;
    }
    default:
        break;
    }
    if (owner_ == nullptr)
        return;
    QAction* action = CommandAction(id);
    if (action == nullptr || !action->isEnabled())
        return;
    PropertyBoxObj* box = owner_;
    if (id == kSave) {
        box->Save();
    } else if (id == kSaveAs) {
        box->SaveAs();
    } else if (id == kRemove) {
        box->RemoveFromCollection();
    }
    if (owner_ != nullptr)
        UpdateCommandState();
}

void AudioFileFrm::closeEvent(QCloseEvent* event) {
    if (owner_ == nullptr) {
        event->accept();
        return;
    }
    if (busy_) {
        closePending_ = true;
        event->ignore();
        return;
    }
    // The owner asks its questions and, agreeing, hands itself to the controller.
    if (!owner_->Close(false)) {
        event->ignore();
        return;
    }
    owner_ = nullptr;
    event->accept();
}

void AudioFileFrm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && owner_ != nullptr)
        view_->UpdateButtons(false);
    tipAnchor_.Follow(event->type());
}

void AudioFileFrm::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    tipAnchor_.Follow(event->type());
}

void AudioFileFrm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    tipAnchor_.Follow(event->type());
}
