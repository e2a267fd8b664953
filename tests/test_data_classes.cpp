// Class lists: the predicates at their bounds and the women's list, which the
// report sequence does not write.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "data.h"
#include "ward_list.h"

namespace {

// person: a member of this sex and age, born in year (0: no birth date).
void person(WardMember& m, char sex, int age, int year) {
    m.sex = sex;
    m.age = age;
    m.birth->year = year;
    m.birth->month = year != 0 ? 1 : 0;
}

}  // namespace

TEST(ClassMatch, AgeBoundsAreInclusiveAndSexDecides) {
    WardMember boy12, boy11, boy13, girl18, girl17, unknown;
    person(boy12, 'M', 12, 0);
    person(boy11, 'M', 11, 0);
    person(boy13, 'M', 13, 0);
    person(girl18, 'F', 18, 0);
    person(girl17, 'F', 17, 0);
    person(unknown, '?', 15, 0);
    EXPECT_EQ(isYM(&boy12, 12, 13) + isYM(&boy13, 12, 13), 2);
    EXPECT_EQ(isYM(&boy11, 12, 13) + isYW(&boy12, 12, 13) + isYM(&unknown, 14, 15) + isYW(&unknown, 14, 15), 0);
    EXPECT_EQ(isYW(&girl18, 16, 18), 1);
    EXPECT_EQ(isRS(&girl18, 18, 0) * 10 + isRS(&girl17, 18, 0), 10);
}

TEST(ClassMatch, PrimaryGoesByBirthYearOnlyAndNeverWithoutOne) {
    WardMember born, none;
    person(born, 'M', 99, 2023);
    person(none, 'F', 3, 0);
    EXPECT_EQ(isPRI(&born, 2023, 2023), 1);
    EXPECT_EQ(isPRI(&born, 2022, 2022), 0);
    EXPECT_EQ(isPRI(&none, 0, 0) + isPRI(&none, 2023, 2023), 1);  // year 0 only within bounds of 0
}

TEST(ClassList, TheWomensListHasItsHeadingAndEveryWomanFromEighteen) {
    dataInit();
    resetSettings();
    WardFamily* fam = create_ward_family();
    fam->lname = "Hill";
    fam->phone = "555-1000";
    fam->city = "Town";
    WardMember* mom = create_ward_member();
    WardMember* kid = create_ward_member();
    mom->lname = kid->lname = "Hill";
    mom->fname = "Ann";
    kid->fname = "Bea";
    mom->sex = kid->sex = 'F';
    mom->age = 40;
    kid->age = 17;
    mom->fam = kid->fam = fam;
    fam->members = mom;
    mom->next = kid;
    storeMember(mom);
    storeMember(kid);
    storeFamilySorted(fam);
    const std::string path = testing::TempDir() + "rollbook-rs";
    writeRSMMS(path.c_str());
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), "Book: Sisters:\r\nHill, Ann, 555-1000\r\n    Town  \r\n");
    std::remove(path.c_str());
    dataInit();
}
