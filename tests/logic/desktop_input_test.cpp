#include <gtest/gtest.h>

#include <fstream>

#include "logic/relative_pointer.h"
#include "logic/restore_token.h"
#include "support/temp_folder.h"

namespace vantle {
namespace {

using Move = RelativePointer::Move;
constexpr int kPin = RelativePointer::kPinDistance;

// The pin comes only while the place is unknown: at the first target and after Forget.
TEST(RelativePointerTest, PinsOnlyWhenThePlaceIsUnknownThenMovesByDifferences) {
    RelativePointer pointer;
    EXPECT_EQ(pointer.MovesTo(420, 585), (std::vector<Move>{{kPin, kPin}, {420, 585}}));
    EXPECT_EQ(pointer.MovesTo(120, 145), (std::vector<Move>{{-300, -440}}));
    EXPECT_EQ(pointer.MovesTo(120, 145), (std::vector<Move>{{0, 0}}));
    pointer.Forget();
    EXPECT_FALSE(pointer.Known());
    EXPECT_EQ(pointer.MovesTo(7, 9), (std::vector<Move>{{kPin, kPin}, {7, 9}}));
}

TEST(RestoreTokenTest, KeepsTheNewestAndIgnoresWhatIsNoToken) {
    test::TempFolder home;
    const std::filesystem::path file = RestoreTokenFile(home.path());
    EXPECT_EQ(file, home / "vantle" / "remote-desktop-token");
    EXPECT_EQ(ReadRestoreToken(file), std::nullopt);
    ASSERT_TRUE(WriteRestoreToken(file, "3f6e-a1"));  // the folder made on the way
    EXPECT_EQ(ReadRestoreToken(file), "3f6e-a1");
    ASSERT_TRUE(WriteRestoreToken(file, "b2"));
    EXPECT_EQ(ReadRestoreToken(file), "b2");
    EXPECT_FALSE(WriteRestoreToken(file, "two words"));
    EXPECT_EQ(ReadRestoreToken(file), "b2");
    for (const std::string& bad :
         std::vector<std::string>{"", "\n", "tok en\n", "a\nb\n", std::string(513, 'x')}) {
        std::ofstream(file, std::ios::trunc) << bad;
        EXPECT_EQ(ReadRestoreToken(file), std::nullopt) << bad;
    }
    ASSERT_TRUE(WriteRestoreToken(file, ""));
    EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace vantle
