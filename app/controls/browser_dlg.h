#pragma once

#include "app/controls/dialog_result.h"
#include "app/ui_seams.h"

#include <string>
#include <vector>

class QWidget;

// File dialog flags a caller may pass. Qt's dialog has no read-only box and its open
// dialog only takes existing files, so only the overwrite prompt changes anything.
enum OpenFileFlags : unsigned {
    OFN_OVERWRITEPROMPT = 0x2,
    OFN_HIDEREADONLY = 0x4,
    OFN_PATHMUSTEXIST = 0x800,
    OFN_FILEMUSTEXIST = 0x1000,
};

// The file-open or file-save dialog with fixed English texts, run through the installed
// UiSeams. Set the public texts before DoModal to change them.
class BrowserDlg {
public:
    // filter: "description|patterns|...||" pairs, patterns separated by ';'; null for none.
    BrowserDlg(bool open, const char* defaultExtension, const char* fileName, unsigned flags,
               const char* filter, QWidget* parent);
    virtual ~BrowserDlg() = default;

    // IDOK with the chosen file in GetPathName, else IDCANCEL.
    virtual int DoModal();
    const std::string& GetPathName() const { return pathName_; }

    std::string title; // "Open" or "Save"
    std::string okText = "OK";
    std::string cancelText = "Cancel";
    bool hideFileTypes = false;

private:
    QWidget* parent_;
    bool open_;
    unsigned flags_;
    std::string defaultExtension_;
    std::vector<FileFilter> filters_;
    std::string pathName_;
};

// "description|patterns|description|patterns||" as filters; stops at the first empty
// description or a description without patterns.
std::vector<FileFilter> ParseFileFilter(const std::string& filter);
