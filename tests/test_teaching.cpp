// Teaching assignments: the report order of the store, the export columns of
// every layout, and the assignments the text files make.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "data.h"
#include "mlscsv.h"
#include "ward_list.h"
#include "wrpcsv.h"

namespace {

class Teaching : public ::testing::Test {
protected:
    void SetUp() override {
        dataInit();
        setStake(0);
    }
    void TearDown() override {
        std::remove(path_.c_str());
        dataInit();
    }
    // readText: readHTTXT over the given bytes; stderr is kept in err.
    int readText(const std::string& bytes, int htsw) {
        std::ofstream(path_, std::ios::binary) << bytes;
        testing::internal::CaptureStderr();
        int r = readHTTXT(path_.c_str(), htsw);
        err = testing::internal::GetCapturedStderr();
        return r;
    }
    std::string path_ = testing::TempDir() + "rollbook-teach-" + std::to_string(getpid()), err;
};

HTDist* dist(Text group, int d, int pair, Text household) {
    HTDist* h = create_htdist();
    h->htgroup = group;
    h->htdist = d;
    h->htpair = pair;
    h->household = household;
    return h;
}

// order: store the assignments one by one; their indexes in the list's order.
std::vector<int> order(linkeddef* list, void (*store)(HTDist*), const std::vector<HTDist*>& in) {
    for (HTDist* h : in) store(h);
    std::vector<int> out;
    for (linkedlist* l = get_head_link(list); l != nullptr; l = get_next_link(l))
        for (std::size_t i = 0; i < in.size(); ++i)
            if (in[i] == l->data) out.push_back(static_cast<int>(i));
    return out;
}

// show: companionship|teacher|companion|percentage|household|visits, "-" for absent.
std::string show(const HTDist* h) {
    if (h == nullptr) return "no assignment";
    return h->pairname.value_or("-") + "|" + h->htname.value_or("-") + "|" + h->htcname.value_or("-") + "|" +
           std::to_string(h->htpct) + "|" + h->household.value_or("-") + "|" + h->visits.value_or("-");
}

WardFamily* family(const char* last, const char* first, const char* phone) {
    WardFamily* f = create_ward_family();
    WardMember* m = create_ward_member();
    f->lname = m->lname = last;
    f->fname = m->fname = first;
    f->phone = m->phone = phone;
    m->fam = f;
    m->type = 1;
    f->members = m;
    storeMember(m);
    storeFamilySorted(f);
    return f;
}

// parse: split a CSV line into a fresh id and build an assignment from it.
HTDist* parse(const std::string& line, int htvt) {
    int id = wrpCsvCreate();
    EXPECT_EQ(wrpCsvParseString(id, line.c_str()), 0);
    HTDist* h = parseht(id, htvt);
    wrpCsvDestroy(id);
    return h;
}

// line: n columns c0, c1, ... with numbers where district and companionship go.
std::string line(int n, int distCol, int pairCol) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        if (i > 0) s += ",";
        s += i == distCol ? "7" : i == pairCol ? "9" : "c" + std::to_string(i);
    }
    return s;
}

}  // namespace

TEST_F(Teaching, HomeTeachingSortsByGroupDistrictCompanionshipAndHouseholdWithAbsentFirst) {
    EXPECT_EQ(order(HT, storeHT,
                    {dist("Elders", 2, 1, "Adams"), dist("Elders", 1, 3, "Zed"), dist("Elders", 1, 2, "zed"),
                     dist("Elders", 1, 2, "Zed"), dist(std::nullopt, 5, 5, "A"), dist("Elders", 1, 2, std::nullopt),
                     dist("High", -1, 0, "A")}),
              (std::vector<int>{4, 5, 3, 2, 1, 0, 6}));
}

TEST_F(Teaching, AnExactDuplicateGoesBeforeTheOnesAlreadyListed) {
    EXPECT_EQ(order(HT, storeHT, {dist("Elders", 1, 1, "Smith"), dist("Elders", 1, 1, "Smith"),
                                  dist("Elders", 1, 1, "Smith")}),
              (std::vector<int>{2, 1, 0}));
}

TEST_F(Teaching, VisitingTeachingIgnoresTheGroup) {
    EXPECT_EQ(order(VT, storeVT, {dist("Z", 1, 1, "Brown"), dist("A", 1, 1, "Clark"), dist("M", 0, 4, "Young")}),
              (std::vector<int>{2, 0, 1}));
}

TEST_F(Teaching, EveryExportLayoutFillsItsColumns) {
    // district companionship group sup sphone semail name phone email cname cphone cemail household phone1 phone2
    // email addr1 addr2 dp city zip state country, "-" for absent
    const struct {
        int htvt, n, distCol, pairCol;
        const char* texts;
    } cases[] = {
        {1, 20, 1, 4, "7 9 c0 c2 c3 - c5 c6 - c7 c8 - c9 c10 c11 c12 c13 c14 c15 c16 c17 c18 c19"},
        {1, 22, 1, 5, "7 9 c0 c2 c3 c4 c6 c7 c8 c9 c10 c11 c12 c13 - c14 c15 c16 c17 c18 c19 c20 c21"},
        {2, 19, 0, 3, "7 9 RS c1 c2 - c4 c5 - c6 c7 - c8 c9 c10 c11 c12 c13 c14 c15 c16 c17 c18"},
        {2, 21, 0, 4, "7 9 RS c1 c2 c3 c5 c6 c7 c8 c9 c10 c11 c12 - c13 c14 c15 c16 c17 c18 c19 c20"},
    };
    for (const auto& w : cases) {
        testing::internal::CaptureStderr();
        HTDist* h = parse(line(w.n, w.distCol, w.pairCol), w.htvt);
        testing::internal::GetCapturedStderr();
        ASSERT_NE(h, nullptr);
        std::string got = std::to_string(h->htdist) + " " + std::to_string(h->htpair);
        for (const Text* t : {&h->htgroup, &h->htsup, &h->htsphone, &h->htsemail, &h->htname, &h->htphone, &h->htemail,
                              &h->htcname, &h->htcphone, &h->htcemail, &h->household, &h->phone1, &h->phone2,
                              &h->email, &h->addr1, &h->addr2, &h->dp, &h->city, &h->zip, &h->state, &h->country})
            got += " " + t->value_or("-");
        EXPECT_EQ(got, w.texts) << w.n << " fields";
        delete h;
    }
}

TEST_F(Teaching, AHomeTeachingHouseholdIsLookedUpWithoutTheSpouseAndLinksTheFamily) {
    WardFamily* smith = family("Smith", "John", "555-1234");
    HTDist* h = parse("Elders,1,Sup,555,1,\"Smith, John\",555-1234,,,\"smith, JOHN & Mary\",555-1234,,,,,,,,,", 1);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->fam, smith);
    EXPECT_EQ(smith->htdist, h);
    EXPECT_EQ(h->htmem, smith->members);
    EXPECT_EQ(h->htcmem, nullptr);
    delete h;
}

TEST_F(Teaching, AVisitingTeachingSisterGivesHerFamily) {
    WardFamily* clark = family("Clark", "Fay", "555-0200");
    testing::internal::CaptureStderr();
    HTDist* h = parse("1,Sup,555,1,A,1,B,2,\"Clark, Fay\",555-02,,,,,,,,,", 2);
    HTDist* none = parse("1,Sup,555,1,A,1,B,2,\"Clark, Fay\",555-03,,,,,,,,,", 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to find member for RS sister (Clark, Fay - 555-03)\n");
    EXPECT_EQ(h->mem, clark->members);
    EXPECT_EQ(h->fam, clark);
    EXPECT_EQ(clark->vtdist, h);
    EXPECT_EQ(none->fam, nullptr);
    delete h;
    delete none;
}

TEST_F(Teaching, TextFileOnlySetsThePercentageOfAnExistingAssignment) {
    WardFamily* a = family("Adams", "Al", "1");
    HTDist* existing = dist("Elders", 3, 4, "Adams, Al");
    existing->htname = "Kept";
    a->vtdist = existing;
    storeVT(existing);
    ASSERT_EQ(readText("1\t2\t3\t4\t5\t6\t7\nAdams, Al\tNew / Other\t 85%\t\t\t\t\n", 0), 0);
    EXPECT_EQ(show(existing), "-|Kept|-|85|Adams, Al| 85%");
    EXPECT_EQ(get_next_link(get_head_link(VT)), nullptr);  // still one assignment
    // A later line without a percentage leaves no visit text behind.
    ASSERT_EQ(readText("1\t2\t3\t4\t5\t6\t7\nAdams, Al\tNew / Other", 0), 0);
    EXPECT_EQ(show(existing), "-|Kept|-|0|Adams, Al|-");
}

TEST_F(Teaching, TextFileReportsItsFailuresAndKeepsReadingShortLines) {
    WardFamily* a = family("Adams", "Al", "1");
    EXPECT_EQ(readText("", 1), 2);
    EXPECT_EQ(err, "Empty HT txt file (" + path_ + ")\n");
    EXPECT_EQ(readText("1\t2\t3\t4\t5\t6\n", 0), 3);
    EXPECT_EQ(err, "No enough fields in HT txt file (" + path_ + ")\n");
    // A line of one field: empty companionship, percentage 0.
    EXPECT_EQ(readText("1\t2\t3\t4\t5\t6\t7\nAdams, Al", 1), 0);
    EXPECT_EQ(err, "Invalid HT line (1 fields instead of 7)\n");
    EXPECT_EQ(show(a->htdist), "||-|0|Adams, Al|-");
}
