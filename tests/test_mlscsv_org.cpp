#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "data.h"
#include "mlscsv.h"
#include "ward_list.h"

namespace {

// Each test starts with an empty ward store; every run rewrites one file.
class OrgRead : public ::testing::Test {
protected:
    void SetUp() override {
        dataInit();
        setStake(0);
    }
    void TearDown() override {
        std::remove(path_.c_str());
        dataInit();
        setStake(0);
    }
    // run: write bytes as they are, read them with reader, keep stderr in err.
    int run(int (*reader)(const char*), const std::string& bytes) {
        std::ofstream(path_, std::ios::binary) << bytes;
        testing::internal::CaptureStderr();
        int r = reader(path_.c_str());
        err = testing::internal::GetCapturedStderr();
        return r;
    }
    std::string path_ = testing::TempDir() + "rollbook-org-" + std::to_string(getpid()), err;
};

WardMember* member(const char* last, const char* first, const char* phone) {
    WardMember* m = create_ward_member();
    m->lname = last;
    m->fname = first;
    m->phone = phone;
    storeMember(m);
    return m;
}

}  // namespace

TEST_F(OrgRead, StakeHeaderOfEightToTenFieldsIsAcceptedAndSevenOrElevenRejected) {
    setStake(1);
    for (int n = 7; n <= 11; ++n) {
        std::string header = "a";
        for (int i = 1; i < n; ++i) header += ",a";
        const bool bad = n < 8 || n > 10;
        EXPECT_EQ(run(readOrgCSV, header + "\n"), bad ? 3 : 0) << n;
        EXPECT_EQ(err, bad ? "Invalid Stake Org CSV File.  Found " + std::to_string(n) + " fields, expected 10\n" : "");
    }
}

TEST_F(OrgRead, NegativeMemberIdIsMatchedByNameAndCarriageReturnsDoNotReachTheUnit) {
    setStake(1);
    setStakeOrg(1);
    WardMember* smith = member("Smith", "John", "555-1111");
    ASSERT_EQ(run(readOrgCSV, "a,b,c,d,e,f,g,h,i,j\r\n1,EQ,1,Pres,Y,-3,\"Smith, John\",,First Ward,11\r\n"), 0);
    EXPECT_EQ(err, "");
    WardPos* p = getFirstOrg()->pos;
    EXPECT_EQ(p->mem, smith);
    EXPECT_EQ(p->unum, "11");
}

TEST_F(OrgRead, CallingsReportShiftsLeadingTabLinesAndMarksLeadersWithTheNumberOne) {
    WardMember* doe = member("Doe", "Jane", "555-4444");
    ASSERT_EQ(run(readOrgTab, "Primary\r\nLeadership Callings\r\nh\r\n"
                              "\tPresident\tDoe, Jane\t4 Apr 2003\tYes\t555-4444\r\n\r\n"
                              "Primary\r\nOther Callings\r\nh\r\nPianist\t\t\t\t\t\r\n\r\n"
                              " Primary\r\nOther Callings\r\nh\r\nChorister\t\t\t\t\t\r\n"),
              0);
    EXPECT_EQ(err, "");
    WardPos* p = getFirstOrg()->pos;
    EXPECT_EQ(p->pos, "President");
    EXPECT_EQ(p->sus, "4 Apr 2003");
    EXPECT_EQ(p->phone, "555-4444");
    EXPECT_EQ(p->mem, doe);
    EXPECT_EQ(p->isLdr, 1);
    ASSERT_NE(p->next, nullptr);
    EXPECT_EQ(p->next->isLdr, 0);
    EXPECT_EQ(p->next->next, nullptr);
    WardOrg* next = getNextOrg();  // " Primary" is not "Primary": another organization
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->org, "Primary");
}
