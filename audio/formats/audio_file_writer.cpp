#include "audio/formats/audio_file_writer.h"

#include <algorithm>
#include <ostream>
#include <vector>

#include "audio/sound_error.h"

namespace {

constexpr std::int64_t kMaxFileBytes = 0xFFFFFFFF;
constexpr int kZeroRun = 4096;

} // namespace

AudioFileWriter::AudioFileWriter(std::ostream& stream, std::int64_t frames, int channels, int rate,
                                 int compressionCode, int bits)
    : stream(stream), frames(std::max<std::int64_t>(frames, 0)), compressionCode(compressionCode),
      bits(bits) {
    SetChannels(channels);
    if (!channelsFrozen) {
        NegotiateChannels();
    }
    SetSamplingRate(rate);
    dataBytes = std::int64_t{bits} * this->frames / 8 * this->channels;
}

std::int64_t AudioFileWriter::DataBytesFor(std::int64_t headerBytes) const {
    if (frames > kMaxFileBytes || dataBytes + headerBytes > kMaxFileBytes) {
        throw SoundError("Sound too long for the file format");
    }
    return dataBytes;
}

void AudioFileWriter::MarkDataStart() {
    dataStart = static_cast<std::int64_t>(stream.tellp());
}

AbstractCompressor& AudioFileWriter::Compressor() {
    if (!compressor) {
        compressor = MakeCompressor();
    }
    return *compressor;
}

int AudioFileWriter::PutSamples(const float* buffer, int count) {
    return Compressor().PutSamples(buffer, count);
}

int AudioFileWriter::WriteBytes(const std::uint8_t* buffer, int length) {
    const auto n =
        static_cast<int>(std::clamp<std::int64_t>(dataBytes - position, 0, std::max(length, 0)));
    if (n == 0 || !stream.good()) {
        return 0;
    }
    stream.write(reinterpret_cast<const char*>(buffer), n);
    if (!stream.good()) {
        return 0;
    }
    position += n;
    furthest = std::max(furthest, position);
    return n;
}

bool AudioFileWriter::Seek(std::int64_t sampleIndex) {
    const std::int64_t offset =
        std::clamp<std::int64_t>(Compressor().BytesForSamples(sampleIndex), 0, dataBytes);
    stream.seekp(dataStart + offset);
    if (!stream.good()) {
        return false;
    }
    position = offset;
    return true;
}

void AudioFileWriter::FinishData(bool padToEven) noexcept {
    try {
        AbstractCompressor& encoder = Compressor();
        if (position != furthest) {
            stream.seekp(dataStart + furthest);
            position = furthest;
        }
        const std::vector<float> zeros(kZeroRun, 0.0f);
        const int bytesPerSample = std::max(bits / 8, 1);
        while (position < dataBytes && stream.good()) {
            const auto samples = static_cast<int>(
                std::min<std::int64_t>((dataBytes - position) / bytesPerSample, kZeroRun));
            if (samples == 0 || encoder.PutSamples(zeros.data(), samples) == 0) {
                break;
            }
        }
        if (padToEven && (dataBytes & 1) != 0 && position == dataBytes) {
            stream.put(0);
        }
    } catch (...) {
        // A destructor must not throw; the stream's state tells the caller the file is bad.
        stream.setstate(std::ios::badbit);
    }
}
