#pragma once
// A tool-window factory that makes only the main window's result list, for tests that watch
// how that list follows the catalog; every other window is refused.
#include "app/tool_windows.h"

#include <functional>
#include <memory>

template <class List>
class MainListFactory : public ToolWindowFactory {
public:
    explicit MainListFactory(std::function<std::unique_ptr<List>()> make =
                                 [] { return std::make_unique<List>(); })
        : make_(std::move(make)) {}

    std::unique_ptr<EditorBoxLink> NewEditorBox() override { return nullptr; }
    std::unique_ptr<SearchBoxLink> NewSearchBox(bool, const std::string&,
                                                const SoundSignature&) override {
        return nullptr;
    }
    std::unique_ptr<ResultsListLink> NewMainList() override {
        auto made = make_();
        list = made.get();
        return made;
    }
    void RunValidator() override {}
    std::unique_ptr<ManageBoxLink> NewManageBox(IndexerBoxController&) override { return nullptr; }
    CategoryTreePane NewCategoryTreePane(QWidget*) override { return {}; }
    ResultsPane NewResultsPane(QWidget*) override { return {}; }

    List* list = nullptr; // the list last made, owned by the controller

private:
    std::function<std::unique_ptr<List>()> make_;
};
