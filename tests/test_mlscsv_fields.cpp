#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mlscsv.h"

namespace {

mls_date parsed(const char* s) {
    mls_date d;
    parse_date(s, &d);
    return d;
}

// Sets the run date for one test and restores the local date afterwards.
class RunDay : public ::testing::Test {
protected:
    void TearDown() override { unsetenv("ROLLBOOK_TODAY"); }
    int ageOn(const char* today, const char* birth) {
        setenv("ROLLBOOK_TODAY", today, 1);
        mls_date d = parsed(birth);
        return calcAge(&d);
    }
};

// Lines read from a temporary stream holding exactly the given bytes.
std::vector<std::string> readAll(const std::string& bytes) {
    std::FILE* fp = std::tmpfile();
    EXPECT_NE(fp, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), fp);
    std::rewind(fp);
    std::vector<std::string> lines;
    std::string buf;
    while (readline(buf, fp) == 1) lines.push_back(buf);
    std::fclose(fp);
    return lines;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(Trim, NothingButWhiteSpaceIsAbsent) {
    EXPECT_FALSE(trim(""));
    EXPECT_FALSE(trim("   "));
    EXPECT_FALSE(trim("\t"));
    EXPECT_FALSE(trim("\r\n\v\f "));
}

TEST(Trim, LeadingWhiteSpaceGoesAndTrailingStays) {
    EXPECT_EQ(trim("  word  "), "word  ");
    EXPECT_EQ(trim("\xA0x"), "\xA0x");  // a high byte is text, not white space
}

TEST(FieldTests, AbsentAndEmptyTextsReadAsEmpty) {
    EXPECT_STREQ(fixnull(std::nullopt), "");
    Text t = std::string("abc");
    EXPECT_EQ(fixnull(t), t->c_str());
    EXPECT_EQ(isEmpty(Text{}), 1);
    EXPECT_EQ(isEmpty(Text{""}), 1);
    EXPECT_EQ(isEmpty(Text{" "}), 0);
    EXPECT_EQ(isEmpty(static_cast<const char*>(nullptr)), 1);
    EXPECT_EQ(isEmpty(""), 1);
}

TEST(FieldTests, StrbegNeedsBothTextsAndTheWholePrefix) {
    EXPECT_EQ(strbeg("Bishop", "Bish"), 1);
    EXPECT_EQ(strbeg("Bishop", ""), 1);
    EXPECT_EQ(strbeg("Bish", "Bishop"), 0);
    EXPECT_EQ(strbeg("Bishop", "bish"), 0);
    EXPECT_EQ(strbeg(nullptr, "B"), 0);
    EXPECT_EQ(strbeg("B", nullptr), 0);
}

TEST(ConvertMonth, OnlyTheExactThreeLetterNamesCount) {
    EXPECT_EQ(convert_month("Jan"), 1);
    EXPECT_EQ(convert_month("Dec"), 12);
    EXPECT_EQ(convert_month("jan"), 0);
    EXPECT_EQ(convert_month("JAN"), 0);
    EXPECT_EQ(convert_month("Janu"), 0);
    EXPECT_EQ(convert_month(""), 0);
}

TEST(ParseDate, BlankAndHyphenFormsGiveTheSameDate) {
    for (const char* s : {"31 Dec 1999", "31-Dec-1999", "31  Dec  1999", "31--Dec-1999"}) {
        mls_date d = parsed(s);
        EXPECT_EQ(d.day, 31) << s;
        EXPECT_EQ(d.month, 12) << s;
        EXPECT_EQ(d.year, 1999) << s;
        EXPECT_STREQ(fixdate(&d), "12/31/1999") << s;
    }
    mls_date d = parsed("04-Jul-1976");
    EXPECT_STREQ(fixdate(&d), "7/4/1976");
}

TEST(ParseDate, DayAndMonthKeepThePreviousYear) {
    mls_date d = parsed("15 Mar");
    EXPECT_EQ(d.year, 0);
    EXPECT_STREQ(fixdate(&d), "3/15/0");
    d.year = 1950;
    parse_date("4-Jul", &d);
    EXPECT_STREQ(fixdate(&d), "7/4/1950");
    parse_date("15 Mar ", &d);  // the trailing blank adds an empty year
    EXPECT_STREQ(fixdate(&d), "3/15/0");
}

TEST(ParseDate, OtherMonthWordsStoreNumbersButNoDate) {
    for (const char* s : {"31 DEC 1999", "4 July 1976", "4 07 1976", "1999-12-31"}) {
        mls_date d = parsed(s);
        EXPECT_EQ(noDate(&d), 1) << s;
        EXPECT_STREQ(fixdate(&d), "") << s;
    }
    mls_date d = parsed("1999-12-31");
    EXPECT_EQ(d.day, 1999);
    EXPECT_EQ(d.year, 31);
}

TEST(ParseDate, OtherShapesLeaveTheRecordAndNullClearsIt) {
    for (const char* s : {"4 Jul 1976 ", " 4 Jul 1976", "", "Jul", "1 2 3 4 5 6", "-4-Jul-1976"}) {
        mls_date d = parsed("31 Dec 1999");
        parse_date(s, &d);
        EXPECT_STREQ(fixdate(&d), "12/31/1999") << '"' << s << '"';
    }
    mls_date d = parsed("31 Dec 1999");
    fixdate(&d);
    parse_date(nullptr, &d);
    EXPECT_EQ(d.day, 0);
    EXPECT_EQ(d.month, 0);
    EXPECT_EQ(d.year, 0);
    EXPECT_STREQ(d.s, "12/31/1999");  // the text is not touched
}

TEST(ParseDate, TextIsCutToOneLineBeforeSplitting) {
    std::string s = "4 Jul " + std::string(MaxLineChars - 6, '1') + " 2";
    mls_date d = parsed(s.c_str());  // the cut drops " 2": three parts remain
    EXPECT_EQ(d.month, 7);
    EXPECT_EQ(d.year, INT_MAX);
}

TEST(FixDate, NullOrUnsetDatesGiveTheEmptyText) {
    EXPECT_EQ(noDate(nullptr), 0);
    EXPECT_STREQ(fixdate(nullptr), "");
    mls_date d;
    EXPECT_EQ(noDate(&d), 1);
    EXPECT_STREQ(fixdate(&d), "");
}

TEST(FixDate, WideNumbersAreCutToElevenCharacters) {
    mls_date d = parsed("123456 Jan -123456");
    EXPECT_STREQ(fixdate(&d), "1/123456/-1");
}

TEST_F(RunDay, AgeCountsFromTheBirthdayItself) {
    EXPECT_EQ(ageOn("2024-07-03", "4 Jul 1976"), 47);
    EXPECT_EQ(ageOn("2024-07-04", "4 Jul 1976"), 48);
    EXPECT_EQ(ageOn("2024-07-05", "4 Jul 1976"), 48);
    EXPECT_EQ(ageOn("2024-06-30", "1 Jul 1976"), 47);
    EXPECT_EQ(ageOn("2024-12-31", "1 Jan 1976"), 48);
}

TEST_F(RunDay, LeapDayBirthdayCountsFromFirstMarchInOtherYears) {
    EXPECT_EQ(ageOn("2024-02-28", "29 Feb 2000"), 23);
    EXPECT_EQ(ageOn("2024-02-29", "29 Feb 2000"), 24);
    EXPECT_EQ(ageOn("2023-02-28", "29 Feb 2000"), 22);
    EXPECT_EQ(ageOn("2023-03-01", "29 Feb 2000"), 23);
}

TEST_F(RunDay, UnsetDateHasNoAgeAndYearlessDateCountsFromYearZero) {
    EXPECT_EQ(ageOn("2024-07-04", "4 JUL 1976"), 0);
    EXPECT_EQ(ageOn("2024-03-15", "15 Mar"), 2024);
    EXPECT_EQ(ageOn("2024-03-14", "15 Mar"), 2023);
}

TEST_F(RunDay, HugeBirthYearsClampInsteadOfOverflowing) {
    EXPECT_EQ(ageOn("2024-03-15", "1 Jan -99999999999"), INT_MAX);
}

TEST(Readline, LineEndsAreCutAndEndOfFileGivesZero) {
    EXPECT_EQ(readAll("abc\r\n"), Lines{"abc"});
    EXPECT_EQ(readAll("abc\nde\r\n\nf"), (Lines{"abc", "de", "", "f"}));
    EXPECT_EQ(readAll("ab\rcd\n"), Lines{"ab"});
    EXPECT_EQ(readAll(""), Lines{});
}

TEST(Readline, LongLinesArriveInPiecesOf511) {
    std::string fits(MaxLineChars, 'x');
    EXPECT_EQ(readAll(fits + "\nz\n"), (Lines{fits, "", "z"}));
    EXPECT_EQ(readAll(fits + "yy\n"), (Lines{fits, "yy"}));
    EXPECT_EQ(readAll(fits + "\r\n"), (Lines{fits, ""}));
}

TEST(Readline, NulByteEndsTheTextOfItsLine) {
    EXPECT_EQ(readAll(std::string("ab\0cd\nef\n", 9)), (Lines{"ab", "ef"}));
}
