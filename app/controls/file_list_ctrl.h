#pragma once

#include "app/controls/table_ctrl.h"

#include <QIcon>
#include <QPixmap>
#include <string>
#include <vector>

// A report list of the folders and then the files of one folder, filtered by file patterns,
// with the icons of theSystemImageList. A base: owners override the hooks, for example to
// mark files with an overlay image.
class CFileListCtrl : public CTableCtrl {
public:
    static constexpr int kIconRole = Qt::UserRole + 1;

    explicit CFileListCtrl(QWidget* parent = nullptr);

    virtual void Clear();
    // An index in the overlay image list, or -1 for none.
    virtual int GetOverlayImage(const std::string& text, std::uintptr_t data) { return -1; }
    virtual int GetIconIndex(const std::string& path);
    virtual void AddFolderItem(const std::string& name, int icon);
    virtual void AddFileItem(const std::string& name, int icon);

    // Fills the list from path; false (and an empty list) when the folder cannot be read.
    bool FillFromFolder(const std::string& path);
    void SetFilePatterns(const std::string& text);
    const std::vector<std::string>& FilePatterns() const { return filePatterns_; }
    void SetImageListCopy(const std::vector<QIcon>& images) { overlayImages_ = images; }
    // Null without a selection; otherwise the selected visible rows drawn on one image
    // whose transparent parts are masked, and their top-left in viewport coordinates.
    QPixmap CreateDragImage(QPoint* topLeft);

    const std::string& CurrentFolder() const { return currentFolder_; }
    std::string ItemText(int row) const;
    void SetUseSystemIcons(bool use) { useSystemIcons_ = use; }

protected:
    bool PassesTabOn() const override { return true; }
    bool WantsItemNotify() override { return !overlayImages_.empty(); }
    bool WantsRowPostNotify(int, unsigned, std::uintptr_t) override {
        return !overlayImages_.empty();
    }
    bool WantsRowPostPaint() override { return !overlayImages_.empty(); }
    void PostPaintRow(QPainter& p, int row, unsigned state, std::uintptr_t data) override;

private:
    void AppendItem(const std::string& name, int icon);

    std::string currentFolder_;
    bool useSystemIcons_ = true;
    std::vector<QIcon> overlayImages_;
    std::vector<std::string> filePatterns_{"*.*"};
};
