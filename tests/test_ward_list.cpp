// Records: creation gives empty records, members come with unset dates, and
// the member chain grows at its end.
#include <gtest/gtest.h>

#include "ward_list.h"

TEST(WardList, NewMemberHasFiveUnsetDates) {
    WardMember* m = create_ward_member();
    ASSERT_NE(m, nullptr);
    for (mls_date* d : {m->birth.get(), m->baptism.get(), m->confirm.get(), m->endowed.get(), m->recexp.get()}) {
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->month, 0);
        EXPECT_EQ(d->day, 0);
        EXPECT_EQ(d->year, 0);
    }
    EXPECT_EQ(m->sex, 0);
    EXPECT_FALSE(m->lname.has_value());
    EXPECT_EQ(m->pos, nullptr);
    free_ward_member(m);
}

TEST(WardList, NewRecordsAreEmpty) {
    WardFamily* f = create_ward_family();
    WardOrg* o = create_ward_org();
    WardPos* p = create_ward_pos();
    HTDist* h = create_htdist();
    mls_date* d = create_mlsDate();
    EXPECT_EQ(f->famid, 0);
    EXPECT_EQ(f->members, nullptr);
    EXPECT_FALSE(f->household.has_value());
    EXPECT_EQ(o->pos, nullptr);
    EXPECT_EQ(p->isLdr, 0);
    EXPECT_EQ(h->htpct, 0);
    EXPECT_EQ(d->s[0], '\0');
    free_ward_family(f);
    delete o;
    delete p;
    delete h;
    free_mlsDate(d);
}

TEST(WardList, AddMemberAppendsAtTheEndOfTheChain) {
    WardFamily* f = create_ward_family();
    WardMember* a = create_ward_member();
    WardMember* b = create_ward_member();
    WardMember* c = create_ward_member();
    add_member_to_family(f, a);
    EXPECT_EQ(f->members, a);
    add_member_to_family(f, b);
    add_member_to_family(f, c);
    EXPECT_EQ(f->members, a);
    EXPECT_EQ(a->next, b);
    EXPECT_EQ(b->next, c);
    EXPECT_EQ(c->next, nullptr);
    EXPECT_EQ(c->fam, nullptr) << "the caller sets the member's family";
    free_ward_family(f);  // releases the three members too
}

TEST(WardList, ReleasingAMemberReleasesItsEntryChains) {
    WardMember* m = create_ward_member();
    WardEnts* first = create_ward_ents();
    first->text = "555-0001";
    first->next = create_ward_ents();
    m->cell = first;
    m->rem = create_ward_ents();
    free_ward_member(m);  // the sanitizer build reports anything left behind
    free_ward_member(nullptr);
    free_ward_family(nullptr);
    free_ward_ents(nullptr);
}
