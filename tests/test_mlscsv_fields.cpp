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

// The "month/day/year" text of s parsed into a fresh record.
std::string fixed(const char* s) { mls_date d = parsed(s); return fixdate(&d); }

// Age on the run date today of someone born on birth.
int ageOn(const char* today, const char* birth) {
    setenv("ROLLBOOK_TODAY", today, 1);
    mls_date d = parsed(birth);
    return calcAge(&d);
}

using Lines = std::vector<std::string>;

// Lines read by reader from a temporary stream holding exactly the given bytes.
Lines readAll(const std::string& bytes, int (*reader)(std::string&, std::FILE*) = readline) {
    std::FILE* fp = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), fp);
    std::rewind(fp);
    Lines lines;
    std::string buf;
    while (reader(buf, fp) == 1) lines.push_back(buf);
    std::fclose(fp);
    return lines;
}

}  // namespace

TEST(Trim, LeadingWhiteSpaceGoesTrailingStaysAndNothingLeftIsAbsent) {
    for (const char* s : {"", "   ", "\r\n\v\f\t "}) EXPECT_FALSE(trim(s)) << s;
    EXPECT_EQ(trim("  word  "), "word  ");
    EXPECT_EQ(trim("\xA0x"), "\xA0x");  // a high byte is text, not white space
    // trimInto gives the same, replacing whatever the text held.
    for (const char* s : {"", " \t", "  word  ", "   a text longer than fourteen bytes"}) {
        Text t("an old text, long enough for a block of its own");
        trimInto(t, s);
        EXPECT_EQ(t, trim(s)) << s;
    }
}

TEST(FieldNumber, ReadsWhatStrtolReadsClampedToInt) {
    auto expected = [](const std::string& s) {
        const long v = std::strtol(s.c_str(), nullptr, 10);
        return v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<int>(v));
    };
    std::vector<std::string> texts = {"",          "0",          "7",           "42abc",       "000000000012",
                                      "123456789", "1234567890", "2147483647",  "2147483648",  "99999999999999999999",
                                      " 12",       "-7",         "+8",          "-2147483649", "1 2",
                                      "12.5",      "x1",         "0000000001x", "999999999 "};
    std::srand(7);
    const char pick[] = "0123456789 -+x";
    for (int i = 0; i < 2000; ++i) {
        std::string s;
        for (int n = std::rand() % 14; n > 0; --n) s += pick[std::rand() % (sizeof pick - 1)];
        texts.push_back(s);
    }
    for (const std::string& s : texts) EXPECT_EQ(fieldNumber(s.c_str()), expected(s)) << "\"" << s << "\"";
}

TEST(FieldTests, StrbegNeedsBothTextsAndTheWholePrefixAndMonthsTheExactNames) {
    EXPECT_EQ(strbeg("Bishop", "Bish") * 10 + strbeg("Bishop", ""), 11);
    EXPECT_EQ(strbeg("Bish", "Bishop") + strbeg("Bishop", "bish"), 0);
    EXPECT_EQ(strbeg(nullptr, "B") + strbeg("B", nullptr), 0);
    EXPECT_EQ(convert_month("Jan") * 100 + convert_month("Dec"), 112);
    for (const char* s : {"jan", "JAN", "Janu", ""}) EXPECT_EQ(convert_month(s), 0) << s;
}

TEST(ParseDate, BlankAndHyphenFormsGiveTheSameDateAndDayMonthKeepsTheYear) {
    for (const char* s : {"31 Dec 1999", "31-Dec-1999", "31  Dec  1999", "31--Dec-1999"})
        EXPECT_EQ(fixed(s), "12/31/1999") << s;
    mls_date d = parsed("04-Jul-1976");
    EXPECT_STREQ(fixdate(&d), "7/4/1976");
    parse_date("15 Mar", &d);
    EXPECT_STREQ(fixdate(&d), "3/15/1976");
    parse_date("15 Mar ", &d);  // the trailing blank adds an empty year
    EXPECT_STREQ(fixdate(&d), "3/15/0");
}

TEST(ParseDate, OtherShapesLeaveTheRecordAndNullClearsIt) {
    for (const char* s : {"4 Jul 1976 ", " 4 Jul 1976", "", "Jul", "1 2 3 4 5 6", "-4-Jul-1976"}) {
        mls_date d = parsed("31 Dec 1999");
        parse_date(s, &d);
        EXPECT_STREQ(fixdate(&d), "12/31/1999") << '"' << s << '"';
    }
    mls_date d = parsed("31 Dec 1999");
    parse_date(nullptr, &d);
    EXPECT_EQ(d.day + d.month + d.year, 0);
}

TEST(FixDate, UnsetDatesGiveNothingAndWideNumbersAreCutToElevenCharacters) {
    EXPECT_EQ(fixed("31 DEC 1999"), "");  // not one of the month names: no date
    EXPECT_STREQ(fixdate(nullptr), "");
    EXPECT_EQ(fixed("123456 Jan -123456"), "1/123456/-1");
}

TEST(CalcAge, AgeCountsFromTheBirthdayItselfAndLeapDayFromFirstMarch) {
    EXPECT_EQ(ageOn("2024-07-03", "4 Jul 1976"), 47);
    EXPECT_EQ(ageOn("2024-07-04", "4 Jul 1976"), 48);
    EXPECT_EQ(ageOn("2024-06-30", "1 Jul 1976"), 47);
    EXPECT_EQ(ageOn("2024-02-29", "29 Feb 2000"), 24);
    EXPECT_EQ(ageOn("2023-02-28", "29 Feb 2000"), 22);
    EXPECT_EQ(ageOn("2023-03-01", "29 Feb 2000"), 23);
    EXPECT_EQ(ageOn("2024-07-04", "4 JUL 1976"), 0);
    unsetenv("ROLLBOOK_TODAY");
}

TEST(Readline, LineEndsAreCutAndLongLinesArriveInPiecesOf511) {
    using namespace std::string_literals;
    EXPECT_EQ(readAll("abc\nde\r\n\nf"), (Lines{"abc", "de", "", "f"}));
    EXPECT_EQ(readAll("ab\rcd\nef\0gh\n"s), (Lines{"ab", "ef"}));
    EXPECT_EQ(readAll(""), Lines{});
    std::string fits(MaxLineChars, 'x');
    EXPECT_EQ(readAll(fits + "\nz\n"), (Lines{fits, "", "z"}));
    EXPECT_EQ(readAll(fits + "yy\n"), (Lines{fits, "yy"}));
    EXPECT_EQ(readAll(fits + "\r\n"), (Lines{fits, ""}));
}

TEST(Readpiece, TheLineFeedStaysAsATextModeReadLeavesIt) {
    EXPECT_EQ(readAll("a\tb\r\nc\rd\n\ne", readpiece), (Lines{"a\tb\n", "c\rd\n", "\n", "e"}));
    std::string fits(MaxLineChars, 'x');
    EXPECT_EQ(readAll(fits + "yy\r\n", readpiece), (Lines{fits, "yy\n"}));
}

TEST(Readline, ALineOf510CharactersEndingInCrLfIsOneLine) {
    std::string full(MaxLineChars - 1, 'x');
    EXPECT_EQ(readAll(full + "\r\nz\r\n"), (Lines{full, "z"}));
    EXPECT_EQ(readAll(full + "\r\nz\r\n", readpiece), (Lines{full + "\n", "z\n"}));
    EXPECT_EQ(readAll(full + "\rz\n", readpiece), (Lines{full + "\r", "z\n"}));
}

// A file is judged in pieces of 64 KiB: a character cut by the end of a piece
// is judged whole, and one bad byte anywhere marks the run's inputs.
TEST(InFile, ACharacterAcrossTheEndOfAPieceIsValidUtf8AndABadByteIsNot) {
    const bool before = inputsAreUtf8();
    const auto open = [](const std::string& tail) {
        const char* name = "infile_utf8_test.txt";
        std::FILE* fp = std::fopen(name, "wb");
        const std::string bytes = std::string(64 * 1024 - 1, 'a') + tail;
        std::fwrite(bytes.data(), 1, bytes.size(), fp);
        std::fclose(fp);
        { InFile in(name); }
        std::remove(name);
    };
    for (const char* ok : {"\xC3\xA9 done", "\xE2\x82\xAC", "\xF0\x9F\x98\x80x", ""}) open(ok);
    EXPECT_EQ(inputsAreUtf8(), before);
    open("\xE2\x82");  // cut short by the end of the file
    EXPECT_FALSE(inputsAreUtf8());
}
