#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "data.h"
#include "mlscsv.h"
#include "ward_list.h"

namespace {

// Each test starts from an empty store and default settings.
class AuxFile : public ::testing::Test {
protected:
    void SetUp() override {
        dataInit();
        resetSettings();
    }
    void TearDown() override {
        std::remove(path_.c_str());
        dataInit();
        resetSettings();
    }
    // read: write the bytes to the file and read it, keeping stderr in err.
    void read(const std::string& bytes) {
        std::ofstream(path_, std::ios::binary) << bytes;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_EQ(readAuxFile(path_.c_str()), 0);
        err = testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStdout();
    }
    std::string path_ = testing::TempDir() + "rollbook-aux-" + std::to_string(getpid()) + ".txt", err;
};

// member: a stored member, heading a stored family of its own when asked.
WardMember* member(const char* recno, bool withFamily) {
    WardMember* m = create_ward_member();
    m->recno = recno;
    storeMember(m);
    if (!withFamily) return m;
    WardFamily* fam = create_ward_family();
    fam->recno = recno;
    m->fam = fam;
    add_member_to_family(fam, m);
    storeFamilySorted(fam);
    return m;
}

std::vector<std::string> texts(const WardEnts* e) {
    std::vector<std::string> v;
    for (; e != nullptr; e = e->next) v.push_back(fixnull(e->text));
    return v;
}

// chain: the record numbers of the family's members in chain order.
std::string chain(const WardFamily* fam) {
    std::string s;
    for (const WardMember* m = fam->members; m != nullptr; m = m->next) s += fixnull(m->recno) + std::string(" ");
    return s;
}

// names: last|first|suffix|preferred last|preferred first, "-" for absent.
std::string names(const WardMember* m) {
    return m->lname.value_or("-") + "|" + m->fname.value_or("-") + "|" + m->suff.value_or("-") + "|" +
           m->lpname.value_or("-") + "|" + m->fpname.value_or("-");
}

}  // namespace

TEST_F(AuxFile, SettingsLinesSetTheirFlagsAndWrongCaseChangesNothing) {
    read("!ShowZip=\n!HTCity=Y\r\n!showaddr=n\n");
    EXPECT_EQ(ShowZipFlag, 0);
    EXPECT_EQ(HTCityFlag, 'Y');
    EXPECT_EQ(ShowAddrFlag, 'y');
}

TEST_F(AuxFile, DiscardedOrMovedHeadsAndKeysWithoutFamilyLeaveNoFamilyBehind) {
    WardMember* head = member("R1", true);
    member("L1", false);
    read("N1|family=N1|id=9\nN2|family=N2|family=R1|name=Doe, Kid\nN3|family=L1|name=Roe, Bo\n");
    EXPECT_EQ(err, "Name missing for od=9, recno=N1.  Entry discarded.\n"
                   "Family record not found for [L1], member [N3]\n");
    EXPECT_EQ(getRecNo("N1"), nullptr);
    EXPECT_EQ(getRecNo("N3")->fam, nullptr);
    EXPECT_EQ(getFirstFamily(), head->fam);
    EXPECT_EQ(getNextFamily(), nullptr);
    EXPECT_EQ(chain(head->fam), "R1 N2 ");
}

TEST_F(AuxFile, EntriesGoToTheFrontAndFieldsAfterThe99thAreIgnored) {
    WardMember* m = member("R1", true);
    std::string fill;
    for (int i = 0; i < 97; ++i) fill += "|x=1";
    read("R1|cell=111|cell=222|work=333|email=a@b|rem=first\nR1" + fill + "|stat=99th\nR1" + fill +
         "|rem=99th|stat=100th\nR1" + fill + "|sex=F||\n");
    EXPECT_EQ(err, "Too many fields for [R1]; fields after the 99th ignored\n");
    EXPECT_EQ(*m->stat, "99th");
    EXPECT_EQ(m->sex, 'F');
    EXPECT_EQ(texts(m->cell), (std::vector<std::string>{"222", "111"}));
    EXPECT_EQ(texts(m->work), (std::vector<std::string>{"333"}));
    EXPECT_EQ(texts(m->email2), (std::vector<std::string>{"a@b"}));
    EXPECT_EQ(texts(m->rem), (std::vector<std::string>{"99th", "first"}));
}

TEST_F(AuxFile, EveryNamePieceGivenSetsItsNameAndABlankPieceClearsIt) {
    auto named = [](const char* recno) {
        WardMember* m = member(recno, true);
        m->lname = "Old";
        m->fname = "First";
        m->suff = "Jr";
        m->lpname = "Pold";
        m->fpname = "Pfirst";
        return m;
    };
    WardMember* a = named("R1");
    WardMember* b = named("R2");
    WardMember* c = named("R3");
    read("R1|name=Clark, ,Sr\nR2|name=Adams,|pname=,Bo\nR3|name=Baker\n");
    EXPECT_EQ(err, "");
    EXPECT_EQ(names(a), "Clark|-|Sr|Pold|Pfirst");
    EXPECT_EQ(names(b), "Adams|-|Jr|-|Bo");
    EXPECT_EQ(names(c), "Baker|First|Jr|Pold|Pfirst");
}

TEST_F(AuxFile, AMemberNamingTheSameFamilyTwiceIsLinkedOnceAtTheEnd) {
    WardMember* head = member("R1", true);
    read("N5|family=R1|family=R1|name=Brown, Eve\nN6|family=R1|name=Brown, Al\n");
    EXPECT_EQ(chain(head->fam), "R1 N5 N6 ");
    ASSERT_NE(getRecNo("N5"), nullptr);
    EXPECT_EQ(getRecNo("N5")->fam, head->fam);
}
