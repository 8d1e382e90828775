// Start-up: the command line, files handed over before and after start-up, and a catalog
// that cannot be reached.
#include "app/tambrel_app.h"

#include <QEventLoop>
#include <QTimer>
#include <QUrl>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/app_controller.h"
#include "app/main_frame.h"
#include "collection/catalog_message.h"
#include "platform/hand_clock_device.h"
#include "platform/ui_dispatcher.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/app/shell/shell_stand_ins.h"

namespace {

using testing::ElementsAre;

TEST(CommandLine, TheFirstFileOpensAndEveryExactTmiIsThePendingImport) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        const char* file;
        const char* pending;
    };
    const Case cases[] = {
        {"nothing", {}, "", ""},
        {"one sound", {"/s/a.wav"}, "/s/a.wav", ""},
        {"sound and metadata", {"/s/a.wav", "/m/b.tmi"}, "/s/a.wav", "/m/b.tmi"},
        {"metadata first", {"/m/b.tmi", "/s/a.wav"}, "/m/b.tmi", "/m/b.tmi"},
        {"capital extension is a sound", {"/m/B.TMI"}, "/m/B.TMI", ""},
        {"two metadata files: the last", {"/m/1.tmi", "/m/2.tmi"}, "/m/1.tmi", "/m/2.tmi"},
        {"flags are skipped", {"-style", "/s/a.wav"}, "/s/a.wav", ""},
        {"a lone dash is a name", {"-"}, "-", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TambrelCommandLine line = ParseTambrelCommandLine(c.arguments);
        EXPECT_EQ(line.file, c.file);
        EXPECT_EQ(line.pendingImport, c.pending);
    }
}

// Logs, with each editor it makes, whether the main window was showing and what the status
// bar said (the not-yet-built import writes there).
class WatchingFactory : public FakeFactory {
public:
    using FakeFactory::FakeFactory;
    std::unique_ptr<EditorBoxLink> NewEditorBox() override {
        seen.push_back(
            std::string(theMainFrame != nullptr && theMainFrame->isVisible() ? "shown" : "hidden") +
            " / " + (theMainFrame != nullptr ? theMainFrame->StatusText().toStdString() : ""));
        return FakeFactory::NewEditorBox();
    }
    std::vector<std::string> seen;
};

class StartupTest : public testing::Test {
protected:
    StartupTest() : factory(log) {
        previous_ = theController;
        theController = &controller;
        controller.SetToolWindowFactory(&factory);
        thePendingImportPath.clear();
    }
    ~StartupTest() override {
        app.reset();
        thePendingImportPath.clear();
        theController = previous_;
    }
    bool Start(const std::vector<std::string>& arguments) {
        VERIzuderApp::Options options;
        options.splash = false;
        return app->InitInstance(arguments, options);
    }
    std::vector<std::string> Opened() const {
        std::vector<std::string> opened;
        for (const auto& line : log.lines)
            if (line.find(" open ") != std::string::npos)
                opened.push_back(line.substr(line.find(" open ") + 6));
        return opened;
    }

    ScopedProfileFolder profile;
    FakeUiSeams seams;
    ShellLog log;
    WatchingFactory factory;
    AppController controller;
    std::unique_ptr<VERIzuderApp> app = std::make_unique<VERIzuderApp>();

private:
    AppController* previous_ = nullptr;
};

TEST_F(StartupTest, ASoundAndAMetadataFileOpenAfterTheMainWindowInThatOrder) {
    ASSERT_TRUE(Start({"/s/a.wav", "/m/b.tmi"}));
    EXPECT_TRUE(app->Ready());
    EXPECT_THAT(Opened(), ElementsAre("/s/a.wav"));
    EXPECT_THAT(factory.seen, ElementsAre("shown / For Help, press F1"));
    // The import ran last: its file does not exist.
    ASSERT_FALSE(seams.boxes.empty());
    EXPECT_EQ(seams.boxes.back().text, "unable to open metadata file");
    EXPECT_TRUE(thePendingImportPath.empty());
    EXPECT_EQ(theMainFrame->Tip().Entries().size(), 3u); // the start tips
}

TEST_F(StartupTest, ACapitalisedTmiOpensAsSound) {
    ASSERT_TRUE(Start({"/m/B.TMI"}));
    EXPECT_THAT(Opened(), ElementsAre("/m/B.TMI"));
    EXPECT_EQ(theMainFrame->StatusText(), "For Help, press F1");
}

TEST_F(StartupTest, FilesHandedOverBeforeStartUpWaitAndOnlyTheLastMetadataFileIsImported) {
    app->OpenDocumentFile("/m/1.tmi");
    app->OpenDocumentFile("/s/dropped.wav");
    app->OpenDocumentFile("/m/2.tmi");
    app->OpenDocumentFile("/s/also.wav");
    EXPECT_FALSE(app->Ready());
    EXPECT_THAT(app->QueuedFiles(), ElementsAre("/s/dropped.wav", "/s/also.wav"));
    EXPECT_EQ(thePendingImportPath, "/m/2.tmi");
    EXPECT_TRUE(log.lines.empty());

    ASSERT_TRUE(Start({}));
    EXPECT_THAT(Opened(), ElementsAre("/s/dropped.wav", "/s/also.wav"));
    EXPECT_THAT(factory.seen,
                ElementsAre("shown / For Help, press F1", "shown / For Help, press F1"));
    ASSERT_EQ(seams.boxes.size(), 1u); // one import, of the last metadata file
    EXPECT_EQ(seams.boxes.back().text, "unable to open metadata file");
    EXPECT_TRUE(app->QueuedFiles().empty());
}

TEST_F(StartupTest, AFileDroppedOnTheReadyWindowOpensAtOnce) {
    ASSERT_TRUE(Start({}));
    EXPECT_FALSE(theMainFrame->OpenDroppedFiles({QUrl("http://host/not-a-file.wav")}));
    EXPECT_TRUE(theMainFrame->OpenDroppedFiles(
        {QUrl::fromLocalFile("/s/dropped.wav"), QUrl("http://host/not-a-file.wav")}));
    EXPECT_THAT(Opened(), ElementsAre("/s/dropped.wav"));
}

TEST_F(StartupTest, TheIdlePassReleasesAPreviewThatEnded) {
    HandClockAudioSystem devices;
    QueuedUiDispatcher dispatcher;
    AudioSystem* previousSystem = SetAudioSystem(&devices);
    UiDispatcher* previousDispatcher = SetUiDispatcher(&dispatcher);
    TempFolder folder;
    const std::string tone = folder.Path("tone.wav");
    ASSERT_TRUE(RunSox("-n -r 22050 -c 1 -b 16 " + tone + " synth 0.3 sine 440"));
    ASSERT_TRUE(Start({}));
    ASSERT_TRUE(controller.AuditionFile(tone, false, nullptr, 1.0));
    for (int i = 0; i < 40 && controller.Player().IsPlaying(); ++i) {
        devices.Advance(0.1);
        dispatcher.FireTimers();
        dispatcher.RunPending();
    }
    ASSERT_FALSE(controller.Player().IsPlaying());
    EXPECT_EQ(controller.AuditionPath(), tone);

    // The event loop goes idle: the ended preview is noticed without anyone asking.
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(controller.AuditionPath().empty());
    ASSERT_FALSE(factory.mainList->plays.empty());
    EXPECT_FALSE(factory.mainList->plays.back().playing);

    app.reset();
    SetUiDispatcher(previousDispatcher);
    SetAudioSystem(previousSystem);
}

TEST(CatalogMessages, GoToAMessageBoxAndStandardError) {
    FakeUiSeams seams;
    testing::internal::CaptureStderr();
    ShowCatalogMessageBox("Could not connect to ODBC data source 'Quillnest'");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not connect to ODBC data source 'Quillnest'\n");
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "Could not connect to ODBC data source 'Quillnest'");
    EXPECT_EQ(seams.boxes[0].caption, "Corvessa Tambrel");
    EXPECT_EQ(seams.boxes[0].buttons, MessageButtons::Ok);
}

} // namespace
