#include "app/ui_seams.h"

#include "app/controls/folder_dlg.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
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

std::vector<std::string> QtNameFilters(const std::vector<FileFilter>& filters) {
    std::vector<std::string> result;
    for (const auto& f : filters) {
        std::string patterns;
        for (char c : f.patterns) {
            if (c == ';') {
                if (!patterns.empty() && patterns.back() != ' ')
                    patterns += ' ';
            } else if (c != ' ') {
                patterns += c;
            }
        }
        result.push_back(f.description + " (" + patterns + ")");
    }
    return result;
}
