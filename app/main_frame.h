#pragma once
// The main window: menus, toolbar and status bar from the one command table, a splitter with
// the category tree (left) and the main result list (right), and the window's tip.

#include <QMainWindow>
#include <QPointer>
#include <string>

#include "app/tip_anchor.h"
#include "app/tip_wnd.h"
#include "app/verizuder_doc.h"

class QAction;
class QUrl;
class QLabel;
class QSplitter;
class QToolBar;
class ToolWindowFactory;
class CategoryTreeLink;
class MainResultsPaneLink;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Corvessa Tambrel";
    static constexpr int kTreeWidth = 200;

    // Sets theMainFrame; builds menus, toolbar, status bar and (with a factory) the panes.
    explicit CMainFrame(ToolWindowFactory* factory = nullptr);
    ~CMainFrame() override;

    // id not 0: the string-table text; 0 with a table: its entries; 0 without: empty.
    void SetTip(int stringId, const TipEntry* table, int count);
    void SetStatusText(const std::string& text);
    // Opens hlp/<page> beside the program through the browser seam.
    void ShowHelpPage(const std::string& page);
    TipWnd& Tip() { return tip_; }
    VERIzuderDoc& Document() { return document_; }
    QWidget* RightPane() const { return rightPane_; }
    QWidget* LeftPane() const { return leftPane_; }
    QSplitter* Splitter() const { return splitter_; }
    bool ClientCreated() const { return clientCreated_; }
    CategoryTreeLink* TreeLink() const { return treeLink_; }
    MainResultsPaneLink* PaneLink() const { return paneLink_; }
    QToolBar* ToolBar() const { return toolBar_; }
    // The action of a command id (its objectName is the id); null when there is none.
    QAction* Action(int id) const;
    // Runs a command as its menu item, key or button would.
    void RunCommand(int id);
    // The text shown in the status bar's one pane.
    QString StatusText() const;
    // Sets every action's enabled and checked state from the controller.
    void UpdateCommandStates();
    // Gives the keyboard focus to the next (or previous) pane of the splitter.
    void FocusNextPane(bool forward);
    // Files dropped from other programs: each local file is handed to the application, as a
    // file on the command line would be. False when none was a local file.
    bool OpenDroppedFiles(const QList<QUrl>& urls);
    // The folder "hlp" beside the program.
    static std::string HelpFolder();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildCommands();
    void BuildClient(ToolWindowFactory* factory);

    VERIzuderDoc document_;
    TipWnd tip_;
    TipAnchor tipAnchor_{*this, tip_, TipAnchor::Rules{}};
    QSplitter* splitter_ = nullptr;
    QWidget* leftPane_ = nullptr;
    QWidget* rightPane_ = nullptr;
    CategoryTreeLink* treeLink_ = nullptr;
    MainResultsPaneLink* paneLink_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    bool clientCreated_ = false;
};

// Set by the main frame's constructor, cleared by its destructor.
extern CMainFrame* theMainFrame;
