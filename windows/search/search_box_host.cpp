#include "app/app_controller.h"
#include "collection/remote/web_task_manager.h"
#include "windows/search/search_box.h"

namespace {

class ProgramHost : public SearchBoxHost {
public:
    int SearchBoxCount() const override {
        return theController != nullptr
                   ? static_cast<int>(theController->SearchBoxLinks().size())
                   : 0;
    }
    void StopPreview() override {
        if (theController != nullptr)
            theController->AuditionFile("", false, nullptr, 1.0);
    }
    void CloseSearchWindow(SearchBoxLink* box) override {
        if (theController != nullptr)
            theController->CloseSearchWindow(box);
    }
    WebTaskManager& WebTasks() override { return theWebTaskManager; }
};

} // namespace

SearchBoxHost& ProgramSearchBoxHost() {
    static ProgramHost host;
    return host;
}

std::unique_ptr<SearchBoxLink> MakeSearchBox(bool similar, const std::string& keywords,
                                             const SoundSignature& signature) {
    if (similar)
        return std::make_unique<SearchBoxObj>(signature, ProgramSearchBoxHost());
    return std::make_unique<SearchBoxObj>(keywords, ProgramSearchBoxHost());
}
