#include "app/app_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/support/sox_files.h"

namespace fs = std::filesystem;

TEST(AppUtilScanFolder, CollectsTheFilesTheAnalysisCanCatalogue) {
    TempFolder folder;
    const fs::path root = folder.Path("sounds");
    for (const char* name : {"a.WAV", "b.aif", "notes.txt", "c.voc", "deep/d.mp3", "deep/e.mod",
                             "deep/deeper/f.Snd"}) {
        fs::create_directories((root / name).parent_path());
        std::ofstream(root / name) << "x";
    }
    std::vector<std::string> list = {(root / "b.aif").string()}; // already listed: kept once
    AppUtil::ScanFolder(root.string() + "/", list, nullptr, nullptr);
    std::sort(list.begin(), list.end());
    const std::vector<std::string> expected = {(root / "a.WAV").string(), (root / "b.aif").string(),
                                               (root / "deep/d.mp3").string(),
                                               (root / "deep/deeper/f.Snd").string()};
    EXPECT_EQ(list, expected);
}
