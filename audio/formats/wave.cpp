#include "audio/formats/wave.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <istream>
#include <ostream>

#include "audio/byte_order.h"
#include "audio/codecs/g711.h"
#include "audio/codecs/ima_adpcm.h"
#include "audio/codecs/ms_adpcm.h"
#include "audio/codecs/pcm.h"
#include "audio/format_codes.h"
#include "audio/formats/mpeg.h"
#include "audio/formats/stream_read.h"
#include "audio/sound_error.h"

namespace {

constexpr std::uint32_t kRiff = FourCc("RIFF");
constexpr std::uint32_t kList = FourCc("LIST");
constexpr std::uint32_t kWave = FourCc("WAVE");
constexpr std::uint32_t kInfo = FourCc("INFO");
constexpr std::uint32_t kData = FourCc("data");
constexpr std::uint32_t kDisp = FourCc("DISP");

constexpr std::int64_t kMaxChunkSize = 0x7FFFFFFF;
constexpr std::size_t kMaxFmtSize = 512;

constexpr const char* kCorrupted = "Corrupted WAVE file\n";

// INFO ids by metadata item code.
constexpr ItemChunkId kInfoIds[] = {
    {ItemTitle, FourCc("INAM")},   {ItemArtist, FourCc("IART")}, {ItemCopyright, FourCc("ICOP")},
    {ItemComment, FourCc("ICMT")}, {ItemGenre, FourCc("IGNR")},  {ItemSource, FourCc("ISRC")},
};

std::int64_t Even(std::int64_t n) {
    return n + (n & 1);
}

} // namespace

WaveRead::WaveRead(std::istream& stream, std::int64_t byteLength, bool readTrailingChunks)
    : stream(stream), byteLength(byteLength), readTrailingChunks(readTrailingChunks) {
    fileFormat = FileFormatWave;
    NextChunk();
    if (stackTop != 0 || stack[0].chunkId != kRiff || !stack[0].isContainer ||
        stack[0].containerType != kWave) {
        throw SoundError("Unexpected chunk in WAVE file");
    }
    while (stackTop < 0 || stack[stackTop].chunkId != kData) {
        if (!NextChunk()) {
            throw SoundError("Sound data not found");
        }
    }
    if (readTrailingChunks) {
        while (NextChunk()) {
        }
        stream.clear();
        stream.seekg(dataStart);
        stackTop = 0;
        stack[0] = ChunkState{kData, dataSize, dataSize, false, 0};
    }
    SelectDecoder();
}

WaveRead::~WaveRead() = default;

bool WaveRead::NextChunk() {
    if (stackTop >= 0 && !stack[stackTop].isContainer) {
        PopChunk();
    }
    while (stackTop >= 0 && stack[stackTop].remaining < 8) {
        PopChunk();
    }
    if (stackTop < 0 && dataStart != 0) {
        return false;
    }
    std::uint8_t header[8];
    stream.read(reinterpret_cast<char*>(header), sizeof header);
    if (stream.gcount() < static_cast<std::streamsize>(sizeof header)) {
        stackTop = -1;
        return false;
    }
    const std::uint32_t id = BytesToIntMsb(header, 4);
    const std::int64_t size = BytesToIntLsb(header + 4, 4);
    // Sizes of 2 GB and more cannot be right in a file whose fields are signed 32-bit.
    if (size > kMaxChunkSize || (byteLength > 0 && size > byteLength)) {
        if (dataStart != 0) {
            // Truncated metadata after the sound: ignore it.
            stackTop = -1;
            return false;
        }
        throw SoundError("Corrupted chunk size in wav file");
    }
    if (stackTop + 1 >= kMaxDepth) {
        throw SoundError("Chunks nested too deeply in WAVE file");
    }
    stack[++stackTop] = ChunkState{id, size, size, false, 0};
    if (stack[0].chunkId != kRiff) {
        throw SoundError("RIFF chunk not found");
    }
    HandleChunk();
    return true;
}

void WaveRead::PopChunk() {
    ChunkState& chunk = stack[stackTop];
    if ((chunk.size & 1) != 0) {
        ++chunk.size;
        ++chunk.remaining;
    }
    if (chunk.remaining > 0) {
        if (readTrailingChunks) {
            stream.seekg(chunk.remaining, std::ios::cur);
        } else {
            SkipBytes(stream, chunk.remaining);
        }
    }
    const std::int64_t closed = chunk.size;
    --stackTop;
    if (stackTop >= 0) {
        if (!stack[stackTop].isContainer) {
            throw SoundError("Chunk found in non-Container");
        }
        stack[stackTop].remaining -= closed + 8;
    }
}

void WaveRead::HandleChunk() {
    ChunkState& chunk = stack[stackTop];
    switch (chunk.chunkId) {
    case kList:
    case kRiff:
        chunk.isContainer = true;
        if (chunk.size >= 4) {
            chunk.containerType = ReadIntMsb(stream, 4);
            chunk.remaining -= 4;
        }
        if (chunk.chunkId == kRiff && stackTop != 0) {
            throw SoundError("RIFF chunk found at wrong level");
        }
        return;
    case FourCc("PAD "):
        return;
    case FourCc("fmt "): {
        if (stackTop != 1) {
            throw SoundError("FMT chunk found at wrong level");
        }
        const auto size = static_cast<std::size_t>(chunk.size);
        // The body buffer is sized by the first fmt chunk; a larger second one is corrupt.
        if (size > kMaxFmtSize || (fmtRead && size > fmtCapacity)) {
            throw SoundError(kCorrupted);
        }
        if (!fmtRead) {
            fmtCapacity = size;
        }
        fmt = ReadUpTo(stream, size);
        fmtRead = true;
        chunk.remaining = 0;
        return;
    }
    case FourCc("fact"):
        if (chunk.size >= 4) {
            factSamples = ReadIntLsb(stream, 4);
            chunk.remaining -= 4;
        }
        return;
    case kData:
        // A second data chunk is not sound of this file.
        if (dataStart == 0) {
            dataStart = static_cast<std::int64_t>(stream.tellg());
            dataSize = chunk.size;
            if (fmtRead) {
                ComputeDataLength();
            }
        }
        return;
    default:
        break;
    }
    const bool inList = stackTop > 0 && stack[stackTop - 1].chunkId == kList;
    if (!inList && chunk.chunkId != kDisp) {
        return;
    }
    const std::vector<std::uint8_t> body = ReadUpTo(stream, static_cast<std::uint64_t>(chunk.size));
    chunk.remaining -= static_cast<std::int64_t>(body.size());
    const int itemCode = inList ? ItemCodeOfChunkId(kInfoIds, chunk.chunkId) : 0;
    if (itemCode != 0) {
        chunks.SetItem(itemCode, body.data(), body.size());
    } else {
        chunks.SetForeignChunk(FileFormatWave, static_cast<std::int32_t>(chunk.chunkId),
                               body.data(), body.size());
    }
}

std::uint32_t WaveRead::Fmt16(std::size_t offset) const {
    return offset + 2 <= fmt.size() ? BytesToIntLsb(fmt.data() + offset, 2) : 0;
}

std::uint32_t WaveRead::Fmt32(std::size_t offset) const {
    return offset + 4 <= fmt.size() ? BytesToIntLsb(fmt.data() + offset, 4) : 0;
}

void WaveRead::ComputeDataLength() {
    dataLengthKnown = true;
    const std::uint32_t tag = Fmt16(0);
    const int bits = static_cast<int>(Fmt16(14));
    const std::int64_t byFact = std::int64_t{Fmt16(2)} * factSamples * 4;
    // The sound cannot reach past the end of the file.
    std::int64_t size = dataSize;
    if (byteLength > 0) {
        size = std::clamp<std::int64_t>(byteLength - dataStart, 0, size);
    }
    const bool estimable =
        tag == 1 || tag == 2 || tag == 3 || tag == 6 || tag == 7 || tag == 17 || tag == 0xFFFE;
    if (estimable && bits != 0) {
        const auto estimate =
            static_cast<std::int64_t>(std::floor(32.0 / bits * static_cast<double>(size) + 0.5));
        dataLength =
            estimate >= 1 && byFact > 0 ? std::min(estimate, byFact) : std::max(estimate, byFact);
    } else {
        dataLength = std::max<std::int64_t>(0, byFact);
    }
}

std::unique_ptr<AbstractDecompressor> WaveRead::PcmDecoder(int bits) {
    if (bits >= 1 && bits <= 8) {
        compressionKind = CompressionPcm8;
        return std::make_unique<DecompressPcm8Unsigned>(this);
    }
    if (bits >= 9 && bits <= 16) {
        compressionKind = CompressionPcm16;
        return std::make_unique<DecompressPcm16LsbSigned>(this);
    }
    if (bits >= 17 && bits <= 24) {
        compressionKind = CompressionPcm24;
        return std::make_unique<DecompressPcm24LsbSigned>(this);
    }
    if (bits >= 25 && bits <= 32) {
        compressionKind = CompressionPcm32;
        return std::make_unique<DecompressPcm32LsbSigned>(this);
    }
    return nullptr;
}

std::unique_ptr<AbstractDecompressor> WaveRead::MsAdpcmDecoder(int bits) {
    if (bits != 4) {
        throw SoundError("MSADPCM requires 4 bits per sample, not ", bits, false);
    }
    if (fmt.size() <= 19) {
        throw SoundError("MSADPCM requires additional decompression data");
    }
    const std::uint32_t count = Fmt16(20);
    if (count > static_cast<std::uint32_t>(DecompressMsAdpcm::kMaxCoefficients)) {
        throw SoundError("Bad coefficient count in MSADPCM data: ", count, false);
    }
    if (fmt.size() < 22 + std::size_t{count} * 4) {
        throw SoundError("MSADPCM requires additional decompression data");
    }
    std::vector<std::int16_t> coefficient1(count);
    std::vector<std::int16_t> coefficient2(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        coefficient1[i] = static_cast<std::int16_t>(Fmt16(22 + 4 * i));
        coefficient2[i] = static_cast<std::int16_t>(Fmt16(24 + 4 * i));
    }
    compressionKind = CompressionMsAdpcm;
    return std::make_unique<DecompressMsAdpcm>(this, static_cast<int>(Fmt16(18)), fileChannels,
                                               static_cast<int>(Fmt16(12)), static_cast<int>(count),
                                               coefficient1.data(), coefficient2.data());
}

void WaveRead::SelectDecoder() {
    if (!fmtRead) {
        throw SoundError("fmt chunk not found");
    }
    if (fmt.size() < 16) {
        throw SoundError(kCorrupted);
    }
    if (!dataLengthKnown) {
        ComputeDataLength();
    }
    const std::uint32_t tag = Fmt16(0);
    const int bits = static_cast<int>(Fmt16(14));
    if (bits > 32) {
        throw SoundError("Unsupported resolution: ", bits, true);
    }
    const std::uint32_t rate = Fmt32(4);
    fileChannels = static_cast<int>(Fmt16(2));
    // Later stages divide by both.
    if (fileChannels < 1 || rate < 1 || rate > INT_MAX) {
        throw SoundError(kCorrupted);
    }
    fileRate = static_cast<int>(rate);

    switch (tag) {
    case 1:
        decompressor = PcmDecoder(bits);
        break;
    case 2:
        decompressor = MsAdpcmDecoder(bits);
        break;
    case 3:
        compressionKind = CompressionFloat32;
        decompressor = std::make_unique<DecompressPcm32Float>(this);
        break;
    case 6:
        compressionKind = CompressionALaw;
        decompressor = std::make_unique<DecompressG711ALaw>(this);
        break;
    case 7:
        compressionKind = CompressionMuLaw;
        decompressor = std::make_unique<DecompressG711MuLaw>(this);
        break;
    case 17:
        if (bits != 4) {
            throw SoundError("IMA ADPCM requires 4 bits per sample, not ", bits, false);
        }
        if (fmt.size() <= 19) {
            throw SoundError("IMA ADPCM requires additional decompression data.");
        }
        compressionKind = CompressionImaAdpcmWave;
        decompressor =
            std::make_unique<DecompressImaAdpcmMs>(this, static_cast<int>(Fmt16(18)), fileChannels);
        break;
    case 0xFFFE: {
        if (fmt.size() < 28) {
            throw SoundError(kCorrupted);
        }
        const std::uint32_t subFormat = Fmt32(24);
        if (subFormat == 1) {
            decompressor = PcmDecoder(bits);
        } else if (subFormat == 3) {
            compressionKind = CompressionFloat32;
            decompressor = std::make_unique<DecompressPcm32Float>(this);
        }
        break;
    }
    case 85: { // MPEG layer III
        compressionKind = CompressionMpegLayer3;
        auto mpeg = NewWaveMpegDecoder(this);
        if (dataLength == 0) {
            dataLength = mpeg->TotalSamples() * fileChannels * 4;
        }
        if (dataLength == 0) {
            throw SoundError("Cant get size of Mp3/WAV content");
        }
        decompressor = std::move(mpeg);
        break;
    }
    default:
        break;
    }
    if (!decompressor) {
        throw SoundError("Unsupported WAVE compression type: ", tag, true);
    }
    bitsPerSample = decompressor->BitsPerSample();
}

int WaveRead::GetSamples(float* buffer, int count) {
    return decompressor->GetSamples(buffer, count);
}

int WaveRead::ReadBytes(std::uint8_t* buffer, int length) {
    if (stackTop < 0 || length <= 0) {
        return 0;
    }
    return ReadWithin(stream, buffer, length, stack[stackTop].remaining);
}

bool WaveRead::Seek(std::int64_t sampleIndex) {
    if (stackTop < 0) {
        return false;
    }
    // MPEG data keeps its own frame index and stream position.
    if (auto* mpeg = dynamic_cast<DecompressMpeg123*>(decompressor.get())) {
        return mpeg->Seek(sampleIndex);
    }
    const std::int64_t offset = std::max<std::int64_t>(decompressor->PrepareSeek(sampleIndex), 0);
    stream.clear();
    stream.seekg(dataStart + offset);
    if (stream.fail()) {
        return false;
    }
    stack[stackTop].remaining = std::max<std::int64_t>(dataSize - offset, 0);
    return true;
}

void WaveRead::MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) {
    minRate = maxRate = preferred = fileRate;
}

void WaveRead::MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) {
    minChannels = maxChannels = preferred = fileChannels;
}

// ---------------------------------------------------------------------------------------------

namespace {

struct WaveEncoding {
    int code;
    int bits;
    int formatTag;
    std::unique_ptr<AbstractCompressor> (*make)(AudioAbstract*);
};

constexpr WaveEncoding kWaveEncodings[] = {
    {CompressionMuLaw, 8, 7, MakeEncoder<CompressG711MuLaw>},
    {CompressionALaw, 8, 6, MakeEncoder<CompressG711ALaw>},
    {CompressionPcm8, 8, 1, MakeEncoder<CompressPcm8Unsigned>},
    {CompressionPcm16, 16, 1, MakeEncoder<CompressPcm16LsbSigned>},
    {CompressionPcm24, 24, 1, MakeEncoder<CompressPcm24LsbSigned>},
    {CompressionPcm32, 32, 1, MakeEncoder<CompressPcm32LsbSigned>},
    {CompressionFloat32, 32, 3, MakeEncoder<CompressPcm32Float>},
};

void WriteId(std::ostream& out, std::uint32_t id) {
    WriteIntMsb(out, id, 4);
}

} // namespace

WaveWrite::WaveWrite(std::ostream& stream, std::int64_t frames, int channels, int rate,
                     int compressionCode, const AudioChunkList* chunkList)
    : AudioFileWriter(stream, frames, channels, rate, compressionCode,
                      EncodingOf(kWaveEncodings, compressionCode).bits) {
    const WaveEncoding& encoding = EncodingOf(kWaveEncodings, compressionCode);
    const bool g711 = compressionCode == CompressionMuLaw || compressionCode == CompressionALaw;
    if (chunkList != nullptr) {
        chunks.CopyFrom(*chunkList);
    }
    std::int64_t dispBytes = 0;
    for (std::size_t i = 0; i < chunks.Count(); ++i) {
        const AudioChunk& chunk = chunks.At(i);
        const std::int64_t total = 8 + Even(static_cast<std::int64_t>(chunk.size));
        if (GoesInInfo(chunk)) {
            infoBytes += total;
        } else if (IsDisp(chunk)) {
            dispBytes += total;
        }
    }
    const std::int64_t fmtTotal = g711 ? 26 : 24;
    const std::int64_t factTotal = g711 ? 12 : 0;
    const std::int64_t listTotal = infoBytes > 0 ? infoBytes + 12 : 0;
    // RIFF size without the data: "WAVE", the chunks and the data chunk's header.
    const std::int64_t header = 12 + fmtTotal + factTotal + listTotal + dispBytes;
    const std::int64_t data = DataBytesFor(header + 1);
    const int blockAlign = this->channels * bits / 8;

    WriteId(stream, kRiff);
    WriteIntLsb(stream, static_cast<std::uint32_t>(header + Even(data)), 4);
    WriteId(stream, kWave);
    WriteId(stream, FourCc("fmt "));
    WriteIntLsb(stream, g711 ? 18 : 16, 4);
    WriteIntLsb(stream, static_cast<std::uint32_t>(encoding.formatTag), 2);
    WriteIntLsb(stream, static_cast<std::uint32_t>(this->channels), 2);
    WriteIntLsb(stream, static_cast<std::uint32_t>(rate), 4);
    WriteIntLsb(stream, static_cast<std::uint32_t>(std::int64_t{rate} * blockAlign), 4);
    WriteIntLsb(stream, static_cast<std::uint32_t>(blockAlign), 2);
    WriteIntLsb(stream, static_cast<std::uint32_t>(bits), 2);
    if (g711) {
        WriteIntLsb(stream, 0, 2);
        WriteId(stream, FourCc("fact"));
        WriteIntLsb(stream, 4, 4);
        WriteIntLsb(stream, static_cast<std::uint32_t>(this->frames), 4);
    }
    WriteId(stream, kData);
    WriteIntLsb(stream, static_cast<std::uint32_t>(data), 4);
    MarkDataStart();
}

std::unique_ptr<AbstractCompressor> WaveWrite::MakeCompressor() {
    return EncodingOf(kWaveEncodings, compressionCode).make(this);
}

bool WaveWrite::GoesInInfo(const AudioChunk& chunk) {
    if (chunk.itemCode != 0) {
        return ChunkIdOfItemCode(kInfoIds, chunk.itemCode) != 0;
    }
    return chunk.formatCode == FileFormatWave && !IsDisp(chunk);
}

bool WaveWrite::IsDisp(const AudioChunk& chunk) {
    return chunk.itemCode == 0 && chunk.formatCode == FileFormatWave &&
           static_cast<std::uint32_t>(chunk.chunkId) == kDisp;
}

void WaveWrite::WriteChunk(std::uint32_t id, const AudioChunk& chunk) {
    WriteId(stream, id);
    WriteIntLsb(stream, static_cast<std::uint32_t>(chunk.size), 4);
    stream.write(reinterpret_cast<const char*>(chunk.data.data()),
                 static_cast<std::streamsize>(chunk.size));
    if ((chunk.size & 1) != 0) {
        stream.put(0);
    }
}

WaveWrite::~WaveWrite() {
    FinishData(true);
    if (infoBytes > 0) {
        WriteId(stream, kList);
        WriteIntLsb(stream, static_cast<std::uint32_t>(infoBytes + 4), 4);
        WriteId(stream, kInfo);
        for (std::size_t i = 0; i < chunks.Count(); ++i) {
            const AudioChunk& chunk = chunks.At(i);
            if (GoesInInfo(chunk)) {
                const std::uint32_t id = chunk.itemCode != 0
                                             ? ChunkIdOfItemCode(kInfoIds, chunk.itemCode)
                                             : static_cast<std::uint32_t>(chunk.chunkId);
                WriteChunk(id, chunk);
            }
        }
    }
    for (std::size_t i = 0; i < chunks.Count(); ++i) {
        if (IsDisp(chunks.At(i))) {
            WriteChunk(kDisp, chunks.At(i));
        }
    }
}
