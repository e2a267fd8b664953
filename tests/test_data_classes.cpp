// Class lists: the predicates at their bounds and the women's list, which the
// report sequence does not write.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>

#include "data.h"
#include "ward_list.h"

// One row per predicate call on a member of this sex, age and birth year (0:
// no birth date).
TEST(ClassMatch, AgeBoundsAreInclusiveSexDecidesAndPrimaryGoesByBirthYearOnly) {
    struct Row {
        const char* what;
        ClassMatch match;
        char sex;
        int age, year, val1, val2, want;
    };
    const Row rows[] = {
        {"YM", isYM, 'M', 12, 0, 12, 13, 1}, {"YM", isYM, 'M', 13, 0, 12, 13, 1}, {"YM", isYM, 'M', 11, 0, 12, 13, 0},
        {"YW", isYW, 'M', 12, 0, 12, 13, 0}, {"YM", isYM, '?', 15, 0, 14, 15, 0}, {"YW", isYW, '?', 15, 0, 14, 15, 0},
        {"YW", isYW, 'F', 18, 0, 16, 18, 1}, {"RS", isRS, 'F', 18, 0, 18, 0, 1},  {"RS", isRS, 'F', 17, 0, 18, 0, 0},
        {"PRI", isPRI, 'M', 99, 2023, 2023, 2023, 1}, {"PRI", isPRI, 'M', 99, 2023, 2022, 2022, 0},
        // A missing birth date reads as year 0: only bounds of 0 take it.
        {"PRI", isPRI, 'F', 3, 0, 2023, 2023, 0}, {"PRI", isPRI, 'F', 3, 0, 0, 0, 1},
    };
    for (const Row& row : rows) {
        WardMember m;
        m.sex = row.sex; m.age = row.age; m.birth->year = row.year; m.birth->month = row.year != 0 ? 1 : 0;
        EXPECT_EQ(row.match(&m, row.val1, row.val2), row.want)
            << row.what << " " << row.sex << row.age << " born " << row.year << " in " << row.val1 << "-" << row.val2;
    }
}

namespace {

// storeWomen: a family of this last name, with women of these first names
// and ages.
void storeWomen(const char* last, std::initializer_list<std::pair<const char*, int>> women) {
    WardFamily* fam = create_ward_family();
    fam->lname = last; fam->phone = "555-1000"; fam->city = "Town";
    for (const auto& [first, age] : women) {
        WardMember* m = create_ward_member();
        m->lname = last; m->fname = first; m->sex = 'F'; m->age = age; m->fam = fam;
        add_member_to_family(fam, m);
        storeMember(m);
    }
    storeFamilySorted(fam);
}

// written: the list a writer writes, as its file holds it.
std::string written(void (*write)(const char*)) {
    const std::string path = testing::TempDir() + "rollbook-list";
    write(path.c_str());
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    std::remove(path.c_str());
    return s.str();
}

}  // namespace

TEST(ClassList, TheWomensListHasItsHeadingAndEveryWomanFromEighteen) {
    dataInit();
    resetSettings();
    storeWomen("Hill", {{"Ann", 40}, {"Bea", 17}});
    EXPECT_EQ(written(writeRSMMS), "Book: Sisters:\r\nHill, Ann, 555-1000\r\n    Town  \r\n");
    // A list written after the store has changed shows the change.
    storeWomen("Abel", {{"Cy", 30}});
    EXPECT_EQ(written(writeRSMMS),
              "Book: Sisters:\r\nAbel, Cy, 555-1000\r\n    Town  \r\nHill, Ann, 555-1000\r\n    Town  \r\n");
    dataInit();
}

TEST(ClassList, YouthListsGoByAgeAndPrimaryByBirthYearEachWhateverTheOther) {
    dataInit();
    resetSettings();
    setenv("ROLLBOOK_TODAY", "2027-06-01", 1);
    WardFamily* fam = create_ward_family();
    fam->lname = "Ames"; fam->phone = "555-2000";
    // Age and birth year disagree, as an edited export can make them.
    const struct { const char* first; char sex; int age, year; } people[] = {
        {"Old", 'M', 15, 1950}, {"Kid", 'F', 40, 2021}, {"Adult", 'M', 40, 1986}, {"Late", 'F', 19, 2014}};
    for (const auto& p : people) {
        WardMember* m = create_ward_member();
        m->lname = "Ames"; m->fname = p.first; m->sex = p.sex; m->age = p.age;
        m->birth->year = p.year; m->birth->month = 1; m->birth->day = 1; m->fam = fam;
        add_member_to_family(fam, m);
        storeMember(m);
    }
    storeFamilySorted(fam);
    const std::string ym = written(writeYM);
    EXPECT_NE(ym.find("Teachers:\r\nAmes, Old, 555-2000\r\n"), std::string::npos) << ym;
    EXPECT_EQ(ym.find("Adult"), std::string::npos) << ym;
    EXPECT_EQ(written(writePRI).find("Late"), std::string::npos);
    // Another run year moves the Primary years; a changed store is seen.
    setenv("ROLLBOOK_TODAY", "2026-06-01", 1);
    const std::string pri = written(writePRI);
    EXPECT_NE(pri.find("CTR5:\r\nAmes, Kid, 555-2000\r\n"), std::string::npos) << pri;
    EXPECT_NE(pri.find("Val12:\r\nAmes, Late, 555-2000\r\n"), std::string::npos) << pri;
    fam->members->next->next->age = 12;  // Adult
    touchStore();
    EXPECT_NE(written(writeYM).find("Deacons:\r\nAmes, Adult, 555-2000\r\n"), std::string::npos);
    unsetenv("ROLLBOOK_TODAY");
    dataInit();
}
