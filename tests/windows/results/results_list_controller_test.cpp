// A result list working through the real controller and preview player, on the hand-driven
// audio device: what the stand-ins of the other tests take for granted.
#include <QTemporaryDir>
#include <cstdint>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <vector>

#include "app/app_controller.h"
#include "platform/hand_clock_device.h"
#include "platform/ui_dispatcher.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/windows/results/results_list_stand_ins.h"

namespace {

// One second of a 16-bit mono 44.1 kHz sine at a quarter of full scale.
void WriteWave(const std::string& path) {
    const int frames = 44100;
    std::vector<std::int16_t> samples(frames);
    for (int i = 0; i < frames; ++i)
        samples[i] = static_cast<std::int16_t>(8000 * ((i / 50) % 2 ? 1 : -1));
    auto le32 = [](std::ofstream& out, std::uint32_t v) {
        const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        out.write(b, 4);
    };
    auto le16 = [](std::ofstream& out, std::uint16_t v) {
        const char b[2] = {char(v), char(v >> 8)};
        out.write(b, 2);
    };
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    le32(out, 36 + frames * 2);
    out.write("WAVEfmt ", 8);
    le32(out, 16);
    le16(out, 1);
    le16(out, 1);
    le32(out, 44100);
    le32(out, 44100 * 2);
    le16(out, 2);
    le16(out, 16);
    out.write("data", 4);
    le32(out, frames * 2);
    out.write(reinterpret_cast<const char*>(samples.data()), frames * 2);
}

class ResultsListControllerTest : public testing::Test {
protected:
    ResultsListControllerTest() {
        previousSystem_ = SetAudioSystem(&devices);
        previousDispatcher_ = SetUiDispatcher(&dispatcher);
        previousController_ = theController;
        controller = std::make_unique<AppController>();
        theController = controller.get();
        sound = dir.filePath("tone.wav").toStdString();
        WriteWave(sound);
    }
    ~ResultsListControllerTest() override {
        controller.reset();
        theController = previousController_;
        SetUiDispatcher(previousDispatcher_);
        SetAudioSystem(previousSystem_);
    }
    void Add(ResultsListObj& list, int id, const std::string& path, int variantRate = 44100) {
        SoundFileObj file;
        SoundVariantObj variant;
        MakeSound(file, variant, id, path, 44100, variantRate, 1000);
        list.InsertRow(file, variant, 50, 0, false, false);
    }

    HandClockAudioSystem devices;
    QueuedUiDispatcher dispatcher;
    FakeUiSeams seams;
    QTemporaryDir dir;
    std::string sound;
    std::unique_ptr<AppController> controller;
    RecordingResultsWindow window;

private:
    AudioSystem* previousSystem_ = nullptr;
    UiDispatcher* previousDispatcher_ = nullptr;
    AppController* previousController_ = nullptr;
};

TEST_F(ResultsListControllerTest, PreviewsThroughTheControllerAndStopsWhenTheListGoes) {
    {
        ResultsListObj list(&window, ResultsListObj::kMyTambrel);
        Add(list, 1, dir.filePath("missing.wav").toStdString());
        Add(list, 2, sound, 22050);
        list.PlayRow(1, true);
        EXPECT_TRUE(seams.boxes.empty());
        EXPECT_TRUE(controller->Player().IsPlaying());
        EXPECT_TRUE(controller->Player().IsLooping());
        EXPECT_EQ(controller->AuditionPath(), sound);
        EXPECT_DOUBLE_EQ(controller->AuditionRatio(), 0.5);
        EXPECT_TRUE(controller->WasPlayed(sound));
        EXPECT_TRUE(list.RowPlayed(1));
        devices.Advance(0.2);

        // A sort marks the playing row where it went: by name, "missing" comes first.
        window.log.clear();
        list.SortByColumn(2);
        list.SortByColumn(2);
        EXPECT_THAT(window.log,
                    testing::ElementsAre("refresh", "state 1 playing looping", "refresh",
                                         "state 0 playing looping"));

        // A file that is gone is reported; the list's preview state stays the playing one.
        list.PlayRow(1, false);
        ASSERT_EQ(seams.boxes.size(), 1u);
        EXPECT_EQ(seams.boxes[0].text, "Could not play file\n" +
                                           dir.filePath("missing.wav").toStdString() +
                                           " \n\nUse the 'Tools/Validate MyTambrel' menu to "
                                           "check files");
        EXPECT_EQ(list.PreviewPath(), sound);
        EXPECT_DOUBLE_EQ(list.Ratio(), 0.5);
    }
    EXPECT_FALSE(controller->Player().IsPlaying());
}

} // namespace
