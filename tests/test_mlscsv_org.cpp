#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "data.h"
#include "mlscsv.h"
#include "ward_list.h"

namespace {

// A ward export header of 9 columns.
const char WardHeader[] = "Org Seq,Org,Pos Seq,Position,Leader,Indiv ID,Name,Sustained,Unit\n";
const char StakeHeader[] = "Org Seq,Org,Pos Seq,Position,Leader,Indiv ID,Name,Sustained,Unit,Unit No\n";

// Each test starts with an empty store in ward mode and its own folder.
class OrgFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/rollbook-org-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        dataInit();
        setStake(0);
    }
    void TearDown() override {
        for (const std::string& f : files_) std::remove(f.c_str());
        rmdir(dir_.c_str());
        dataInit();
        setStake(0);
    }

    // file: write bytes as they are into the folder; returns the full path.
    std::string file(const std::string& name, const std::string& bytes) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        files_.push_back(path);
        return path;
    }

    // member: store a member for the positions to be linked to.
    WardMember* member(int memid, const char* last, const char* first, const char* phone) {
        WardMember* m = create_ward_member();
        m->memid = memid;
        m->lname = last;
        m->fname = first;
        if (phone != nullptr) m->phone = phone;
        storeMember(m);
        return m;
    }

    // run: call a reader with stderr captured into err.
    int run(int (*reader)(const char*), const std::string& path) {
        testing::internal::CaptureStderr();
        int r = reader(path.c_str());
        err = testing::internal::GetCapturedStderr();
        return r;
    }

    std::string err;

private:
    std::string dir_;
    std::vector<std::string> files_;
};

class OrgCSV : public OrgFiles {};
class OrgTab : public OrgFiles {};

// The organizations of the designated list, in order.
std::vector<WardOrg*> orgs() {
    std::vector<WardOrg*> v;
    for (WardOrg* o = getFirstOrg(); o != nullptr; o = getNextOrg()) v.push_back(o);
    return v;
}

std::vector<WardPos*> positions(const WardOrg* org) {
    std::vector<WardPos*> v;
    for (WardPos* p = org->pos; p != nullptr; p = p->next) v.push_back(p);
    return v;
}

}  // namespace

// ---- Organization CSV ----

TEST_F(OrgCSV, ConsecutiveOrganizationNumbersShareOneOrganization) {
    WardMember* smith = member(101, "Smith", "John", nullptr);
    WardMember* doe = member(102, "Doe", "Jane", nullptr);
    std::string path = file("Organization.csv", std::string(WardHeader) +
                                                    "1,Elders Quorum,10,President,Yes,101,Smith John,1 Jan 2000,W\n"
                                                    "1,Elders Quorum,20, Secretary,N,0,,,W\n"
                                                    "2,  Primary,5,Teacher,,102,  Doe Jane,,W\n");
    ASSERT_EQ(run(readOrgCSV, path), 0);
    EXPECT_EQ(err, "");

    std::vector<WardOrg*> o = orgs();
    ASSERT_EQ(o.size(), 2u);
    EXPECT_EQ(o[0]->seq, 1);
    EXPECT_EQ(o[0]->org, "Elders Quorum");
    EXPECT_FALSE(o[0]->uname);
    std::vector<WardPos*> p = positions(o[0]);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0]->org, o[0]);
    EXPECT_EQ(p[0]->seq, 10);
    EXPECT_EQ(p[0]->pos, "President");
    EXPECT_EQ(p[0]->isLdr, 'Y');
    EXPECT_EQ(p[0]->memid, 101);
    EXPECT_EQ(p[0]->name, "Smith John");
    EXPECT_EQ(p[0]->sus, "1 Jan 2000");
    EXPECT_FALSE(p[0]->uname);
    EXPECT_EQ(p[0]->mem, smith);
    EXPECT_EQ(smith->pos, p[0]);

    // A vacancy stays in the chain, linked to nobody and reported by nobody.
    EXPECT_EQ(p[1]->seq, 20);
    EXPECT_EQ(p[1]->pos, "Secretary");
    EXPECT_EQ(p[1]->isLdr, 'N');
    EXPECT_EQ(p[1]->mem, nullptr);
    EXPECT_FALSE(p[1]->name);
    EXPECT_FALSE(p[1]->sus);

    EXPECT_EQ(o[1]->seq, 2);
    EXPECT_EQ(o[1]->org, "Primary");
    p = positions(o[1]);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0]->org, o[1]);
    EXPECT_EQ(p[0]->isLdr, 0);
    EXPECT_EQ(p[0]->name, "Doe Jane");
    EXPECT_EQ(p[0]->mem, doe);
}

TEST_F(OrgCSV, AReturningOrganizationNumberStartsAnotherOrganization) {
    std::string path = file("Organization.csv", std::string(WardHeader) +
                                                    "1,A,1,P,N,0,,,W\n"
                                                    "2,B,1,P,N,0,,,W\n"
                                                    "1,A,2,P,N,0,,,W\n");
    ASSERT_EQ(run(readOrgCSV, path), 0);
    std::vector<WardOrg*> o = orgs();
    ASSERT_EQ(o.size(), 3u);
    EXPECT_EQ(o[2]->seq, 1);
    EXPECT_EQ(positions(o[2]).size(), 1u);
}

TEST_F(OrgCSV, QuotedFieldsKeepTheirCommas) {
    std::string path = file("Organization.csv",
                            std::string(WardHeader) +
                                "3,\"Relief Society, Presidency\",1,\"Counselor, First\",Y,0,\"Doe, Jane\",,W\n");
    ASSERT_EQ(run(readOrgCSV, path), 0);
    std::vector<WardOrg*> o = orgs();
    ASSERT_EQ(o.size(), 1u);
    EXPECT_EQ(o[0]->org, "Relief Society, Presidency");
    EXPECT_EQ(o[0]->pos->pos, "Counselor, First");
    EXPECT_EQ(o[0]->pos->name, "Doe, Jane");
}

TEST_F(OrgCSV, LinesOfTheWrongWidthAreReportedAndSkipped) {
    // A line ending in a comma has one field fewer: the export's empty last
    // column does not count.
    std::string path = file("Organization.csv", std::string(WardHeader) +
                                                    "1,EQ,1,Pres,Y,0,,,W\n"
                                                    "1,EQ,2,Sec,N,0,x\n"
                                                    "1,EQ,3,Clerk,N,0,,,\n"
                                                    "1,EQ,4,Aide,N,0,,,W,extra\n"
                                                    "1,EQ,5,Helper,N,0,,,W\n");
    ASSERT_EQ(run(readOrgCSV, path), 0);
    EXPECT_EQ(err,
              "Invalid Organization record at line 3. Found 7 fields, expected 9\n"
              "Invalid Organization record at line 4. Found 8 fields, expected 9\n"
              "Invalid Organization record at line 5. Found 10 fields, expected 9\n");
    std::vector<WardOrg*> o = orgs();
    ASSERT_EQ(o.size(), 1u);
    std::vector<WardPos*> p = positions(o[0]);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0]->seq, 1);
    EXPECT_EQ(p[1]->seq, 5);
}

TEST_F(OrgCSV, AMemberIdNotStoredIsReportedAndThePositionKept) {
    std::string path =
        file("Organization.csv", std::string(WardHeader) + "2,Primary,5,Teacher,N,77,\"Doe, Jane\",,W\n");
    ASSERT_EQ(run(readOrgCSV, path), 0);
    EXPECT_EQ(err, "Can't find Membership record: ID=77, Name=Doe, Jane, Phone=(null) (org: Primary, pos: Teacher) "
                   "Doe, Jane\n");
    std::vector<WardOrg*> o = orgs();
    ASSERT_EQ(o.size(), 1u);
    ASSERT_NE(o[0]->pos, nullptr);
    EXPECT_EQ(o[0]->pos->mem, nullptr);
}

TEST_F(OrgCSV, WardHeaderMustHaveNineFields) {
    std::string path = file("Organization.csv", std::string(StakeHeader) + "1,A,1,P,N,0,,,W\n");
    EXPECT_EQ(run(readOrgCSV, path), 4);
    EXPECT_EQ(err, "Invalid Ward Org CSV file.  Found 10 fields, expected 9\n");
    EXPECT_TRUE(orgs().empty());

    EXPECT_EQ(run(readOrgCSV, file("empty.csv", "")), 4);
    EXPECT_EQ(err, "Invalid Ward Org CSV file.  Found 0 fields, expected 9\n");
}

TEST_F(OrgCSV, StakeHeaderMayHaveEightToTenFields) {
    setStake(1);
    const char* headers[] = {"a,b,c,d,e,f,g\n", "a,b,c,d,e,f,g,h\n", "a,b,c,d,e,f,g,h,i\n",
                             "a,b,c,d,e,f,g,h,i,j\n", "a,b,c,d,e,f,g,h,i,j,k\n"};
    const int results[] = {3, 0, 0, 0, 3};
    for (int i = 0; i < 5; ++i) {
        std::string path = file("h" + std::to_string(i) + ".csv", headers[i]);
        EXPECT_EQ(run(readOrgCSV, path), results[i]) << headers[i];
    }
    EXPECT_EQ(err, "Invalid Stake Org CSV File.  Found 11 fields, expected 10\n");
}

TEST_F(OrgCSV, StakeDataLinesNeedTenFieldsWhateverTheHeader) {
    setStake(1);
    std::string path = file("WardOrganization.csv", std::string(WardHeader) +
                                                        "1,EQ,1,Pres,Y,0,,,First Ward\n"
                                                        "1,EQ,2,Sec,N,0,,,First Ward,11\n");
    ASSERT_EQ(run(readOrgCSV, path), 0);
    EXPECT_EQ(err, "Invalid Organization record at line 2. Found 9 fields, expected 10\n");
    std::vector<WardOrg*> o = orgs();
    ASSERT_EQ(o.size(), 1u);
    EXPECT_EQ(o[0]->pos->pos, "Sec");
}

TEST_F(OrgCSV, StakeUnitGoesToOrganizationAndPositionsIntoTheDesignatedList) {
    setStake(1);
    setStakeOrg(1);
    std::string path = file("WardOrganization.csv", std::string(StakeHeader) +
                                                        "1,Bishopric,1,Bishop,Y,0,,,First Ward,11\r\n"
                                                        "1,Bishopric,2,Clerk,N,0,,,Second Ward,22\r\n");
    ASSERT_EQ(run(readOrgCSV, path), 0);
    EXPECT_EQ(err, "");
    std::vector<WardOrg*> o = orgs();
    ASSERT_EQ(o.size(), 1u);
    EXPECT_EQ(o[0]->uname, "First Ward");
    EXPECT_EQ(o[0]->unum, "11");
    std::vector<WardPos*> p = positions(o[0]);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[1]->uname, "Second Ward");
    EXPECT_EQ(p[1]->unum, "22");  // no carriage return left over

    setStakeOrg(0);
    EXPECT_TRUE(orgs().empty());
}

TEST_F(OrgCSV, AMissingFileIsReported) {
    std::string path = file("x", "") + "-missing";
    EXPECT_EQ(run(readOrgCSV, path), 1);
    EXPECT_EQ(err, "Can't open input Org file (" + path + ")\n");
}

// ---- Callings report (mlsorg.txt) ----

TEST_F(OrgTab, BlocksOfTheSameNameFormOneOrganizationNumberedAcross) {
    WardMember* smith = member(0, "Smith", "John", "555-1234");
    member(0, "Brown", "Bob", "555-2222");
    member(0, "Green", "Al", "555-3333");
    WardMember* doe = member(0, "Doe", "Jane", "555-4444");
    std::string path = file("mlsorg.txt",
                            "Elders Quorum\n"
                            "Leadership Callings\n"
                            "Position\tName\tSustained\tSet Apart\tPhone\tX\n"
                            "President\tSmith, John\t1 Jan 2000\tYes\t555-1234\t\n"
                            "Counselor\tBrown, Bob\t2 Feb 2001\tYes\t555-2222\t\n"
                            "\n"
                            "Elders Quorum\n"
                            "Other Callings\n"
                            "Position\tName\tSustained\tSet Apart\tPhone\tX\n"
                            "Instructor\t Green, Al\t3 Mar 2002\tNo\t555-3333\t\n"
                            "\n"
                            "Primary\n"
                            "Leadership Callings\n"
                            "headings\n"
                            "\tPresident\tDoe, Jane\t4 Apr 2003\tYes\t555-4444\n");
    ASSERT_EQ(run(readOrgTab, path), 0);
    EXPECT_EQ(err, "");

    std::vector<WardOrg*> o = orgs();
    ASSERT_EQ(o.size(), 2u);
    EXPECT_EQ(o[0]->seq, 1);
    EXPECT_EQ(o[0]->org, "Elders Quorum");
    std::vector<WardPos*> p = positions(o[0]);
    ASSERT_EQ(p.size(), 3u);
    const char* names[] = {"President", "Counselor", "Instructor"};
    const int leader[] = {1, 1, 0};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(p[i]->seq, i + 1);
        EXPECT_EQ(p[i]->pos, names[i]);
        EXPECT_EQ(p[i]->isLdr, leader[i]);  // the number, not the character
        EXPECT_EQ(p[i]->memid, 0);
        EXPECT_EQ(p[i]->org, o[0]);
        EXPECT_NE(p[i]->mem, nullptr);
    }
    EXPECT_EQ(p[0]->name, "Smith, John");
    EXPECT_EQ(p[0]->sus, "1 Jan 2000");
    EXPECT_EQ(p[0]->phone, "555-1234");
    EXPECT_EQ(p[0]->mem, smith);
    EXPECT_EQ(p[2]->name, "Green, Al");

    // A leading tab moves every column one field to the right.
    EXPECT_EQ(o[1]->seq, 2);
    p = positions(o[1]);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0]->seq, 1);
    EXPECT_EQ(p[0]->pos, "President");
    EXPECT_EQ(p[0]->name, "Doe, Jane");
    EXPECT_EQ(p[0]->sus, "4 Apr 2003");
    EXPECT_EQ(p[0]->phone, "555-4444");
    EXPECT_EQ(p[0]->mem, doe);
}

TEST_F(OrgTab, NameLinesAreComparedExactlyBeforeTrimming) {
    std::string path = file("mlsorg.txt",
                            " Primary\nOther Callings\nh\nPianist\t\t\t\t\t\n\n"
                            "Primary\nOther Callings\nh\nChorister\t\t\t\t\t\n");
    ASSERT_EQ(run(readOrgTab, path), 0);
    std::vector<WardOrg*> o = orgs();
    ASSERT_EQ(o.size(), 2u);
    EXPECT_EQ(o[0]->org, "Primary");
    EXPECT_EQ(o[1]->org, "Primary");
    EXPECT_EQ(o[1]->pos->seq, 1);
}

TEST_F(OrgTab, ShortLinesAreReportedWithTheirLineNumberAndSkipped) {
    std::string path = file("mlsorg.txt",
                            "Primary\n"
                            "Other Callings\n"
                            "headings\n"
                            "Teacher\tDoe, Jane\t4 Apr 2003\t\t555\n"
                            "\tTeacher\tDoe, Jane\t4 Apr 2003\t\n"
                            "Pianist\t\t\t\t\t\n");
    ASSERT_EQ(run(readOrgTab, path), 0);
    EXPECT_EQ(err,
              "readOrgTab: Only 5 fields for line 4 (Teacher\tDoe, Jane\t4 Apr 2003\t\t555)\n"
              "readOrgTab: Only 5 fields for line 5 (\tTeacher\tDoe, Jane\t4 Apr 2003\t)\n");
    std::vector<WardOrg*> o = orgs();
    ASSERT_EQ(o.size(), 1u);
    std::vector<WardPos*> p = positions(o[0]);
    ASSERT_EQ(p.size(), 1u);
    // A position without a name is a vacancy: not looked up, not reported.
    EXPECT_EQ(p[0]->seq, 1);
    EXPECT_EQ(p[0]->pos, "Pianist");
    EXPECT_FALSE(p[0]->name);
    EXPECT_FALSE(p[0]->phone);
    EXPECT_EQ(p[0]->mem, nullptr);
}

TEST_F(OrgTab, AnUnknownCallingsTypeIsReportedAndCountsAsOther) {
    std::string path = file("mlsorg.txt", "Primary\nLeadership callings\nh\nPianist\t\t\t\t\t\n");
    ASSERT_EQ(run(readOrgTab, path), 0);
    EXPECT_EQ(err, "readOrgTab: Invalid callings type (Leadership callings)\n");
    ASSERT_EQ(orgs().size(), 1u);
    EXPECT_EQ(orgs()[0]->pos->isLdr, 0);
}

TEST_F(OrgTab, EndOfFileAfterANameLineReturnsThreeAndKeepsWhatWasRead) {
    std::string path = file("mlsorg.txt", "Primary\nOther Callings\nh\nPianist\t\t\t\t\t\n\nNursery\n");
    EXPECT_EQ(run(readOrgTab, path), 3);
    EXPECT_EQ(err, "readOrgTab: EOF after organization name\n");
    std::vector<WardOrg*> o = orgs();
    ASSERT_EQ(o.size(), 2u);
    EXPECT_EQ(positions(o[0]).size(), 1u);
    EXPECT_EQ(o[1]->org, "Nursery");
    EXPECT_EQ(o[1]->pos, nullptr);
}

TEST_F(OrgTab, EndOfFileInsteadOfHeadingsReturnsFive) {
    std::string path = file("mlsorg.txt", "Primary\nOther Callings\n");
    EXPECT_EQ(run(readOrgTab, path), 5);
    EXPECT_EQ(err, "readOrgTab: EOF instead of column headings.\n");
    EXPECT_EQ(orgs().size(), 1u);
}

TEST_F(OrgTab, ExtraEmptyLinesAreSkippedButCounted) {
    std::string path = file("mlsorg.txt",
                            "\n\nPrimary\nOther Callings\nh\nPianist\t\t\t\t\t\n"
                            "\n\n\nNursery\nOther Callings\nh\nbad\n");
    ASSERT_EQ(run(readOrgTab, path), 0);
    EXPECT_EQ(err, "readOrgTab: Only 1 fields for line 13 (bad)\n");
    std::vector<WardOrg*> o = orgs();
    ASSERT_EQ(o.size(), 2u);
    EXPECT_EQ(o[0]->org, "Primary");
    EXPECT_EQ(o[1]->org, "Nursery");
    EXPECT_EQ(o[1]->seq, 2);
}

TEST_F(OrgTab, HolderIsFoundByNameAndPhoneOrReported) {
    WardMember* smith = member(0, "Smith", "John", "555-1234");
    std::string path = file("mlsorg.txt",
                            "Elders Quorum\nLeadership Callings\nh\n"
                            "President\tSmith, John\t\t\t555-1234\t\n"
                            "Counselor\tSmith, John\t\t\t555-9999\t\n"
                            "Clerk\tSmith, John\t\t\t\t\n");
    ASSERT_EQ(run(readOrgTab, path), 0);
    EXPECT_EQ(err, "Can't find Membership record: ID=0, Name=Smith, John, Phone=555-9999 "
                   "(org: Elders Quorum, pos: Counselor) Smith, John\n");
    std::vector<WardPos*> p = positions(orgs()[0]);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0]->mem, smith);
    EXPECT_EQ(p[1]->mem, nullptr);
    EXPECT_EQ(p[2]->mem, smith);  // no phone given matches any phone
    EXPECT_EQ(smith->pos, p[0]);
    EXPECT_EQ(p[0]->memnext, p[2]);
}

TEST_F(OrgTab, CarriageReturnLineEndsReadLikeLineFeeds) {
    std::string path = file("mlsorg.txt",
                            "Primary\r\nLeadership Callings\r\nh\r\n"
                            "\tPresident\tDoe, Jane\t\t\t555-4444\r\n\r\n"
                            "Primary\r\nOther Callings\r\nh\r\nPianist\t\t\t\t\t\r\n");
    ASSERT_EQ(run(readOrgTab, path), 0);
    EXPECT_EQ(err, "Can't find Membership record: ID=0, Name=Doe, Jane, Phone=555-4444 "
                   "(org: Primary, pos: President) Doe, Jane\n");
    std::vector<WardOrg*> o = orgs();
    ASSERT_EQ(o.size(), 1u);
    EXPECT_EQ(o[0]->org, "Primary");
    std::vector<WardPos*> p = positions(o[0]);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0]->isLdr, 1);
    EXPECT_EQ(p[0]->phone, "555-4444");
    EXPECT_EQ(p[1]->seq, 2);
}

TEST_F(OrgTab, AMissingFileIsReportedAndTheWebFileIsNeverRead) {
    std::string path = file("x", "") + "-missing";
    EXPECT_EQ(run(readOrgTab, path), 1);
    EXPECT_EQ(err, "readOrgTab: Unable to open input file (" + path + ")\n");
    EXPECT_EQ(run(readWebOrg, path), 0);
    EXPECT_EQ(err, "");
}
