#include "collection/catalog_db.h"
#include "collection/sound_category_tree.h"

bool SoundCategoryTree::LoadCounts(CatalogDbObj& catalog) {
    std::unique_ptr<DB_cats> cats;
    if (!catalog.GetCategoryCounts(cats) || !cats)
        return false;
    for (int c = 1; c <= 3; ++c) {
        const DB_supercat& super = cats->supercats[static_cast<std::size_t>(c - 1)];
        int categorySum = 0;
        for (const DB_cat_node* cat = super.cats.head(); cat; cat = cat->next) {
            int subSum = 0;
            for (const DB_subcat_node* sub = cat->subcats.head(); sub; sub = sub->next) {
                AddCount(c, cat->name, sub->name, sub->count);
                subSum += sub->count;
            }
            // Files of the category without a sub-category.
            AddCount(c, cat->name, "", cat->count - subSum);
            categorySum += cat->count;
        }
        // Files of the class without a category.
        AddCount(c, "", "", super.total - categorySum);
    }
    DB_genre_list genreList;
    if (!catalog.GetGenres(genreList))
        return false;
    for (const DB_genre_node* genre = genreList.head(); genre; genre = genre->next)
        AddGenre(genre->name);
    return true;
}
