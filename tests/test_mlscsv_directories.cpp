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
    std::string path_ = testing::TempDir() + "rollbook-webdir-" + std::to_string(getpid()) + ".csv", err;
};

// where: street|street 2|city|state|zip|phone|phone 2|phone 3|e-mail, "-" for absent.
std::string where(const WardFamily* f) {
    std::string s;
    for (const Text* t : {&f->addr, &f->addr2, &f->city, &f->state, &f->zip, &f->phone, &f->phone2, &f->phone3,
                          &f->email})
        s += t->value_or("-") + "|";
    return s;
}

}  // namespace

TEST(Classifiers, ZipLinesNeedACommaTwoLettersAndOnlyDigitsHyphensOrBlanks) {
    for (const char* yes : {"Springfield, UT 84001", "Town,ut 84001-1234 5", "Town, UT"})
        EXPECT_EQ(looks_like_zip_line(yes), 1) << yes;
    for (const char* no : {"Town UT 84001", "Town, U 84001", "Town, UT 8400A", "Town, UT 84001\t"})
        EXPECT_EQ(looks_like_zip_line(no), 0) << no;
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
    EXPECT_EQ(where(bay), "1 Elm St|-|Town|UT|11111|555-111-2222|555-111-3333|-|bay@x.org|");
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
    EXPECT_EQ(where(getRecNo("999-0001-0001")->fam), "1 Elm|-|Town|UT|1|555-000-0002|555-000-0003|555-000-0001|-|");
    EXPECT_EQ(where(getRecNo("999-0002-0001")->fam), "-|-|Town|UT|1|555-000-0004|-|-|d@x.org|");
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
    EXPECT_EQ(where(getRecNo("999-0001-0001")->fam), "-|-|Town|Utah|84001-2|1|-|-|-|");
    EXPECT_EQ(where(getRecNo("999-0002-0001")->fam), "Street|-|Big City||-|2|-|-|-|");
    EXPECT_EQ(where(getRecNo("999-0003-0001")->fam), "-|-|Town||-|3|-|-|-|");
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
