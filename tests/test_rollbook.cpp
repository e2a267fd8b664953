// Driver services: the run date seam and the report-file writer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "rollbook.h"

namespace {

std::string slurp(const char* name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct TodayGuard {
    ~TodayGuard() { unsetenv("ROLLBOOK_TODAY"); }
};

}  // namespace

TEST(RunDate, WellFormedTodayReplacesTheClock) {
    TodayGuard guard;
    setenv("ROLLBOOK_TODAY", "2024-02-29", 1);
    EXPECT_TRUE(checkRunDate());
    RunDate d = runDate();
    EXPECT_EQ(d.year, 2024);
    EXPECT_EQ(d.month, 2);
    EXPECT_EQ(d.day, 29);
}

TEST(RunDate, MalformedTodayIsRejected) {
    TodayGuard guard;
    for (const char* bad : {"", "2023-02-29", "2026-13-01", "2026-00-10", "2026-04-31", "2026-6-15",
                            "2026-06-15x", "15-06-2026", "2026/06/15", "20260615"}) {
        setenv("ROLLBOOK_TODAY", bad, 1);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(checkRunDate()) << bad;
        EXPECT_NE(testing::internal::GetCapturedStderr().find("ROLLBOOK_TODAY"), std::string::npos);
    }
}

TEST(RunDate, UnsetTodayIsAcceptedAndUsesTheClock) {
    unsetenv("ROLLBOOK_TODAY");
    EXPECT_TRUE(checkRunDate());
    RunDate d = runDate();
    EXPECT_GE(d.year, 2024);
    EXPECT_GE(d.month, 1);
    EXPECT_LE(d.month, 12);
}

TEST(RptFile, EveryLineFeedBecomesCarriageReturnLineFeed) {
    const char* name = "rptfile_test.txt";
    {
        RptFile f;
        ASSERT_TRUE(f.open(name));
        f.printf("%s,%d\n", "a", 7);
        f.printf("\n\nend");
    }
    EXPECT_EQ(slurp(name), "a,7\r\n\r\n\r\nend");
    std::remove(name);
}

TEST(RptFile, UnsetFlagWritesAZeroByte) {
    const char* name = "rptfile_zero.txt";
    {
        RptFile f;
        ASSERT_TRUE(f.open(name));
        char unset = 0;
        f.printf("\"%c\",\"%c\"\n", unset, 'Y');
    }
    EXPECT_EQ(slurp(name), std::string("\"\0\",\"Y\"\r\n", 9));
    std::remove(name);
}

TEST(RptFile, LongFormattedTextIsWrittenWhole) {
    const char* name = "rptfile_long.txt";
    std::string big(3000, 'x');
    {
        RptFile f;
        ASSERT_TRUE(f.open(name));
        f.printf("[%s]\n", big.c_str());
    }
    EXPECT_EQ(slurp(name), "[" + big + "]\r\n");
    std::remove(name);
}

TEST(RptFile, OpenFailsForAnUnwritablePath) {
    RptFile f;
    EXPECT_FALSE(f.open("no-such-dir/report.txt"));
    f.printf("ignored\n");  // writing to a file that did not open is harmless
}

TEST(RptFile, OpeningReplacesAnOldFile) {
    const char* name = "rptfile_replace.txt";
    {
        RptFile f;
        ASSERT_TRUE(f.open(name));
        f.printf("a much longer old text\n");
    }
    {
        RptFile f;
        ASSERT_TRUE(f.open(name));
        f.printf("new\n");
    }
    EXPECT_EQ(slurp(name), "new\r\n");
    std::remove(name);
}

TEST(Text, AbsentTextPrintsAsNullInConsoleMessages) {
    EXPECT_STREQ(nullstr(Text()), "(null)");
    EXPECT_STREQ(nullstr(Text("")), "");
    EXPECT_STREQ(nullstr(Text("Smith")), "Smith");
}
