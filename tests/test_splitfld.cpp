#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "splitfld.h"

namespace {

using Fields = std::vector<std::string>;

// Split a copy of text at commas and return the fields as strings.
Fields split(const char* text, int skip, int maxflds = 10) {
    std::vector<char> buf(text, text + std::strlen(text) + 1);
    std::vector<char*> flds(maxflds);
    int n = split_flds(buf.data(), flds.data(), ',', skip, maxflds);
    return Fields(flds.begin(), flds.begin() + n);
}

}  // namespace

TEST(SplitFlds, EmptyFieldsComeFromEveryDelimiterUnlessRunsAreSkipped) {
    char* none[2] = {};
    EXPECT_EQ(split_flds(nullptr, none, ',', 0, 2), 0);
    const std::vector<std::pair<const char*, Fields>> plain = {
        {"", {}}, {"a", {"a"}}, {"a,,b", {"a", "", "b"}}, {",a", {"", "a"}},
        {"a,", {"a", ""}}, {",", {"", ""}}, {"a,,", {"a", "", ""}}};
    for (const auto& [text, want] : plain) EXPECT_EQ(split(text, 0), want) << text;
    const std::vector<std::pair<const char*, Fields>> skipping = {
        {"", {}}, {"a,,b", {"a", "b"}}, {",,a", {"", "a"}}, {"a,,,", {"a", ""}}};
    for (const auto& [text, want] : skipping) EXPECT_EQ(split(text, 1), want) << text;
}

TEST(SplitFlds, FieldsBeyondMaxfldsAreCutAndLaterEntriesAreLeftAlone) {
    char text[] = "a,b,c";
    char* flds[2];
    ASSERT_EQ(split_flds(text, flds, ',', 0, 2), 2);
    EXPECT_EQ(flds[1], text + 2);
    EXPECT_EQ(std::memcmp(text, "a\0b\0c", 6), 0);  // the last stored field ends
    EXPECT_EQ(split("a,b,", 0, 2), (Fields{"a", "b"}));
    EXPECT_EQ(split("a,b", 0, 0), Fields{});
    char tail[] = "x,";
    char mark[] = "unchanged";
    char* more[3] = {mark, mark, mark};
    ASSERT_EQ(split_flds(tail, more, ',', 0, 3), 2);
    EXPECT_EQ(more[1], tail + 2);  // the empty field is the terminating NUL
    EXPECT_EQ(more[2], mark);
}
