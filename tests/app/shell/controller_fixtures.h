#pragma once
// The controller made the program's controller for a test: on the stand-in windows, with
// previews through the real player on a hand-driven audio device, or on a catalog of the
// test's own.

#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "app/app_controller.h"
#include "tests/app/indexer_stand_ins.h"
#include "tests/app/shell/shell_stand_ins.h"
#include "tests/audio/engine/hand_clock_fixture.h"
#include "tests/support/sox_files.h"

inline SoundFileObj Record(int id, const std::string& path, int cls, const std::string& category,
                           const std::string& sub = {}) {
    SoundFileObj file;
    file.fileId = id;
    file.path = path;
    file.soundClass = cls;
    file.category = category;
    file.subcategory = sub;
    file.sampleRate = 44100;
    return file;
}

// A controller with the stand-in windows, made the program's controller for the test.
class ControllerTest : public testing::Test {
protected:
    ControllerTest() : factory(log) {
        controller.SetToolWindowFactory(&factory);
        controller.SetMainPanes(&tree, nullptr);
        previous_ = theController;
        theController = &controller;
    }
    ~ControllerTest() override { theController = previous_; }

    // The main list as Startup makes it, without touching the settings or the catalog.
    FakeResultsList& MainList() {
        if (factory.mainList == nullptr)
            controller.Startup();
        return *factory.mainList;
    }

    ScopedProfileFolder profile;
    ShellLog log;
    FakeFactory factory;
    FakeTree tree;
    AppController controller;

private:
    AppController* previous_ = nullptr;
};

// Previews through the real player on a hand-driven audio device.
class ControllerPreviewTest : public HandClockTest {
protected:
    ControllerPreviewTest() : factory(log) {
        controller.SetToolWindowFactory(&factory);
        controller.Startup();
        previous_ = theController;
        theController = &controller;
        controller.OpenTextSearch({});
        a = Tone("a.wav");
        b = Tone("b.wav");
        playA.setCheckable(true);
        playB.setCheckable(true);
    }
    ~ControllerPreviewTest() override {
        controller.AuditionFile({}, false, nullptr, 1.0);
        theController = previous_;
    }
    std::string Tone(const std::string& name) {
        const std::string path = folder.Path(name);
        EXPECT_TRUE(RunSox("-n -r 22050 -c 1 -b 16 " + path + " synth 0.5 sine 440"));
        return path;
    }
    // What every list heard last about a path: playing or not.
    static std::vector<bool> Heard(const FakeResultsList& list, const std::string& path) {
        std::vector<bool> states;
        for (const auto& p : list.plays)
            if (p.path == path)
                states.push_back(p.playing);
        return states;
    }

    ScopedProfileFolder profile;
    TempFolder folder;
    ShellLog log;
    FakeFactory factory;
    AppController controller;
    std::string a, b;
    QPushButton playA, playB;

private:
    AppController* previous_ = nullptr;
};

// The three catalog edits against a catalog of the test's own.
class ControllerCatalogTest : public IndexerCatalogTest {
protected:
    void SetUp() override {
        IndexerCatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        controller_ = std::make_unique<AppController>();
        controller_->SetMainPanes(&tree_, nullptr);
    }
    void TearDown() override {
        controller_.reset();
        IndexerCatalogTest::TearDown();
    }
    SoundFileObj Stored(const std::string& name, const std::string& category) {
        SoundFileObj file = Record(-1, folder_.Path(name), 1, category, "Dogs");
        file.format = 1;
        file.channels = 1;
        file.duration = 1000;
        return file;
    }
    static std::vector<SoundVariantObj> Normal() {
        SoundVariantObj v;
        v.sampleRate = 44100;
        v.duration = 1000;
        const unsigned char points[10] = {1, 200, 10, 20, 30, 2, 190, 40, 50, 60};
        v.SetData(points, 10);
        return {v};
    }
    ScopedProfileFolder profile_;
    FakeTree tree_;
    std::unique_ptr<AppController> controller_;
};
