// Record dumps and the lookup console.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "data.h"
#include "ward_list.h"

namespace {

struct FreshStore : testing::Test {
    void SetUp() override { dataInit(); }
    void TearDown() override { dataInit(); }
};
using Browse = FreshStore;

std::string readBack(std::FILE* fp) {
    std::string out;
    std::rewind(fp);
    for (int c; (c = std::fgetc(fp)) != EOF;) out.push_back(static_cast<char>(c));
    std::fclose(fp);
    return out;
}

std::string dumpFamily(WardFamily* f) {
    std::FILE* fp = std::tmpfile();
    dumpWardFamily(f, fp);
    return readBack(fp);
}

std::string dumpMember(WardMember* m) {
    std::FILE* fp = std::tmpfile();
    dumpWardMember(m, fp);
    return readBack(fp);
}

void setDate(mls_date& d, int month, int day, int year) {
    d.month = month;
    d.day = day;
    d.year = year;
}

// runBrowse: the console's whole output for the typed script.
std::string runBrowse(const std::string& script) {
    std::string buf = script;
    std::FILE* in = buf.empty() ? std::fopen("/dev/null", "r") : fmemopen(buf.data(), buf.size(), "r");
    std::FILE* out = std::tmpfile();
    browse(in, out);
    std::fclose(in);
    return readBack(out);
}

const std::string Menu =
    "\nOptions:\nF - get FamilyID\nM - get MemberID\nR - get RecNo\nQ - Quit\n\nEnter option: ";
const std::string Sure = "Are you sure? (y or n): ";

}  // namespace

TEST(DumpFamily, EveryLineWhenAllPartsArePresent) {
    WardFamily* f = create_ward_family();
    f->famid = 12;
    f->lname = "Smith";
    f->fname = "John";
    f->suff = "Jr";
    f->addr = "1 Main St";
    f->addr2 = "Apt 2";
    f->dp = "DP 9";
    f->city = "Provo";
    f->state = "UT";
    f->zip = "84601";
    f->country = "USA";
    f->phone = "555-1234";
    EXPECT_EQ(dumpFamily(f),
              "\nFamily:\t12\nName:\tSmith, John - Jr\nAddr:\t1 Main St\n\tApt 2\nD/P:\tDP 9\n"
              "\tProvo, UT 84601 - USA\nPhone:\t555-1234\n");
    free_ward_family(f);
}

TEST(DumpFamily, AbsentTextsPrintAsNullAndOptionalLinesAreLeftOut) {
    WardFamily* f = create_ward_family();
    f->famid = -3;
    f->lname = "Doe";
    f->city = "Ogden";
    EXPECT_EQ(dumpFamily(f),
              "\nFamily:\t-3\nName:\tDoe, (null)\nAddr:\t(null)\n\tOgden, (null) (null) - (null)\nPhone:\t(null)\n");
    free_ward_family(f);
}

TEST(DumpMember, EveryLineWhenAllPartsArePresent) {
    WardMember* m = create_ward_member();
    m->memid = 101;
    m->famid = 12;
    m->type = 2;
    m->fampos = 3;
    m->sex = 'F';
    m->lname = "Smith";
    m->fname = "Mary";
    m->suff = "III";
    m->lpname = "Smyth";
    m->fpname = "Molly";
    m->spname = "3rd";
    m->phone = "555-1234";
    m->email = "m@x.org";
    setDate(*m->birth, 1, 2, 1950);
    setDate(*m->baptism, 3, 14, 1958);
    setDate(*m->confirm, 3, 15, 1958);
    setDate(*m->endowed, 7, 4, 1976);
    setDate(*m->recexp, 12, 31, 2025);
    m->stat = "HP";
    m->marital = "Married";
    m->ftmiss = 'Y';
    m->spousemem = 'N';
    m->sealcurr = 'y';
    m->sealprev = 'n';
    EXPECT_EQ(dumpMember(m),
              "\nMember: 101, Family: 12, Type: 2, Position: 3, Sex: F\nName:\tSmith, Mary - III\n"
              "Pref:\tSmyth, Molly - 3rd\nPhone:\t555-1234\nemail:\tm@x.org\nBirth:\t1/2/1950\n"
              "Bapt:\t3/14/1958\nConf:\t3/15/1958\nEndow:\t7/4/1976\nRecExp:\t12/31/2025\n"
              "Psthd:\tHP\nMarried:\tMarried\nMiss: Y, SpouseMem: N, SealCurr: y, SealPrev: n\n");
    free_ward_member(m);
}

TEST(DumpMember, UnsetDatesAndAbsentTextsFollowTheirRules) {
    WardMember* m = create_ward_member();
    m->memid = 7;
    m->sex = 'M';
    m->fname = "Al";
    m->spname = "Sr";
    setDate(*m->birth, 0, 5, 1990);  // month 0: not set
    m->ftmiss = m->spousemem = m->sealcurr = m->sealprev = 'N';
    EXPECT_EQ(dumpMember(m),
              "\nMember: 7, Family: 0, Type: 0, Position: 0, Sex: M\nName:\t(null), Al\n"
              "Pref:\t(null), (null) - Sr\nNot Endowed\nNo Recommend\nPsthd:\t(null)\nMarried:\t(null)\n"
              "Miss: N, SpouseMem: N, SealCurr: N, SealPrev: N\n");
    free_ward_member(m);
}

TEST(DumpMember, UnsetCharactersAreWrittenAsTheyAre) {
    static const char head[] = "\nMember: 0, Family: 0, Type: 0, Position: 0, Sex: \0\n";
    static const char tail[] = "Miss: \0, SpouseMem: \0, SealCurr: \0, SealPrev: \0\n";
    WardMember* m = create_ward_member();
    std::string out = dumpMember(m);
    EXPECT_EQ(out.substr(0, sizeof head - 1), std::string(head, sizeof head - 1));
    EXPECT_EQ(out.substr(out.find("Miss:")), std::string(tail, sizeof tail - 1));
    free_ward_member(m);
}

TEST_F(Browse, ScriptedSessionLooksUpAndQuitsOnlyWhenConfirmed) {
    WardFamily* f = create_ward_family();
    f->famid = 12;
    f->lname = "Smith";
    f->fname = "John";
    storeFamilySorted(f);
    WardMember* m = create_ward_member();
    m->memid = 42;
    m->sex = 'M';
    m->lname = "Smith";
    m->fname = "John";
    m->recno = "0001-02";
    storeMember(m);
    const std::string fam = dumpFamily(f), mem = dumpMember(m);
    EXPECT_EQ(runBrowse("F\nf\n999\nf\n 12abc\nm\n42\nm\n43\nr\n0001-02\nr\n0001-2\nq\nn\nx\n\nq\ny\nf\n12\n"),
              Menu + "Invalid option (F)\n" +                   // capitals are not options
                  Menu + "Enter FamID: Invalid FamID\n" +      //
                  Menu + "Enter FamID: " + fam +               // leading number of the line
                  Menu + "Enter Member ID: " + mem +           //
                  Menu + "Enter Member ID: Invalid MemID\n" +  //
                  Menu + "Enter RecNo: " + mem +               //
                  Menu + "Enter RecNo: Invalid RecNo\n" +      //
                  Menu + Sure +                                // n goes on
                  Menu + "Invalid option (x)\n" +              //
                  Menu + "Invalid option ()\n" +               //
                  Menu + Sure);                                // y ends before the rest
}

TEST_F(Browse, AnEmptyAnswerToTheQuestionEndsTheSession) {
    EXPECT_EQ(runBrowse("q\n\nf\n1\n"), Menu + Sure);
    EXPECT_EQ(runBrowse("quit\nnope\nq\nyes\n"), Menu + Sure + Menu + Sure);
}

TEST_F(Browse, NoFamilyIdStandsForZero) {
    WardFamily* f = create_ward_family();
    f->lname = "Zero";
    storeFamilySorted(f);
    EXPECT_EQ(runBrowse("f\nabc\nq\ny\n"), Menu + "Enter FamID: " + dumpFamily(f) + Menu + Sure);
}

TEST_F(Browse, InputEndingMidSessionReturns) {
    EXPECT_EQ(runBrowse(""), Menu);
    EXPECT_EQ(runBrowse("f\n"), Menu + "Enter FamID: ");
    EXPECT_EQ(runBrowse("m"), Menu + "Enter Member ID: ");
    EXPECT_EQ(runBrowse("r\n"), Menu + "Enter RecNo: ");
    EXPECT_EQ(runBrowse("q\n"), Menu + Sure);
    EXPECT_EQ(runBrowse("q\nn\n"), Menu + Sure + Menu);
    EXPECT_EQ(runBrowse("x\n"), Menu + "Invalid option (x)\n" + Menu);
}

TEST_F(Browse, OverlongLinesAreCutSafely) {
    const std::string out = runBrowse(std::string(2000, 'z') + "\nr\n" + std::string(3000, '9') + "\nq\ny\n");
    EXPECT_EQ(out.rfind(Menu + "Invalid option (zzzz", 0), 0u);
    EXPECT_NE(out.find("Enter RecNo: Invalid RecNo\n"), std::string::npos);
    EXPECT_EQ(out.substr(out.size() - Sure.size()), Sure);
    const std::size_t from = out.find('(') + 1;
    EXPECT_LE(out.find(')', from) - from, 511u);  // one option line holds at most 511 characters
}
