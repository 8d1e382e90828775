#include "collection/catalog_update_item.h"

#include "collection/catalog_db.h"
#include "collection/catalog_message.h"

#include "db/catalog_fixture.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

TEST(CatalogUpdateItemTest, CellsShowAndStoreTheRecord) {
    CatalogUpdateItem item;
    item.record.path = "/sounds/dog.wav";
    item.record.soundClass = 2;
    item.record.key = 12;
    item.record.bpm = 120;
    item.record.loop = 1;
    struct Cell {
        int column;
        const char* shown;
        const char* typed; // stored trimmed; null: the cell has no editor
        const char* shownAfter;
    };
    const Cell cells[] = {
        {CatalogUpdateItem::kFileName, "/sounds/dog.wav", nullptr, nullptr},
        {CatalogUpdateItem::kStatus, "Not in MyTambrel", nullptr, nullptr},
        {CatalogUpdateItem::kAction, "ADD", " REMOVE ", "REMOVE"},
        {CatalogUpdateItem::kPitch, "Normal Only", "All Variations", "All Variations"},
        {CatalogUpdateItem::kDescription, "", "  Barking dog\t", "Barking dog"},
        {CatalogUpdateItem::kClass, "Instrument", "Effect", "Effect"},
        {CatalogUpdateItem::kCategory, "", "Animals", "Animals"},
        {CatalogUpdateItem::kSubCategory, "", "Dogs", "Dogs"},
        {CatalogUpdateItem::kGenre, "", "Nature", "Nature"},
        {CatalogUpdateItem::kKey, "G#", "<Unknown>", "<Unknown>"},
        {CatalogUpdateItem::kTempo, "120 bpm", "<Unknown>", "<Unknown>"},
        {CatalogUpdateItem::kLoop, "Yes", "No", "No"},
        {CatalogUpdateItem::kSource, "", "field", "field"},
        {CatalogUpdateItem::kCopyright, "", "(c) me", "(c) me"},
        {CatalogUpdateItem::kNotes, "", "two barks", "two barks"},
        {CatalogUpdateItem::kLink, "", "http://example.invalid", "http://example.invalid"},
    };
    for (const Cell& cell : cells) {
        SCOPED_TRACE(cell.column);
        EXPECT_EQ(item.GetColumnText(cell.column), cell.shown);
        if (cell.typed != nullptr) {
            item.SetColumnText(cell.column, cell.typed);
            EXPECT_EQ(item.GetColumnText(cell.column), cell.shownAfter);
        }
    }
    EXPECT_FALSE(item.keep);
    EXPECT_EQ(item.record.key, 13);
    EXPECT_EQ(item.record.bpm, -1);
    // Only exactly "ADD" keeps the file.
    item.SetColumnText(CatalogUpdateItem::kAction, "add");
    EXPECT_FALSE(item.keep);
    item.record.bpm = 0;
    EXPECT_EQ(item.GetColumnText(CatalogUpdateItem::kTempo), "<Unknown>");
    // A file name is never edited.
    item.SetColumnText(CatalogUpdateItem::kFileName, "/elsewhere.wav");
    EXPECT_EQ(item.record.path, "/sounds/dog.wav");
}

class CatalogUpdateItemRowsTest : public CatalogTest {
protected:
    void SetUp() override {
        CatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        previousHook_ = SetCatalogMessageHook([](const char* text) { ADD_FAILURE() << text; });
        catalog_ = std::make_unique<CatalogDbObj>(dsn);
        previous_ = theCatalogDb;
        theCatalogDb = catalog_.get();
    }
    void TearDown() override {
        if (catalog_) {
            theCatalogDb = previous_;
            catalog_.reset();
            SetCatalogMessageHook(previousHook_);
        }
        CatalogTest::TearDown();
    }

    std::unique_ptr<CatalogDbObj> catalog_;
    CatalogDbObj* previous_ = nullptr;
    CatalogMessageHook previousHook_ = nullptr;
};

TEST_P(CatalogUpdateItemRowsTest, ANewRowTakesItsStateFromTheCatalog) {
    SoundVariantObj normal, higher;
    const unsigned char points[5] = {1, 2, 3, 4, 5};
    for (SoundVariantObj* v : {&normal, &higher}) {
        v->duration = 1000;
        v->key = 13;
        v->bpm = -1;
        v->SetData(points, sizeof points);
    }
    normal.sampleRate = 44100;
    higher.sampleRate = 88200;
    SoundFileObj one, several;
    one.path = "/sounds/one.wav";
    several.path = "/sounds/several.wav";
    one.sampleRate = several.sampleRate = 44100;
    one.format = several.format = 1;
    one.description = "from the catalog";
    ASSERT_TRUE(catalog_->AddFile(one, {normal}));
    ASSERT_TRUE(catalog_->AddFile(several, {normal, higher}));
    const std::string unreadable = "/nonexistent/folder/missing.wav";

    struct Case {
        CatalogUpdateItem item;
        int state;
        const char* status;
    };
    Case cases[] = {
        {CatalogUpdateItem(one.path), CatalogUpdateItem::kInCatalog, "In MyTambrel"},
        {CatalogUpdateItem(several.path), CatalogUpdateItem::kWithVariants, "In MyTambrel"},
        {CatalogUpdateItem(several), CatalogUpdateItem::kWithVariants, "In MyTambrel"},
        {CatalogUpdateItem(unreadable), CatalogUpdateItem::kError,
         "Could not read file '/nonexistent/folder/missing.wav'"},
        {CatalogUpdateItem(SoundFileObj()), CatalogUpdateItem::kNotInCatalog, "Not in MyTambrel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item.record.path);
        EXPECT_EQ(c.item.state, c.state);
        EXPECT_EQ(c.item.GetColumnText(CatalogUpdateItem::kStatus), c.status);
        EXPECT_EQ(c.item.allVariations, c.state == CatalogUpdateItem::kWithVariants);
        EXPECT_TRUE(c.item.keep);
        EXPECT_FALSE(c.item.edited);
        EXPECT_FALSE(c.item.selected);
    }
    EXPECT_EQ(cases[0].item.record.description, "from the catalog");
    // Status images: not catalogued, catalogued, catalogued with edits, error.
    EXPECT_EQ(cases[4].item.GetStatusImage(), 0);
    EXPECT_EQ(cases[0].item.GetStatusImage(), 1);
    cases[0].item.edited = true;
    EXPECT_EQ(cases[0].item.GetStatusImage(), 2);
    EXPECT_EQ(cases[3].item.GetStatusImage(), 3);
}

INSTANTIATE_ON_BOTH_ENGINES(CatalogUpdateItemRowsTest);

} // namespace
