// Records: members come with unset dates, the member chain grows at its end,
// and releasing a member releases its entry chains.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "ward_list.h"

namespace {

// chain: the members of f's chain in order; at most 1000, as a broken chain may loop.
std::vector<WardMember*> chain(const WardFamily* f) {
    std::vector<WardMember*> out;
    for (WardMember* m = f->members; m != nullptr && out.size() < 1000; m = m->next) out.push_back(m);
    return out;
}

}  // namespace

TEST(WardList, NewMemberHasFiveUnsetDatesAndReleasesItsEntryChains) {
    WardMember* m = create_ward_member();
    for (mls_date* d : {m->birth, m->baptism, m->confirm, m->endowed, m->recexp}) EXPECT_EQ(d->month, 0);
    m->cell = create_ward_ents();
    m->cell->next = create_ward_ents();
    m->rem = create_ward_ents();
    free_ward_member(m);  // the sanitizer build reports anything left behind
}

TEST(WardList, AddMemberAppendsAtTheEndOfTheChainWithoutSettingTheFamily) {
    WardFamily* f = create_ward_family();
    const std::vector<WardMember*> added = {create_ward_member(), create_ward_member(), create_ward_member()};
    for (WardMember* m : added) add_member_to_family(f, m);
    EXPECT_EQ(chain(f), added);
    for (WardMember* m : added) EXPECT_EQ(m->fam, nullptr);
    free_ward_family(f);  // releases the three members too
}

// Three households take members in random turns; now and then a member leaves
// its chain (unlinked, family cleared, as a dropped correction does) and later
// joins a household again. Every chain must always hold exactly the members
// given to it, in order.
TEST(WardList, ChainsStayWholeUnderInterleavedAppendsRemovalsAndReturns) {
    std::mt19937 rng(11);
    WardFamily* fams[3] = {create_ward_family(), create_ward_family(), create_ward_family()};
    std::vector<WardMember*> model[3], outside, everyone;
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
        const bool returns = what <= 3 && !outside.empty();
        WardMember* m = returns ? outside.back() : everyone.emplace_back(create_ward_member());
        if (returns) outside.pop_back();
        m->fam = fams[k];
        add_member_to_family(fams[k], m);
        model[k].push_back(m);
        for (int j = 0; j < 3; ++j) ASSERT_EQ(chain(fams[j]), model[j]) << "step " << step << " family " << j;
    }
    for (WardFamily* f : fams) {
        f->members = nullptr;
        free_ward_family(f);
    }
    for (WardMember* m : everyone) free_ward_member(m);
}
