// The Manage window as the main window's commands reach it: the Manage command brings back a
// minimised window, and an exit cancelled anywhere leaves it open as it was.
#include "tests/windows/manage/manage_main_window_fixture.h"

#include "app/app_controller.h"
#include "app/commands.h"
#include "app/main_frame.h"
#include "tests/app/shell/shell_stand_ins.h"

#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

// An editor with unsaved changes whose question the user answers with Cancel while refuses
// is set.
class AskingEditor : public FakeEditorBox {
public:
    using FakeEditorBox::FakeEditorBox;
    bool AskClose() override {
        ++asked;
        return !refuses;
    }
    bool Close(bool closeWindow) override {
        if (refuses) {
            ++asked;
            return false;
        }
        return FakeEditorBox::Close(closeWindow);
    }
    bool refuses = true;
    int asked = 0;
};

class AskingEditors : public FakeFactory {
public:
    using FakeFactory::FakeFactory;
    std::unique_ptr<EditorBoxLink> NewEditorBox() override {
        auto box = std::make_unique<AskingEditor>(log_, "editor");
        editor = box.get();
        return box;
    }
    ShellLog log_;
    AskingEditor* editor = nullptr;
};

class ManageFromMainWindow : public ManageOnMainWindow<AskingEditors> {
protected:
    void ShowMainWindow() {
        frame->show();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    }
    void Press(Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(frame->windowHandle(), key, mods);
    }
    void ClickToolbarManage() {
        auto* toolbar = frame->findChild<QToolBar*>("0xE800");
        ASSERT_NE(toolbar, nullptr);
        QWidget* button = toolbar->widgetForAction(frame->Action(cmd::kManage));
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(frame->windowHandle(), Qt::LeftButton, {},
                          button->mapTo(frame.get(), button->rect().center()));
    }
    // Alt+<menu key>, then the item's key, as a user picks a menu entry by keys.
    void PickByKeys(Qt::Key menu, const std::vector<Qt::Key>& keys) {
        Press(menu, Qt::AltModifier);
        ASSERT_TRUE(QTest::qWaitFor(
            [] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; }));
        for (Qt::Key key : keys)
            QTest::keyClick(QApplication::activePopupWidget()->windowHandle(), key);
    }

    FakeUiSeams seams;
};

TEST_F(ManageFromMainWindow, TheManageCommandBringsBackAMinimisedManageWindow) {
    ShowMainWindow();
    ClickToolbarManage();
    ASSERT_TRUE(QTest::qWaitFor([this] { return Manage() != nullptr && Manage()->isVisible(); }));
    CatalogFrm* manage = Manage();

    struct Way {
        const char* name;
        std::function<void()> press;
    };
    const Way ways[] = {
        {"toolbar", [this] { ClickToolbarManage(); }},
        {"Alt+T, Down, Enter", [this] { PickByKeys(Qt::Key_T, {Qt::Key_Down, Qt::Key_Return}); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        manage->showMinimized();
        ASSERT_TRUE(QTest::qWaitFor([manage] { return manage->isMinimized(); }));
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        way.press();
        EXPECT_TRUE(QTest::qWaitFor([manage] { return QApplication::activeWindow() == manage; }));
        EXPECT_FALSE(manage->isMinimized());
        EXPECT_TRUE(manage->isVisible());
        EXPECT_EQ(Manage(), manage); // the same window, not a new one
    }
}

TEST_F(ManageFromMainWindow, AnExitCancelledInAnEditorLeavesTheManageWindowAsItWas) {
    ShowMainWindow();
    ClickToolbarManage();
    ASSERT_TRUE(QTest::qWaitFor([this] { return Manage() != nullptr && Manage()->isVisible(); }));
    CatalogFrm* manage = Manage();
    TempFolder folder;
    const std::string sound = folder.Path("a.wav");
    ASSERT_TRUE(RunSox("-n -r 8000 -c 1 -b 16 '" + sound + "' synth 0.2 sine 440"));
    ASSERT_TRUE(manage->ListView().AddFileRow(sound, false));
    Box()->SetPending(true); // a typed cell not yet stored
    ASSERT_TRUE(controller.OpenFile(sound));
    ASSERT_NE(factory.editor, nullptr);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));

    // File > Exit; Manage's question answered Yes, the editor's Cancel.
    seams.boxAnswer = MessageAnswer::Yes;
    PickByKeys(Qt::Key_F, {Qt::Key_X});
    EXPECT_TRUE(frame->isVisible());
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "Close without completing the update?");
    EXPECT_EQ(factory.editor->asked, 1);
    EXPECT_EQ(Manage(), manage);
    EXPECT_TRUE(manage->isVisible());
    EXPECT_EQ(manage->ListView().RowCount(), 1);
    EXPECT_TRUE(Box()->IsPending());

    // Asked again, everyone agrees: every window goes, each asked once more.
    factory.editor->refuses = false;
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    PickByKeys(Qt::Key_F, {Qt::Key_X});
    EXPECT_EQ(seams.boxes.size(), 2u);
    EXPECT_EQ(controller.ManageBox(), nullptr);
    EXPECT_TRUE(controller.EditorBoxes().empty());
    EXPECT_FALSE(frame->isVisible());
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace
