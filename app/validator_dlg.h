#pragma once
// "Validate MyTambrel": the modal dialog that runs the validator, and "File Not Found", the
// question it asks about each missing file.

#include <QDialog>
#include <functional>
#include <memory>

#include "collection/validator/validator.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;

class ValidatorActionDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "File Not Found";
    explicit ValidatorActionDlg(QWidget* parent);

    // Set before exec: the missing file and the action selected on opening.
    void SetPath(const std::string& path);
    void SetAction(int action);
    int Action() const { return action_; }
    std::string NewLocation() const;
    std::string SearchPath() const;
    void SetNewLocation(const std::string& path);
    void SetSearchPath(const std::string& path);
    QRadioButton* Radio(int action) const { return radios_[action]; }

private:
    void ChooseAction(int action);
    void OnBrowseLocation();
    void OnBrowseSearchPath();

    std::string path_;
    int action_ = 0;
    QLabel* pathLabel_ = nullptr;
    QRadioButton* radios_[6] = {};
    QLabel* locationLabel_ = nullptr;
    QLineEdit* location_ = nullptr;
    QPushButton* browseLocation_ = nullptr;
    QLabel* searchLabel_ = nullptr;
    QLineEdit* searchPath_ = nullptr;
    QPushButton* browseSearchPath_ = nullptr;
};

class ValidatorDlg final : public QDialog, private ValidatorView {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Validate MyTambrel";
    ValidatorDlg(QWidget* parent, IndexerController& controller);
    ~ValidatorDlg() override;

    void OnBeginValidating();
    void OnStop();
    Validator& Run() { return validator_; }

    // The "File Not Found" question; tests replace it to answer without a dialog.
    using MissingFileQuestion = std::function<bool(const std::string& path, int& action,
                                                   std::string& newLocation,
                                                   std::string& searchPath)>;
    void SetMissingFileQuestion(MissingFileQuestion question) { question_ = std::move(question); }

    QListWidget* Lines() const { return lines_; }
    QLabel* EndState() const { return endState_; }
    QLabel* Counter() const { return counter_; }
    QLabel* CurrentFile() const { return currentFile_; }
    QProgressBar* DatabaseBar() const { return databaseBar_; }
    QPushButton* BeginButton() const { return begin_; }
    QPushButton* StopButton() const { return stop_; }
    QPushButton* CloseButton() const { return close_; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ClearLines() override;
    void AddResultLine(const std::string& text) override;
    void ShowCurrentFile(bool shown, const std::string& text) override;
    void ShowCounter(bool shown, const std::string& text) override;
    void ShowDatabaseBar(bool shown, int percent) override;
    void ShowReindexBar(bool shown, int percent) override;
    void SetEndState(const std::string& text) override;
    void SetRunning(bool running) override;
    void Pump() override;
    bool AskMissingFile(const std::string& path, int& action, std::string& newLocation,
                        std::string& searchPath) override;
    void ShowRelocateFailure(const std::string& location, const std::string& message) override;
    void ScanFolder(const std::string& folder, std::vector<std::string>& paths) override;

    Validator validator_;
    MissingFileQuestion question_;
    QListWidget* lines_ = nullptr;
    QLabel* currentFile_ = nullptr;
    QLabel* counter_ = nullptr;
    QProgressBar* databaseBar_ = nullptr;
    QProgressBar* reindexBar_ = nullptr;
    QLabel* endState_ = nullptr;
    QPushButton* begin_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* close_ = nullptr;
};
