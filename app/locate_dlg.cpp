#include "app/locate_dlg.h"

#include "app/app_util.h"
#include "collection/audio_file_util.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QString LocatedText(size_t count) {
    return QString("Located %1 audio files").arg(count);
}

} // namespace

LocateDlg::LocateDlg(std::vector<std::string> folders,
                     std::function<bool(const std::string&)> isListed, QWidget* parent)
    : QDialog(parent), folders_(std::move(folders)), isListed_(std::move(isListed)) {
    setWindowTitle("Locate Audio Files");
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Locate audio files in:", this));
    foldersEdit_ = new QLineEdit(this);
    foldersEdit_->setReadOnly(true);
    std::string shown;
    if (folders_.size() == 1) {
        shown = folders_.front();
    } else {
        for (const std::string& folder : folders_)
            shown += "\"" + folder + "\" ";
    }
    foldersEdit_->setText(QString::fromStdString(shown));
    layout->addWidget(foldersEdit_);

    auto* choices = new QGroupBox(this);
    auto* choiceLayout = new QVBoxLayout(choices);
    notInCatalog_ = new QRadioButton("Locate only audio files that are not in MyTambrel", choices);
    inCatalog_ = new QRadioButton("Locate only audio files that are in MyTambrel", choices);
    all_ = new QRadioButton("Locate all audio files", choices);
    all_->setChecked(true);
    for (QRadioButton* button : {notInCatalog_, inCatalog_, all_})
        choiceLayout->addWidget(button);
    layout->addWidget(choices);

    status_ = new QLabel(this);
    folder_ = new QLabel(this);
    count_ = new QLabel(this);
    for (QLabel* label : {status_, folder_, count_})
        layout->addWidget(label);

    auto* buttons = new QHBoxLayout;
    start_ = new QPushButton("&Start Looking", this);
    stop_ = new QPushButton("Stop Looking", this);
    continue_ = new QPushButton("Continue", this);
    cancel_ = new QPushButton("Cancel", this);
    for (QPushButton* button : {start_, stop_, continue_, cancel_}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    // Enter presses "Start Looking" until a look has run, then "Continue", the dialog's OK,
    // wherever the focus is: continuing before a look would close the dialog with nothing.
    start_->setDefault(true);
    layout->addLayout(buttons);
    stop_->setEnabled(false);

    connect(start_, &QPushButton::clicked, this, [this] { StartLooking(); });
    connect(stop_, &QPushButton::clicked, this, [this] { stopRequested_ = true; });
    connect(continue_, &QPushButton::clicked, this, [this] { accept(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
}

LocateDlg::~LocateDlg() = default;

std::vector<std::unique_ptr<CatalogUpdateItem>> LocateDlg::TakeRows() {
    found_.clear();
    return std::move(rows_);
}

void LocateDlg::SetChoice(Choice choice) {
    (choice == kNotInCatalog ? notInCatalog_
     : choice == kInCatalog  ? inCatalog_
                             : all_)
        ->setChecked(true);
}

QString LocateDlg::FoldersText() const {
    return foldersEdit_->text();
}
QString LocateDlg::StatusText() const {
    return status_->text();
}
QString LocateDlg::FolderText() const {
    return folder_->text();
}
QString LocateDlg::CountText() const {
    return count_->text();
}

void LocateDlg::reject() {
    // Escape lands here too: the scan's loop must not lose its dialog.
    if (!scanning_)
        QDialog::reject();
}

void LocateDlg::closeEvent(QCloseEvent* event) {
    if (scanning_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void LocateDlg::SetButtons(bool scanning) {
    stop_->setEnabled(scanning);
    start_->setEnabled(!scanning);
    continue_->setEnabled(!scanning);
    cancel_->setEnabled(!scanning);
}

bool LocateDlg::Allows(int state) const {
    const bool catalogued =
        state == CatalogUpdateItem::kInCatalog || state == CatalogUpdateItem::kWithVariants;
    switch (choice_) {
    case kNotInCatalog:
        return !catalogued;
    case kInCatalog:
        return catalogued;
    default:
        return true;
    }
}

bool LocateDlg::Consider(const std::string& path) {
    const std::string folder = path.substr(0, path.find_last_of('/') + 1);
    if (folder != shownFolder_) {
        shownFolder_ = folder;
        folder_->setText(QString::fromStdString(folder));
    }
    if (!AudioFileUtil::IsSupportedFile(path) || found_.count(path) != 0 ||
        (isListed_ && isListed_(path)))
        return false;
    auto row = std::make_unique<CatalogUpdateItem>(path);
    if (!Allows(row->state))
        return false;
    found_.insert(path);
    rows_.push_back(std::move(row));
    count_->setText(LocatedText(rows_.size()));
    return true;
}

void LocateDlg::StartLooking() {
    if (scanning_)
        return;
    rows_.clear();
    found_.clear();
    stopRequested_ = false;
    choice_ = notInCatalog_->isChecked() ? kNotInCatalog
              : inCatalog_->isChecked()  ? kInCatalog
                                         : kAll;
    scanning_ = true;
    SetButtons(true);
    status_->setText("Currently scanning:");
    count_->setText("Searching...");

    std::vector<std::string> paths;
    for (const std::string& folder : folders_) {
        if (stopRequested_)
            break;
        shownFolder_ = folder;
        folder_->setText(QString::fromStdString(folder));
        AppUtil::ScanFolderFor([this](const std::string& path) { return Consider(path); }, folder,
                               paths, &stopRequested_, this);
    }

    scanning_ = false;
    status_->setText(stopRequested_
                         ? "Scanning stopped"
                         : "Scanning complete. Click on the Continue button to proceed.");
    folder_->clear();
    shownFolder_.clear();
    count_->setText(LocatedText(rows_.size()));
    SetButtons(false);
    continue_->setDefault(true);
}
