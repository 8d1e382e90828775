#pragma once
// The main window's commands: one table from which the menus, the keys, the prompts and the
// toolbar are built.

#include <string>
#include <vector>

class CMainFrame;

namespace cmd {
constexpr int kNew = 32789;
constexpr int kOpen = 32790;
constexpr int kExit = 57665;
constexpr int kSearch = 32805;
constexpr int kManage = 32817;
constexpr int kToggleTabular = 32818;
constexpr int kValidate = 32832;
constexpr int kImport = 32868;
constexpr int kExport = 32869;
constexpr int kHelpTopics = 57670;
constexpr int kShowTips = 32862;
constexpr int kFeedback = 32841;
constexpr int kAbout = 57664;
constexpr int kColorWaveforms = 32865;
constexpr int kCopy = 57634;
constexpr int kCut = 57635;
constexpr int kPaste = 57637;
constexpr int kUndo = 57643;
constexpr int kRedo = 57644;
constexpr int kContextHelp = 57669;
constexpr int kNextPane = 57680;
constexpr int kPrevPane = 57681;
constexpr int kIdlePrompt = 57345;
} // namespace cmd

enum class CommandMenu { None, File, Tools, Help };

struct CommandDef {
    int id;
    CommandMenu menu;
    bool separatorBefore;
    const char* text;    // the menu text, "\t" and the key as shown; empty without a menu item
    const char* keys;    // the keys, ";" between several (portable key names); empty: none
    const char* prompt;  // the status-bar prompt, "\n" and the tool tip; empty: none
    const char* toolbar; // the toolbar button's text; null: no button
    int toolbarImage;
    void (*run)(CMainFrame& frame);
};

// Every command in menu order (commands without a menu item last).
const std::vector<CommandDef>& CommandTable();
const CommandDef* FindCommand(int id);

// The prompt's status text (before "\n") and tool tip (after it).
std::string CommandStatusTip(const CommandDef& command);
std::string CommandToolTip(const CommandDef& command);
// The menu text without the key shown after "\t".
std::string CommandMenuText(const CommandDef& command);

// The About box's text.
extern const char* const kAboutText;

// The idle prompt of the status bar.
constexpr const char* kIdlePromptText = "For Help, press F1";
