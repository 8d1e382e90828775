#include "app/commands.h"

#include <QApplication>
#include <QWhatsThis>

#include "app/app_controller.h"
#include "app/main_frame.h"
#include "app/ui_seams.h"

namespace {

AppController* Controller() {
    return theController;
}

void RunNew(CMainFrame&) {
    if (auto* c = Controller())
        c->NewFile();
}
void RunOpen(CMainFrame&) {
    if (auto* c = Controller())
        c->OpenFileFromDialog();
}
void RunExit(CMainFrame& frame) {
    frame.close();
}
void RunSearch(CMainFrame&) {
    if (auto* c = Controller())
        c->OpenTextSearch({});
}
void RunManage(CMainFrame&) {
    if (auto* c = Controller())
        c->ShowManageWindow(nullptr);
}
void RunValidate(CMainFrame&) {
    if (auto* c = Controller())
        c->ValidateCollection();
}
void RunImport(CMainFrame&) {
    if (auto* c = Controller())
        c->ImportMetadata(nullptr);
}
void RunExport(CMainFrame&) {
    if (auto* c = Controller())
        c->ExportMetadata();
}
void RunHelpTopics(CMainFrame& frame) {
    frame.ShowHelpPage("index.htm");
}
void RunShowTips(CMainFrame&) {
    if (auto* c = Controller())
        c->SetShowTips(!c->ShowTips);
}
void RunFeedback(CMainFrame& frame) {
    frame.ShowHelpPage("introduction.htm");
}
void RunAbout(CMainFrame& frame) {
    ShowMessageBox(&frame, kAboutText, "About Corvessa Tambrel", MessageButtons::Ok,
                   MessageIcon::Information);
}
void RunColorWaveforms(CMainFrame&) {
    if (auto* c = Controller())
        c->ToggleColorWaveforms();
}
void RunToggleTabular(CMainFrame&) {
    if (auto* c = Controller())
        c->ToggleTabular();
}
void RunContextHelp(CMainFrame&) {
    QWhatsThis::enterWhatsThisMode();
}
void RunNextPane(CMainFrame& frame) {
    frame.FocusNextPane(true);
}
void RunPrevPane(CMainFrame& frame) {
    frame.FocusNextPane(false);
}

using M = CommandMenu;

// The clipboard and undo keys belong to the editor windows, which carry their own; in the
// main window they have nothing to act on and stay disabled, so text fields keep them.
const std::vector<CommandDef> kCommands = {
    {cmd::kNew, M::File, false, "&New...\tCtrl+N", "Ctrl+N",
     "Creates a new audio file.\nNew audio file", nullptr, 0, RunNew},
    {cmd::kOpen, M::File, false, "&Open...\tCtrl+O", "Ctrl+O",
     "Opens an existing audio file.\nOpen audio file", nullptr, 0, RunOpen},
    {cmd::kExit, M::File, true, "E&xit", "", "", nullptr, 0, RunExit},
    {cmd::kSearch, M::Tools, false, "Search...", "", "Open a search box.", " Search   ", 1,
     RunSearch},
    {cmd::kManage, M::Tools, false, "Manage MyTambrel...", "",
     "Select audio files to add to MyTambrel", " Manage MyTambrel   ", 0, RunManage},
    {cmd::kValidate, M::Tools, false, "Validate MyTambrel...", "",
     "Check all cataloged audio files.", nullptr, 0, RunValidate},
    {cmd::kImport, M::Tools, false, "Import into MyTambrel...", "", "", nullptr, 0, RunImport},
    {cmd::kExport, M::Tools, false, "Export from MyTambrel...", "", "", nullptr, 0, RunExport},
    {cmd::kHelpTopics, M::Help, false, "&Help Topics", "F1", "", nullptr, 0, RunHelpTopics},
    {cmd::kShowTips, M::Help, false, "Show Tips", "", "Show/hide tip windows", nullptr, 0,
     RunShowTips},
    {cmd::kFeedback, M::Help, false, "&Feedback and Support", "",
     "Provide suggestions or get technical support.", nullptr, 0, RunFeedback},
    {cmd::kAbout, M::Help, true, "&About Corvessa Tambrel...", "", "", nullptr, 0, RunAbout},
    {cmd::kColorWaveforms, M::None, false, "", "Ctrl+W", "", nullptr, 0, RunColorWaveforms},
    {cmd::kToggleTabular, M::None, false, "", "", "Toggle columns / stacked view.", nullptr, 0,
     RunToggleTabular},
    {cmd::kCopy, M::None, false, "", "Ctrl+C;Ctrl+Ins", "", nullptr, 0, nullptr},
    {cmd::kPaste, M::None, false, "", "Ctrl+V;Shift+Ins", "", nullptr, 0, nullptr},
    {cmd::kUndo, M::None, false, "", "Alt+Backspace;Ctrl+Z", "", nullptr, 0, nullptr},
    {cmd::kCut, M::None, false, "", "Shift+Del;Ctrl+X", "", nullptr, 0, nullptr},
    {cmd::kRedo, M::None, false, "", "Ctrl+Y", "", nullptr, 0, nullptr},
    {cmd::kContextHelp, M::None, false, "", "Shift+F1", "", nullptr, 0, RunContextHelp},
    {cmd::kNextPane, M::None, false, "", "F6", "", nullptr, 0, RunNextPane},
    {cmd::kPrevPane, M::None, false, "", "Shift+F6", "", nullptr, 0, RunPrevPane},
};

std::string Part(const char* text, char separator, bool after) {
    const std::string s = text != nullptr ? text : "";
    const auto at = s.find(separator);
    if (at == std::string::npos)
        return after ? std::string() : s;
    return after ? s.substr(at + 1) : s.substr(0, at);
}

} // namespace

const char* const kAboutText = "Corvessa Tambrel\nVersion 2.31\n\n"
                               "Copyright \xC2\xA9 Halvorine. All rights reserved.";

const std::vector<CommandDef>& CommandTable() {
    return kCommands;
}

const CommandDef* FindCommand(int id) {
    for (const CommandDef& c : kCommands)
        if (c.id == id)
            return &c;
    return nullptr;
}

std::string CommandStatusTip(const CommandDef& command) {
    return Part(command.prompt, '\n', false);
}

std::string CommandToolTip(const CommandDef& command) {
    return Part(command.prompt, '\n', true);
}

std::string CommandMenuText(const CommandDef& command) {
    return Part(command.text, '\t', false);
}
