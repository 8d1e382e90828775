// The program's way to a search window: the controller asks its factory, which makes the box
// through MakeSearchBox; the box then reaches the controller for the cascade and its close.
#include "windows/search/search_box.h"

#include <QPointer>
#include <gtest/gtest.h>

#include "app/app_controller.h"
#include "collection/remote/web_task_manager.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/windows/search/search_test_support.h"
#include "windows/search/search_window.h"
#include "windows/search/search_view.h"

namespace {

class SearchOnlyFactory : public ToolWindowFactory {
public:
    std::unique_ptr<EditorBoxLink> NewEditorBox() override { return nullptr; }
    std::unique_ptr<SearchBoxLink> NewSearchBox(bool similar, const std::string& keywords,
                                                const SoundSignature& signature) override {
        return MakeSearchBox(similar, keywords, signature);
    }
    std::unique_ptr<ResultsListLink> NewMainList() override { return nullptr; }
    void RunValidator() override {}
    std::unique_ptr<ManageBoxLink> NewManageBox(IndexerBoxController&) override { return nullptr; }
    CategoryTreePane NewCategoryTreePane(QWidget*) override { return {}; }
    ResultsPane NewResultsPane(QWidget*) override { return {}; }
};

class SearchControllerTest : public testing::Test {
protected:
    void SetUp() override {
        previous_ = theController;
        controller_ = std::make_unique<AppController>();
        controller_->SetToolWindowFactory(&factory_);
        theController = controller_.get();
    }
    void TearDown() override {
        controller_.reset();
        theController = previous_;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static SearchBoxObj* Box(int i) {
        return dynamic_cast<SearchBoxObj*>(theController->SearchBoxLinks().at(i));
    }

    SearchProfileFolder profile_;
    SearchOnlyFactory factory_;
    std::unique_ptr<AppController> controller_;
    AppController* previous_ = nullptr;
    FakeUiSeams seams_;
};

TEST_F(SearchControllerTest, TheControllerOpensCascadesAndClosesSearchWindows) {
    theController->OpenTextSearch("rain");
    theController->OpenSimilarSearch(SoundSignature{});
    ASSERT_EQ(theController->SearchBoxLinks().size(), 2u);
    SearchBoxObj* text = Box(0);
    SearchBoxObj* similar = Box(1);
    ASSERT_NE(text, nullptr);
    ASSERT_NE(similar, nullptr);
    EXPECT_EQ(text->Frame()->windowTitle(), "Text Search");
    EXPECT_EQ(text->Frame()->Form()->KeywordText(), "rain");
    EXPECT_EQ(similar->Frame()->windowTitle(), "Find Similar Sounds");
    // The second window was made while the first was held: one step further left.
    EXPECT_EQ(text->Frame()->geometry().left() - similar->Frame()->geometry().left(), 24);
    // Both are the remote searches' boxes too.
    EXPECT_EQ(theController->SearchBoxes().size(), 2u);
    EXPECT_EQ(theController->ResultLists().size(), 4u);

    // The user closes one window: the controller lets its box go.
    QPointer<SearchFrm> frame(text->Frame());
    frame->close();
    ASSERT_EQ(theController->SearchBoxLinks().size(), 1u);
    EXPECT_EQ(Box(0), similar);
    EXPECT_TRUE(PumpUntil([&] { return frame.isNull(); }));
    // Close-down asks the rest.
    EXPECT_TRUE(theController->QueryClose());
    EXPECT_TRUE(theController->SearchBoxLinks().empty());
}

} // namespace
