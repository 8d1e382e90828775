#include "audio/formats/iff.h"

#include <algorithm>
#include <istream>
#include <string>
#include <vector>

#include "audio/byte_order.h"
#include "audio/codecs/dpcm8svx.h"
#include "audio/codecs/pcm.h"
#include "audio/format_codes.h"
#include "audio/formats/stream_read.h"
#include "audio/sound_error.h"

namespace {

constexpr std::uint32_t kForm = FourCc("FORM");
constexpr std::uint32_t kVhdr = FourCc("VHDR");
constexpr std::uint32_t kBody = FourCc("BODY");
// Only this much of a text chunk reaches the diagnostics; the rest is skipped.
constexpr std::int64_t kMaxTextBytes = 4096;

struct TextChunk {
    std::uint32_t id;
    const char* label;
};

constexpr TextChunk kTextChunks[] = {
    {FourCc("(c) "), "Copyright: "},
    {FourCc("ANNO"), "Annotation: "},
    {FourCc("AUTH"), "Author: "},
    {FourCc("NAME"), "Name: "},
};

} // namespace

IffRead::IffRead(std::istream& stream, std::int64_t byteLength)
    : stream(stream), byteLength(byteLength), walk(stream) {
    fileFormat = FileFormatIff;
    walk.Step([this](IffChunkWalk& w) { HandleChunk(w); });
    if (walk.Top() != 0 || walk.At(0).chunkId != kForm || !walk.At(0).isContainer ||
        walk.At(0).containerType != FourCc("8SVX")) {
        throw SoundError("Unexpected chunk in IFF file");
    }
    SelectDecoder();
}

IffRead::~IffRead() = default;

void IffRead::HandleChunk(IffChunkWalk& w) {
    IffChunkState& chunk = w.Innermost();
    if (chunk.chunkId == kVhdr) {
        if (w.Top() != 1) {
            FormatDiagnostic("VHDR chunk seen at wrong level?!?!\n");
        }
        // The fields used lie in the first 20 bytes; a longer body's rest is skipped.
        const std::vector<std::uint8_t> body = w.ReadBody(kVhdrLength);
        std::fill_n(vhdr, kVhdrLength, 0);
        std::copy(body.begin(), body.end(), vhdr);
        vhdrLength = static_cast<int>(body.size());
    } else if (chunk.chunkId == kBody) {
        if (vhdrLength == 0) {
            return;
        }
        const std::int64_t oneShot = BytesToIntMsb(vhdr, 4);
        if (chunk.size == 0) {
            FormatDiagnostic(oneShot != 0
                                 ? "IFF/8SVX file has samples, but the body has no data!?\n"
                                   "Maybe the body is damaged, I'll try anyway...\n"
                                 : "IFF/8SVX file says it has no data!?\n"
                                   "I'll try to play something anyway, here goes...\n");
        } else if (oneShot == 0) {
            FormatDiagnostic("IFF/8SVX file has data in the body, but no samples?!\n"
                             "Maybe the header is damaged, I'll try anyway...\n");
        }
        // The header's count, but never more than the body and the file can hold.
        std::int64_t bodyBytes = chunk.size;
        const std::int64_t here = stream.tellg();
        if (byteLength > 0 && here >= 0) {
            bodyBytes = std::min(bodyBytes, std::max<std::int64_t>(byteLength - here, 0));
        }
        const std::int64_t samplesPerByte = vhdr[15] == 1 || vhdr[15] == 2 ? 2 : 1;
        dataLength = std::min(oneShot, bodyBytes * samplesPerByte) * 4;
    } else {
        for (const TextChunk& text : kTextChunks) {
            if (chunk.chunkId == text.id) {
                const std::vector<std::uint8_t> body = w.ReadBody(kMaxTextBytes);
                // The text ends at its first NUL, if it has one.
                const std::string line =
                    std::string(text.label) + std::string(body.begin(), body.end()).c_str() + "\n";
                FormatDiagnostic(line.c_str());
            }
        }
    }
}

bool IffRead::WalkToBody() {
    while (!walk.InnermostIs(kBody)) {
        if (!walk.Step([this](IffChunkWalk& w) { HandleChunk(w); })) {
            return false;
        }
    }
    return true;
}

void IffRead::SelectDecoder() {
    if (!WalkToBody()) {
        throw SoundError("BODY chunk not found");
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
    return WalkToBody() ? walk.Read(buffer, length) : 0;
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
