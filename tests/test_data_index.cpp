// The store's indexes against the plain definitions: on many random stores
// (repeated names, names differing in letter case only, absent texts, shared
// phones), every search answers as a walk of its list from the head would,
// and families and assignments are inserted where a walk would put them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "data.h"
#include "mlscsv.h"
#include "ward_list.h"

namespace {

// ---- The plain definitions: walks from the head of each list ----

const Text& pref(const Text& p, const Text& plain) { return p ? p : plain; }

// sameNoCase: both present and equal but for the letter case of ASCII capitals.
bool sameNoCase(const Text& a, const Text& b) {
    const auto low = [](std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return s;
    };
    return a && b && low(a->str()) == low(b->str());
}

// after: s from its first non-blank at or past at.
std::string after(const std::string& s, std::size_t at) {
    at = s.find_first_not_of(" \t\n\v\f\r", at);
    return at == std::string::npos ? "" : s.substr(at);
}

struct Parts {
    std::string last;
    Text first, suffix;
};

Parts split(const std::string& name, bool withSuffix) {
    const std::size_t comma = name.find(',');
    if (comma == std::string::npos) return {name, std::nullopt, std::nullopt};
    const std::string rest = after(name, comma + 1);
    const std::size_t second = withSuffix ? rest.find(',') : std::string::npos;
    if (second == std::string::npos) return {name.substr(0, comma), rest, std::nullopt};
    return {name.substr(0, comma), rest.substr(0, second), after(rest, second + 1)};
}

template <typename T>
std::vector<T*> all(linkeddef* list) {
    std::vector<T*> out;
    for (linkedlist* l = get_head_link(list); l != nullptr; l = get_next_link(l))
        out.push_back(static_cast<T*>(l->data));
    return out;
}

// firstOf: the first record of v that p accepts, or null.
template <typename T, typename P>
T* firstOf(const std::vector<T*>& v, P p) {
    const auto it = std::find_if(v.begin(), v.end(), p);
    return it == v.end() ? nullptr : *it;
}

WardFamily* walkFamilyPhone(const std::string& name, const char* phone) {
    const Parts want = split(name, false);
    return firstOf(all<WardFamily>(Family), [&](WardFamily* f) {
        return sameNoCase(pref(f->lpname, f->lname), want.last) && sameNoCase(pref(f->fpname, f->fname), want.first) &&
               match_phone(phone, f);
    });
}

WardMember* walkMemberPhone(const std::string& name, const char* phone) {
    const Parts want = split(name, true);
    return firstOf(all<WardMember>(Member), [&](WardMember* m) {
        const Text &fi = pref(m->fpname, m->fname), &s = pref(m->spname, m->suff);
        const Text& own = m->phone || m->fam == nullptr ? m->phone : m->fam->phone;
        return pref(m->lpname, m->lname) == want.last && want.first && fi == want.first &&
               (!want.suffix || s == want.suffix) && std::string(fixnull(own)).rfind(phone ? phone : "", 0) == 0;
    });
}

WardMember* walkAdult(const std::string& last, const std::string& first) {
    for (WardFamily* f : all<WardFamily>(Family))
        for (WardMember* m = f->members; m != nullptr && !(m->age >= 1 && m->age <= 17); m = m->next)
            if (m->lname == last && m->fname == first) return m;
    return nullptr;
}

WardFamily* walkFamilyNames(const std::string& names, int htsw) {
    if (names.empty()) return nullptr;
    return firstOf(all<WardFamily>(Family), [&](WardFamily* f) {
        if (htsw) return sameNoCase(f->household, names);
        const WardMember* s = f->members;
        if (s != nullptr && s->sex == 'M') s = s->next != nullptr && s->next->type == 2 ? s->next : nullptr;
        if (s == nullptr) return false;
        const Text& fi = pref(s->fpname, s->fname);
        return s->lname && fi && sameNoCase(*s->lname + ", " + *fi, names);
    });
}

// ---- Random stores ----

struct Random {
    std::mt19937 rng;
    explicit Random(unsigned seed) : rng(seed) {}
    int pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
    // A name of a small pool, in one of several letter cases, sometimes absent.
    Text name(const std::vector<std::string>& pool) {
        if (pick(12) == 0) return std::nullopt;
        std::string s = pool[rng() % pool.size()];
        if (pick(4) == 0)
            for (char& c : s) c = static_cast<char>(pick(2) ? std::toupper(c & 0xff) : std::tolower(c & 0xff));
        return s;
    }
    Text phone() {
        static const char* const phones[] = {"555-0100", "555-0101", "555-02", "", "555-0100 x"};
        return pick(8) == 0 ? Text() : Text(phones[pick(5)]);
    }
};

const std::vector<std::string> Lasts = {"Smith", "Smyth", "de Vries", "O'Neil", "Lee", "\xc9mile"};
const std::vector<std::string> Firsts = {"Ann", "Al", "Bo", "Mary Ann", "Jo"};

bool byName(const WardFamily* a, const WardFamily* b) {
    return std::make_pair(std::string(fixnull(a->lname)), std::string(fixnull(a->fname))) <
           std::make_pair(std::string(fixnull(b->lname)), std::string(fixnull(b->fname)));
}

bool byReportOrder(const HTDist* a, const HTDist* b) {
    const auto key = [](const HTDist* h) {
        return std::make_tuple(std::string(fixnull(h->htgroup)), h->htdist, h->htpair,
                               std::string(fixnull(h->household)));
    };
    return key(a) < key(b);
}

// latestFirst: v sorted by less, equal ones latest first.
template <typename T, typename Less>
std::vector<T*> latestFirst(const std::vector<T*>& v, Less less) {
    std::vector<T*> out(v.rbegin(), v.rend());
    std::stable_sort(out.begin(), out.end(), less);
    return out;
}

std::vector<WardFamily*> randomFamilies(Random& r, int families) {
    std::vector<WardFamily*> fams;
    for (int i = 0; i < families; ++i) {
        WardFamily* f = fams.emplace_back(create_ward_family());
        f->famid = r.pick(5);
        f->lname = r.name(Lasts);
        f->fname = r.name(Firsts);
    }
    return fams;
}

// randomStore: a new store of random families with random members.
std::vector<WardFamily*> randomStore(Random& r, int families) {
    dataInit();
    std::vector<WardFamily*> stored = randomFamilies(r, families);
    for (WardFamily* f : stored) {
        if (r.pick(4) == 0) f->lpname = r.name(Lasts);
        if (r.pick(4) == 0) f->fpname = r.name(Firsts);
        if (r.pick(3) == 0) f->spouse = r.name(Firsts);
        if (r.pick(5) == 0) f->household = r.name(Lasts);
        f->phone = r.phone();
        if (r.pick(2)) f->phone2 = r.phone();
        for (int k = 0, n = r.pick(5); k < n; ++k) {
            WardMember* m = create_ward_member();
            m->memid = r.pick(40);
            if (r.pick(3)) m->recno = "R" + std::to_string(r.pick(30));
            m->fam = r.pick(10) ? f : nullptr;
            m->lname = r.name(Lasts); m->fname = r.name(Firsts);
            if (r.pick(3) == 0) m->lpname = r.name(Lasts);
            if (r.pick(3) == 0) m->fpname = r.name(Firsts);
            if (r.pick(4) == 0) m->suff = std::string(r.pick(2) ? "Jr" : "III");
            if (r.pick(4) == 0) m->spname = std::string("Jr");
            if (r.pick(2)) m->phone = r.phone();
            m->sex = "MF?"[r.pick(3)]; m->type = r.pick(4);
            m->age = r.pick(3) == 0 ? r.pick(20) : 30 + r.pick(40);
            add_member_to_family(f, m);
            storeMember(m);
        }
        storeFamilySorted(f);
    }
    return stored;
}

std::string queryName(Random& r, bool withSuffix) {
    std::string s = fixnull(r.name(Lasts));
    if (r.pick(10) == 0) return s;  // no comma: no first name
    s += r.pick(3) ? ", " : ",";
    s += fixnull(r.name(Firsts));
    if (withSuffix && r.pick(4) == 0) s += r.pick(2) ? ", Jr" : ",III";
    return s;
}

}  // namespace

TEST(StoreIndexes, SearchesAnswerAsTheWalksOfTheirListsOnManyRandomStores) {
    Random r(20261206);
    int found[5] = {};  // answers that were a record, per search
    for (int round = 0; round < 150; ++round) {
        randomStore(r, 1 + r.pick(60));
        for (int q = 0; q < 60; ++q) {
            const std::string fam = queryName(r, false), mem = queryName(r, true);
            const Text phone = r.phone();
            testing::internal::CaptureStderr();
            WardFamily* fast = find_family_phone(fam.c_str(), textOrNull(phone));
            ASSERT_EQ(testing::internal::GetCapturedStderr().empty(), fast != nullptr) << fam;  // a miss is told
            ASSERT_EQ(fast, walkFamilyPhone(fam, textOrNull(phone))) << fam;
            WardMember* holder = find_member_phone(mem.c_str(), textOrNull(phone));
            ASSERT_EQ(holder, walkMemberPhone(mem, textOrNull(phone))) << mem;
            const std::string last = fixnull(r.name(Lasts)), first = fixnull(r.name(Firsts));
            WardMember* adult = find_member_adult(last.c_str(), first.c_str());
            ASSERT_EQ(adult, walkAdult(last, first)) << last << ", " << first;
            const std::string names = r.pick(2) ? queryName(r, false) : fixnull(r.name(Lasts));
            WardFamily* named[2] = {find_family_names(names.c_str(), 0), find_family_names(names.c_str(), 1)};
            ASSERT_EQ(named[0], walkFamilyNames(names, 0)) << names;
            ASSERT_EQ(named[1], walkFamilyNames(names, 1)) << names;
            const void* answers[5] = {fast, holder, adult, named[0], named[1]};
            for (int i = 0; i < 5; ++i) found[i] += answers[i] != nullptr;
        }
    }
    for (int n : found) EXPECT_GT(n, 100);  // the searches were tried on records that match
    dataInit();
}

TEST(StoreIndexes, AFamilyWalkVisitsTheListInOrderAndLeavesTheCursorAtItsEnd) {
    const auto walk = [] {
        std::vector<WardFamily*> walked;
        walkFamilies([&](WardFamily* f) { walked.push_back(f); });
        return walked;
    };
    Random r(5);
    dataInit();
    EXPECT_TRUE(walk().empty());
    EXPECT_EQ(getNextFamily(), nullptr);
    for (int round = 0; round < 20; ++round) {
        randomStore(r, 1 + r.pick(40));
        for (int more = 0; more < 3; ++more) {
            ASSERT_EQ(walk(), all<WardFamily>(Family));
            ASSERT_EQ(getNextFamily(), nullptr);  // as after stepping to the end
            WardFamily* f = create_ward_family();  // a later family is seen by the next walk
            f->lname = r.name(Lasts);
            storeFamilySorted(f);
        }
    }
    dataInit();
}

TEST(StoreIndexes, ChangesAfterASearchAreSeenByTheNextSearch) {
    dataInit();
    WardFamily* f = create_ward_family();
    f->lname = "Smith"; f->fname = "Al"; f->phone = "555";
    WardMember* m = create_ward_member();
    m->lname = "Smith"; m->fname = "Al"; m->fam = f;
    add_member_to_family(f, m);
    storeMember(m);
    storeFamilySorted(f);
    EXPECT_EQ(find_member_phone("Smith, Al", ""), m);
    EXPECT_EQ(find_member_adult("Smith", "Al"), m);
    // A correction of the auxiliary file renames and ages the member.
    testing::internal::CaptureStderr();
    process_auxfield(m, f, "name", "Jones, Bo");
    process_auxfield(m, f, "birth", "1 Jan 2015");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(find_member_phone("Smith, Al", ""), nullptr);
    EXPECT_EQ(find_member_phone("Jones, Bo", ""), m);
    EXPECT_EQ(find_member_adult("Smith", "Al"), nullptr);
    EXPECT_EQ(find_member_adult("Jones", "Bo"), nullptr);  // a child now
    dataInit();
}

// A family goes before the first listed one that is not smaller, an
// assignment likewise in report order: among equal ones the latest first.
TEST(StoreIndexes, FamiliesAndAssignmentsGoWhereAWalkPutsThem) {
    Random r(7);
    for (int round = 0; round < 50; ++round) {
        dataInit();
        std::vector<WardFamily*> fams = randomFamilies(r, 80);
        if (round % 2 == 0)  // in name order, as exports usually list them: most families go to the end
            std::stable_sort(fams.begin(), fams.end(), byName);
        for (WardFamily* f : fams) storeFamilySorted(f);
        ASSERT_EQ(all<WardFamily>(Family), latestFirst(fams, byName));
        std::vector<HTDist*> made;
        for (int i = 0; i < 60; ++i) {
            HTDist* h = made.emplace_back(create_htdist());
            h->htgroup = r.pick(4) ? Text(r.pick(2) ? "Elders" : "elders") : std::nullopt;
            h->htdist = r.pick(3) - 1;
            h->htpair = r.pick(3);
            h->household = r.name(Lasts);
            storeHT(h);
        }
        ASSERT_EQ(all<HTDist>(HT), latestFirst(made, byReportOrder));
    }
    dataInit();
}
