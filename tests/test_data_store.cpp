// Ward store: family order, lookups and positions; each test starts and ends empty.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "data.h"
#include "ward_list.h"

namespace {

struct Store : testing::Test {
    void SetUp() override { dataInit(); }
    void TearDown() override { dataInit(); }
};

WardFamily* addFamily(int id, Text last, Text first) {
    WardFamily* f = create_ward_family();
    f->famid = id; f->lname = last; f->fname = first;
    storeFamilySorted(f);
    return f;
}

WardMember* addMember(int id, Text last, Text first, Text recno = std::nullopt) {
    WardMember* m = create_ward_member();
    m->memid = id; m->lname = last; m->fname = first; m->recno = recno;
    storeMember(m);
    return m;
}

// A position chained into org (which releases it), as the readers build it.
WardPos* addPos(WardOrg* org, int memid, Text name, Text phone, Text title) {
    WardPos* p = create_ward_pos();
    p->org = org; p->memid = memid; p->name = name; p->phone = phone; p->pos = title;
    p->next = org->pos; org->pos = p;
    storePos(p);
    return p;
}

WardOrg* addOrg(Text name) {
    WardOrg* o = create_ward_org();
    o->org = name; storeOrg(o);
    return o;
}

}  // namespace

TEST_F(Store, FamiliesSortByteWiseLowerCaseAfterUpperCaseAbsentAsEmptyAndADuplicateBeforeItsEquals) {
    addFamily(1, "de Vries", "Jan");
    addFamily(2, "\xC9mile", "A");
    addFamily(3, "Smith", "John");
    addFamily(4, "Zimmer", "Al");
    addFamily(5, "Smith", "Anne");
    addFamily(6, std::nullopt, "Kim");
    addFamily(7, "Smith", std::nullopt);
    addFamily(8, "\xC9mile", "A");  // equal to the last listed one
    addFamily(9, "Smith", "John");
    std::vector<std::string> order;
    for (WardFamily* f = getFirstFamily(); f != nullptr; f = getNextFamily())
        order.push_back(f->lname.value_or("-") + " " + f->fname.value_or("-") + " " + std::to_string(f->famid));
    EXPECT_EQ(order, (std::vector<std::string>{"- Kim 6", "Smith - 7", "Smith Anne 5", "Smith John 9", "Smith John 3",
                                               "Zimmer Al 4", "de Vries Jan 1", "\xC9mile A 8", "\xC9mile A 2"}));
}

TEST_F(Store, LookupsFindTheRecordStoredLastUnderAnyIdOrRecordNumberWhichNeedNotExist) {
    const int ids[] = {7, 107, -7, -107, INT_MIN, INT_MAX};
    for (int id : ids) addFamily(id, "F", "X");
    for (int id : ids) EXPECT_TRUE(getFamID(id) != nullptr && getFamID(id)->famid == id) << id;
    EXPECT_EQ(getFamID(-207), nullptr);
    WardFamily* again = addFamily(-7, "F", "X");
    EXPECT_EQ(getFamID(-7), again);
    addMember(-12, "A", "One", "001-01");
    WardMember* later = addMember(-12, "B", "Two", "001-01");
    WardMember* none = addMember(3, "C", "Three");
    EXPECT_EQ(getMemID(-12), later);
    EXPECT_EQ(getRecNo("001-01"), later);
    EXPECT_EQ(getMemID(3), none);
    for (const char* miss : {"001-1", "", static_cast<const char*>(nullptr)}) EXPECT_EQ(getRecNo(miss), nullptr);
    for (const char* key : {"\xFF", "\x80", "\xE9\xFF-12"}) {  // bytes above 127 stay inside the buckets
        WardMember* m = addMember(1, "A", "One", key);
        EXPECT_EQ(getRecNo(key), m) << key;
    }
}

// A caller's own table answers from its buckets as they stand: what was put
// last under a key, nothing once a bucket is emptied, and buckets beyond a
// partial initialisation keep their nodes.
TEST_F(Store, ACallersOwnTablesAnswerFromTheirBuckets) {
    hash_tbl_id* ids[HashTableSize];
    hash_tbl_str* strs[HashTableSize];
    hashInitID(ids, HashTableSize);
    hashInitStr(strs, HashTableSize);
    int a = 0, b = 0, c = 0;
    putHashByID(ids, 7, &a);
    putHashByID(ids, 107, &b);
    putHashByID(ids, 7, &c);
    putHashByID(ids, 70, &b);
    putHashByStr(strs, "Key", &a);
    putHashByStr(strs, "Key", &b);
    EXPECT_EQ(getHashByID(ids, 7), &c);
    EXPECT_EQ(getHashByID(ids, 107), &b);
    EXPECT_EQ(getHashByID(ids, 207), nullptr);
    EXPECT_EQ(getHashByStr(strs, "Key"), &b);
    EXPECT_EQ(getHashByStr(strs, "key"), nullptr);
    EXPECT_EQ(getHashByStr(strs, nullptr), nullptr);
    hash_tbl_id* kept[HashTableSize];
    std::copy(ids, ids + HashTableSize, kept);  // to release the nodes at the end
    hashInitID(ids, 50);  // nodes are not released: bucket 70 keeps its own
    EXPECT_EQ(getHashByID(ids, 7), nullptr);
    EXPECT_EQ(getHashByID(ids, 70), &b);
    ids[70] = nullptr;
    EXPECT_EQ(getHashByID(ids, 70), nullptr);
    EXPECT_EQ(getFamID(7), nullptr);  // the store's own index is another table
    for (int i = 0; i < HashTableSize; ++i) {
        for (hash_tbl_id* n = kept[i]; n != nullptr;) { hash_tbl_id* next = n->next; delete n; n = next; }
        for (hash_tbl_str* n = strs[i]; n != nullptr;) { hash_tbl_str* next = n->next; delete n; n = next; }
    }
}

TEST_F(Store, PositionsLinkByPositiveIdAloneElseByNameAndPhoneAndChainOnTheHolderInStoringOrder) {
    WardMember* john = addMember(10, "Smith", "John");
    john->phone = "555-1234";
    WardMember* ann = addMember(11, "Smith", "Ann");
    WardOrg* org = addOrg("Elders Quorum");
    testing::internal::CaptureStderr();
    WardPos* byId = addPos(org, 99, "Smith, John", "555-1234", "Teacher");
    WardPos* byName = addPos(org, 0, "Smith, John", "555", "Pianist");
    WardPos* vacant = addPos(org, 0, std::nullopt, "555", "Clerk");
    addPos(addOrg(std::nullopt), 0, "Nobody, Here", std::nullopt, std::nullopt);
    WardPos* anns = addPos(org, 11, std::nullopt, std::nullopt, "Other");
    WardPos* johns = addPos(org, 10, std::nullopt, std::nullopt, "Two");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Can't find Membership record: ID=99, Name=Smith, John, Phone=555-1234 "
              "(org: Elders Quorum, pos: Teacher) Smith, John\n"
              "Can't find Membership record: ID=0, Name=Nobody, Here, Phone=(null) (org: (null), pos: (null)) "
              "Nobody, Here\n");
    EXPECT_EQ(byId->mem, nullptr);
    EXPECT_EQ(vacant->mem, nullptr);
    EXPECT_EQ(byName->mem, john);
    EXPECT_EQ(john->pos, byName);
    EXPECT_EQ(byName->memnext, johns);
    EXPECT_EQ(johns->memnext, nullptr);
    EXPECT_EQ(ann->pos, anns);
}
