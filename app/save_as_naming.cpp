#include "app/save_as_naming.h"

#include <algorithm>
#include <cctype>

namespace {

struct FormatRow {
    int format;
    int filterIndex;
    const char* extension;
};

// WAVE last: it is also the answer for any unknown format or filter.
const FormatRow kFormats[] = {{3, 1, ".aiff"}, {2, 2, ".au"}, {1, 3, ".wav"}};

const FormatRow& ByFormat(int format) {
    for (const auto& row : kFormats)
        if (row.format == format)
            return row;
    return kFormats[2];
}

const FormatRow& ByFilterIndex(int index) {
    for (const auto& row : kFormats)
        if (row.filterIndex == index)
            return row;
    return kFormats[2];
}

size_t NameStart(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// The extension of the file name (after its last slash), with its dot; empty when none.
std::string Extension(const std::string& path) {
    size_t start = NameStart(path);
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < start)
        return {};
    return path.substr(dot);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

SaveAsProposal ProposeSaveAsName(const std::string& savePath, const std::string& path, int format,
                                 int encoding) {
    SaveAsProposal proposal;
    proposal.name = path;
    if (!savePath.empty() && !path.empty())
        proposal.name = savePath + path.substr(NameStart(path));
    const FormatRow& row = ByFormat(format);
    proposal.filterIndex = row.filterIndex;
    proposal.extension = row.extension;
    bool knownEncoding = encoding == 2 || encoding == 3 || (encoding >= 16 && encoding <= 20);
    proposal.encoding = knownEncoding ? encoding : 17;
    if (proposal.name.empty()) {
        proposal.name = "Untitled" + proposal.extension;
    } else {
        std::string own = Extension(proposal.name);
        if (!EqualNoCase(own, proposal.extension))
            proposal.name =
                proposal.name.substr(0, proposal.name.size() - own.size()) + proposal.extension;
    }
    return proposal;
}

SaveAsChoice FinishSaveAsName(const std::string& chosenPath, int filterIndex) {
    const FormatRow& row = ByFilterIndex(filterIndex);
    SaveAsChoice choice;
    choice.format = row.format;
    choice.path = chosenPath;
    choice.savePath = chosenPath.substr(0, NameStart(chosenPath));
    if (chosenPath.find('.', NameStart(chosenPath)) == std::string::npos)
        choice.path += row.extension;
    return choice;
}
