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
        char tmpl[] = "/tmp/rollbook-teach-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        dataInit();
        setStake(0);
    }
    void TearDown() override {
        std::remove((dir_ + "/in").c_str());
        rmdir(dir_.c_str());
        dataInit();
    }
    // readText: readHTTXT over the given bytes; stderr is kept in err.
    int readText(const std::string& bytes, int htsw) {
        const std::string path = dir_ + "/in";
        std::ofstream(path, std::ios::binary) << bytes;
        testing::internal::CaptureStderr();
        int r = readHTTXT(path.c_str(), htsw);
        err = testing::internal::GetCapturedStderr();
        return r;
    }
    std::string dir_, err;
};

HTDist* dist(Text group, int d, int pair, Text household) {
    HTDist* h = create_htdist();
    h->htgroup = group;
    h->htdist = d;
    h->htpair = pair;
    h->household = household;
    return h;
}

std::vector<HTDist*> listed(linkeddef* list) {
    std::vector<HTDist*> out;
    for (linkedlist* l = get_head_link(list); l != nullptr; l = get_next_link(l))
        out.push_back(static_cast<HTDist*>(l->data));
    return out;
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
    HTDist* a = dist("Elders", 2, 1, "Adams");
    HTDist* b = dist("Elders", 1, 3, "Zed");
    HTDist* c = dist("Elders", 1, 2, "zed");
    HTDist* d = dist("Elders", 1, 2, "Zed");
    HTDist* e = dist(std::nullopt, 5, 5, "A");
    HTDist* f = dist("Elders", 1, 2, std::nullopt);
    HTDist* g = dist("High", -1, 0, "A");
    for (HTDist* h : {a, b, c, d, e, f, g}) storeHT(h);
    EXPECT_EQ(listed(HT), (std::vector<HTDist*>{e, f, d, c, b, a, g}));
}

TEST_F(Teaching, AnExactDuplicateGoesBeforeTheOnesAlreadyListed) {
    HTDist* first = dist("Elders", 1, 1, "Smith");
    HTDist* second = dist("Elders", 1, 1, "Smith");
    HTDist* third = dist("Elders", 1, 1, "Smith");
    storeHT(first);
    storeHT(second);
    storeHT(third);
    EXPECT_EQ(listed(HT), (std::vector<HTDist*>{third, second, first}));
}

TEST_F(Teaching, VisitingTeachingIgnoresTheGroup) {
    HTDist* a = dist("Z", 1, 1, "Brown");
    HTDist* b = dist("A", 1, 1, "Clark");
    HTDist* c = dist("M", 0, 4, "Young");
    storeVT(a);
    storeVT(b);
    storeVT(c);
    EXPECT_EQ(listed(VT), (std::vector<HTDist*>{c, a, b}));
}

TEST_F(Teaching, EveryExportLayoutFillsItsColumns) {
    struct Want {
        int htvt, n;
        std::vector<std::string> texts;  // group sup sphone semail name phone email cname cphone cemail
                                         // household phone1 phone2 email addr1 addr2 dp city zip state country
    };
    const std::vector<Want> cases = {
        {1, 20, {"c0", "c2", "c3", "-", "c5", "c6", "-", "c7", "c8", "-", "c9", "c10", "c11", "c12", "c13", "c14",
                 "c15", "c16", "c17", "c18", "c19"}},
        {1, 22, {"c0", "c2", "c3", "c4", "c6", "c7", "c8", "c9", "c10", "c11", "c12", "c13", "-", "c14", "c15", "c16",
                 "c17", "c18", "c19", "c20", "c21"}},
        {2, 19, {"RS", "c1", "c2", "-", "c4", "c5", "-", "c6", "c7", "-", "c8", "c9", "c10", "c11", "c12", "c13",
                 "c14", "c15", "c16", "c17", "c18"}},
        {2, 21, {"RS", "c1", "c2", "c3", "c5", "c6", "c7", "c8", "c9", "c10", "c11", "c12", "-", "c13", "c14", "c15",
                 "c16", "c17", "c18", "c19", "c20"}},
    };
    for (const Want& w : cases) {
        const int distCol = w.htvt == 1 ? 1 : 0;
        const int pairCol = distCol + (w.n == 22 || w.n == 21 ? 4 : 3);
        testing::internal::CaptureStderr();
        HTDist* h = parse(line(w.n, distCol, pairCol), w.htvt);
        testing::internal::GetCapturedStderr();
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h->htdist, 7) << w.n;
        EXPECT_EQ(h->htpair, 9) << w.n;
        const Text* got[] = {&h->htgroup, &h->htsup,  &h->htsphone, &h->htsemail, &h->htname, &h->htphone, &h->htemail,
                             &h->htcname, &h->htcphone, &h->htcemail, &h->household, &h->phone1, &h->phone2,
                             &h->email,   &h->addr1,  &h->addr2,    &h->dp,       &h->city,   &h->zip,     &h->state,
                             &h->country};
        for (std::size_t i = 0; i < w.texts.size(); ++i) EXPECT_EQ(got[i]->value_or("-"), w.texts[i]) << w.n << " " << i;
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

TEST_F(Teaching, TextFileCutsTeachersFromTheCompanionship) {
    WardFamily* a = family("Adams", "Al", "1");
    WardFamily* b = family("Brown", "Bo", "2");
    WardFamily* c = family("Clark", "Cy", "3");
    const std::string header = "1\t2\t3\t4\t5\t6\t7\n";
    ASSERT_EQ(readText(header + "Adams, Al\tJones, Jo / Lee, Lu\t42\t\t\t\t\n"
                                "Brown, Bo\t/Lee, Lu\t7\t\t\t\t\n"
                                "Clark, Cy\tJones, Jo\t0\t\t\t\t\n",
                       1),
              0);
    EXPECT_EQ(err, "");
    ASSERT_NE(a->htdist, nullptr);
    EXPECT_EQ(a->htdist->pairname, "Jones, Jo / Lee, Lu");
    EXPECT_EQ(a->htdist->htname, "Jones, Jo");
    EXPECT_EQ(a->htdist->htcname, "Lee, Lu");
    EXPECT_EQ(a->htdist->htpct, 42);
    EXPECT_EQ(a->htdist->household, "Adams, Al");
    EXPECT_FALSE(a->htdist->visits);
    EXPECT_EQ(b->htdist->htname, "");
    EXPECT_EQ(b->htdist->htcname, "Lee, Lu");
    EXPECT_EQ(c->htdist->htname, "Jones, Jo");
    EXPECT_FALSE(c->htdist->htcname);
    EXPECT_EQ(listed(HT).size(), 3u);
}

TEST_F(Teaching, TextFileOnlySetsThePercentageOfAnExistingAssignment) {
    WardFamily* a = family("Adams", "Al", "1");
    HTDist* existing = dist("Elders", 3, 4, "Adams, Al");
    existing->htname = "Kept";
    a->vtdist = existing;
    storeVT(existing);
    ASSERT_EQ(readText("1\t2\t3\t4\t5\t6\t7\nAdams, Al\tNew / Other\t 85%\t\t\t\t\n", 0), 0);
    EXPECT_EQ(existing->htpct, 85);
    EXPECT_EQ(existing->visits, " 85%");
    EXPECT_EQ(existing->htname, "Kept");
    EXPECT_EQ(listed(VT).size(), 1u);
    // A later line without a percentage leaves no visit text behind.
    ASSERT_EQ(readText("1\t2\t3\t4\t5\t6\t7\nAdams, Al\tNew / Other", 0), 0);
    EXPECT_EQ(existing->htpct, 0);
    EXPECT_FALSE(existing->visits);
}

TEST_F(Teaching, TextFileReportsItsFailuresAndKeepsReadingShortLines) {
    family("Adams", "Al", "1");
    EXPECT_EQ(readText("", 1), 2);
    EXPECT_EQ(err, "Empty HT txt file (" + dir_ + "/in)\n");
    EXPECT_EQ(readText("1\t2\t3\t4\t5\t6\n", 0), 3);
    EXPECT_EQ(err, "No enough fields in HT txt file (" + dir_ + "/in)\n");
    // A line of one field: empty companionship, percentage 0.
    EXPECT_EQ(readText("1\t2\t3\t4\t5\t6\t7\nAdams, Al", 1), 0);
    EXPECT_EQ(err, "Invalid HT line (1 fields instead of 7)\n");
    WardFamily* a = getFirstFamily();
    ASSERT_NE(a->htdist, nullptr);
    EXPECT_EQ(a->htdist->htname, "");
    EXPECT_EQ(a->htdist->htpct, 0);
}
