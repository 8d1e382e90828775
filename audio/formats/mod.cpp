#include "audio/formats/mod.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <istream>

#include "audio/byte_order.h"
#include "audio/format_codes.h"
#include "audio/formats/render_limit.h"
#include "audio/sound_error.h"

namespace {

constexpr int kMinPeriod = 113;
constexpr int kMaxPeriod = 856;
constexpr int kSlotBytes = 4;
constexpr int kRowBytes = ModRead::kMaxChannels * kSlotBytes;
constexpr int kPatternBytes = ModRead::kRows * kRowBytes;
// The rate at which the playing length is worked out before the chain has negotiated one.
constexpr int kPreferredRate = 22050;
// Period 254 sounds at 440 Hz.
constexpr double kPeriodToPitch = 111760.0;
// Sample rate at which an instrument sounds at its base pitch.
constexpr double kInstrumentRate = 14078.236;

struct EffectMessage {
    int effect;
    const char* text;
};

constexpr EffectMessage kEffectMessages[] = {
    {0x7, "Effect tremolo exercised.\n"},
    {0xE0, "Effect setFilter not implemented.\n"},
    {0xE1, "Effect pitchUp exercised.\n"},
    {0xE2, "Effect pitchDown exercised.\n"},
    {0xE3, "Effect setGlissando not implemented.\n"},
    {0xE4, "Effect setVibrato exercised.\n"},
    {0xE5, "Effect setFinetune not implemented.\n"},
    {0xE6, "Loop pattern effect not implemented.\n"},
    {0xE7, "Effect setTremolo exercised.\n"},
    {0xEB, "Effect volumeDown exercised.\n"},
    {0xEC, "Effect cutNote exercised.\n"},
    {0xEF, "Effect invertLoop not implemented.\n"},
};

struct Signature {
    const char* text;
    int channels;
};

constexpr Signature kSignatures[] = {{"M.K.", 4}, {"M!K!", 4}, {"FLT4", 4},
                                     {"6CHN", 6}, {"FLT8", 8}, {"8CHN", 8}};

// Vibrato and tremolo shapes, 64 steps each: sine, square, ramp.
const std::array<std::array<double, 64>, 3>& Waveforms() {
    static const auto tables = [] {
        std::array<std::array<double, 64>, 3> t{};
        for (int k = 0; k < 64; ++k) {
            t[0][k] = std::sin(2 * M_PI * k / 64);
            t[1][k] = k < 32 ? 1.0 : -1.0;
            t[2][k] = k < 32 ? k / 32.0 : (k - 63) / 32.0;
        }
        return t;
    }();
    return tables;
}

int ClampPeriod(int period) {
    return std::clamp(period, kMinPeriod, kMaxPeriod);
}

int SlideVolume(int volume, int parameter) {
    const int up = parameter >> 4;
    return std::clamp(up != 0 ? volume + up : volume - (parameter & 0x0F), 0, 64);
}

int NoteInstrument(const std::uint8_t* n) {
    return (n[0] & 0xF0) | (n[2] >> 4);
}

int NotePeriod(const std::uint8_t* n) {
    return ((n[0] & 0x0F) << 8) | n[1];
}

// The effect with its parameter; extended effects become 0xE0 + their sub-code. -1 for none.
int NoteEffect(const std::uint8_t* n, int& parameter) {
    const int effect = n[2] & 0x0F;
    parameter = n[3];
    if (effect == 0 && parameter == 0) {
        return -1;
    }
    if (effect == 0xE) {
        const int extended = 0xE0 + (parameter >> 4);
        parameter &= 0x0F;
        return extended;
    }
    return effect;
}

std::string Printable(const char* bytes, std::size_t length) {
    std::string text(bytes, strnlen(bytes, length));
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    return text;
}

} // namespace

int ModRead::ChannelsForSignature(const char signature[4]) {
    for (const Signature& s : kSignatures) {
        if (std::memcmp(signature, s.text, 4) == 0) {
            return s.channels;
        }
    }
    return 0;
}

ModRead::ModRead(std::istream& stream, std::int64_t) {
    fileFormat = FileFormatMod;
    bitsPerSample = 16;
    ReadModule(stream);
    WorkOutLength();
}

ModRead::~ModRead() = default;

void ModRead::ReadModule(std::istream& stream) {
    char name[20] = {};
    stream.read(name, sizeof name);
    songName = Printable(name, sizeof name);

    int lengths[kInstruments] = {};
    int loopStarts[kInstruments] = {};
    int loopLengths[kInstruments] = {};
    for (int i = 0; i < kInstruments; ++i) {
        char instrumentName[22] = {};
        stream.read(instrumentName, sizeof instrumentName);
        instruments[i].name = Printable(instrumentName, sizeof instrumentName);
        lengths[i] = static_cast<int>(ReadIntMsb(stream, 2)) * 2;
        const int finetune = static_cast<int>(ReadIntMsb(stream, 1)) & 0x0F;
        instruments[i].finetune = finetune > 7 ? finetune - 16 : finetune;
        instruments[i].volume = std::min(static_cast<int>(ReadIntMsb(stream, 1)), 64);
        loopStarts[i] = static_cast<int>(ReadIntMsb(stream, 2)) * 2;
        loopLengths[i] = static_cast<int>(ReadIntMsb(stream, 2)) * 2;
    }
    // A song never has more positions than its table holds.
    songLength = std::min(static_cast<int>(ReadIntMsb(stream, 1)), kMaxPositions);
    ReadIntMsb(stream, 1);
    stream.read(reinterpret_cast<char*>(positions.data()), kMaxPositions);
    int highest = 0;
    for (std::uint8_t p : positions) {
        highest = std::max<int>(highest, p);
    }
    char signature[4] = {};
    stream.read(signature, 4);
    moduleChannels = ChannelsForSignature(signature);
    if (!stream || moduleChannels == 0) {
        throw SoundError("Unrecognized signature ", std::string(signature, 4));
    }

    std::fprintf(stderr, "Name: %s\nInstruments: \n", songName.c_str());
    for (int i = 0; i < kInstruments; ++i) {
        std::fprintf(stderr, i % 3 == 2 ? "%2d:%-22s\n" : "%2d:%-22s  ", i + 1,
                     instruments[i].name.c_str());
    }
    std::fputs("\n", stderr);

    // Pattern data missing at the end of a damaged file plays as empty rows.
    patternCount = highest + 1;
    patterns.assign(static_cast<std::size_t>(patternCount) * kPatternBytes, 0);
    for (int p = 0; p < patternCount && stream; ++p) {
        for (int row = 0; row < kRows && stream; ++row) {
            stream.read(reinterpret_cast<char*>(patterns.data()) +
                            (static_cast<std::size_t>(p) * kRows + row) * kRowBytes,
                        moduleChannels * kSlotBytes);
        }
    }
    ReadSamples(stream, lengths, loopStarts, loopLengths);
}

void ModRead::ReadSamples(std::istream& stream, const int (&lengths)[kInstruments],
                          const int (&loopStarts)[kInstruments],
                          const int (&loopLengths)[kInstruments]) {
    std::vector<char> bytes;
    std::vector<std::int16_t> samples;
    for (int i = 0; i < kInstruments; ++i) {
        bytes.assign(static_cast<std::size_t>(lengths[i]), 0);
        std::streamsize got = 0;
        if (stream) {
            stream.read(bytes.data(), lengths[i]);
            got = stream.gcount();
        }
        // A truncated sample keeps what the file holds.
        samples.resize(static_cast<std::size_t>(got));
        for (std::streamsize s = 0; s < got; ++s) {
            samples[s] = static_cast<std::int16_t>(static_cast<std::int8_t>(bytes[s]) * 256);
        }
        if (samples.empty()) {
            continue;
        }
        const std::int64_t count = static_cast<std::int64_t>(samples.size());
        std::int64_t loopStart = std::min<std::int64_t>(loopStarts[i], count);
        std::int64_t loopEnd =
            std::min<std::int64_t>(std::int64_t{loopStarts[i]} + loopLengths[i], count);
        bool silentLoop = true;
        for (std::int64_t s = loopStart; s < loopEnd; ++s) {
            silentLoop = silentLoop && samples[s] == 0;
        }
        // Trackers store "no loop" as a two-sample loop at the start.
        if (loopEnd <= loopStart || silentLoop || (loopStart == 0 && loopEnd - loopStart <= 2)) {
            loopStart = loopEnd = 0;
        }
        auto sampled =
            std::make_unique<SampledInstrument>(samples.data(), count, loopStart, loopEnd);
        sampled->Init(440.0 * std::pow(2.0, -instruments[i].finetune / 96.0), kInstrumentRate);
        sampled->SetSamplingRate(kPreferredRate);
        instruments[i].sampled = std::move(sampled);
    }
}

const std::uint8_t* ModRead::NoteAt(int position, int row, int channel) const {
    const std::size_t pattern = positions[static_cast<std::size_t>(position)];
    return patterns.data() + (pattern * kRows + row) * kRowBytes + channel * kSlotBytes;
}

ModRead::RowControl ModRead::SongEffects(SongCursor& song, bool report) {
    RowControl control;
    for (int c = 0; c < moduleChannels; ++c) {
        int parameter = 0;
        const int effect = NoteEffect(NoteAt(song.position, song.row, c), parameter);
        switch (effect) {
        case 0xB:
            control.jump = parameter;
            break;
        case 0xD:
            control.breakRow = (parameter >> 4) * 10 + (parameter & 0x0F);
            break;
        case 0xF:
            if (parameter == 0) {
                if (report) {
                    std::fputs("Set tempo 0 exercised.\n", stderr);
                }
                song.ended = true;
                return control;
            }
            if (parameter <= 32) {
                song.speed = parameter;
            } else {
                song.tempo = parameter * 24;
            }
            break;
        case 0xE6:
            if (report) {
                Report(effect);
            }
            break;
        case 0xEE:
            control.delay = parameter;
            break;
        default:
            break;
        }
    }
    return control;
}

void ModRead::Advance(SongCursor& song, const RowControl& control) const {
    if (control.jump >= 0 || control.breakRow >= 0) {
        // Jumps only go forward, so every song ends.
        song.position = std::max(control.jump, song.position + 1);
        song.row = control.breakRow >= 0 && control.breakRow < kRows ? control.breakRow : 0;
    } else if (++song.row == kRows) {
        song.row = 0;
        ++song.position;
    }
    if (song.position >= songLength) {
        song.ended = true;
    }
}

void ModRead::WorkOutLength() {
    SongCursor song;
    song.ended = songLength == 0;
    double seconds = 0;
    while (!song.ended) {
        const RowControl control = SongEffects(song, false);
        if (song.ended) {
            break;
        }
        rowsAtTiming[{song.speed, song.tempo}] += 1 + control.delay;
        seconds += (1.0 + control.delay) * song.speed * 60.0 / song.tempo;
        if (seconds > kMaxRenderSeconds) {
            throw SoundError("Module is too long to render");
        }
        Advance(song, control);
    }
    cursor.ended = songLength == 0;
}

std::int64_t ModRead::DataLength() {
    const std::int64_t rate = samplingRateFrozen ? samplingRate : kPreferredRate;
    const std::int64_t outputChannels = channelsFrozen ? channels : 2;
    std::int64_t frames = 0;
    for (const auto& [timing, rows] : rowsAtTiming) {
        frames += rows * (timing.first * rate * 60 / timing.second);
    }
    return frames * outputChannels * 4;
}

void ModRead::SetSamplingRate(int rate) {
    AudioAbstract::SetSamplingRate(rate);
    for (ModInstrument& instrument : instruments) {
        if (instrument.sampled) {
            instrument.sampled->SetSamplingRate(rate);
        }
    }
}

void ModRead::MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) {
    minRate = std::max(minRate, 4000);
    maxRate = std::min(maxRate, kPreferredRate);
    preferred = std::clamp(kPreferredRate, std::min(minRate, maxRate), maxRate);
}

void ModRead::MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) {
    minChannels = std::max(minChannels, 1);
    maxChannels = std::min(maxChannels, 2);
    preferred = std::clamp(2, std::min(minChannels, maxChannels), maxChannels);
}

void ModRead::Report(int effect) {
    // Each message once per module: a pattern can repeat an effect thousands of times.
    if (reported.test(static_cast<std::size_t>(effect))) {
        return;
    }
    reported.set(static_cast<std::size_t>(effect));
    for (const EffectMessage& m : kEffectMessages) {
        if (m.effect == effect) {
            std::fputs(m.text, stderr);
        }
    }
}

void ModRead::UpdateVoice(Channel& channel, double period, int volume) {
    if (!channel.note) {
        return;
    }
    channel.note->SetPitch(kPeriodToPitch / std::max(period, 1.0));
    channel.note->SetVolume(std::clamp(volume, 0, 64) / 64.0 * 0.25);
}

void ModRead::Trigger(Channel& channel, const std::uint8_t* note) {
    const int instrument = NoteInstrument(note);
    const int period = NotePeriod(note);
    const bool toNote = channel.effect == 0x3 || channel.effect == 0x5;
    if (instrument != 0) {
        channel.instrument = instrument;
        channel.volume = instruments[instrument - 1].volume;
    }
    bool start = false;
    if (period != 0) {
        if (toNote) {
            channel.portaTarget = ClampPeriod(period);
        } else {
            channel.period = ClampPeriod(period);
            start = true;
        }
    } else if (instrument != 0 && !toNote) {
        start = true;
    }
    if (start && channel.instrument != 0 && channel.period != 0) {
        const ModInstrument& source = instruments[channel.instrument - 1];
        channel.note.reset();
        if (source.sampled) {
            channel.note = source.sampled->NewNote(kPeriodToPitch / channel.period, 0);
        }
        channel.vibratoPosition = 0;
        channel.tremoloPosition = 0;
    }
    UpdateVoice(channel, channel.period, channel.volume);
}

void ModRead::StartRow(Channel& channel, const std::uint8_t* note) {
    channel.delayedNote = nullptr;
    channel.effect = NoteEffect(note, channel.parameter);
    const int p = channel.parameter;
    if (channel.effect == 0xED && p > 0) {
        channel.delayedNote = note;
    } else {
        Trigger(channel, note);
    }
    switch (channel.effect) {
    case 0x1:
    case 0x2:
        if (p != 0) {
            channel.slideMemory = p;
        }
        break;
    case 0x3:
        if (p != 0) {
            channel.portaSpeed = p;
        }
        break;
    case 0x4:
        if ((p >> 4) != 0) {
            channel.vibratoSpeed = p >> 4;
        }
        if ((p & 0x0F) != 0) {
            channel.vibratoDepth = p & 0x0F;
        }
        break;
    case 0x7:
        Report(channel.effect);
        if ((p >> 4) != 0) {
            channel.tremoloSpeed = p >> 4;
        }
        if ((p & 0x0F) != 0) {
            channel.tremoloDepth = p & 0x0F;
        }
        break;
    case 0x9:
        if (channel.note) {
            channel.note->SetPosition(std::int64_t{p} * 512);
        }
        break;
    case 0xC:
        channel.volume = std::min(p, 64);
        break;
    case 0xE1:
        Report(channel.effect);
        channel.period = ClampPeriod(channel.period - p);
        break;
    case 0xE2:
        Report(channel.effect);
        channel.period = ClampPeriod(channel.period + p);
        break;
    case 0xE4:
        Report(channel.effect);
        channel.vibratoWave = (p & 3) == 3 ? 0 : p & 3;
        break;
    case 0xE7:
        Report(channel.effect);
        channel.tremoloWave = (p & 3) == 3 ? 0 : p & 3;
        break;
    case 0xEA:
        channel.volume = std::min(channel.volume + p, 64);
        break;
    case 0xEB:
        Report(channel.effect);
        channel.volume = std::max(channel.volume - p, 0);
        break;
    case 0xEC:
        Report(channel.effect);
        if (p == 0) {
            channel.volume = 0;
        }
        break;
    case 0xE0:
    case 0xE3:
    case 0xE5:
    case 0xEF:
        Report(channel.effect);
        break;
    default:
        break;
    }
    if (channel.period != 0) {
        UpdateVoice(channel, channel.period, channel.volume);
    }
}

void ModRead::TickEffects(Channel& channel, int tick, int repetition) {
    const int p = channel.parameter;
    const auto& waves = Waveforms();
    double period = channel.period;
    double factor = 1.0;
    int volume = channel.volume;
    switch (channel.effect) {
    case 0x0: {
        const int step = tick % 3 == 1 ? p >> 4 : (tick % 3 == 2 ? p & 0x0F : 0);
        factor = std::pow(2.0, step / 12.0);
        break;
    }
    case 0x1:
        channel.period = ClampPeriod(channel.period - channel.slideMemory);
        period = channel.period;
        break;
    case 0x2:
        channel.period = ClampPeriod(channel.period + channel.slideMemory);
        period = channel.period;
        break;
    case 0x3:
    case 0x5:
        if (channel.portaTarget != 0) {
            if (channel.period < channel.portaTarget) {
                channel.period = std::min(channel.period + channel.portaSpeed, channel.portaTarget);
            } else {
                channel.period = std::max(channel.period - channel.portaSpeed, channel.portaTarget);
            }
        }
        period = channel.period;
        if (channel.effect == 0x5) {
            volume = channel.volume = SlideVolume(channel.volume, p);
        }
        break;
    case 0x4:
    case 0x6:
        channel.vibratoPosition = (channel.vibratoPosition + channel.vibratoSpeed) & 63;
        period = channel.period +
                 waves[channel.vibratoWave][channel.vibratoPosition] * channel.vibratoDepth * 2;
        if (channel.effect == 0x6) {
            volume = channel.volume = SlideVolume(channel.volume, p);
        }
        break;
    case 0x7:
        channel.tremoloPosition = (channel.tremoloPosition + channel.tremoloSpeed) & 63;
        volume = channel.volume +
                 static_cast<int>(std::lround(waves[channel.tremoloWave][channel.tremoloPosition] *
                                              channel.tremoloDepth * 4));
        break;
    case 0xA:
        volume = channel.volume = SlideVolume(channel.volume, p);
        break;
    case 0xE9:
        if (p != 0 && tick % p == 0 && channel.note) {
            channel.note->Restart();
        }
        break;
    case 0xEC:
        if (tick == p) {
            volume = channel.volume = 0;
        }
        break;
    case 0xED:
        if (tick == p && repetition == 0 && channel.delayedNote != nullptr) {
            Trigger(channel, channel.delayedNote);
            channel.delayedNote = nullptr;
            volume = channel.volume;
            period = channel.period;
        }
        break;
    default:
        break;
    }
    if (channel.period != 0) {
        UpdateVoice(channel, period, volume);
        if (factor != 1.0 && channel.note) {
            channel.note->SetPitch(kPeriodToPitch / period * factor);
        }
    }
}

void ModRead::RenderRow() {
    rowSamples = 0;
    readIndex = 0;
    if (cursor.ended) {
        return;
    }
    const RowControl control = SongEffects(cursor, true);
    if (cursor.ended) {
        return;
    }
    const int outputChannels = channels;
    if (outputChannels != 1 && outputChannels != 2) {
        throw SoundError("Unsupported number of channels: ", outputChannels, false);
    }
    const std::int64_t perRow = std::int64_t{cursor.speed} * samplingRate * 60 / cursor.tempo;
    const int repetitions = 1 + control.delay;
    const std::int64_t frames = perRow * repetitions;
    left.assign(static_cast<std::size_t>(frames), 0);
    right.assign(outputChannels == 2 ? static_cast<std::size_t>(frames) : 0, 0);

    for (int c = 0; c < moduleChannels; ++c) {
        const std::uint8_t* note = NoteAt(cursor.position, cursor.row, c);
        Channel& channel = channelState[c];
        if (NoteInstrument(note) > kInstruments) {
            std::fprintf(stderr, "Illegal instrument number %d.\n", NoteInstrument(note));
            channel.effect = -1;
            channel.delayedNote = nullptr;
            continue;
        }
        StartRow(channel, note);
    }

    const std::int64_t perTick = perRow / cursor.speed;
    for (int r = 0; r < repetitions; ++r) {
        for (int t = 0; t < cursor.speed; ++t) {
            const std::int64_t start = r * perRow + t * perTick;
            const std::int64_t end = t == cursor.speed - 1 ? (r + 1) * perRow : start + perTick;
            for (int c = 0; c < moduleChannels; ++c) {
                Channel& channel = channelState[c];
                if (t > 0 || r > 0) {
                    TickEffects(channel, t, r);
                }
                if (!channel.note || end <= start) {
                    continue;
                }
                // Channels 0, 3, 4 and 7 on the left, the others on the right.
                const bool toLeft = outputChannels == 1 || c % 4 == 0 || c % 4 == 3;
                std::int16_t* target = (toLeft ? left.data() : right.data()) + start;
                const int wanted = static_cast<int>(end - start);
                if (channel.note->AddSamples(target, wanted) < wanted) {
                    channel.note.reset();
                }
            }
        }
    }
    rowSamples = frames * outputChannels;
    Advance(cursor, control);
}

int ModRead::GetSamples(float* buffer, int count) {
    SamplingRate();
    const int outputChannels = Channels();
    if (outputChannels != 1 && outputChannels != 2) {
        throw SoundError("Format error");
    }
    int done = 0;
    while (done < count) {
        if (readIndex >= rowSamples) {
            if (cursor.ended) {
                break;
            }
            RenderRow();
            continue;
        }
        const std::int64_t n = std::min<std::int64_t>(count - done, rowSamples - readIndex);
        for (std::int64_t i = 0; i < n; ++i, ++readIndex) {
            const std::int64_t frame = readIndex / outputChannels;
            const std::int16_t value =
                outputChannels == 1 || readIndex % 2 == 0 ? left[frame] : right[frame];
            buffer[done++] = value * (1.0f / 32768.0f);
        }
    }
    return done;
}
