#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "splitfld.h"

namespace {

// Split a copy of text at commas and return the fields as strings.
std::vector<std::string> split(const char* text, int skip, int maxflds = 10) {
    std::vector<char> buf(text, text + std::strlen(text) + 1);
    std::vector<char*> flds(maxflds);
    int n = split_flds(buf.data(), flds.data(), ',', skip, maxflds);
    return std::vector<std::string>(flds.begin(), flds.begin() + n);
}

using Fields = std::vector<std::string>;

}  // namespace

TEST(SplitFlds, NullAndEmptyTextsGiveNoFields) {
    char* flds[2] = {};
    EXPECT_EQ(split_flds(nullptr, flds, ',', 0, 2), 0);
    EXPECT_EQ(split("", 0), Fields{});
    EXPECT_EQ(split("", 1), Fields{});
    EXPECT_EQ(split("a", 0), Fields{"a"});
}

TEST(SplitFlds, DoubledDelimiterEnclosesAnEmptyFieldUnlessRunsAreSkipped) {
    EXPECT_EQ(split("a,,b", 0), (Fields{"a", "", "b"}));
    EXPECT_EQ(split("a,,b", 1), (Fields{"a", "b"}));
}

TEST(SplitFlds, LeadingDelimiterGivesAnEmptyFirstFieldEvenWithSkip) {
    EXPECT_EQ(split(",a", 0), (Fields{"", "a"}));
    EXPECT_EQ(split(",a", 1), (Fields{"", "a"}));
    EXPECT_EQ(split(",,a", 1), (Fields{"", "a"}));
}

TEST(SplitFlds, TrailingDelimiterYieldsOneEmptyField) {
    EXPECT_EQ(split("a,", 0), (Fields{"a", ""}));
    EXPECT_EQ(split(",", 0), (Fields{"", ""}));
    EXPECT_EQ(split("a,,", 0), (Fields{"a", "", ""}));
    EXPECT_EQ(split("a,,,", 1), (Fields{"a", ""}));
}

TEST(SplitFlds, FieldsBeyondMaxfldsAreCutAndTheLastStoredOneEnds) {
    char text[] = "a,b,c";
    char* flds[2];
    ASSERT_EQ(split_flds(text, flds, ',', 0, 2), 2);
    EXPECT_EQ(flds[0], text);
    EXPECT_EQ(flds[1], text + 2);
    EXPECT_EQ(std::memcmp(text, "a\0b\0c", 6), 0);

    EXPECT_EQ(split("a,b,", 0, 2), (Fields{"a", "b"}));
    EXPECT_EQ(split("a,b", 0, 0), Fields{});
}

TEST(SplitFlds, EntriesBeyondTheResultAreLeftAlone) {
    char text[] = "x,";
    char mark[] = "unchanged";
    char* flds[4] = {mark, mark, mark, mark};
    ASSERT_EQ(split_flds(text, flds, ',', 0, 4), 2);
    EXPECT_EQ(flds[1], text + 2);  // the empty field is the terminating NUL
    EXPECT_EQ(flds[2], mark);
    EXPECT_EQ(flds[3], mark);
}
