#include "Main/PictureName.h"

#include <gtest/gtest.h>

namespace {

TEST(PictureName, CaptionAndIteration) {
    EXPECT_EQ(PictureName::DefaultFileName("View 1", 1234), "View 1 - iteration 1234.png");
    EXPECT_EQ(PictureName::DefaultFileName("From Top", 0), "From Top - iteration 0.png");
}

TEST(PictureName, PathsAndUnsafeCharactersMakeAPlainName) {
    // A view opened on a file is captioned with its full path.
    EXPECT_EQ(PictureName::DefaultFileName("/home/ann/runs/galaxy.sim", 7),
              "galaxy.sim - iteration 7.png");
    EXPECT_EQ(PictureName::DefaultFileName("C:\\runs\\two.sim", 7), "two.sim - iteration 7.png");
    EXPECT_EQ(PictureName::DefaultFileName("a<b>c:d\"e|f?g*h\ti", 1),
              "a_b_c_d_e_f_g_h_i - iteration 1.png");
    EXPECT_EQ(PictureName::DefaultFileName("..hidden.", 1), "hidden - iteration 1.png");
    EXPECT_EQ(PictureName::DefaultFileName("", 3), "View - iteration 3.png");
    EXPECT_EQ(PictureName::DefaultFileName("/", 3), "View - iteration 3.png");
}

TEST(PictureName, LongCaptionsAreCutBetweenCharacters) {
    std::string caption;
    for (int i = 0; i < 100; ++i)
        caption += "\xC3\xA9"; // e acute: two bytes each
    const std::string name = PictureName::DefaultFileName(caption, 5);
    const std::string tail = " - iteration 5.png";
    ASSERT_GT(name.size(), tail.size());
    const std::string kept = name.substr(0, name.size() - tail.size());
    EXPECT_EQ(kept.size(), 120u);
    EXPECT_EQ(kept.back(), '\xA9'); // ends on a whole character
}

} // namespace
