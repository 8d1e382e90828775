#include "windows/category/category_dialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "collection/text_cut.h"

namespace {
// A catalog text written from a record holds at most 249 bytes; a longer name would be filed
// under a cut name that no longer matches its tree item.
constexpr std::size_t kMaxNameBytes = 249;
} // namespace

CategoryNameDlg::CategoryNameDlg(const char* caption, const char* prompt, int editId,
                                 QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(caption));
    auto* layout = new QVBoxLayout(this);
    prompt_ = new QLabel(QString::fromUtf8(prompt), this);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QString::number(editId));
    prompt_->setBuddy(edit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("IDOK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("IDCANCEL");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(prompt_);
    layout->addWidget(edit_);
    layout->addWidget(buttons);
    // Wide enough for a long category name.
    edit_->setMinimumWidth(edit_->fontMetrics().averageCharWidth() * 40);
    edit_->setFocus();
}

std::string CategoryNameDlg::Name() const {
    return CutText(edit_->text().trimmed().toStdString(), kMaxNameBytes);
}

NewCategoryDlg::NewCategoryDlg(QWidget* parent)
    : CategoryNameDlg("New Category", "Name of the new category:", kNameEdit, parent) {}

NewSubCategoryDlg::NewSubCategoryDlg(QWidget* parent)
    : CategoryNameDlg("New Sub-category", "Name of the new sub-category:", kNameEdit, parent) {}
