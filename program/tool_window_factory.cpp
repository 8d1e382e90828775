#include "program/tool_window_factory.h"

#include <QWidget>

#include "app/app_controller.h"
#include "app/main_frame.h"
#include "app/validator_dlg.h"
#include "editor/model/audio_file_editor.h"
#include "editor/window/property_box.h"
#include "windows/category/controller_tree_host.h"
#include "windows/manage/manage_window.h"
#include "windows/results/results_list.h"
#include "windows/results/results_views.h"
#include "windows/results/table_and_cards.h"
#include "windows/search/search_box.h"

std::unique_ptr<EditorBoxLink> ProgramToolWindowFactory::NewEditorBox() {
    return std::make_unique<PropertyBoxObj>();
}

std::unique_ptr<SearchBoxLink>
ProgramToolWindowFactory::NewSearchBox(bool similar, const std::string& keywords,
                                       const SoundSignature& signature) {
    return MakeSearchBox(similar, keywords, signature);
}

// The main list is shown by the main window's results pane, made before it.
std::unique_ptr<ResultsListLink> ProgramToolWindowFactory::NewMainList() {
    auto* pane = theController != nullptr
                     ? dynamic_cast<SinglePageResultsView*>(theController->MainPane())
                     : nullptr;
    return std::make_unique<ResultsListObj>(pane != nullptr ? pane->Results() : nullptr,
                                            ResultsListObj::kMyTambrel);
}

void ProgramToolWindowFactory::RunValidator() {
    if (theController == nullptr)
        return;
    ValidatorDlg dialog(theMainFrame, *theController);
    dialog.exec();
}

std::unique_ptr<ManageBoxLink>
ProgramToolWindowFactory::NewManageBox(IndexerBoxController& controller) {
    return MakeManageBox(controller);
}

void ProgramToolWindowFactory::FreeEditorClipboard() {
    EP_AudioFileEditor::FreeClipboard();
}

ToolWindowFactory::CategoryTreePane ProgramToolWindowFactory::NewCategoryTreePane(QWidget* parent) {
    return MakeCategoryTreePane(parent);
}

ToolWindowFactory::ResultsPane ProgramToolWindowFactory::NewResultsPane(QWidget* parent) {
    auto* pane = new SinglePageResultsView(parent); // owned by the splitter
    return {pane, pane};
}
