#include "audio/sound_error.h"

namespace {

// Cuts UTF-8 text to at most max bytes without splitting a character.
std::string CutText(std::string text, std::size_t max) {
    if (text.size() <= max) {
        return text;
    }
    std::size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    text.resize(end);
    return text;
}

} // namespace

SoundError::SoundError(const std::string& text) : message(CutText(text, kMaxMessage)) {}

SoundError::SoundError(const std::string& text, const std::string& appended)
    : message(CutText(text + appended, kMaxMessage)) {}

SoundError::SoundError(const std::string& text, long long number, bool isUnsupported)
    : message(CutText(text + std::to_string(number), kMaxMessage)), value(number),
      unsupported(isUnsupported) {}
