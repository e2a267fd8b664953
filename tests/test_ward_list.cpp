// Records: members come with unset dates, the member chain grows at its end,
// and releasing a member releases its entry chains.
#include <gtest/gtest.h>

#include "ward_list.h"

TEST(WardList, NewMemberHasFiveUnsetDatesAndReleasesItsEntryChains) {
    WardMember* m = create_ward_member();
    for (mls_date* d : {m->birth, m->baptism, m->confirm, m->endowed, m->recexp}) {
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->month, 0);
    }
    m->cell = create_ward_ents();
    m->cell->next = create_ward_ents();
    m->rem = create_ward_ents();
    free_ward_member(m);  // the sanitizer build reports anything left behind
}

TEST(WardList, AddMemberAppendsAtTheEndOfTheChainWithoutSettingTheFamily) {
    WardFamily* f = create_ward_family();
    WardMember* a = create_ward_member();
    WardMember* b = create_ward_member();
    WardMember* c = create_ward_member();
    for (WardMember* m : {a, b, c}) add_member_to_family(f, m);
    EXPECT_EQ(f->members, a);
    EXPECT_EQ(a->next, b);
    EXPECT_EQ(b->next, c);
    EXPECT_EQ(c->next, nullptr);
    EXPECT_EQ(c->fam, nullptr);
    free_ward_family(f);  // releases the three members too
}
