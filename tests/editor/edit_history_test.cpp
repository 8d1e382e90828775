#include "editor/model/edit_history.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

constexpr int kRate = 8000;
using Tracks = std::vector<std::vector<float>>;

std::vector<float> ReadAll(CAP_SampleTrack& track) {
    std::vector<float> out(static_cast<std::size_t>(track.TotalFrames()));
    for (std::int64_t done = 0; done < track.TotalFrames();) {
        const int got =
            track.ReadFrames(out.data() + done, static_cast<int>(track.TotalFrames() - done), done);
        if (got <= 0)
            break;
        done += got;
    }
    return out;
}

void Fill(CAP_SampleTrack& track, const std::vector<float>& samples) {
    track.DeleteSamples(track.TotalFrames(), 0);
    track.InsertSamples(samples.data(), static_cast<std::int64_t>(samples.size()), 0, 1);
}

void ExpectTracks(CAP_SampleMixer& mixer, const Tracks& model) {
    ASSERT_EQ(mixer.TrackCount(), static_cast<int>(model.size()));
    for (int t = 0; t < mixer.TrackCount(); ++t) {
        const std::vector<float> got = ReadAll(*mixer.Track(t));
        ASSERT_EQ(got.size(), model[t].size()) << "track " << t;
        for (std::size_t k = 0; k < got.size(); ++k)
            ASSERT_NEAR(got[k], model[t][k], 1e-5f) << "track " << t << " frame " << k;
    }
}

float Clip(double v) {
    return static_cast<float>(std::clamp(v, -1.0, 1.0));
}

// The same edits on plain vectors, with whole copies for undo and redo.
struct Model {
    Tracks tracks;
    std::deque<Tracks> undo, redo;
    Tracks clipboard;
    bool truncated = false;

    void Edit() {
        undo.push_front(tracks);
        if (undo.size() > 5) {
            undo.pop_back();
            truncated = true;
        }
        redo.clear();
    }
    void Undo() {
        redo.push_front(tracks);
        tracks = undo.front();
        undo.pop_front();
    }
    void Redo() {
        undo.push_front(tracks);
        if (undo.size() > 5) {
            undo.pop_back();
            truncated = true;
        }
        tracks = redo.front();
        redo.pop_front();
    }
};

class EditHistoryTest : public ::testing::Test {
protected:
    EditHistoryTest() : mixer(2, kRate, true), history(&mixer, clipboard.data()) {}

    void FillRandom(std::mt19937& random, int frames) {
        std::uniform_real_distribution<float> value(-0.9f, 0.9f);
        model.tracks.assign(mixer.TrackCount(), {});
        for (int t = 0; t < mixer.TrackCount(); ++t) {
            for (int k = 0; k < frames; ++k)
                model.tracks[t].push_back(value(random));
            Fill(*mixer.Track(t), model.tracks[t]);
        }
    }
    ~EditHistoryTest() override {
        for (CAP_SampleTrack* track : clipboard)
            delete track;
    }

    std::array<CAP_SampleTrack*, 33> clipboard{};
    CAP_SampleMixer mixer;
    EditHistory history;
    Model model;
};

TEST_F(EditHistoryTest, RandomEditsUndoAndRedoMatchAPlainModel) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        FillRandom(random, 3000);
        EditHistory h(&mixer, clipboard.data());
        model.undo.clear();
        model.redo.clear();
        model.truncated = false;
        auto pick = [&](int hi) { return std::uniform_int_distribution<int>(0, hi)(random); };
        for (int step = 0; step < 150; ++step) {
            const std::int64_t size = static_cast<std::int64_t>(model.tracks[0].size());
            const std::int64_t start = pick(static_cast<int>(size));
            const std::int64_t length = std::min<std::int64_t>(pick(1500), size - start);
            const int op = pick(9);
            SCOPED_TRACE(testing::Message() << "step " << step << " op " << op << " start " << start
                                            << " length " << length);
            const EditViewState view{1, 2, static_cast<std::int32_t>(start),
                                     static_cast<std::int32_t>(length)};
            switch (op) {
            case 0: // undo, twice as often as redo
            case 1:
                if (!model.undo.empty()) {
                    std::int64_t l = 0, s = 0;
                    EditViewState back{};
                    ASSERT_TRUE(h.Undo(l, s, back));
                    model.Undo();
                } else {
                    std::int64_t l = 0, s = 0;
                    EditViewState back{};
                    EXPECT_FALSE(h.Undo(l, s, back));
                }
                break;
            case 2:
                if (!model.redo.empty()) {
                    std::int64_t l = 0, s = 0;
                    ASSERT_TRUE(h.Redo(l, s));
                    model.Redo();
                }
                break;
            case 3: // cut or delete
                if (pick(1) == 0) {
                    h.Cut(length, start, -1, &view);
                    model.clipboard.clear();
                    for (auto& t : model.tracks)
                        model.clipboard.emplace_back(t.begin() + start, t.begin() + start + length);
                } else {
                    h.Delete(length, start, -1, &view);
                }
                model.Edit();
                for (auto& t : model.tracks)
                    t.erase(t.begin() + start, t.begin() + start + length);
                break;
            case 4:
                h.Copy(length, start, -1);
                model.clipboard.clear();
                for (auto& t : model.tracks)
                    model.clipboard.emplace_back(t.begin() + start, t.begin() + start + length);
                break;
            case 5: // paste over the range
                if (model.clipboard.empty())
                    break;
                EXPECT_EQ(h.InsertFromClipboard(length, start, -1, 0, false, 100, 0, &view),
                          static_cast<std::int64_t>(model.clipboard[0].size()));
                model.Edit();
                for (std::size_t t = 0; t < model.tracks.size(); ++t) {
                    auto& v = model.tracks[t];
                    v.erase(v.begin() + start, v.begin() + start + length);
                    v.insert(v.begin() + start, model.clipboard[t].begin(),
                             model.clipboard[t].end());
                }
                break;
            case 6: { // mix into the range, past the end when the clip is longer
                if (model.clipboard.empty())
                    break;
                const std::int64_t asked = pick(1500);
                const std::int64_t n =
                    h.InsertFromClipboard(asked, start, -1, 1, false, 60, 40, &view);
                model.Edit();
                EXPECT_EQ(n, std::min<std::int64_t>(asked, model.clipboard[0].size()));
                for (std::size_t t = 0; t < model.tracks.size(); ++t) {
                    auto& v = model.tracks[t];
                    for (std::int64_t k = 0; k < n; ++k) {
                        const double in = model.clipboard[t][k];
                        const std::size_t at = static_cast<std::size_t>(start + k);
                        if (at < v.size())
                            v[at] = Clip(0.6 * in + 0.4 * v[at]);
                        else
                            v.push_back(static_cast<float>(in)); // appended as it is
                    }
                }
                break;
            }
            case 7: // trim or fade
                if (pick(1) == 0 && length > 0) {
                    h.Trim(length, start, -1, &view);
                    model.Edit();
                    for (auto& t : model.tracks)
                        t = std::vector<float>(t.begin() + start, t.begin() + start + length);
                } else {
                    h.Fade(length, start, -1, 0.2, 1.3, &view);
                    model.Edit();
                    for (auto& t : model.tracks)
                        for (std::int64_t k = 0; k < length; ++k)
                            t[start + k] =
                                static_cast<float>(t[start + k] * (0.2 + (1.3 - 0.2) / length * k));
                }
                break;
            case 8:
                h.AdjustVolume(length, start, -1, 1.7, &view);
                model.Edit();
                for (auto& t : model.tracks)
                    for (std::int64_t k = 0; k < length; ++k)
                        t[start + k] = Clip(1.7 * t[start + k]);
                break;
            case 9: { // silence, a pattern taken in passes
                const std::array<float, 5> pattern{0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
                const std::int64_t total = pick(40);
                h.InsertSamples(length, start, -1, pattern.data(), 3, 5, total, &view);
                model.Edit();
                std::vector<float> fresh;
                for (std::int64_t k = 0, index = 3; k < total; ++k) {
                    fresh.push_back(pattern[index]);
                    index = (index + 1) % 5;
                }
                for (auto& t : model.tracks) {
                    t.erase(t.begin() + start, t.begin() + start + length);
                    t.insert(t.begin() + start, fresh.begin(), fresh.end());
                }
                break;
            }
            }
            ExpectTracks(mixer, model.tracks);
            ASSERT_EQ(h.CanUndo(), !model.undo.empty());
            ASSERT_EQ(h.CanRedo(), !model.redo.empty());
            ASSERT_EQ(h.IsModified(), !model.undo.empty() || model.truncated);
            ASSERT_LE(h.undoList.size(), 5u);
            if (model.tracks[0].size() < 200) {
                // Grow the sound again through the history, so both stay in step.
                std::vector<float> fresh(1000);
                for (float& f : fresh)
                    f = std::uniform_real_distribution<float>(-0.9f, 0.9f)(random);
                h.InsertSamples(0, 0, -1, fresh.data(), 0, 1000, 1000, nullptr);
                model.Edit();
                for (auto& t : model.tracks)
                    t.insert(t.begin(), fresh.begin(), fresh.end());
                ExpectTracks(mixer, model.tracks);
            }
        }
        // Walk all the way back and forth again.
        std::int64_t l = 0, s = 0;
        EditViewState back{};
        while (h.Undo(l, s, back))
            model.Undo();
        ExpectTracks(mixer, model.tracks);
        while (h.Redo(l, s))
            model.Redo();
        ExpectTracks(mixer, model.tracks);
    }
}

TEST_F(EditHistoryTest, FadeAndVolumeScaleTheRangeOnly) {
    struct Case {
        bool fade;
        double a, b;
        std::vector<float> in, out;
    };
    const std::vector<Case> cases = {
        {true, 0.0, 1.0, {0.8f, 0.8f, 0.8f, 0.8f, 0.8f}, {0.8f, 0.0f, 0.2f, 0.4f, 0.6f}},
        {false, 2.0, 0.0, {0.9f, 0.6f, -0.6f, 0.4f, -0.2f}, {0.9f, 1.0f, -1.0f, 0.8f, -0.4f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fade);
        for (int t = 0; t < mixer.TrackCount(); ++t)
            Fill(*mixer.Track(t), c.in);
        if (c.fade)
            history.Fade(4, 1, -1, c.a, c.b, nullptr);
        else
            history.AdjustVolume(4, 1, -1, c.a, nullptr);
        ExpectTracks(mixer, Tracks(3, c.out));
        std::int64_t l = 0, s = 0;
        EditViewState view{};
        ASSERT_TRUE(history.Undo(l, s, view));
        ExpectTracks(mixer, Tracks(3, c.in));
        EXPECT_EQ(l, 4);
        EXPECT_EQ(s, 1);
    }
}

TEST_F(EditHistoryTest, RangesPastTheEndAreCutShortAndUndoneExactly) {
    std::mt19937 random(7);
    FillRandom(random, 100);
    const Tracks before = model.tracks;
    history.Delete(50, 90, -1, nullptr);
    EXPECT_EQ(mixer.Track(0)->TotalFrames(), 90);
    history.Trim(50, 80, -1, nullptr);
    EXPECT_EQ(mixer.Track(0)->TotalFrames(), 10);
    std::int64_t l = 0, s = 0;
    EditViewState view{};
    ASSERT_TRUE(history.Undo(l, s, view));
    ASSERT_TRUE(history.Undo(l, s, view));
    ExpectTracks(mixer, before);
}

TEST_F(EditHistoryTest, StereoClipboardPastesItsMixIntoAMonoFile) {
    for (int t = 0; t < 3; ++t)
        Fill(*mixer.Track(t), std::vector<float>(10, 0.1f * (t + 1)));
    history.Copy(4, 2, -1);
    ASSERT_NE(clipboard[2], nullptr);
    EXPECT_EQ(clipboard[3], nullptr);

    CAP_SampleMixer mono(1, kRate, true);
    ASSERT_EQ(mono.TrackCount(), 1);
    Fill(*mono.Track(0), std::vector<float>(6, 0.0f));
    EditHistory other(&mono, clipboard.data());
    const EditViewState view{3, 4, 5, 6};
    EXPECT_EQ(other.InsertFromClipboard(2, 1, -1, 0, false, 100, 0, &view), 4);
    ExpectTracks(mono, {{0.0f, 0.3f, 0.3f, 0.3f, 0.3f, 0.0f, 0.0f, 0.0f}});
    std::int64_t l = 0, s = 0;
    EditViewState back{};
    ASSERT_TRUE(other.Undo(l, s, back));
    EXPECT_EQ(back, view);
    ExpectTracks(mono, {std::vector<float>(6, 0.0f)});
    EXPECT_FALSE(other.IsModified());
}

TEST_F(EditHistoryTest, SixEditsKeepFiveAndTheFileStaysModified) {
    std::mt19937 random(3);
    FillRandom(random, 100);
    for (int i = 0; i < 6; ++i)
        history.Delete(1, 0, -1, nullptr);
    EXPECT_EQ(history.undoList.size(), 5u);
    std::int64_t l = 0, s = 0;
    EditViewState view{};
    int undone = 0;
    while (history.Undo(l, s, view))
        ++undone;
    EXPECT_EQ(undone, 5);
    EXPECT_TRUE(history.IsModified());
    EXPECT_EQ(mixer.Track(0)->TotalFrames(), 99);
}

TEST_F(EditHistoryTest, RecordingGrowsInStepsInsideOneRecord) {
    CAP_SampleMixer mono(1, kRate, true);
    Fill(*mono.Track(0), std::vector<float>(100, 0.5f));
    EditHistory h(&mono, clipboard.data());
    h.BeginRecording(50, 50, -1, nullptr);
    std::vector<int> seconds;
    for (int i = 0; i < 21; ++i)
        seconds.push_back(h.AppendSilence(-1));
    EXPECT_EQ(seconds[4], 1);
    EXPECT_EQ(seconds[5], 5);
    EXPECT_EQ(seconds[10], 10);
    EXPECT_EQ(seconds[19], 10);
    EXPECT_EQ(seconds[20], 30);
    EXPECT_EQ(mono.Track(0)->TotalFrames(), 100 + kRate * (5 + 25 + 100 + 30));
    // What was recorded over comes back with the growth gone, in one step.
    std::vector<float> recorded(50, -0.25f);
    mono.Track(0)->WriteFrames(recorded.data(), 50, 50);
    EXPECT_EQ(h.undoList.size(), 1u);
    std::int64_t l = 0, s = 0;
    EditViewState view{};
    ASSERT_TRUE(h.Undo(l, s, view));
    ExpectTracks(mono, {std::vector<float>(100, 0.5f)});
}

TEST_F(EditHistoryTest, GrowthAtAHighRateAppendsWholeSecondsOfZeros) {
    CAP_SampleMixer mono(1, 384000, true);
    EditHistory h(&mono, clipboard.data());
    h.BeginRecording(0, 0, -1, nullptr);
    ASSERT_EQ(h.AppendSilence(-1), 1);
    ASSERT_EQ(mono.Track(0)->TotalFrames(), mono.rate);
    float lo = 0, hi = 0;
    h.MinMax(mono.rate, 0, -1, lo, hi);
    EXPECT_EQ(lo, 0.0f);
    EXPECT_EQ(hi, 0.0f);
}

TEST_F(EditHistoryTest, ResampledPasteKeepsTheWholeClip) {
    // A steady level keeps its value through the filter, up to its last frame.
    for (int t = 0; t < 3; ++t)
        Fill(*mixer.Track(t), std::vector<float>(4000, 0.5f));
    history.Copy(4000, 0, -1);
    CAP_SampleMixer fast(1, 2 * kRate, true);
    EditHistory h(&fast, clipboard.data());
    const std::int64_t n = h.InsertFromClipboard(0, 0, -1, 0, true, 100, 0, nullptr);
    EXPECT_NEAR(static_cast<double>(n), 8000.0, 1.0);
    const std::vector<float> got = ReadAll(*fast.Track(0));
    ASSERT_EQ(static_cast<std::int64_t>(got.size()), n);
    EXPECT_NEAR(got[got.size() / 2], 0.5f, 1e-3f);
    EXPECT_GT(got[got.size() - 40], 0.4f);
}

TEST_F(EditHistoryTest, PitchChangesUndoAndRedoWithTheirRate) {
    std::mt19937 random(5);
    FillRandom(random, 500);
    const int rate = mixer.rate;
    history.SetPitch(2, nullptr);
    const int raised = mixer.rate;
    EXPECT_NE(raised, rate);
    std::int64_t l = 0, s = 0;
    EditViewState view{};
    ASSERT_TRUE(history.Undo(l, s, view));
    EXPECT_EQ(mixer.rate, rate);
    EXPECT_EQ(l, 500);
    ASSERT_TRUE(history.Redo(l, s));
    EXPECT_EQ(mixer.rate, raised);
    ExpectTracks(mixer, model.tracks);
}

} // namespace
