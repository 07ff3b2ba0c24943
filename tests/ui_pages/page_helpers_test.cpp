// The pages' small rules that need no window: the pacing of the conversion and what the
// result page hands to the address-book program.
#include "ui/pages/progress_page.h"
#include "ui/pages/result_page.h"

#include <gtest/gtest.h>

namespace tarvenne {
namespace {

TEST(PacingIntervalTest, StretchesShortRunsToHalfASecond) {
    EXPECT_EQ(PacingInterval(1), 500u);
    EXPECT_EQ(PacingInterval(3), 166u);
    EXPECT_EQ(PacingInterval(10), 50u);
    EXPECT_EQ(PacingInterval(500), 1u);
    EXPECT_EQ(PacingInterval(501), 0u) << "long runs are not slowed at all";
    // A count that cannot happen (the record list refuses an empty choice) divides by nothing.
    EXPECT_EQ(PacingInterval(0), 500u);
    EXPECT_EQ(PacingInterval(-4), 500u);
}

TEST(AddressBookParametersTest, NamesTheFileOnlyWhenOneWasConverted) {
    EXPECT_EQ(AddressBookParameters(0, "C:\\books\\old.wab"), "") << "the current book";
    EXPECT_EQ(AddressBookParameters(1, ""), "");
    EXPECT_EQ(AddressBookParameters(1, "C:\\books\\old.wab"), "C:\\books\\old.wab");
    EXPECT_EQ(AddressBookParameters(1, "C:\\My Books\\old one.wab"), "\"C:\\My Books\\old one.wab\"");
}

}  // namespace
}  // namespace tarvenne
