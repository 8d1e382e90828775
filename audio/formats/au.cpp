#include "audio/formats/au.h"

#include <algorithm>
#include <climits>
#include <istream>
#include <ostream>

#include "audio/byte_order.h"
#include "audio/codecs/g711.h"
#include "audio/codecs/pcm.h"
#include "audio/format_codes.h"
#include "audio/formats/stream_read.h"
#include "audio/sound_error.h"

namespace {

constexpr std::uint32_t kMagic = FourCc(".snd");
constexpr std::uint32_t kHeaderBytes = 24;
// Data sizes above this mark an unknown size.
constexpr std::uint32_t kUnknownSize = 0x0FFFFFFF;

template <class Codec> std::unique_ptr<AbstractDecompressor> MakeDecoder(AudioAbstract* reader) {
    return std::make_unique<Codec>(reader);
}

struct AuEncoding {
    std::uint32_t encoding;
    int code;
    int bits;
    std::unique_ptr<AbstractDecompressor> (*decoder)(AudioAbstract*);
    std::unique_ptr<AbstractCompressor> (*encoder)(AudioAbstract*);
};

constexpr AuEncoding kAuEncodings[] = {
    {1, CompressionMuLaw, 8, MakeDecoder<DecompressG711MuLaw>, MakeEncoder<CompressG711MuLaw>},
    {2, CompressionPcm8, 8, MakeDecoder<DecompressPcm8Signed>, MakeEncoder<CompressPcm8Signed>},
    {3, CompressionPcm16, 16, MakeDecoder<DecompressPcm16MsbSigned>,
     MakeEncoder<CompressPcm16MsbSigned>},
    {4, CompressionPcm24, 24, MakeDecoder<DecompressPcm24MsbSigned>,
     MakeEncoder<CompressPcm24MsbSigned>},
    {27, CompressionALaw, 8, MakeDecoder<DecompressG711ALaw>, MakeEncoder<CompressG711ALaw>},
};

const AuEncoding* ByEncoding(std::uint32_t encoding) {
    for (const AuEncoding& entry : kAuEncodings) {
        if (entry.encoding == encoding) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace

AuRead::AuRead(std::istream& stream, std::int64_t byteLength)
    : stream(stream), byteLength(byteLength) {
    fileFormat = FileFormatAu;
}

AuRead::~AuRead() = default;

void AuRead::ReadHeader() {
    headerRead = true;
    std::uint8_t header[kHeaderBytes];
    stream.read(reinterpret_cast<char*>(header), sizeof header);
    const std::int64_t headerSize = BytesToIntMsb(header + 4, 4);
    if (stream.gcount() < static_cast<std::streamsize>(sizeof header) ||
        BytesToIntMsb(header, 4) != kMagic || headerSize < kHeaderBytes) {
        throw SoundError("Input file is not a AU format");
    }
    const std::uint32_t dataSize = BytesToIntMsb(header + 8, 4);
    const std::uint32_t encoding = BytesToIntMsb(header + 12, 4);
    const std::uint32_t rate = BytesToIntMsb(header + 16, 4);
    const std::uint32_t channelCount = BytesToIntMsb(header + 20, 4);
    // Later stages divide by both.
    if (channelCount < 1 || channelCount > INT_MAX) {
        throw SoundError("Bad number of channels in AU file: ", channelCount, false);
    }
    if (rate < 1 || rate > INT_MAX) {
        throw SoundError("Bad sampling rate in AU file: ", rate, false);
    }
    fileChannels = static_cast<int>(channelCount);
    fileRate = static_cast<int>(rate);

    SkipBytes(stream, headerSize - kHeaderBytes);
    dataBytes = dataSize;
    if (byteLength > 0 || dataSize > kUnknownSize) {
        dataBytes = std::max<std::int64_t>(0, byteLength - headerSize);
    }
    remaining = dataBytes;
    const auto position = static_cast<std::int64_t>(stream.tellg());
    dataStart = position >= 0 ? position : headerSize;

    const AuEncoding* entry = ByEncoding(encoding);
    if (entry == nullptr) {
        throw SoundError("Unsupported AU format: ", encoding, true);
    }
    decompressor = entry->decoder(this);
    compressionKind = entry->code;
    dataLength = entry->bits == 8    ? dataBytes * 4
                 : entry->bits == 16 ? dataBytes * 2
                                     : dataBytes * 4 / 3;
    bitsPerSample = decompressor->BitsPerSample();
}

void AuRead::RequireHeader() const {
    if (!decompressor) {
        throw SoundError("AU data read before its header");
    }
}

void AuRead::MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) {
    if (!headerRead) {
        ReadHeader();
    }
    minRate = maxRate = preferred = fileRate;
}

void AuRead::MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) {
    if (!headerRead) {
        ReadHeader();
    }
    minChannels = maxChannels = preferred = fileChannels;
}

int AuRead::GetSamples(float* buffer, int count) {
    RequireHeader();
    return decompressor->GetSamples(buffer, count);
}

int AuRead::ReadBytes(std::uint8_t* buffer, int length) {
    RequireHeader();
    return ReadWithin(stream, buffer, length, remaining);
}

bool AuRead::Seek(std::int64_t sampleIndex) {
    RequireHeader();
    const std::int64_t offset = std::max<std::int64_t>(decompressor->PrepareSeek(sampleIndex), 0);
    stream.clear();
    stream.seekg(dataStart + offset);
    if (stream.fail()) {
        return false;
    }
    remaining = std::max<std::int64_t>(dataBytes - offset, 0);
    return true;
}

// ---------------------------------------------------------------------------------------------

AuWrite::AuWrite(std::ostream& stream, std::int64_t frames, int channels, int rate,
                 int compressionCode)
    : AudioFileWriter(stream, frames, channels, rate, compressionCode,
                      EncodingOf(kAuEncodings, compressionCode).bits) {
    const AuEncoding& entry = EncodingOf(kAuEncodings, compressionCode);
    const std::int64_t data = DataBytesFor(28);
    WriteIntMsb(stream, kMagic, 4);
    WriteIntMsb(stream, 28, 4);
    WriteIntMsb(stream, static_cast<std::uint32_t>(data), 4);
    WriteIntMsb(stream, entry.encoding, 4);
    WriteIntMsb(stream, static_cast<std::uint32_t>(rate), 4);
    WriteIntMsb(stream, static_cast<std::uint32_t>(this->channels), 4);
    WriteIntMsb(stream, 0, 4);
    MarkDataStart();
}

AuWrite::~AuWrite() {
    FinishData(false);
}

std::unique_ptr<AbstractCompressor> AuWrite::MakeCompressor() {
    return EncodingOf(kAuEncodings, compressionCode).encoder(this);
}
