#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/ui_seams.h"

class QCheckBox;
class QComboBox;

// The controls below the editor's "Save As" file dialog: channels, compression, sample
// rate and whether the metadata fields go into the file. File types follow the dialog's
// filters: 1 AIFF, 2 AU, 3 WAVE.
class SaveAsDlg : public FileDialogExtras {
public:
    static constexpr int kMinRate = 8000;
    static constexpr int kMaxRate = 96000;

    SaveAsDlg();
    ~SaveAsDlg() override;

    // The compression codes a file type can be written with, in list order.
    static const std::vector<int>& TypeCodes(int fileType);
    // The code offered for `code` by a file type: the same one where the type has it.
    static int MapCompression(int fileType, int code);

    // Refills the compression list for the type and remaps the current code; the fields
    // box is enabled except for AU.
    void SetFileType(int fileType);
    int FileType() const { return fileType_; }
    void SetCompression(int code);
    int Compression() const { return compression_; }
    void SetRateText(const std::string& text);
    std::string RateText() const;
    void SetStereo(bool stereo);
    bool Stereo() const;
    void SetFields(bool fields);
    // Always off for AU, which has no place for them.
    bool Fields() const;

    QWidget* Panel() override;
    void FilterChanged(int filterIndex, std::string& typedName) override;
    // Refuses a rate outside 8000-96000 with a message.
    bool CanAccept(QWidget* dialog) override;

    QComboBox* ChannelsCombo() const { return channels_; }
    QComboBox* CompressionCombo() const { return compressionList_; }
    QComboBox* RateCombo() const { return rate_; }
    QCheckBox* FieldsBox() const { return fields_; }

private:
    void FillCompressionList();

    std::unique_ptr<QWidget> panel_;
    QComboBox* channels_;
    QComboBox* compressionList_;
    QComboBox* rate_;
    QCheckBox* fields_;
    int fileType_ = 3;
    int compression_ = 17;
};
