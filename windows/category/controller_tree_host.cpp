#include "windows/category/controller_tree_host.h"

#include <QWidget>

#include "app/app_controller.h"
#include "app/main_frame.h"
#include "windows/category/category_tree_view.h"

void ControllerTreeHost::ShowCategory(int cls, const std::string& category,
                                      const std::string& subCategory, bool redraw) {
    if (theController)
        theController->ShowCategory(cls, category, subCategory, redraw);
}

void ControllerTreeHost::OpenTextSearch(const std::string& keywords) {
    if (theController)
        theController->OpenTextSearch(keywords);
}

bool ControllerTreeHost::UpdateCatalogFile(SoundFileObj& record) {
    return theController && theController->UpdateCatalogFile(record, nullptr);
}

void ControllerTreeHost::ApplyCatalogChanges() {
    if (theController)
        theController->ApplyCatalogChanges();
}

void ControllerTreeHost::ShownCategory(int& cls, std::string& category,
                                       std::string& subCategory) const {
    cls = -1;
    category.clear();
    subCategory.clear();
    if (!theController)
        return;
    cls = theController->ShownClass();
    category = theController->ShownCategory();
    subCategory = theController->ShownSubCategory();
}

void ControllerTreeHost::SetShownCategory(int cls, const std::string& category,
                                          const std::string& subCategory) {
    if (theController)
        theController->SetShownCategory(cls, category, subCategory);
}

void ControllerTreeHost::ShowBusyTip(int stringId, bool restore) {
    if (theController)
        theController->ShowBusyTip(stringId, restore);
}

void ControllerTreeHost::SetStatusText(const std::string& text) {
    if (theMainFrame)
        theMainFrame->SetStatusText(text);
}

void ControllerTreeHost::ActivateMainFrame() {
    if (!theMainFrame)
        return;
    theMainFrame->activateWindow();
    theMainFrame->raise();
    theMainFrame->update();
}

QWidget* ControllerTreeHost::ResultsPresentation() {
    MainResultsPaneLink* pane = theController ? theController->MainPane() : nullptr;
    return pane ? pane->ActivePresentation() : nullptr;
}

QWidget* ControllerTreeHost::PumpWindow() { return theMainFrame; }

ToolWindowFactory::CategoryTreePane MakeCategoryTreePane(QWidget* parent) {
    LocalFilesView* view = LocalFilesView::Create(std::make_unique<ControllerTreeHost>(), parent);
    return {view, view};
}
