// The unit and web directory readers: the household line classifiers, the
// household walk of one group, and the web directory's address columns.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "data.h"
#include "mlscsv.h"

namespace {

class Directories : public ::testing::Test {
protected:
    void SetUp() override {
        dataInit();
        setStake(0);
        process_mlsdir({}, -1);
    }
    void TearDown() override {
        std::remove(path_.c_str());
        dataInit();
    }
    // web: readWebMember over a header and the given lines; stderr in err.
    int web(const std::string& lines) {
        std::ofstream(path_, std::ios::binary) << "h,h,h,h,h,h,h,h,h,h\n" << lines;
        testing::internal::CaptureStderr();
        int r = readWebMember(path_.c_str());
        err = testing::internal::GetCapturedStderr();
        return r;
    }
    std::string path_ = testing::TempDir() + "rollbook-webdir.csv";
    std::string err;
};

}  // namespace

TEST(Classifiers, ZipLinesNeedACommaTwoLettersAndOnlyDigitsHyphensOrBlanks) {
    EXPECT_EQ(looks_like_zip_line("Springfield, UT 84001"), 1);
    EXPECT_EQ(looks_like_zip_line("Town,ut 84001-1234 5"), 1);
    EXPECT_EQ(looks_like_zip_line("Town, UT"), 1);
    EXPECT_EQ(looks_like_zip_line("Town UT 84001"), 0);
    EXPECT_EQ(looks_like_zip_line("Town, U 84001"), 0);
    EXPECT_EQ(looks_like_zip_line("Town, UT 8400A"), 0);
    EXPECT_EQ(looks_like_zip_line("Town, UT 84001\t"), 0);
}

TEST(Classifiers, PhonesAreTenDigitsGroupedThreeThreeFour) {
    for (const char* yes : {"555-123-4567", "(555)123-4567", "555.123.4567", "5551234567", "tel 555-123-4567 home"})
        EXPECT_EQ(looks_like_phone_line(yes), 1) << yes;
    for (const char* no : {"(555) 123-4567", "555-1234", "555--123-4567", "555-123-456", "", "no digits"})
        EXPECT_EQ(looks_like_phone_line(no), 0) << no;
    EXPECT_EQ(looks_like_email_line("a@b") * 10 + looks_like_email_line("ab"), 10);
}

TEST_F(Directories, AGroupWalksStreetCityPhoneAndEmailAndMakesRecordNumbers) {
    ASSERT_EQ(process_mlsdir({"Ash\tAl\tM\t1 Jan 1970\t56"}, 1), 0);
    ASSERT_EQ(process_mlsdir({"Bay\tBo\tM\t1 Jan 1970\t56", "1 Elm St\tBay, Bea\tF\t2 Feb\t50", "Town, UT 11111",
                              "555-111-2222", "bay@x.org", "555-111-3333"},
                             6),
              0);
    WardFamily* bay = getRecNo("999-0002-0001")->fam;
    ASSERT_NE(bay, nullptr);
    EXPECT_EQ(bay->addr, "1 Elm St");
    EXPECT_FALSE(bay->addr2);
    EXPECT_EQ(bay->city, "Town");
    EXPECT_EQ(bay->state, "UT");
    EXPECT_EQ(bay->zip, "11111");
    EXPECT_EQ(bay->phone, "555-111-2222");
    EXPECT_EQ(bay->email, "bay@x.org");
    EXPECT_EQ(bay->phone2, "555-111-3333");
    EXPECT_EQ(bay->household, "Bay, Bo & Bea");
    WardMember* bea = getRecNo("999-0002-0002");
    ASSERT_NE(bea, nullptr);
    EXPECT_EQ(bea->fampos, 2);
    EXPECT_EQ(bea->type, 0);
    EXPECT_EQ(bea->age, 50);
}

TEST_F(Directories, ThreePhonesWithoutEmailRotateAndAnEmailFirstTakesThePhoneStep) {
    ASSERT_EQ(process_mlsdir({"Cox\tCy\tF", "1 Elm", "Town, UT 1", "555-000-0001", "555-000-0002", "555-000-0003"}, 6),
              0);
    ASSERT_EQ(process_mlsdir({"Dee\tDi\tF", "Town, UT 1", "d@x.org", "555-000-0004"}, 4), 0);
    WardFamily* cox = getRecNo("999-0001-0001")->fam;
    EXPECT_EQ(cox->phone3, "555-000-0001");
    EXPECT_EQ(cox->phone, "555-000-0002");
    EXPECT_EQ(cox->phone2, "555-000-0003");
    WardFamily* dee = getRecNo("999-0002-0001")->fam;
    EXPECT_FALSE(dee->addr);
    EXPECT_EQ(dee->city, "Town");
    EXPECT_EQ(dee->email, "d@x.org");
    EXPECT_EQ(dee->phone, "555-000-0004");
}

TEST_F(Directories, AShortFamilyRowIsReportedAndNothingStored) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(process_mlsdir({"Solo\tSam"}, 1), 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "process_mlsdir: Not enough fields (2) [Solo\tSam]\n");
    EXPECT_EQ(getFirstFamily(), nullptr);
    EXPECT_EQ(getFirstMember(), nullptr);
}

TEST_F(Directories, WebCityLinesSplitIntoCityStateAndPostalCode) {
    ASSERT_EQ(web("\"A, Al\",1,\"Town, Utah 84001-2\",,,,Al\n"
                  "\"B, Bo\",2,Street,\"Big City\",,,Bo\n"
                  "\"C, Cy\",3,\"Town,  \",,,,Cy\n"),
              0);
    EXPECT_EQ(err, "");
    WardFamily* a = getRecNo("999-0001-0001")->fam;
    EXPECT_EQ(a->city, "Town");
    EXPECT_EQ(a->state, "Utah");
    EXPECT_EQ(a->zip, "84001-2");
    WardFamily* b = getRecNo("999-0002-0001")->fam;
    EXPECT_EQ(b->addr, "Street");
    EXPECT_EQ(b->city, "Big City");
    EXPECT_EQ(b->state, "");
    EXPECT_FALSE(b->zip);
    WardFamily* c = getRecNo("999-0003-0001")->fam;
    EXPECT_EQ(c->city, "Town");
    EXPECT_EQ(c->state, "");
    EXPECT_FALSE(c->zip);
}

TEST_F(Directories, WebHeaderAndShortLinesStopTheReader) {
    std::ofstream(path_, std::ios::binary) << "a,b\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(readWebMember(path_.c_str()), 4);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Webdir file has wrong number of fields (2 instead of 10)\n");
    EXPECT_EQ(web("\"A, Al\",1,,,,,Al\n\"B, Bo\",2,,,,x\n\"C, Cy\",3,,,,,Cy\n"), 5);
    EXPECT_EQ(err, "Not enough fields in webdir line (6 instead 7)\n");
    ASSERT_NE(getFirstFamily(), nullptr);
    EXPECT_EQ(getNextFamily(), nullptr);
}
