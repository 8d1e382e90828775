#include "app/program/tool_window_factory.h"

#include <QWidget>

#include "app/app_controller.h"
#include "app/main_frame.h"
#include "editor/model/audio_file_editor.h"
#include "editor/window/property_box.h"
#include "windows/controller_tree_host.h"

std::unique_ptr<EditorBoxLink> ProgramToolWindowFactory::NewEditorBox() {
    return std::make_unique<PropertyBoxObj>();
}

std::unique_ptr<SearchBoxLink>
ProgramToolWindowFactory::NewSearchBox(bool similar, const std::string& keywords,
                                       const SoundSignature& signature) {
    return nullptr;
}

std::unique_ptr<ResultsListLink> ProgramToolWindowFactory::NewMainList() {
    return nullptr;
}

void ProgramToolWindowFactory::RunValidator() {
    if (theMainFrame != nullptr)
        theMainFrame->SetStatusText("The validator window is not built yet.");
}

IndexerWindow* ProgramToolWindowFactory::NewManageWindow(IndexerBoxObj& box) {
    return nullptr;
}

void ProgramToolWindowFactory::FreeEditorClipboard() {
    EP_AudioFileEditor::FreeClipboard();
}

ToolWindowFactory::CategoryTreePane ProgramToolWindowFactory::NewCategoryTreePane(QWidget* parent) {
    return MakeCategoryTreePane(parent);
}

ToolWindowFactory::ResultsPane ProgramToolWindowFactory::NewResultsPane(QWidget* parent) {
    return {new QWidget(parent), nullptr};
}
