// Matching people and households by name and phone, and household naming.
#include <gtest/gtest.h>

#include <string>

#include "data.h"
#include "ward_list.h"

namespace {

struct FreshStore : testing::Test {
    void SetUp() override { dataInit(); }
    void TearDown() override { dataInit(); }
};
using MatchPhone = FreshStore;
using MatchFamilyPhone = FreshStore;
using MatchMemberPhone = FreshStore;
using MatchMemberAdult = FreshStore;
using MatchFamilyNames = FreshStore;
using MatchCursor = FreshStore;
using Household = FreshStore;

// A family not yet stored; members are added with addMember, then store().
WardFamily* family(int id, Text last, Text first, Text phone = std::nullopt) {
    WardFamily* f = create_ward_family();
    f->famid = id;
    f->lname = last;
    f->fname = first;
    f->phone = phone;
    return f;
}

WardFamily* store(WardFamily* f) {
    storeFamilySorted(f);
    return f;
}

// A stored member, chained into f when f is given.
WardMember* addMember(WardFamily* f, Text last, Text first, Text phone = std::nullopt, int age = 40,
                      char sex = 'M', int type = 1) {
    WardMember* m = create_ward_member();
    m->lname = last;
    m->fname = first;
    m->phone = phone;
    m->age = age;
    m->sex = sex;
    m->type = type;
    if (f != nullptr) {
        add_member_to_family(f, m);
        m->fam = f;
    }
    storeMember(m);
    return m;
}

std::string longText(std::size_t n, char c) { return std::string(n, c); }

}  // namespace

TEST_F(MatchPhone, AbsentPhonesMatchOnlyEachOther) {
    WardFamily* none = family(1, "A", "B");
    WardFamily* some = family(2, "A", "B", "555");
    EXPECT_EQ(match_phone(nullptr, none), 1);
    EXPECT_EQ(match_phone(nullptr, some), 0);
    EXPECT_EQ(match_phone("", none), 0);
    EXPECT_EQ(match_phone("555", none), 0);
    free_ward_family(none);
    free_ward_family(some);
}

TEST_F(MatchPhone, AnyOfThreeNumbersMatchesExactlyAndMissingOnesCountAsEmpty) {
    WardFamily* f = family(1, "A", "B", "555-1234");
    f->phone2 = "555-2000";
    EXPECT_EQ(match_phone("555-1234", f), 1);
    EXPECT_EQ(match_phone("555-2000", f), 1);
    EXPECT_EQ(match_phone("", f), 1);  // phone3 is missing
    EXPECT_EQ(match_phone("555 1234", f), 0);
    EXPECT_EQ(match_phone("555-123", f), 0);
    f->phone2.reset();
    f->phone3 = "(555) 3000";
    EXPECT_EQ(match_phone("", f), 1);  // now phone2 is missing
    f->phone2 = "555-2000";
    EXPECT_EQ(match_phone("(555) 3000", f), 1);
    EXPECT_EQ(match_phone("", f), 0);
    free_ward_family(f);
}

TEST_F(MatchFamilyPhone, NamesIgnoreCaseButPhonesCompareExactly) {
    WardFamily* f = store(family(1, "Smith", "John", "555-1234"));
    EXPECT_EQ(find_family_phone("smith, JOHN", "555-1234"), f);
    EXPECT_EQ(find_family_phone("Smith, John", ""), f);  // the missing phone2 counts as empty
    testing::internal::CaptureStderr();
    EXPECT_EQ(find_family_phone("smith, JOHN", "555 1234"), nullptr);
    EXPECT_EQ(find_family_phone("Smith, John", nullptr), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "find_family_phone: not found.  fname=[JOHN], lname=[smith], phone=[555 1234]\n"
              "find_family_phone: not found.  fname=[John], lname=[Smith], phone=[(null)]\n");
}

TEST_F(MatchFamilyPhone, PreferredNamesAreComparedAndTheWholeRestIsTheFirstName) {
    WardFamily* f = family(1, "Smith", "Robert", "555");
    f->lpname = "Smyth";
    f->fpname = "Bob Jr";
    store(f);
    EXPECT_EQ(find_family_phone("Smyth,   bob jr", "555"), f);
    EXPECT_EQ(find_family_phone("SMYTH,Bob Jr", "555"), f);
    testing::internal::CaptureStderr();
    EXPECT_EQ(find_family_phone("Smith, Robert", "555"), nullptr);
    EXPECT_EQ(find_family_phone("Smyth, Bob", "555"), nullptr);
    EXPECT_EQ(find_family_phone("Smyth, Bob Jr, III", "555"), nullptr);
    testing::internal::GetCapturedStderr();
}

TEST_F(MatchFamilyPhone, FirstFamilyInListOrderWins) {
    store(family(1, "Smith", "John"));
    WardFamily* later = store(family(2, "Smith", "John"));  // goes before the equal one
    EXPECT_EQ(find_family_phone("Smith, John", nullptr), later);
}

TEST_F(MatchFamilyPhone, AbsentCommalessOrOverlongNamesMatchNothingSafely) {
    const std::string last = longText(600, 'L');
    store(family(1, last, "John"));
    store(family(2, "Smith", std::nullopt));
    testing::internal::CaptureStderr();
    EXPECT_EQ(find_family_phone(nullptr, nullptr), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    testing::internal::CaptureStderr();
    EXPECT_EQ(find_family_phone("Smith", nullptr), nullptr);
    EXPECT_EQ(find_family_phone("Smith,", nullptr), nullptr);  // absent first name never matches
    EXPECT_EQ(find_family_phone((last + ", John").c_str(), nullptr), nullptr);  // the comma is cut off
    testing::internal::GetCapturedStderr();
}

TEST_F(MatchMemberPhone, NamesCompareExactlyAndTheGivenPhoneIsAPrefix) {
    WardMember* m = addMember(nullptr, "Smith", "John", "555-1234");
    EXPECT_EQ(find_member_phone("Smith, John", "555"), m);
    EXPECT_EQ(find_member_phone("Smith,John", "555-1234"), m);
    EXPECT_EQ(find_member_phone("Smith, John", ""), m);
    EXPECT_EQ(find_member_phone("Smith, John", nullptr), m);
    EXPECT_EQ(find_member_phone("smith, John", "555"), nullptr);
    EXPECT_EQ(find_member_phone("Smith, JOHN", "555"), nullptr);
    EXPECT_EQ(find_member_phone("Smith, John", "556"), nullptr);
    EXPECT_EQ(find_member_phone("Smith, John", "555-12345"), nullptr);
}

TEST_F(MatchMemberPhone, SuffixIsRequiredOnlyWhenTheNameCarriesOne) {
    WardMember* plain = addMember(nullptr, "Smith", "John");
    WardMember* junior = addMember(nullptr, "Smith", "John");
    junior->suff = "Junior";
    junior->spname = "Jr";
    EXPECT_EQ(find_member_phone("Smith, John, Jr", nullptr), junior);
    EXPECT_EQ(find_member_phone("Smith, John,   Jr", nullptr), junior);
    EXPECT_EQ(find_member_phone("Smith, John, Junior", nullptr), nullptr);
    EXPECT_EQ(find_member_phone("Smith, John", nullptr), plain);
}

TEST_F(MatchMemberPhone, MemberWithoutPhoneIsMatchedOnTheHouseholdPhone) {
    WardFamily* f = store(family(1, "Smith", "Ann", "555-9999"));
    WardMember* ann = addMember(f, "Smith", "Ann");
    WardMember* bo = addMember(f, "Smith", "Bo", "444-1111");
    WardMember* loner = addMember(nullptr, "Doe", "Al");
    EXPECT_EQ(find_member_phone("Smith, Ann", "555-9"), ann);
    EXPECT_EQ(find_member_phone("Smith, Bo", "444"), bo);
    EXPECT_EQ(find_member_phone("Smith, Bo", "555"), nullptr);  // his own phone comes first
    EXPECT_EQ(find_member_phone("Doe, Al", ""), loner);
    EXPECT_EQ(find_member_phone("Doe, Al", "5"), nullptr);
}

TEST_F(MatchMemberPhone, PreferredNamesAreComparedAndTheFirstStoredMatchWins) {
    WardMember* bob = addMember(nullptr, "Smith", "Robert");
    bob->lpname = "Smyth";
    bob->fpname = "Bob";
    addMember(nullptr, "Smyth", "Bob");
    EXPECT_EQ(find_member_phone("Smyth, Bob", nullptr), bob);
    EXPECT_EQ(find_member_phone("Smith, Robert", nullptr), nullptr);
    EXPECT_EQ(find_member_phone("Smith, Bob", nullptr), nullptr);
}

TEST_F(MatchMemberPhone, AbsentCommalessOrOverlongNamesMatchNothingSilently) {
    const std::string last = longText(600, 'L');
    addMember(nullptr, last, "John");
    addMember(nullptr, "Smith", std::nullopt);
    addMember(nullptr, std::nullopt, "John");
    testing::internal::CaptureStderr();
    EXPECT_EQ(find_member_phone(nullptr, nullptr), nullptr);
    EXPECT_EQ(find_member_phone("Smith", nullptr), nullptr);
    EXPECT_EQ(find_member_phone("Smith,", nullptr), nullptr);
    EXPECT_EQ(find_member_phone(", John", nullptr), nullptr);
    EXPECT_EQ(find_member_phone((last + ", John").c_str(), nullptr), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(MatchMemberAdult, WalkStopsAtTheFirstChildOfEachFamily) {
    WardFamily* a = family(1, "Able", "X");
    addMember(a, "Able", "Dad", std::nullopt, 17);
    addMember(a, "Smith", "John");
    WardFamily* b = family(2, "Baker", "X");
    addMember(b, "Baker", "Baby", std::nullopt, 0);
    addMember(b, "Baker", "Teen", std::nullopt, 18);
    WardMember* john = addMember(b, "Smith", "John");
    addMember(b, "Baker", "Kid", std::nullopt, 12);
    addMember(b, "Baker", "Late");
    store(a);
    store(b);
    EXPECT_EQ(find_member_adult("Smith", "John"), john);
    EXPECT_NE(find_member_adult("Baker", "Teen"), nullptr);
    EXPECT_EQ(find_member_adult("Baker", "Late"), nullptr);
    EXPECT_EQ(find_member_adult("Able", "Dad"), nullptr);
}

TEST_F(MatchMemberAdult, NamesNotPreferredNamesCompareExactly) {
    WardFamily* f = family(1, "Smith", "Robert");
    WardMember* bob = addMember(f, "Smith", "Robert");
    bob->fpname = "Bob";
    store(f);
    EXPECT_EQ(find_member_adult("Smith", "Robert"), bob);
    EXPECT_EQ(find_member_adult("Smith", "Bob"), nullptr);
    EXPECT_EQ(find_member_adult("smith", "Robert"), nullptr);
}

TEST_F(MatchFamilyNames, HomeTeachingComparesTheHouseholdIgnoringCase) {
    WardFamily* f = family(1, "Smith", "John");
    f->spouse = "Mary";
    store(f);
    EXPECT_EQ(find_family_names("smith, JOHN & mary", 1), f);
    EXPECT_EQ(find_family_names("Smith, John", 1), nullptr);
    EXPECT_EQ(find_family_names("", 1), nullptr);
    EXPECT_EQ(find_family_names(nullptr, 1), nullptr);
}

TEST_F(MatchFamilyNames, VisitingTeachingFindsTheSisterOfEachFamily) {
    WardFamily* single = family(1, "Adams", "Sue");
    addMember(single, "Adams", "Sue", std::nullopt, 40, 'F');
    WardFamily* couple = family(2, "Brown", "Tom");
    addMember(couple, "Brown", "Tom");
    addMember(couple, "Brown", "Jane", std::nullopt, 40, 'F', 2);
    WardFamily* withKid = family(3, "Cole", "Al");
    addMember(withKid, "Cole", "Al");
    addMember(withKid, "Cole", "Kate", std::nullopt, 12, 'F', 3);
    WardFamily* alone = family(4, "Dunn", "Ed");
    addMember(alone, "Dunn", "Ed");
    WardFamily* empty = family(5, "Eve", "Ann");
    for (WardFamily* f : {single, couple, withKid, alone, empty}) store(f);
    EXPECT_EQ(find_family_names("ADAMS, sue", 0), single);
    EXPECT_EQ(find_family_names("Brown, Jane", 0), couple);
    EXPECT_EQ(find_family_names("Brown, Tom", 0), nullptr);
    EXPECT_EQ(find_family_names("Cole, Kate", 0), nullptr);
    EXPECT_EQ(find_family_names("Cole, Al", 0), nullptr);
    EXPECT_EQ(find_family_names("Dunn, Ed", 0), nullptr);
    EXPECT_EQ(find_family_names("Eve, Ann", 0), nullptr);
}

TEST_F(MatchFamilyNames, SisterIsNamedByLastNameAndPreferredFirstName) {
    WardFamily* f = family(1, "Smith-Jones", "Mary");
    WardMember* m = addMember(f, "Smith-Jones", "Mary", std::nullopt, 40, 0);
    m->lpname = "Jones";
    m->fpname = "Molly";
    store(f);
    EXPECT_EQ(find_family_names("Smith-Jones, Molly", 0), f);
    EXPECT_EQ(find_family_names("Jones, Molly", 0), nullptr);
    EXPECT_EQ(find_family_names("Smith-Jones, Mary", 0), nullptr);
}

TEST_F(MatchCursor, MatchingLeavesTheFamilyCursorAlone) {
    WardFamily* a = store(family(1, "Adams", "Al", "1"));
    addMember(a, "Adams", "Al");
    WardFamily* b = store(family(2, "Brown", "Bo", "2"));
    addMember(b, "Brown", "Bo");
    ASSERT_EQ(getFirstFamily(), a);
    EXPECT_EQ(find_family_phone("Brown, Bo", "2"), b);
    EXPECT_NE(find_member_adult("Brown", "Bo"), nullptr);
    EXPECT_EQ(find_family_names("Brown, Bo", 1), b);
    EXPECT_NE(find_member_phone("Brown, Bo", "2"), nullptr);
    EXPECT_EQ(getNextFamily(), b);
    EXPECT_EQ(getNextFamily(), nullptr);
}

TEST_F(Household, PreferredNamesAndSpouseMakeTheName) {
    WardFamily* f = family(1, "Smith", "John");
    f->fpname = "Bob";
    f->spouse = "Mary";
    set_household(f);
    EXPECT_EQ(f->household, "Smith, Bob & Mary");
    f->fpname = "Changed";
    set_household(f);  // an existing name is kept
    EXPECT_EQ(f->household, "Smith, Bob & Mary");
    free_ward_family(f);
}

TEST_F(Household, AbsentNamePartsGiveTheEmptyText) {
    WardFamily* f = family(1, std::nullopt, "John");
    WardFamily* g = family(2, std::nullopt, std::nullopt);
    g->spouse = "Mary";
    WardFamily* h = family(3, "Smith", std::nullopt);
    h->lpname = "Smyth";
    for (WardFamily* x : {f, g, h}) set_household(x);
    EXPECT_EQ(f->household, ", John");
    EXPECT_EQ(g->household, ",  & Mary");
    EXPECT_EQ(h->household, "Smyth, ");
    for (WardFamily* x : {f, g, h}) free_ward_family(x);
}

TEST_F(Household, OverlongNamesStayWithinTheWorkArea) {
    WardFamily* f = family(1, longText(400, 'L'), longText(300, 'F'));
    f->spouse = longText(300, 'S');
    set_household(f);
    ASSERT_TRUE(f->household.has_value());
    EXPECT_LE(f->household->size(), 511u);
    EXPECT_EQ(f->household->substr(0, 402), longText(400, 'L') + ", ");
    free_ward_family(f);
}
