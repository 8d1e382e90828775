#include "tests/windows/category/category_tree_fixture.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>

#include "collection/search_criteria.h"

void CategoryTreeTest::SetUp() {
    CatalogTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    for (int cls = 1; cls <= 3; ++cls)
        ASSERT_EQ(theSoundCategoryTree.FileCount(cls, {}, {}), 0) << "counts left by another test";
    previousHook_ = SetCatalogMessageHook([](const char* text) { ADD_FAILURE() << text; });
    catalog_ = std::make_unique<CatalogDbObj>(dsn);
    previousCatalog_ = theCatalogDb;
    theCatalogDb = catalog_.get();
    controller_ = std::make_unique<AppController>();
    previousController_ = theController;
    theController = controller_.get();
    controller_->SetToolWindowFactory(&factory_);
    auto host = std::make_unique<RecordingTreeHost>();
    host_ = host.get();
    view_.reset(LocalFilesView::Create(std::move(host), nullptr));
    view_->resize(320, 640);
    controller_->SetMainPanes(view_.get(), nullptr);
}

void CategoryTreeTest::TearDown() {
    if (catalog_) {
        // Every file leaves through the controller, which brings the taxonomy's counts back
        // to nothing when they were kept in step all along.
        SearchCriteria all;
        all.ownPitchOnly = 1;
        int hits = 0;
        std::unique_ptr<DB_query_result> result = catalog_->RunQuery(all, hits);
        std::vector<SoundFileObj> files(static_cast<std::size_t>(hits));
        for (int i = 0; i < hits; ++i)
            catalog_->FetchFile(*result, i, files[static_cast<std::size_t>(i)]);
        for (const SoundFileObj& file : files)
            controller_->RemoveCatalogFile(file);
        for (int cls = 1; cls <= 3; ++cls)
            EXPECT_EQ(theSoundCategoryTree.FileCount(cls, {}, {}), 0) << "class " << cls;
        modelTester_.reset();
        controller_->SetMainPanes(nullptr, nullptr);
        view_.reset();
        theController = previousController_;
        controller_.reset();
        theCatalogDb = previousCatalog_;
        catalog_.reset();
        SetCatalogMessageHook(previousHook_);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    CatalogTest::TearDown();
}

void CategoryTreeTest::Add(const std::string& name, int cls, const std::string& category,
                           const std::string& subCategory, int pitches, int format) {
    SoundFileObj file;
    file.path = "/sounds/" + name;
    file.sampleRate = 44100;
    file.format = format;
    file.channels = 1;
    file.duration = 1000;
    file.soundClass = cls;
    file.category = category;
    file.subcategory = subCategory;
    file.description = name;
    std::vector<SoundVariantObj> variants(static_cast<std::size_t>(pitches));
    const unsigned char points[5] = {1, 200, 30, 40, 50};
    for (int i = 0; i < pitches; ++i) {
        SoundVariantObj& v = variants[static_cast<std::size_t>(i)];
        v.sampleRate = 44100 * (i + 1);
        v.duration = 1000 / (i + 1);
        v.key = 13;
        v.bpm = -1;
        v.SetData(points, sizeof points);
    }
    ASSERT_TRUE(controller_->AddCatalogFile(file, variants)) << name;
}

void CategoryTreeTest::Start() {
    if (!factory_.list)
        controller_->Startup();
    ASSERT_NE(factory_.list, nullptr);
    modelTester_ = std::make_unique<QAbstractItemModelTester>(
        view_->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    view_->expandAll();
    view_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
}

std::string CategoryTreeTest::Filed(const std::string& name) {
    SoundFileObj file;
    if (!catalog_->GetFileByPath("/sounds/" + name, file))
        return "not catalogued";
    return std::to_string(file.soundClass) + "/" + file.category + "/" + file.subcategory;
}

namespace {
void Dump(const QTreeWidgetItem* item, int depth, std::string& out) {
    out += std::string(static_cast<std::size_t>(depth), '-') + item->text(0).toStdString() +
           (LocalFilesView::ItemData(item) == 1 ? "*" : "") + "\n";
    for (int i = 0; i < item->childCount(); ++i)
        Dump(item->child(i), depth + 1, out);
}
} // namespace

std::string CategoryTreeTest::Tree() const {
    std::string out;
    for (int i = 0; i < view_->topLevelItemCount(); ++i)
        Dump(view_->topLevelItem(i), 0, out);
    return out;
}

QPoint CategoryTreeTest::Centre(QTreeWidgetItem* item) const {
    view_->scrollToItem(item);
    return view_->visualItemRect(item).center();
}

void CategoryTreeTest::Click(QTreeWidgetItem* item) {
    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, Centre(item));
}

Qt::DropAction CategoryTreeTest::DragOver(QTreeWidgetItem* item, const QMimeData& data) {
    const QPoint at = Centre(item);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view_->viewport(), &enter);
    if (!enter.isAccepted())
        return Qt::IgnoreAction;
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view_->viewport(), &move);
    return move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
}

void CategoryTreeTest::Drop(QTreeWidgetItem* item, const QMimeData& data) {
    ASSERT_EQ(DragOver(item, data), Qt::CopyAction);
    QDropEvent drop(QPointF(Centre(item)), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                    {});
    QCoreApplication::sendEvent(view_->viewport(), &drop);
}
