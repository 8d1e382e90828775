#pragma once
// The frame in which the remote search's requests and replies travel: a big-endian length, a
// marker that says whether the rest is sealed, a type, the body and a checksum. Sealing is a
// reversible byte chain that keeps the bytes from being read at a glance, nothing stronger.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr std::uint32_t kWebMarkerSealed = 0x5E32A41D;
constexpr std::uint32_t kWebMarkerPlain = 0x616DE202;
constexpr std::uint32_t kWebSearchRequestType = 0x622AC49D;
constexpr std::uint32_t kWebSearchReplyType = 0x65E3D9C1;

// Lengths of a whole frame, its length field and checksum included.
constexpr std::size_t kWebFrameMinLength = 5;
constexpr std::size_t kWebFrameMaxLength = 261120;

// The first carry of the sealing chain. Client and server must agree on it.
constexpr unsigned char kWebSealStart = 0xA7;

// Error codes of the frame and reply functions.
enum WebFrameError {
    kWebBadArgument = 1, // bad argument or length, frame too short, reply of the wrong type
    kWebBadFrame = 2,    // length out of range, unknown marker, rows inconsistent with the frame
    kWebBadChecksum = 3,
    kWebConnectionClosed = 14, // the peer closed before the whole frame arrived
};

// The 32-bit sum of the unsigned bytes 8 to length - 5.
std::uint32_t WebFrameChecksum(const unsigned char* frame, std::size_t length);

// Marks the frame sealed, writes its checksum and seals bytes 8 to the end. Frames of 12
// bytes or less are left alone. 0 or kWebBadArgument for a null frame.
int SealFrame(unsigned char* frame, std::size_t length);
// Undoes SealFrame in place (a plain frame stays as it is) and checks the checksum.
int UnsealFrame(unsigned char* frame, std::size_t length);

// Writes big-endian integers and zero-terminated texts into a growing frame.
class WebFrameWriter {
public:
    void PutInt(std::int32_t value) { PutUint(static_cast<std::uint32_t>(value)); }
    void PutUint(std::uint32_t value);
    void PutBytes(const void* data, std::size_t length);
    // The text up to its first zero byte, then one zero byte.
    void PutText(const char* text);
    std::size_t Size() const { return bytes_.size(); }
    // Fills in the length field and a zero checksum; the frame is ready to seal.
    std::vector<unsigned char> Finish();
    // Starts a frame of the type: length and marker are filled in by Finish and SealFrame.
    explicit WebFrameWriter(std::uint32_t type);

private:
    std::vector<unsigned char> bytes_;
};

// Reads big-endian integers and zero-terminated texts from a frame's body, never past `end`.
// A read that would run past it fails and every later read fails too.
class WebFrameReader {
public:
    WebFrameReader(const unsigned char* data, std::size_t begin, std::size_t end)
        : data_(data), pos_(begin), end_(end) {}

    bool GetInt(std::int32_t* value);
    bool GetUint(std::uint32_t* value);
    bool GetBytes(void* out, std::size_t length);
    // A text that ends with a zero byte before `end`.
    bool GetText(std::string* text);
    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return failed_ ? 0 : end_ - pos_; }
    bool Failed() const { return failed_; }

private:
    const unsigned char* data_;
    std::size_t pos_;
    std::size_t end_;
    bool failed_ = false;
};

std::uint32_t ReadBigEndian32(const unsigned char* bytes);
void WriteBigEndian32(unsigned char* bytes, std::uint32_t value);
