#include "windows/results/results_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/app/fake_ui_seams.h"
#include "tests/windows/results/results_list_stand_ins.h"

using testing::ElementsAre;

namespace {

const char* const kValidate = "\n\nUse the 'Tools/Validate MyTambrel' menu to check files";

class ResultsListTest : public testing::Test {
protected:
    // Appends a row: fileId, path, the variant's rate over 44100, its duration.
    void Add(ResultsListObj& list, int fileId, const std::string& path, int variantRate = 44100,
             int durationMs = 2000, int score = 50) {
        SoundFileObj file;
        SoundVariantObj variant;
        MakeSound(file, variant, fileId, path, 44100, variantRate, durationMs);
        list.InsertRow(file, variant, score, 0, false, false);
    }
    std::vector<std::string> Paths(const ResultsListObj& list) {
        std::vector<std::string> paths;
        for (int i = 0; i < list.Count(); ++i)
            paths.push_back(list.Entry(i).file.path);
        return paths;
    }

    FakeUiSeams seams;
    StandInServices services;
    RecordingResultsWindow window;
};

TEST_F(ResultsListTest, DisplayColumnsMapOntoSortKinds) {
    const int expected[ResultsListObj::kDisplayColumnCount] = {0, 1, 1, 3,  4,  5,  6,  7,  8, 9,
                                                               11, 13, 14, 15, 16, 17, 18, 19, 20};
    for (int column = 0; column < ResultsListObj::kDisplayColumnCount; ++column)
        EXPECT_EQ(ResultsListObj::SortKindForDisplayColumn(column), expected[column]) << column;
    EXPECT_EQ(ResultsListObj::SortKindForDisplayColumn(19), 1);
    EXPECT_EQ(ResultsListObj::SortKindForDisplayColumn(-1), 1);
}

TEST_F(ResultsListTest, SameColumnFlipsAndAnotherUsesThePreviousAsSecondaryKey) {
    ResultsListObj list(&window, ResultsListObj::kMyTambrel, &services);
    Add(list, 1, "/s/b.wav", 44100, 3000);
    Add(list, 2, "/s/c.wav", 44100, 1000);
    Add(list, 3, "/s/a.wav", 44100, 3000);
    Add(list, 4, "/s/d.wav", 44100, 1000);

    EXPECT_FALSE(list.SortByColumn(2)); // file name, ascending
    EXPECT_THAT(Paths(list), ElementsAre("/s/a.wav", "/s/b.wav", "/s/c.wav", "/s/d.wav"));
    EXPECT_TRUE(list.SortByColumn(2)); // again: reversed
    EXPECT_THAT(Paths(list), ElementsAre("/s/d.wav", "/s/c.wav", "/s/b.wav", "/s/a.wav"));
    EXPECT_EQ(list.SortColumn(), 1);

    // Duration now; equal durations fall back on the file name.
    EXPECT_FALSE(list.SortByColumn(9));
    EXPECT_EQ(list.SortColumn(), 9);
    EXPECT_EQ(list.PreviousSortColumn(), 1);
    EXPECT_THAT(Paths(list), ElementsAre("/s/c.wav", "/s/d.wav", "/s/a.wav", "/s/b.wav"));
    EXPECT_TRUE(list.SortByColumn(9));
    EXPECT_THAT(Paths(list), ElementsAre("/s/b.wav", "/s/a.wav", "/s/d.wav", "/s/c.wav"));
    // Every sort rebuilds the window.
    EXPECT_EQ(std::count(window.log.begin(), window.log.end(), "refresh"), 4);
}

TEST_F(ResultsListTest, SortingMarksThePlayingRowsInTheirNewPlaces) {
    ResultsListObj list(&window, ResultsListObj::kMyTambrel, &services);
    Add(list, 1, "/s/b.wav", 44100, 2000, 50);
    Add(list, 2, "/s/a.wav", 22050, 2000, 40);
    Add(list, 3, "/s/a.wav", 44100, 2000, 60);
    services.playing = true;
    services.playerLooping = true;
    services.auditionPath = "/s/a.wav";
    services.playerRatio = 1.0;
    // By name, equal names by score: the same file at another pitch is not marked.
    list.SortByColumn(2);
    ASSERT_THAT(Paths(list), ElementsAre("/s/a.wav", "/s/a.wav", "/s/b.wav"));
    EXPECT_EQ(list.Entry(1).score, 60);
    EXPECT_THAT(window.log, ElementsAre("refresh", "state 1 playing looping"));
    // Nothing playing: nothing marked.
    services.playing = false;
    window.log.clear();
    list.SortByColumn(2);
    EXPECT_THAT(window.log, ElementsAre("refresh"));
}

TEST_F(ResultsListTest, ShowPlayStateMatchesPathExactlyAndRatioClosely) {
    ResultsListObj list(&window, ResultsListObj::kMyTambrel, &services);
    Add(list, 1, "/s/A.wav");
    Add(list, 1, "/s/a.wav");
    Add(list, 1, "/s/a.wav", 22050);
    Add(list, 2, "/s/a.wav"); // the same file listed twice at the same pitch
    list.ShowPlayState("/s/a.wav", 1.00005, false, true);
    EXPECT_THAT(window.log, ElementsAre("state 1 playing", "state 3 playing"));
    window.log.clear();
    list.ShowPlayState("/s/a.wav", 0.5, true, true);
    list.ShowPlayState("/s/a.wav", 0.5002, true, true);
    list.ShowPlayState("", 1.0, false, false);
    EXPECT_THAT(window.log, ElementsAre("state 2 playing looping"));
}

TEST_F(ResultsListTest, LocalPreviewPlaysAtTheRowsPitchAndMarksItPlayed) {
    ResultsListObj list(&window, ResultsListObj::kMyTambrel, &services);
    Add(list, 1, "/s/a.wav");
    Add(list, 2, "/s/b.wav", 22050);
    list.PlayRow(1, true);
    ASSERT_EQ(services.auditions.size(), 1u);
    EXPECT_EQ(services.auditions[0].path, "/s/b.wav");
    EXPECT_TRUE(services.auditions[0].loop);
    EXPECT_DOUBLE_EQ(services.auditions[0].ratio, 0.5);
    EXPECT_TRUE(list.RowPlayed(1));
    EXPECT_FALSE(list.RowPlayed(0));
    EXPECT_EQ(list.PreviewPath(), "/s/b.wav");
    EXPECT_EQ(list.PlayedFile(), "/s/b.wav");
    EXPECT_DOUBLE_EQ(list.Ratio(), 0.5);
    EXPECT_THAT(window.log, ElementsAre("redraw 1"));
    // A second play adds the path to the played paths only once.
    list.PlayRow(1, false);
    EXPECT_THAT(services.played, ElementsAre("/s/b.wav"));
    EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(ResultsListTest, FailedLocalPreviewReleasesTheRowAndRestoresTheState) {
    ResultsListObj list(&window, ResultsListObj::kMyTambrel, &services);
    Add(list, 1, "/s/a.wav");
    Add(list, 2, "/s/gone.wav", 22050);
    list.PlayRow(0, false);
    services.auditionWorks = false;
    window.log.clear();
    list.PlayRow(1, false);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, std::string("Could not play file\n/s/gone.wav ") + kValidate);
    EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(seams.boxes[0].buttons, MessageButtons::Ok);
    EXPECT_THAT(window.log, testing::Contains("state 1"));
    EXPECT_EQ(list.PreviewPath(), "/s/a.wav");
    EXPECT_EQ(list.PlayedFile(), "/s/a.wav");
    EXPECT_DOUBLE_EQ(list.Ratio(), 1.0);
}

TEST_F(ResultsListTest, RemotePreviewDownloadsFirstAndReportsABusyRow) {
    ResultsListObj list(&window, ResultsListObj::kWebTambrel, &services);
    Add(list, 1, "http://h/a.wav");
    list.PlayRow(0, true);
    ASSERT_EQ(services.started.size(), 1u);
    EXPECT_EQ(services.started[0].url, "http://h/a.wav");
    EXPECT_EQ(services.started[0].callerValue, 1); // the loop flag comes back when done
    EXPECT_EQ(list.DownloadId(), 7);
    EXPECT_EQ(list.RowLocalPath(0), "/tmp/download-7.wav");
    EXPECT_EQ(list.PlayedFile(), "/tmp/download-7.wav");
    EXPECT_TRUE(services.auditions.empty());
    EXPECT_THAT(window.log, ElementsAre("redraw 0", "state 0 playing looping"));

    // Clicked again while it downloads.
    window.log.clear();
    list.PlayRow(0, false);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "This file is busy being downloaded");
    EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(services.started.size(), 1u);
    EXPECT_EQ(list.DownloadId(), 7);
    EXPECT_EQ(list.PlayedFile(), "/tmp/download-7.wav");

    // The download ends: the copy plays, looped as asked, and the meter goes.
    window.log.clear();
    list.OnDownloadDone("http://h/a.wav", "/tmp/download-7.wav", "", 1);
    EXPECT_EQ(list.DownloadId(), -1);
    ASSERT_EQ(services.auditions.size(), 1u);
    EXPECT_EQ(services.auditions[0].path, "/tmp/download-7.wav");
    EXPECT_TRUE(services.auditions[0].loop);
    EXPECT_EQ(list.PreviewPath(), "/tmp/download-7.wav");
    EXPECT_THAT(window.log, ElementsAre("progress '' http://h/a.wav 100"));
}

TEST_F(ResultsListTest, PlayingAnotherRemoteRowCancelsTheRunningDownload) {
    ResultsListObj list(&window, ResultsListObj::kWebTambrel, &services);
    Add(list, 1, "http://h/a.wav");
    Add(list, 2, "http://h/b.wav");
    list.PlayRow(0, false);
    window.log.clear();
    list.PlayRow(1, false);
    EXPECT_THAT(services.cancelled, ElementsAre(7));
    EXPECT_EQ(list.DownloadId(), 8);
    EXPECT_THAT(window.log, ElementsAre("redraw 1", "state 0", "state 1 playing"));
}

TEST_F(ResultsListTest, PlayingAFinishedCopyCancelsTheDownloadItReplaces) {
    ResultsListObj list(&window, ResultsListObj::kWebTambrel, &services);
    Add(list, 1, "http://h/a.wav");
    Add(list, 2, "http://h/b.wav", 22050);
    services.downloadState["http://h/b.wav"] = 1;
    services.finishedCopy["http://h/b.wav"] = "/tmp/kept.wav";
    list.PlayRow(0, false);
    window.log.clear();
    list.PlayRow(1, false);
    EXPECT_THAT(services.cancelled, ElementsAre(7));
    EXPECT_EQ(list.DownloadId(), -1);
    EXPECT_THAT(window.log, ElementsAre("redraw 1", "state 0"));
    ASSERT_EQ(services.auditions.size(), 1u);
    EXPECT_EQ(services.auditions[0].path, "/tmp/kept.wav");
    // A busy row leaves the running download alone.
    services.downloadState.erase("http://h/a.wav"); // the cancelled download is gone
    list.PlayRow(0, false);
    EXPECT_EQ(list.DownloadId(), 8);
    services.downloadState["http://h/b.wav"] = 2; // another window downloads it again
    list.PlayRow(1, false);
    EXPECT_THAT(services.cancelled, ElementsAre(7));
    EXPECT_EQ(list.DownloadId(), 8);
}

TEST_F(ResultsListTest, AFinishedCopyPlaysWithoutADownload) {
    ResultsListObj list(&window, ResultsListObj::kWebTambrel, &services);
    Add(list, 1, "http://h/a.wav", 22050);
    services.downloadState["http://h/a.wav"] = 1;
    services.finishedCopy["http://h/a.wav"] = "/tmp/kept.wav";
    list.PlayRow(0, false);
    EXPECT_TRUE(services.started.empty());
    ASSERT_EQ(services.auditions.size(), 1u);
    EXPECT_EQ(services.auditions[0].path, "/tmp/kept.wav");
    EXPECT_DOUBLE_EQ(services.auditions[0].ratio, 0.5);
    EXPECT_EQ(list.PreviewPath(), "/tmp/kept.wav");
    // The controller's play notices name the copy: they find the row.
    window.log.clear();
    list.ShowPlayState("/tmp/kept.wav", 0.5, false, true);
    EXPECT_THAT(window.log, ElementsAre("state 0 playing"));
}

TEST_F(ResultsListTest, ADownloadThatCannotStartIsReportedAndUndone) {
    ResultsListObj list(&window, ResultsListObj::kWebTambrel, &services);
    Add(list, 1, "http://h/a.wav");
    services.nextDownloadId = -1;
    list.PlayRow(0, false);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text,
              "Could not download\nhttp://h/a.wav\n\nThe download could not be started.");
    EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(list.DownloadId(), -1);
    EXPECT_EQ(list.PreviewPath(), "");
    EXPECT_EQ(list.PlayedFile(), "");
    EXPECT_THAT(window.log, testing::Contains("state 0"));
}

TEST_F(ResultsListTest, AFailedDownloadReleasesTheRowAndForgetsTheCopy) {
    ResultsListObj list(&window, ResultsListObj::kWebTambrel, &services);
    Add(list, 1, "http://h/a.wav");
    list.PlayRow(0, true);
    window.log.clear();
    list.OnDownloadDone("http://h/a.wav", "/tmp/download-7.wav", "Host not found", 0);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "Could not download\nhttp://h/a.wav\n\nHost not found");
    EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(services.auditions.empty());
    EXPECT_EQ(list.PreviewPath(), "");
    EXPECT_EQ(list.DownloadId(), -1);
    EXPECT_EQ(list.RowLocalPath(0), "");
    EXPECT_THAT(window.log, ElementsAre("progress '' http://h/a.wav 100", "state 0"));
}

TEST_F(ResultsListTest, LongExamplesAskFirst) {
    struct Case {
        int durationMs;
        MessageAnswer first, second;
        int boxes;
        bool searched, opened;
    };
    const Case cases[] = {
        {29999, MessageAnswer::No, MessageAnswer::No, 0, true, false},
        {30000, MessageAnswer::Yes, MessageAnswer::No, 1, true, false},
        {30000, MessageAnswer::No, MessageAnswer::Yes, 2, false, true},
        {95500, MessageAnswer::No, MessageAnswer::No, 2, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.durationMs);
        StandInServices calls;
        ResultsListObj list(nullptr, ResultsListObj::kMyTambrel, &calls);
        Add(list, 1, "/s/long.wav", 44100, c.durationMs);
        list.Entry(0).variant.signature.bytes[0] = 42;
        // The fake gives one answer for every box: answer the first, then the second.
        struct Answering : FakeUiSeams {
            MessageAnswer answers[2];
            MessageAnswer MessageBox(QWidget* o, const std::string& t, const std::string& cap,
                                     MessageButtons b, MessageIcon i) override {
                FakeUiSeams::MessageBox(o, t, cap, b, i);
                return answers[std::min<std::size_t>(boxes.size(), 2) - 1];
            }
        } answering;
        answering.answers[0] = c.first;
        answering.answers[1] = c.second;
        list.FindSimilar(0);
        ASSERT_EQ(answering.boxes.size(), static_cast<std::size_t>(c.boxes));
        EXPECT_EQ(calls.similarSearches.size(), c.searched ? 1u : 0u);
        if (c.searched) {
            EXPECT_EQ(calls.similarSearches[0].bytes[0], 42);
        }
        EXPECT_EQ(calls.opened.size(), c.opened ? 1u : 0u);
        if (c.boxes > 0) {
            EXPECT_EQ(answering.boxes[0].buttons, MessageButtons::YesNo);
            EXPECT_EQ(answering.boxes[0].icon, MessageIcon::Question);
            EXPECT_NE(answering.boxes[0].text.find(
                          "has a duration of " + std::to_string(c.durationMs / 1000) +
                          " seconds.\n\nWould you like"),
                      std::string::npos);
        }
        if (c.boxes > 1) {
            EXPECT_EQ(answering.boxes[1].text,
                      "To select a shorter sound example, drag the mouse on the waveform "
                      "display in the Audio Editor window and then click on the \"sounds-like "
                      "search\" button in that window.\n\nWould you like to select a shorter "
                      "sound example?");
        }
    }
}

TEST_F(ResultsListTest, ExactTextOfTheLongExampleQuestion) {
    ResultsListObj list(nullptr, ResultsListObj::kMyTambrel, &services);
    Add(list, 1, "/s/long.wav", 44100, 30000);
    seams.boxAnswer = MessageAnswer::Yes;
    list.FindSimilar(0);
    ASSERT_FALSE(seams.boxes.empty());
    EXPECT_EQ(seams.boxes[0].text,
              "Sounds-Like Search works best using a short sound example (less than 30 "
              "seconds).  The example you selected has a duration of 30 seconds.\n\nWould you "
              "like to perform the search anyway?");
}

TEST_F(ResultsListTest, RemovingAFileRemovesEveryPitchOfIt) {
    ResultsListObj list(&window, ResultsListObj::kMyTambrel, &services);
    Add(list, 1, "/s/a.wav");
    Add(list, 2, "/s/b.wav", 22050);
    Add(list, 3, "/s/c.wav");
    Add(list, 2, "/s/b.wav", 44100);
    Add(list, 2, "/s/b.wav", 88200);
    SoundFileObj b;
    b.fileId = 2;
    EXPECT_EQ(list.RemoveRow(b, true), 1);
    EXPECT_THAT(Paths(list), ElementsAre("/s/a.wav", "/s/c.wav"));
    EXPECT_THAT(window.log, ElementsAre("refresh"));
    // Nothing left of it: no rebuild.
    EXPECT_EQ(list.RemoveRow(b, true), -1);
    EXPECT_THAT(window.log, ElementsAre("refresh"));
}

TEST_F(ResultsListTest, InsertShowsOnlyWhenAskedAndKeepsTheMark) {
    ResultsListObj list(&window, ResultsListObj::kMyTambrel, &services);
    SoundFileObj file;
    SoundVariantObj variant;
    MakeSound(file, variant, 1, "/s/a.wav");
    list.InsertRow(file, variant, 80, 5, true, true);
    list.InsertRow(file, variant, 70, 6, false, false);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Entry(0).score, 80);
    EXPECT_EQ(list.Entry(0).tag, 5);
    EXPECT_EQ(list.Entry(0).value1, 0);
    EXPECT_TRUE(list.RowPlayed(0));
    EXPECT_FALSE(list.RowPlayed(1));
    EXPECT_THAT(window.log, ElementsAre("insert /s/a.wav shown"));
    list.Refresh(1);
    list.ClearRows(false);
    EXPECT_EQ(list.Count(), 0);
    list.ClearRows(true);
    EXPECT_THAT(window.log,
                ElementsAre("insert /s/a.wav shown", "refresh", "visible 1", "clear"));
}

TEST_F(ResultsListTest, OpenRowReportsBusyAndFailedOpens) {
    ResultsListObj web(&window, ResultsListObj::kWebTambrel, &services);
    Add(web, 1, "http://h/a.wav");
    services.downloadState["http://h/a.wav"] = 2;
    web.OpenRow(0);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "This file is busy being downloaded");
    EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Information);
    EXPECT_TRUE(services.opened.empty());
    EXPECT_TRUE(web.RowPlayed(0));

    ResultsListObj local(&window, ResultsListObj::kMyTambrel, &services);
    Add(local, 2, "/s/b.wav");
    services.editorOpens = false;
    local.OpenRow(0);
    EXPECT_THAT(services.opened, ElementsAre("/s/b.wav local"));
    ASSERT_EQ(seams.boxes.size(), 2u);
    EXPECT_EQ(seams.boxes[1].text, std::string("Could not open file\n/s/b.wav") + kValidate);
    EXPECT_EQ(seams.boxes[1].icon, MessageIcon::Exclamation);
}

TEST_F(ResultsListTest, OpenLinkHandsOnlyWebLinksToTheBrowser) {
    ResultsListObj list(&window, ResultsListObj::kMyTambrel, &services);
    const char* links[] = {"http://example.org/sound", "", "file:///etc/passwd",
                           "javascript:alert(1)"};
    for (const char* link : links) {
        Add(list, 1, "/s/a.wav");
        list.Entry(list.Count() - 1).file.link = link;
    }
    for (int row = 0; row < list.Count(); ++row)
        list.OpenLink(row);
    EXPECT_THAT(seams.urls, ElementsAre("http://example.org/sound"));
    // The refused ones are reported, the empty one is not.
    EXPECT_EQ(seams.boxes.size(), 2u);
}

TEST_F(ResultsListTest, GoingAwayStopsOnlyItsOwnPreviewAndDownload) {
    {
        ResultsListObj list(&window, ResultsListObj::kMyTambrel, &services);
        Add(list, 1, "/s/a.wav");
        list.PlayRow(0, false);
    }
    ASSERT_EQ(services.auditions.size(), 2u);
    EXPECT_EQ(services.auditions[1].path, "");

    services.auditions.clear();
    {
        ResultsListObj list(&window, ResultsListObj::kMyTambrel, &services);
        Add(list, 1, "/s/a.wav");
        list.PlayRow(0, false);
        services.auditionPath = "/s/other.wav"; // another window's preview took over
    }
    EXPECT_EQ(services.auditions.size(), 1u);

    {
        ResultsListObj list(&window, ResultsListObj::kWebTambrel, &services);
        Add(list, 1, "http://h/a.wav");
        list.PlayRow(0, false);
    }
    EXPECT_THAT(services.cancelled, ElementsAre(7));
}

} // namespace
