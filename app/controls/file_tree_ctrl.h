#pragma once

#include "app/controls/mount_table.h"
#include "app/drawing.h"

#include <QPixmap>
#include <QTreeWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

// A network resource of the tree: a server of mounted network file systems, or one mount.
struct NetResource {
    static constexpr int kDisplayGeneric = 0;
    static constexpr int kDisplayDomain = 1;
    static constexpr int kDisplayServer = 2;
    static constexpr int kDisplayShare = 3;
    static constexpr int kUsageConnectable = 1;
    static constexpr int kUsageContainer = 2;
    std::string localName;  // the mount point of a share
    std::string remoteName; // "//server" or the mount's source
    std::string comment;
    std::string provider; // the file system type
    int displayType = kDisplayGeneric;
    int usage = 0;
};

// What each tree item carries; owned by its item and freed with it.
struct FileTreeItemRecord {
    std::string path;                      // folders end in "/"
    std::string name;                      // the text searched by
    std::unique_ptr<NetResource> resource; // null for file-system items
    bool flag = false;
    int stateImage = -1;
};

// A tree of this computer's volumes, their folders and (optionally) files, and the mounted
// network file systems grouped by server. Items are filled when expanded and emptied when
// collapsed, so every expansion rereads the disk. A base: owners override the hooks.
class CFileTreeCtrl : public QTreeWidget {
public:
    // Drive type bits of the hidden drive types.
    static constexpr int kDriveRemovable = 1;
    static constexpr int kDriveFixed = 2;
    static constexpr int kDriveRemote = 4;
    static constexpr int kDriveCdRom = 16;
    static constexpr int kDriveRamDisk = 32;
    static constexpr int kExcludeHidden = 0x2;

    explicit CFileTreeCtrl(QWidget* parent = nullptr);
    ~CFileTreeCtrl() override;

    // Hooks.
    virtual std::string GetItemPath(QTreeWidgetItem* item);
    virtual QTreeWidgetItem* FindItemForPath(const std::string& path);
    virtual bool IsFile(const std::string& path);
    bool IsFile(QTreeWidgetItem* item) { return IsFile(GetItemPath(item)); }
    virtual bool IsFolder(const std::string& path);
    bool IsFolder(QTreeWidgetItem* item) { return IsFolder(GetItemPath(item)); }
    // "/" and the mount points of the browsable volumes, with their trailing "/".
    virtual bool IsDriveRoot(const std::string& path);
    bool IsDriveRoot(QTreeWidgetItem* item) { return IsDriveRoot(GetItemPath(item)); }
    // Asks only regular files and folders on a local disk: a device or a FIFO is never
    // opened, and a network mount (which may hang) is never touched.
    virtual bool IsCompressed(const std::string& path);
    bool IsCompressed(QTreeWidgetItem* item) { return IsCompressed(GetItemPath(item)); }
    virtual bool IsItemEnabled(const FileTreeItemRecord& record) { return true; }
    bool IsItemEnabled(QTreeWidgetItem* item);
    virtual bool IsShared(const std::string& path);
    virtual void SetSystemImageList();
    virtual void Refresh();
    virtual int GetItemStateImage(const FileTreeItemRecord& record) { return -1; }
    virtual void UpdateItemState(QTreeWidgetItem* item);
    virtual void Populate(const std::string& path, QTreeWidgetItem* parent, bool redraw);
    virtual void AddDrives(QTreeWidgetItem* parent);
    virtual int GetItemImage(QTreeWidgetItem* item);
    virtual int GetItemSelectedImage(QTreeWidgetItem* item);
    virtual int GetIconIndex(const std::string& path);
    virtual int GetOpenIconIndex(const std::string& path);
    virtual bool HasChildren(const std::string& path);
    virtual bool HasChildNamed(QTreeWidgetItem* item, const std::string& text);
    // Takes ownership of record. askChildren false gives the item an expand button.
    virtual QTreeWidgetItem* InsertItem(QTreeWidgetItem* parent,
                                        std::unique_ptr<FileTreeItemRecord> record, bool shared,
                                        int icon, int selectedIcon, bool askChildren);
    virtual QTreeWidgetItem* FindChild(QTreeWidgetItem* item, const std::string& name);
    virtual bool IsRemovable(const std::string& path);
    virtual bool IsNetworkPath(const std::string& path);
    virtual bool IncludeFile(const struct FoundEntry& entry);
    virtual bool IncludeFolder(const struct FoundEntry& entry);
    virtual bool IsDriveShown(const std::string& path);
    virtual bool GetVolumeSerial(const std::string& path, long long& serial);
    virtual bool CheckVolume(const std::string& path);
    virtual int GetChildCount(QTreeWidgetItem* item);
    virtual void DeleteChildren(QTreeWidgetItem* item, bool keepButton);
    virtual void OnSelectionChanged(QTreeWidgetItem* item, const std::string& path) {}
    virtual void EnumNetwork(QTreeWidgetItem* item);
    virtual std::string GetShellDisplayName(const std::string& path);

    void SetShowFiles(bool show);
    std::string GetSelectedPath();
    QTreeWidgetItem* SelectPath(const std::string& path, bool expand);

    // Settings used at the next Refresh.
    void SetRootFolder(const std::string& folder) { rootFolder_ = folder; }
    void SetShowMyComputer(bool show) { showMyComputer_ = show; }
    void SetShowNetwork(bool show) { showNetwork_ = show; }
    void SetShowRootItem(bool show) { showRootItem_ = show; }
    void SetHiddenDriveTypes(int types) { hiddenDriveTypes_ = types; }
    void SetFilePatterns(const std::string& text);
    void SetMarkShared(bool mark) { markShared_ = mark; }
    void SetColourCompressed(bool colour) { colourCompressed_ = colour; }

    FileTreeItemRecord* Record(QTreeWidgetItem* item) const;
    QTreeWidgetItem* MyComputerItem() const { return myComputerItem_; }
    QTreeWidgetItem* NetworkItem() const { return networkItem_; }
    QTreeWidgetItem* RootFolderItem() const { return rootFolderItem_; }
    // The volume serial seen when a removable drive was last opened, -1 for none.
    long long VolumeSerial(const std::string& drive) const;
    // The state image drawn beside the item: by kind for network items (0 domain, 3 server,
    // 2 the Network item, 1 others, none for shares), else the record's; -1 none.
    int StateImageFor(QTreeWidgetItem* item);
    // Shared items carry the shared mark.
    bool IsMarkedShared(QTreeWidgetItem* item) const;
    bool IsQuiet() const { return quiet_; }

private:
    void OnItemExpanded(QTreeWidgetItem* item);
    void OnItemCollapsed(QTreeWidgetItem* item);
    void OnCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    // The child list of the top level or of an item.
    QTreeWidgetItem* ChildAt(QTreeWidgetItem* parent, int index);
    int ChildCount(QTreeWidgetItem* parent);
    void LoseItem(QTreeWidgetItem* item);
    const MountEntry* VolumeOf(const std::string& path) const;
    int DriveType(const MountEntry& volume) const;
    void ComposeIcon(QTreeWidgetItem* item);
    QTreeWidgetItem* Walk(const std::string& path, bool expand, bool select);

    std::string rootFolder_;
    bool showFiles_ = true;
    QTreeWidgetItem* networkItem_ = nullptr;
    QTreeWidgetItem* myComputerItem_ = nullptr;
    QTreeWidgetItem* rootFolderItem_ = nullptr;
    bool showMyComputer_ = true;
    int hiddenDriveTypes_ = 0;
    int excludedAttributes_ = kExcludeHidden;
    std::vector<std::string> filePatterns_{"*.*"};
    ColorRef compressedColour_ = 0xFF0000;
    bool colourCompressed_ = true;
    bool showNetwork_ = true;
    bool markShared_ = true;
    int nameMode_ = 2;
    std::map<std::string, long long> volumeSerials_;
    bool shellNamesForDrives_ = true;
    bool showRootItem_ = false;
    bool quiet_ = false;
    std::vector<MountEntry> volumes_;
    std::vector<MountEntry> mounts_; // every mount, for what lies on a local disk
    QPixmap stateImages_; // 16 pixels per image
};
