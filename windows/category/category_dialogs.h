#pragma once
// The "New Category" and "New Sub-category" dialogs: one name field, OK and Cancel. The field
// starts empty and is read back on OK.

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;

class CategoryNameDlg : public QDialog {
    Q_OBJECT
public:
    // The name as typed, without surrounding blanks.
    std::string Name() const;
    QLineEdit* NameEdit() const { return edit_; }
    QLabel* Prompt() const { return prompt_; }

protected:
    CategoryNameDlg(const char* caption, const char* prompt, int editId, QWidget* parent);

private:
    QLabel* prompt_ = nullptr;
    QLineEdit* edit_ = nullptr;
};

class NewCategoryDlg final : public CategoryNameDlg {
    Q_OBJECT
public:
    static constexpr int kTemplate = 308;
    static constexpr int kNameEdit = 1107;
    explicit NewCategoryDlg(QWidget* parent = nullptr);
};

class NewSubCategoryDlg final : public CategoryNameDlg {
    Q_OBJECT
public:
    static constexpr int kTemplate = 309;
    static constexpr int kNameEdit = 1055;
    explicit NewSubCategoryDlg(QWidget* parent = nullptr);
};
