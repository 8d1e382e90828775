// A category far longer than a page, shown through the controller with the main window's
// busy tip: a click on the tip once the first page is in stops the reading there.

#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "app/app_controller.h"
#include "app/main_frame.h"
#include "collection/catalog_db.h"
#include "tests/app/indexer_stand_ins.h"
#include "tests/app/shell/shell_stand_ins.h"

namespace {

class CategoryBatchesTest : public IndexerCatalogTest {};

TEST_P(CategoryBatchesTest, AClickAfterTheFirstPageKeepsTheRowsReadSoFarInOrder) {
    ScopedProfileFolder profile;
    FakeTree tree;
    ShellLog log;
    FakeFactory factory(log);
    AppController controller;
    controller.SetMainPanes(&tree, nullptr);
    controller.SetToolWindowFactory(&factory);
    AppController* previous = theController;
    theController = &controller;
    {
        CMainFrame frame(&factory);
        frame.show();
        controller.Startup();
        for (int i = 0; i < 250; ++i) {
            SoundFileObj f;
            f.path = folder_.Path("f" + std::to_string(i) + ".wav");
            f.sampleRate = 44100;
            f.format = 1;
            f.soundClass = 1;
            f.category = "Animals";
            SoundVariantObj v;
            v.sampleRate = 44100;
            v.duration = 1000;
            const unsigned char points[5] = {1, 200, 10, 20, 30};
            v.SetData(points, 5);
            ASSERT_TRUE(controller.AddCatalogFile(f, {v})) << testing::PrintToString(shown());
        }
        FakeResultsList& list = *factory.mainList;
        controller.ShowCategory(1, "Animals", "", true);
        ASSERT_EQ(list.rows.Count(), 250);
        const std::vector<std::string> all = list.inserted;

        // Timers run in the pump between reads; the click comes at the second one.
        int pumps = 0;
        QTimer clicker;
        clicker.setInterval(0);
        QObject::connect(&clicker, &QTimer::timeout, [&] {
            if (++pumps == 2 && frame.Tip().Window() != nullptr)
                QTest::mouseClick(frame.Tip().Window(), Qt::LeftButton);
        });
        clicker.start();
        list.inserted.clear();
        list.refreshes.clear();
        controller.ShowCategory(1, "Animals", "", true);
        clicker.stop();
        const int kept = list.rows.Count();
        EXPECT_GT(kept, 1);
        EXPECT_LT(kept, 250);
        EXPECT_EQ(list.inserted, std::vector<std::string>(all.begin(), all.begin() + kept));
        // The first page was drawn while reading, and the rows kept once more at the end.
        EXPECT_EQ(list.refreshes.size(), 2u);
        EXPECT_TRUE(shown().empty());
        controller.QueryClose();
    }
    theController = previous;
}

} // namespace

INSTANTIATE_ON_SQLITE(CategoryBatchesTest);
