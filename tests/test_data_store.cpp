// Ward store: family order, the id and record-number indexes, positions
// linked to their holders, and the designated organization list.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "data.h"
#include "ward_list.h"

namespace {

// Every test starts and ends with an empty store, which releases the records.
struct FreshStore : testing::Test {
    void SetUp() override { dataInit(); }
    void TearDown() override { dataInit(); }
};
using StoreFamilies = FreshStore;
using StoreLookup = FreshStore;
using StorePositions = FreshStore;
using StoreOrgs = FreshStore;

WardFamily* addFamily(int id, Text last, Text first) {
    WardFamily* f = create_ward_family();
    f->famid = id;
    f->lname = last;
    f->fname = first;
    storeFamilySorted(f);
    return f;
}

WardMember* addMember(int id, Text last, Text first, Text recno = std::nullopt) {
    WardMember* m = create_ward_member();
    m->memid = id;
    m->lname = last;
    m->fname = first;
    m->recno = recno;
    storeMember(m);
    return m;
}

// familyOrder: "last first" of each family, in iteration order.
std::vector<std::string> familyOrder() {
    std::vector<std::string> out;
    for (WardFamily* f = getFirstFamily(); f != nullptr; f = getNextFamily())
        out.push_back(f->lname.value_or("-") + " " + f->fname.value_or("-"));
    return out;
}

// A position chained into a stored organization, as the readers build it.
WardPos* addPos(WardOrg* org, int memid, Text name, Text phone, Text title) {
    WardPos* p = create_ward_pos();
    p->org = org;
    p->memid = memid;
    p->name = name;
    p->phone = phone;
    p->pos = title;
    WardPos** at = &org->pos;
    while (*at != nullptr) at = &(*at)->next;
    *at = p;
    storePos(p);
    return p;
}

WardOrg* addOrg(Text name) {
    WardOrg* o = create_ward_org();
    o->org = name;
    storeOrg(o);
    return o;
}

}  // namespace

TEST_F(StoreFamilies, IterateByLastNameThenFirstName) {
    addFamily(1, "Smith", "John");
    addFamily(2, "Adams", "Zoe");
    addFamily(3, "Smith", "Anne");
    EXPECT_EQ(familyOrder(), (std::vector<std::string>{"Adams Zoe", "Smith Anne", "Smith John"}));
}

TEST_F(StoreFamilies, LowerCaseAndHighBytesSortAfterEveryUpperCaseName) {
    addFamily(1, "\xC9mile", "A");
    addFamily(2, "de Vries", "Jan");
    addFamily(3, "Zimmer", "Al");
    addFamily(4, "Adams", "Zoe");
    EXPECT_EQ(familyOrder(), (std::vector<std::string>{"Adams Zoe", "Zimmer Al", "de Vries Jan", "\xC9mile A"}));
}

TEST_F(StoreFamilies, OrderUsesNamesNotPreferredNamesAndAbsentCountsAsEmpty) {
    WardFamily* f = create_ward_family();
    f->lname = "Zed";
    f->lpname = "Aaron";
    storeFamilySorted(f);
    addFamily(2, "Baker", "Al");
    addFamily(3, std::nullopt, "Kim");
    addFamily(4, "Baker", std::nullopt);
    EXPECT_EQ(familyOrder(), (std::vector<std::string>{"- Kim", "Baker -", "Baker Al", "Zed -"}));
}

TEST_F(StoreFamilies, DuplicateGoesBeforeTheEqualOnesAlreadyStored) {
    WardFamily* first = addFamily(1, "Smith", "John");
    addFamily(9, "Smith", "Anne");
    WardFamily* second = addFamily(2, "Smith", "John");
    WardFamily* third = addFamily(3, "Smith", "John");
    std::vector<WardFamily*> seen;
    for (WardFamily* f = getFirstFamily(); f != nullptr; f = getNextFamily()) seen.push_back(f);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[1], third);
    EXPECT_EQ(seen[2], second);
    EXPECT_EQ(seen[3], first);
}

TEST_F(StoreFamilies, SameIdFindsTheLastStoredAndKeepsBoth) {
    addFamily(5, "Adams", "Zoe");
    WardFamily* later = addFamily(5, "Brown", "Al");
    EXPECT_EQ(getFamID(5), later);
    EXPECT_EQ(familyOrder().size(), 2u);
}

TEST_F(StoreFamilies, EmptyListAndTheEndOfIterationGiveNull) {
    EXPECT_EQ(getNextFamily(), nullptr);
    EXPECT_EQ(getFirstFamily(), nullptr);
    EXPECT_EQ(getNextFamily(), nullptr);
    addFamily(1, "Adams", "Zoe");
    EXPECT_NE(getFirstFamily(), nullptr);
    EXPECT_EQ(getNextFamily(), nullptr);
    EXPECT_EQ(getNextFamily(), nullptr);
}

TEST_F(StoreFamilies, StoringNamesTheHouseholdButKeepsAGivenOne) {
    WardFamily* named = create_ward_family();
    named->lname = "Smith";
    named->household = "Smith Family";
    storeFamilySorted(named);
    WardFamily* plain = addFamily(2, "Brown", "Al");
    EXPECT_EQ(named->household, "Smith Family");
    EXPECT_EQ(plain->household, "Brown, Al");
}

TEST_F(StoreLookup, IdsSharingABucketAndNegativeIdsAreFoundSeparately) {
    const int ids[] = {7, 107, 1007, -7, -107, -93, INT_MIN, INT_MAX, 0};
    std::vector<WardFamily*> fams;
    for (int id : ids) fams.push_back(addFamily(id, "F" + std::to_string(id), "X"));
    for (std::size_t i = 0; i < fams.size(); ++i) EXPECT_EQ(getFamID(ids[i]), fams[i]) << ids[i];
    EXPECT_EQ(getFamID(207), nullptr);
    EXPECT_EQ(getFamID(-207), nullptr);
    EXPECT_EQ(getMemID(7), nullptr);
}

TEST_F(StoreLookup, LastStoredMemberIsFoundFirstByIdAndByRecordNumber) {
    addMember(-12, "A", "One", "001-01");
    WardMember* later = addMember(-12, "B", "Two", "001-01");
    EXPECT_EQ(getMemID(-12), later);
    EXPECT_EQ(getRecNo("001-01"), later);
}

TEST_F(StoreLookup, RecordNumbersCompareExactly) {
    WardMember* m = addMember(1, "A", "One", "ab-01");
    WardMember* high = addMember(2, "B", "Two", "\xE9\xFF-12");
    EXPECT_EQ(getRecNo("ab-01"), m);
    EXPECT_EQ(getRecNo("\xE9\xFF-12"), high);
    for (const char* other : {"AB-01", "ab-1", "ab-01 ", " ab-01", "ab-0", ""}) EXPECT_EQ(getRecNo(other), nullptr) << other;
}

TEST_F(StoreLookup, TextKeysHashIntoTheHundredBuckets) {
    EXPECT_EQ(hashKeyForString(nullptr), 0);
    EXPECT_EQ(hashKeyForString("ABC"), 0x41 ^ 0x42 ^ 0x43);
    for (const char* k : {"\xFF", "\x80", "\xC8", "\xE9\xFF-12", "\xFF\x01"}) {
        int b = hashKeyForString(k);
        EXPECT_GE(b, 0) << k;
        EXPECT_LT(b, HashTableSize) << k;
    }
}

TEST_F(StoreLookup, MemberWithoutRecordNumberIsStoredButNotIndexedByIt) {
    WardMember* m = addMember(3, "A", "One");
    EXPECT_EQ(getMemID(3), m);
    EXPECT_EQ(getFirstMember(), m);
    EXPECT_EQ(getRecNo(""), nullptr);
    EXPECT_EQ(getRecNo(nullptr), nullptr);
}

TEST_F(StorePositions, PositiveIdAloneDecidesAndAMissReportsEveryField) {
    WardMember* john = addMember(10, "Smith", "John");
    john->phone = "555-1234";  // the name and phone would match
    WardOrg* org = addOrg("Elders Quorum");
    testing::internal::CaptureStderr();
    WardPos* p = addPos(org, 99, "Smith, John", "555-1234", "Teacher");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Can't find Membership record: ID=99, Name=Smith, John, Phone=555-1234 "
              "(org: Elders Quorum, pos: Teacher) Smith, John\n");
    EXPECT_EQ(p->mem, nullptr);
    EXPECT_EQ(john->pos, nullptr);
}

TEST_F(StorePositions, AbsentTextsInTheMissMessagePrintAsNull) {
    WardOrg* org = addOrg(std::nullopt);
    testing::internal::CaptureStderr();
    addPos(org, 0, "Nobody, Here", std::nullopt, std::nullopt);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Can't find Membership record: ID=0, Name=Nobody, Here, Phone=(null) (org: (null), pos: (null)) "
              "Nobody, Here\n");
}

TEST_F(StorePositions, ZeroOrNegativeIdMatchesByNameAndPhone) {
    WardMember* john = addMember(10, "Smith", "John");
    john->phone = "555-1234";
    WardOrg* org = addOrg("Primary");
    testing::internal::CaptureStderr();
    WardPos* a = addPos(org, 0, "Smith, John", "555", "Teacher");
    WardPos* b = addPos(org, -4, "Smith, John", std::nullopt, "Pianist");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(a->mem, john);
    EXPECT_EQ(b->mem, john);
}

TEST_F(StorePositions, PositionWithoutNameStaysUnlinkedSilently) {
    WardOrg* org = addOrg("Primary");
    testing::internal::CaptureStderr();
    WardPos* vacant = addPos(org, 0, std::nullopt, "555", "Teacher");
    WardPos* unknown = addPos(org, 77, std::nullopt, std::nullopt, "Clerk");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(vacant->mem, nullptr);
    EXPECT_EQ(unknown->mem, nullptr);
}

TEST_F(StorePositions, HeldPositionsChainInStoringOrder) {
    WardMember* john = addMember(10, "Smith", "John");
    WardMember* ann = addMember(11, "Smith", "Ann");
    WardOrg* org = addOrg("Ward");
    WardPos* p1 = addPos(org, 10, std::nullopt, std::nullopt, "One");
    WardPos* other = addPos(org, 11, std::nullopt, std::nullopt, "Other");
    WardPos* p2 = addPos(org, 10, std::nullopt, std::nullopt, "Two");
    WardPos* p3 = addPos(org, 10, std::nullopt, std::nullopt, "Three");
    EXPECT_EQ(john->pos, p1);
    EXPECT_EQ(p1->memnext, p2);
    EXPECT_EQ(p2->memnext, p3);
    EXPECT_EQ(p3->memnext, nullptr);
    EXPECT_EQ(p3->mem, john);
    EXPECT_EQ(ann->pos, other);
    EXPECT_EQ(other->memnext, nullptr);
}

TEST_F(StoreOrgs, OrganizationsGoToTheDesignatedListAndInitSelectsTheWard) {
    setStakeOrg(1);
    WardOrg* stake = addOrg("Stake");
    setStakeOrg(0);
    WardOrg* w1 = addOrg("One");
    WardOrg* w2 = addOrg("Two");
    EXPECT_EQ(getFirstOrg(), w1);
    EXPECT_EQ(getNextOrg(), w2);
    EXPECT_EQ(getNextOrg(), nullptr);
    setStakeOrg(1);
    EXPECT_EQ(getFirstOrg(), stake);
    EXPECT_EQ(getNextOrg(), nullptr);
    dataInit();
    EXPECT_EQ(Org, WardOrgList);
    EXPECT_EQ(getFirstOrg(), nullptr);
}
