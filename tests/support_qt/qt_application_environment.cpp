// Every test of a widget test program (app, editor, windows) runs with one QApplication on
// the offscreen platform, and fails on any warning the toolkit prints that it did not expect.
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "tests/support_qt/qt_warnings.h"

namespace {

// Runs after each test (end events go to the listeners in reverse order, so before the
// result is printed): the test fails on the warnings it caused.
class QtWarningCheck : public ::testing::EmptyTestEventListener {
public:
    void OnTestEnd(const ::testing::TestInfo&) override {
        const std::vector<std::string> warnings = TakeQtWarnings();
        if (!warnings.empty())
            ADD_FAILURE() << "the toolkit warned during the test:\n"
                          << DescribeQtWarnings(warnings);
        for (const QString& text : TakeMissingQtWarnings())
            ADD_FAILURE() << "an expected toolkit warning never came: " << text.toStdString();
    }
};

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // Never look for a display, whatever the calling shell has.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // A session has a private runtime folder; a test run started without one gets its own.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime_.isValid())
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
        RecordQtWarnings();
        app_ = std::make_unique<QApplication>(argc_, argv_);
        ::testing::UnitTest::GetInstance()->listeners().Append(new QtWarningCheck);
        FailOnWarnings("while the application started");
    }
    void TearDown() override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        app_.reset();
        FailOnWarnings("after the last test");
    }

private:
    static void FailOnWarnings(const char* when) {
        const std::vector<std::string> warnings = TakeQtWarnings();
        if (!warnings.empty())
            ADD_FAILURE() << "the toolkit warned " << when << ":\n"
                          << DescribeQtWarnings(warnings);
    }

    int argc_ = 1;
    char name_[16] = "widget_tests";
    char* argv_[2] = {name_, nullptr};
    QTemporaryDir runtime_; // made with the owner's rights only, as the runtime folder must be
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
