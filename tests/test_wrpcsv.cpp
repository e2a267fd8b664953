// Unit tests of the CSV reader library. Its state is process-wide, so every
// test destroys the ids it creates and puts back the defaults it changed.
#include "wrpcsv.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A stream holding exactly these bytes, positioned at the start.
File input(const std::string& bytes)
{
    File f(std::tmpfile());
    std::fwrite(bytes.data(), 1, bytes.size(), f.get());
    std::rewind(f.get());
    return f;
}

using Fields = std::vector<std::string>;

Fields fields(int id)
{
    Fields out;
    for (int i = 0; i < wrpCsvGetNumFields(id); ++i)
        out.push_back(wrpCsvGetField(id, i));
    return out;
}

std::string dumped(int id)
{
    File f(std::tmpfile());
    dump_csv(id, f.get());
    std::string out(static_cast<std::size_t>(std::ftell(f.get())), '\0');
    std::rewind(f.get());
    EXPECT_EQ(out.size(), std::fread(&out[0], 1, out.size(), f.get()));
    return out;
}

std::string errMsg()
{
    const char* m = wrpCsvGetErrMsg();
    return m ? m : "(null)";
}

class WrpCsv : public ::testing::Test {
protected:
    int make()
    {
        const int id = wrpCsvCreate();
        if (id >= 0)
            ids.push_back(id);
        return id;
    }
    void TearDown() override
    {
        for (int id : ids)
            wrpCsvDestroy(id);
        wrpCsvSetMaxEnt(100);
        wrpCsvSetDefaultMaxLine(512);
        wrpCsvSetDefaultMaxFields(100);
        wrpCsvSetDefaultDelims(",");
    }
    std::vector<int> ids;
};
class WrpCsvIds : public WrpCsv {};
class WrpCsvSplit : public WrpCsv {};
class WrpCsvRead : public WrpCsv {};
class WrpCsvLimits : public WrpCsv {};

// Runs in a process of its own; returns the number of faults found.
int freshProcessFaults()
{
    int faults = 0;
    auto check = [&faults](bool ok, const char* what) {
        if (!ok) {
            std::fprintf(stderr, "fault: %s\n", what);
            ++faults;
        }
    };
    check(wrpCsvGetDefaultDelims() == nullptr, "no default delimiters yet");
    check(wrpCsvSetDefaultDelims(";") == 0 && std::string(wrpCsvGetDefaultDelims()) == ";", "early delims kept");
    check(wrpCsvSetMaxEnt(3) == 0 && wrpCsvSetDefaultMaxLine(8) == 0, "early limits accepted");
    check(wrpCsvCreate() == 0 && wrpCsvCreate() == 1 && wrpCsvCreate() == 2, "ids 0, 1, 2");
    check(wrpCsvCreate() == -1 && errMsg() == "No free CSV cells", "table of 3 is full");
    check(std::string(wrpCsvGetDefaultDelims()) == ",", "first create resets delims");
    File in = input("a;b,c,d,e\n");
    check(wrpCsvReadLine(0, in.get()) == 0 && std::string(wrpCsvGetLine(0)) == "a;b,c,d", "buffer of 8");
    for (int id = 0; id < 3; ++id)
        wrpCsvDestroy(id);
    return faults;
}

TEST(WrpCsvFreshProcess, FirstIdsCountFromZeroAndEarlySettingsShapeTheInitialisation)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(freshProcessFaults()), ::testing::ExitedWithCode(0), "");
}

TEST_F(WrpCsvIds, HundredLiveIdsFillTheTableAndTheLowestDestroyedIdComesBackFirst)
{
    std::vector<int> got;
    for (int id; (id = make()) >= 0;)
        got.push_back(id);
    EXPECT_EQ(-1, wrpCsvCreate());
    EXPECT_EQ("No free CSV cells", errMsg());
    ASSERT_EQ(100u, got.size());
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(i, got[i]);
    EXPECT_EQ(0, wrpCsvDestroy(7));
    EXPECT_EQ(0, wrpCsvDestroy(3));
    EXPECT_EQ(3, make());
    EXPECT_EQ(7, make());
}

TEST_F(WrpCsvIds, InvalidIdsAreRejectedByEveryOperation)
{
    const int freed = make();
    ASSERT_EQ(0, wrpCsvDestroy(freed));
    File in = input("a\n");
    for (int id : {-1, 100, freed}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(-11, wrpCsvReadLine(id, in.get()));
        EXPECT_EQ("Invalid CSV ID", errMsg());
        EXPECT_EQ(-11, wrpCsvParseString(id, "a"));
        EXPECT_EQ(-11, wrpCsvGetNumFields(id));
        EXPECT_EQ(nullptr, wrpCsvGetField(id, 0));
        EXPECT_EQ(nullptr, wrpCsvGetLine(id));
        EXPECT_EQ(-11, wrpCsvSetMaxLine(id, 10));
        EXPECT_EQ(-11, wrpCsvDestroy(id));
        EXPECT_EQ("\n\nDump of CSV " + std::to_string(id) + "\nCan't find CSV ID\n", dumped(id));
    }
    EXPECT_EQ(0, std::ftell(in.get()));  // nothing was read for a bad id
}

TEST_F(WrpCsvIds, NullArgumentsAreRejected)
{
    const int id = make();
    ASSERT_EQ(0, wrpCsvParseString(id, "x"));
    EXPECT_EQ(-11, wrpCsvParseString(id, nullptr));
    EXPECT_EQ("NULL String Pointer passed to ParseString", errMsg());
    EXPECT_EQ(-11, wrpCsvReadLine(id, nullptr));
    EXPECT_EQ("NULL String Pointer passed to ParseString", errMsg());  // left as it was
    EXPECT_EQ(1, wrpCsvGetNumFields(id));  // the record was not touched
    EXPECT_EQ(-11, wrpCsvSetDefaultDelims(nullptr));
}

TEST_F(WrpCsvIds, ShrinkingTheTableInvalidatesHigherIdsAndGrowingAddsFreeSlots)
{
    const int low = make();
    const int high = make();
    EXPECT_EQ(-11, wrpCsvSetMaxEnt(0));
    ASSERT_EQ(0, wrpCsvSetMaxEnt(high));
    EXPECT_EQ(high, wrpCsvGetMaxEnt());
    EXPECT_EQ(-11, wrpCsvGetNumFields(high));
    EXPECT_EQ(0, wrpCsvGetNumFields(low));
    ASSERT_EQ(0, wrpCsvSetMaxEnt(100));
    EXPECT_EQ(-11, wrpCsvGetNumFields(high));
}

TEST_F(WrpCsvSplit, EmptyFieldsComeFromLeadingAndDoubledSeparatorsButNotFromATrailingOne)
{
    const int id = make();
    const std::vector<std::pair<std::string, Fields>> cases = {
        {"a,,b", {"a", "", "b"}}, {",a", {"", "a"}}, {"a,b,", {"a", "b"}},
        {"", {""}},               {",", {""}},       {" a , b ", {" a ", " b "}},
    };
    for (const auto& [line, want] : cases) {
        EXPECT_EQ(0, wrpCsvParseString(id, line.c_str())) << line;
        EXPECT_EQ(want, fields(id)) << line;
        EXPECT_EQ(line, wrpCsvGetLine(id));
    }
}

TEST_F(WrpCsvSplit, QuotesOpenAFieldOnlyAsItsFirstCharacter)
{
    const int id = make();
    const std::vector<std::pair<std::string, Fields>> cases = {
        {"\"x,y\",z", {"x,y", "z"}},
        {"\"say \"\"hi\"\"\",b", {"say \"hi\"", "b"}},
        {"\"\",z", {"", "z"}},
        {"a,\"open,to the end", {"a", "open,to the end"}},
        {"\"ends in a pair\"\"", {"ends in a pair\""}},
        {"ab\"c\",d", {"ab\"c\"", "d"}},
        {" \"a,b\"", {" \"a", "b\""}},
        {"\"ab\"cd,e", {"ab", "d", "e"}},  // the character after the quote is lost
    };
    for (const auto& [line, want] : cases) {
        EXPECT_EQ(0, wrpCsvParseString(id, line.c_str())) << line;
        EXPECT_EQ(want, fields(id)) << line;
    }
}

TEST_F(WrpCsvSplit, HundredFieldsSplitAndTheHundredAndFirstIsTooMany)
{
    const int id = make();
    std::string line = "f0";
    for (int i = 1; i < 100; ++i)
        line += ",f" + std::to_string(i);
    EXPECT_EQ(0, wrpCsvParseString(id, line.c_str()));
    EXPECT_EQ(100, wrpCsvGetNumFields(id));
    EXPECT_EQ(0, wrpCsvParseString(id, (line + ",").c_str()));
    line += ",f100";
    EXPECT_EQ(-11, wrpCsvParseString(id, line.c_str()));
    EXPECT_EQ("Too many fields in string to parse", errMsg());
    EXPECT_EQ(100, wrpCsvGetNumFields(id));
    EXPECT_STREQ("f99", wrpCsvGetField(id, 99));
    EXPECT_EQ(nullptr, wrpCsvGetField(id, 100));
    EXPECT_EQ(nullptr, wrpCsvGetField(id, -1));
    EXPECT_EQ("Too many fields in string to parse", errMsg());  // success does not reset it
}

TEST_F(WrpCsvRead, CrLfAndLfAndAMissingFinalLineEndGiveTheSameFields)
{
    const int id = make();
    File in = input("a,b\r\na,b\na,b");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(0, wrpCsvReadLine(id, in.get()));
        EXPECT_STREQ("a,b", wrpCsvGetLine(id));
        EXPECT_EQ((Fields{"a", "b"}), fields(id));
    }
    EXPECT_EQ(-1, wrpCsvReadLine(id, in.get()));
    EXPECT_EQ("EOF on Input File", errMsg());
    EXPECT_EQ(0, wrpCsvGetNumFields(id));
    EXPECT_EQ(nullptr, wrpCsvGetLine(id));
}

TEST_F(WrpCsvRead, ALoneCarriageReturnOrANulByteEndsTheLineAndDropsTheRest)
{
    const int id = make();
    File in = input(std::string("a,b\rc,d\na,\0c,d\nnext\n", 20));
    EXPECT_EQ(0, wrpCsvReadLine(id, in.get()));
    EXPECT_EQ((Fields{"a", "b"}), fields(id));
    EXPECT_EQ(0, wrpCsvReadLine(id, in.get()));
    EXPECT_STREQ("a,", wrpCsvGetLine(id));
    EXPECT_EQ((Fields{"a"}), fields(id));
    EXPECT_EQ(0, wrpCsvReadLine(id, in.get()));
    EXPECT_STREQ("next", wrpCsvGetLine(id));
}

TEST_F(WrpCsvRead, EmptyFileEndsAtTheFirstRead)
{
    const int id = make();
    File in = input("");
    EXPECT_EQ(-1, wrpCsvReadLine(id, in.get()));
    EXPECT_EQ("EOF on Input File", errMsg());
    EXPECT_EQ(0, wrpCsvGetNumFields(id));
}

TEST_F(WrpCsvRead, LongLinesArriveInPiecesOf511Bytes)
{
    const int id = make();
    File in = input(std::string(511, 'x') + "\n" + std::string(600, 'y') + "\nz\n");
    const std::vector<std::string> want = {std::string(511, 'x'), "", std::string(511, 'y'),
                                           std::string(89, 'y'), "z"};
    for (const std::string& line : want) {
        EXPECT_EQ(0, wrpCsvReadLine(id, in.get()));
        EXPECT_EQ(line, wrpCsvGetLine(id));
        EXPECT_EQ(1, wrpCsvGetNumFields(id));
    }
    EXPECT_EQ(-1, wrpCsvReadLine(id, in.get()));
}

TEST_F(WrpCsvRead, ALineWithTooManyFieldsDoesNotStopTheNextRead)
{
    const int id = make();
    File in = input(std::string(100, ',') + "end\nnext\n");
    EXPECT_EQ(-11, wrpCsvReadLine(id, in.get()));
    EXPECT_EQ(100, wrpCsvGetNumFields(id));
    EXPECT_EQ(0, wrpCsvReadLine(id, in.get()));
    EXPECT_EQ((Fields{"next"}), fields(id));
}

TEST_F(WrpCsvRead, IdsShareTheBufferButKeepTheirOwnLinesAndFields)
{
    const int one = make();
    const int two = make();
    File a = input("a1,a2\n");
    File b = input("b1\n");
    ASSERT_EQ(0, wrpCsvReadLine(one, a.get()));
    ASSERT_EQ(0, wrpCsvReadLine(two, b.get()));
    EXPECT_EQ((Fields{"a1", "a2"}), fields(one));
    EXPECT_STREQ("a1,a2", wrpCsvGetLine(one));
    EXPECT_EQ((Fields{"b1"}), fields(two));
}

TEST_F(WrpCsvLimits, DefaultsApplyToIdsCreatedAfterTheyChange)
{
    const int before = make();
    EXPECT_EQ(-11, wrpCsvSetDefaultMaxFields(0));
    ASSERT_EQ(0, wrpCsvSetDefaultMaxFields(3));
    ASSERT_EQ(0, wrpCsvSetDefaultDelims(";|"));
    const int after = make();
    EXPECT_EQ(0, wrpCsvParseString(after, "a;b|c,d"));
    EXPECT_EQ((Fields{"a", "b", "c,d"}), fields(after));
    EXPECT_EQ(-11, wrpCsvParseString(after, "a;b;c;d"));
    EXPECT_EQ((Fields{"a", "b", "c"}), fields(after));
    EXPECT_EQ(0, wrpCsvParseString(before, "a;b|c,d,e"));
    EXPECT_EQ((Fields{"a;b|c", "d", "e"}), fields(before));
}

TEST_F(WrpCsvLimits, TheSharedBufferSizeBoundsEveryReadWhateverTheRecordSays)
{
    const int id = make();
    EXPECT_EQ(-11, wrpCsvSetDefaultMaxLine(0));
    EXPECT_EQ(-11, wrpCsvSetMaxLine(id, 0));
    EXPECT_EQ("Invalid MaxLine value", errMsg());
    ASSERT_EQ(0, wrpCsvSetMaxLine(id, 8));  // below the default: only recorded
    EXPECT_EQ(512, wrpCsvGetDefaultMaxLine());
    File in = input("abcdefghijk\n" + std::string(600, 'y') + "\n" + "abcdefgh\n");
    EXPECT_EQ(0, wrpCsvReadLine(id, in.get()));
    EXPECT_STREQ("abcdefghijk", wrpCsvGetLine(id));
    ASSERT_EQ(0, wrpCsvSetMaxLine(id, 1000));  // above: raises the default
    EXPECT_EQ(1000, wrpCsvGetDefaultMaxLine());
    EXPECT_EQ(0, wrpCsvReadLine(id, in.get()));
    EXPECT_EQ(std::string(600, 'y'), wrpCsvGetLine(id));
    ASSERT_EQ(0, wrpCsvSetDefaultMaxLine(6));  // shrinks the buffer for every id
    EXPECT_EQ(0, wrpCsvReadLine(id, in.get()));
    EXPECT_STREQ("abcde", wrpCsvGetLine(id));
    EXPECT_EQ(0, wrpCsvReadLine(id, in.get()));
    EXPECT_STREQ("fgh", wrpCsvGetLine(id));
    EXPECT_NE(std::string::npos, dumped(id).find("\nMaxLine: 1000\n"));
}

TEST_F(WrpCsvLimits, DumpShowsTheRecordAndTheCutWorkingCopy)
{
    const int id = make();
    const std::string head = "\n\nDump of CSV " + std::to_string(id) + "\n";
    EXPECT_EQ(head + "Line: >>(null)<<\nFldSep: >>,<<\nsline: >>(null)<<\n"
                     "MaxLine: 512\nMaxField: 100\nNumFields: 0\n",
              dumped(id));
    ASSERT_EQ(0, wrpCsvParseString(id, "\"1003\",Smith, \"\"John\"\"\""));
    EXPECT_EQ(head + "Line: >>\"1003\",Smith, \"\"John\"\"\"<<\nFldSep: >>,<<\nsline: >>\"1003<<\n"
                     "MaxLine: 512\nMaxField: 100\nNumFields: 3\n"
                     "Fld[0]: >>1003<<\nFld[1]: >>Smith<<\nFld[2]: >> \"\"John\"\"\"<<\n",
              dumped(id));
    ASSERT_EQ(0, wrpCsvParseString(id, "\"a\"\"b\",c"));
    EXPECT_NE(std::string::npos, dumped(id).find("\nsline: >>\"a\"b<<\n"));
}

}  // namespace
