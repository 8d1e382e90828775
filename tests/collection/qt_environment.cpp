// The collection tests run with one QCoreApplication: task notices travel as posted events.
#include <QCoreApplication>
#include <QEvent>
#include <clocale>
#include <gtest/gtest.h>
#include <string>

namespace {

int argc = 1;
char name[] = "collection_tests";
char* argv[] = {name, nullptr};
// Not owned by the environment object: a test that ends the process with exit() (a fatal
// connection failure) skips TearDown, and the application must then outlive the exit handlers
// rather than be destroyed by them.
QCoreApplication* app = nullptr;

class QtCoreEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // Qt takes the locale from the environment; the catalog tests format and parse
        // numbers through the C library and must keep the locale they started with.
        std::string locale = std::setlocale(LC_ALL, nullptr);
        app = new QCoreApplication(argc, argv);
        std::setlocale(LC_ALL, locale.c_str());
    }
    void TearDown() override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete app;
        app = nullptr;
    }
};

[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtCoreEnvironment);

} // namespace
