#include "audio/formats/voc.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <istream>
#include <string>

#include "audio/byte_order.h"
#include "audio/codecs/pcm.h"
#include "audio/format_codes.h"
#include "audio/formats/render_limit.h"
#include "audio/sound_error.h"

namespace {

constexpr char kSignature[] = "Creative Voice File\x1A";
constexpr int kSignatureLength = 20;
// Blocks read in a row without any sound: a repeat of markers only would otherwise loop on.
constexpr int kMaxBlocksWithoutSound = 100000;
// Only this much of a text block reaches the diagnostics.
constexpr std::int64_t kMaxCommentBytes = 4096;

void Diagnostic(const std::string& text) {
    std::fputs(text.c_str(), stderr);
}

void WarnLength(const char* what, std::uint32_t length, std::uint32_t expected) {
    if (length != expected) {
        Diagnostic(std::string(what) + std::to_string(length) + "(should be " +
                   std::to_string(expected) + ")\n");
    }
}

} // namespace

VocRead::VocRead(std::istream& stream, std::int64_t byteLength)
    : stream(stream), byteLength(byteLength) {
    fileFormat = FileFormatVoc;
    ReadHeader();
    ReadBlock();
    while (blockType != 0 && blockType != 1 && blockType != 8 && blockType != 9) {
        if (blockType == 3) {
            leadingSilence += remaining;
            remaining = 0;
        }
        ReadBlock();
    }
    if (!decompressor) {
        throw SoundError("No sound data in VOC file");
    }
    // Silence read before the channel count was known counted frames.
    leadingSilence *= fileChannels;
}

VocRead::~VocRead() = default;

void VocRead::ReadHeader() {
    char signature[kSignatureLength] = {};
    stream.read(signature, kSignatureLength);
    if (stream.gcount() != kSignatureLength ||
        std::memcmp(signature, kSignature, kSignatureLength) != 0) {
        throw SoundError("Not a VOC file");
    }
    const std::uint32_t headerSize = ReadIntLsb(stream, 2);
    if (!stream || headerSize <= 25) {
        throw SoundError("VOC file corrupted");
    }
    const std::uint32_t version = ReadIntLsb(stream, 2);
    const std::uint32_t check = ReadIntLsb(stream, 2);
    if (((version + check) & 0xFFFF) != 0x1233) {
        Diagnostic("This VOC file may be corrupted.\n");
    }
    if (headerSize > 26) {
        stream.ignore(headerSize - 26);
    }
}

void VocRead::SetRateIfUnset(std::int64_t rate) {
    if (fileRate < 0) {
        fileRate = rate;
    }
}

void VocRead::SkipBlockRest(std::int64_t length, std::int64_t fieldBytes) {
    // Fields are read whatever the stated length; a longer block's extra bytes are passed
    // over so that the next block starts where the file says it does.
    if (length > fieldBytes) {
        stream.ignore(length - fieldBytes);
    }
}

void VocRead::CreateDecoder() {
    if (decompressor) {
        return;
    }
    if (fileRate <= 0 || fileRate > 0x7FFFFFFF || fileChannels <= 0) {
        throw SoundError("VOC file corrupted");
    }
    const std::int64_t bodyBytes = std::max<std::int64_t>(byteLength - 8, 0);
    switch (compression) {
    case 0:
        decompressor = std::make_unique<DecompressPcm8Unsigned>(this);
        compressionKind = CompressionPcm8;
        dataLength = bodyBytes * 4;
        break;
    case 4:
        decompressor = std::make_unique<DecompressPcm16LsbSigned>(this);
        compressionKind = CompressionPcm16;
        dataLength = bodyBytes / 2 * 4;
        break;
    default:
        throw SoundError("Unsupported VOC compression type: ", compression, true);
    }
    bitsPerSample = decompressor->BitsPerSample();
}

void VocRead::ReadBlock() {
    remaining = 0;
    if (++blocksWithoutSound > kMaxBlocksWithoutSound) {
        blockType = 0;
        return;
    }
    const int type = stream.get();
    if (type == std::char_traits<char>::eof() || !stream) {
        blockType = 0;
        return;
    }
    blockType = type;
    if (type == 0) {
        return;
    }
    const std::uint32_t length = ReadIntLsb(stream, 3);
    switch (type) {
    case 1: {
        const std::uint32_t timeConstant = ReadIntLsb(stream, 1);
        const int pack = static_cast<int>(ReadIntLsb(stream, 1));
        SetRateIfUnset(1000000 / (256 - timeConstant));
        if (compression < 0) {
            compression = pack;
        }
        if (fileChannels < 0) {
            fileChannels = 1;
        }
        if (bits < 0) {
            bits = 8;
        }
        CreateDecoder();
        remaining = std::max<std::int64_t>(std::int64_t{length} - 2, 0);
        break;
    }
    case 2:
        if (decompressor) {
            remaining = length;
        } else {
            // Continued sound with nothing before it has no format to decode it by.
            stream.ignore(length);
        }
        break;
    case 3: {
        WarnLength("VOC Silence Block has length ", length, 3);
        const std::uint32_t silence = ReadIntLsb(stream, 2);
        const std::uint32_t timeConstant = ReadIntLsb(stream, 1);
        SkipBlockRest(length, 3);
        SetRateIfUnset(1000000 / (256 - timeConstant));
        // A frame of silence per count, across every channel, so that channels stay aligned.
        remaining = (std::int64_t{silence} + 1) * (fileChannels > 0 ? fileChannels : 1);
        break;
    }
    case 4: {
        WarnLength("VOC Marker Block has length ", length, 2);
        const std::uint32_t marker = ReadIntLsb(stream, 2);
        SkipBlockRest(length, 2);
        Diagnostic("VOC Marker: " + std::to_string(marker) + "\n");
        break;
    }
    case 5: {
        std::string text(static_cast<std::size_t>(std::min<std::int64_t>(length, kMaxCommentBytes)),
                         '\0');
        stream.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(std::strlen(text.c_str()));
        SkipBlockRest(length, kMaxCommentBytes);
        Diagnostic("Comment: " + text + "\n");
        break;
    }
    case 6: {
        WarnLength("VOC Repeat Loop Block has length ", length, 2);
        Diagnostic("Start of VOC Repeat Block.\n");
        const std::uint32_t count = ReadIntLsb(stream, 2);
        SkipBlockRest(length, 2);
        if (repeatDepth + 1 >= kMaxRepeatDepth) {
            throw SoundError("Too many nested repeats");
        }
        ++repeatDepth;
        repeatCounts[repeatDepth] = static_cast<int>(count);
        repeatPositions[repeatDepth] = static_cast<std::int64_t>(stream.tellg());
        break;
    }
    case 7:
        WarnLength("VOC `End Repeat' block has length ", length, 0);
        SkipBlockRest(length, 0);
        if (repeatDepth < 0) {
            Diagnostic("Improper VOC `End Repeat' block.\n");
        } else {
            Diagnostic("End of VOC Repeat Block(" + std::to_string(repeatCounts[repeatDepth]) +
                       ")\n");
            if (repeatCounts[repeatDepth] > 0) {
                --repeatCounts[repeatDepth];
                stream.seekg(repeatPositions[repeatDepth]);
            } else {
                --repeatDepth;
            }
        }
        break;
    case 8: {
        WarnLength("VOC Extension Block 8 has length ", length, 4);
        const std::uint32_t timeConstant = ReadIntLsb(stream, 2);
        const int pack = static_cast<int>(ReadIntLsb(stream, 1));
        const int mode = static_cast<int>(ReadIntLsb(stream, 1));
        SetRateIfUnset(256000000 / (65536 - timeConstant));
        if (compression < 0) {
            compression = pack;
        }
        if (fileChannels < 0) {
            fileChannels = mode + 1;
            fileRate /= fileChannels;
        }
        if (bits < 0) {
            bits = 8;
        }
        CreateDecoder();
        remaining = std::max<std::int64_t>(std::int64_t{length} - 4, 0);
        break;
    }
    case 9: {
        WarnLength("VOC Extension Block 9 has length ", length, 12);
        const std::uint32_t rate = ReadIntLsb(stream, 4);
        const int sampleBits = static_cast<int>(ReadIntLsb(stream, 1));
        const int channelCount = static_cast<int>(ReadIntLsb(stream, 1));
        const int format = static_cast<int>(ReadIntLsb(stream, 2));
        stream.ignore(4);
        SetRateIfUnset(rate);
        if (bits < 0) {
            bits = sampleBits;
        }
        if (fileChannels < 0) {
            fileChannels = channelCount;
        }
        if (compression < 0) {
            compression = format;
        }
        CreateDecoder();
        remaining = std::max<std::int64_t>(std::int64_t{length} - 12, 0);
        break;
    }
    default:
        stream.ignore(length);
        break;
    }
    if (stream.fail()) {
        throw SoundError("Premature end to VOC file");
    }
}

int VocRead::ReadBytes(std::uint8_t* buffer, int length) {
    const std::int64_t wanted = std::min<std::int64_t>(length, remaining);
    if (wanted <= 0) {
        return 0;
    }
    stream.read(reinterpret_cast<char*>(buffer), wanted);
    const std::int64_t got = stream.gcount();
    if (got < wanted) {
        throw SoundError("Premature end to VOC file");
    }
    remaining -= got;
    return static_cast<int>(got);
}

int VocRead::GetSamples(float* buffer, int count) {
    const std::int64_t limit =
        static_cast<std::int64_t>(kMaxRenderSeconds * static_cast<double>(fileRate)) * fileChannels;
    int done = 0;
    while (done < count && produced < limit && blockType != 0) {
        const int wanted = static_cast<int>(std::min<std::int64_t>(count - done, limit - produced));
        int got = 0;
        if (leadingSilence > 0) {
            got = static_cast<int>(std::min<std::int64_t>(wanted, leadingSilence));
            std::fill_n(buffer + done, got, 0.0f);
            leadingSilence -= got;
        } else if (blockType == 1 || blockType == 2 || blockType == 8 || blockType == 9) {
            if (remaining > 0) {
                got = decompressor->GetSamples(buffer + done, wanted);
            }
            if (remaining <= 0 || got == 0) {
                ReadBlock();
            }
        } else if (blockType == 3) {
            got = static_cast<int>(std::min<std::int64_t>(wanted, remaining));
            std::fill_n(buffer + done, got, 0.0f);
            remaining -= got;
            if (remaining <= 0) {
                ReadBlock();
            }
        } else {
            ReadBlock();
        }
        if (got > 0) {
            done += got;
            produced += got;
            blocksWithoutSound = 0;
        }
    }
    return done;
}

void VocRead::MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) {
    minRate = maxRate = preferred = static_cast<int>(fileRate);
}

void VocRead::MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) {
    minChannels = maxChannels = preferred = fileChannels;
}
