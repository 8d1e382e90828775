#include "app/controls/file_tree_ctrl.h"

#include "app/controls/file_system_items.h"
#include "app/resources.h"
#include "app/wait_cursor.h"

#include <QPainter>

#include <QFileInfo>
#include <QGuiApplication>
#include <QStyle>
#include <algorithm>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// The item owns its record: deleting the item frees it.
class FileTreeItem : public QTreeWidgetItem {
public:
    explicit FileTreeItem(std::unique_ptr<FileTreeItemRecord> r) : record(std::move(r)) {}
    std::unique_ptr<FileTreeItemRecord> record;
};

constexpr int kIconRole = Qt::UserRole + 1;
constexpr int kSelectedIconRole = Qt::UserRole + 2;
constexpr int kSharedRole = Qt::UserRole + 3;

std::string WithoutSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        if (slash > start)
            parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

bool StartsWithFolder(const std::string& path, const std::string& folder) {
    const std::string f = WithSlash(folder);
    return path.rfind(f, 0) == 0 || WithSlash(path) == f;
}

} // namespace

CFileTreeCtrl::CFileTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    QPalette pal = palette();
    pal.setColor(QPalette::Highlight, ToQColor(0x600000));
    pal.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(pal);
    stateImages_ = ResourceBitmap(169);
    if (!stateImages_.isNull())
        stateImages_.setMask(stateImages_.createMaskFromColor(QColor(255, 0, 255)));
    setIconSize(QSize(stateImages_.isNull() ? 16 : 34, 16));
    theNetworkShares.Refresh();
    connect(this, &QTreeWidget::itemExpanded, this, &CFileTreeCtrl::OnItemExpanded);
    connect(this, &QTreeWidget::itemCollapsed, this, &CFileTreeCtrl::OnItemCollapsed);
    connect(this, &QTreeWidget::currentItemChanged, this, &CFileTreeCtrl::OnCurrentItemChanged);
}

CFileTreeCtrl::~CFileTreeCtrl() {
    quiet_ = true;
    blockSignals(true);
    clear();
}

FileTreeItemRecord* CFileTreeCtrl::Record(QTreeWidgetItem* item) const {
    auto* f = dynamic_cast<FileTreeItem*>(item);
    return f ? f->record.get() : nullptr;
}

std::string CFileTreeCtrl::GetItemPath(QTreeWidgetItem* item) {
    FileTreeItemRecord* r = Record(item);
    return r ? r->path : std::string();
}

QTreeWidgetItem* CFileTreeCtrl::FindItemForPath(const std::string& path) {
    // Only the item of path itself: an ancestor reached by a partial walk is not it.
    QTreeWidgetItem* item = Walk(path, false, false);
    const std::string found = GetItemPath(item);
    return item && (found == path || found == WithSlash(path)) ? item : nullptr;
}

bool CFileTreeCtrl::IsFile(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool CFileTreeCtrl::IsFolder(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

const MountEntry* CFileTreeCtrl::VolumeOf(const std::string& path) const {
    const MountEntry* best = nullptr;
    for (const MountEntry& v : volumes_)
        if (StartsWithFolder(path, v.mountPoint) &&
            (!best || v.mountPoint.size() > best->mountPoint.size()))
            best = &v;
    return best;
}

bool CFileTreeCtrl::IsDriveRoot(const std::string& path) {
    if (path == "/")
        return true;
    if (path.size() < 2 || path.back() != '/')
        return false;
    const std::string p = WithoutSlash(path);
    return std::any_of(volumes_.begin(), volumes_.end(),
                       [&](const MountEntry& v) { return v.mountPoint == p; });
}

bool CFileTreeCtrl::IsCompressed(const std::string& path) {
    if (path.empty() || IsDriveRoot(path))
        return false;
    if (mounts_.empty())
        mounts_ = ReadMountTable();
    // The deepest mount holding the path decides; only block-device file systems carry the
    // flag, and everything else (network, FUSE, proc, devices) may block or has side effects.
    const MountEntry* mount = nullptr;
    for (const MountEntry& m : mounts_)
        if (StartsWithFolder(path, m.mountPoint) &&
            (!mount || m.mountPoint.size() >= mount->mountPoint.size()))
            mount = &m;
    if (!mount || mount->source.rfind("/dev/", 0) != 0 || IsNetworkFileSystem(mount->type))
        return false;
    struct stat before;
    if (lstat(path.c_str(), &before) != 0 || !(S_ISREG(before.st_mode) || S_ISDIR(before.st_mode)))
        return false;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    // The entry may have been replaced between the two calls.
    struct stat after;
    int flags = 0;
    const bool compressed = fstat(fd, &after) == 0 && after.st_dev == before.st_dev &&
                            after.st_ino == before.st_ino &&
                            ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_COMPR_FL) != 0;
    ::close(fd);
    return compressed;
}

bool CFileTreeCtrl::IsItemEnabled(QTreeWidgetItem* item) {
    FileTreeItemRecord* r = Record(item);
    return r ? IsItemEnabled(*r) : true;
}

bool CFileTreeCtrl::IsShared(const std::string& path) {
    return theNetworkShares.IsShared(path);
}

void CFileTreeCtrl::SetSystemImageList() {
    Refresh();
}

QTreeWidgetItem* CFileTreeCtrl::ChildAt(QTreeWidgetItem* parent, int index) {
    return parent ? parent->child(index) : topLevelItem(index);
}

int CFileTreeCtrl::ChildCount(QTreeWidgetItem* parent) {
    return parent ? parent->childCount() : topLevelItemCount();
}

void CFileTreeCtrl::Refresh() {
    WaitCursor wait;
    setUpdatesEnabled(false);
    theNetworkShares.Refresh();
    mounts_ = ReadMountTable();
    volumes_ = BrowsableVolumes(mounts_);
    const std::string selected = GetSelectedPath();
    QTreeWidgetItem* current = currentItem();
    const bool wasExpanded = current && current->isExpanded();
    const bool oldQuiet = quiet_;
    quiet_ = true;
    clear();
    myComputerItem_ = networkItem_ = rootFolderItem_ = nullptr;
    quiet_ = oldQuiet;
    if (!rootFolder_.empty()) {
        Populate(WithSlash(rootFolder_), nullptr, false);
    } else {
        if (showMyComputer_) {
            auto rec = std::make_unique<FileTreeItemRecord>();
            rec->name = "Computer";
            myComputerItem_ = InsertItem(nullptr, std::move(rec), false, -1, -1, false);
            myComputerItem_->setIcon(0, style()->standardIcon(QStyle::SP_ComputerIcon));
            ComposeIcon(myComputerItem_);
        } else {
            AddDrives(nullptr);
        }
        if (showNetwork_) {
            auto rec = std::make_unique<FileTreeItemRecord>();
            rec->name = "Network";
            networkItem_ = InsertItem(nullptr, std::move(rec), false, -1, -1, false);
            networkItem_->setIcon(0, style()->standardIcon(QStyle::SP_DriveNetIcon));
            ComposeIcon(networkItem_);
        }
    }
    if (!selected.empty())
        SelectPath(selected, wasExpanded);
    setUpdatesEnabled(true);
}

void CFileTreeCtrl::UpdateItemState(QTreeWidgetItem* item) {
    if (FileTreeItemRecord* r = Record(item)) {
        r->stateImage = GetItemStateImage(*r);
        ComposeIcon(item);
        update(indexFromItem(item));
    }
}

int CFileTreeCtrl::StateImageFor(QTreeWidgetItem* item) {
    FileTreeItemRecord* r = Record(item);
    if (item == networkItem_)
        return 2;
    if (!r)
        return -1;
    if (r->resource) {
        switch (r->resource->displayType) {
        case NetResource::kDisplayShare:
            return -1;
        case NetResource::kDisplayDomain:
            return 0;
        case NetResource::kDisplayServer:
            return 3;
        default:
            return 1;
        }
    }
    return r->stateImage;
}

// The item's icon as drawn: the state image (on white) in a slot left of the system icon
// when the tree has state images, and the shared mark over the icon's lower left corner.
void CFileTreeCtrl::ComposeIcon(QTreeWidgetItem* item) {
    const int icon = item->data(0, kIconRole).toInt();
    const int selected = item->data(0, kSelectedIconRole).toInt();
    const bool shared = item->data(0, kSharedRole).toBool();
    const int state = StateImageFor(item);
    const int slot = stateImages_.isNull() ? 0 : 18;
    auto compose = [&](const QIcon& base) {
        QPixmap pixmap(slot + 16, 16);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        const int count = stateImages_.isNull() ? 0 : stateImages_.width() / 16;
        if (state >= 0 && state < count) {
            p.fillRect(0, 0, 16, 16, Qt::white);
            p.drawPixmap(0, 0, stateImages_, state * 16, 0, 16, 16);
        }
        base.paint(&p, slot, 0, 16, 16);
        if (shared)
            style()->standardIcon(QStyle::SP_DriveNetIcon).paint(&p, slot, 8, 8, 8);
        return pixmap;
    };
    if (item->icon(0).isNull() && icon < 0 && !shared && state < 0)
        return;
    QIcon composed(compose(icon >= 0 ? theSystemImageList.Icon(icon) : item->icon(0)));
    if (selected >= 0)
        composed.addPixmap(compose(theSystemImageList.Icon(selected)), QIcon::Selected);
    item->setIcon(0, composed);
}

void CFileTreeCtrl::Populate(const std::string& path, QTreeWidgetItem* parent, bool redraw) {
    WaitCursor wait;
    if (redraw)
        setUpdatesEnabled(false);
    DeleteChildren(parent, false);
    if (showRootItem_ && parent == nullptr) {
        auto rec = std::make_unique<FileTreeItemRecord>();
        rec->path = WithSlash(path);
        rec->name = QFileInfo(QString::fromStdString(WithoutSlash(path))).fileName().toStdString();
        if (rec->name.empty())
            rec->name = rec->path;
        rec->stateImage = GetItemStateImage(*rec);
        const bool shared = markShared_ && IsShared(rec->path);
        const std::string p = rec->path;
        rootFolderItem_ =
            InsertItem(nullptr, std::move(rec), shared, GetIconIndex(p), GetOpenIconIndex(p), true);
        rootFolderItem_->setExpanded(true);
    } else {
        const std::string folder = WithSlash(path);
        std::vector<FoundEntry> entries;
        ListFolder(folder, entries);
        std::vector<std::string> folders, files;
        for (const FoundEntry& e : entries)
            if (IncludeFolder(e))
                folders.push_back(e.name);
        files = FilesMatching(entries, filePatterns_,
                              [this](const FoundEntry& e) { return IncludeFile(e); });
        SortIgnoringCase(folders);
        SortIgnoringCase(files);
        auto add = [&](const std::string& name, bool isFolder) {
            auto rec = std::make_unique<FileTreeItemRecord>();
            rec->path = folder + name + (isFolder ? "/" : "");
            rec->name = name;
            rec->stateImage = GetItemStateImage(*rec);
            const bool shared = markShared_ && IsShared(rec->path);
            const std::string p = rec->path;
            InsertItem(parent, std::move(rec), shared, GetIconIndex(p), GetOpenIconIndex(p), true);
        };
        for (const std::string& name : folders)
            add(name, true);
        for (const std::string& name : files)
            add(name, false);
    }
    if (redraw)
        setUpdatesEnabled(true);
}

int CFileTreeCtrl::DriveType(const MountEntry& v) const {
    if (v.type == "iso9660" || v.type == "udf")
        return kDriveCdRom;
    if (IsNetworkFileSystem(v.type))
        return kDriveRemote;
    if (v.type == "tmpfs" || v.type == "ramfs")
        return kDriveRamDisk;
    if (v.mountPoint.rfind("/media/", 0) == 0 || v.mountPoint.rfind("/run/media/", 0) == 0)
        return kDriveRemovable;
    return kDriveFixed;
}

void CFileTreeCtrl::AddDrives(QTreeWidgetItem* parent) {
    mounts_ = ReadMountTable();
    volumes_ = BrowsableVolumes(mounts_);
    for (const MountEntry& v : volumes_) {
        const std::string path = WithSlash(v.mountPoint);
        if (!IsDriveShown(path))
            continue;
        auto rec = std::make_unique<FileTreeItemRecord>();
        rec->path = path;
        rec->name = path;
        rec->stateImage = GetItemStateImage(*rec);
        const bool shared = markShared_ && IsShared(path);
        InsertItem(parent, std::move(rec), shared, GetIconIndex(path), GetOpenIconIndex(path),
                   true);
    }
}

int CFileTreeCtrl::GetItemImage(QTreeWidgetItem* item) {
    return item ? item->data(0, kIconRole).toInt() : -1;
}

int CFileTreeCtrl::GetItemSelectedImage(QTreeWidgetItem* item) {
    return item ? item->data(0, kSelectedIconRole).toInt() : -1;
}

int CFileTreeCtrl::GetIconIndex(const std::string& path) {
    // A network share's mount point is not asked: a server that is gone would hang the
    // window while it merely lists the drives.
    if (IsDriveRoot(path) && IsNetworkPath(path))
        return theSystemImageList.FolderIconIndex(false);
    return theSystemImageList.GetIconIndex(path, false);
}

int CFileTreeCtrl::GetOpenIconIndex(const std::string& path) {
    if (IsDriveRoot(path) && IsNetworkPath(path))
        return theSystemImageList.FolderIconIndex(true);
    return theSystemImageList.GetIconIndex(path, true);
}

bool CFileTreeCtrl::HasChildren(const std::string& path) {
    if (path.empty() || path.back() != '/')
        return false;
    if (IsRemovable(path) || IsNetworkPath(path))
        return true;
    std::vector<FoundEntry> entries;
    if (!ListFolder(path, entries))
        return false;
    for (const FoundEntry& e : entries)
        if (IncludeFolder(e))
            return true;
    return !FilesMatching(entries, filePatterns_, [this](const FoundEntry& e) {
                return IncludeFile(e);
            }).empty();
}

bool CFileTreeCtrl::HasChildNamed(QTreeWidgetItem* item, const std::string& text) {
    for (int i = 0; i < ChildCount(item); ++i)
        if (EqualIgnoringCase(ChildAt(item, i)->text(0).toStdString(), text))
            return true;
    return false;
}

QTreeWidgetItem* CFileTreeCtrl::InsertItem(QTreeWidgetItem* parent,
                                           std::unique_ptr<FileTreeItemRecord> record, bool shared,
                                           int icon, int selectedIcon, bool askChildren) {
    std::string text = record->name;
    if (shellNamesForDrives_ && IsDriveRoot(record->path))
        text = GetShellDisplayName(record->path);
    // Every name mode names a file by its name here: there is no hidden extension to drop.
    const bool children = askChildren ? HasChildren(record->path) : true;
    const bool enabled = IsItemEnabled(*record);
    const std::string path = record->path;
    auto* item = new FileTreeItem(std::move(record));
    item->setText(0, QString::fromStdString(text));
    item->setData(0, kIconRole, icon);
    item->setData(0, kSelectedIconRole, selectedIcon);
    item->setData(0, kSharedRole, shared);
    ComposeIcon(item);
    item->setChildIndicatorPolicy(children ? QTreeWidgetItem::ShowIndicator
                                           : QTreeWidgetItem::DontShowIndicator);
    if (!enabled)
        item->setForeground(0, ToQColor(0x808080));
    else if (colourCompressed_ && !path.empty() && IsCompressed(path))
        item->setForeground(0, ToQColor(compressedColour_));
    if (parent)
        parent->addChild(item);
    else
        addTopLevelItem(item);
    return item;
}

QTreeWidgetItem* CFileTreeCtrl::FindChild(QTreeWidgetItem* item, const std::string& name) {
    for (int i = 0; i < ChildCount(item); ++i) {
        QTreeWidgetItem* child = ChildAt(item, i);
        FileTreeItemRecord* r = Record(child);
        if (r && EqualIgnoringCase(r->name, name))
            return child;
    }
    return nullptr;
}

bool CFileTreeCtrl::IsRemovable(const std::string& path) {
    if (!IsDriveRoot(path))
        return false;
    const MountEntry* v = VolumeOf(path);
    return v && (DriveType(*v) == kDriveRemovable || DriveType(*v) == kDriveCdRom);
}

bool CFileTreeCtrl::IsNetworkPath(const std::string& path) {
    const MountEntry* v = VolumeOf(path);
    return v && IsNetworkFileSystem(v->type);
}

bool CFileTreeCtrl::IncludeFile(const FoundEntry& entry) {
    return showFiles_ && !entry.isDirectory &&
           !((excludedAttributes_ & kExcludeHidden) && entry.hidden);
}

bool CFileTreeCtrl::IncludeFolder(const FoundEntry& entry) {
    return entry.isDirectory;
}

bool CFileTreeCtrl::IsDriveShown(const std::string& path) {
    const MountEntry* v = VolumeOf(path);
    return !v || (DriveType(*v) & hiddenDriveTypes_) == 0;
}

bool CFileTreeCtrl::GetVolumeSerial(const std::string& path, long long& serial) {
    struct statvfs st;
    if (statvfs(path.c_str(), &st) != 0)
        return false;
    serial = static_cast<long long>(st.f_fsid);
    return true;
}

bool CFileTreeCtrl::CheckVolume(const std::string& path) {
    if (!IsRemovable(path))
        return true;
    long long serial = -1;
    const bool present = GetVolumeSerial(path, serial);
    volumeSerials_[path] = present ? serial : -1;
    return present;
}

long long CFileTreeCtrl::VolumeSerial(const std::string& drive) const {
    auto it = volumeSerials_.find(drive);
    return it == volumeSerials_.end() ? -1 : it->second;
}

bool CFileTreeCtrl::IsMarkedShared(QTreeWidgetItem* item) const {
    return item && item->data(0, kSharedRole).toBool();
}

int CFileTreeCtrl::GetChildCount(QTreeWidgetItem* item) {
    return ChildCount(item);
}

void CFileTreeCtrl::DeleteChildren(QTreeWidgetItem* item, bool keepButton) {
    const bool had = ChildCount(item) > 0;
    const bool oldQuiet = quiet_;
    quiet_ = true;
    if (item) {
        qDeleteAll(item->takeChildren());
        item->setChildIndicatorPolicy(keepButton && had
                                          ? QTreeWidgetItem::ShowIndicator
                                          : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    } else {
        clear();
        myComputerItem_ = networkItem_ = rootFolderItem_ = nullptr;
    }
    quiet_ = oldQuiet;
}

void CFileTreeCtrl::EnumNetwork(QTreeWidgetItem* item) {
    WaitCursor wait;
    std::vector<MountEntry> mounts = BrowsableVolumes(ReadMountTable());
    FileTreeItemRecord* parentRec = Record(item);
    const bool atRoot = item == networkItem_;
    std::vector<std::string> servers;
    for (const MountEntry& m : mounts) {
        if (!IsNetworkFileSystem(m.type))
            continue;
        const std::string server = NetworkServerOf(m.source);
        if (atRoot) {
            if (std::find(servers.begin(), servers.end(), server) != servers.end())
                continue;
            servers.push_back(server);
            auto rec = std::make_unique<FileTreeItemRecord>();
            rec->name = server;
            rec->resource = std::make_unique<NetResource>();
            rec->resource->remoteName = "//" + server;
            rec->resource->provider = m.type;
            rec->resource->displayType = NetResource::kDisplayServer;
            rec->resource->usage = NetResource::kUsageContainer;
            QTreeWidgetItem* s = InsertItem(item, std::move(rec), false, -1, -1, false);
            s->setIcon(0, style()->standardIcon(QStyle::SP_DriveNetIcon));
            ComposeIcon(s);
        } else if (parentRec && parentRec->resource &&
                   parentRec->resource->remoteName == "//" + server) {
            auto rec = std::make_unique<FileTreeItemRecord>();
            rec->path = WithSlash(m.mountPoint);
            std::string remote = m.source;
            rec->name = remote.substr(remote.find_last_of("/:") + 1);
            if (rec->name.empty())
                rec->name = rec->path;
            rec->resource = std::make_unique<NetResource>();
            rec->resource->localName = m.mountPoint;
            rec->resource->remoteName = m.source;
            rec->resource->provider = m.type;
            rec->resource->displayType = NetResource::kDisplayShare;
            rec->resource->usage = NetResource::kUsageConnectable;
            const std::string p = rec->path;
            const bool shared = markShared_ && IsShared(p);
            InsertItem(item, std::move(rec), shared, GetIconIndex(p), GetOpenIconIndex(p), true);
        }
    }
}

std::string CFileTreeCtrl::GetShellDisplayName(const std::string& path) {
    if (path == "/")
        return "File System";
    const std::string name =
        QFileInfo(QString::fromStdString(WithoutSlash(path))).fileName().toStdString();
    return name.empty() ? path : name;
}

void CFileTreeCtrl::SetShowFiles(bool show) {
    showFiles_ = show;
    Refresh();
}

void CFileTreeCtrl::SetFilePatterns(const std::string& text) {
    filePatterns_ = SplitPatterns(text);
}

std::string CFileTreeCtrl::GetSelectedPath() {
    return GetItemPath(currentItem());
}

void CFileTreeCtrl::LoseItem(QTreeWidgetItem* item) {
    QTreeWidgetItem* parent = item->parent();
    const bool oldQuiet = quiet_;
    quiet_ = true;
    delete item;
    quiet_ = oldQuiet;
    if (parent && parent->childCount() == 0)
        parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void CFileTreeCtrl::OnItemExpanded(QTreeWidgetItem* item) {
    WaitCursor wait;
    const std::string path = GetItemPath(item);
    if (!path.empty() && !CheckVolume(path)) {
        // An empty removable drive: nothing to show.
        const bool blocked = blockSignals(true);
        item->setExpanded(false);
        blockSignals(blocked);
        DeleteChildren(item, true);
        // The button stays, so that the drive can be opened once a volume is in.
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        return;
    }
    FileTreeItemRecord* r = Record(item);
    if (!IsFolder(path)) {
        if (item == myComputerItem_) {
            if (item->childCount() == 0)
                AddDrives(item);
        } else if (item == networkItem_ || (r && r->resource)) {
            if (item->childCount() == 0)
                EnumNetwork(item);
        } else {
            LoseItem(item);
            return;
        }
    } else if (item->childCount() == 0) {
        Populate(path, item, true);
    }
    if (item->childCount() == 0)
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void CFileTreeCtrl::OnItemCollapsed(QTreeWidgetItem* item) {
    FileTreeItemRecord* r = Record(item);
    const bool share = r && r->resource && r->resource->displayType == NetResource::kDisplayShare;
    DeleteChildren(item, !share);
}

void CFileTreeCtrl::OnCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    if (!current)
        return;
    FileTreeItemRecord* r = Record(current);
    const std::string path = GetItemPath(current);
    const bool special =
        current == networkItem_ || current == myComputerItem_ ||
        (r && r->resource && r->resource->displayType != NetResource::kDisplayShare);
    if (special || IsDriveRoot(path) || IsFile(path) || IsFolder(path)) {
        if (IsDriveRoot(path)) {
            long long serial = -1;
            volumeSerials_[path] = GetVolumeSerial(path, serial) ? serial : -1;
        }
        if (!quiet_)
            OnSelectionChanged(current, path);
        return;
    }
    // The path vanished since the item was made: drop the item and keep the old selection.
    const bool blocked = blockSignals(true);
    setCurrentItem(previous);
    blockSignals(blocked);
    LoseItem(current);
}

QTreeWidgetItem* CFileTreeCtrl::Walk(const std::string& inPath, bool expand, bool select) {
    std::string path = inPath;
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    QTreeWidgetItem* at = nullptr;
    std::vector<std::string> parts;
    const bool oldQuiet = quiet_;
    quiet_ = true;
    auto open = [&](QTreeWidgetItem* item) {
        // Finding an item only looks at what the tree holds already.
        if (select && !item->isExpanded())
            item->setExpanded(true);
    };
    if (!rootFolder_.empty()) {
        const std::string root = WithoutSlash(rootFolder_);
        if (!StartsWithFolder(path, root)) {
            quiet_ = oldQuiet;
            return nullptr;
        }
        at = rootFolderItem_;
        parts = SplitPath(path.substr(std::min(path.size(), root.size())));
    } else {
        const MountEntry* found = VolumeOf(path);
        if (!found) {
            quiet_ = oldQuiet;
            return nullptr;
        }
        // A copy: opening My Computer reads the mount table again.
        const MountEntry volume = *found;
        const MountEntry* v = &volume;
        const std::string drive = WithSlash(v->mountPoint);
        QTreeWidgetItem* start = myComputerItem_;
        if (start)
            open(start);
        QTreeWidgetItem* driveItem = FindChild(start, drive);
        if (!driveItem && networkItem_ && IsNetworkFileSystem(v->type)) {
            // Through the Network item: its server, then the share.
            open(networkItem_);
            QTreeWidgetItem* server = FindChild(networkItem_, NetworkServerOf(v->source));
            if (server) {
                open(server);
                for (int i = 0; i < server->childCount(); ++i)
                    if (GetItemPath(server->child(i)) == drive)
                        driveItem = server->child(i);
            }
        }
        if (!driveItem) {
            quiet_ = oldQuiet;
            return nullptr;
        }
        at = driveItem;
        if (select)
            setCurrentItem(driveItem);
        parts = SplitPath(path.substr(std::min(path.size(), WithoutSlash(drive).size())));
        if (!parts.empty())
            open(driveItem);
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        QTreeWidgetItem* next = FindChild(at, parts[i]);
        if (!next)
            break;
        at = next;
        if (select)
            setCurrentItem(at);
        if (i + 1 < parts.size())
            open(at);
    }
    quiet_ = oldQuiet;
    if (at && select) {
        setCurrentItem(at);
        if (expand)
            open(at);
    }
    return at;
}

QTreeWidgetItem* CFileTreeCtrl::SelectPath(const std::string& path, bool expand) {
    setUpdatesEnabled(false);
    QTreeWidgetItem* item = Walk(path, expand, true);
    setUpdatesEnabled(true);
    return item;
}
