// Record dumps and the lookup console.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "data.h"
#include "ward_list.h"

namespace {

// written: everything write puts into a new file.
template <typename Write>
std::string written(Write write) {
    std::FILE* fp = std::tmpfile();
    write(fp);
    std::string out;
    std::rewind(fp);
    for (int c; (c = std::fgetc(fp)) != EOF;) out.push_back(static_cast<char>(c));
    std::fclose(fp);
    return out;
}

// runBrowse: the console's whole output for the typed script.
std::string runBrowse(std::string script) {
    std::FILE* in = script.empty() ? std::fopen("/dev/null", "r") : fmemopen(script.data(), script.size(), "r");
    const std::string out = written([&](std::FILE* fp) { browse(in, fp); });
    std::fclose(in);
    return out;
}

const std::string Menu = "\nOptions:\nF - get FamilyID\nM - get MemberID\nR - get RecNo\nQ - Quit\n\nEnter option: ";
const std::string Sure = "Are you sure? (y or n): ";

}  // namespace

TEST(Dump, MemberWritesEveryLabelledLine) {
    WardMember* m = create_ward_member();
    m->memid = 101; m->famid = 12; m->type = 2; m->fampos = 3; m->sex = 'F';
    m->lname = "Smith"; m->fname = "Mary"; m->suff = "III";
    m->lpname = "Smyth"; m->fpname = "Molly"; m->spname = "3rd";
    m->phone = "555-1234"; m->email = "m@x.org";
    *m->birth = {2, 1, 1950, {}};  // day, month, year
    *m->baptism = {14, 3, 1958, {}};
    *m->confirm = {15, 3, 1958, {}};
    *m->endowed = {4, 7, 1976, {}};
    *m->recexp = {31, 12, 2025, {}};
    m->stat = "HP"; m->marital = "Married";
    m->ftmiss = 'Y'; m->spousemem = 'N'; m->sealcurr = 'y'; m->sealprev = 'n';
    EXPECT_EQ(written([&](std::FILE* fp) { dumpWardMember(m, fp); }),
              "\nMember: 101, Family: 12, Type: 2, Position: 3, Sex: F\nName:\tSmith, Mary - III\n"
              "Pref:\tSmyth, Molly - 3rd\nPhone:\t555-1234\nemail:\tm@x.org\nBirth:\t1/2/1950\n"
              "Bapt:\t3/14/1958\nConf:\t3/15/1958\nEndow:\t7/4/1976\nRecExp:\t12/31/2025\n"
              "Psthd:\tHP\nMarried:\tMarried\nMiss: Y, SpouseMem: N, SealCurr: y, SealPrev: n\n");
    free_ward_member(m);
}

TEST(Dump, FamilyWithFewPartsPrintsNullsAndLeavesOptionalLinesOut) {
    WardFamily* f = create_ward_family();
    f->famid = -3; f->lname = "Doe"; f->city = "Ogden";
    EXPECT_EQ(written([&](std::FILE* fp) { dumpWardFamily(f, fp); }),
              "\nFamily:\t-3\nName:\tDoe, (null)\nAddr:\t(null)\n\tOgden, (null) (null) - (null)\nPhone:\t(null)\n");
    free_ward_family(f);
}

TEST(Browse, ScriptedSessionLooksUpAndQuitsOnlyWhenConfirmed) {
    dataInit();
    WardMember* m = create_ward_member();
    m->memid = 42; m->fname = "John"; m->recno = "0001-02";
    storeMember(m);
    const std::string mem = written([&](std::FILE* fp) { dumpWardMember(m, fp); });
    EXPECT_EQ(runBrowse("F\nf\n999\nm\n42\nr\n0001-02\nq\nn\nq\ny\nf\n12\n"),
              Menu + "Invalid option (F)\n" + Menu + "Enter FamID: Invalid FamID\n" + Menu + "Enter Member ID: " +
                  mem + Menu + "Enter RecNo: " + mem + Menu + Sure + Menu + Sure);
    EXPECT_EQ(runBrowse(""), Menu);
    EXPECT_EQ(runBrowse("m"), Menu + "Enter Member ID: ");
    dataInit();
}
