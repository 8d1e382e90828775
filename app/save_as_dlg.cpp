#include "app/save_as_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QSignalBlocker>
#include <QWidget>
#include <cstdio>

#include "app/controls/typed_text_combo.h"
#include "audio/general_helpers.h"
#include "collection/sound_file.h"

namespace {

constexpr int kAiff = 1, kAu = 2;

const std::vector<int> kAiffCodes = {16, 17, 18, 2, 3};
const std::vector<int> kAuCodes = {16, 17, 2, 3};
const std::vector<int> kWaveCodes = {16, 17, 18, 19, 20, 2, 3};

const char* const kRates[] = {"8000 Hz",  "11025 Hz", "22050 Hz",
                              "44100 Hz", "48000 Hz", "96000 Hz"};

const char* TypeExtension(int fileType) {
    return fileType == kAiff ? ".aiff" : fileType == kAu ? ".au" : ".wav";
}

} // namespace

SaveAsDlg::SaveAsDlg() : panel_(std::make_unique<QWidget>()) {
    auto* form = new QFormLayout(panel_.get());
    channels_ = new QComboBox(panel_.get());
    channels_->setObjectName("1043");
    channels_->addItems({"mono", "stereo"});
    compressionList_ = new QComboBox(panel_.get());
    compressionList_->setObjectName("1042");
    // A typed rate is taken as typed: "4" must not become "44100 Hz" behind the user,
    // and Enter must not add it to the list.
    rate_ = NewTypedTextCombo(panel_.get());
    rate_->setObjectName("1041");
    for (const char* rate : kRates)
        rate_->addItem(rate);
    fields_ = new QCheckBox("Save Tambrel Fields in audio file", panel_.get());
    fields_->setObjectName("1428");
    form->addRow("Channels:", channels_);
    form->addRow("Compression:", compressionList_);
    form->addRow("Sample rate:", rate_);
    form->addRow(fields_);
    QObject::connect(compressionList_, &QComboBox::activated, panel_.get(), [this](int index) {
        const std::vector<int>& codes = TypeCodes(fileType_);
        if (index >= 0 && index < static_cast<int>(codes.size()))
            compression_ = codes[index];
    });
    FillCompressionList();
}

SaveAsDlg::~SaveAsDlg() = default;

const std::vector<int>& SaveAsDlg::TypeCodes(int fileType) {
    return fileType == kAiff ? kAiffCodes : fileType == kAu ? kAuCodes : kWaveCodes;
}

int SaveAsDlg::MapCompression(int fileType, int code) {
    for (int own : TypeCodes(fileType))
        if (own == code)
            return code;
    if (fileType == kAiff && (code == 19 || code == 20))
        return 18;
    return 17; // AU's answer for 18-20 and everyone's for anything else
}

void SaveAsDlg::FillCompressionList() {
    compression_ = MapCompression(fileType_, compression_);
    QSignalBlocker block(compressionList_);
    compressionList_->clear();
    const std::vector<int>& codes = TypeCodes(fileType_);
    for (size_t i = 0; i < codes.size(); ++i) {
        compressionList_->addItem(CompressionName(codes[i]));
        if (codes[i] == compression_)
            compressionList_->setCurrentIndex(static_cast<int>(i));
    }
    fields_->setEnabled(fileType_ != kAu);
}

void SaveAsDlg::SetFileType(int fileType) {
    fileType_ = fileType == kAiff || fileType == kAu ? fileType : 3;
    FillCompressionList();
}

void SaveAsDlg::SetCompression(int code) {
    compression_ = code;
    FillCompressionList();
}

void SaveAsDlg::SetRateText(const std::string& text) {
    rate_->setEditText(QString::fromStdString(text));
}

std::string SaveAsDlg::RateText() const {
    return rate_->currentText().toStdString();
}

void SaveAsDlg::SetStereo(bool stereo) {
    channels_->setCurrentIndex(stereo ? 1 : 0);
}

bool SaveAsDlg::Stereo() const {
    return channels_->currentIndex() == 1;
}

void SaveAsDlg::SetFields(bool fields) {
    fields_->setChecked(fields);
}

bool SaveAsDlg::Fields() const {
    return fileType_ != kAu && fields_->isChecked();
}

QWidget* SaveAsDlg::Panel() {
    return panel_.get();
}

void SaveAsDlg::FilterChanged(int filterIndex, std::string& typedName) {
    SetFileType(filterIndex);
    const size_t slash = typedName.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = typedName.find_last_of('.');
    if (dot != std::string::npos && dot >= nameStart)
        typedName = typedName.substr(0, dot) + TypeExtension(fileType_);
}

bool SaveAsDlg::CanAccept(QWidget* dialog) {
    const int rate = ParseInt(RateText());
    if (rate >= kMinRate && rate <= kMaxRate)
        return true;
    char text[80];
    std::snprintf(text, sizeof text, "Sample rate must be between %d and %d", kMinRate, kMaxRate);
    ShowMessageBox(dialog, text);
    return false;
}
