#pragma once

#include <optional>
#include <string>
#include <vector>

class QWidget;

// Every message box, file and folder dialog and browser launch goes through the one
// installed UiSeams, so that a test can read the exact text and give the answer.

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageIcon { None, Exclamation, Question, Information, Stop };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct FileFilter {
    std::string description; // "Microsoft WAVE (*.wav)"
    std::string patterns;    // "*.wav" or "*.aif;*.aiff"
};

// Controls shown below a file dialog (the save-as choices), told of the dialog's events.
class FileDialogExtras {
public:
    virtual ~FileDialogExtras() = default;
    // The controls; the dialog borrows the widget while it runs and gives it back.
    virtual QWidget* Panel() = 0;
    // The user chose another filter (1-based); typedName is the dialog's name field,
    // changed in place.
    virtual void FilterChanged(int filterIndex, std::string& typedName) = 0;
    // OK was pressed; false keeps the dialog open (the extras have said why).
    virtual bool CanAccept(QWidget* dialog) = 0;
};

struct FileDialogRequest {
    bool save = false;
    std::vector<FileFilter> filters;
    int filterIndex = 1;          // 1-based, as chosen on entry and on return
    std::string defaultExtension; // without its dot; appended when the name has none
    std::string path;             // starting name
    bool overwritePrompt = false;
    std::string title;      // empty: the dialog's own
    std::string okText;     // empty: the dialog's own
    std::string cancelText; // empty: the dialog's own
    bool hideFileTypes = false;
    FileDialogExtras* extras = nullptr; // not owned
};

class UiSeams {
public:
    virtual ~UiSeams() = default;
    virtual MessageAnswer MessageBox(QWidget* owner, const std::string& text,
                                     const std::string& caption, MessageButtons buttons,
                                     MessageIcon icon) = 0;
    // The same box with a default button (the one Enter presses); seams that do not show
    // defaults keep this forward.
    virtual MessageAnswer MessageBoxWithDefault(QWidget* owner, const std::string& text,
                                                const std::string& caption,
                                                MessageButtons buttons, MessageIcon icon,
                                                std::optional<MessageAnswer> defaultButton) {
        return MessageBox(owner, text, caption, buttons, icon);
    }
    // True with request.path (and filterIndex) set to the choice; false when cancelled.
    virtual bool FileDialog(QWidget* owner, FileDialogRequest& request) = 0;
    virtual bool FolderDialog(QWidget* owner, const std::string& title, std::string& folder) = 0;
    // Hands a checked link to the desktop's handler; false when it could not.
    virtual bool OpenUrl(const std::string& url) = 0;
};

// The seams in force: Qt's dialogs and the desktop's URL handler unless a test installed
// its own. Returns the previous one; null puts the Qt one back.
UiSeams& CurrentUiSeams();
UiSeams* InstallUiSeams(UiSeams* seams);

// The program's message box; an empty caption means the program's title.
MessageAnswer ShowMessageBox(QWidget* owner, const std::string& text,
                             const std::string& caption = {},
                             MessageButtons buttons = MessageButtons::Ok,
                             MessageIcon icon = MessageIcon::Exclamation);
// ... with defaultButton as the box's default.
MessageAnswer ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                             MessageButtons buttons, MessageIcon icon,
                             MessageAnswer defaultButton);

// The filters as a Qt dialog's name filters: "description (pattern pattern ...)".
std::vector<std::string> QtNameFilters(const std::vector<FileFilter>& filters);
