#include "audio/formats/mpeg.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <istream>

#include "audio/byte_order.h"
#include "audio/format_codes.h"
#include "audio/formats/id3.h"
#include "audio/sound_error.h"

namespace {

constexpr int kFeedBytes = 1024;
// How far past a frame's nominal end a seek looks for the next frame's sync.
constexpr int kSyncSearchBytes = 2048;
// Seven frames of 1152 stereo samples: a seek decodes and drops through it.
constexpr int kSeekScratchSamples = 16128;
// Decoding restarts this many frames before a seek target, so that the bit reservoir and
// the filter banks hold what a sequential decode would have left in them.
constexpr int kSeekLeadFrames = 6;

// kbit/s by [MPEG-1 ? 0 : 1][layer - 1][index]
constexpr int kBitRates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};
constexpr int kMpeg1Rates[3] = {44100, 48000, 32000};

int FrameLength(const MpegFrameHeader& h, int bitRate, int padding) {
    if (bitRate == 0) {
        return 0;
    }
    if (h.layer == 1) {
        return (12 * bitRate * 1000 / h.samplingRate + padding) * 4;
    }
    return h.samplesPerFrame / 8 * bitRate * 1000 / h.samplingRate + padding;
}

// The smallest frame this stream's version and layer allow, to bound a declared frame count.
int SmallestFrameLength(const MpegFrameHeader& h) {
    return std::max(1, FrameLength(h, kBitRates[h.mpeg1 ? 0 : 1][h.layer - 1][1], 0));
}

bool SameStream(const MpegFrameHeader& a, const MpegFrameHeader& b) {
    return a.mpeg1 == b.mpeg1 && a.layer == b.layer && a.samplingRate == b.samplingRate;
}

void EnsureLibrary() {
    // mpg123_init is required once per process by older libraries and harmless in newer.
    static const bool initialised = (mpg123_init(), true);
    (void)initialised;
}

std::int64_t Position(std::istream& in) {
    return static_cast<std::int64_t>(in.tellg());
}

void SeekTo(std::istream& in, std::int64_t offset) {
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
}

int ReadUpTo(std::istream& in, std::uint8_t* buffer, int length) {
    in.read(reinterpret_cast<char*>(buffer), length);
    return static_cast<int>(in.gcount());
}

// Scans forward from the stream's position for the first frame header; its offset, or -1.
std::int64_t FindFirstFrame(std::istream& in, MpegFrameHeader& header) {
    std::uint8_t block[4096 + 3];
    int carried = 0;
    std::int64_t blockStart = Position(in);
    if (blockStart < 0) {
        return -1;
    }
    for (;;) {
        const int got = ReadUpTo(in, block + carried, 4096);
        const int available = carried + got;
        for (int i = 0; i + 4 <= available; ++i) {
            if (block[i] == 0xFF && ParseMpegFrameHeader(block + i, header)) {
                return blockStart + i;
            }
        }
        if (got == 0) {
            return -1;
        }
        carried = std::min(available, 3);
        std::memmove(block, block + available - carried, carried);
        blockStart += available - carried;
    }
}

} // namespace

bool ParseMpegFrameHeader(const std::uint8_t* b, MpegFrameHeader& h) {
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) {
        return false;
    }
    const int version = (b[1] >> 3) & 3; // 0 MPEG-2.5, 1 reserved, 2 MPEG-2, 3 MPEG-1
    const int layerBits = (b[1] >> 1) & 3;
    const int bitRateIndex = b[2] >> 4;
    const int rateIndex = (b[2] >> 2) & 3;
    if (version == 1 || layerBits == 0 || bitRateIndex == 15 || rateIndex == 3) {
        return false;
    }
    h.mpeg1 = version == 3;
    h.layer = 4 - layerBits;
    h.samplingRate = kMpeg1Rates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    h.bitRate = kBitRates[h.mpeg1 ? 0 : 1][h.layer - 1][bitRateIndex];
    h.channels = (b[3] >> 6) == 3 ? 1 : 2;
    h.samplesPerFrame = h.layer == 1 ? 384 : (h.layer == 3 && !h.mpeg1) ? 576 : 1152;
    h.length = FrameLength(h, h.bitRate, (b[2] >> 1) & 1);
    return true;
}

DecompressMpeg123::DecompressMpeg123(AudioAbstract* source)
    : AbstractDecompressor(source), in(source->InputStream()) {
    if (in == nullptr) {
        throw SoundError("MPEG file may be corrupted");
    }
    const std::int64_t start = Position(*in);
    if (start < 0) {
        throw SoundError("MPEG file may be corrupted");
    }

    // Some files wrap the stream in a small "AiD" header of their own.
    std::uint8_t lead[4] = {};
    if (ReadUpTo(*in, lead, 4) == 4 && std::memcmp(lead, "AiD\x01", 4) == 0) {
        const int headerLength = static_cast<int>(ReadIntLsb(*in, 2));
        SeekTo(*in, start + 6 + std::max(0, headerLength - 6));
    } else {
        SeekTo(*in, start);
    }

    const std::int64_t first = FindFirstFrame(*in, firstHeader);
    if (first < 0 || firstHeader.bitRate <= 0 || firstHeader.channels <= 0 ||
        firstHeader.samplesPerFrame <= 0) {
        throw SoundError("MPEG file may be corrupted");
    }
    info.channels = firstHeader.channels;
    info.samplingRate = firstHeader.samplingRate;
    info.bitRate = firstHeader.bitRate;
    info.layer = firstHeader.layer;
    info.samplesPerFrame = firstHeader.samplesPerFrame;

    const std::int64_t inputLength = source->InputLength();
    const std::int64_t audioBytes =
        inputLength > 0 ? std::max<std::int64_t>(0, start + inputLength - first) : 0;

    // A Xing header (LAME names it "Info" in constant-rate files) counts the frames.
    std::uint8_t head[64] = {};
    SeekTo(*in, first);
    const int headBytes = ReadUpTo(*in, head, sizeof head);
    const bool mono = firstHeader.channels == 1;
    const int xingAt = firstHeader.mpeg1 ? (mono ? 21 : 36) : (mono ? 13 : 21);
    bool infoFrame = false;
    if (headBytes >= xingAt + 8 && (std::memcmp(head + xingAt, "Xing", 4) == 0 ||
                                    std::memcmp(head + xingAt, "Info", 4) == 0)) {
        infoFrame = true;
        const std::uint32_t flags = BytesToIntMsb(head + xingAt + 4, 4);
        if ((flags & 1) != 0 && headBytes >= xingAt + 12) {
            info.xingFrames = BytesToIntMsb(head + xingAt + 8, 4);
        }
        // A count the file cannot hold is a damaged header, not a length to trust.
        if (audioBytes > 0 && info.xingFrames > audioBytes / SmallestFrameLength(firstHeader)) {
            info.xingFrames = 0;
        }
    }
    info.totalSamples = info.xingFrames * info.samplesPerFrame;

    inWave = source->FileFormat() == FileFormatWave;
    const std::int64_t declared =
        std::max(info.totalSamples, source->DataLength() / (std::int64_t{info.channels} * 4));
    totalSamples = declared;
    if (totalSamples == 0 && audioBytes > 0) {
        totalSamples = static_cast<std::int64_t>(static_cast<double>(audioBytes) * 8.0 /
                                                 (info.bitRate * 1000.0) * info.samplingRate);
    }
    if (info.xingFrames > 0) {
        declaredFrames = info.xingFrames;
    } else if (declared > 0) {
        declaredFrames = (declared - 1) / info.samplesPerFrame + 1;
    }
    // Silence stands in for lost frames only where the file could hold the declared count,
    // so that a damaged length cannot make an endless sound out of a short file.
    padToDeclared = audioBytes > 0 && declaredFrames > 0 &&
                    declaredFrames <= audioBytes / SmallestFrameLength(firstHeader) + 1;

    // The info frame holds no sound: libmpg123 reads it and skips it, so the first frame of
    // sound follows it.
    frameOffsets.push_back(infoFrame && firstHeader.length > 0 ? first + firstHeader.length
                                                               : first);

    EnsureLibrary();
    int error = MPG123_OK;
    decoder = mpg123_new(nullptr, &error);
    if (decoder == nullptr) {
        throw SoundError("Error decoding Mpeg file!");
    }
    // Gapless decoding would trim the encoder's delay and break the match between decoded
    // frames and the Xing count; the info frame stays parsed so it is not decoded as sound.
    mpg123_param(decoder, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    // Junk between frames is skipped however long it is; the input's end bounds the search.
    mpg123_param(decoder, MPG123_RESYNC_LIMIT, -1, 0.0);
    mpg123_format_none(decoder);
    if (mpg123_format(decoder, info.samplingRate, info.channels, MPG123_ENC_SIGNED_16) !=
        MPG123_OK) {
        mpg123_delete(decoder);
        decoder = nullptr;
        throw SoundError("Error decoding Mpeg file!");
    }
    silence.assign(static_cast<std::size_t>(info.samplesPerFrame) * info.channels, 0);
    ResetDecoder(first);
}

DecompressMpeg123::~DecompressMpeg123() {
    if (decoder != nullptr) {
        mpg123_delete(decoder);
    }
}

void DecompressMpeg123::ResetDecoder(std::int64_t offset) {
    SeekTo(*in, offset);
    streamPosition = offset;
    if (mpg123_open_feed(decoder) != MPG123_OK) {
        throw SoundError("Error decoding Mpeg file!");
    }
    decoderExhausted = false;
    info.endOfInput = false;
    info.bufferedBytes = 0;
    pending = nullptr;
    pendingCount = 0;
}

void DecompressMpeg123::MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) {
    minRate = maxRate = preferred = info.samplingRate;
}

void DecompressMpeg123::MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) {
    minChannels = maxChannels = preferred = info.channels;
}

int DecompressMpeg123::GetSamples(float* buffer, int count) {
    int produced = 0;
    while (produced < count) {
        if (pendingCount == 0 && !DecodeNextFrame()) {
            break;
        }
        const int n = static_cast<int>(std::min<std::int64_t>(pendingCount, count - produced));
        constexpr float kScale = 1.0f / 32768.0f;
        for (int i = 0; i < n; ++i) {
            buffer[produced + i] = pending[i] * kScale;
        }
        pending += n;
        pendingCount -= n;
        produced += n;
    }
    return produced;
}

bool DecompressMpeg123::FeedDecoder() {
    if (info.endOfInput) {
        return false;
    }
    std::uint8_t bytes[kFeedBytes];
    const int got = ReadUpTo(*in, bytes, kFeedBytes);
    if (got < kFeedBytes) {
        info.endOfInput = true;
        in->clear();
    }
    streamPosition += got;
    if (got > 0 && mpg123_feed(decoder, bytes, got) != MPG123_OK) {
        throw SoundError("Error decoding Mpeg file!");
    }
    return got > 0;
}

bool DecompressMpeg123::DecodeNextFrame() {
    if (declaredFrames > 0 && framesDecoded >= declaredFrames) {
        return false;
    }
    while (!decoderExhausted) {
        off_t frameNumber = 0;
        unsigned char* audio = nullptr;
        std::size_t bytes = 0;
        const int result = mpg123_decode_frame(decoder, &frameNumber, &audio, &bytes);
        if (result == MPG123_NEED_MORE) {
            if (!FeedDecoder()) {
                decoderExhausted = true;
            }
            continue;
        }
        if (result == MPG123_DONE) {
            decoderExhausted = true;
            break;
        }
        if (result == MPG123_NEW_FORMAT && bytes == 0) {
            continue;
        }
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
            throw SoundError("Error decoding Mpeg file!");
        }
        if (bytes == 0) {
            continue;
        }
        mpg123_frameinfo2 frame{};
        if (!inWave && info.xingFrames == 0 && mpg123_info2(decoder, &frame) == MPG123_OK &&
            frame.bitrate != info.bitRate) {
            throw SoundError("MPEG bitrate not constant");
        }
        pending = reinterpret_cast<const std::int16_t*>(audio);
        pendingCount = static_cast<std::int64_t>(bytes / 2);
        ++framesDecoded;
        long buffered = 0;
        double unused = 0;
        if (mpg123_getstate2(decoder, MPG123_BUFFERFILL, &buffered, &unused) == MPG123_OK) {
            info.bufferedBytes = buffered;
        }
        if (framesDecoded == static_cast<std::int64_t>(frameOffsets.size())) {
            frameOffsets.push_back(streamPosition - info.bufferedBytes);
        }
        return true;
    }
    // A frame the decoder rejected must not shorten a sound whose length the stream
    // declares: what is missing at the end is silence.
    if (padToDeclared && framesDecoded < declaredFrames) {
        pending = silence.data();
        pendingCount = static_cast<std::int64_t>(silence.size());
        ++framesDecoded;
        return true;
    }
    return false;
}

bool DecompressMpeg123::StepToNextFrame() {
    const std::int64_t from = frameOffsets.back();
    std::uint8_t head[4] = {};
    SeekTo(*in, from);
    MpegFrameHeader header;
    std::int64_t length = 0;
    if (ReadUpTo(*in, head, 4) == 4 && ParseMpegFrameHeader(head, header) && header.length > 0) {
        length = header.length;
    } else {
        length = std::int64_t{info.samplesPerFrame} * info.bitRate * 1000 /
                 (std::int64_t{info.samplingRate} * 8);
    }
    SeekTo(*in, from + std::max<std::int64_t>(length, 1));
    std::uint8_t window[kSyncSearchBytes + 3];
    const int got = ReadUpTo(*in, window, sizeof window);
    for (int i = 0; i + 4 <= got; ++i) {
        if (window[i] == 0xFF && (window[i + 1] & 0xE0) == 0xE0 &&
            ParseMpegFrameHeader(window + i, header) && SameStream(header, firstHeader)) {
            frameOffsets.push_back(from + std::max<std::int64_t>(length, 1) + i);
            return true;
        }
    }
    return false;
}

bool DecompressMpeg123::Seek(std::int64_t sampleIndex) {
    sampleIndex = std::max<std::int64_t>(sampleIndex, 0);
    const std::int64_t perChannel = sampleIndex / info.channels;
    std::int64_t frame =
        std::max<std::int64_t>(perChannel / info.samplesPerFrame - kSeekLeadFrames, 0);
    if (declaredFrames > 0) {
        frame = std::min(frame, declaredFrames);
    }
    while (static_cast<std::int64_t>(frameOffsets.size()) <= frame && StepToNextFrame()) {
    }
    frame = std::min<std::int64_t>(frame, static_cast<std::int64_t>(frameOffsets.size()) - 1);

    ResetDecoder(frameOffsets[frame]);
    framesDecoded = frame;
    std::int64_t drop = (perChannel - frame * info.samplesPerFrame) * info.channels;
    std::vector<float> scratch(kSeekScratchSamples);
    while (drop > 0) {
        const int n = static_cast<int>(std::min<std::int64_t>(drop, kSeekScratchSamples));
        const int got = GetSamples(scratch.data(), n);
        if (got == 0) {
            break;
        }
        drop -= got;
    }
    return true;
}

std::unique_ptr<DecompressMpeg123> NewWaveMpegDecoder(AudioAbstract* wave) {
    std::istream& in = *wave->InputStream();
    const std::int64_t start = Position(in);
    std::uint8_t window[kSyncSearchBytes];
    const int got = ReadUpTo(in, window, kSyncSearchBytes);
    SeekTo(in, start);
    bool found = false;
    for (int i = 0; i + 1 < got && !found; ++i) {
        found =
            window[i] == 0xFF && (window[i + 1] & 0xE0) == 0xE0 && (window[i + 1] & 0x06) == 0x02;
    }
    if (start < 0 || !found) {
        throw SoundError("MP3 Frame header not found");
    }
    auto decoder = std::make_unique<DecompressMpeg123>(wave);
    int minimum = 0;
    int maximum = 0;
    int rate = 0;
    int channels = 0;
    wave->MinMaxSamplingRate(minimum, maximum, rate);
    wave->MinMaxChannels(minimum, maximum, channels);
    if (decoder->StreamInfo().samplingRate != rate || decoder->StreamInfo().channels != channels) {
        throw SoundError("MPEG file may be corrupted");
    }
    return decoder;
}

MpegRead::MpegRead(std::istream& stream, std::int64_t byteLength, bool hasId3Tag) : stream(stream) {
    fileFormat = FileFormatMpeg;
    inputLength = byteLength;
    if (hasId3Tag) {
        const std::int64_t tagSize = ReadId3Tag(stream, byteLength, chunks);
        if (byteLength > 0) {
            inputLength = byteLength - tagSize;
        }
    }
    decompressor = std::make_unique<DecompressMpeg123>(this);
    bitsPerSample = decompressor->BitsPerSample();
}

MpegRead::~MpegRead() = default;

int MpegRead::GetSamples(float* buffer, int count) {
    return decompressor->GetSamples(buffer, count);
}

bool MpegRead::Seek(std::int64_t sampleIndex) {
    return decompressor->Seek(sampleIndex);
}

void MpegRead::MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) {
    decompressor->MinMaxSamplingRate(minRate, maxRate, preferred);
}

void MpegRead::MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) {
    decompressor->MinMaxChannels(minChannels, maxChannels, preferred);
}

std::int64_t MpegRead::DataLength() {
    if (dataLength != 0) {
        return dataLength;
    }
    if (decompressor == nullptr || decompressor->StreamInfo().bitRate <= 0) {
        return 0;
    }
    return decompressor->TotalSamples() * decompressor->StreamInfo().channels * 4;
}

int MpegRead::CompressionKind() {
    return decompressor != nullptr ? CompressionMpegLayer1 + decompressor->StreamInfo().layer - 1
                                   : 0;
}

int MpegRead::BitRate() {
    return decompressor != nullptr ? decompressor->StreamInfo().bitRate : 0;
}
