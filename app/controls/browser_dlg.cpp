#include "app/controls/browser_dlg.h"

BrowserDlg::BrowserDlg(bool open, const char* defaultExtension, const char* fileName,
                       unsigned flags, const char* filter, QWidget* parent)
    : title(open ? "Open" : "Save"), parent_(parent), open_(open), flags_(flags),
      defaultExtension_(defaultExtension ? defaultExtension : ""),
      filters_(ParseFileFilter(filter ? filter : "")), pathName_(fileName ? fileName : "") {}

int BrowserDlg::DoModal() {
    FileDialogRequest request;
    request.save = !open_;
    request.filters = filters_;
    request.defaultExtension = defaultExtension_;
    request.path = pathName_;
    request.overwritePrompt = (flags_ & OFN_OVERWRITEPROMPT) != 0;
    request.title = title;
    request.okText = okText;
    request.cancelText = cancelText;
    request.hideFileTypes = hideFileTypes;
    if (!CurrentUiSeams().FileDialog(parent_, request))
        return IDCANCEL;
    pathName_ = request.path;
    return IDOK;
}

std::vector<FileFilter> ParseFileFilter(const std::string& filter) {
    std::vector<FileFilter> filters;
    std::size_t at = 0;
    while (at < filter.size()) {
        std::size_t bar = filter.find('|', at);
        if (bar == std::string::npos || bar == at)
            break;
        std::size_t end = filter.find('|', bar + 1);
        if (end == std::string::npos)
            end = filter.size();
        if (end == bar + 1)
            break;
        filters.push_back({filter.substr(at, bar - at), filter.substr(bar + 1, end - bar - 1)});
        at = end + 1;
    }
    return filters;
}
