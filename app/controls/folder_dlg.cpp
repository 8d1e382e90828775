#include "app/controls/folder_dlg.h"

#include "app/ui_seams.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QStorageInfo>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

const char kTitle[] = "Current Selection";
const std::size_t kStatusChars = 35;

// The browser can hand back a place that is no folder (the "Computer" root is an empty
// path), or one removed while it ran: neither is a chosen folder.
bool IsFileSystemFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && path.front() == '/' && std::filesystem::is_directory(path, ec);
}

std::string StartFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    if (!folder.empty() && folder.front() == '/') {
        for (fs::path p(folder);; p = p.parent_path()) {
            std::error_code ec;
            if (fs::is_directory(p, ec))
                return p.string();
            if (p == p.parent_path())
                break;
        }
    }
    return QDir::homePath().toStdString();
}

bool IsNetworkFileSystem(const QByteArray& type) {
    static const char* const kTypes[] = {"cifs", "smb3", "nfs", "nfs4", "sshfs", "fuse.sshfs"};
    return std::any_of(std::begin(kTypes), std::end(kTypes),
                       [&](const char* t) { return type == t; });
}

// Enter in the folder list is OK with the folder the status line shows, as in a folder
// browser; Qt's list would open the folder instead and, in an empty one, do nothing at all.
class EnterChoosesFilter : public QObject {
public:
    explicit EnterChoosesFilter(QFileDialog* dialog) : QObject(dialog), dialog_(dialog) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                static_cast<QDialog*>(dialog_)->accept(); // QFileDialog's own, virtually
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QFileDialog* dialog_;
};

} // namespace

CFolderDlg::CFolderDlg(const char* initialPath, unsigned, QWidget* owner)
    : owner_(owner), initialPath_(initialPath ? initialPath : "") {
    chosenPath_ = initialPath_;
}

int CFolderDlg::DoModal() {
    chosenPath_ = initialPath_;
    std::string folder = initialPath_;
    if (!CurrentUiSeams().FolderDialog(owner_, kTitle, folder) || !IsFileSystemFolder(folder))
        return IDCANCEL;
    chosenPath_ = folder;
    return IDOK;
}

std::string FolderStatusText(const std::string& path) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        // Each character starts at a byte that is not a UTF-8 continuation byte.
        if ((static_cast<unsigned char>(path[i]) & 0xC0) == 0x80)
            continue;
        if (chars == kStatusChars)
            return path.substr(0, i) + "...";
        ++chars;
    }
    return path;
}

std::vector<std::string> FolderBrowserPlaces() {
    std::vector<std::string> places = {"/", QDir::homePath().toStdString()};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        // Kernel and memory file systems are no volumes a user keeps sounds on.
        if (!volume.device().startsWith("/dev/") && !IsNetworkFileSystem(volume.fileSystemType()))
            continue;
        std::string root = volume.rootPath().toStdString();
        if (std::find(places.begin(), places.end(), root) == places.end())
            places.push_back(root);
    }
    return places;
}

bool RunFolderBrowser(QWidget* owner, const std::string& title, std::string& folder) {
    QFileDialog dialog(owner);
    // Qt's own dialog, so that the status line can be added to it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setWindowTitle(QString::fromStdString(title));
    QList<QUrl> places;
    for (const auto& place : FolderBrowserPlaces())
        places << QUrl::fromLocalFile(QString::fromStdString(place));
    dialog.setSidebarUrls(places);
    dialog.setDirectory(QString::fromStdString(StartFolder(folder)));

    auto* status = new QLabel(QString::fromStdString(FolderStatusText(folder)), &dialog);
    status->setObjectName("folderStatus");
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(status, grid->rowCount(), 0, 1, grid->columnCount());
    auto show = [status](const QString& path) {
        status->setText(QString::fromStdString(FolderStatusText(path.toStdString())));
    };
    QObject::connect(&dialog, &QFileDialog::currentChanged, status, show);
    QObject::connect(&dialog, &QFileDialog::directoryEntered, status, show);
    auto* enterChooses = new EnterChoosesFilter(&dialog);
    for (const char* name : {"listView", "treeView"})
        if (auto* view = dialog.findChild<QAbstractItemView*>(name))
            view->installEventFilter(enterChooses);

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    folder = dialog.selectedFiles().front().toStdString();
    return true;
}
