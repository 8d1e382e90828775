#pragma once
// The category tree's host in the program: theController and the main frame.

#include <memory>

#include "app/tool_windows.h"
#include "windows/category/category_tree_host.h"

class ControllerTreeHost final : public CategoryTreeHost {
public:
    void ShowCategory(int cls, const std::string& category, const std::string& subCategory,
                      bool redraw) override;
    void OpenTextSearch(const std::string& keywords) override;
    bool UpdateCatalogFile(SoundFileObj& record) override;
    void ApplyCatalogChanges() override;
    void ShownCategory(int& cls, std::string& category, std::string& subCategory) const override;
    void SetShownCategory(int cls, const std::string& category,
                          const std::string& subCategory) override;
    void ShowBusyTip(int stringId, bool restore) override;
    void SetStatusText(const std::string& text) override;
    void ActivateMainFrame() override;
    QWidget* ResultsPresentation() override;
    QWidget* PumpWindow() override;
};

// The main window's tree pane as the program's ToolWindowFactory::NewCategoryTreePane makes
// it: a LocalFilesView on a ControllerTreeHost, a child of the parent (the splitter).
ToolWindowFactory::CategoryTreePane MakeCategoryTreePane(QWidget* parent);
