#include "app/save_as_naming.h"

#include <gtest/gtest.h>

TEST(ProposeSaveAsName, NameFilterExtensionAndEncoding) {
    struct Case {
        const char* savePath;
        const char* path;
        int format;
        int encoding;
        const char* name;
        int filterIndex;
        const char* extension;
        int finalEncoding;
    };
    const Case cases[] = {
        {"", "/s/KICK.WAV", 1, 17, "/s/KICK.WAV", 3, ".wav", 17},
        {"", "/s/kick.mp3", 3, 3, "/s/kick.aiff", 1, ".aiff", 3},
        {"", "/s/kick.aif", 3, 2, "/s/kick.aiff", 1, ".aiff", 2},
        {"", "/s/kick.wav", 2, 16, "/s/kick.au", 2, ".au", 16},
        {"", "/s/noext", 1, 20, "/s/noext.wav", 3, ".wav", 20},
        {"", "/s.d/noext", 1, 1, "/s.d/noext.wav", 3, ".wav", 17},
        {"", "", 2, 0, "Untitled.au", 2, ".au", 17},
        {"", "", 9, 21, "Untitled.wav", 3, ".wav", 17},
        {"/last/", "/s/kick.wav", 1, 15, "/last/kick.wav", 3, ".wav", 17},
        {"/last/", "", 1, 18, "Untitled.wav", 3, ".wav", 18},
        {"/last/", "kick.au", 2, 19, "/last/kick.au", 2, ".au", 19},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.savePath) + " | " + c.path);
        SaveAsProposal p = ProposeSaveAsName(c.savePath, c.path, c.format, c.encoding);
        EXPECT_EQ(p.name, c.name);
        EXPECT_EQ(p.filterIndex, c.filterIndex);
        EXPECT_EQ(p.extension, c.extension);
        EXPECT_EQ(p.encoding, c.finalEncoding);
    }
}

TEST(FinishSaveAsName, FormatFolderAndMissingExtension) {
    struct Case {
        const char* chosen;
        int filterIndex;
        const char* path;
        int format;
        const char* savePath;
    };
    const Case cases[] = {
        {"/out/kick.aiff", 1, "/out/kick.aiff", 3, "/out/"},
        {"/out/kick", 2, "/out/kick.au", 2, "/out/"},
        {"/out.d/kick", 3, "/out.d/kick.wav", 1, "/out.d/"},
        {"/out/kick.snd", 2, "/out/kick.snd", 2, "/out/"},
        {"kick", 7, "kick.wav", 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chosen);
        SaveAsChoice choice = FinishSaveAsName(c.chosen, c.filterIndex);
        EXPECT_EQ(choice.path, c.path);
        EXPECT_EQ(choice.format, c.format);
        EXPECT_EQ(choice.savePath, c.savePath);
    }
}
