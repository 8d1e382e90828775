#pragma once
// The program's window makers: one function per window.

#include "app/tool_windows.h"

class ProgramToolWindowFactory : public ToolWindowFactory {
public:
    std::unique_ptr<EditorBoxLink> NewEditorBox() override;
    std::unique_ptr<SearchBoxLink> NewSearchBox(bool similar, const std::string& keywords,
                                                const SoundSignature& signature) override;
    std::unique_ptr<ResultsListLink> NewMainList() override;
    void RunValidator() override;
    std::unique_ptr<ManageBoxLink> NewManageBox(IndexerBoxController& controller) override;
    void FreeEditorClipboard() override;
    CategoryTreePane NewCategoryTreePane(QWidget* parent) override;
    ResultsPane NewResultsPane(QWidget* parent) override;
};
