#include "collection/remote/web_frame.h"

#include <cstring>
#include <string>

namespace {

// The chain of one frame: every byte depends on the plain byte before it, and odd offsets
// are inverted besides.
void SealBytes(unsigned char* frame, std::size_t length) {
    unsigned char carry = kWebSealStart;
    for (std::size_t i = 8; i < length; ++i) {
        const unsigned char plain = frame[i];
        unsigned char out = plain ^ carry;
        if (i % 2 == 1)
            out ^= 0xFF;
        frame[i] = out;
        carry = plain;
    }
}

void UnsealBytes(unsigned char* frame, std::size_t length) {
    unsigned char carry = kWebSealStart;
    for (std::size_t i = 8; i < length; ++i) {
        unsigned char plain = frame[i] ^ carry;
        if (i % 2 == 1)
            plain ^= 0xFF;
        frame[i] = plain;
        carry = plain;
    }
}

} // namespace

std::uint32_t ReadBigEndian32(const unsigned char* b) {
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
           std::uint32_t{b[3]};
}

void WriteBigEndian32(unsigned char* b, std::uint32_t v) {
    b[0] = static_cast<unsigned char>(v >> 24);
    b[1] = static_cast<unsigned char>(v >> 16);
    b[2] = static_cast<unsigned char>(v >> 8);
    b[3] = static_cast<unsigned char>(v);
}

std::uint32_t WebFrameChecksum(const unsigned char* frame, std::size_t length) {
    std::uint32_t sum = 0;
    for (std::size_t i = 8; i + 4 < length; ++i)
        sum += frame[i];
    return sum;
}

int SealFrame(unsigned char* frame, std::size_t length) {
    if (frame == nullptr)
        return kWebBadArgument;
    if (length <= 12)
        return 0;
    WriteBigEndian32(frame + 4, kWebMarkerSealed);
    WriteBigEndian32(frame + length - 4, WebFrameChecksum(frame, length));
    SealBytes(frame, length);
    return 0;
}

int UnsealFrame(unsigned char* frame, std::size_t length) {
    if (frame == nullptr || length <= 12)
        return kWebBadArgument;
    const std::uint32_t marker = ReadBigEndian32(frame + 4);
    if (marker == kWebMarkerSealed)
        UnsealBytes(frame, length);
    else if (marker != kWebMarkerPlain)
        return kWebBadFrame;
    if (WebFrameChecksum(frame, length) != ReadBigEndian32(frame + length - 4))
        return kWebBadChecksum;
    return 0;
}

WebFrameWriter::WebFrameWriter(std::uint32_t type) : bytes_(8, 0) {
    WriteBigEndian32(bytes_.data() + 4, kWebMarkerPlain);
    PutUint(type);
}

void WebFrameWriter::PutUint(std::uint32_t value) {
    unsigned char b[4];
    WriteBigEndian32(b, value);
    bytes_.insert(bytes_.end(), b, b + 4);
}

void WebFrameWriter::PutBytes(const void* data, std::size_t length) {
    if (length == 0)
        return;
    const auto* b = static_cast<const unsigned char*>(data);
    bytes_.insert(bytes_.end(), b, b + length);
}

void WebFrameWriter::PutText(const char* text) {
    PutBytes(text, std::strlen(text) + 1);
}

std::vector<unsigned char> WebFrameWriter::Finish() {
    PutUint(0);
    std::vector<unsigned char> frame = std::move(bytes_);
    WriteBigEndian32(frame.data(), static_cast<std::uint32_t>(frame.size()));
    WriteBigEndian32(frame.data() + frame.size() - 4, WebFrameChecksum(frame.data(), frame.size()));
    return frame;
}

bool WebFrameReader::GetUint(std::uint32_t* value) {
    if (failed_ || end_ - pos_ < 4) {
        failed_ = true;
        return false;
    }
    *value = ReadBigEndian32(data_ + pos_);
    pos_ += 4;
    return true;
}

bool WebFrameReader::GetInt(std::int32_t* value) {
    std::uint32_t u = 0;
    if (!GetUint(&u))
        return false;
    *value = static_cast<std::int32_t>(u);
    return true;
}

bool WebFrameReader::GetBytes(void* out, std::size_t length) {
    if (failed_ || end_ - pos_ < length) {
        failed_ = true;
        return false;
    }
    if (length > 0)
        std::memcpy(out, data_ + pos_, length);
    pos_ += length;
    return true;
}

bool WebFrameReader::GetText(std::string* text) {
    if (failed_)
        return false;
    const void* zero = std::memchr(data_ + pos_, 0, end_ - pos_);
    if (zero == nullptr) {
        failed_ = true;
        return false;
    }
    const std::size_t n = static_cast<const unsigned char*>(zero) - (data_ + pos_);
    text->assign(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n + 1;
    return true;
}
