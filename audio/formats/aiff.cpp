#include "audio/formats/aiff.h"

#include <climits>
#include <istream>
#include <ostream>
#include <string>

#include "audio/byte_order.h"
#include "audio/codecs/g711.h"
#include "audio/codecs/ima_adpcm.h"
#include "audio/codecs/pcm.h"
#include "audio/format_codes.h"
#include "audio/formats/stream_read.h"
#include "audio/sound_error.h"

namespace {

constexpr std::uint32_t kForm = FourCc("FORM");
constexpr std::uint32_t kComm = FourCc("COMM");
constexpr std::uint32_t kSsnd = FourCc("SSND");
constexpr std::uint32_t kAifcVersion = 0xA2805140;

// AIFF-C COMM bodies end in a short name of the compression; anything near this is not COMM.
constexpr std::int64_t kMaxCommSize = 1024;

constexpr ItemChunkId kTextIds[] = {
    {ItemTitle, FourCc("NAME")},
    {ItemArtist, FourCc("AUTH")},
    {ItemCopyright, FourCc("(c) ")},
    {ItemComment, FourCc("ANNO")},
};

std::string Letters(std::uint32_t id) {
    return {static_cast<char>(id >> 24), static_cast<char>(id >> 16), static_cast<char>(id >> 8),
            static_cast<char>(id)};
}

} // namespace

void EncodeAiffRate(int rate, std::uint8_t bytes[10]) {
    for (int i = 0; i < 10; ++i) {
        bytes[i] = 0;
    }
    if (rate == 0) {
        return;
    }
    std::uint64_t magnitude = rate < 0 ? -static_cast<std::int64_t>(rate) : rate;
    int top = 63;
    while ((magnitude >> top) == 0) {
        --top;
    }
    const std::uint64_t mantissa = magnitude << (63 - top);
    const std::uint32_t signAndExponent = (rate < 0 ? 0x8000u : 0u) | (16383u + top);
    bytes[0] = static_cast<std::uint8_t>(signAndExponent >> 8);
    bytes[1] = static_cast<std::uint8_t>(signAndExponent);
    for (int i = 0; i < 8; ++i) {
        bytes[2 + i] = static_cast<std::uint8_t>(mantissa >> (56 - 8 * i));
    }
}

int DecodeAiffRate(const std::uint8_t bytes[10]) {
    const int signAndExponent = static_cast<int>(BytesToIntMsb(bytes, 2));
    const std::uint32_t mantissaHigh = BytesToIntMsb(bytes + 2, 4);
    // A mask, not %: the difference is negative for every real rate.
    const std::uint32_t rate = mantissaHigh >> ((30 - signAndExponent) & 31);
    return rate > INT_MAX ? 0 : static_cast<int>(rate);
}

AiffRead::AiffRead(std::istream& stream, std::int64_t byteLength)
    : stream(stream), byteLength(byteLength), walk(stream) {
    fileFormat = FileFormatAiff;
    const IffChunkWalk::Handler handler = [this](IffChunkWalk& w) { HandleChunk(w); };
    walk.Step(handler);
    const std::uint32_t type = walk.Top() == 0 ? walk.At(0).containerType : 0;
    if (walk.Top() != 0 || walk.At(0).chunkId != kForm || !walk.At(0).isContainer ||
        (type != FourCc("AIFF") && type != FourCc("AIFC"))) {
        throw SoundError("Unexpected chunk in AIFF file");
    }
    bool found = true;
    while (!walk.InnermostIs(kSsnd)) {
        if (!walk.Step(handler)) {
            found = false;
            break;
        }
    }
    if (comm.empty()) {
        throw SoundError("COMM chunk not found");
    }
    if (!found) {
        throw SoundError("No audio data in AIFF file");
    }
    dataStart = static_cast<std::int64_t>(stream.tellg());
    atData = walk.Save();
    SelectDecoder();
}

AiffRead::~AiffRead() = default;

void AiffRead::HandleChunk(IffChunkWalk& w) {
    IffChunkState& chunk = w.Innermost();
    switch (chunk.chunkId) {
    case FourCc("FVER"):
        if (w.ReadInt(4) != kAifcVersion) {
            throw SoundError("Unrecognized AIFC file format");
        }
        return;
    case kComm:
        if (w.Top() != 1) {
            FormatDiagnostic("COMM chunk seen at wrong level?!?!\n");
        }
        if (chunk.size < 18 || chunk.size > kMaxCommSize) {
            throw SoundError("Corrupted COMM chunk in AIFF file");
        }
        comm = w.ReadBody(chunk.size);
        if (comm.size() < 18) {
            throw SoundError("Corrupted COMM chunk in AIFF file");
        }
        return;
    case kSsnd:
        // Offset and block size; the offset is not applied.
        w.ReadInt(4);
        w.ReadInt(4);
        return;
    default:
        break;
    }
    const int itemCode = ItemCodeOfChunkId(kTextIds, chunk.chunkId);
    if (itemCode != 0) {
        std::vector<std::uint8_t> text = w.ReadBody(chunk.size);
        text.push_back(0);
        chunks.SetItem(itemCode, text.data(), text.size());
    }
}

void AiffRead::SelectDecoder() {
    const int channelCount = static_cast<int>(BytesToIntMsb(comm.data(), 2));
    const std::int64_t frames = BytesToIntMsb(comm.data() + 2, 4);
    const int bits = static_cast<int>(BytesToIntMsb(comm.data() + 6, 2));
    const int rate = DecodeAiffRate(comm.data() + 8);
    // Later stages divide by both.
    if (channelCount < 1 || rate < 1) {
        throw SoundError("Corrupted COMM chunk in AIFF file");
    }
    fileChannels = channelCount;
    fileRate = rate;
    const std::uint32_t type =
        comm.size() < 22 ? FourCc("NONE") : BytesToIntMsb(comm.data() + 18, 4);
    dataLength = std::int64_t{channelCount} * frames * 4;
    switch (type) {
    case FourCc("NONE"):
        if (bits <= 8) {
            compressionKind = CompressionPcm8;
            decompressor = std::make_unique<DecompressPcm8Signed>(this);
        } else if (bits <= 16) {
            compressionKind = CompressionPcm16;
            decompressor = std::make_unique<DecompressPcm16MsbSigned>(this);
        } else if (bits <= 24) {
            compressionKind = CompressionPcm24;
            decompressor = std::make_unique<DecompressPcm24MsbSigned>(this);
        }
        break;
    case FourCc("ulaw"):
        compressionKind = CompressionMuLaw;
        decompressor = std::make_unique<DecompressG711MuLaw>(this);
        break;
    case FourCc("alaw"):
        compressionKind = CompressionALaw;
        decompressor = std::make_unique<DecompressG711ALaw>(this);
        break;
    case FourCc("ima4"):
        // The frame count counts packets of 64 samples.
        compressionKind = CompressionImaAdpcmApple;
        decompressor = std::make_unique<DecompressImaAdpcmApple>(this, channelCount);
        dataLength = std::int64_t{channelCount} * frames * 256;
        break;
    default:
        break;
    }
    if (!decompressor) {
        throw SoundError("Unsupported AIFF-C compression type ", Letters(type));
    }
    bitsPerSample = decompressor->BitsPerSample();
}

int AiffRead::GetSamples(float* buffer, int count) {
    return decompressor->GetSamples(buffer, count);
}

int AiffRead::ReadBytes(std::uint8_t* buffer, int length) {
    const IffChunkWalk::Handler handler = [this](IffChunkWalk& w) { HandleChunk(w); };
    while (!walk.InnermostIs(kSsnd)) {
        if (!walk.Step(handler)) {
            return 0;
        }
    }
    return walk.Read(buffer, length);
}

bool AiffRead::Seek(std::int64_t sampleIndex) {
    const std::int64_t offset = std::max<std::int64_t>(decompressor->PrepareSeek(sampleIndex), 0);
    stream.clear();
    stream.seekg(dataStart + offset);
    if (stream.fail()) {
        return false;
    }
    walk.Restore(atData);
    IffChunkState& data = walk.Innermost();
    data.remaining = std::max<std::int64_t>(data.remaining - offset, 0);
    return true;
}

void AiffRead::MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) {
    minRate = maxRate = preferred = fileRate;
}

void AiffRead::MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) {
    minChannels = maxChannels = preferred = fileChannels;
}

// ---------------------------------------------------------------------------------------------

namespace {

struct AiffEncoding {
    int code;
    int bits;
    std::uint32_t compressionType; // 0: plain AIFF
    std::unique_ptr<AbstractCompressor> (*make)(AudioAbstract*);
};

constexpr AiffEncoding kAiffEncodings[] = {
    {CompressionMuLaw, 8, FourCc("ulaw"), MakeEncoder<CompressG711MuLaw>},
    {CompressionALaw, 8, FourCc("alaw"), MakeEncoder<CompressG711ALaw>},
    {CompressionPcm8, 8, 0, MakeEncoder<CompressPcm8Signed>},
    {CompressionPcm16, 16, 0, MakeEncoder<CompressPcm16MsbSigned>},
    {CompressionPcm24, 24, 0, MakeEncoder<CompressPcm24MsbSigned>},
};

// A chunk of the list that goes into the file: an item with an AIFF text id, without its
// trailing NUL bytes, or a foreign chunk read from an AIFF file.
struct TextChunk {
    std::uint32_t id = 0;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

std::vector<TextChunk> TextChunksOf(const AudioChunkList* list) {
    std::vector<TextChunk> out;
    for (std::size_t i = 0; list != nullptr && i < list->Count(); ++i) {
        const AudioChunk& chunk = list->At(i);
        TextChunk text{0, chunk.data.data(), chunk.size};
        if (chunk.itemCode != 0) {
            text.id = ChunkIdOfItemCode(kTextIds, chunk.itemCode);
            while (text.size > 0 && text.data[text.size - 1] == 0) {
                --text.size;
            }
        } else if (chunk.formatCode == FileFormatAiff) {
            text.id = static_cast<std::uint32_t>(chunk.chunkId);
        }
        if (text.id != 0) {
            out.push_back(text);
        }
    }
    return out;
}

} // namespace

AiffWrite::AiffWrite(std::ostream& stream, std::int64_t frames, int channels, int rate,
                     int compressionCode, const AudioChunkList* chunkList)
    : AudioFileWriter(stream, frames, channels, rate, compressionCode,
                      EncodingOf(kAiffEncodings, compressionCode).bits) {
    const AiffEncoding& encoding = EncodingOf(kAiffEncodings, compressionCode);
    const bool aifc = encoding.compressionType != 0;
    const std::vector<TextChunk> texts = TextChunksOf(chunkList);
    std::int64_t textBytes = 0;
    for (const TextChunk& text : texts) {
        textBytes += 8 + static_cast<std::int64_t>(text.size + (text.size & 1));
    }
    // FORM size without the data: the form type, the chunks and the SSND header.
    const std::int64_t header = textBytes + (aifc ? 62 : 46);
    const std::int64_t data = DataBytesFor(header + 1);

    WriteIntMsb(stream, kForm, 4);
    // The pad byte after odd data belongs to the FORM as well.
    WriteIntMsb(stream, static_cast<std::uint32_t>(header + data + (data & 1)), 4);
    WriteIntMsb(stream, aifc ? FourCc("AIFC") : FourCc("AIFF"), 4);
    if (aifc) {
        WriteIntMsb(stream, FourCc("FVER"), 4);
        WriteIntMsb(stream, 4, 4);
        WriteIntMsb(stream, kAifcVersion, 4);
    }
    WriteIntMsb(stream, kComm, 4);
    WriteIntMsb(stream, aifc ? 22 : 18, 4);
    WriteIntMsb(stream, static_cast<std::uint32_t>(this->channels), 2);
    WriteIntMsb(stream, static_cast<std::uint32_t>(this->frames), 4);
    WriteIntMsb(stream, static_cast<std::uint32_t>(bits), 2);
    std::uint8_t extended[10];
    EncodeAiffRate(rate, extended);
    stream.write(reinterpret_cast<const char*>(extended), sizeof extended);
    if (aifc) {
        WriteIntMsb(stream, encoding.compressionType, 4);
    }
    for (const TextChunk& text : texts) {
        WriteIntMsb(stream, text.id, 4);
        WriteIntMsb(stream, static_cast<std::uint32_t>(text.size + (text.size & 1)), 4);
        stream.write(reinterpret_cast<const char*>(text.data),
                     static_cast<std::streamsize>(text.size));
        if ((text.size & 1) != 0) {
            stream.put(' ');
        }
    }
    WriteIntMsb(stream, kSsnd, 4);
    WriteIntMsb(stream, static_cast<std::uint32_t>(data + 8), 4);
    WriteIntMsb(stream, 0, 4);
    WriteIntMsb(stream, 0, 4);
    MarkDataStart();
}

AiffWrite::~AiffWrite() {
    FinishData(true);
}

std::unique_ptr<AbstractCompressor> AiffWrite::MakeCompressor() {
    return EncodingOf(kAiffEncodings, compressionCode).make(this);
}
