// The store's indexes against the plain definitions: on many random stores
// (repeated names, names differing in letter case only, absent texts, shared
// phones), every search answers as a walk of its list from the head would,
// and families and assignments are inserted where a walk would put them.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <string>
#include <vector>

#include "data.h"
#include "mlscsv.h"
#include "ward_list.h"

namespace {

// ---- The plain definitions: walks from the head of each list ----

const Text& pref(const Text& p, const Text& plain) { return p ? p : plain; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool eqNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

struct Parts {
    std::string last;
    Text first, suffix;
};

Parts split(const std::string& name, bool withSuffix) {
    Parts p;
    const std::size_t comma = name.find(',');
    p.last = name.substr(0, comma);
    if (comma == std::string::npos) return p;
    std::size_t at = name.find_first_not_of(" \t\n\v\f\r", comma + 1);
    std::string rest = at == std::string::npos ? "" : name.substr(at);
    if (!withSuffix) {
        p.first = rest;
        return p;
    }
    const std::size_t second = rest.find(',');
    p.first = rest.substr(0, second);
    if (second != std::string::npos) {
        at = rest.find_first_not_of(" \t\n\v\f\r", second + 1);
        p.suffix = at == std::string::npos ? "" : rest.substr(at);
    }
    return p;
}

template <typename T>
std::vector<T*> all(linkeddef* list) {
    std::vector<T*> out;
    for (linkedlist* l = get_head_link(list); l != nullptr; l = get_next_link(l)) out.push_back(static_cast<T*>(l->data));
    return out;
}

WardFamily* walkFamilyPhone(const std::string& name, const char* phone) {
    const Parts want = split(name, false);
    for (WardFamily* f : all<WardFamily>(Family)) {
        const Text& l = pref(f->lpname, f->lname);
        const Text& fi = pref(f->fpname, f->fname);
        if (l && want.first && fi && eqNoCase(*l, want.last) && eqNoCase(*fi, *want.first) && match_phone(phone, f))
            return f;
    }
    return nullptr;
}

WardMember* walkMemberPhone(const std::string& name, const char* phone) {
    const Parts want = split(name, true);
    const std::string wantPhone = phone != nullptr ? phone : "";
    for (WardMember* m : all<WardMember>(Member)) {
        const Text& l = pref(m->lpname, m->lname);
        const Text& fi = pref(m->fpname, m->fname);
        if (!l || *l != want.last || !fi || !want.first || *fi != *want.first) continue;
        const Text& s = pref(m->spname, m->suff);
        if (want.suffix && (!s || *s != *want.suffix)) continue;
        const Text& own = m->phone ? m->phone : (m->fam != nullptr ? m->fam->phone : m->phone);
        if (std::string(fixnull(own)).compare(0, wantPhone.size(), wantPhone) == 0) return m;
    }
    return nullptr;
}

WardMember* walkAdult(const std::string& last, const std::string& first) {
    for (WardFamily* f : all<WardFamily>(Family))
        for (WardMember* m = f->members; m != nullptr; m = m->next) {
            if (m->age >= 1 && m->age <= 17) break;
            if (m->lname && m->fname && *m->lname == last && *m->fname == first) return m;
        }
    return nullptr;
}

WardFamily* walkFamilyNames(const std::string& names, int htsw) {
    if (names.empty()) return nullptr;
    for (WardFamily* f : all<WardFamily>(Family)) {
        if (htsw) {
            if (f->household && eqNoCase(*f->household, names)) return f;
            continue;
        }
        WardMember* s = f->members;
        if (s == nullptr) continue;
        if (s->sex == 'M') {
            s = s->next;
            if (s == nullptr || s->type != 2) continue;
        }
        const Text& fi = pref(s->fpname, s->fname);
        if (s->lname && fi && eqNoCase(*s->lname + ", " + *fi, names)) return f;
    }
    return nullptr;
}

// ---- Random stores ----

struct Random {
    std::mt19937 rng;
    explicit Random(unsigned seed) : rng(seed) {}
    int pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
    // A name of a small pool, in one of several letter cases, sometimes absent.
    Text name(const std::vector<std::string>& pool) {
        if (pick(12) == 0) return std::nullopt;
        std::string s = pool[static_cast<std::size_t>(pick(static_cast<int>(pool.size())))];
        if (pick(4) == 0)
            for (char& c : s) c = static_cast<char>(pick(2) ? std::toupper(static_cast<unsigned char>(c)) : std::tolower(static_cast<unsigned char>(c)));
        return s;
    }
    Text phone() {
        static const char* const phones[] = {"555-0100", "555-0101", "555-02", "", "555-0100 x"};
        if (pick(8) == 0) return std::nullopt;
        return std::string(phones[pick(5)]);
    }
};

const std::vector<std::string> Lasts = {"Smith", "Smyth", "de Vries", "O'Neil", "Lee", "\xc9mile"};
const std::vector<std::string> Firsts = {"Ann", "Al", "Bo", "Mary Ann", "Jo"};

// randomStore: a new store of random families; in name order when sorted,
// as exports usually list them, so that most families go to the end.
std::vector<WardFamily*> randomFamilies(Random& r, int families, bool sorted) {
    std::vector<WardFamily*> fams;
    for (int i = 0; i < families; ++i) {
        WardFamily* f = create_ward_family();
        f->famid = r.pick(5);
        f->lname = r.name(Lasts);
        f->fname = r.name(Firsts);
        fams.push_back(f);
    }
    if (sorted)
        std::stable_sort(fams.begin(), fams.end(), [](const WardFamily* a, const WardFamily* b) {
            return std::make_pair(std::string(fixnull(a->lname)), std::string(fixnull(a->fname))) <
                   std::make_pair(std::string(fixnull(b->lname)), std::string(fixnull(b->fname)));
        });
    return fams;
}

std::vector<WardFamily*> randomStore(Random& r, int families, bool sorted = false) {
    dataInit();
    std::vector<WardFamily*> stored = randomFamilies(r, families, sorted);
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
            m->lname = r.name(Lasts);
            m->fname = r.name(Firsts);
            if (r.pick(3) == 0) m->lpname = r.name(Lasts);
            if (r.pick(3) == 0) m->fpname = r.name(Firsts);
            if (r.pick(4) == 0) m->suff = std::string(r.pick(2) ? "Jr" : "III");
            if (r.pick(4) == 0) m->spname = std::string("Jr");
            if (r.pick(2)) m->phone = r.phone();
            m->sex = "MF?"[r.pick(3)];
            m->type = r.pick(4);
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
            const std::string fam = queryName(r, false);
            const Text phone = r.phone();
            testing::internal::CaptureStderr();
            WardFamily* fast = find_family_phone(fam.c_str(), textOrNull(phone));
            const std::string told = testing::internal::GetCapturedStderr();
            ASSERT_EQ(fast, walkFamilyPhone(fam, textOrNull(phone))) << fam;
            ASSERT_EQ(told.empty(), fast != nullptr) << fam;
            found[0] += fast != nullptr;

            const std::string mem = queryName(r, true);
            WardMember* holder = find_member_phone(mem.c_str(), textOrNull(phone));
            ASSERT_EQ(holder, walkMemberPhone(mem, textOrNull(phone))) << mem;
            found[1] += holder != nullptr;

            const std::string last = fixnull(r.name(Lasts)), first = fixnull(r.name(Firsts));
            WardMember* adult = find_member_adult(last.c_str(), first.c_str());
            ASSERT_EQ(adult, walkAdult(last, first)) << last << first;
            found[2] += adult != nullptr;

            const std::string names = r.pick(2) ? queryName(r, false) : fixnull(r.name(Lasts));
            for (int htsw : {0, 1}) {
                WardFamily* named = find_family_names(names.c_str(), htsw);
                ASSERT_EQ(named, walkFamilyNames(names, htsw)) << names << htsw;
                found[3 + htsw] += named != nullptr;
            }
        }
    }
    for (int n : found) EXPECT_GT(n, 100);  // the searches were tried on records that match
    dataInit();
}

TEST(StoreIndexes, LookupsByNumberFindTheRecordStoredLastUnderIt) {
    Random r(99);
    for (int round = 0; round < 40; ++round) {
        const std::vector<WardFamily*> fams = randomStore(r, 1 + r.pick(300));  // in storing order
        const std::vector<WardMember*> mems = all<WardMember>(Member);
        for (int key = -1; key < 42; ++key) {
            WardMember* byId = nullptr;
            for (WardMember* m : mems)
                if (m->memid == key) byId = m;
            ASSERT_EQ(getMemID(key), byId) << key;
            const std::string recno = "R" + std::to_string(key);
            WardMember* byRecno = nullptr;
            for (WardMember* m : mems)
                if (m->recno && *m->recno == recno) byRecno = m;
            ASSERT_EQ(getRecNo(recno.c_str()), byRecno) << recno;
            WardFamily* byFamid = nullptr;
            for (WardFamily* f : fams)
                if (f->famid == key) byFamid = f;
            ASSERT_EQ(getFamID(key), byFamid) << key;
        }
    }
    dataInit();
}

TEST(StoreIndexes, AFamilyWalkVisitsTheListInOrderAndLeavesTheCursorAtItsEnd) {
    Random r(5);
    dataInit();
    int visits = 0;
    walkFamilies([&](WardFamily*) { ++visits; });
    EXPECT_EQ(visits, 0);
    EXPECT_EQ(getNextFamily(), nullptr);
    for (int round = 0; round < 20; ++round) {
        randomStore(r, 1 + r.pick(40));
        for (int more = 0; more < 3; ++more) {
            std::vector<WardFamily*> walked;
            walkFamilies([&](WardFamily* f) { walked.push_back(f); });
            ASSERT_EQ(walked, all<WardFamily>(Family));
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
    f->lname = "Smith";
    f->fname = "Al";
    f->phone = "555";
    WardMember* m = create_ward_member();
    m->lname = "Smith";
    m->fname = "Al";
    m->fam = f;
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

TEST(StoreIndexes, FamiliesAndAssignmentsGoWhereAWalkPutsThem) {
    Random r(7);
    for (int round = 0; round < 50; ++round) {
        // Families: each goes before the first listed one that is not
        // smaller, so an equal one goes first; half the rounds come in
        // name order.
        dataInit();
        std::vector<WardFamily*> walked;
        auto keyOf = [](const WardFamily* f) {
            return std::make_pair(std::string(fixnull(f->lname)), std::string(fixnull(f->fname)));
        };
        for (WardFamily* f : randomFamilies(r, 80, round % 2 == 0)) {
            auto at = walked.begin();
            while (at != walked.end() && keyOf(*at) < keyOf(f)) ++at;
            walked.insert(at, f);
            storeFamilySorted(f);
        }
        ASSERT_EQ(all<WardFamily>(Family), walked);
        // Assignments: sorted, and among equal ones the latest first.
        std::vector<HTDist*> made;
        for (int i = 0; i < 60; ++i) {
            HTDist* h = create_htdist();
            h->htgroup = r.pick(4) ? Text(r.pick(2) ? "Elders" : "elders") : std::nullopt;
            h->htdist = r.pick(3) - 1;
            h->htpair = r.pick(3);
            h->household = r.name(Lasts);
            made.push_back(h);
            storeHT(h);
        }
        std::vector<HTDist*> listed = all<HTDist>(HT);
        ASSERT_EQ(listed.size(), made.size());
        auto key = [](const HTDist* h) {
            return std::make_tuple(std::string(fixnull(h->htgroup)), h->htdist, h->htpair, std::string(fixnull(h->household)));
        };
        auto order = [&](const HTDist* h) { return std::find(made.begin(), made.end(), h) - made.begin(); };
        for (std::size_t i = 1; i < listed.size(); ++i) {
            ASSERT_LE(key(listed[i - 1]), key(listed[i]));
            if (key(listed[i - 1]) == key(listed[i])) {
                ASSERT_GT(order(listed[i - 1]), order(listed[i]));
            }
        }
    }
    dataInit();
}
