#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "collection/catalog_update_item.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Locate Audio Files": scans the dropped folders for audio files on the user-interface
// thread and offers the files found as new update-table rows. While it scans, only "Stop
// Looking" answers; Escape and closing are refused.
class LocateDlg : public QDialog {
public:
    enum Choice { kNotInCatalog, kInCatalog, kAll };

    // folders: each ending with a separator. isListed: whether the update table already
    // holds a path.
    LocateDlg(std::vector<std::string> folders, std::function<bool(const std::string&)> isListed,
              QWidget* parent = nullptr);
    ~LocateDlg() override;

    // The rows found; the caller owns them. Rows left with the dialog go with it.
    std::vector<std::unique_ptr<CatalogUpdateItem>> TakeRows();
    const std::vector<std::unique_ptr<CatalogUpdateItem>>& Rows() const { return rows_; }
    bool IsScanning() const { return scanning_; }

    void SetChoice(Choice choice);
    QPushButton* StartButton() const { return start_; }
    QPushButton* StopButton() const { return stop_; }
    QPushButton* ContinueButton() const { return continue_; }
    QPushButton* CancelButton() const { return cancel_; }
    QString FoldersText() const;
    QString StatusText() const;
    QString FolderText() const;
    QString CountText() const;

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void StartLooking();
    bool Consider(const std::string& path);
    bool Allows(int state) const;
    void SetButtons(bool scanning);

    std::vector<std::string> folders_;
    std::function<bool(const std::string&)> isListed_;
    std::vector<std::unique_ptr<CatalogUpdateItem>> rows_;
    std::unordered_set<std::string> found_;
    std::string shownFolder_;
    Choice choice_ = kAll; // read when a scan starts
    bool stopRequested_ = false;
    bool scanning_ = false;

    QLineEdit* foldersEdit_;
    QRadioButton* notInCatalog_;
    QRadioButton* inCatalog_;
    QRadioButton* all_;
    QPushButton* start_;
    QPushButton* stop_;
    QPushButton* continue_;
    QPushButton* cancel_;
    QLabel* status_;
    QLabel* folder_;
    QLabel* count_;
};
