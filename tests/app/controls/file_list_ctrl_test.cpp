#include "app/controls/file_list_ctrl.h"

#include "app/controls/file_system_items.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& p) {
    std::ofstream(p) << "x";
}

std::vector<std::string> Rows(const CFileListCtrl& list) {
    std::vector<std::string> rows;
    for (int r = 0; r < list.rowCount(); ++r)
        rows.push_back(list.ItemText(r));
    return rows;
}

class FileListCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path().toStdString();
    }
    QTemporaryDir dir_;
    fs::path root_;
    CFileListCtrl list_;
};

} // namespace

TEST_F(FileListCtrlTest, FoldersFirstThenFilesEachSortedIgnoringCase) {
    Touch(root_ / "b.WAV");
    Touch(root_ / "A.wav");
    fs::create_directory(root_ / "z");
    fs::create_directory(root_ / "Y");
    Touch(root_ / "noext");
    ASSERT_TRUE(list_.FillFromFolder(root_.string()));
    EXPECT_EQ(Rows(list_), (std::vector<std::string>{"Y", "z", "A.wav", "b.WAV", "noext"}));
    EXPECT_EQ(list_.CurrentFolder(), root_.string() + "/");
    EXPECT_GE(list_.item(0, 0)->data(CFileListCtrl::kIconRole).toInt(), 0);
}

TEST_F(FileListCtrlTest, PatternsFilterFilesNotFoldersAndListEachFileOnce) {
    for (const char* name : {"a.wav", "b.AIF", "c.txt", "d.Wav"})
        Touch(root_ / name);
    fs::create_directory(root_ / "sub.txt");
    const struct {
        const char* patterns;
        std::vector<std::string> rows;
    } cases[] = {
        {"*.wav;*.aif", {"sub.txt", "a.wav", "b.AIF", "d.Wav"}},
        // A file that two patterns take is listed once.
        {"*.wav;*.WAV;a*", {"sub.txt", "a.wav", "d.Wav"}},
        {"?.txt", {"sub.txt", "c.txt"}},
        {"", {"sub.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.patterns);
        list_.SetFilePatterns(c.patterns);
        ASSERT_TRUE(list_.FillFromFolder(root_.string() + "/"));
        EXPECT_EQ(Rows(list_), c.rows);
    }
    list_.SetFilePatterns("*.wav;");
    EXPECT_EQ(list_.FilePatterns(), (std::vector<std::string>{"*.wav", ""}));
}

TEST_F(FileListCtrlTest, LinksCountAsTheirTargetsAndBrokenOnesAreLeftOut) {
    fs::create_directory(root_ / "real");
    Touch(root_ / "real" / "x.wav");
    fs::create_directory_symlink(root_ / "real", root_ / "linked");
    fs::create_symlink(root_ / "real" / "x.wav", root_ / "y.wav");
    fs::create_symlink(root_ / "missing", root_ / "dangling.wav");
    fs::create_symlink(root_ / "self.wav", root_ / "self.wav");
    fs::create_directory_symlink(root_, root_ / "real" / "up");
    ASSERT_TRUE(list_.FillFromFolder(root_.string()));
    EXPECT_EQ(Rows(list_), (std::vector<std::string>{"linked", "real", "y.wav"}));
    ASSERT_TRUE(list_.FillFromFolder((root_ / "real" / "up" / "real" / "up").string()));
    EXPECT_EQ(Rows(list_), (std::vector<std::string>{"linked", "real", "y.wav"}));
}

TEST_F(FileListCtrlTest, AnUnreadableOrMissingFolderGivesAnEmptyList) {
    Touch(root_ / "a.wav");
    ASSERT_TRUE(list_.FillFromFolder(root_.string()));
    EXPECT_FALSE(list_.FillFromFolder((root_ / "gone").string()));
    EXPECT_EQ(list_.rowCount(), 0);
    fs::create_directory(root_ / "locked");
    Touch(root_ / "locked" / "b.wav");
    fs::permissions(root_ / "locked", fs::perms::none);
    if (access((root_ / "locked").c_str(), R_OK) != 0) {
        EXPECT_FALSE(list_.FillFromFolder((root_ / "locked").string()));
        EXPECT_EQ(list_.rowCount(), 0);
    }
    fs::permissions(root_ / "locked", fs::perms::owner_all);
}

namespace {

class OverlayList : public CFileListCtrl {
public:
    std::vector<std::string> asked;
    int GetOverlayImage(const std::string& text, std::uintptr_t) override {
        asked.push_back(text);
        return text == "a.wav" ? 0 : -1;
    }
};

} // namespace

TEST_F(FileListCtrlTest, OverlayHookIsAskedForPaintedRowsOnlyWithAnOverlayList) {
    Touch(root_ / "a.wav");
    Touch(root_ / "b.wav");
    OverlayList list;
    list.resize(300, 200);
    ASSERT_TRUE(list.FillFromFolder(root_.string()));
    list.grab();
    EXPECT_TRUE(list.asked.empty());
    QPixmap red(16, 16);
    red.fill(Qt::red);
    list.SetImageListCopy({QIcon(red)});
    const QImage image = list.grab().toImage();
    EXPECT_NE(std::find(list.asked.begin(), list.asked.end(), "b.wav"), list.asked.end());
    const QRect first = list.visualRect(list.model()->index(0, 0));
    const QPoint offset = list.viewport()->mapTo(&list, QPoint(0, 0));
    EXPECT_EQ(image.pixelColor(offset + first.topLeft() + QPoint(2 + 8, first.height() / 2)),
              QColor(Qt::red));
}

TEST_F(FileListCtrlTest, DragImageCoversTheSelectedVisibleRows) {
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        Touch(root_ / name);
    list_.resize(300, 200);
    ASSERT_TRUE(list_.FillFromFolder(root_.string()));
    QPoint topLeft(-1, -1);
    EXPECT_TRUE(list_.CreateDragImage(&topLeft).isNull());
    list_.selectRow(0);
    list_.selectionModel()->select(list_.model()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QPixmap image = list_.CreateDragImage(&topLeft);
    const QRect r0 = list_.visualRect(list_.model()->index(0, 0));
    const QRect r2 = list_.visualRect(list_.model()->index(2, 0));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(topLeft, r0.topLeft());
    EXPECT_EQ(image.size(), (r0 | r2).size());
    EXPECT_FALSE(image.mask().isNull());
}
