#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "splitfld.h"

TEST(SplitFlds, EmptyFieldsComeFromEveryDelimiterUnlessRunsAreSkippedAndMaxfldsCutsTheRest) {
    using Fields = std::vector<std::string>;
    char* none[2] = {};
    EXPECT_EQ(split_flds(nullptr, none, ',', 0, 2), 0);
    const struct { const char* text; int skip; int maxflds; Fields want; } cases[] = {
        {"", 0, 9, {}}, {"a", 0, 9, {"a"}}, {"a,,b", 0, 9, {"a", "", "b"}}, {",a", 0, 9, {"", "a"}},
        {"a,", 0, 9, {"a", ""}}, {",", 0, 9, {"", ""}}, {"a,,", 0, 9, {"a", "", ""}}, {"", 1, 9, {}},
        {"a,,b", 1, 9, {"a", "b"}}, {",,a", 1, 9, {"", "a"}}, {"a,,,", 1, 9, {"a", ""}},
        {"a,b,", 0, 2, {"a", "b"}}, {"a,b", 0, 0, {}}};
    for (const auto& c : cases) {
        std::vector<char> buf(c.text, c.text + std::strlen(c.text) + 1);
        std::vector<char*> flds(c.maxflds);
        int n = split_flds(buf.data(), flds.data(), ',', c.skip, c.maxflds);
        EXPECT_EQ(Fields(flds.begin(), flds.begin() + n), c.want) << c.text << " skip " << c.skip;
    }
}

TEST(SplitFlds, FieldsPointIntoTheCutTextAndLaterEntriesAreLeftAlone) {
    char text[] = "a,b,c";
    char* flds[2];
    ASSERT_EQ(split_flds(text, flds, ',', 0, 2), 2);
    EXPECT_EQ(flds[1], text + 2);
    EXPECT_EQ(std::memcmp(text, "a\0b\0c", 6), 0);  // the last stored field ends
    char tail[] = "x,";
    char mark[] = "unchanged";
    char* more[3] = {mark, mark, mark};
    ASSERT_EQ(split_flds(tail, more, ',', 0, 3), 2);
    EXPECT_EQ(more[1], tail + 2);  // the empty field is the terminating NUL
    EXPECT_EQ(more[2], mark);
}
