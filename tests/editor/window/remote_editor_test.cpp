// A WebTambrel hit opened in the editor: downloaded from a loopback HTTP server, edited and
// saved into MyTambrel.
#include <QCoreApplication>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include "collection/remote/web_task_manager.h"
#include "tests/collection/remote/download_servers.h"
#include "tests/editor/window/editor_window_fixture.h"

namespace {

// The open windows as the download tasks see them: this test's one editor.
class OneEditor : public WebTaskWindows {
public:
    std::vector<WebSearchBox*> SearchBoxes() override { return {}; }
    std::vector<WebDownloadList*> ResultLists() override { return {}; }
    std::vector<WebDownloadEditor*> Editors() override {
        return editor != nullptr ? std::vector<WebDownloadEditor*>{editor}
                                 : std::vector<WebDownloadEditor*>{};
    }
    WebDownloadEditor* editor = nullptr;
};

class RemoteEditorTest : public EditorWindowTest {
protected:
    void SetUp() override {
        EditorWindowTest::SetUp();
        servers = &DownloadServers::Get();
        ASSERT_NE(servers->http, nullptr);
        ASSERT_TRUE(servers->http->Alive());
        theWebTaskManager.SetWindows(&windows);
        theWebTaskManager.SetTimeouts({2000, 2000});
    }
    void TearDown() override {
        theWebTaskManager.Shutdown();
        theWebTaskManager.SetWindows(nullptr);
        EditorWindowTest::TearDown();
    }
    bool PumpUntil(const std::function<bool()>& condition) {
        for (int i = 0; i < 20000 && !condition(); ++i) {
            dispatcher.RunPending();
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return condition();
    }
    // A hit for a file of the server's folder.
    SoundFileObj Hit(const std::string& name) {
        SoundFileObj hit;
        hit.path = servers->HttpUrl(name);
        hit.format = 1;
        hit.fileId = 31;
        hit.description = "door slam";
        return hit;
    }

    DownloadServers* servers = nullptr;
    OneEditor windows;
};

using RemoteEditor = RemoteEditorTest;

TEST_P(RemoteEditor, ADownloadedHitIsEditedAndSavedIntoMyTambrel) {
    const std::string local = Tone("remote%20door.wav");
    std::filesystem::copy_file(local, servers->folder + "/remote door.wav",
                               std::filesystem::copy_options::overwrite_existing);
    box = std::make_unique<PropertyBoxObj>();
    windows.editor = box.get();
    ASSERT_TRUE(box->OpenRemoteRecord(Hit("remote%20door.wav"), 0));
    ASSERT_NE(box->downloadId, -1);
    EXPECT_FALSE(View().isEnabled());
    EXPECT_EQ(Frame().windowTitle(), "remote door.wav (remote file)");
    ASSERT_TRUE(PumpUntil([&] { return box->downloadId == -1; }));
    ASSERT_NE(box->app.waveform, nullptr) << (seams.boxes.empty() ? "" : seams.boxes[0].text);
    EXPECT_TRUE(View().isEnabled());
    EXPECT_FALSE(Frame().ProgressShown());
    EXPECT_FALSE(Frame().CommandAction(AudioFileFrm::kSave)->isEnabled());
    EXPECT_TRUE(Frame().CommandAction(AudioFileFrm::kSaveAs)->isEnabled());

    Select(0.0, 0.25);
    box->app.Delete();
    box->SetModified(true);
    const std::string mine = folder.Path("door.wav");
    seams.paths.push_back({mine, 3});
    // Save As proposes the hit's own name.
    Frame().RunCommand(AudioFileFrm::kSaveAs);
    ASSERT_EQ(seams.dialogs.size(), 1u);
    EXPECT_NE(seams.dialogs[0].path.find("remote door"), std::string::npos);
    SoundFileObj stored;
    ASSERT_TRUE(theCatalogDb->GetFileByPath(mine, stored));
    EXPECT_EQ(stored.description, "door slam");
    EXPECT_NEAR(stored.duration, 750, 2);
    EXPECT_FALSE(box->remote);
    EXPECT_EQ(Frame().windowTitle(), "door.wav (in MyTambrel)");
}

TEST_P(RemoteEditor, AFailedDownloadSaysWhyAndLeavesNoWindow) {
    box = std::make_unique<PropertyBoxObj>();
    windows.editor = box.get();
    ASSERT_TRUE(box->OpenRemoteRecord(Hit("no-such-file.wav"), 0));
    ASSERT_TRUE(PumpUntil([&] { return box->downloadId == -1; }));
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(box->openFailed);
    EXPECT_TRUE(box->frame == nullptr || !box->frame->isVisible());
}

TEST_P(RemoteEditor, AnUnreadableEarlierDownloadFailsTheOpen) {
    // The server's sound.wav holds no sound: the second open finds it downloaded already.
    box = std::make_unique<PropertyBoxObj>();
    windows.editor = box.get();
    ASSERT_TRUE(box->OpenRemoteRecord(Hit("sound.wav"), 0));
    ASSERT_TRUE(PumpUntil([&] { return box->downloadId == -1; }));
    seams.boxes.clear();
    PropertyBoxObj second;
    windows.editor = &second;
    EXPECT_FALSE(second.OpenRemoteRecord(Hit("sound.wav"), 0));
    EXPECT_EQ(second.downloadId, -1);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(second.frame, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Catalog, RemoteEditor, testing::Values(Engine::SQLite), EngineName);

} // namespace
