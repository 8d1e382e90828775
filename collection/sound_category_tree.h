#pragma once

#include <memory>
#include <string>
#include <vector>

class CatalogDbObj;

struct SoundCategoryNode {
    std::string name;
    int fileCount = 0;
    bool predefined = false;
    SoundCategoryNode* parent = nullptr;
    std::vector<std::unique_ptr<SoundCategoryNode>> children;
};

struct SoundGenreEntry {
    std::string name;
    int fileCount = 0; // not maintained
    bool predefined = false;
};

// Where FillComboBox puts its lines; the window code adapts it to a combo box.
class CategoryListSink {
public:
    virtual ~CategoryListSink() = default;
    virtual void AddString(const std::string& text) = 0;
};

// The taxonomy of classes, categories, sub-categories and genres, with the number of
// catalogued files under each node. Classes are addressed 1-3 (Effects, Instruments, Other).
class SoundCategoryTree {
public:
    SoundCategoryTree();
    SoundCategoryTree(const SoundCategoryTree&) = delete;
    SoundCategoryTree& operator=(const SoundCategoryTree&) = delete;

    static const char* SuperCategoryName(int soundClass);
    static int SuperCategoryIndex(const std::string& name);

    int CategoryCount(int soundClass) const;
    std::string CategoryName(int soundClass, int index) const;
    int SubcategoryCount(int soundClass, int categoryIndex) const;
    std::string SubcategoryName(int soundClass, int categoryIndex, int subIndex) const;
    int CategoryIndex(int soundClass, const std::string& name) const;
    SoundCategoryNode* FindNode(int soundClass, const std::string& category,
                                const std::string& subcategory) const;
    int FileCount(int soundClass, const std::string& category,
                  const std::string& subcategory) const;
    int GenreCount() const { return static_cast<int>(genres.size()); }
    std::string GenreName(int index) const;
    void FillComboBox(CategoryListSink& sink) const;

    void AddCount(int soundClass, const std::string& category, const std::string& subcategory,
                  int n);
    void DecrementCount(int soundClass, const std::string& category,
                        const std::string& subcategory);
    void AddCategory(int soundClass, const std::string& category, const std::string& subcategory);
    void RemoveCategory(int soundClass, const std::string& category,
                        const std::string& subcategory);
    void AddGenre(const std::string& name);
    // Counts of the catalog's category and genre registers; false when a read failed.
    bool LoadCounts(CatalogDbObj& catalog);

    const SoundCategoryNode& Root() const { return root; }

private:
    SoundCategoryNode* SuperNode(int soundClass) const;
    SoundCategoryNode* Category(int soundClass, int index) const;

    SoundCategoryNode root;
    std::vector<std::unique_ptr<SoundGenreEntry>> genres;
};

extern SoundCategoryTree theSoundCategoryTree;
