#pragma once

#include <exception>
#include <string>

// The one exception of the audio pipeline. Catchers use only the text.
class SoundError : public std::exception {
public:
    // Longest text kept, in bytes; longer texts are cut at a character boundary.
    static constexpr std::size_t kMaxMessage = 255;

    explicit SoundError(const std::string& text);
    // The second text is appended to the first.
    SoundError(const std::string& text, const std::string& appended);
    // The number is appended in decimal and kept as the value.
    SoundError(const std::string& text, long long number, bool isUnsupported);

    const char* what() const noexcept override { return message.c_str(); }

    std::string message;
    long long value = 0;
    // Set on errors that report an unsupported variant of a format.
    bool unsupported = false;
};
