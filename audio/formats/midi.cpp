#include "audio/formats/midi.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <istream>
#include <string>

#include "audio/byte_order.h"
#include "audio/format_codes.h"
#include "audio/formats/render_limit.h"
#include "audio/sound_error.h"

namespace {

constexpr int kMaxVariableBytes = 6;
// Tick times stop growing here; such a file is refused as too long by the analysis.
constexpr std::int64_t kMaxTicks = std::int64_t{1} << 60;
// Track bodies are read in pieces, so a length field that lies allocates nothing.
constexpr std::size_t kReadPiece = 65536;
constexpr int kRenderBlock = 4096;

// Prefixes of the text meta events 0-15 as they are read; type 3 names the track instead.
constexpr const char* kMetaPrefixes[16] = {
    "",         "Comment: ",   "Copyright: ", nullptr,  "Instrument Name ", "Lyric: ",
    "Marker: ", "Cue Point: ", "Text: ",      "Text: ", "Text: ",           "Text: ",
    "Text: ",   "Text: ",      "Text: ",      "Text: ",
};

bool IsKnownMeta(int type) {
    return type < 16 || type == 0x2F || type == 0x51 || type == 0x58 || type == 0x59 ||
           type == 0x7F;
}

std::string Printable(const std::vector<std::uint8_t>& data) {
    std::string text(data.begin(), std::find(data.begin(), data.end(), 0));
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = ' ';
        }
    }
    return text;
}

std::vector<std::uint8_t> ReadPieces(std::istream& stream, std::uint64_t length) {
    std::vector<std::uint8_t> body;
    while (body.size() < length && stream) {
        const std::size_t piece =
            static_cast<std::size_t>(std::min<std::uint64_t>(kReadPiece, length - body.size()));
        const std::size_t at = body.size();
        body.resize(at + piece);
        stream.read(reinterpret_cast<char*>(body.data() + at), static_cast<std::streamsize>(piece));
        body.resize(at + static_cast<std::size_t>(stream.gcount()));
    }
    return body;
}

// Thrown inside a track when an event runs past the end of its chunk.
struct Overrun {};

class TrackCursor {
public:
    explicit TrackCursor(const std::vector<std::uint8_t>& body) : body(body) {}
    bool AtEnd() const { return position >= body.size(); }
    std::size_t Left() const { return body.size() - position; }
    std::uint8_t Byte() {
        if (AtEnd()) {
            throw Overrun{};
        }
        return body[position++];
    }
    std::uint8_t Peek() const { return body[position]; }
    std::uint64_t Variable() {
        std::uint64_t value = 0;
        for (int i = 0; i < kMaxVariableBytes; ++i) {
            const std::uint8_t b = Byte();
            value = (value << 7) | (b & 0x7F);
            if ((b & 0x80) == 0) {
                return value;
            }
        }
        throw SoundError("Unterminated variable");
    }
    std::vector<std::uint8_t> Bytes(std::uint64_t length) {
        if (length > Left()) {
            throw Overrun{};
        }
        std::vector<std::uint8_t> out(body.begin() + static_cast<std::ptrdiff_t>(position),
                                      body.begin() +
                                          static_cast<std::ptrdiff_t>(position + length));
        position += static_cast<std::size_t>(length);
        return out;
    }

private:
    const std::vector<std::uint8_t>& body;
    std::size_t position = 0;
};

} // namespace

MidiRead::MidiRead(std::istream& stream, std::int64_t) {
    fileFormat = FileFormatMidi;
    bitsPerSample = 16;
    ReadHeader(stream);
    ReadTracks(stream);
    Analyze();
}

MidiRead::~MidiRead() = default;

void MidiRead::ReadHeader(std::istream& stream) {
    char id[4] = {};
    stream.read(id, 4);
    if (!stream || std::memcmp(id, "MThd", 4) != 0) {
        throw SoundError("First chunk not `MThd'");
    }
    const std::uint32_t length = ReadIntMsb(stream, 4);
    format = static_cast<int>(ReadIntMsb(stream, 2));
    trackCount = static_cast<int>(ReadIntMsb(stream, 2));
    division = static_cast<std::int16_t>(ReadIntMsb(stream, 2));
    if (length > 6) {
        stream.ignore(length - 6);
    }
    switch (format) {
    case 0:
        std::fputs("Tracks: 1\n", stderr);
        if (trackCount != 1) {
            std::fprintf(stderr, "But it has %d tracks?!?!\n", trackCount);
        }
        break;
    case 1:
        std::fprintf(stderr, "Tracks: %d simultaneous.\n", trackCount);
        break;
    case 2:
        std::fprintf(stderr, "Tracks: %d independent.\n", trackCount);
        break;
    default:
        std::fprintf(stderr, "Unknown file type: %d\n", format);
        break;
    }
    std::fprintf(stderr, "Time Format: %d%s", division,
                 division < 0 ? " (SMPTE)\n" : " ticks/quarter note\n");
    // Ticks are turned into time by dividing by these: zero would give no time at all.
    if (division == 0 || (division < 0 && (division & 0xFF) == 0)) {
        throw SoundError("Illegal MIDI time division: ", division, false);
    }
}

void MidiRead::ReadTracks(std::istream& stream) {
    std::vector<std::pair<std::int64_t, MidiEvent>> timed;
    int read = 0;
    while (read < trackCount && stream) {
        char id[4] = {};
        stream.read(id, 4);
        const std::uint32_t length = ReadIntMsb(stream, 4);
        if (!stream) {
            break;
        }
        if (std::memcmp(id, "MTrk", 4) != 0) {
            stream.ignore(length);
            continue;
        }
        ReadTrack(ReadPieces(stream, length), read, timed);
        ++read;
        // The tracks of a format-2 file are separate songs: the first one is the sound.
        if (format == 2) {
            break;
        }
    }
    // One list ordered by time; events at the same time keep their track and file order.
    std::stable_sort(timed.begin(), timed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    events.reserve(timed.size());
    std::int64_t previous = 0;
    for (auto& [time, event] : timed) {
        event.delta = time - previous;
        previous = time;
        events.push_back(std::move(event));
    }
}

void MidiRead::ReadTrack(const std::vector<std::uint8_t>& body, int track,
                         std::vector<std::pair<std::int64_t, MidiEvent>>& timed) {
    TrackCursor in(body);
    std::int64_t time = 0;
    std::uint8_t running = 0;
    try {
        while (!in.AtEnd()) {
            const std::uint64_t delta = in.Variable();
            time = static_cast<std::int64_t>(
                std::min<std::uint64_t>(static_cast<std::uint64_t>(time) + delta, kMaxTicks));
            MidiEvent event;
            event.track = track;
            const std::uint8_t first = in.Byte();
            if (first >= 0x80) {
                event.status = first;
                // System and meta events end a running status.
                running = first < 0xF0 ? first : 0;
            } else if (running != 0) {
                event.status = running;
            } else {
                event.status = first; // a data byte where a status belongs
            }
            const bool haveFirstData = first < 0x80 && running != 0;
            const int kind = event.status & 0xF0;
            if (event.status < 0x80) {
                // Nothing more to read: reported when the event is reached.
            } else if (kind == 0xC0 || kind == 0xD0) {
                event.data1 = (haveFirstData ? first : in.Byte()) & 0x7F;
            } else if (kind != 0xF0) {
                event.data1 = (haveFirstData ? first : in.Byte()) & 0x7F;
                event.data2 = in.Byte() & 0x7F;
            } else if (event.status == 0xF0 || event.status == 0xF7) {
                event.data = in.Bytes(in.Variable());
            } else if (event.status == 0xFF) {
                event.data1 = in.Byte();
                event.data = in.Bytes(in.Variable());
                event.data.push_back(0);
                const int type = event.data1;
                if (type == 3) {
                    std::fprintf(stderr, "Track %d: %s\n", track, Printable(event.data).c_str());
                } else if (type < 16) {
                    std::fprintf(stderr, "%s%s\n", kMetaPrefixes[type],
                                 Printable(event.data).c_str());
                }
            }
            const bool endOfTrack = event.status == 0xFF && event.data1 == 0x2F;
            timed.emplace_back(time, std::move(event));
            if (endOfTrack) {
                break;
            }
        }
    } catch (const Overrun&) {
        std::fputs("Contents of track chunk were too long.\n", stderr);
    }
}

void MidiRead::Analyze() {
    std::fputs("Analyzing MIDI file . . . ", stderr);
    double samplesPerTick = 0;
    if (division > 0) {
        samplesPerTick = kRate * 0.5 / division; // a quarter note of half a second
    } else {
        const int code = static_cast<std::int8_t>(division >> 8);
        double framesPerSecond = 30;
        switch (code) {
        case -24:
            framesPerSecond = 24;
            break;
        case -25:
            framesPerSecond = 25;
            break;
        case -29:
            framesPerSecond = 29.97;
            break;
        case -30:
            framesPerSecond = 30;
            break;
        default:
            std::fputs("Illegal SMPTE frame code.\n", stderr);
            break;
        }
        samplesPerTick = kRate / framesPerSecond / (division & 0xFF);
    }

    const double limit = kMaxRenderSeconds * kRate;
    double carried = 0;
    double total = 0;
    std::bitset<16> disabled;
    std::bitset<16> hasNotes;
    int velocityOn[16][128] = {};
    int simultaneous = 0;
    int totalVolume = 0;
    int maxSimultaneous = 0;
    int maxTotalVolume = 0;
    for (MidiEvent& event : events) {
        const double exact = static_cast<double>(event.delta) * samplesPerTick + carried;
        const double whole = std::floor(exact);
        carried = exact - whole;
        total += whole;
        if (total > limit) {
            throw SoundError("MIDI file is too long to render");
        }
        event.delta = static_cast<std::int64_t>(whole);

        if (event.status == 0xFF && event.data1 == 0x51 && event.data.size() >= 4 && division > 0) {
            // Under SMPTE timing ticks are absolute time and a tempo changes nothing.
            const std::uint32_t tempo = BytesToIntMsb(event.data.data(), 3);
            if (tempo > 0) {
                samplesPerTick = kRate / (1000000.0 / tempo) / division;
            }
        } else if (event.status == 0xFF && event.data1 == 0x7F && event.data.size() >= 4 &&
                   event.data[0] == 0 && event.data[1] == 0 && event.data[2] == 0x41) {
            std::fputs("This is an MPC MIDI file.\n", stderr);
            for (int channel = 10; channel < 16; ++channel) {
                disabled.set(channel);
            }
        }
        const int kind = event.status & 0xF0;
        const int channel = event.status & 0x0F;
        if (kind == 0x90 && (event.data2 == 0 || disabled.test(channel))) {
            event.status = static_cast<std::uint8_t>(0x80 | channel);
            event.data2 = 64;
        }
        if (kind != 0x80 && kind != 0x90) {
            continue;
        }
        hasNotes.set(channel);
        int& on = velocityOn[channel][event.data1];
        if (on > 0) {
            --simultaneous;
            totalVolume -= on;
            on = 0;
        }
        if ((event.status & 0xF0) == 0x90) {
            on = event.data2;
            ++simultaneous;
            totalVolume += on;
            maxSimultaneous = std::max(maxSimultaneous, simultaneous);
            maxTotalVolume = std::max(maxTotalVolume, totalVolume);
        }
    }
    std::fputs(". . done.\n", stderr);
    std::fprintf(stderr, "Maximum Simultaneous Notes: %d\nMaximum Total volume: %d\n\n",
                 maxSimultaneous, maxTotalVolume);

    // A file whose notes are all silent has no loudest moment to scale to.
    const float gain = maxTotalVolume > 0 ? 1.0f / maxTotalVolume : 1.0f;
    for (int channel = 0; channel < 16; ++channel) {
        if (hasNotes.test(channel) && !disabled.test(channel)) {
            channelObjects[channel] = std::make_unique<MidiChannelStandard>(
                selector, gain, channel == 9 ? MidiInstrumentSelector::kPercussionBank : 0);
        } else {
            channelObjects[channel] = std::make_unique<MidiChannelSilent>();
        }
    }
    selector.SetSamplingRate(kRate);
    dataLength = static_cast<std::int64_t>(total) * 4;
    samplesDue = events.empty() ? 0 : events.front().delta;
}

void MidiRead::Dispatch(const MidiEvent& event) {
    const int kind = event.status & 0xF0;
    MidiChannelAbstract& channel = *channelObjects[event.status & 0x0F];
    switch (kind) {
    case 0x80:
        channel.NoteOff(event.data1, event.data2);
        return;
    case 0x90:
        if (event.data2 == 0) {
            channel.NoteOff(event.data1, 64);
        } else {
            channel.NoteOn(event.data1, event.data2);
        }
        return;
    case 0xA0:
        std::fprintf(stderr, "Key Aftertouch: %d velocity: %d\n", event.data1, event.data2);
        channel.KeyAftertouch(event.data1, event.data2);
        return;
    case 0xB0:
        channel.Controller(event.data1, event.data2);
        return;
    case 0xC0:
        channel.ProgramChange(event.data1);
        return;
    case 0xD0:
        std::fprintf(stderr, "Channel Aftertouch: velocity: %d\n", event.data1);
        channel.ChannelAftertouch(event.data1);
        return;
    case 0xE0:
        channel.PitchBend(event.data1 + event.data2 * 128);
        return;
    default:
        break;
    }
    if (event.status < 0x80) {
        std::fprintf(stderr, "Track %2d, Bad Status: 0x%x\n", event.track, event.status);
    } else if (event.status == 0xFF) {
        if (!IsKnownMeta(event.data1)) {
            std::fprintf(stderr, "Track %2d: (Meta 0x%02x)\n", event.track, event.data1);
        }
    } else if (event.status == 0xF0) {
        std::fprintf(stderr, "Track %2d: (Sysex Event)\n", event.track);
    } else if (event.status == 0xF7) {
        std::fprintf(stderr, "Track %2d: (Special Sysex Event)\n", event.track);
    } else {
        std::fprintf(stderr, "Track %2d: Status: 0x%02x\n", event.track, event.status);
    }
}

int MidiRead::GetSamples(float* buffer, int count) {
    std::int16_t block[kRenderBlock];
    int done = 0;
    while (done < count) {
        if (samplesDue > 0) {
            const int n =
                static_cast<int>(std::min<std::int64_t>({samplesDue, count - done, kRenderBlock}));
            std::fill_n(block, n, std::int16_t{0});
            for (auto& channel : channelObjects) {
                channel->AddSamples(block, n);
            }
            for (int i = 0; i < n; ++i) {
                buffer[done + i] = block[i] * (1.0f / 32768.0f);
            }
            done += n;
            samplesDue -= n;
        } else if (current < events.size()) {
            Dispatch(events[current]);
            ++current;
            samplesDue = current < events.size() ? events[current].delta : 0;
        } else {
            break;
        }
    }
    return done;
}

void MidiRead::MinMaxSamplingRate(int& minRate, int& maxRate, int& preferred) {
    minRate = maxRate = preferred = kRate;
}

void MidiRead::MinMaxChannels(int& minChannels, int& maxChannels, int& preferred) {
    minChannels = maxChannels = preferred = 1;
}
