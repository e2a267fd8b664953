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

std::string writtenRS() {
    const std::string path = testing::TempDir() + "rollbook-rs";
    writeRSMMS(path.c_str());
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
    EXPECT_EQ(writtenRS(), "Book: Sisters:\r\nHill, Ann, 555-1000\r\n    Town  \r\n");
    // A list written after the store has changed shows the change.
    storeWomen("Abel", {{"Cy", 30}});
    EXPECT_EQ(writtenRS(),
              "Book: Sisters:\r\nAbel, Cy, 555-1000\r\n    Town  \r\nHill, Ann, 555-1000\r\n    Town  \r\n");
    dataInit();
}
