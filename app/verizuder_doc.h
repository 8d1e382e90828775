#pragma once
// The main window's document: it holds no data and only routes the Tools and Help commands
// to the controller.

class QAction;

class VERIzuderDoc {
public:
    // A new document is always accepted.
    bool OnNewDocument() { return true; }

    void OnSearch();
    void OnManage();
    void OnValidate();
    void OnImport();
    void OnExport();
    void OnShowTips();
    void OnToggleTabular();
    // The check marks of the two toggles.
    void UpdateShowTips(QAction& action) const;
    void UpdateToggleTabular(QAction& action) const;
};
