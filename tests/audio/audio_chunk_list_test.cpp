#include "audio/audio_chunk_list.h"
#include "audio/audio_file_tags.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ItemText(const AudioChunkList& list, int code) {
    std::size_t size = 0;
    const std::uint8_t* data = list.FindItem(code, size);
    return data == nullptr ? std::string("<none>")
                           : std::string(reinterpret_cast<const char*>(data), size);
}

constexpr std::int32_t kDisp = 0x44495350; // "DISP"

TEST(AudioChunkListTest, ItemsAndForeignChunksAreReplacedInPlaceOrAppended) {
    AudioChunkList list;
    list.SetItem(ItemTitle, "one", 3);
    list.SetForeignChunk(1, kDisp, "wave", 4);
    list.SetForeignChunk(3, kDisp, "aiff", 4); // same id, other format: a second chunk
    list.SetItem(ItemArtist, "me", 2);
    list.SetItem(ItemTitle, "longer title", 12);
    list.SetForeignChunk(1, kDisp, "WAVE!", 5);
    list.SetItem(ItemComment, "", 0); // nothing
    list.SetForeignChunk(1, 0x41424344, "x", 0);

    ASSERT_EQ(list.Count(), 4u);
    EXPECT_EQ(list.At(0).itemCode, ItemTitle);
    EXPECT_EQ(list.At(0).formatCode, -1);
    EXPECT_EQ(list.At(0).chunkId, 0);
    EXPECT_EQ(ItemText(list, ItemTitle), "longer title");
    EXPECT_EQ(list.At(0).size, 12u);
    EXPECT_EQ(list.At(1).formatCode, 1);
    EXPECT_EQ(std::string(list.At(1).data.begin(), list.At(1).data.end()), "WAVE!");
    EXPECT_EQ(list.At(2).formatCode, 3);
    EXPECT_EQ(list.At(3).itemCode, ItemArtist);
    EXPECT_EQ(ItemText(list, ItemComment), "<none>");
    std::size_t size = 99;
    EXPECT_EQ(list.FindItem(ItemKey, size), nullptr);
    EXPECT_EQ(size, 0u);
}

TEST(AudioChunkListTest, CopyFromReplacesMatchesAndAppendsTheRestAsOwnCopies) {
    AudioChunkList source;
    source.SetItem(ItemTitle, "new", 3);
    source.SetForeignChunk(1, kDisp, "d", 1);
    source.SetItem(ItemGenre, "rock", 4);

    AudioChunkList target;
    target.SetItem(ItemArtist, "artist", 6);
    target.SetItem(ItemTitle, "old", 3);
    target.CopyFrom(source);
    target.CopyFrom(target);

    ASSERT_EQ(target.Count(), 4u);
    EXPECT_EQ(target.At(0).itemCode, ItemArtist);
    EXPECT_EQ(ItemText(target, ItemTitle), "new");
    EXPECT_EQ(target.At(1).itemCode, ItemTitle);
    EXPECT_EQ(target.At(2).chunkId, kDisp);
    EXPECT_EQ(target.At(3).itemCode, ItemGenre);

    source.SetItem(ItemTitle, "changed", 7);
    source.Clear();
    EXPECT_EQ(source.Count(), 0u);
    EXPECT_EQ(ItemText(target, ItemTitle), "new");
}

TEST(AudioFileTagsTest, KindsMapToItemCodesAndFormats) {
    const int codes[] = {2, 4, 3, 5, 1, 6, 7, 8, 9};
    for (int kind = 0; kind < 9; ++kind) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(AudioFileTags::TagItemCode(kind, -7), codes[kind]);
        EXPECT_EQ(AudioFileTags::IsTagWritable(1, kind), kind <= 5);
        EXPECT_EQ(AudioFileTags::IsTagWritable(3, kind), kind <= 2 || kind == 4);
        EXPECT_FALSE(AudioFileTags::IsTagWritable(2, kind));
        EXPECT_FALSE(AudioFileTags::IsTagWritable(4, kind));
    }
    EXPECT_EQ(AudioFileTags::TagItemCode(9, -7), -7);
    EXPECT_EQ(AudioFileTags::TagItemCode(-1, -7), -7);
}

TEST(AudioFileTagsTest, SetTextReportsOnlyRealChanges) {
    AudioFileTags tags;
    char buffer[64];
    EXPECT_FALSE(tags.GetText(4, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");

    EXPECT_FALSE(tags.SetText(4, "")); // no item and nothing to store
    EXPECT_FALSE(tags.SetText(4, nullptr));
    EXPECT_TRUE(tags.SetText(4, "Hello"));
    EXPECT_FALSE(tags.SetText(4, "Hello"));
    // A longer text that starts like the stored one is an edit, not a repeat.
    EXPECT_TRUE(tags.SetText(4, "Hello world"));
    ASSERT_TRUE(tags.GetText(4, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "Hello world");
    EXPECT_TRUE(tags.SetText(4, "Hello"));
    ASSERT_TRUE(tags.GetText(4, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "Hello");
    EXPECT_TRUE(tags.SetText(4, "")); // clearing stores a single NUL
    std::size_t size = 0;
    tags.Chunks()->FindItem(ItemTitle, size);
    EXPECT_EQ(size, 1u);
    EXPECT_FALSE(tags.SetText(4, ""));
}

TEST(AudioFileTagsTest, SetTextRefusesKindsTheFormatCannotCarry) {
    AudioFileTags tags;
    EXPECT_FALSE(tags.SetText(5, "library", 3));
    EXPECT_EQ(tags.Chunks()->Count(), 0u);
    EXPECT_TRUE(tags.SetText(5, "library", -1));
    EXPECT_TRUE(tags.SetText(0, "artist", 1));
    EXPECT_EQ(tags.Chunks()->Count(), 2u);
}

TEST(AudioFileTagsTest, GetTextCutsToTheBufferAndReadsItemsWithoutNul) {
    AudioFileTags tags;
    tags.Chunks()->SetItem(ItemTitle, "Hello", 5); // as a reader stores it, no NUL
    char small[4];
    ASSERT_TRUE(tags.GetText(4, small, sizeof small));
    EXPECT_STREQ(small, "Hel");
    char exact[6];
    ASSERT_TRUE(tags.GetText(4, exact, sizeof exact));
    EXPECT_STREQ(exact, "Hello");
    EXPECT_FALSE(tags.SetText(4, "Hello"));
}

} // namespace
