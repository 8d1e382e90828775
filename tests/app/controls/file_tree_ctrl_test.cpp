#include "app/controls/file_tree_ctrl.h"

#include "app/controls/file_system_items.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& p) {
    std::ofstream(p) << "x";
}

std::vector<std::string> Texts(QTreeWidgetItem* item) {
    std::vector<std::string> texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts.push_back(item->child(i)->text(0).toStdString());
    return texts;
}

std::vector<std::string> TopTexts(QTreeWidget& tree) {
    std::vector<std::string> texts;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        texts.push_back(tree.topLevelItem(i)->text(0).toStdString());
    return texts;
}

bool HasButton(QTreeWidgetItem* item) {
    return item->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator ||
           (item->childIndicatorPolicy() == QTreeWidgetItem::DontShowIndicatorWhenChildless &&
            item->childCount() > 0);
}

class RecordingTree : public CFileTreeCtrl {
public:
    std::vector<std::string> selections;
    void OnSelectionChanged(QTreeWidgetItem*, const std::string& path) override {
        selections.push_back(path);
    }
};

// Marks the folder named mark with state image 4.
class StateTree : public CFileTreeCtrl {
public:
    std::string mark = "pub";
    int GetItemStateImage(const FileTreeItemRecord& record) override {
        return record.name == mark ? 4 : -1;
    }
};

// Each test gets a folder tree of its own and a mount table naming it.
class FileTreeCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path().toStdString();
        fs::create_directories(root_ / "net" / "music");
        Touch(root_ / "net" / "music" / "song.wav");
        WriteMounts("");
    }
    void TearDown() override {
        SetMountTablePath("/proc/self/mounts");
        theNetworkShares.SetProvider(nullptr);
        theNetworkShares.Refresh();
    }
    void WriteMounts(const std::string& extra) {
        std::ofstream(root_ / "mounts")
            << "/dev/sda1 / ext4 rw 0 0\n"
            << "proc /proc proc rw 0 0\n"
            << "/dev/sr0 " << (root_ / "cdrom").string() << " iso9660 ro 0 0\n"
            << "//srv/music " << (root_ / "net" / "music").string() << " cifs rw 0 0\n"
            << extra;
        SetMountTablePath((root_ / "mounts").string());
    }
    QTemporaryDir dir_;
    fs::path root_;
};

} // namespace

TEST_F(FileTreeCtrlTest, RootFolderTreeListsFoldersThenPatternFilesWithoutHiddenOnes) {
    fs::create_directory(root_ / "lib");
    fs::create_directory(root_ / "z");
    Touch(root_ / "z" / "in.wav");
    for (const char* name : {"b.WAV", "A.wav", "c.aif", "d.txt", ".hidden.wav"})
        Touch(root_ / "lib" / name);
    RecordingTree tree;
    tree.SetRootFolder((root_ / "lib").string());
    tree.SetFilePatterns("*.wav;*.aif");
    tree.Refresh();
    EXPECT_EQ(TopTexts(tree), (std::vector<std::string>{"A.wav", "b.WAV", "c.aif"}));
    EXPECT_EQ(tree.GetItemPath(tree.topLevelItem(0)), (root_ / "lib" / "A.wav").string());

    tree.SetRootFolder(root_.string());
    tree.Refresh();
    EXPECT_EQ(TopTexts(tree), (std::vector<std::string>{"lib", "net", "z"}));
    QTreeWidgetItem* z = tree.topLevelItem(2);
    EXPECT_EQ(tree.GetItemPath(z), (root_ / "z").string() + "/");
    EXPECT_TRUE(HasButton(z));
    EXPECT_EQ(z->childCount(), 0); // filled only when expanded

    tree.SetShowFiles(false);
    EXPECT_FALSE(HasButton(tree.topLevelItem(2)));
}

TEST_F(FileTreeCtrlTest, ExpandingReadsTheDiskAndCollapsingForgetsTheChildren) {
    fs::create_directories(root_ / "a" / "b");
    Touch(root_ / "a" / "one.wav");
    RecordingTree tree;
    tree.SetRootFolder(root_.string());
    tree.Refresh();
    QTreeWidgetItem* a = tree.FindChild(nullptr, "A"); // names match ignoring case
    ASSERT_NE(a, nullptr);
    a->setExpanded(true);
    EXPECT_EQ(Texts(a), (std::vector<std::string>{"b", "one.wav"}));
    EXPECT_FALSE(HasButton(a->child(0)));
    EXPECT_TRUE(tree.HasChildNamed(a, "ONE.WAV"));

    a->setExpanded(false);
    EXPECT_EQ(a->childCount(), 0);
    EXPECT_TRUE(HasButton(a));
    Touch(root_ / "a" / "two.wav");
    a->setExpanded(true);
    EXPECT_EQ(Texts(a), (std::vector<std::string>{"b", "one.wav", "two.wav"}));

    // An expand button whose folder has emptied loses its button.
    a->setExpanded(false);
    fs::remove_all(root_ / "a" / "b");
    fs::remove(root_ / "a" / "one.wav");
    fs::remove(root_ / "a" / "two.wav");
    a->setExpanded(true);
    EXPECT_EQ(a->childCount(), 0);
    EXPECT_FALSE(HasButton(a));
}

TEST_F(FileTreeCtrlTest, LinkLoopsUnreadableAndBrokenEntriesStayHarmless) {
    fs::create_directory(root_ / "top");
    fs::create_directory_symlink(root_ / "top", root_ / "top" / "again");
    fs::create_symlink(root_ / "top" / "self", root_ / "top" / "self");
    fs::create_symlink(root_ / "nothing", root_ / "top" / "dangling.wav");
    fs::create_directory(root_ / "top" / "locked");
    Touch(root_ / "top" / "locked" / "x.wav");
    fs::permissions(root_ / "top" / "locked", fs::perms::none);
    const bool lockWorks = access((root_ / "top" / "locked").c_str(), R_OK) != 0;

    RecordingTree tree;
    tree.SetRootFolder((root_ / "top").string());
    tree.Refresh();
    EXPECT_EQ(TopTexts(tree), (std::vector<std::string>{"again", "locked"}));
    // Every level of the loop is one more expansion, never an endless fill.
    QTreeWidgetItem* item = tree.topLevelItem(0);
    for (int depth = 0; depth < 4; ++depth) {
        item->setExpanded(true);
        ASSERT_EQ(Texts(item), (std::vector<std::string>{"again", "locked"}));
        item = item->child(0);
    }
    QTreeWidgetItem* locked = tree.topLevelItem(1);
    if (lockWorks) {
        EXPECT_FALSE(HasButton(locked));
    }
    locked->setExpanded(true);
    if (lockWorks) {
        EXPECT_EQ(locked->childCount(), 0);
    }
    fs::permissions(root_ / "top" / "locked", fs::perms::owner_all);
}

TEST_F(FileTreeCtrlTest, SelectingAVanishedFolderDropsItAndKeepsTheSelection) {
    fs::create_directory(root_ / "keep");
    fs::create_directory(root_ / "gone");
    Touch(root_ / "gone" / "a.wav");
    RecordingTree tree;
    tree.SetRootFolder(root_.string());
    tree.Refresh();
    QTreeWidgetItem* keep = tree.FindChild(nullptr, "keep");
    tree.setCurrentItem(keep);
    EXPECT_EQ(tree.selections, (std::vector<std::string>{(root_ / "keep").string() + "/"}));
    fs::remove_all(root_ / "gone");
    tree.setCurrentItem(tree.FindChild(nullptr, "gone"));
    EXPECT_EQ(tree.FindChild(nullptr, "gone"), nullptr);
    EXPECT_EQ(tree.currentItem(), keep);
    EXPECT_EQ(tree.GetSelectedPath(), (root_ / "keep").string() + "/");
    EXPECT_EQ(tree.selections.size(), 1u);

    // Expanding a vanished folder drops it too.
    fs::create_directory(root_ / "later");
    Touch(root_ / "later" / "b.wav");
    tree.Refresh();
    fs::remove_all(root_ / "later");
    tree.FindChild(nullptr, "later")->setExpanded(true);
    EXPECT_EQ(tree.FindChild(nullptr, "later"), nullptr);
}

TEST_F(FileTreeCtrlTest, SelectPathWalksFromTheRootFolderOrTheComputer) {
    fs::create_directories(root_ / "a" / "B" / "c");
    RecordingTree tree;
    tree.SetRootFolder(root_.string());
    tree.Refresh();
    const std::string deep = (root_ / "a" / "B" / "c").string();
    EXPECT_EQ(tree.FindItemForPath(deep), nullptr); // nothing expanded yet, nothing found
    QTreeWidgetItem* c = tree.SelectPath(deep + "/", false);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(tree.GetSelectedPath(), deep + "/");
    EXPECT_TRUE(c->parent()->isExpanded());
    EXPECT_FALSE(c->isExpanded());
    EXPECT_TRUE(tree.selections.empty()); // selected quietly
    EXPECT_EQ(tree.FindItemForPath(deep), c);
    EXPECT_EQ(tree.SelectPath("/elsewhere/a", false), nullptr);

    // The remembered selection survives a refresh.
    tree.Refresh();
    EXPECT_EQ(tree.GetSelectedPath(), deep + "/");

    RecordingTree whole;
    whole.SetShowNetwork(false);
    whole.Refresh();
    ASSERT_EQ(TopTexts(whole), (std::vector<std::string>{"Computer"}));
    QTreeWidgetItem* b = whole.SelectPath((root_ / "a" / "B").string(), true);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(whole.GetItemPath(b), (root_ / "a" / "B").string() + "/");
    EXPECT_TRUE(b->isExpanded());
    EXPECT_EQ(Texts(b), (std::vector<std::string>{"c"}));
    EXPECT_TRUE(whole.MyComputerItem()->isExpanded());
}

TEST_F(FileTreeCtrlTest, ComputerListsVolumesAndAnEmptyCdDriveCollapsesAgain) {
    RecordingTree tree;
    tree.Refresh();
    ASSERT_EQ(TopTexts(tree), (std::vector<std::string>{"Computer", "Network"}));
    QTreeWidgetItem* computer = tree.MyComputerItem();
    computer->setExpanded(true);
    ASSERT_EQ(computer->childCount(), 3);
    EXPECT_EQ(tree.GetItemPath(computer->child(0)), "/");
    EXPECT_EQ(computer->child(0)->text(0), "File System");
    QTreeWidgetItem* cd = tree.FindChild(computer, (root_ / "cdrom").string() + "/");
    ASSERT_NE(cd, nullptr);
    EXPECT_TRUE(tree.IsRemovable(tree.GetItemPath(cd)));
    EXPECT_TRUE(HasButton(cd));
    cd->setExpanded(true);
    EXPECT_FALSE(cd->isExpanded());
    EXPECT_EQ(cd->childCount(), 0);
    EXPECT_TRUE(HasButton(cd));
    EXPECT_EQ(tree.VolumeSerial(tree.GetItemPath(cd)), -1);

    // With the disc in, the drive opens and its serial is kept.
    fs::create_directory(root_ / "cdrom");
    Touch(root_ / "cdrom" / "track.wav");
    cd->setExpanded(true);
    EXPECT_TRUE(cd->isExpanded());
    EXPECT_EQ(Texts(cd), (std::vector<std::string>{"track.wav"}));
    EXPECT_NE(tree.VolumeSerial(tree.GetItemPath(cd)), -1);

    tree.SetHiddenDriveTypes(CFileTreeCtrl::kDriveCdRom | CFileTreeCtrl::kDriveRemote);
    tree.Refresh();
    tree.MyComputerItem()->setExpanded(true);
    EXPECT_EQ(Texts(tree.MyComputerItem()), (std::vector<std::string>{"File System"}));
}

TEST_F(FileTreeCtrlTest, NetworkGroupsMountedSharesByServer) {
    WriteMounts("box:/export " + (root_ / "net" / "nfs").string() + " nfs4 rw 0 0\n");
    fs::create_directory(root_ / "net" / "nfs");
    RecordingTree tree;
    tree.SetHiddenDriveTypes(CFileTreeCtrl::kDriveRemote);
    tree.Refresh();
    QTreeWidgetItem* network = tree.NetworkItem();
    network->setExpanded(true);
    EXPECT_EQ(Texts(network), (std::vector<std::string>{"srv", "box"}));
    QTreeWidgetItem* srv = network->child(0);
    ASSERT_NE(tree.Record(srv)->resource, nullptr);
    EXPECT_EQ(tree.Record(srv)->resource->displayType, NetResource::kDisplayServer);
    EXPECT_EQ(tree.StateImageFor(network), 2);
    EXPECT_EQ(tree.StateImageFor(srv), 3);
    srv->setExpanded(true);
    ASSERT_EQ(Texts(srv), (std::vector<std::string>{"music"}));
    QTreeWidgetItem* share = srv->child(0);
    EXPECT_EQ(tree.StateImageFor(share), -1);
    EXPECT_EQ(tree.GetItemPath(share), (root_ / "net" / "music").string() + "/");
    EXPECT_TRUE(tree.IsNetworkPath(tree.GetItemPath(share)));
    share->setExpanded(true);
    EXPECT_EQ(Texts(share), (std::vector<std::string>{"song.wav"}));
    share->setExpanded(false);
    EXPECT_FALSE(HasButton(share));

    // A remote path hidden among the drives is reached through its server.
    tree.Refresh();
    QTreeWidgetItem* song = tree.SelectPath((root_ / "net" / "music" / "song.wav").string(), false);
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(song->parent()->parent()->text(0), "srv");
}

TEST_F(FileTreeCtrlTest, SharedFoldersAreMarkedWhenMarkingIsOn) {
    fs::create_directory(root_ / "pub");
    fs::create_directory(root_ / "own");
    theNetworkShares.SetProvider([this] {
        return std::vector<NetworkShares::Share>{{(root_ / "PUB").string(), 0},
                                                 {(root_ / "own").string(), 3}};
    });
    StateTree tree;
    tree.SetRootFolder(root_.string());
    tree.Refresh();
    EXPECT_EQ(tree.StateImageFor(tree.FindChild(nullptr, "pub")), 4);
    EXPECT_EQ(tree.StateImageFor(tree.FindChild(nullptr, "own")), -1);
    tree.mark = "own";
    tree.UpdateItemState(tree.FindChild(nullptr, "own"));
    EXPECT_EQ(tree.StateImageFor(tree.FindChild(nullptr, "own")), 4);
    EXPECT_TRUE(tree.IsMarkedShared(tree.FindChild(nullptr, "pub")));
    EXPECT_FALSE(tree.IsMarkedShared(tree.FindChild(nullptr, "own"))); // not a disk share
    tree.SetMarkShared(false);
    tree.Refresh();
    EXPECT_FALSE(tree.IsMarkedShared(tree.FindChild(nullptr, "pub")));
}

// The compressed-colour check opens what it asks about: a FIFO or a device must never be
// opened (that can block, or take a terminal), nor anything on a network mount. The kernel
// reports every open of a watched entry, so the test sees exactly what was opened.
TEST_F(FileTreeCtrlTest, CompressedCheckOpensOnlyRegularFilesAndFoldersOnLocalDisks) {
    const fs::path lib = root_ / "lib";
    fs::create_directories(lib / "folder");
    Touch(lib / "song.wav");
    ASSERT_EQ(mkfifo((lib / "pipe").c_str(), 0600), 0);
    fs::create_symlink(lib / "song.wav", lib / "link.wav");
    fs::create_symlink(lib / "pipe", lib / "pipe-link");
    const fs::path share = root_ / "net" / "music";

    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, lib.c_str(), IN_OPEN), 0);
    ASSERT_GE(inotify_add_watch(watch, share.c_str(), IN_OPEN), 0);
    auto opens = [watch] {
        int count = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = read(watch, buffer, sizeof buffer)) > 0;)
            for (char* at = buffer; at < buffer + n;) {
                auto* event = reinterpret_cast<inotify_event*>(at);
                count += (event->mask & IN_OPEN) != 0;
                at += sizeof(inotify_event) + event->len;
            }
        return count;
    };

    struct Case {
        const char* name;
        std::string path;
        bool opened;
    };
    const Case cases[] = {
        {"regular file", (lib / "song.wav").string(), true},
        {"folder", (lib / "folder").string() + "/", true},
        {"fifo", (lib / "pipe").string(), false},
        {"link to a fifo", (lib / "pipe-link").string(), false},
        {"link to a file", (lib / "link.wav").string(), false},
        {"file on a network mount", (share / "song.wav").string(), false},
        {"network folder", share.string() + "/", false},
    };
    RecordingTree tree;
    tree.Refresh();
    ASSERT_EQ(opens(), 0) << "nothing under the test folder is listed yet";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(tree.IsCompressed(c.path)); // no test file system compresses
        EXPECT_EQ(opens() > 0, c.opened);
    }
    close(watch);
}

// Listing the drives never waits on a network share: its mount point gets a folder icon
// without being looked at (here it does not even exist).
TEST_F(FileTreeCtrlTest, NetworkDrivesAreListedWithoutTouchingTheShare) {
    const fs::path gone = root_ / "net" / "gone";
    WriteMounts("box:/export " + gone.string() + " nfs4 rw 0 0\n");
    RecordingTree tree;
    tree.Refresh();
    QTreeWidgetItem* computer = tree.MyComputerItem();
    computer->setExpanded(true);
    QTreeWidgetItem* share = tree.FindChild(computer, gone.string() + "/");
    ASSERT_NE(share, nullptr);
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_GE(tree.GetItemImage(share), 0);
    EXPECT_GE(tree.GetItemSelectedImage(share), 0);
    EXPECT_TRUE(HasButton(share)); // the share is opened only when the user asks
}
