// Unit tests of the CSV reader library. Its state is process-wide, so every
// test destroys the ids it creates.
#include "wrpcsv.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using File = std::unique_ptr<std::FILE, decltype(&std::fclose)>;
using Fields = std::vector<std::string>;

// A stream holding exactly these bytes, positioned at the start.
File input(const std::string& bytes)
{
    File f(std::tmpfile(), &std::fclose);
    std::fwrite(bytes.data(), 1, bytes.size(), f.get());
    std::rewind(f.get());
    return f;
}

Fields fields(int id)
{
    Fields out;
    for (int i = 0; i < wrpCsvGetNumFields(id); ++i)
        out.push_back(wrpCsvGetField(id, i));
    return out;
}

std::string dumped(int id)
{
    File f(std::tmpfile(), &std::fclose);
    dump_csv(id, f.get());
    std::string out(static_cast<std::size_t>(std::ftell(f.get())), '\0');
    std::rewind(f.get());
    EXPECT_EQ(out.size(), std::fread(&out[0], 1, out.size(), f.get()));
    return out;
}

class WrpCsv : public ::testing::Test {
protected:
    int make()
    {
        ids.push_back(wrpCsvCreate());
        return ids.back();
    }
    void TearDown() override
    {
        for (int id : ids)
            wrpCsvDestroy(id);
    }
    std::vector<int> ids;
};

TEST_F(WrpCsv, HundredIdsFillTheTableAndTheLowestDestroyedIdComesBackFirst)
{
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(i, make());
    EXPECT_EQ(-1, wrpCsvCreate());
    EXPECT_STREQ("No free CSV cells", wrpCsvGetErrMsg());
    EXPECT_EQ(0, wrpCsvDestroy(7));
    EXPECT_EQ(0, wrpCsvDestroy(3));
    EXPECT_EQ(3, wrpCsvCreate());
    EXPECT_EQ(7, wrpCsvCreate());
}

TEST_F(WrpCsv, InvalidIdsAreRejectedByEveryOperation)
{
    const int freed = make();
    ASSERT_EQ(0, wrpCsvDestroy(freed));
    File in = input("a\n");
    for (int id : {-1, 100, freed}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(-11, wrpCsvReadLine(id, in.get()));
        EXPECT_STREQ("Invalid CSV ID", wrpCsvGetErrMsg());
        EXPECT_EQ(-11, wrpCsvParseString(id, "a"));
        EXPECT_EQ(-11, wrpCsvGetNumFields(id));
        EXPECT_EQ(nullptr, wrpCsvGetField(id, 0));
        EXPECT_EQ(nullptr, wrpCsvGetLine(id));
        EXPECT_EQ(-11, wrpCsvDestroy(id));
        EXPECT_EQ("\n\nDump of CSV " + std::to_string(id) + "\nCan't find CSV ID\n", dumped(id));
    }
    EXPECT_EQ(0, std::ftell(in.get()));  // nothing was read for a bad id
}

TEST_F(WrpCsv, SeparatorsAndQuotesSplitAsTheReaderExpects)
{
    const int id = make();
    const std::vector<std::pair<std::string, Fields>> cases = {
        {"a,,b", {"a", "", "b"}},   {",a", {"", "a"}}, {"a,b,", {"a", "b"}}, {"", {""}},
        {"\"x,y\",z", {"x,y", "z"}}, {"\"say \"\"hi\"\"\",b", {"say \"hi\"", "b"}},
        {"a,\"open,to the end", {"a", "open,to the end"}},
        {"ab\"c\",d", {"ab\"c\"", "d"}}, {" \"a,b\"", {" \"a", "b\""}},
        {"\"ab\"cd,e", {"ab", "d", "e"}},  // the character after the quote is lost
    };
    for (const auto& [line, want] : cases) {
        EXPECT_EQ(0, wrpCsvParseString(id, line.c_str())) << line;
        EXPECT_EQ(want, fields(id)) << line;
        EXPECT_EQ(line, wrpCsvGetLine(id));
        // The fields lie in order in one text, each ended by a zero byte.
        for (int i = 1; i < wrpCsvGetNumFields(id); ++i)
            EXPECT_GT(wrpCsvGetField(id, i), wrpCsvGetField(id, i - 1) + std::strlen(wrpCsvGetField(id, i - 1))) << line;
    }
}

TEST_F(WrpCsv, HundredFieldsSplitAndTheHundredAndFirstIsTooMany)
{
    const int id = make();
    std::string line = "f0";
    for (int i = 1; i < 100; ++i)
        line += ",f" + std::to_string(i);
    EXPECT_EQ(0, wrpCsvParseString(id, line.c_str()));
    EXPECT_EQ(100, wrpCsvGetNumFields(id));
    EXPECT_EQ(-11, wrpCsvParseString(id, (line + ",f100").c_str()));
    EXPECT_STREQ("Too many fields in string to parse", wrpCsvGetErrMsg());
    EXPECT_EQ(100, wrpCsvGetNumFields(id));
    EXPECT_STREQ("f99", wrpCsvGetField(id, 99));
    EXPECT_EQ(nullptr, wrpCsvGetField(id, 100));
}

// Each input is read to its end: its lines, then end of input twice.
TEST_F(WrpCsv, ReadLinesEndAtCrLfOrNulAndLongOnesArriveInPiecesOf511Bytes)
{
    using namespace std::string_literals;
    const std::string x510(510, 'x'), x511(511, 'x'), y511(511, 'y');
    const std::vector<std::pair<std::string, Fields>> cases = {
        // The rest of a line after a CR or a NUL is lost.
        {"a,b\r\na,b\na,b\rc,d\na,\0c,d\na,b"s, {"a,b", "a,b", "a,b", "a,", "a,b"}},
        {x511 + "\n" + y511 + std::string(89, 'y') + "\nz\n", {x511, "", y511, std::string(89, 'y'), "z"}},
        {x510 + "\r\nz\r\n", {x510, "z"}},
    };
    const int id = make();
    for (const auto& [bytes, lines] : cases) {
        File in = input(bytes);
        for (const std::string& line : lines) {
            EXPECT_EQ(0, wrpCsvReadLine(id, in.get())) << line;
            EXPECT_EQ(line, wrpCsvGetLine(id));
            EXPECT_EQ(line.substr(0, line.find(',')), wrpCsvGetField(id, 0));
        }
        EXPECT_EQ(-1, wrpCsvReadLine(id, in.get()));
        EXPECT_STREQ("EOF on Input File", wrpCsvGetErrMsg());
        EXPECT_EQ(0, wrpCsvGetNumFields(id));
        EXPECT_EQ(nullptr, wrpCsvGetLine(id));
        EXPECT_EQ(-1, wrpCsvReadLine(id, in.get()));
    }
}

TEST_F(WrpCsv, DumpShowsTheRecordAndTheCutWorkingCopy)
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
}

}  // namespace
