#pragma once
// The main window on the program's controller, whose Manage command makes the real box and
// window. Factory is the tool-window factory the test's other windows come from.
#include "tests/windows/manage/manage_fixture.h"

#include "app/app_controller.h"
#include "app/main_frame.h"
#include "tests/app/shell/shell_stand_ins.h"

#include <QCoreApplication>
#include <QPointer>
#include <gtest/gtest.h>
#include <memory>

template <class Factory>
class ManageOnMainWindow : public testing::Test {
protected:
    ManageOnMainWindow() : factory(log) {
        previous_ = theController;
        theController = &controller;
        controller.SetToolWindowFactory(&factory);
        factory.manageBoxes = [](IndexerBoxController& c) { return MakeManageBox(c); };
        frame = std::make_unique<CMainFrame>(&factory);
        controller.SetMainPanes(frame->TreeLink(), frame->PaneLink());
    }
    // In TearDown, not the destructor: what a test class adds (its seams) must still stand
    // while the windows close.
    void TearDown() override {
        QPointer<QWidget> manage = Manage();
        controller.SetMainPanes(nullptr, nullptr);
        frame.reset();
        theController = previous_;
        delete manage.data();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    IndexerBoxObj* Box() const { return dynamic_cast<IndexerBoxObj*>(controller.ManageBox()); }
    CatalogFrm* Manage() const {
        IndexerBoxObj* box = Box();
        return box != nullptr && box->Window() != nullptr
                   ? static_cast<CatalogFrm*>(box->Window()->Widget())
                   : nullptr;
    }

    ScopedProfileFolder profile;
    ShellLog log;
    Factory factory;
    AppController controller;
    std::unique_ptr<CMainFrame> frame;

private:
    AppController* previous_ = nullptr;
};
