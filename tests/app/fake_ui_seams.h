#pragma once

#include "app/ui_seams.h"

#include <optional>
#include <string>
#include <vector>

// Records every message box, dialog and link, and answers as told. Installed for the
// lifetime of the object.
class FakeUiSeams : public UiSeams {
public:
    struct Box {
        std::string text, caption;
        MessageButtons buttons;
        MessageIcon icon;
        std::optional<MessageAnswer> defaultButton;
    };

    FakeUiSeams() { previous_ = InstallUiSeams(this); }
    ~FakeUiSeams() override { InstallUiSeams(previous_); }

    MessageAnswer MessageBox(QWidget*, const std::string& text, const std::string& caption,
                             MessageButtons buttons, MessageIcon icon) override {
        boxes.push_back({text, caption, buttons, icon, std::nullopt});
        return boxAnswer;
    }
    MessageAnswer MessageBoxWithDefault(QWidget*, const std::string& text,
                                        const std::string& caption, MessageButtons buttons,
                                        MessageIcon icon,
                                        std::optional<MessageAnswer> defaultButton) override {
        boxes.push_back({text, caption, buttons, icon, defaultButton});
        return boxAnswer;
    }
    bool FileDialog(QWidget*, FileDialogRequest& request) override {
        dialogs.push_back(request);
        if (!dialogAnswer)
            return false;
        request.path = *dialogAnswer;
        request.filterIndex = filterAnswer;
        return true;
    }
    bool FolderDialog(QWidget*, const std::string&, std::string& folder) override {
        if (!dialogAnswer)
            return false;
        folder = *dialogAnswer;
        return true;
    }
    bool OpenUrl(const std::string& url) override {
        urls.push_back(url);
        return urlOpens;
    }

    std::vector<Box> boxes;
    std::vector<FileDialogRequest> dialogs;
    std::vector<std::string> urls;
    MessageAnswer boxAnswer = MessageAnswer::Ok;
    const std::string* dialogAnswer = nullptr; // null: the dialog is cancelled
    int filterAnswer = 1;
    bool urlOpens = true;

private:
    UiSeams* previous_;
};
