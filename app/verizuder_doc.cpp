#include "app/verizuder_doc.h"

#include <QAction>

#include "app/app_controller.h"

void VERIzuderDoc::OnSearch() {
    if (theController != nullptr)
        theController->OpenTextSearch({});
}

void VERIzuderDoc::OnManage() {
    if (theController != nullptr)
        theController->ShowManageWindow(nullptr);
}

void VERIzuderDoc::OnValidate() {
    if (theController != nullptr)
        theController->ValidateCollection();
}

void VERIzuderDoc::OnImport() {
    if (theController != nullptr)
        theController->ImportMetadata(nullptr);
}

void VERIzuderDoc::OnExport() {
    if (theController != nullptr)
        theController->ExportMetadata();
}

void VERIzuderDoc::OnShowTips() {
    if (theController != nullptr)
        theController->SetShowTips(!theController->ShowTips);
}

void VERIzuderDoc::OnToggleTabular() {
    if (theController != nullptr)
        theController->ToggleTabular();
}

void VERIzuderDoc::UpdateShowTips(QAction& action) const {
    if (theController != nullptr)
        action.setChecked(theController->ShowTips);
}

void VERIzuderDoc::UpdateToggleTabular(QAction& action) const {
    action.setEnabled(true);
    if (theController != nullptr)
        action.setChecked(theController->MainTabular);
}
