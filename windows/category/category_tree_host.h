#pragma once
// What the category tree asks of the controller and the main window. The program's host
// forwards to theController and the main frame; tests put in their own.

#include <string>

class QWidget;
class SoundFileObj;

class CategoryTreeHost {
public:
    virtual ~CategoryTreeHost() = default;
    // Fills the main list with the files of a class (0: all), category and sub-category.
    virtual void ShowCategory(int cls, const std::string& category, const std::string& subCategory,
                              bool redraw) = 0;
    virtual void OpenTextSearch(const std::string& keywords) = 0;
    // Re-stores a changed record; the counts and the tree's labels follow.
    virtual bool UpdateCatalogFile(SoundFileObj& record) = 0;
    virtual void ApplyCatalogChanges() = 0;
    // The selection the main list shows; class -1 when none.
    virtual void ShownCategory(int& cls, std::string& category, std::string& subCategory) const = 0;
    virtual void SetShownCategory(int cls, const std::string& category,
                                  const std::string& subCategory) = 0;
    virtual void ShowBusyTip(int stringId, bool restore) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    // Brings the main window forward and repaints it.
    virtual void ActivateMainFrame() = 0;
    // The main list's visible presentation (table or cards), which takes the tree's Ctrl+A,
    // page keys and wheel; null when there is none.
    virtual QWidget* ResultsPresentation() = 0;
    // The window whose input the re-filing loops let through (the main frame).
    virtual QWidget* PumpWindow() = 0;
};
