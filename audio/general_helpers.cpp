#include "audio/general_helpers.h"

#include <atomic>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int ClampToInt(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

std::string_view SkipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return text.substr(i);
}

} // namespace

int ParseInt(std::string_view text) {
    text = SkipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    std::size_t i = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        if (value <= static_cast<long long>(INT_MAX) + 1)
            value = value * 10 + (text[i] - '0');
    }
    if (i == 0)
        return 0;
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

double ParseDecimalField(std::string_view text, std::string_view separators, bool& error) {
    error = false;
    text = SkipBlanks(text);
    std::size_t end = 0;
    for (; end < text.size() && separators.find(text[end]) == std::string_view::npos; ++end) {
        if (!IsDigit(text[end]) && text[end] != '.')
            error = true;
    }
    if (error)
        return 0.0;
    // The field holds only digits and dots: the number is its longest prefix of the form
    // digits[.digits], read without regard to the locale's decimal point.
    double value = 0.0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + end, value);
    if (ec == std::errc::result_out_of_range)
        return HUGE_VAL;
    if (ec != std::errc())
        return 0.0;
    return value;
}

int ParseRoundedField(std::string_view text, std::string_view separators, bool& error) {
    return ClampToInt(std::round(ParseDecimalField(text, separators, error)));
}

double ParseTimeString(std::string_view text) {
    if (text.empty())
        return 0.0;
    constexpr std::string_view separators = " :";
    // Fields are taken from the right: seconds, then minutes, then hours.
    std::size_t fieldEnd = text.size();
    long long whole[2] = {0, 0}; // minutes, hours
    double seconds = 0.0;
    for (int field = 0; field < 3; ++field) {
        std::size_t colon = fieldEnd == 0 ? std::string_view::npos : text.rfind(':', fieldEnd - 1);
        std::size_t start = colon == std::string_view::npos ? 0 : colon + 1;
        std::string_view body = text.substr(start, fieldEnd - start);
        bool error = false;
        if (field == 0) {
            seconds = ParseDecimalField(body, separators, error);
        } else if (!body.empty()) {
            whole[field - 1] = ParseRoundedField(body, separators, error);
        }
        if (error)
            return -1.0;
        if (colon == std::string_view::npos)
            break;
        fieldEnd = colon;
    }
    return static_cast<double>((whole[1] * 60 + whole[0]) * 60) + seconds;
}

std::string FormatSeconds(double seconds, int decimals, bool minutesForm, bool hoursForm) {
    // Nine decimals keep the scaled total well inside 64 bits for any playing time.
    if (decimals > 9)
        decimals = 9;
    long long scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    double scaled = std::round(seconds * static_cast<double>(scale));
    if (std::isnan(scaled))
        scaled = 0.0;
    constexpr double kLimit = 9.0e18;
    if (scaled > kLimit)
        scaled = kLimit;
    if (scaled < -kLimit)
        scaled = -kLimit;
    long long total = static_cast<long long>(scaled);
    const char* sign = "";
    if (total < 0) {
        sign = "-";
        total = -total;
    }
    long long fraction = total % scale;
    long long s = total / scale;
    long long m = total / (60 * scale);
    long long h = total / (3600 * scale);

    char main[64];
    if (hoursForm || (minutesForm && m >= 60)) {
        std::snprintf(main, sizeof main, "%s%lld:%02lld:%02lld", sign, h, m % 60, s % 60);
    } else if (minutesForm) {
        std::snprintf(main, sizeof main, m <= 9 ? "%s%01lld:%02lld" : "%s%02lld:%02lld", sign, m,
                      s % 60);
    } else {
        std::snprintf(main, sizeof main, "%s%lld", sign, s);
    }
    if (decimals < 1)
        return main;
    char text[96];
    std::snprintf(text, sizeof text, "%s.%0*lld", main, decimals, fraction);
    return text;
}

double HalftonesToRatio(int semitones) {
    return std::exp(semitones * std::log(2.0) / 12.0);
}

int RatioToHalftones(double ratio) {
    if (!(ratio > 0.0))
        return 0;
    return ClampToInt(std::round(12.0 * std::log(ratio) / std::log(2.0)));
}

std::string GetFileExtension(std::string_view path) {
    // Walk back over at most 10 characters; UTF-8 continuation bytes belong to the
    // character that starts before them.
    std::size_t characters = 0;
    for (std::size_t i = path.size(); i > 0 && characters < 10;) {
        --i;
        if ((static_cast<unsigned char>(path[i]) & 0xC0) != 0x80)
            ++characters;
        if (path[i] == '.')
            return std::string(path.substr(i));
    }
    return std::string();
}

std::int64_t GetFileSize(const std::string& path) {
    // Non-blocking so that a FIFO cannot hang the caller; only regular files have a size.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct stat info {};
    std::int64_t size = 0;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        size = static_cast<std::int64_t>(info.st_size);
    ::close(fd);
    return size;
}

std::int32_t ClampFileSize32(std::int64_t size) {
    if (size > INT32_MAX)
        return INT32_MAX;
    if (size < 0)
        return 0;
    return static_cast<std::int32_t>(size);
}

std::size_t RemoveChars(std::string& text, std::size_t position, std::size_t count) {
    if (position <= text.size())
        text.erase(position, count);
    return text.size();
}

std::size_t InsertChars(std::string& text, std::string_view inserted, std::size_t position) {
    if (position > text.size())
        position = text.size();
    text.insert(position, inserted);
    return inserted.size();
}

namespace {

void WriteToStandardError(const char* message) {
    std::fprintf(stderr, "%s\n", message);
}

std::atomic<AllocationFailureHook> allocationFailureHook{&WriteToStandardError};

[[noreturn]] void AllocationFailed() {
    allocationFailureHook.load()("ERROR: Unable to allocate memory");
    std::fflush(nullptr);
    // No destructors or exit handlers: other threads may still be using the globals.
    std::_Exit(255);
}

} // namespace

AllocationFailureHook SetAllocationFailureHook(AllocationFailureHook hook) {
    return allocationFailureHook.exchange(hook ? hook : &WriteToStandardError);
}

void* XMalloc(std::size_t size) {
    // A zero-sized request still gets a block of its own, never null.
    void* block = std::malloc(size ? size : 1);
    if (!block)
        AllocationFailed();
    return block;
}

void* XCalloc(std::size_t count, std::size_t size) {
    void* block = (count && size) ? std::calloc(count, size) : std::calloc(1, 1);
    if (!block)
        AllocationFailed();
    return block;
}

void XFree(void* block) {
    std::free(block);
}
