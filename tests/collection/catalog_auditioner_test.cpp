// The catalog's preview player plays what the catalog can hold and refuses the rest.
#include "collection/catalog_auditioner.h"

#include <gtest/gtest.h>

#include "tests/audio/engine/hand_clock_fixture.h"
#include "tests/support/sox_files.h"

namespace {

class CatalogAuditionerTest : public HandClockTest {
protected:
    TempFolder folder;
    AI_Auditioner auditioner;
};

} // namespace

TEST_F(CatalogAuditionerTest, PlaysOnlyFilesTheCatalogCanHold) {
    struct Case {
        const char* name;
        const char* soxOutput; // options and file name
        bool plays;
    };
    const Case cases[] = {
        {"stereo WAVE", "-r 44100 -c 2 -b 16 stereo.wav", true},
        {"mono AIFF", "-r 22050 -c 1 -b 16 mono.aiff", true},
        {"AU", "-r 8000 -c 1 -b 16 sound.au", true},
        {"MPEG layer 3", "-r 44100 -c 2 sound.mp3", true},
        {"four channels", "-r 44100 -c 4 -b 16 four.wav", false},
        {"VOC", "-r 8000 -c 1 -b 8 sound.voc", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string options = c.soxOutput;
        const std::string name = options.substr(options.rfind(' ') + 1);
        const std::string path = folder.Path(name);
        ASSERT_TRUE(RunSox("-n " + options.substr(0, options.rfind(' ') + 1) + path +
                           " synth 0.5 sine 440 vol 0.5"));
        const int opensBefore = devices.OpenCalls();
        EXPECT_EQ(auditioner.Play(path, false, nullptr), c.plays);
        EXPECT_EQ(auditioner.IsPlaying(), c.plays);
        EXPECT_EQ(devices.OpenCalls() > opensBefore, c.plays);
        EXPECT_EQ(auditioner.Path(), c.plays ? path : "");
        auditioner.Stop();
    }
}
