#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <algorithm>

#include "app/app_controller.h"
#include "app/browser.h"
#include "app/commands.h"
#include "app/drawing.h"
#include "app/resources.h"
#include "app/settings.h"
#include "app/tambrel_app.h"
#include "app/tool_windows.h"

CMainFrame* theMainFrame = nullptr;

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QIcon ToolbarImage(int index) {
    // One strip of 16-pixel images; magenta is transparent.
    const QPixmap strip = ResourceBitmap(171);
    if (strip.isNull())
        return {};
    QPixmap image = strip.copy(index * 16, 0, 16, strip.height());
    image.setMask(image.createMaskFromColor(QColor(255, 0, 255)));
    return QIcon(image);
}

} // namespace

CMainFrame::CMainFrame(ToolWindowFactory* factory) {
    theMainFrame = this;
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QString::fromUtf8(kTitle));
    setAcceptDrops(true);

    BuildCommands();

    statusLabel_ = new QLabel(QString::fromUtf8(kIdlePromptText), this);
    statusLabel_->setObjectName(QStringLiteral("StatusPane"));
    statusBar()->setObjectName(QStringLiteral("0xE801"));
    statusBar()->addWidget(statusLabel_, 1);
    SetDefaultFont(statusBar()->font());

    BuildClient(factory);

    resize(800, 560);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        ApplyWindowPlacement(*this, LoadWindowPlacement("MainWindow", screen->availableGeometry()));
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    tip_.DestroyWindow();
    if (theMainFrame == this)
        theMainFrame = nullptr;
}

void CMainFrame::BuildCommands() {
    QMenu* menus[4] = {nullptr, menuBar()->addMenu(QStringLiteral("&File")),
                       menuBar()->addMenu(QStringLiteral("&Tools")),
                       menuBar()->addMenu(QStringLiteral("&Help"))};
    for (int m = 1; m < 4; ++m)
        connect(menus[m], &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });

    toolBar_ = addToolBar(QStringLiteral("Toolbar"));
    toolBar_->setObjectName(QStringLiteral("0xE800"));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar_->setIconSize(QSize(16, 16));

    for (const CommandDef& def : CommandTable()) {
        auto* action = new QAction(this);
        action->setObjectName(QString::number(def.id));
        if (*def.text != '\0')
            action->setText(Q(def.text));
        QList<QKeySequence> keys;
        for (const QString& key : QString::fromUtf8(def.keys).split(';', Qt::SkipEmptyParts))
            keys << QKeySequence(key, QKeySequence::PortableText);
        action->setShortcuts(keys);
        action->setStatusTip(Q(CommandStatusTip(def)));
        const std::string tip = CommandToolTip(def);
        if (!tip.empty())
            action->setToolTip(Q(tip));
        if (def.id == cmd::kShowTips || def.id == cmd::kToggleTabular)
            action->setCheckable(true);
        if (def.run != nullptr) {
            auto run = def.run;
            connect(action, &QAction::triggered, this, [this, run] {
                run(*this);
                UpdateCommandStates();
            });
        } else {
            action->setEnabled(false);
        }
        if (def.menu != CommandMenu::None) {
            QMenu* menu = menus[static_cast<int>(def.menu)];
            if (def.separatorBefore)
                menu->addSeparator();
            menu->addAction(action);
        } else {
            addAction(action); // keys work anywhere in the window
        }
    }
    // The toolbar's buttons in their order, with their own texts.
    std::vector<const CommandDef*> buttons;
    for (const CommandDef& def : CommandTable())
        if (def.toolbar != nullptr)
            buttons.push_back(&def);
    std::sort(buttons.begin(), buttons.end(),
              [](auto* a, auto* b) { return a->toolbarImage < b->toolbarImage; });
    for (const CommandDef* def : buttons) {
        QAction* action = Action(def->id);
        action->setIconText(QString::fromUtf8(def->toolbar));
        action->setIcon(ToolbarImage(def->toolbarImage));
        toolBar_->addAction(action);
        // A menu icon would crowd the menu texts.
        action->setIconVisibleInMenu(false);
    }
}

void CMainFrame::BuildClient(ToolWindowFactory* factory) {
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("0x") + QString::number(kPaneSplitterId, 16).toUpper());
    splitter_->setChildrenCollapsible(false);
    if (factory != nullptr) {
        ToolWindowFactory::CategoryTreePane tree = factory->NewCategoryTreePane(splitter_);
        ToolWindowFactory::ResultsPane results = factory->NewResultsPane(splitter_);
        leftPane_ = tree.widget;
        treeLink_ = tree.tree;
        rightPane_ = results.widget;
        paneLink_ = results.pane;
    }
    if (leftPane_ == nullptr)
        leftPane_ = new QWidget(splitter_);
    if (rightPane_ == nullptr)
        rightPane_ = new QWidget(splitter_);
    leftPane_->setObjectName(QStringLiteral("LeftPane"));
    rightPane_->setObjectName(QStringLiteral("RightPane"));
    splitter_->addWidget(leftPane_);
    splitter_->addWidget(rightPane_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({kTreeWidth, 600});
    // The smallest window keeps a few lines and a few words of each pane; a pane that knows
    // how narrow it can go (the tree, by its labels) keeps its own width.
    const QFontMetrics metrics(font());
    const int line = metrics.height() + 6;
    const int column = 12 * metrics.averageCharWidth();
    for (QWidget* pane : {leftPane_, rightPane_}) {
        pane->setMinimumHeight(std::max(pane->minimumHeight(), 4 * line));
        if (pane->minimumSizeHint().width() < column && pane->minimumWidth() < column)
            pane->setMinimumWidth(column);
    }
    setCentralWidget(splitter_);
    clientCreated_ = true;
}

void CMainFrame::SetTip(int stringId, const TipEntry* table, int count) {
    if (tip_.Window() != nullptr)
        tip_.DestroyWindow();
    if (stringId != 0)
        tip_.SetText(ResourceString(stringId), this, rightPane_, nullptr);
    else if (table != nullptr)
        tip_.SetEntries(table, count, this, rightPane_, nullptr);
}

void CMainFrame::SetStatusText(const std::string& text) {
    statusLabel_->setText(Q(text));
    // A prompt of the command under the pointer would hide the text until the pointer moves.
    statusBar()->clearMessage();
}

QString CMainFrame::StatusText() const {
    return statusLabel_->text();
}

std::string CMainFrame::HelpFolder() {
    const QString folder = QCoreApplication::applicationDirPath();
    if (folder.isEmpty())
        return {};
    return (folder + QStringLiteral("/hlp")).toStdString();
}

void CMainFrame::ShowHelpPage(const std::string& page) {
    const std::string folder = HelpFolder();
    if (folder.empty())
        return;
    LaunchHelpPage(folder + "/" + page);
}

QAction* CMainFrame::Action(int id) const {
    return findChild<QAction*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

void CMainFrame::RunCommand(int id) {
    if (QAction* action = Action(id); action != nullptr && action->isEnabled())
        action->trigger();
}

void CMainFrame::UpdateCommandStates() {
    if (QAction* a = Action(cmd::kShowTips))
        document_.UpdateShowTips(*a);
    if (QAction* a = Action(cmd::kToggleTabular))
        document_.UpdateToggleTabular(*a);
}

void CMainFrame::FocusNextPane(bool forward) {
    QWidget* panes[2] = {leftPane_, rightPane_};
    const bool inLeft = leftPane_ != nullptr && leftPane_->isAncestorOf(focusWidget());
    const bool inRight = rightPane_ != nullptr &&
                         (rightPane_ == focusWidget() || rightPane_->isAncestorOf(focusWidget()));
    int next = forward ? 0 : 1;
    if (inLeft || leftPane_ == focusWidget())
        next = 1;
    else if (inRight)
        next = 0;
    if (QWidget* pane = panes[next]) {
        QWidget* target = pane->focusProxy() != nullptr ? pane->focusProxy() : pane;
        if (target->focusPolicy() == Qt::NoFocus)
            if (QWidget* child = target->nextInFocusChain(); child && target->isAncestorOf(child))
                target = child;
        target->setFocus(Qt::OtherFocusReason);
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (theController != nullptr && !theController->QueryClose()) {
        event->ignore();
        return;
    }
    SaveWindowPlacement(*this, "MainWindow");
    tip_.DestroyWindow();
    event->accept();
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    tipAnchor_.Follow(event->type());
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    tipAnchor_.Follow(event->type());
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // A minimised window hides its tip; restoring brings it back.
    tipAnchor_.Follow(event->type());
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    if (OpenDroppedFiles(event->mimeData()->urls()))
        event->acceptProposedAction();
}

bool CMainFrame::OpenDroppedFiles(const QList<QUrl>& urls) {
    std::vector<std::string> paths;
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    for (const std::string& path : paths)
        if (theApp != nullptr)
            theApp->OpenDocumentFile(path);
    return !paths.empty();
}
