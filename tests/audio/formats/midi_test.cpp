#include "audio/formats/midi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "audio/format_codes.h"
#include "audio/sound_error.h"
#include "tests/support/midi_file_builder.h"
#include "tests/support/sample_stream_checks.h"

namespace {

constexpr int kRate = 11025;
constexpr int kDivision = 96; // 192 ticks a second at the default tempo

struct Rendered {
    std::vector<float> samples;
    std::int64_t dataLength = 0;
    std::string diagnostics;
};

Rendered Render(const std::vector<std::uint8_t>& bytes) {
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    Rendered r;
    testing::internal::CaptureStderr();
    try {
        MidiRead reader(in, static_cast<std::int64_t>(bytes.size()));
        // Known before anything is read: callers size their work by it.
        r.dataLength = reader.DataLength();
        r.samples = ReadAllSamples(reader);
    } catch (...) {
        testing::internal::GetCapturedStderr();
        throw;
    }
    r.diagnostics = testing::internal::GetCapturedStderr();
    return r;
}

std::vector<std::uint8_t> OneNote(int key, std::uint64_t ticks, std::uint64_t tail = 0) {
    MidiTrackBuilder track;
    track.NoteOn(0, 0, key, 100).NoteOff(ticks, 0, key).EndOfTrack(tail);
    return MidiFile(0, kDivision, {track});
}

TEST(MidiRead, KeysPlayAtTheirEqualTemperedPitch) {
    const struct {
        int key;
        double hz;
    } cases[] = {{69, 440.0}, {81, 880.0}, {57, 220.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const Rendered r = Render(OneNote(c.key, 192));
        ASSERT_EQ(r.samples.size(), static_cast<std::size_t>(kRate));
        EXPECT_EQ(r.dataLength, kRate * 4);
        EXPECT_NEAR(RisingCrossingsPerSecond(r.samples, kRate, 1000, 10000), c.hz, c.hz * 0.005);
    }
}

TEST(MidiRead, ReportsFormatAndNegotiates11025HzMono) {
    const auto bytes = OneNote(69, 10);
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    testing::internal::CaptureStderr();
    MidiRead reader(in, 0);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(reader.FileFormat(), FileFormatMidi);
    EXPECT_EQ(reader.BitsPerSample(), 16);
    EXPECT_EQ(reader.SamplingRate(), kRate);
    EXPECT_EQ(reader.Channels(), 1);
}

TEST(MidiRead, HeldNoteSustainsThenFadesAfterItsRelease) {
    // Held two seconds, then a second of release time before the track ends.
    const Rendered r = Render(OneNote(69, 384, 192));
    ASSERT_EQ(r.samples.size(), 3u * kRate);
    // One note of velocity 100 is the loudest moment: gain 1/100, channel volume 100/128, and a
    // sustain level of a quarter.
    const float sustain = 0.25f * 0.78125f;
    EXPECT_NEAR(Peak(r.samples, kRate, 2 * kRate), sustain, 0.01f);
    EXPECT_NEAR(Peak(r.samples, 2 * kRate - 1000, 2 * kRate), sustain, 0.01f);
    EXPECT_LT(Peak(r.samples, 2 * kRate + kRate / 2, 2 * kRate + kRate / 2 + 500), sustain * 0.8f);
    EXPECT_EQ(Peak(r.samples, 2 * kRate + kRate * 3 / 4 + 10, 3 * kRate), 0.0f);
}

TEST(MidiRead, RunningStatusAndVelocityZeroNoteOffs) {
    // 90 45 64, then (running status) 45 00: a note-off after half a second.
    MidiTrackBuilder track;
    track.Raw(0, {0x90, 69, 100}).Raw(96, {69, 0}).EndOfTrack(192);
    const Rendered r = Render(MidiFile(0, kDivision, {track}));
    ASSERT_EQ(r.samples.size(), static_cast<std::size_t>(kRate * 3 / 2));
    EXPECT_GT(Peak(r.samples, kRate / 4, kRate / 2), 0.1f);
    EXPECT_EQ(Peak(r.samples, kRate * 5 / 4 + 10, kRate * 3 / 2), 0.0f);
}

TEST(MidiRead, FormatTwoPlaysOnlyItsFirstTrack) {
    MidiTrackBuilder first;
    first.NoteOn(0, 0, 69, 100).NoteOff(192, 0, 69).EndOfTrack(0);
    MidiTrackBuilder second;
    second.NoteOn(0, 1, 81, 100).NoteOff(384, 1, 81).EndOfTrack(0);
    const Rendered r = Render(MidiFile(2, kDivision, {first, second}));
    ASSERT_EQ(r.samples.size(), static_cast<std::size_t>(kRate));
    EXPECT_NEAR(RisingCrossingsPerSecond(r.samples, kRate, 1000, 10000), 440.0, 3.0);
    // The same tracks played together in a format-1 file run to the longer one.
    EXPECT_EQ(Render(MidiFile(1, kDivision, {first, second})).samples.size(),
              static_cast<std::size_t>(2 * kRate));
}

TEST(MidiRead, TimingFromTempoAndSmpte) {
    MidiTrackBuilder tempo;
    tempo.Tempo(0, 250000).NoteOn(0, 0, 69, 100).NoteOff(192, 0, 69).EndOfTrack(0);
    MidiTrackBuilder smpte;
    // A tempo means nothing under SMPTE time: 25 frames of 40 ticks make a second.
    smpte.Tempo(0, 250000).NoteOn(0, 0, 69, 100).NoteOff(2000, 0, 69).EndOfTrack(0);
    MidiTrackBuilder oddFrames;
    oddFrames.EndOfTrack(2997);
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::size_t samples;
    } cases[] = {
        {"quarter of 250 ms", MidiFile(0, kDivision, {tempo}), kRate / 2},
        {"25 frames of 40 ticks", MidiFile(0, static_cast<std::int16_t>(0xE728), {smpte}),
         2 * kRate},
        {"29.97 frames of 100 ticks", MidiFile(0, static_cast<std::int16_t>(0xE364), {oddFrames}),
         kRate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Rendered r = Render(c.bytes);
        EXPECT_NEAR(static_cast<double>(r.samples.size()), static_cast<double>(c.samples), 1.0);
        EXPECT_EQ(r.dataLength, static_cast<std::int64_t>(r.samples.size()) * 4);
    }
}

TEST(MidiRead, FilesWithoutSoundingNotesGiveSilenceForTheirLength) {
    MidiTrackBuilder none;
    none.Meta(0, 3, "empty").Tempo(0, 500000).EndOfTrack(960);
    MidiTrackBuilder silent;
    silent.NoteOn(0, 0, 60, 0).NoteOn(0, 0, 64, 0).EndOfTrack(192);
    for (const auto& bytes : {MidiFile(0, kDivision, {none}), MidiFile(0, kDivision, {silent})}) {
        const Rendered r = Render(bytes);
        EXPECT_EQ(r.dataLength, static_cast<std::int64_t>(r.samples.size()) * 4);
        EXPECT_GE(r.samples.size(), static_cast<std::size_t>(kRate));
        EXPECT_EQ(Peak(r.samples, 0, r.samples.size()), 0.0f);
    }
}

TEST(MidiRead, LoudestMomentIsScaledToFitAndSumsSaturate) {
    // Three notes at once: the gain shares full scale among them.
    MidiTrackBuilder chord;
    chord.NoteOn(0, 0, 60, 127).NoteOn(0, 0, 64, 127).NoteOn(0, 0, 67, 127);
    chord.NoteOff(192, 0, 60).NoteOff(0, 0, 64).NoteOff(0, 0, 67).EndOfTrack(0);
    const Rendered r = Render(MidiFile(0, kDivision, {chord}));
    const float peak = Peak(r.samples, 0, r.samples.size());
    EXPECT_GT(peak, 0.3f);
    EXPECT_LE(peak, 0.79f);
    EXPECT_NE(r.diagnostics.find("Maximum Simultaneous Notes: 3\nMaximum Total volume: 381\n"),
              std::string::npos);
}

TEST(MidiRead, NamesTheGeneralMidiInstrumentsOnce) {
    MidiTrackBuilder track;
    track.Raw(0, {0xC0, 40}).NoteOn(0, 0, 69, 90).NoteOn(10, 0, 72, 90);
    track.NoteOn(0, 9, 38, 90).NoteOn(0, 9, 90, 90).EndOfTrack(10);
    const Rendered r = Render(MidiFile(0, kDivision, {track}));
    const std::string& d = r.diagnostics;
    EXPECT_NE(d.find("Instrument: Violin (Program 41)\n"), std::string::npos);
    EXPECT_EQ(d.find("Violin"), d.rfind("Violin"));
    EXPECT_NE(d.find("Instrument: Acoustic Snare (Note 38)\n"), std::string::npos);
    EXPECT_NE(d.find("Unknown Percussion.\n"), std::string::npos);
}

TEST(MidiRead, ErrorsAndBounds) {
    MidiTrackBuilder unterminated;
    unterminated.Raw(0, {0xFF, 0x01, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81, 0x01});
    std::vector<std::uint8_t> notMidi = OneNote(69, 10);
    notMidi[1] = 'X';
    MidiTrackBuilder endless;
    endless.NoteOn(0, 0, 69, 100).NoteOff(std::uint64_t{1} << 40, 0, 69);
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* error;
    } cases[] = {
        {"header", notMidi, "First chunk not `MThd'"},
        {"seven-byte quantity", MidiFile(0, kDivision, {unterminated}), "Unterminated variable"},
        {"division 0", MidiFile(0, 0, {MidiTrackBuilder().EndOfTrack(0)}),
         "Illegal MIDI time division: 0"},
        {"no ticks per frame", MidiFile(0, static_cast<std::int16_t>(0xE700), {endless}),
         "Illegal MIDI time division: -6400"},
        {"days of sound", MidiFile(0, kDivision, {endless}), "MIDI file is too long to render"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SoundErrorText([&] { Render(c.bytes); }), c.error);
    }

    // A system exclusive event that claims 2^41 bytes ends its track, allocating nothing.
    MidiTrackBuilder huge;
    huge.NoteOn(0, 0, 69, 100);
    std::vector<std::uint8_t> sysex{0xF0};
    const auto length = MidiVariable(std::uint64_t{1} << 41);
    sysex.insert(sysex.end(), length.begin(), length.end());
    huge.Raw(192, sysex);
    const Rendered r = Render(MidiFile(0, kDivision, {huge}));
    EXPECT_NE(r.diagnostics.find("Contents of track chunk were too long.\n"), std::string::npos);
    EXPECT_EQ(r.samples.size(), 0u); // the note-on was the last event
}

TEST(MidiRead, MalformedInputGivesErrorsNotCrashes) {
    MidiTrackBuilder a;
    a.Meta(0, 3, "lead").Tempo(0, 400000).Raw(0, {0xC0, 5}).Raw(0, {0xB0, 7, 90});
    a.NoteOn(10, 0, 69, 100).Raw(5, {72, 80}).Raw(5, {0xA0, 69, 30}).Raw(3, {0xE0, 0, 64});
    a.Raw(2, {0xF0, 3, 1, 2, 0xF7}).Raw(1, {0xFF, 0x7F, 4, 0, 0, 0x41, 1});
    a.NoteOff(20, 0, 69).Raw(1, {0xB0, 121, 0}).Raw(1, {0xB0, 123, 0}).EndOfTrack(5);
    MidiTrackBuilder b;
    b.NoteOn(3, 9, 38, 90).NoteOn(4, 12, 50, 70).Raw(2, {0xD9, 20}).NoteOff(30, 9, 38);
    b.Raw(1, {0xB9, 101, 0}).Raw(0, {0xB9, 100, 0}).Raw(0, {0xB9, 96, 0}).EndOfTrack(0);
    const std::vector<std::uint8_t> valid = MidiFile(1, kDivision, {a, b});
    testing::internal::CaptureStderr();
    for (const auto& bytes : MalformedCopies(valid, 2000, 130)) {
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        try {
            MidiRead reader(in, static_cast<std::int64_t>(bytes.size()));
            ReadAllSamples(reader, 100'000);
        } catch (const SoundError&) {
        }
    }
    testing::internal::GetCapturedStderr();
}

} // namespace
