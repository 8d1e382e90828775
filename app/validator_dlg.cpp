#include "app/validator_dlg.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <iterator>

#include "app/app_util.h"
#include "app/controls/browser_dlg.h"
#include "app/controls/dialog_result.h"
#include "app/controls/folder_dlg.h"
#include "app/ui_seams.h"

namespace {

constexpr const char* kActionTexts[6] = {
    "Search for this missing file",
    "Search for all missing files",
    "Ignore the missing file",
    "Ignore all missing files",
    "Remove this file from MyTambrel",
    "Remove all missing files from MyTambrel",
};

QString ToQ(const std::string& text) { return QString::fromStdString(text); }

} // namespace

ValidatorActionDlg::ValidatorActionDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("The following file could not be found:", this));
    pathLabel_ = new QLabel(this);
    pathLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pathLabel_->setWordWrap(true);
    layout->addWidget(pathLabel_);

    auto* grid = new QGridLayout;
    for (int action = 0; action < 6; ++action) {
        // Each radio is its own group: selecting one clears the others by hand.
        radios_[action] = new QRadioButton(kActionTexts[action], this);
        radios_[action]->setAutoExclusive(false);
        connect(radios_[action], &QRadioButton::clicked, this,
                [this, action] { ChooseAction(action); });
    }
    int row = 0;
    grid->addWidget(radios_[0], row++, 0, 1, 3);
    locationLabel_ = new QLabel("New location for this file:", this);
    location_ = new QLineEdit(this);
    browseLocation_ = new QPushButton("Browse...", this);
    grid->addWidget(locationLabel_, row, 0);
    grid->addWidget(location_, row, 1);
    grid->addWidget(browseLocation_, row++, 2);
    grid->addWidget(radios_[1], row++, 0, 1, 3);
    searchLabel_ = new QLabel("Search path for all missing files:", this);
    searchPath_ = new QLineEdit(this);
    browseSearchPath_ = new QPushButton("Browse...", this);
    grid->addWidget(searchLabel_, row, 0);
    grid->addWidget(searchPath_, row, 1);
    grid->addWidget(browseSearchPath_, row++, 2);
    for (int action = 2; action < 6; ++action)
        grid->addWidget(radios_[action], row++, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    // The radios are made first; Tab follows the rows as they are read.
    QWidget* const reading[] = {radios_[0], location_,   browseLocation_, radios_[1],
                                searchPath_, browseSearchPath_, radios_[2]};
    for (size_t i = 1; i < std::size(reading); ++i)
        setTabOrder(reading[i - 1], reading[i]);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* next = new QPushButton("Continue", this);
    auto* stop = new QPushButton("Stop", this);
    next->setDefault(true);
    buttons->addWidget(next);
    buttons->addWidget(stop);
    layout->addLayout(buttons);
    connect(next, &QPushButton::clicked, this, &QDialog::accept);
    connect(stop, &QPushButton::clicked, this, &QDialog::reject);
    connect(browseLocation_, &QPushButton::clicked, this, &ValidatorActionDlg::OnBrowseLocation);
    connect(browseSearchPath_, &QPushButton::clicked, this,
            &ValidatorActionDlg::OnBrowseSearchPath);
    resize(sizeHint().width() + fontMetrics().averageCharWidth() * 30, sizeHint().height());
    ChooseAction(0);
}

void ValidatorActionDlg::SetPath(const std::string& path) {
    path_ = path;
    pathLabel_->setText(ToQ(path));
}

void ValidatorActionDlg::SetAction(int action) {
    ChooseAction(action >= 0 && action < 6 ? action : 0);
}

void ValidatorActionDlg::ChooseAction(int action) {
    action_ = action;
    for (int i = 0; i < 6; ++i)
        radios_[i]->setChecked(i == action);
    const bool location = action == Validator::kSearchThis;
    const bool search = action == Validator::kSearchAll;
    for (QWidget* w : {static_cast<QWidget*>(locationLabel_), static_cast<QWidget*>(location_),
                       static_cast<QWidget*>(browseLocation_)})
        w->setEnabled(location);
    for (QWidget* w : {static_cast<QWidget*>(searchLabel_), static_cast<QWidget*>(searchPath_),
                       static_cast<QWidget*>(browseSearchPath_)})
        w->setEnabled(search);
}

std::string ValidatorActionDlg::NewLocation() const { return location_->text().toStdString(); }
std::string ValidatorActionDlg::SearchPath() const { return searchPath_->text().toStdString(); }
void ValidatorActionDlg::SetNewLocation(const std::string& path) { location_->setText(ToQ(path)); }
void ValidatorActionDlg::SetSearchPath(const std::string& path) { searchPath_->setText(ToQ(path)); }

void ValidatorActionDlg::OnBrowseLocation() {
    const size_t slash = path_.rfind('/');
    const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    const size_t dot = path_.rfind('.');
    const std::string extension =
        dot == std::string::npos || (slash != std::string::npos && dot < slash)
            ? std::string()
            : path_.substr(dot + 1);
    const std::string pattern = "*." + extension;
    const std::string filter = "Audio Files (" + pattern + ")|" + pattern + "||";
    BrowserDlg dialog(true, extension.c_str(), name.c_str(), OFN_PATHMUSTEXIST | OFN_HIDEREADONLY,
                      filter.c_str(), this);
    dialog.title = "Locate Audio File";
    dialog.okText = "Select";
    if (dialog.DoModal() == IDOK)
        SetNewLocation(dialog.GetPathName());
}

void ValidatorActionDlg::OnBrowseSearchPath() {
    const size_t slash = path_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path_.substr(0, slash);
    CFolderDlg dialog(folder.c_str(), 0, this);
    if (dialog.DoModal() == IDOK)
        SetSearchPath(dialog.GetFolderPath());
}

ValidatorDlg::ValidatorDlg(QWidget* parent, IndexerController& controller)
    : QDialog(parent), validator_(*this, controller) {
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    lines_ = new QListWidget(this);
    lines_->setMinimumHeight(fontMetrics().height() * 10);
    layout->addWidget(lines_);
    currentFile_ = new QLabel(this);
    currentFile_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    counter_ = new QLabel(this);
    databaseBar_ = new QProgressBar(this);
    databaseBar_->setRange(0, 100);
    reindexBar_ = new QProgressBar(this);
    reindexBar_->setRange(0, 100);
    endState_ = new QLabel(this);
    for (QWidget* w : {static_cast<QWidget*>(currentFile_), static_cast<QWidget*>(reindexBar_),
                       static_cast<QWidget*>(counter_), static_cast<QWidget*>(databaseBar_),
                       static_cast<QWidget*>(endState_)})
        layout->addWidget(w);
    auto* buttons = new QHBoxLayout;
    begin_ = new QPushButton("Begin Validating", this);
    stop_ = new QPushButton("Stop", this);
    close_ = new QPushButton("Close", this);
    buttons->addWidget(begin_);
    buttons->addWidget(stop_);
    buttons->addStretch();
    buttons->addWidget(close_);
    layout->addLayout(buttons);
    connect(begin_, &QPushButton::clicked, this, &ValidatorDlg::OnBeginValidating);
    connect(stop_, &QPushButton::clicked, this, &ValidatorDlg::OnStop);
    connect(close_, &QPushButton::clicked, this, &ValidatorDlg::reject);
    stop_->setEnabled(false);
    currentFile_->hide();
    counter_->hide();
    databaseBar_->hide();
    reindexBar_->hide();
    resize(fontMetrics().averageCharWidth() * 90, sizeHint().height());
}

ValidatorDlg::~ValidatorDlg() = default;

void ValidatorDlg::OnBeginValidating() {
    if (!validator_.IsRunning())
        validator_.Run();
}

void ValidatorDlg::OnStop() { validator_.RequestStop(); }

void ValidatorDlg::reject() {
    // Escape and Close wait until the run has ended.
    if (!validator_.IsRunning())
        QDialog::reject();
}

void ValidatorDlg::closeEvent(QCloseEvent* event) {
    if (validator_.IsRunning())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void ValidatorDlg::ClearLines() { lines_->clear(); }

void ValidatorDlg::AddResultLine(const std::string& text) {
    lines_->addItem(ToQ(text));
    lines_->scrollToItem(lines_->item(lines_->count() - 1), QAbstractItemView::PositionAtTop);
}

void ValidatorDlg::ShowCurrentFile(bool shown, const std::string& text) {
    currentFile_->setText(ToQ(text));
    currentFile_->setVisible(shown);
}

void ValidatorDlg::ShowCounter(bool shown, const std::string& text) {
    counter_->setText(ToQ(text));
    counter_->setVisible(shown);
}

void ValidatorDlg::ShowDatabaseBar(bool shown, int percent) {
    databaseBar_->setValue(percent);
    databaseBar_->setVisible(shown);
}

void ValidatorDlg::ShowReindexBar(bool shown, int percent) {
    reindexBar_->setValue(percent);
    reindexBar_->setVisible(shown);
    if (shown)
        AppUtil::PumpMessages(this);
}

void ValidatorDlg::SetEndState(const std::string& text) { endState_->setText(ToQ(text)); }

void ValidatorDlg::SetRunning(bool running) {
    begin_->setEnabled(!running);
    close_->setEnabled(!running);
    stop_->setEnabled(running);
}

void ValidatorDlg::Pump() { AppUtil::PumpMessages(this); }

bool ValidatorDlg::AskMissingFile(const std::string& path, int& action, std::string& newLocation,
                                  std::string& searchPath) {
    if (question_)
        return question_(path, action, newLocation, searchPath);
    ValidatorActionDlg dialog(this);
    dialog.SetPath(path);
    dialog.SetAction(action);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    action = dialog.Action();
    newLocation = dialog.NewLocation();
    searchPath = dialog.SearchPath();
    return true;
}

void ValidatorDlg::ShowRelocateFailure(const std::string& location, const std::string& message) {
    ShowMessageBox(this, location + "\n" + message, {}, MessageButtons::Ok,
                   MessageIcon::Exclamation);
}

void ValidatorDlg::ScanFolder(const std::string& folder, std::vector<std::string>& paths) {
    AppUtil::ScanFolder(folder, paths, nullptr, nullptr);
}
