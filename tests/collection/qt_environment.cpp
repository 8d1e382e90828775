// The collection tests run with one QCoreApplication: task notices travel as posted events.
#include <QCoreApplication>
#include <QEvent>
#include <clocale>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

class QtCoreEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // Qt takes the locale from the environment; the catalog tests format and parse
        // numbers through the C library and must keep the locale they started with.
        std::string locale = std::setlocale(LC_ALL, nullptr);
        app_ = std::make_unique<QCoreApplication>(argc_, argv_);
        std::setlocale(LC_ALL, locale.c_str());
    }
    void TearDown() override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        app_.reset();
    }

private:
    int argc_ = 1;
    char name_[24] = "collection_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> app_;
};

[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtCoreEnvironment);

} // namespace
