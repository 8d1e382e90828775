#include "app/metadata_transfer.h"

#include "collection/audio_file_util.h"
#include "collection/db/metadata_file.h"
#include "collection/sound_file_list.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/app/indexer_stand_ins.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class MetadataTransferTest : public IndexerCatalogTest {
protected:
    // Analyses a sox-made tone and stores it with the given metadata.
    SoundFileObj Catalogue(const std::string& name, int soundClass, const std::string& category,
                           const std::string& notes) {
        SoundFileObj file;
        file.path = Wave(name, 0.5);
        std::vector<SoundVariantObj> variants;
        std::string error;
        EXPECT_TRUE(AudioFileUtil::AnalyzeFile(file, variants, 0, error, nullptr, nullptr)) << error;
        file.soundClass = soundClass;
        file.category = category;
        file.subcategory = category.empty() ? "" : "Sub " + category;
        file.genre = "Ambient";
        file.description = "desc of " + name;
        file.notes = notes;
        file.copyright = "(c) us";
        file.link = "http://example.invalid/" + name;
        file.key = 4;
        file.loop = 1;
        file.bpm = 96;
        EXPECT_TRUE(catalog_->AddFile(file, variants));
        return file;
    }

    static std::string ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_P(MetadataTransferTest, ExportThenImportKeepsEveryField) {
    const SoundFileObj plain = Catalogue("plain.wav", 1, "Animals", "calm");
    const SoundFileObj accented = Catalogue("\xC3\xA0 la f\xC3\xAAte \xE2\x82\xAC.wav", 3, "",
                                            "first line\nFILENAME /etc/passwd");
    const std::string target = folder_.Path("out.tmi");

    MetadataExportCount count;
    std::string error;
    ASSERT_TRUE(ExportMetadataFile(target, nullptr, count, error)) << error;
    EXPECT_EQ(count.written, 2);
    EXPECT_EQ(count.hits, 2);
    const std::string text = ReadAll(target);
    EXPECT_EQ(text.rfind("TAMBREL METADATA\n\nFILENAME ", 0), 0u) << text;
    EXPECT_NE(text.find("NOTES first line FILENAME /etc/passwd\n"), std::string::npos) << text;

    // Read back: two records only, every field as stored (the line feed became a blank).
    DB_metadata_list read;
    ASSERT_FALSE(DB_read_metadata_file(target, read).has_value());
    ASSERT_EQ(read.count(), 2);

    // Into an empty catalog: every entry is a new row carrying the file's metadata.
    ASSERT_TRUE(catalog_->RemoveFile(plain.path));
    ASSERT_TRUE(catalog_->RemoveFile(accented.path));
    SoundFileListObj list;
    ASSERT_TRUE(BuildMetadataImportList(target, list, error)) << error;
    ASSERT_EQ(list.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        const SoundFileListEntry& entry = list.Entry(i);
        const SoundFileObj& original = entry.file.path == plain.path ? plain : accented;
        SCOPED_TRACE(original.path);
        EXPECT_EQ(entry.file.path, original.path);
        EXPECT_EQ(entry.file.soundClass, original.soundClass);
        EXPECT_EQ(entry.file.category, original.category);
        EXPECT_EQ(entry.file.subcategory, original.subcategory);
        EXPECT_EQ(entry.file.genre, original.genre);
        EXPECT_EQ(entry.file.description, original.description);
        EXPECT_EQ(entry.file.copyright, original.copyright);
        EXPECT_EQ(entry.file.link, original.link);
        EXPECT_EQ(entry.file.key, original.key);
        EXPECT_EQ(entry.file.loop, original.loop);
        EXPECT_EQ(entry.file.bpm, original.bpm);
        std::string notes = original.notes;
        for (char& ch : notes)
            if (ch == '\n')
                ch = ' ';
        EXPECT_EQ(entry.file.notes, notes);
        EXPECT_EQ(entry.value1, 1);
        EXPECT_EQ(entry.value2, 0);
    }
}

TEST_P(MetadataTransferTest, AStoppedExportKeepsTheBlocksWrittenSoFar) {
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        Catalogue(name, 1, "Animals", "n");
    const std::string target = folder_.Path("stopped.tmi");
    int asked = 0;
    MetadataExportCount count;
    std::string error;
    ASSERT_TRUE(ExportMetadataFile(target, [&] { return ++asked <= 2; }, count, error)) << error;
    EXPECT_EQ(asked, 3); // asked before each file; the third answer stopped it
    EXPECT_EQ(count.written, 2);
    EXPECT_EQ(count.hits, 3);
    DB_metadata_list read;
    ASSERT_FALSE(DB_read_metadata_file(target, read).has_value());
    EXPECT_EQ(read.count(), 2);
}

TEST_P(MetadataTransferTest, ImportMarksOnlyCataloguedFilesWhoseMetadataDiffers) {
    const SoundFileObj same = Catalogue("same.wav", 2, "Drums", "n");
    const SoundFileObj other = Catalogue("other.wav", 2, "Drums", "n");
    const std::string tmi = folder_.Path("in.tmi");
    std::ofstream(tmi) << "TAMBREL METADATA\n\n"
                       << "FILENAME " << same.path << "\nCLASS INSTRUMENT\nCATEGORY Drums\n"
                       << "SUBCATEGORY Sub Drums\nGENRE Ambient\nDESCRIPTION desc of same.wav\n"
                       << "NOTES n\nCOPYRIGHT (c) us\nLINK http://example.invalid/same.wav\n"
                       << "KEY C\nLOOP YES\nTEMPO 96\n\n"
                       << "FILENAME " << other.path << "\nCLASS INSTRUMENT\nCATEGORY Drums\n\n";
    SoundFileListObj list;
    std::string error;
    ASSERT_TRUE(BuildMetadataImportList(tmi, list, error)) << error;
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Entry(0).value2, 0);
    EXPECT_EQ(list.Entry(1).value2, 1);
    // The stored record comes with its format and its normal-pitch variant.
    EXPECT_EQ(list.Entry(0).file.sampleRate, 8000);
    EXPECT_EQ(list.Entry(0).variant.sampleRate, 8000);
    EXPECT_TRUE(list.Entry(1).file.description.empty());
}

TEST_P(MetadataTransferTest, ALargeImportReadsTheCatalogOnceWithTheSameResult) {
    const SoundFileObj same = Catalogue("same.wav", 2, "Drums", "n");
    const SoundFileObj other = Catalogue("other.wav", 2, "Drums", "n");
    const std::string tmi = folder_.Path("large.tmi");
    {
        std::ofstream out(tmi);
        out << "TAMBREL METADATA\n\n";
        for (int i = 0; i < 250; ++i)
            out << "FILENAME /not/catalogued/" << i << ".wav\nCATEGORY Drums\n\n";
        out << "FILENAME " << same.path << "\nCLASS INSTRUMENT\nCATEGORY Drums\n"
            << "SUBCATEGORY Sub Drums\nGENRE Ambient\nDESCRIPTION desc of same.wav\n"
            << "NOTES n\nCOPYRIGHT (c) us\nLINK http://example.invalid/same.wav\n"
            << "KEY C\nLOOP YES\nTEMPO 96\n\n"
            << "FILENAME " << other.path << "\nCATEGORY Drums\n\n";
    }
    SoundFileListObj list;
    std::string error;
    ASSERT_TRUE(BuildMetadataImportList(tmi, list, error)) << error;
    ASSERT_EQ(list.Count(), 252);
    EXPECT_EQ(list.Entry(0).value2, 0);
    EXPECT_EQ(list.Entry(0).file.fileId, -1);
    EXPECT_EQ(list.Entry(0).file.category, "Drums");
    const SoundFileListEntry& sameEntry = list.Entry(250);
    EXPECT_EQ(sameEntry.value2, 0);
    EXPECT_EQ(sameEntry.file.sampleRate, 8000);
    EXPECT_EQ(sameEntry.variant.sampleRate, 8000);
    SoundFileObj stored;
    ASSERT_TRUE(catalog_->GetFileByPath(same.path, stored));
    EXPECT_EQ(sameEntry.file.fileId, stored.fileId);
    EXPECT_EQ(list.Entry(251).value2, 1);
}

TEST_P(MetadataTransferTest, FailuresAreReportedAndLeaveNothingHalfDone) {
    FakeUiSeams seams;
    SoundFileListObj list;
    const std::string missing = folder_.Path("missing.tmi");
    EXPECT_FALSE(RunMetadataImport(nullptr, &missing, list));
    const std::string empty = folder_.Path("empty.tmi");
    std::ofstream(empty) << "TAMBREL METADATA\n\n";
    EXPECT_FALSE(RunMetadataImport(nullptr, &empty, list));
    ASSERT_EQ(seams.boxes.size(), 2u);
    EXPECT_EQ(seams.boxes[0].text, "unable to open metadata file");
    EXPECT_EQ(seams.boxes[1].text, "No new files found in " + empty);
    EXPECT_EQ(seams.boxes[1].icon, MessageIcon::Exclamation);
    EXPECT_EQ(list.Count(), 0);

    // An export into a folder that does not exist.
    const std::string target = folder_.Path("no/such/folder/out.tmi");
    seams.dialogAnswer = &target;
    RunMetadataExport(nullptr, {});
    ASSERT_EQ(seams.boxes.size(), 3u);
    EXPECT_EQ(seams.boxes[2].text, "could not open file " + target);
}

TEST_P(MetadataTransferTest, AStoppedExportKeepsTheBlocksWrittenAndCountsThem) {
    Catalogue("a.wav", 1, "A", "");
    Catalogue("b.wav", 1, "A", "");
    Catalogue("c.wav", 1, "A", "");
    FakeUiSeams seams;
    const std::string target = folder_.Path("stopped.tmi");
    seams.dialogAnswer = &target;
    int asked = 0;
    MetadataExportHooks hooks;
    hooks.stopRequested = [&asked] { return ++asked > 2; };
    RunMetadataExport(nullptr, hooks);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "Exported 2 of 3 items in MyTambrel");
    EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Information);
    DB_metadata_list read;
    ASSERT_FALSE(DB_read_metadata_file(target, read).has_value());
    EXPECT_EQ(read.count(), 2);
}

TEST_P(MetadataTransferTest, AnExportThatCannotReadTheCatalogFailsAndKeepsTheEarlierFile) {
    Catalogue("a.wav", 1, "A", "");
    Catalogue("b.wav", 1, "A", "");
    const std::string target = folder_.Path("kept.tmi");
    const std::string earlier = "TAMBREL METADATA\n\nFILENAME /earlier.wav\n\n";
    std::ofstream(target, std::ios::binary) << earlier;
    FakeUiSeams seams;
    seams.dialogAnswer = &target;
    struct Case {
        const char* table; // dropped before the export
        const char* text;
    };
    // Without SOUND the query still finds both files but their rows cannot be read; without
    // AUDIO_FILE the query itself fails.
    const Case cases[] = {
        {"SOUND", "Export failed after 0 of 2 items in MyTambrel: the catalog could not be read. "},
        {"AUDIO_FILE",
         "Export failed after 0 of 0 items in MyTambrel: the catalog could not be read. "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        Exec(std::string("DROP TABLE ") + c.table);
        seams.boxes.clear();
        shown().clear();
        RunMetadataExport(nullptr, {});
        EXPECT_EQ(shown().size(), 1u); // the reason, once
        ASSERT_EQ(seams.boxes.size(), 1u);
        EXPECT_EQ(seams.boxes[0].text, c.text + target + " was left as it was.");
        EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Stop);
        EXPECT_EQ(ReadAll(target), earlier);
        int files = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_.Path("")))
            ++files;
        EXPECT_EQ(files, 3) << "the two tones and the earlier export, no half-written file";
    }
}

INSTANTIATE_ON_SQLITE(MetadataTransferTest);

class MetadataImportServerLossTest : public MetadataTransferTest {};

// Without the catalog every listed file would look new: the import stops at the first look-up
// with the one message the catalog gives, and lists nothing.
TEST_P(MetadataImportServerLossTest, AnImportWithoutTheServerListsNothingAndSaysSoOnce) {
    const SoundFileObj drum = Catalogue("drum.wav", 2, "Drums", "n");
    const SoundFileObj snare = Catalogue("snare.wav", 2, "Drums", "n");
    const std::string tmi = folder_.Path("in.tmi");
    std::ofstream(tmi) << "TAMBREL METADATA\n\n"
                       << "FILENAME " << drum.path << "\nCATEGORY Beats\n\n"
                       << "FILENAME " << snare.path << "\nCATEGORY Beats\n\n"
                       << "FILENAME /not/catalogued/x.wav\nCATEGORY Beats\n\n";
    LoseServer(true);
    FakeUiSeams seams;
    SoundFileListObj list;
    EXPECT_FALSE(RunMetadataImport(nullptr, &tmi, list));
    LoseServer(false);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_NE(shown()[0].find("cannot be reached"), std::string::npos) << shown()[0];
    EXPECT_TRUE(seams.boxes.empty()) << seams.boxes.front().text;
    EXPECT_EQ(list.Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Catalog, MetadataImportServerLossTest, testing::Values(Engine::PostgreSQL),
                         EngineName);

} // namespace
