#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>

#include "app/app_controller.h"
#include "app/resources.h"

CMainFrame* theMainFrame = nullptr;

CMainFrame::CMainFrame(ToolWindowFactory* factory) {
    theMainFrame = this;
    setWindowTitle(QString::fromUtf8(kTitle));
    statusLabel_ = new QLabel(this);
    statusBar()->addWidget(statusLabel_, 1);
    BuildCommands();
    BuildClient(factory);
}

CMainFrame::~CMainFrame() {
    tip_.DestroyPopup();
    if (theMainFrame == this)
        theMainFrame = nullptr;
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
    statusLabel_->setText(QString::fromStdString(text));
}

QString CMainFrame::StatusText() const {
    return statusLabel_->text();
}

void CMainFrame::ShowHelpPage(const std::string&) {}

QAction* CMainFrame::Action(int id) const {
    return findChild<QAction*>(QString::number(id));
}

void CMainFrame::RunCommand(int id) {
    if (QAction* action = Action(id))
        action->trigger();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (theController != nullptr && !theController->QueryClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
}

bool CMainFrame::event(QEvent* event) {
    return QMainWindow::event(event);
}

void CMainFrame::BuildCommands() {}

void CMainFrame::BuildClient(ToolWindowFactory* factory) {
    splitter_ = new QSplitter(Qt::Horizontal, this);
    (void)factory;
    setCentralWidget(splitter_);
}

void CMainFrame::UpdateCommandStates() {}
