#include "audio/audio_file_tags.h"

#include <cstring>
#include <string>
#include <string_view>

#include "audio/format_codes.h"

namespace {

struct TagKind {
    int itemCode;
    bool inWave;
    bool inAiff;
};

// Indexed by tag kind.
constexpr TagKind kTagKinds[] = {
    {ItemArtist, true, true}, {ItemComment, true, true}, {ItemCopyright, true, true},
    {ItemGenre, true, false}, {ItemTitle, true, true},   {ItemSource, true, false},
    {ItemUrl, false, false},  {ItemTempo, false, false}, {ItemKey, false, false},
};

constexpr int kTagKindCount = static_cast<int>(sizeof(kTagKinds) / sizeof(kTagKinds[0]));

} // namespace

int AudioFileTags::TagItemCode(int tagKind, int defaultCode) {
    if (tagKind < 0 || tagKind >= kTagKindCount) {
        return defaultCode;
    }
    return kTagKinds[tagKind].itemCode;
}

bool AudioFileTags::IsTagWritable(int fileFormat, int tagKind) {
    if (tagKind < 0 || tagKind >= kTagKindCount) {
        return false;
    }
    if (fileFormat == FileFormatWave) {
        return kTagKinds[tagKind].inWave;
    }
    if (fileFormat == FileFormatAiff) {
        return kTagKinds[tagKind].inAiff;
    }
    return false;
}

bool AudioFileTags::GetText(int tagKind, char* buffer, std::size_t bufferSize) const {
    if (buffer == nullptr || bufferSize == 0) {
        return false;
    }
    std::size_t size = 0;
    const std::uint8_t* data = list.FindItem(TagItemCode(tagKind, 0), size);
    if (data == nullptr) {
        buffer[0] = '\0';
        return false;
    }
    const std::size_t copied = size < bufferSize - 1 ? size : bufferSize - 1;
    std::memcpy(buffer, data, copied);
    buffer[copied] = '\0';
    return true;
}

bool AudioFileTags::SetText(int tagKind, const char* text, int fileFormat) {
    if (fileFormat != -1 && !IsTagWritable(fileFormat, tagKind)) {
        return false;
    }
    const int itemCode = TagItemCode(tagKind, 0);
    if (itemCode == 0) {
        return false;
    }
    const std::string_view newText = text != nullptr ? text : "";
    std::size_t size = 0;
    const std::uint8_t* stored = list.FindItem(itemCode, size);
    if (stored != nullptr) {
        // The whole text counts: a longer text that starts like the stored one is a change.
        const auto* chars = reinterpret_cast<const char*>(stored);
        const std::string_view storedText(chars, ::strnlen(chars, size));
        if (storedText == newText) {
            return false;
        }
    } else if (newText.empty()) {
        return false;
    }
    // Stored with its NUL; an empty text is a single NUL.
    const std::string withNul = std::string(newText) + '\0';
    list.SetItem(itemCode, withNul.data(), withNul.size());
    return true;
}
