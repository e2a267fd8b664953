// Matching people and households by name and phone, and household naming.
#include <gtest/gtest.h>

#include <string>

#include "data.h"
#include "ward_list.h"

namespace {

struct Match : testing::Test {
    void SetUp() override { dataInit(); }
    void TearDown() override { dataInit(); }
};

// A stored family, and a stored member chained into f when f is given.
WardFamily* family(Text last, Text first, Text phone = std::nullopt) {
    WardFamily* f = create_ward_family();
    f->lname = last; f->fname = first; f->phone = phone;
    storeFamilySorted(f);
    return f;
}

WardMember* addMember(WardFamily* f, Text last, Text first, Text phone = std::nullopt, int age = 40, char sex = 'M') {
    WardMember* m = create_ward_member();
    m->lname = last; m->fname = first; m->phone = phone; m->age = age; m->sex = sex;
    if (f != nullptr) { add_member_to_family(f, m); m->fam = f; }
    storeMember(m);
    return m;
}

}  // namespace

TEST_F(Match, PhoneMatchesAnyOfThreeNumbersExactlyAndAbsentOnesCountAsEmpty) {
    WardFamily* f = family("A", "B", "555-1234");
    f->phone3 = "555-3000";
    for (const char* phone : {"555-1234", "555-3000", ""}) EXPECT_EQ(match_phone(phone, f), 1) << phone;
    EXPECT_EQ(match_phone("555-123", f), 0);
    EXPECT_EQ(match_phone(nullptr, f), 0);
    f->phone.reset();
    EXPECT_EQ(match_phone(nullptr, f), 1);
}

TEST_F(Match, FamilyNamesIgnoreCaseButPhonesCompareExactlyAndAMissIsReported) {
    WardFamily* f = family("Smith", "Robert", "555-1234");
    f->fpname = "Bob Jr";
    EXPECT_EQ(find_family_phone("smith,   BOB jr", "555-1234"), f);
    EXPECT_EQ(find_family_phone("Smith, Bob Jr", ""), f);  // the absent phone2 counts as empty
    testing::internal::CaptureStderr();
    EXPECT_EQ(find_family_phone("Smith, Robert", "555-1234"), nullptr);
    EXPECT_EQ(find_family_phone("Smith, Bob Jr", nullptr), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "find_family_phone: not found.  fname=[Robert], lname=[Smith], phone=[555-1234]\n"
              "find_family_phone: not found.  fname=[Bob Jr], lname=[Smith], phone=[(null)]\n");
}

TEST_F(Match, MemberNamesCompareExactlyThePhoneIsAPrefixOfTheirOwnElseTheHouseholdsAndASuffixOnlyWhenGiven) {
    WardMember* plain = addMember(nullptr, "Smith", "John", "555-1234");
    WardMember* junior = addMember(nullptr, "Smith", "John", "555-1234");
    junior->suff = "Junior"; junior->spname = "Jr";
    EXPECT_EQ(find_member_phone("Smith,John", "555"), plain);
    EXPECT_EQ(find_member_phone("Smith, John", nullptr), plain);
    EXPECT_EQ(find_member_phone("Smith, John,   Jr", "555-1234"), junior);
    for (const char* phone : {"556", "555-12345"}) EXPECT_EQ(find_member_phone("Smith, John", phone), nullptr);
    for (const char* name : {"smith, John", "Smith, JOHN", "Smith, John, Junior"})
        EXPECT_EQ(find_member_phone(name, "555"), nullptr) << name;
    WardFamily* f = family("Smith", "Ann", "555-9999");
    WardMember* ann = addMember(f, "Smith", "Ann");
    addMember(f, "Smith", "Bo", "444-1111");
    EXPECT_EQ(find_member_phone("Smith, Ann", "555-9"), ann);
    EXPECT_EQ(find_member_phone("Smith, Bo", "555"), nullptr);  // his own phone comes first
}

TEST_F(Match, NamesWithoutCommaOrOverlongMatchNothing) {
    const std::string last(600, 'L');
    family(last, "John");
    addMember(nullptr, last, "John");
    addMember(nullptr, "Smith", std::nullopt);
    testing::internal::CaptureStderr();
    EXPECT_EQ(find_family_phone(nullptr, nullptr), nullptr);
    for (const std::string& name : {std::string("Smith"), std::string("Smith,"), last + ", John"}) {
        EXPECT_EQ(find_family_phone(name.c_str(), nullptr), nullptr) << name;
        EXPECT_EQ(find_member_phone(name.c_str(), nullptr), nullptr) << name;
    }
    testing::internal::GetCapturedStderr();
}

TEST_F(Match, AdultSearchStopsAtTheFirstChildOfEachFamily) {
    WardFamily* a = family("Able", "X");
    addMember(a, "Able", "Dad", std::nullopt, 17);
    addMember(a, "Smith", "John");
    WardFamily* b = family("Baker", "X");
    addMember(b, "Baker", "Baby", std::nullopt, 0);
    WardMember* john = addMember(b, "Smith", "John", std::nullopt, 18);
    addMember(b, "Baker", "Kid", std::nullopt, 12);
    addMember(b, "Baker", "Late");
    EXPECT_EQ(find_member_adult("Smith", "John"), john);
    EXPECT_EQ(find_member_adult("Baker", "Late"), nullptr);
}

TEST_F(Match, VisitingTeachingFindsOnlyTheSisterByLastNameAndPreferredFirstName) {
    WardFamily* single = family("Jones", "Mary");
    WardMember* mary = addMember(single, "Smith-Jones", "Mary", std::nullopt, 40, 'F');
    mary->lpname = "Jones"; mary->fpname = "Molly";
    WardFamily* couple = family("Brown", "Tom");
    addMember(couple, "Brown", "Tom");
    addMember(couple, "Brown", "Jane", std::nullopt, 40, 'F')->type = 2;
    WardFamily* withKid = family("Cole", "Al");
    addMember(withKid, "Cole", "Al");
    addMember(withKid, "Cole", "Kate", std::nullopt, 12, 'F')->type = 3;
    family("Eve", "Ann");
    addMember(family("Fox", "Ann"), std::nullopt, "Ann", std::nullopt, 40, 'F');
    EXPECT_EQ(find_family_names("smith-JONES, molly", 0), single);
    EXPECT_EQ(find_family_names("Brown, Jane", 0), couple);
    for (const char* name :
         {"Jones, Molly", "Smith-Jones, Mary", "Brown, Tom", "Cole, Kate", "Cole, Al", "Eve, Ann", ", Ann", ""})
        EXPECT_EQ(find_family_names(name, 0), nullptr) << name;
}

TEST_F(Match, HouseholdUsesPreferredNamesAbsentPartsAsEmptyAndStaysBounded) {
    WardFamily* bob = create_ward_family();
    bob->lname = "Smith"; bob->fname = "Robert"; bob->fpname = "Bob"; bob->spouse = "Mary";
    WardFamily* bare = create_ward_family();
    bare->spouse = "Mary";
    WardFamily* big = create_ward_family();
    big->lname = std::string(400, 'L'); big->fname = std::string(300, 'F'); big->spouse = std::string(300, 'S');
    for (WardFamily* f : {bob, bare, big}) set_household(f);
    EXPECT_EQ(bob->household, "Smith, Bob & Mary");
    EXPECT_EQ(bare->household, ",  & Mary");
    EXPECT_LE(big->household.value_or("").size(), 511u);
    EXPECT_EQ(big->household.value_or("").substr(0, 402), std::string(400, 'L') + ", ");
    for (WardFamily* f : {bob, bare, big}) free_ward_family(f);
}
