#include "audio/instruments/sampled_instrument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "audio/instruments/sine_wave_instrument.h"

namespace {

// An instrument whose notes step one stored sample per output sample at the base pitch.
SampledInstrument Ramp(int count, int loopStart, int loopEnd) {
    std::vector<std::int16_t> samples(count);
    std::iota(samples.begin(), samples.end(), std::int16_t{100});
    SampledInstrument instrument(samples.data(), count, loopStart, loopEnd);
    instrument.Init(440.0, 8000.0);
    instrument.SetSamplingRate(8000);
    return instrument;
}

std::vector<std::int16_t> Play(AbstractNote& note, int count, int* produced = nullptr) {
    std::vector<std::int16_t> out(count, 0);
    const int got = note.AddSamples(out.data(), count);
    if (produced != nullptr) {
        *produced = got;
    }
    return out;
}

TEST(SampledNote, PlaysSamplesOnceWithoutALoopAndInterpolatesAtHalfSteps) {
    const SampledInstrument instrument = Ramp(4, 0, 0);
    auto note = instrument.NewNote(440.0, 1.0);
    int produced = 0;
    EXPECT_EQ(Play(*note, 6, &produced), (std::vector<std::int16_t>{100, 101, 102, 103, 0, 0}));
    EXPECT_EQ(produced, 4);

    auto slow = instrument.NewNote(220.0, 0.5);
    // Half steps: midway values, at half volume; the last sample has nothing after it.
    EXPECT_EQ(Play(*slow, 8), (std::vector<std::int16_t>{50, 50, 50, 50, 51, 51, 51, 51}));
}

TEST(SampledNote, LoopsUntilReleasedThenPlaysToTheEnd) {
    const SampledInstrument instrument = Ramp(6, 2, 4);
    auto note = instrument.NewNote(440.0, 1.0);
    EXPECT_EQ(Play(*note, 7), (std::vector<std::int16_t>{100, 101, 102, 103, 102, 103, 102}));
    note->Release(1.0f);
    int produced = 0;
    EXPECT_EQ(Play(*note, 5, &produced), (std::vector<std::int16_t>{103, 104, 105, 0, 0}));
    EXPECT_EQ(produced, 3);
}

TEST(SampledNote, PositionPastTheEndWrapsIntoTheLoopOrEnds) {
    const SampledInstrument looped = Ramp(6, 2, 4);
    auto note = looped.NewNote(440.0, 1.0);
    note->SetPosition(9); // 2 + (9 - 2) % 2
    EXPECT_EQ(Play(*note, 2), (std::vector<std::int16_t>{103, 102}));

    const SampledInstrument once = Ramp(6, 0, 0);
    auto ended = once.NewNote(440.0, 1.0);
    ended->SetPosition(9);
    int produced = -1;
    Play(*ended, 2, &produced);
    EXPECT_EQ(produced, 0);
}

TEST(SampledNote, StepsLongerThanTheLoopStayInsideIt) {
    const SampledInstrument instrument = Ramp(10, 3, 5);
    auto note = instrument.NewNote(440.0 * 7.5, 1.0);
    const std::vector<std::int16_t> out = Play(*note, 200);
    for (std::int16_t v : out) {
        EXPECT_GE(v, 100);
        EXPECT_LE(v, 109);
    }
}

TEST(SampledNote, LoopsOutsideTheSamplesAreCutOrDropped) {
    const SampledInstrument clipped = Ramp(4, 2, 100);
    EXPECT_EQ(clipped.LoopEnd(), 4);
    const SampledInstrument dropped = Ramp(4, 7, 9);
    EXPECT_EQ(dropped.LoopStart(), dropped.LoopEnd());
}

TEST(SampledNote, SumsSaturateInsteadOfWrapping) {
    const std::vector<std::int16_t> loud{30000, -30000};
    SampledInstrument instrument(loud.data(), 2, 0, 0);
    instrument.Init(440.0, 8000.0);
    instrument.SetSamplingRate(8000);
    std::vector<std::int16_t> out(2, 0);
    for (int voice = 0; voice < 3; ++voice) {
        instrument.NewNote(440.0, 1.0)->AddSamples(out.data(), 2);
    }
    EXPECT_EQ(out, (std::vector<std::int16_t>{32767, -32768}));
}

TEST(SineWaveInstrument, SustainsWhileHeldAndFadesOutAfterRelease) {
    SineWaveInstrument sine;
    sine.SetSamplingRate(11025);
    auto note = sine.NewNote(440.0, 1.0);
    // Two seconds held: still sounding, at the sustain level of a quarter.
    std::vector<std::int16_t> held(22050, 0);
    ASSERT_EQ(note->AddSamples(held.data(), 22050), 22050);
    const auto [low, high] = std::minmax_element(held.end() - 1000, held.end());
    EXPECT_NEAR(*high, 32767 / 4, 200);
    EXPECT_NEAR(*low, -32767 / 4, 200);

    note->Release(0.5f);
    std::vector<std::int16_t> tail(11025, 0);
    const int produced = note->AddSamples(tail.data(), 11025);
    // The rest of the sustain loop and then the half-second release.
    EXPECT_GE(produced, 11025 / 2);
    EXPECT_LE(produced, 11025 * 3 / 4 + 1);
    const auto lastPeak = std::max_element(tail.begin() + produced - 200, tail.begin() + produced);
    EXPECT_LT(*lastPeak, 400);
}

} // namespace
