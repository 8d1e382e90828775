#include "audio/formats/iff.h"

#include <algorithm>
#include <cstdio>
#include <istream>
#include <string>

#include "audio/byte_order.h"
#include "audio/codecs/dpcm8svx.h"
#include "audio/codecs/pcm.h"
#include "audio/format_codes.h"
#include "audio/sound_error.h"

namespace {

constexpr std::uint32_t Id(const char (&text)[5]) {
    return (std::uint32_t{static_cast<unsigned char>(text[0])} << 24) |
           (std::uint32_t{static_cast<unsigned char>(text[1])} << 16) |
           (std::uint32_t{static_cast<unsigned char>(text[2])} << 8) |
           std::uint32_t{static_cast<unsigned char>(text[3])};
}

// Only this much of a text chunk reaches the diagnostics; the rest is skipped.
constexpr std::int64_t kMaxTextBytes = 4096;

struct TextChunk {
    std::uint32_t id;
    const char* label;
};

constexpr TextChunk kTextChunks[] = {
    {Id("(c) "), "Copyright:"},
    {Id("ANNO"), "Annotation:"},
    {Id("AUTH"), "Author:"},
    {Id("NAME"), "Name:"},
};

void Diagnostic(const char* text) {
    std::fputs(text, stderr);
}

} // namespace

IffRead::IffRead(std::istream& stream, std::int64_t byteLength)
    : stream(stream), byteLength(byteLength) {
    fileFormat = FileFormatIff;
    WalkStep();
    if (top != 0 || stack[0].chunkId != Id("FORM") || !stack[0].isContainer ||
        stack[0].containerType != Id("8SVX")) {
        throw SoundError("Unexpected chunk in IFF file");
    }
    SelectDecoder();
}

IffRead::~IffRead() = default;

void IffRead::CloseIntoParent(std::int64_t closedSize, const char* tooLarge) {
    if (top < 0) {
        return;
    }
    ChunkState& parent = stack[top];
    if (!parent.isContainer) {
        throw SoundError("Unexpected chunk found in non-Container");
    }
    if (parent.remaining < closedSize + 8) {
        Diagnostic(tooLarge);
        parent.remaining = 0;
    } else {
        parent.remaining -= closedSize + 8;
    }
}

bool IffRead::WalkStep() {
    if (top >= 0 && !stack[top].isContainer) {
        ChunkState& chunk = stack[top];
        if ((chunk.size & 1) != 0) {
            ++chunk.size;
            ++chunk.remaining;
        }
        stream.ignore(chunk.remaining);
        const std::int64_t closed = chunk.size;
        --top;
        if (top < 0) {
            throw SoundError("Unexpected chunk found in non-Container");
        }
        CloseIntoParent(closed, "Error: Chunk is too large to fit in container!?!?\n");
    }
    while (top >= 0 && stack[top].remaining <= 7) {
        stream.ignore(std::max<std::int64_t>(stack[top].remaining, 0));
        const std::int64_t closed = stack[top].size;
        --top;
        CloseIntoParent(closed, "Error in WAVE file: Chunk is too large to fit!?!?\n");
    }
    const std::uint32_t id = ReadIntMsb(stream, 4);
    const std::uint32_t size = ReadIntMsb(stream, 4);
    if (!stream) {
        top = -1;
        return false;
    }
    if (top + 1 >= kMaxDepth) {
        throw SoundError("IFF chunks nested too deeply");
    }
    ++top;
    stack[top] = ChunkState{id, size, size, false, 0};
    return HandleChunk();
}

bool IffRead::HandleChunk() {
    ChunkState& chunk = stack[top];
    if (top == 0 && chunk.chunkId != Id("FORM")) {
        Diagnostic("Outermost chunk is not FORM ?!?!\n");
        top = -1;
        return false;
    }
    if (chunk.chunkId == Id("FORM")) {
        chunk.isContainer = true;
        chunk.containerType = ReadIntMsb(stream, 4);
        chunk.remaining -= 4;
        if (top != 0) {
            Diagnostic("FORM chunk seen at inner level?!?!\n");
        }
    } else if (chunk.chunkId == Id("VHDR")) {
        if (top != 1) {
            Diagnostic("VHDR chunk seen at wrong level?!?!\n");
        }
        // The fields used lie in the first 20 bytes; a longer body's rest is skipped.
        std::fill_n(vhdr, kVhdrLength, 0);
        stream.read(reinterpret_cast<char*>(vhdr), std::min<std::int64_t>(chunk.size, kVhdrLength));
        vhdrLength = static_cast<int>(stream.gcount());
        chunk.remaining -= vhdrLength;
    } else if (chunk.chunkId == Id("BODY")) {
        if (vhdrLength > 0) {
            const std::int64_t oneShot = BytesToIntMsb(vhdr, 4);
            if (chunk.size == 0) {
                Diagnostic(oneShot != 0 ? "IFF/8SVX file has samples, but the body has no data!?\n"
                                          "Maybe the body is damaged, I'll try anyway...\n"
                                        : "IFF/8SVX file says it has no data!?\n"
                                          "I'll try to play something anyway, here goes...\n");
            } else if (oneShot == 0) {
                Diagnostic("IFF/8SVX file has data in the body, but no samples?!\n"
                           "Maybe the header is damaged, I'll try anyway...\n");
            }
            // The header's count, but never more than the body and the file can hold.
            std::int64_t bodyBytes = chunk.size;
            const std::int64_t here = stream.tellg();
            if (byteLength > 0 && here >= 0) {
                bodyBytes = std::min(bodyBytes, std::max<std::int64_t>(byteLength - here, 0));
            }
            const std::int64_t perByte = vhdr[15] == 1 || vhdr[15] == 2 ? 2 : 1;
            dataLength = std::min(oneShot, bodyBytes * perByte) * 4;
        }
    } else {
        for (const TextChunk& text : kTextChunks) {
            if (chunk.chunkId == text.id) {
                std::string body(
                    static_cast<std::size_t>(std::min<std::int64_t>(chunk.size, kMaxTextBytes)),
                    '\0');
                stream.read(body.data(), static_cast<std::streamsize>(body.size()));
                body.resize(static_cast<std::size_t>(stream.gcount()));
                chunk.remaining -= static_cast<std::int64_t>(body.size());
                std::fprintf(stderr, "%s %s\n", text.label, body.c_str());
            }
        }
    }
    return true;
}

void IffRead::SelectDecoder() {
    while (top < 0 || stack[top].chunkId != Id("BODY")) {
        if (!WalkStep()) {
            throw SoundError("BODY chunk not found");
        }
    }
    if (vhdrLength == 0) {
        throw SoundError("VHDR chunk not found");
    }
    if (BytesToIntMsb(vhdr + 12, 2) == 0) {
        throw SoundError("IFF/8SVX file has no sampling rate");
    }
    switch (vhdr[15]) {
    case 0:
        decompressor = std::make_unique<DecompressPcm8Signed>(this);
        compressionKind = CompressionPcm8;
        break;
    case 1:
        decompressor = std::make_unique<DecompressDpcmFibonacci>(this);
        compressionKind = CompressionDpcmFibonacci;
        break;
    case 2:
        decompressor = std::make_unique<DecompressDpcmExponential>(this);
        compressionKind = CompressionDpcmExponential;
        break;
    default:
        throw SoundError("Unsupported IFF/8SVX compression type: ", vhdr[15], true);
    }
    bitsPerSample = decompressor->BitsPerSample();
}

int IffRead::ReadBytes(std::uint8_t* buffer, int length) {
    while (top < 0 || stack[top].chunkId != Id("BODY")) {
        if (!WalkStep()) {
            return 0;
        }
    }
    ChunkState& body = stack[top];
    const std::int64_t wanted = std::min<std::int64_t>(length, body.remaining);
    if (wanted <= 0) {
        return 0;
    }
    stream.read(reinterpret_cast<char*>(buffer), wanted);
    const std::int64_t got = stream.gcount();
    body.remaining -= got;
    return static_cast<int>(got);
}

int IffRead::GetSamples(float* buffer, int count) {
    return decompressor->GetSamples(buffer, count);
}

void IffRead::MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) {
    minRate = maxRate = preferred = static_cast<int>(BytesToIntMsb(vhdr + 12, 2));
}

void IffRead::MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) {
    minChannels = maxChannels = preferred = 1;
}
