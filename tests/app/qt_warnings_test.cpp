// The widget test programs fail on the toolkit's warnings; a test asks for the one it causes on
// purpose.
#include <QtGlobal>
#include <gtest/gtest.h>

#include "tests/support_qt/qt_warnings.h"

namespace {

// (A warning nobody asked for fails the test that printed it; every test shows that one.)
TEST(QtWarnings, AWarningATestCausesOnPurposeIsExpectedByItsText) {
    ExpectQtWarning("on purpose");
    qWarning("a warning caused on purpose");
    EXPECT_TRUE(TakeQtWarnings().empty());
    EXPECT_TRUE(TakeMissingQtWarnings().empty());

    // Asked for and never printed: the test is told.
    ExpectQtWarning("never printed");
    EXPECT_EQ(TakeMissingQtWarnings(), std::vector<QString>{"never printed"});
}

} // namespace
