#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "data.h"
#include "mlscsv.h"
#include "ward_list.h"

namespace {

// Each test starts from an empty store and default settings, and reads an
// auxiliary file written into its own temporary folder.
class AuxFile : public ::testing::Test {
protected:
    void SetUp() override {
        dataInit();
        resetSettings();
        char tmpl[] = "/tmp/rollbook-aux-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        std::remove(path().c_str());
        rmdir(dir_.c_str());
        unsetenv("ROLLBOOK_TODAY");
        dataInit();
        resetSettings();
    }
    std::string path() const { return dir_ + "/mlsaux.txt"; }

    // read: write the bytes as mlsaux.txt, read it, keep what was printed.
    int read(const std::string& bytes) {
        std::FILE* fp = std::fopen(path().c_str(), "wb");
        EXPECT_NE(fp, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), fp);
        std::fclose(fp);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        int rc = readAuxFile(path().c_str());
        err = testing::internal::GetCapturedStderr();
        out = testing::internal::GetCapturedStdout();
        return rc;
    }

    // household: a stored family with a stored head of household.
    WardMember* household(const char* recno, const char* lname, const char* fname) {
        WardFamily* fam = create_ward_family();
        WardMember* head = create_ward_member();
        fam->recno = recno;
        fam->lname = head->lname = lname;
        fam->fname = head->fname = fname;
        head->recno = recno;
        head->fam = fam;
        add_member_to_family(fam, head);
        storeMember(head);
        storeFamilySorted(fam);
        return head;
    }

    // loner: a stored member without family.
    WardMember* loner(const char* recno) {
        WardMember* m = create_ward_member();
        m->recno = recno;
        storeMember(m);
        return m;
    }

    std::string dir_;
    std::string out, err;
};

std::vector<std::string> texts(const WardEnts* e) {
    std::vector<std::string> v;
    for (; e != nullptr; e = e->next) v.push_back(fixnull(e->text));
    return v;
}

std::vector<WardMember*> chain(const WardFamily* f) {
    std::vector<WardMember*> v;
    for (WardMember* m = f->members; m != nullptr; m = m->next) v.push_back(m);
    return v;
}

int storedFamilies() {
    int n = 0;
    for (WardFamily* f = getFirstFamily(); f != nullptr; f = getNextFamily()) ++n;
    return n;
}

using Strings = std::vector<std::string>;

}  // namespace

TEST_F(AuxFile, MissingFileReturnsOneAndSaysSo) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(readAuxFile((dir_ + "/none.txt").c_str()), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "No auxfile found.\n");
}

TEST_F(AuxFile, CommentsAndEmptyLinesAreSkippedAndBangLinesReachTheSettings) {
    EXPECT_EQ(read("* R1|name=Never, Read\n\n!ShowZip=\n!HTCity=Y\r\n!showaddr=n\n"), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
    EXPECT_EQ(getFirstMember(), nullptr);
    EXPECT_EQ(ShowZipFlag, 0);
    EXPECT_EQ(HTCityFlag, 'Y');
    EXPECT_EQ(ShowAddrFlag, 'y');
}

TEST_F(AuxFile, ExistingMemberIsChangedInPlaceAndNotStoredAgain) {
    setenv("ROLLBOOK_TODAY", "2024-06-14", 1);
    WardMember* m = household("R1", "Old", "Name");
    ASSERT_EQ(read("R1\n"
                   "R1|name=Smith, John , Jr|pname= Smitty,Jack|sex=f|id=42|stat=  Elder |birth=15 Jun 1980\n"
                   "R1|addr=1 Main|addr2=Apt 2|city=Provo|state=UT|zip=84601|phone= 555-1234|x=anything\r\n"),
              0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
    EXPECT_EQ(*m->lname, "Smith");
    EXPECT_EQ(*m->fname, "John ");  // trailing blanks are kept
    EXPECT_EQ(*m->suff, "Jr");
    EXPECT_EQ(*m->lpname, "Smitty");
    EXPECT_EQ(*m->fpname, "Jack");
    EXPECT_FALSE(m->spname);
    EXPECT_EQ(m->sex, 'F');
    EXPECT_EQ(m->memid, 42);
    EXPECT_EQ(*m->stat, "Elder ");
    EXPECT_STREQ(fixdate(m->birth.get()), "6/15/1980");
    EXPECT_EQ(m->age, 43);  // the day before the birthday
    WardFamily* f = m->fam;
    EXPECT_EQ(*f->addr, "1 Main");
    EXPECT_EQ(*f->addr2, "Apt 2");
    EXPECT_EQ(*f->city, "Provo");
    EXPECT_EQ(*f->state, "UT");
    EXPECT_EQ(*f->zip, "84601");
    EXPECT_EQ(*f->phone, "555-1234");
    EXPECT_EQ(*m->phone, "555-1234");
    EXPECT_EQ(getRecNo("R1"), m);
    EXPECT_EQ(Member->head, Member->tail);
}

TEST_F(AuxFile, OnePieceNameSetsOnlyTheLastNameAndAnOddSexChangesNothing) {
    WardMember* m = household("R1", "Old", "Name");
    m->sex = 'M';
    read("R1|name=Jones|sex=X\n");
    EXPECT_EQ(*m->lname, "Jones");
    EXPECT_EQ(*m->fname, "Name");
    EXPECT_EQ(m->sex, 'M');
}

TEST_F(AuxFile, EntriesArePutAtTheFrontInReverseOrder) {
    WardMember* m = household("R1", "Doe", "Jo");
    read("R1|cell=111|cell=222|work=333|email=a@b|rem=first\nR1|rem=second\n");
    EXPECT_EQ(texts(m->cell), (Strings{"222", "111"}));
    EXPECT_EQ(texts(m->work), (Strings{"333"}));
    EXPECT_EQ(texts(m->email2), (Strings{"a@b"}));
    EXPECT_EQ(texts(m->rem), (Strings{"second", "first"}));
    EXPECT_FALSE(m->email);
}

TEST_F(AuxFile, UnknownKeysAndEmptyValuesAreReportedAndSkipped) {
    WardMember* m = household("R1", "Doe", "Jo");
    read("R1| name=A|NAME=B|nick=  Bo |stat=|rem=   |lonely||x=\n");
    EXPECT_EQ(err,
              "Invalid field [ name], value=[A]\n"
              "Invalid field [NAME], value=[B]\n"
              "Invalid field [nick], value=[Bo ]\n"
              "Empty value for field [stat] ignored\n"
              "Empty value for field [rem] ignored\n"
              "Empty value for field [lonely] ignored\n"
              "Empty value for field [] ignored\n"
              "Empty value for field [x] ignored\n");
    EXPECT_EQ(*m->lname, "Doe");
    EXPECT_FALSE(m->stat);
    EXPECT_EQ(m->rem, nullptr);
}

TEST_F(AuxFile, UnknownRecordNumberBecomesANewMemberWithoutFamily) {
    household("R1", "Doe", "Jo");
    read(" R1|name=Roe, Ann|id=7\n");  // the record number is not trimmed
    EXPECT_EQ(out, "Creating membership record for [ R1]\n");
    EXPECT_EQ(err, "");
    WardMember* m = getRecNo(" R1");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(getMemID(7), m);
    EXPECT_EQ(m->fam, nullptr);
    EXPECT_EQ(*m->lpname, "Roe");
    EXPECT_EQ(*m->fpname, "Ann");
    EXPECT_EQ(storedFamilies(), 1);
}

TEST_F(AuxFile, NewHeadCreatesAFamilyThatOthersJoin) {
    read("N1|family=N1|name=Doe, John|phone=555\nN2|name=Doe, Jane|family=N1|city=Orem\n");
    EXPECT_EQ(out, "Creating membership record for [N1]\nCreating membership record for [N2]\n");
    EXPECT_EQ(err, "");
    WardMember* head = getRecNo("N1");
    WardMember* wife = getRecNo("N2");
    ASSERT_NE(head, nullptr);
    ASSERT_NE(wife, nullptr);
    WardFamily* f = getFirstFamily();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(storedFamilies(), 1);
    EXPECT_EQ(*f->household, "Doe, John");
    EXPECT_EQ(*f->recno, "N1");
    EXPECT_EQ(*f->fpname, "John");
    EXPECT_EQ(f->famid, 0);
    EXPECT_EQ(chain(f), (std::vector<WardMember*>{head, wife}));
    EXPECT_EQ(wife->fam, f);
    EXPECT_EQ(*wife->phone, "555");
    EXPECT_EQ(*f->city, "Orem");
}

TEST_F(AuxFile, JoinerTakesTheKeyMembersPhonesAndGoesLast) {
    WardMember* head = household("R1", "Doe", "Jo");
    head->fam->phone = "111";
    head->phone2 = "222";
    read("N1|family=R1|name=Doe, Kid\nN2|family=R1|name=Doe, Baby\n");
    EXPECT_EQ(err, "");
    WardMember* kid = getRecNo("N1");
    EXPECT_EQ(*kid->phone, "111");
    EXPECT_EQ(*kid->phone2, "222");
    head->phone = "333";
    EXPECT_EQ(chain(head->fam), (std::vector<WardMember*>{head, kid, getRecNo("N2")}));
    read("N3|family=R1|name=Doe, Late\n");
    EXPECT_EQ(*getRecNo("N3")->phone, "333");
}

TEST_F(AuxFile, JoiningAFamilyWithoutMembersMakesTheJoinerItsFirst) {
    WardMember* head = household("R1", "Doe", "Jo");
    WardFamily* f = head->fam;
    f->members = nullptr;
    read("N1|family=R1|name=Doe, Kid\n");
    EXPECT_EQ(err, "No members found for family [R1]\n");
    EXPECT_EQ(chain(f), (std::vector<WardMember*>{getRecNo("N1")}));
}

TEST_F(AuxFile, KeyMemberMissingOrWithoutFamilyLeavesTheMemberAlone) {
    loner("L1");
    read("N1|family=ZZ|name=Roe, Al\nN2|family=L1|name=Roe, Bo\n");
    EXPECT_EQ(err,
              "Family record not found for [ZZ], member [N1]\n"
              "Family record not found for [L1], member [N2]\n");
    EXPECT_EQ(getRecNo("N1")->fam, nullptr);
    EXPECT_EQ(getRecNo("N2")->fam, nullptr);
    EXPECT_EQ(storedFamilies(), 0);
}

TEST_F(AuxFile, FamilyKeysWithoutAFamilyAreIgnoredWithAMessage) {
    WardMember* l = loner("L1");
    read("L1|phone=555|stat=HP\nN1|addr=1 Main|family=N1|zip=84601|name=Roe, Al\n");
    EXPECT_EQ(err,
              "Field [phone] ignored: member [L1] has no family\n"
              "Field [addr] ignored: member [N1] has no family\n");
    EXPECT_FALSE(l->phone);
    EXPECT_EQ(*l->stat, "HP");
    WardFamily* f = getRecNo("N1")->fam;
    EXPECT_FALSE(f->addr);
    EXPECT_EQ(*f->zip, "84601");

    testing::internal::CaptureStderr();
    for (const char* key : {"addr", "addr2", "city", "state", "zip", "phone"})
        process_auxfield(l, nullptr, key, "v");
    std::string want;
    for (const char* key : {"addr", "addr2", "city", "state", "zip", "phone"})
        want += std::string("Field [") + key + "] ignored: member [L1] has no family\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), want);
}

TEST_F(AuxFile, NamelessNewMemberIsDiscardedAndUndone) {
    WardMember* head = household("R1", "Doe", "Jo");
    read("N1|family=N1|id=9\nN2|family=R1|name=Doe\nN3|cell=1\n");
    EXPECT_EQ(err,
              "Name missing for od=9, recno=N1.  Entry discarded.\n"
              "Name missing for od=0, recno=N2.  Entry discarded.\n"
              "Name missing for od=0, recno=N3.  Entry discarded.\n");
    EXPECT_EQ(getRecNo("N1"), nullptr);
    EXPECT_EQ(getRecNo("N2"), nullptr);
    EXPECT_EQ(getMemID(9), nullptr);
    EXPECT_EQ(storedFamilies(), 1);
    EXPECT_EQ(chain(head->fam), (std::vector<WardMember*>{head}));
}

TEST_F(AuxFile, SecondFamilyFieldMovesTheNewMember) {
    WardMember* head = household("R1", "Doe", "Jo");
    read("N1|family=N1|family=R1|name=Doe, Kid\n");
    EXPECT_EQ(storedFamilies(), 1);
    EXPECT_EQ(chain(head->fam), (std::vector<WardMember*>{head, getRecNo("N1")}));
}

TEST_F(AuxFile, FieldsAfterThe99thAreIgnored) {
    WardMember* m = household("R1", "Doe", "Jo");
    std::string fill;
    for (int i = 0; i < 97; ++i) fill += "|x=1";
    read("R1" + fill + "|stat=99th\n" + "R1" + fill + "|rem=99th|stat=100th\n");
    EXPECT_EQ(err, "Too many fields for [R1]; fields after the 99th ignored\n");
    EXPECT_EQ(*m->stat, "99th");
    EXPECT_EQ(texts(m->rem), (Strings{"99th"}));
}

TEST_F(AuxFile, LongLineArrivesInPieces) {
    WardMember* m = household("R1", "Doe", "Jo");
    std::string rest = "N9|name=Roe, Al";
    read("R1|rem=" + std::string(MaxLineChars - 7, 'a') + rest + "\n");
    EXPECT_EQ(texts(m->rem), (Strings{std::string(MaxLineChars - 7, 'a')}));
    EXPECT_EQ(out, "Creating membership record for [N9]\n");
    EXPECT_NE(getRecNo("N9"), nullptr);
}
