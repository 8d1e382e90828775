#include "collection/sound_category_tree.h"

#include "collection/sound_category_tables.h"
#include "collection/text_cut.h"

#include <algorithm>
#include <cstring>

SoundCategoryTree theSoundCategoryTree;

namespace {

constexpr int kClassCount = 3;
constexpr std::size_t kMaxNameBytes = 255;
constexpr int kMaxDepth = 10;
const char* const kSuperNames[kClassCount] = {"Effects", "Instruments", "Other"};

SoundCategoryNode* NewChild(SoundCategoryNode* parent, const std::string& name, bool predefined,
                            std::size_t position) {
    auto node = std::make_unique<SoundCategoryNode>();
    node->name = name;
    node->predefined = predefined;
    node->parent = parent;
    SoundCategoryNode* raw = node.get();
    parent->children.insert(parent->children.begin() + static_cast<std::ptrdiff_t>(position),
                            std::move(node));
    return raw;
}

// After any equal names, before the first greater one (byte-wise, case-sensitive).
template <typename Vector, typename NameOf>
std::size_t SortedPlace(const Vector& items, const std::string& name, NameOf nameOf) {
    auto it = std::upper_bound(
        items.begin(), items.end(), name,
        [&](const std::string& n, const auto& item) { return n.compare(nameOf(item)) < 0; });
    return static_cast<std::size_t>(it - items.begin());
}

SoundCategoryNode* FindChild(const SoundCategoryNode* parent, const std::string& name) {
    const std::string key = CutText(name, kMaxNameBytes);
    for (const auto& child : parent->children) {
        if (child->name == key)
            return child.get();
    }
    return nullptr;
}

SoundCategoryNode* FindOrAddChild(SoundCategoryNode* parent, const std::string& name) {
    if (SoundCategoryNode* found = FindChild(parent, name))
        return found;
    const std::string key = CutText(name, kMaxNameBytes);
    const std::size_t place = SortedPlace(
        parent->children, key, [](const auto& n) -> const std::string& { return n->name; });
    return NewChild(parent, key, false, place);
}

void RemoveChild(SoundCategoryNode* node) {
    auto& siblings = node->parent->children;
    siblings.erase(std::find_if(siblings.begin(), siblings.end(),
                                [node](const auto& c) { return c.get() == node; }));
}

void SubtractCount(SoundCategoryNode* node, int n) {
    node->fileCount = std::max(0, node->fileCount - n);
}

void LoadTable(SoundCategoryNode* super, const BuiltInTable& table) {
    SoundCategoryNode* last[kMaxDepth + 1] = {super};
    int deepest = 0;
    for (std::size_t i = 0; i < table.count; ++i) {
        const char* line = table.lines[i];
        int depth = 0;
        while (line[depth] == '-')
            ++depth;
        if (depth == 0)
            continue;
        // A line deeper than the one before hangs under the deepest node there is.
        depth = std::min({depth, kMaxDepth, deepest + 1});
        SoundCategoryNode* parent = last[depth - 1];
        last[depth] =
            NewChild(parent, line + std::strspn(line, "-"), true, parent->children.size());
        deepest = depth;
    }
}

} // namespace

SoundCategoryTree::SoundCategoryTree() {
    root.name = "All Categories";
    root.predefined = true;
    for (int c = 0; c < kClassCount; ++c)
        NewChild(&root, kSuperNames[c], true, root.children.size());
    LoadTable(SuperNode(1), kBuiltInEffects);
    LoadTable(SuperNode(2), kBuiltInInstruments);
    for (std::size_t i = 0; i < kBuiltInGenres.count; ++i) {
        auto entry = std::make_unique<SoundGenreEntry>();
        entry->name = kBuiltInGenres.lines[i];
        entry->predefined = true;
        genres.push_back(std::move(entry));
    }
}

const char* SoundCategoryTree::SuperCategoryName(int soundClass) {
    return (soundClass >= 1 && soundClass <= kClassCount) ? kSuperNames[soundClass - 1] : "";
}

int SoundCategoryTree::SuperCategoryIndex(const std::string& name) {
    if (name.empty())
        return -1;
    // A part of a class name counts: the search forms pass what the user has typed so far.
    if (std::string_view("Instruments").find(name) != std::string_view::npos)
        return 2;
    if (std::string_view("Effects").find(name) != std::string_view::npos)
        return 1;
    if (std::string_view("Other").find(name) != std::string_view::npos)
        return 3;
    return -1;
}

SoundCategoryNode* SoundCategoryTree::SuperNode(int soundClass) const {
    if (soundClass < 1 || soundClass > kClassCount)
        return nullptr;
    return root.children[static_cast<std::size_t>(soundClass - 1)].get();
}

SoundCategoryNode* SoundCategoryTree::Category(int soundClass, int index) const {
    SoundCategoryNode* super = SuperNode(soundClass);
    if (super == nullptr || index < 0 || static_cast<std::size_t>(index) >= super->children.size())
        return nullptr;
    return super->children[static_cast<std::size_t>(index)].get();
}

int SoundCategoryTree::CategoryCount(int soundClass) const {
    SoundCategoryNode* super = SuperNode(soundClass);
    return super ? static_cast<int>(super->children.size()) : 0;
}

std::string SoundCategoryTree::CategoryName(int soundClass, int index) const {
    SoundCategoryNode* node = Category(soundClass, index);
    return node ? node->name : std::string();
}

int SoundCategoryTree::SubcategoryCount(int soundClass, int categoryIndex) const {
    SoundCategoryNode* node = Category(soundClass, categoryIndex);
    return node ? static_cast<int>(node->children.size()) : 0;
}

std::string SoundCategoryTree::SubcategoryName(int soundClass, int categoryIndex,
                                               int subIndex) const {
    SoundCategoryNode* node = Category(soundClass, categoryIndex);
    if (node == nullptr || subIndex < 0 ||
        static_cast<std::size_t>(subIndex) >= node->children.size())
        return std::string();
    return node->children[static_cast<std::size_t>(subIndex)]->name;
}

int SoundCategoryTree::CategoryIndex(int soundClass, const std::string& name) const {
    SoundCategoryNode* super = SuperNode(soundClass);
    if (super == nullptr)
        return -1;
    for (std::size_t i = 0; i < super->children.size(); ++i) {
        if (super->children[i]->name == name)
            return static_cast<int>(i);
    }
    return -1;
}

SoundCategoryNode* SoundCategoryTree::FindNode(int soundClass, const std::string& category,
                                               const std::string& subcategory) const {
    SoundCategoryNode* super = SuperNode(soundClass);
    if (super == nullptr || category.empty())
        return super;
    SoundCategoryNode* cat = FindChild(super, category);
    if (cat == nullptr || subcategory.empty())
        return cat;
    return FindChild(cat, subcategory);
}

int SoundCategoryTree::FileCount(int soundClass, const std::string& category,
                                 const std::string& subcategory) const {
    SoundCategoryNode* node = FindNode(soundClass, category, subcategory);
    return node ? node->fileCount : 0;
}

std::string SoundCategoryTree::GenreName(int index) const {
    if (index < 0 || index >= GenreCount())
        return std::string();
    return genres[static_cast<std::size_t>(index)]->name;
}

void SoundCategoryTree::FillComboBox(CategoryListSink& sink) const {
    for (int c = 1; c <= kClassCount; ++c) {
        for (const auto& cat : SuperNode(c)->children) {
            sink.AddString(cat->name);
            for (const auto& sub : cat->children)
                sink.AddString("---" + sub->name);
        }
    }
    sink.AddString("Genre");
    for (const auto& genre : genres)
        sink.AddString("---" + genre->name);
}

void SoundCategoryTree::AddCount(int soundClass, const std::string& category,
                                 const std::string& subcategory, int n) {
    SoundCategoryNode* super = SuperNode(soundClass);
    if (n <= 0 || super == nullptr)
        return;
    super->fileCount += n;
    if (category.empty())
        return;
    SoundCategoryNode* cat = FindOrAddChild(super, category);
    cat->fileCount += n;
    if (!subcategory.empty())
        FindOrAddChild(cat, subcategory)->fileCount += n;
}

void SoundCategoryTree::DecrementCount(int soundClass, const std::string& category,
                                       const std::string& subcategory) {
    SoundCategoryNode* super = SuperNode(soundClass);
    if (super == nullptr)
        return;
    SoundCategoryNode* cat = category.empty() ? nullptr : FindChild(super, category);
    SoundCategoryNode* sub = (cat && !subcategory.empty()) ? FindChild(cat, subcategory) : nullptr;
    if (sub != nullptr) {
        if (sub->fileCount == 0)
            return;
        if (--sub->fileCount == 0 && !sub->predefined)
            RemoveChild(sub);
    }
    bool categoryWentDown = false;
    if (cat != nullptr && cat->fileCount > 0) {
        categoryWentDown = true;
        if (--cat->fileCount == 0 && !cat->predefined)
            RemoveChild(cat);
    }
    if (super->fileCount > 0 && (cat == nullptr || categoryWentDown))
        --super->fileCount;
}

void SoundCategoryTree::AddCategory(int soundClass, const std::string& category,
                                    const std::string& subcategory) {
    SoundCategoryNode* super = SuperNode(soundClass);
    if (super == nullptr || category.empty())
        return;
    SoundCategoryNode* cat = FindOrAddChild(super, category);
    if (!subcategory.empty())
        FindOrAddChild(cat, subcategory);
}

void SoundCategoryTree::RemoveCategory(int soundClass, const std::string& category,
                                       const std::string& subcategory) {
    SoundCategoryNode* super = SuperNode(soundClass);
    if (super == nullptr || category.empty())
        return;
    SoundCategoryNode* cat = FindChild(super, category);
    if (cat == nullptr)
        return;
    if (!subcategory.empty()) {
        SoundCategoryNode* sub = FindChild(cat, subcategory);
        if (sub == nullptr)
            return;
        const int n = sub->fileCount;
        RemoveChild(sub);
        SubtractCount(cat, n);
        SubtractCount(super, n);
        return;
    }
    const int n = cat->fileCount;
    RemoveChild(cat);
    SubtractCount(super, n);
}

void SoundCategoryTree::AddGenre(const std::string& name) {
    if (name.empty())
        return;
    const std::string key = CutText(name, kMaxNameBytes);
    for (const auto& genre : genres) {
        if (genre->name == key)
            return;
    }
    auto entry = std::make_unique<SoundGenreEntry>();
    entry->name = key;
    const std::size_t place =
        SortedPlace(genres, key, [](const auto& g) -> const std::string& { return g->name; });
    genres.insert(genres.begin() + static_cast<std::ptrdiff_t>(place), std::move(entry));
}
