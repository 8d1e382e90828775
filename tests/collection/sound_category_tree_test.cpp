#include "collection/sound_category_tree.h"

#include <gtest/gtest.h>

namespace {

class RecordingSink : public CategoryListSink {
public:
    void AddString(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

std::vector<std::string> CategoryNames(const SoundCategoryTree& tree, int soundClass) {
    std::vector<std::string> names;
    for (int i = 0; i < tree.CategoryCount(soundClass); ++i)
        names.push_back(tree.CategoryName(soundClass, i));
    return names;
}

} // namespace

TEST(SoundCategoryTree, BuiltInTables) {
    SoundCategoryTree tree;
    EXPECT_EQ(tree.Root().name, "All Categories");
    ASSERT_EQ(tree.Root().children.size(), 3u);

    auto lines = [&](int soundClass) {
        int n = tree.CategoryCount(soundClass);
        for (int i = 0; i < tree.CategoryCount(soundClass); ++i)
            n += tree.SubcategoryCount(soundClass, i);
        return n;
    };
    EXPECT_EQ(lines(1), 169);
    EXPECT_EQ(lines(2), 61);
    EXPECT_EQ(lines(3), 0);
    EXPECT_EQ(tree.CategoryCount(1), 14);
    EXPECT_EQ(CategoryNames(tree, 2),
              (std::vector<std::string>{"Brass", "Drums/Percussion", "Guitars", "Keyboards",
                                        "Strings", "Woodwinds"}));
    const int drums = tree.CategoryIndex(2, "Drums/Percussion");
    EXPECT_EQ(tree.SubcategoryCount(2, drums), 30);
    EXPECT_EQ(tree.SubcategoryName(2, drums, 0), "Bass/Kick Drum");
    EXPECT_EQ(tree.SubcategoryName(2, drums, 29), "Xylophone");
    EXPECT_EQ(tree.CategoryName(1, 13), "Vehicles");
    EXPECT_EQ(tree.SubcategoryName(1, 13, 14), "Truck");
    EXPECT_EQ(tree.SubcategoryName(1, tree.CategoryIndex(1, "People"), 12), "Murmur/Walla");

    // Every built-in list is in the byte order that later insertions keep.
    for (int c = 1; c <= 3; ++c) {
        auto names = CategoryNames(tree, c);
        EXPECT_TRUE(std::is_sorted(names.begin(), names.end())) << c;
    }
    ASSERT_EQ(tree.GenreCount(), 25);
    EXPECT_EQ(tree.GenreName(0), "Alternative");
    EXPECT_EQ(tree.GenreName(17), "R&B");
    EXPECT_EQ(tree.GenreName(24), "World/Ethnic");
    for (const auto& node : tree.Root().children)
        EXPECT_TRUE(node->predefined);
}

TEST(SoundCategoryTree, LookupsOutOfRange) {
    SoundCategoryTree tree;
    EXPECT_STREQ(SoundCategoryTree::SuperCategoryName(2), "Instruments");
    for (int c : {0, -1, 4}) {
        SCOPED_TRACE(c);
        EXPECT_EQ(tree.CategoryCount(c), 0);
        EXPECT_EQ(tree.CategoryName(c, 0), "");
        EXPECT_EQ(tree.SubcategoryCount(c, 0), 0);
        EXPECT_EQ(tree.FindNode(c, "", ""), nullptr);
        EXPECT_EQ(tree.CategoryIndex(c, "Animals"), -1);
    }
    EXPECT_EQ(tree.CategoryName(1, -1), "");
    EXPECT_EQ(tree.CategoryName(1, 14), "");
    EXPECT_EQ(tree.SubcategoryName(1, 0, 15), "");
    EXPECT_EQ(tree.SubcategoryName(1, 0, -1), "");
    EXPECT_EQ(tree.GenreName(25), "");
    EXPECT_EQ(tree.GenreName(-1), "");
}

TEST(SoundCategoryTree, SuperCategoryIndexMatchesPartsOfNames) {
    const std::pair<const char*, int> cases[] = {
        {"Instruments", 2}, {"Instr", 2}, {"s", 2}, {"Effects", 1},  {"ffe", 1},
        {"Other", 3},       {"th", 3},    {"", -1}, {"effects", -1}, {"Effectsx", -1}};
    for (const auto& [name, index] : cases)
        EXPECT_EQ(SoundCategoryTree::SuperCategoryIndex(name), index) << name;
}

TEST(SoundCategoryTree, FindNodeIsCaseSensitive) {
    SoundCategoryTree tree;
    EXPECT_EQ(tree.FindNode(1, "", ""), tree.Root().children[0].get());
    SoundCategoryNode* animals = tree.FindNode(1, "Animals", "");
    ASSERT_NE(animals, nullptr);
    EXPECT_EQ(animals->name, "Animals");
    EXPECT_EQ(tree.FindNode(1, "animals", ""), nullptr);
    SoundCategoryNode* dog = tree.FindNode(1, "Animals", "Dog");
    ASSERT_NE(dog, nullptr);
    EXPECT_EQ(dog->parent, animals);
    EXPECT_EQ(tree.FindNode(1, "Animals", "Dragon"), nullptr);
    EXPECT_EQ(tree.FindNode(1, "Beasts", "Dog"), nullptr);
}

TEST(SoundCategoryTree, UserCategoriesTakeTheirSortedPlace) {
    SoundCategoryTree tree;
    tree.AddCategory(1, "Zoo", "");
    tree.AddCategory(1, "Bats", "");
    tree.AddCategory(1, "apes", "");
    tree.AddCategory(1, "Birds", "Albatross"); // into an existing category
    tree.AddCategory(1, "Birds", "Zebra Finch");
    auto names = CategoryNames(tree, 1);
    ASSERT_EQ(names.size(), 17u);
    EXPECT_EQ(names[1], "Backgrounds");
    EXPECT_EQ(names[2], "Bats");
    EXPECT_EQ(names[3], "Birds");
    EXPECT_EQ(names[14], "Vehicles");
    EXPECT_EQ(names[15], "Zoo");
    EXPECT_EQ(names[16], "apes"); // small letters compare greater than capitals
    const int birds = tree.CategoryIndex(1, "Birds");
    EXPECT_EQ(tree.SubcategoryName(1, birds, 0), "Albatross");
    EXPECT_EQ(tree.SubcategoryName(1, birds, 11), "Zebra Finch");
    EXPECT_FALSE(tree.FindNode(1, "Zoo", "")->predefined);
    EXPECT_EQ(tree.FindNode(1, "Zoo", "")->fileCount, 0);
    tree.AddCategory(1, "Zoo", "");
    EXPECT_EQ(tree.CategoryCount(1), 17);
}

TEST(SoundCategoryTree, CountsGoUpAndDown) {
    SoundCategoryTree tree;
    tree.AddCount(3, "Foley", "Steps", 2);
    EXPECT_EQ(tree.FileCount(3, "", ""), 2);
    EXPECT_EQ(tree.FileCount(3, "Foley", ""), 2);
    EXPECT_EQ(tree.FileCount(3, "Foley", "Steps"), 2);
    tree.AddCount(3, "Foley", "", 1);
    tree.AddCount(3, "Foley", "Steps", 0);
    tree.AddCount(3, "Foley", "Steps", -4);
    EXPECT_EQ(tree.FileCount(3, "Foley", ""), 3);

    // A user sub-category goes with its last file; its category keeps the file without one.
    tree.DecrementCount(3, "Foley", "Steps");
    tree.DecrementCount(3, "Foley", "Steps");
    EXPECT_EQ(tree.FindNode(3, "Foley", "Steps"), nullptr);
    EXPECT_EQ(tree.FileCount(3, "Foley", ""), 1);
    EXPECT_EQ(tree.FileCount(3, "", ""), 1);
    tree.DecrementCount(3, "Foley", "");
    EXPECT_EQ(tree.FindNode(3, "Foley", ""), nullptr);
    EXPECT_EQ(tree.FileCount(3, "", ""), 0);

    // A predefined sub-category stays at 0; a further decrement changes nothing.
    tree.AddCount(1, "Animals", "Dog", 1);
    tree.DecrementCount(1, "Animals", "Dog");
    ASSERT_NE(tree.FindNode(1, "Animals", "Dog"), nullptr);
    EXPECT_EQ(tree.FileCount(1, "Animals", ""), 0);
    EXPECT_EQ(tree.FileCount(1, "", ""), 0);
    tree.AddCount(1, "Animals", "", 2);
    tree.DecrementCount(1, "Animals", "Dog");
    EXPECT_EQ(tree.FileCount(1, "Animals", ""), 2);
    EXPECT_EQ(tree.FileCount(1, "", ""), 2);

    // A missing category: only the class goes down; never below 0.
    tree.DecrementCount(1, "Nowhere", "x");
    EXPECT_EQ(tree.FileCount(1, "", ""), 1);
    tree.DecrementCount(2, "", "");
    EXPECT_EQ(tree.FileCount(2, "", ""), 0);
}

TEST(SoundCategoryTree, RemoveCategorySubtractsItsCount) {
    SoundCategoryTree tree;
    tree.AddCount(1, "Animals", "Dog", 3);
    tree.AddCount(1, "Animals", "", 1);
    tree.AddCount(1, "Mine", "One", 2);
    tree.RemoveCategory(1, "Animals", "Dog");
    EXPECT_EQ(tree.FindNode(1, "Animals", "Dog"), nullptr); // removed even though predefined
    EXPECT_EQ(tree.FileCount(1, "Animals", ""), 1);
    EXPECT_EQ(tree.FileCount(1, "", ""), 3);
    tree.RemoveCategory(1, "Mine", "");
    EXPECT_EQ(tree.FindNode(1, "Mine", ""), nullptr);
    EXPECT_EQ(tree.FileCount(1, "", ""), 1);
    tree.RemoveCategory(1, "Mine", "One");
    tree.RemoveCategory(1, "Animals", "Unicorn");
    EXPECT_EQ(tree.FileCount(1, "", ""), 1);
    EXPECT_EQ(tree.CategoryCount(1), 14);
}

TEST(SoundCategoryTree, AddGenreKeepsOrderAndRefusesDuplicates) {
    SoundCategoryTree tree;
    tree.AddGenre("Polka");
    tree.AddGenre("Polka");
    tree.AddGenre("");
    tree.AddGenre("Jazz");
    tree.AddGenre("jazz");
    tree.AddGenre("Aaa");
    ASSERT_EQ(tree.GenreCount(), 28);
    EXPECT_EQ(tree.GenreName(0), "Aaa");
    EXPECT_EQ(tree.GenreName(tree.GenreCount() - 1), "jazz");
    std::vector<std::string> names;
    for (int i = 0; i < tree.GenreCount(); ++i)
        names.push_back(tree.GenreName(i));
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(std::count(names.begin(), names.end(), "Polka"), 1);
}

TEST(SoundCategoryTree, FillComboBox) {
    SoundCategoryTree tree;
    tree.AddCategory(3, "Foley", "Steps");
    RecordingSink sink;
    tree.FillComboBox(sink);
    ASSERT_EQ(sink.lines.size(), 169u + 61u + 2u + 1u + 25u);
    EXPECT_EQ(sink.lines[0], "Animals");
    EXPECT_EQ(sink.lines[1], "---Bear");
    EXPECT_EQ(sink.lines[169], "Brass");
    EXPECT_EQ(sink.lines[230], "Foley");
    EXPECT_EQ(sink.lines[231], "---Steps");
    EXPECT_EQ(sink.lines[232], "Genre");
    EXPECT_EQ(sink.lines[233], "---Alternative");
    EXPECT_EQ(sink.lines.back(), "---World/Ethnic");
}
