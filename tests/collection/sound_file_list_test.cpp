#include "collection/sound_file_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

// A text whose order follows the rank when case is ignored, and would not when it counted.
std::string RankText(int rank) {
    return std::string("item ") + static_cast<char>(rank % 2 ? 'A' + rank : 'a' + rank);
}

using Setter = void (*)(SoundFileListEntry&, int rank);

struct ColumnCase {
    int column;
    Setter set;
};

const ColumnCase kColumns[] = {
    {0, [](SoundFileListEntry& e, int r) { e.score = r * 10; }},
    // Folders run the other way: only the file name counts.
    {1, [](SoundFileListEntry& e,
           int r) { e.file.path = std::string("/") + char('z' - r) + "/" + RankText(r) + ".wav"; }},
    // The ratio rises while the file rate falls.
    {3, [](SoundFileListEntry& e,
           int r) { e.variant.sampleRate = 44100, e.file.sampleRate = 88200 - 1000 * r; }},
    {4, [](SoundFileListEntry& e, int r) { e.file.description = RankText(r); }},
    {5, [](SoundFileListEntry& e, int r) { e.file.size = r * 1000 - 3000; }},
    {6, [](SoundFileListEntry& e, int r) { e.file.channels = r; }},
    {7, [](SoundFileListEntry& e, int r) { e.file.compression = r; }},
    {8, [](SoundFileListEntry& e, int r) { e.variant.sampleRate = 8000 + r; }},
    {9, [](SoundFileListEntry& e, int r) { e.variant.duration = r; }},
    {10,
     [](SoundFileListEntry& e, int r) {
         e.file.soundClass = 1 + r / 4;
         e.file.category = RankText(r / 2 % 2);
         e.file.subcategory = RankText(r % 2);
     }},
    {13, [](SoundFileListEntry& e, int r) { e.file.genre = RankText(r); }},
    {14, [](SoundFileListEntry& e, int r) { e.variant.key = r + 1; }},
    {15, [](SoundFileListEntry& e, int r) { e.variant.bpm = r - 1; }},
    {16, [](SoundFileListEntry& e, int r) { e.file.loop = r; }},
    {17, [](SoundFileListEntry& e, int r) { e.file.source = RankText(r); }},
    {18, [](SoundFileListEntry& e, int r) { e.file.copyright = RankText(r); }},
    {19, [](SoundFileListEntry& e, int r) { e.file.notes = RankText(r); }},
    {20, [](SoundFileListEntry& e, int r) { e.file.link = RankText(r); }},
};

constexpr int kRanks = 8;

// Fills a list with one entry per rank in a shuffled order; the tag holds the rank.
void FillShuffled(SoundFileListObj& list, Setter set, unsigned seed) {
    std::vector<int> ranks(kRanks);
    for (int i = 0; i < kRanks; ++i)
        ranks[i] = i;
    std::shuffle(ranks.begin(), ranks.end(), std::mt19937(seed));
    for (int r : ranks) {
        list.Add(SoundFileObj(), SoundVariantObj(), 0, r, 0, 0);
        set(list.Entry(list.Count() - 1), r);
    }
}

std::vector<int> Tags(const SoundFileListObj& list) {
    std::vector<int> tags;
    for (int i = 0; i < list.Count(); ++i)
        tags.push_back(list.Entry(i).tag);
    return tags;
}

std::vector<int> Ascending() {
    std::vector<int> v(kRanks);
    for (int i = 0; i < kRanks; ++i)
        v[i] = i;
    return v;
}

} // namespace

TEST(SoundFileListSort, EveryColumnBothDirections) {
    std::vector<int> up = Ascending(), down(up.rbegin(), up.rend());
    for (const ColumnCase& c : kColumns) {
        for (int column :
             {c.column, c.column == 10 ? 11 : c.column, c.column == 10 ? 12 : c.column}) {
            SCOPED_TRACE(testing::Message() << "column " << column);
            SoundFileListObj list;
            FillShuffled(list, c.set, 1u + static_cast<unsigned>(column));
            list.Sort(column, 2, false);
            EXPECT_EQ(Tags(list), up);
            list.Sort(column, 2, true);
            EXPECT_EQ(Tags(list), down);
        }
    }
}

TEST(SoundFileListSort, SecondaryColumnBreaksTiesInTheSameDirection) {
    for (int primary : {2, 16, 21, -1}) { // 2 and unknown columns compare equal
        SCOPED_TRACE(primary);
        SoundFileListObj list;
        FillShuffled(
            list, [](SoundFileListEntry& e, int r) { e.file.loop = 1, e.variant.duration = r; }, 7);
        list.Sort(primary, 9, false);
        EXPECT_EQ(Tags(list), Ascending());
        list.Sort(primary, 9, true);
        std::vector<int> down = Ascending();
        std::reverse(down.begin(), down.end());
        EXPECT_EQ(Tags(list), down);
    }
    // Groups of the primary column, each ordered by the secondary.
    SoundFileListObj list;
    FillShuffled(
        list, [](SoundFileListEntry& e, int r) { e.file.size = r / 4, e.score = -r; }, 3);
    list.Sort(5, 0, false);
    EXPECT_EQ(Tags(list), (std::vector<int>{3, 2, 1, 0, 7, 6, 5, 4}));
}

TEST(SoundFileListSort, ClassGroupsByCategoryAndSubcategory) {
    struct Row {
        int soundClass;
        const char* category;
        const char* subcategory;
    };
    const Row rows[] = {{3, "", ""},           {2, "Brass", "Tuba"},  {1, "birds", "Owl"},
                        {1, "Animals", "dog"}, {1, "Animals", "Cat"}, {2, "brass", "horn"},
                        // A category that begins a longer one sorts before it, whatever follows.
                        {1, "Animal", "zebra"}};
    SoundFileListObj list;
    for (int i = 0; i < static_cast<int>(std::size(rows)); ++i) {
        SoundFileObj f;
        f.soundClass = rows[i].soundClass, f.category = rows[i].category;
        f.subcategory = rows[i].subcategory;
        list.Add(f, SoundVariantObj(), 0, i, 0, 0);
    }
    list.Sort(10, 0, false);
    EXPECT_EQ(Tags(list), (std::vector<int>{6, 4, 3, 2, 5, 1, 0}));
}

TEST(SoundFileListSort, HundredThousandSortedEntries) {
    SoundFileListObj list;
    const int n = 100000;
    for (int i = 0; i < n; ++i)
        list.Add(SoundFileObj(), SoundVariantObj(), i, i, 0, 0);
    list.Sort(0, 1, false); // already sorted
    list.Sort(0, 1, true);  // reversed
    list.Sort(0, 1, true);  // again: sorted input for the comparison
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(list.Entry(i).score, n - 1 - i);
}

TEST(SoundFileList, InsertionNumbersAndRemoval) {
    SoundFileListObj list;
    SoundFileObj a, b;
    a.fileId = 5, b.fileId = -1;
    list.Add(b, SoundVariantObj(), 0, 0, 11, 12);
    list.Add(a, SoundVariantObj(), 0, 1, 0, 0);
    list.Add(b, SoundVariantObj(), 0, 2, 0, 0);
    EXPECT_EQ(list.Entry(0).insertionNumber, 1);
    EXPECT_EQ(list.Entry(2).insertionNumber, 3);
    EXPECT_EQ(list.Entry(0).value1, 11);
    EXPECT_EQ(list.Entry(0).value2, 12);

    // Every entry of a sound outside the catalog goes; the lowest index is reported.
    EXPECT_EQ(list.RemoveFile(b), 0);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Entry(0).tag, 1);
    EXPECT_EQ(list.RemoveFile(b), -1);
    list.Add(b, SoundVariantObj(), 0, 3, 0, 0);
    list.Add(b, SoundVariantObj(), 0, 4, 0, 0);
    EXPECT_EQ(list.Entry(2).insertionNumber, 3);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(SoundFileList, PathLookupsIgnoreCase) {
    SoundFileListObj list;
    SoundFileObj f;
    f.path = "/Sounds/Dog.WAV";
    list.Add(f, SoundVariantObj(), 0, 0, 0, 0);
    list.Add(f, SoundVariantObj(), 0, 1, 0, 0);
    SoundFileObj changed;
    changed.path = "/sounds/dog.wav";
    changed.description = "new";
    EXPECT_TRUE(list.ContainsPath(changed));
    EXPECT_TRUE(list.UpdateByPath(changed));
    EXPECT_EQ(list.Entry(0).file.description, "new");
    EXPECT_EQ(list.Entry(1).file.description, ""); // only the first
    changed.path = "/sounds/cat.wav";
    EXPECT_FALSE(list.ContainsPath(changed));
    EXPECT_FALSE(list.UpdateByPath(changed));
}
