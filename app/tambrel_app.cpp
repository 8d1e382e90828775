#include "app/tambrel_app.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>

#include "app/app_controller.h"
#include "app/initialize_wnd.h"
#include "app/main_frame.h"
#include "app/resources.h"
#include "app/tip_wnd.h"
#include "app/ui_seams.h"

#include "audio/general_helpers.h"
#include "collection/catalog_db.h"
#include "collection/catalog_message.h"
#include "collection/remote/remote_query.h"
#include "collection/sound_category_tree.h"
#include <cstdio>

VERIzuderApp* theApp = nullptr;
std::string thePendingImportPath;

namespace {

// Catalog message boxes open now.
int openCatalogBoxes = 0;

// Marks where each of the user's actions begins for the catalog: a press of a mouse button
// or a key, as the window system hands it to a window. Input to a catalog message box
// belongs to the action that raised the box.
class CatalogActionMarker : public QObject {
public:
    bool eventFilter(QObject* target, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
            if (openCatalogBoxes == 0 && target->isWindowType())
                BeginCatalogUserAction();
            break;
        default:
            break;
        }
        return false;
    }
};

bool IsMetadataFile(const std::string& path) {
    // Only the exact lower-case extension marks a metadata file.
    return GetFileExtension(path) == ".tmi";
}

} // namespace

TambrelCommandLine ParseTambrelCommandLine(const std::vector<std::string>& arguments) {
    TambrelCommandLine line;
    for (const std::string& arg : arguments) {
        // Paths start with '/' here, so only '-' marks a flag.
        const bool flag = arg.size() > 1 && arg[0] == '-';
        if (!flag && line.file.empty())
            line.file = arg;
        if (IsMetadataFile(arg))
            line.pendingImport = arg;
    }
    return line;
}

int VERIzuderApp::WindowClassIconId(WindowClass windowClass) {
    static const int kIcons[] = {235, 282, 237, 238, 0};
    return kIcons[windowClass];
}

QIcon VERIzuderApp::WindowClassIcon(WindowClass windowClass) {
    const int id = WindowClassIconId(windowClass);
    return id != 0 ? QIcon(ResourceIcon(id)) : QIcon();
}

VERIzuderApp::VERIzuderApp() {
    theApp = this;
}

VERIzuderApp::~VERIzuderApp() {
    DestroyMainFrame();
    if (theApp == this)
        theApp = nullptr;
}

bool VERIzuderApp::InitInstance(const std::vector<std::string>& arguments, const Options& options) {
    std::unique_ptr<InitializeWnd> splash = std::make_unique<InitializeWnd>();
    if (NetStartup() != 0) {
        ShowMessageBox(nullptr, ResourceString(kNoSocketsString), {}, MessageButtons::Ok,
                       MessageIcon::None);
        return false;
    }
    const TambrelCommandLine line = ParseTambrelCommandLine(arguments);
    if (!line.pendingImport.empty())
        thePendingImportPath = line.pendingImport;
    if (theCatalogDb != nullptr)
        theCatalogDb->BuildShadowTables(0);
    if (options.splash)
        splash->ShowSplash();
    if (theCatalogDb != nullptr)
        theSoundCategoryTree.LoadCounts(*theCatalogDb);
    if (options.splash)
        splash->WaitAndHide();

    if (!line.file.empty())
        OpenDocumentFile(line.file);
    else
        EnsureMainFrame();
    if (!mainFrame_)
        return false;
    mainFrame_->show();
    if (theController != nullptr) {
        theController->SetMainPanes(mainFrame_->TreeLink(), mainFrame_->PaneLink());
        theController->Startup();
        mainFrame_->UpdateCommandStates();
    }
    ready_ = true;
    // Opening a file may hand over another: take the queue first.
    const std::vector<std::string> queued = std::move(queued_);
    queued_.clear();
    for (const std::string& path : queued)
        if (theController != nullptr)
            theController->OpenFile(path);
    if (!thePendingImportPath.empty() && theController != nullptr) {
        const std::string path = thePendingImportPath;
        thePendingImportPath.clear();
        theController->ImportMetadata(&path);
    }
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        idle_ = connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                        &VERIzuderApp::OnIdle);
    return true;
}

void VERIzuderApp::EnsureMainFrame() {
    if (!mainFrame_)
        mainFrame_ =
            std::make_unique<CMainFrame>(theController ? theController->Factory() : nullptr);
}

void VERIzuderApp::OpenDocumentFile(const std::string& path) {
    EnsureMainFrame();
    if (IsMetadataFile(path)) {
        if (ready_ && theController != nullptr)
            theController->ImportMetadata(&path);
        else
            thePendingImportPath = path;
        return;
    }
    if (ready_ && theController != nullptr)
        theController->OpenFile(path);
    else
        queued_.push_back(path);
}

void VERIzuderApp::OnIdle() {
    if (theController != nullptr)
        theController->CheckAuditionEnded();
}

void VERIzuderApp::ShowWarning(const std::string& text) {
    ShowMessageBox(mainFrame_.get(), text, {}, MessageButtons::Ok, MessageIcon::Exclamation);
}

void VERIzuderApp::DestroyMainFrame() {
    disconnect(idle_);
    mainFrame_.reset();
}

void ShowCatalogMessageBox(const char* text) {
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
    ++openCatalogBoxes;
    ShowMessageBox(nullptr, text, {}, MessageButtons::Ok, MessageIcon::Exclamation);
    --openCatalogBoxes;
}

TambrelGlobals::TambrelGlobals(const std::string& dataSource, PN_PreviewFileOpener opener) {
    if (QCoreApplication* application = QCoreApplication::instance()) {
        actionMarker_ = std::make_unique<CatalogActionMarker>();
        application->installEventFilter(actionMarker_.get());
    }
    app_ = std::make_unique<VERIzuderApp>();
    catalog_ = std::make_unique<CatalogDbObj>(dataSource);
    theCatalogDb = catalog_.get();
    controller_ = opener ? std::make_unique<AppController>(std::move(opener))
                         : std::make_unique<AppController>();
    theController = controller_.get();
    // Tip windows show only while the controller's ShowTips is on.
    TipWnd::SetShowTipsSource([] { return theController == nullptr || theController->ShowTips; });
    thePendingImportPath.clear();
}

TambrelGlobals::~TambrelGlobals() {
    if (app_)
        app_->DestroyMainFrame();
    thePendingImportPath.clear();
    TipWnd::SetShowTipsSource({});
    theController = nullptr;
    controller_.reset();
    theCatalogDb = nullptr;
    catalog_.reset();
    app_.reset();
    actionMarker_.reset();
}
