// An editor box on a catalog of the test's own (SQLite), with the real controller's catalog
// edits, the hand-driven audio device, and message boxes and dialogs answered in turn.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QSettings>
#include <QTest>
#include <QToolBar>
#include <QWindow>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app_controller.h"
#include "app/ui_seams.h"
#include "collection/catalog_db.h"
#include "collection/catalog_message.h"
#include "editor/window/audio_file_frm.h"
#include "editor/window/audio_file_view.h"
#include "editor/window/property_box.h"
#include "platform/hand_clock_device.h"
#include "platform/ui_dispatcher.h"
#include "tests/collection/db/catalog_fixture.h"
#include "tests/support/sox_files.h"

// Message boxes get the next queued answer (Ok, or No for questions, when none is left);
// file dialogs the next queued path and filter.
class QueuedUiSeams : public UiSeams {
public:
    struct Box {
        std::string text, caption;
        MessageButtons buttons;
        MessageIcon icon;
    };
    QueuedUiSeams() { previous_ = InstallUiSeams(this); }
    ~QueuedUiSeams() override { InstallUiSeams(previous_); }
    MessageAnswer MessageBox(QWidget*, const std::string& text, const std::string& caption,
                             MessageButtons buttons, MessageIcon icon) override {
        boxes.push_back({text, caption, buttons, icon});
        if (!answers.empty()) {
            const MessageAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    }
    bool FileDialog(QWidget*, FileDialogRequest& request) override {
        dialogs.push_back(request);
        if (paths.empty())
            return false;
        request.path = paths.front().first;
        request.filterIndex = paths.front().second;
        paths.pop_front();
        return true;
    }
    bool FolderDialog(QWidget*, const std::string&, std::string&) override { return false; }
    bool OpenUrl(const std::string&) override { return false; }

    std::vector<Box> boxes;
    std::deque<MessageAnswer> answers;
    std::vector<FileDialogRequest> dialogs;
    std::deque<std::pair<std::string, int>> paths; // path, filter (1 AIFF, 2 AU, 3 WAVE)

private:
    UiSeams* previous_ = nullptr;
};

class EditorWindowTest : public CatalogTest {
protected:
    void SetUp() override {
        CatalogTest::SetUp();
        // The settings the windows write stay in the test's folder.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(folder.Path("settings")));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(folder.Path("settings")));
        previousSystem_ = SetAudioSystem(&devices);
        previousDispatcher_ = SetUiDispatcher(&dispatcher);
        previousHook_ = SetCatalogMessageHook([](const char*) {});
        catalog_ = std::make_unique<CatalogDbObj>(dsn);
        previousCatalog_ = theCatalogDb;
        theCatalogDb = catalog_.get();
        previousController_ = theController;
        controller_ = std::make_unique<AppController>();
        theController = controller_.get();
        previousRunner_ = AudioFileView::DialogRunner();
        AudioFileView::DialogRunner() = [this](QDialog& dialog) {
            ++dialogsRun;
            return answerDialog ? answerDialog(dialog) : int(QDialog::Rejected);
        };
    }
    void TearDown() override {
        box.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EP_AudioFileEditor::FreeClipboard();
        AudioFileView::DialogRunner() = previousRunner_;
        theController = previousController_;
        controller_.reset();
        theCatalogDb = previousCatalog_;
        catalog_.reset();
        SetCatalogMessageHook(previousHook_);
        SetUiDispatcher(previousDispatcher_);
        SetAudioSystem(previousSystem_);
        CatalogTest::TearDown();
    }

    // A sox-made file in the test's folder.
    std::string Sox(const std::string& name, const std::string& format,
                    const std::string& effects = "synth 1 sine 440 sine 660") {
        const std::string path = folder.Path(name);
        EXPECT_TRUE(RunSox("-n " + format + " " + path + " " + effects));
        return path;
    }
    std::string Tone(const std::string& name = "tone.wav") {
        return Sox(name, "-r 8000 -c 2 -b 16");
    }
    PropertyBoxObj& Open(const std::string& path) {
        box = std::make_unique<PropertyBoxObj>();
        EXPECT_TRUE(box->OpenFile(path));
        return *box;
    }
    AudioFileFrm& Frame() { return *box->frame; }
    AudioFileView& View() { return *box->frame->View(); }
    void Select(double start, double end) { box->app.SetCursor(start, end - start, 0); }
    // Catalogues the file as it is on disk.
    void Catalogue(const std::string& path, bool pitchVariations) {
        PropertyBoxObj first;
        ASSERT_TRUE(first.OpenFile(path));
        first.SaveToCollection(pitchVariations);
        ASSERT_TRUE(theCatalogDb->IsInCatalog(path));
    }

    TempFolder folder;
    QueuedUiSeams seams;
    HandClockAudioSystem devices;
    QueuedUiDispatcher dispatcher;
    std::unique_ptr<PropertyBoxObj> box;
    std::function<int(QDialog&)> answerDialog;
    int dialogsRun = 0;

private:
    std::unique_ptr<CatalogDbObj> catalog_;
    std::unique_ptr<AppController> controller_;
    CatalogDbObj* previousCatalog_ = nullptr;
    AppController* previousController_ = nullptr;
    CatalogMessageHook previousHook_ = nullptr;
    AudioSystem* previousSystem_ = nullptr;
    UiDispatcher* previousDispatcher_ = nullptr;
    std::function<int(QDialog&)> previousRunner_;
};

// The editor pressed as the window system presses it: mouse and keys go to the top-level
// window at a control's drawn position, never to a handler.
class EditorByInput : public EditorWindowTest {
protected:
    QWindow* Window() { return Frame().windowHandle(); }
    QPoint At(QWidget* widget, QPoint local) { return widget->mapTo(&Frame(), local); }
    void Click(QWidget* widget) {
        ASSERT_NE(widget, nullptr);
        ASSERT_TRUE(widget->isVisible() && widget->isEnabled())
            << widget->objectName().toStdString();
        QTest::mouseClick(Window(), Qt::LeftButton, {}, At(widget, widget->rect().center()));
        QCoreApplication::processEvents();
    }
    void ShowActive() {
        Frame().show();
        Frame().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    }
    // Drags across the waveform from one fraction of its width to another.
    void DragSelect(double from, double to) {
        QWidget* wave = View().findChild<QWidget*>("waveform");
        ASSERT_NE(wave, nullptr);
        const int y = wave->height() / 2;
        const QPoint a = At(wave, QPoint(int(wave->width() * from), y));
        const QPoint b = At(wave, QPoint(int(wave->width() * to), y));
        QTest::mousePress(Window(), Qt::LeftButton, {}, a);
        QTest::mouseMove(Window(), (a + b) / 2);
        QTest::mouseMove(Window(), b);
        QTest::mouseRelease(Window(), Qt::LeftButton, {}, b);
        QCoreApplication::processEvents();
    }
    QWidget* ToolbarButton(int command) {
        auto* bar = Frame().findChild<QToolBar*>("toolbar");
        return bar != nullptr ? bar->widgetForAction(Frame().CommandAction(command)) : nullptr;
    }
};
