#pragma once
// The application object: start-up, files handed to the program, the idle pass and the
// window classes' icons. Everything else lives in the controller.

#include <QIcon>
#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "audio/engine/auditioner.h"

class CMainFrame;
class InitializeWnd;
class ToolWindowFactory;

// What the command line asks for: the first parameter that is not a flag is the file to
// open; every ".tmi" parameter (exact, case-sensitive) is also the pending import.
struct TambrelCommandLine {
    std::string file;
    std::string pendingImport;
};
TambrelCommandLine ParseTambrelCommandLine(const std::vector<std::string>& arguments);

class VERIzuderApp : public QObject {
    Q_OBJECT
public:
    // The kinds of tool window, each with its icon.
    enum WindowClass {
        kTextSearchClass,
        kSimilarSearchClass,
        kManageClass,
        kEditorClass,
        kTipClass
    };
    static int WindowClassIconId(WindowClass windowClass);
    static QIcon WindowClassIcon(WindowClass windowClass);

    struct Options {
        bool splash = true;
    };

    VERIzuderApp();
    ~VERIzuderApp() override;

    // The start-up sequence; false ends the program. The controller and the catalog exist.
    bool InitInstance(const std::vector<std::string>& arguments, const Options& options);
    bool InitInstance(const std::vector<std::string>& arguments) {
        return InitInstance(arguments, Options{});
    }

    // A file handed to the program (command line, drop): a ".tmi" is imported, anything else
    // opened in an editor; before start-up has finished both wait.
    void OpenDocumentFile(const std::string& path);
    // One idle pass of the user-interface thread.
    void OnIdle();
    // A warning of a lower layer, in a message box with the exclamation icon.
    void ShowWarning(const std::string& text);

    bool Ready() const { return ready_; }
    const std::vector<std::string>& QueuedFiles() const { return queued_; }
    CMainFrame* MainFrame() const { return mainFrame_.get(); }
    // Closes and destroys the main frame (close-down, or a test's end).
    void DestroyMainFrame();

private:
    void EnsureMainFrame();

    bool ready_ = false;
    std::vector<std::string> queued_;
    std::unique_ptr<CMainFrame> mainFrame_;
    QMetaObject::Connection idle_;
};

class AppController;
class CatalogDbObj;

// The program's global objects, built in their order once the QApplication exists and
// destroyed in reverse: the application object, the catalog connection (a failure shows
// "Could not connect to ODBC data source '<name>'" and ends the process with status 255),
// then the controller. The taxonomy, the web task manager, the service objects, the task
// window and the file-system items are plain statics that need no set-up.
class TambrelGlobals {
public:
    explicit TambrelGlobals(const std::string& dataSource = "Quillnest",
                            PN_PreviewFileOpener opener = {});
    ~TambrelGlobals();
    TambrelGlobals(const TambrelGlobals&) = delete;
    TambrelGlobals& operator=(const TambrelGlobals&) = delete;

private:
    std::unique_ptr<QObject> actionMarker_;
    std::unique_ptr<VERIzuderApp> app_;
    std::unique_ptr<CatalogDbObj> catalog_;
    std::unique_ptr<AppController> controller_;
};

// The catalog's messages in a message box and on standard error. What the user does in the
// box (its OK, its Escape) is part of the action that raised it, not a new one.
void ShowCatalogMessageBox(const char* text);

// Set while the application object lives.
extern VERIzuderApp* theApp;
// A metadata file to import once start-up has finished.
extern std::string thePendingImportPath;
