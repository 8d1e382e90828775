#include "app/ui_seams.h"

#include "app/controls/folder_dlg.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QStringList>
#include <QTreeView>
#include <QUrl>

namespace {

const char kProgramTitle[] = "Corvessa Tambrel";

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// A file dialog whose OK asks the extras first.
class ExtendedFileDialog : public QFileDialog {
public:
    ExtendedFileDialog(QWidget* owner, FileDialogExtras* extras)
        : QFileDialog(owner), extras_(extras) {}
    void accept() override {
        if (extras_ && !extras_->CanAccept(this))
            return;
        QFileDialog::accept();
    }

private:
    FileDialogExtras* extras_;
};

// A box sized to a short text would cut its own caption on the title bar: it is made wide
// enough for the caption in a bold face, with room for the title bar's icon and buttons.
void KeepCaptionReadable(QMessageBox& box, const QString& caption) {
    QFont bold = box.font();
    bold.setBold(true);
    const QFontMetrics title(bold);
    const int width = title.horizontalAdvance(caption) + 8 * title.height();
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

// The file list's detail columns are laid out for short sizes and dates: "258.3 KiB" would
// lose its middle. They follow their contents; the name column takes the rest.
void ShowWholeDetails(QFileDialog& dialog) {
    auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (details == nullptr)
        return;
    QHeaderView* header = details->header();
    for (int column = 1; column < header->count(); ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

class QtUiSeams : public UiSeams {
public:
    MessageAnswer MessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                             MessageButtons buttons, MessageIcon icon) override {
        return MessageBoxWithDefault(owner, text, caption, buttons, icon, std::nullopt);
    }
    MessageAnswer MessageBoxWithDefault(QWidget* owner, const std::string& text,
                                        const std::string& caption, MessageButtons buttons,
                                        MessageIcon icon,
                                        std::optional<MessageAnswer> defaultButton) override {
        QMessageBox box(owner);
        box.setWindowTitle(Q(caption));
        box.setText(Q(text));
        switch (icon) {
        case MessageIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MessageIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageIcon::Stop:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageIcon::None:
            break;
        }
        switch (buttons) {
        case MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MessageButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case MessageButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        }
        if (defaultButton) {
            static const QMessageBox::StandardButton kButtons[] = {
                QMessageBox::Ok, QMessageBox::Cancel, QMessageBox::Yes, QMessageBox::No};
            if (QAbstractButton* b = box.button(kButtons[static_cast<int>(*defaultButton)]))
                box.setDefaultButton(qobject_cast<QPushButton*>(b));
        }
        KeepCaptionReadable(box, Q(caption));
        switch (box.exec()) {
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        case QMessageBox::Ok:
            return MessageAnswer::Ok;
        default:
            return MessageAnswer::Cancel;
        }
    }

    bool FileDialog(QWidget* owner, FileDialogRequest& request) override {
        ExtendedFileDialog dialog(owner, request.extras);
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (!request.overwritePrompt)
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
        QStringList filters;
        for (const auto& f : QtNameFilters(request.filters))
            filters << Q(f);
        dialog.setNameFilters(filters);
        if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
            dialog.selectNameFilter(filters[request.filterIndex - 1]);
        dialog.setDefaultSuffix(Q(request.defaultExtension));
        if (!request.title.empty())
            dialog.setWindowTitle(Q(request.title));
        // A native dialog may ignore the button texts and has no file-type box to hide.
        if (!request.okText.empty() || !request.cancelText.empty() || request.hideFileTypes)
            dialog.setOption(QFileDialog::DontUseNativeDialog);
        if (!request.okText.empty())
            dialog.setLabelText(QFileDialog::Accept, Q(request.okText));
        if (!request.cancelText.empty())
            dialog.setLabelText(QFileDialog::Reject, Q(request.cancelText));
        if (request.hideFileTypes) {
            for (const char* name : {"fileTypeCombo", "fileTypeLabel"})
                if (auto* widget = dialog.findChild<QWidget*>(name))
                    widget->hide();
        }
        if (!request.path.empty())
            dialog.selectFile(Q(request.path));
        QWidget* panel = request.extras ? request.extras->Panel() : nullptr;
        if (panel) {
            // The platform's own dialog takes no extra controls.
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
                grid->addWidget(panel, grid->rowCount(), 0, 1, grid->columnCount());
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                             [&dialog, &filters, &request](const QString& filter) {
                                 auto* nameEdit = dialog.findChild<QLineEdit*>("fileNameEdit");
                                 std::string name =
                                     nameEdit ? nameEdit->text().toStdString() : std::string();
                                 request.extras->FilterChanged(
                                     static_cast<int>(filters.indexOf(filter)) + 1, name);
                                 if (nameEdit)
                                     nameEdit->setText(Q(name));
                             });
        }
        ShowWholeDetails(dialog);
        const bool accepted = dialog.exec() == QDialog::Accepted;
        if (panel) {
            panel->hide();
            panel->setParent(nullptr); // the extras own it
        }
        if (!accepted || dialog.selectedFiles().isEmpty())
            return false;
        request.path = dialog.selectedFiles().front().toStdString();
        request.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
        return true;
    }

    bool FolderDialog(QWidget* owner, const std::string& title, std::string& folder) override {
        return RunFolderBrowser(owner, title, folder);
    }

    bool OpenUrl(const std::string& url) override {
        return QDesktopServices::openUrl(QUrl(Q(url), QUrl::StrictMode));
    }
};

QtUiSeams qtSeams;
UiSeams* installed = nullptr;

} // namespace

UiSeams& CurrentUiSeams() {
    return installed ? *installed : qtSeams;
}

UiSeams* InstallUiSeams(UiSeams* seams) {
    UiSeams* previous = installed;
    installed = seams;
    return previous;
}

MessageAnswer ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                             MessageButtons buttons, MessageIcon icon) {
    return CurrentUiSeams().MessageBox(owner, text, caption.empty() ? kProgramTitle : caption,
                                       buttons, icon);
}

MessageAnswer ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                             MessageButtons buttons, MessageIcon icon,
                             MessageAnswer defaultButton) {
    return CurrentUiSeams().MessageBoxWithDefault(
        owner, text, caption.empty() ? kProgramTitle : caption, buttons, icon, defaultButton);
}

namespace {

// The patterns of a list separated by ";", "," or blanks.
std::vector<std::string> SplitPatternList(const std::string& text) {
    std::vector<std::string> patterns;
    std::string current;
    for (char c : text + ";") {
        if (c == ';' || c == ',' || c == ' ') {
            if (!current.empty())
                patterns.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    return patterns;
}

} // namespace

std::vector<std::string> QtNameFilters(const std::vector<FileFilter>& filters) {
    std::vector<std::string> result;
    for (const auto& f : filters) {
        const std::vector<std::string> list = SplitPatternList(f.patterns);
        std::string patterns;
        for (const std::string& p : list)
            patterns += (patterns.empty() ? "" : " ") + p;
        // A description that already ends with its own patterns keeps them once, blank-
        // separated as the dialog reads them: "WAVE (Microsoft) (*.wav)".
        std::string description = f.description;
        const std::size_t open = description.rfind('(');
        if (!description.empty() && description.back() == ')' && open != std::string::npos &&
            SplitPatternList(description.substr(open + 1, description.size() - open - 2)) ==
                list) {
            description.erase(open);
            while (!description.empty() && description.back() == ' ')
                description.pop_back();
        }
        result.push_back(description + " (" + patterns + ")");
    }
    return result;
}
