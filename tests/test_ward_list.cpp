// Records: members come with unset dates, the member chain grows at its end,
// and releasing a member releases its entry chains.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

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

TEST(WardList, ChainsStayWholeUnderInterleavedAppendsRemovalsAndReturns) {
    // Three households take members in random turns; now and then a member
    // leaves its chain (unlinked, family cleared, as a dropped correction
    // does) and later joins a household again. Every chain must always hold
    // exactly the members given to it, in order.
    std::mt19937 rng(11);
    WardFamily* fams[3] = {create_ward_family(), create_ward_family(), create_ward_family()};
    std::vector<WardMember*> model[3];
    std::vector<WardMember*> outside;
    std::vector<WardMember*> everyone;
    for (int step = 0; step < 600; ++step) {
        const int k = static_cast<int>(rng() % 3);
        const int what = static_cast<int>(rng() % 10);
        if (what == 0 && !model[k].empty()) {
            WardMember* m = rng() % 2 ? model[k].back() : model[k][rng() % model[k].size()];
            WardMember** at = &fams[k]->members;
            while (*at != m) at = &(*at)->next;
            *at = m->next;
            m->next = nullptr;
            m->fam = nullptr;
            model[k].erase(std::find(model[k].begin(), model[k].end(), m));
            outside.push_back(m);
            continue;
        }
        WardMember* m = nullptr;
        if (what <= 3 && !outside.empty()) {
            m = outside.back();
            outside.pop_back();
        } else {
            m = create_ward_member();
            everyone.push_back(m);
        }
        m->fam = fams[k];
        add_member_to_family(fams[k], m);
        model[k].push_back(m);
        for (int j = 0; j < 3; ++j) {
            std::vector<WardMember*> chain;
            for (WardMember* c = fams[j]->members; c != nullptr && chain.size() <= model[j].size(); c = c->next)
                chain.push_back(c);
            ASSERT_EQ(chain, model[j]) << "step " << step << " family " << j;
        }
    }
    for (WardFamily* f : fams) {
        f->members = nullptr;
        free_ward_family(f);
    }
    for (WardMember* m : everyone) free_ward_member(m);
}
