// Matching of people and households by the texts that callings and teaching
// assignments give (names, household names, phones), and household naming.
//
// Each search answers as a walk of its list from the head would: the first
// record in list order that matches. To keep that fast for large stores,
// the records are indexed by a hash of the names a search compares, the
// records of one hash in list order; a search then checks only those. The
// indexes are built from the lists, link by link (no list cursor is
// disturbed), and built again after the store has changed (touchStore).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "data.h"
#include "mlscsv.h"

namespace {

// Names and household texts are handled in a work area of this size.
constexpr std::size_t WorkArea = 512;

// A name argument cut into its parts; absent parts stay empty optionals.
struct NameParts {
    std::string last;
    Text first;
    Text suffix;
};

const char* skipWhite(const char* p) {
    while (isWhite(*p)) ++p;
    return p;
}

// splitName: last name up to the first comma, first name after the blanks
// that follow it (up to a second comma when withSuffix), suffix after the
// blanks that follow that comma.
NameParts splitName(const char* name, bool withSuffix) {
    std::string work(name, strnlen(name, WorkArea - 1));
    NameParts parts;
    std::size_t comma = work.find(',');
    parts.last = work.substr(0, comma);
    if (comma == std::string::npos) return parts;
    std::string rest = skipWhite(work.c_str() + comma + 1);
    if (!withSuffix) {
        parts.first = rest;
        return parts;
    }
    std::size_t second = rest.find(',');
    parts.first = rest.substr(0, second);
    if (second != std::string::npos) parts.suffix = std::string(skipWhite(rest.c_str() + second + 1));
    return parts;
}

// A present record field equal to a present wanted text; absent never matches.
bool same(const Text& field, const Text& wanted) { return field && wanted && *field == *wanted; }

const Text& preferred(const Text& pref, const Text& plain) { return pref ? pref : plain; }

template <typename T>
T* dataOf(linkedlist* l) {
    return static_cast<T*>(get_data_from_link(l));
}

// Bytes compared ignoring ASCII letter case.
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

bool sameNoCase(const Text& field, const Text& wanted) {
    return field && wanted && equalNoCase(field->view(), wanted->view());
}

// Hash of one or two texts (FNV-1a), with or without letter case. Records
// with equal texts share a hash; a search checks the texts themselves.
struct Hash {
    std::uint64_t h = 1469598103934665603ULL;
    bool noCase;
    explicit Hash(bool ignoreCase) : noCase(ignoreCase) {}
    Hash& add(std::string_view s) {
        for (char c : s) h = (h ^ static_cast<unsigned char>(noCase ? lower(c) : c)) * 1099511628211ULL;
        h = (h ^ 0x100U) * 1099511628211ULL;  // ends the text
        return *this;
    }
};

// The store's generation: every change that can alter a search's answer
// moves it on, and an index built in an older generation is built again.
unsigned long generation = 1;

// Index: records by the hash of the texts a search compares, records of one
// hash in list order. A directory by the top bits of the hash says where the
// entries of those bits begin, so that a search reads a few entries rather
// than searching them all. The indexes, like the records, live until the
// process ends.
template <typename T>
struct Index {
    unsigned long builtFor = 0;
    std::vector<std::pair<std::uint64_t, T*>> entries;
    int shift = 63;                        // the hash's top (64 - shift) bits pick a slot
    std::vector<std::uint32_t> directory;  // first entry of each slot, and the end

    bool stale() const { return builtFor != generation; }
    void start() {
        entries.clear();
        builtFor = generation;
    }
    void add(const Hash& key, T* rec) { entries.emplace_back(key.h, rec); }
    void finish() {
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        int bits = 1;
        while (bits < 30 && (std::size_t{1} << bits) < entries.size()) ++bits;
        shift = 64 - bits;
        directory.assign((std::size_t{1} << bits) + 1, 0);
        std::size_t e = 0;
        for (std::size_t slot = 0; slot + 1 < directory.size(); ++slot) {
            directory[slot] = static_cast<std::uint32_t>(e);
            while (e < entries.size() && (entries[e].first >> shift) == slot) ++e;
        }
        directory.back() = static_cast<std::uint32_t>(entries.size());
    }
    // first: the first record in list order of this hash that accept takes.
    template <typename Accept>
    T* first(const Hash& key, Accept accept) const {
        if (entries.empty()) return nullptr;
        const std::size_t slot = static_cast<std::size_t>(key.h >> shift);
        auto it = entries.begin() + directory[slot];
        const auto end = entries.begin() + directory[slot + 1];
        while (it != end && it->first < key.h) ++it;
        for (; it != end && it->first == key.h; ++it)
            if (accept(it->second)) return it->second;
        return nullptr;
    }
};

// Members by their exact preferred last and first names.
Index<WardMember>& membersByName = *new Index<WardMember>;
// Families by their preferred last and first names, ignoring case.
Index<WardFamily>& familiesByName = *new Index<WardFamily>;
// Members before the first child of each family, by their exact names.
Index<WardMember>& adultsByName = *new Index<WardMember>;
// Families by household name, and by their sister's "last, first", both
// ignoring case.
Index<WardFamily>& familiesByHousehold = *new Index<WardFamily>;
Index<WardFamily>& familiesBySister = *new Index<WardFamily>;

// eachFamily, eachMember: the records of a list in order, link by link.
template <typename F>
void eachFamily(F f) {
    for (linkedlist* l = get_head_link(Family); l != nullptr; l = get_next_link(l))
        if (WardFamily* fam = dataOf<WardFamily>(l)) f(fam);
}

void buildMembersByName() {
    membersByName.start();
    for (linkedlist* l = get_head_link(Member); l != nullptr; l = get_next_link(l)) {
        WardMember* mem = dataOf<WardMember>(l);
        if (mem == nullptr) continue;
        const Text& last = preferred(mem->lpname, mem->lname);
        const Text& first = preferred(mem->fpname, mem->fname);
        if (last && first) membersByName.add(Hash(false).add(last->view()).add(first->view()), mem);
    }
    membersByName.finish();
}

void buildFamiliesByName() {
    familiesByName.start();
    eachFamily([](WardFamily* fam) {
        const Text& last = preferred(fam->lpname, fam->lname);
        const Text& first = preferred(fam->fpname, fam->fname);
        if (last && first) familiesByName.add(Hash(true).add(last->view()).add(first->view()), fam);
    });
    familiesByName.finish();
}

void buildAdultsByName() {
    adultsByName.start();
    eachFamily([](WardFamily* fam) {
        // Only the members before the first child (age 1 to 17) count.
        for (WardMember* mem = fam->members; mem != nullptr; mem = mem->next) {
            if (mem->age >= 1 && mem->age <= 17) break;
            if (mem->lname && mem->fname) adultsByName.add(Hash(false).add(mem->lname->view()).add(mem->fname->view()), mem);
        }
    });
    adultsByName.finish();
}

void buildFamiliesByHousehold() {
    familiesByHousehold.start();
    eachFamily([](WardFamily* fam) {
        if (fam->household) familiesByHousehold.add(Hash(true).add(fam->household->view()), fam);
    });
    familiesByHousehold.finish();
}

// sisterLabel: "last, first" of a family's sister (the first member, or the
// spouse listed after a man); absent when there is none or she lacks a name.
Text sisterLabel(const WardFamily* fam) {
    const WardMember* sister = fam->members;
    if (sister == nullptr) return std::nullopt;
    if (sister->sex == 'M') {
        sister = sister->next;
        if (sister == nullptr || sister->type != 2) return std::nullopt;
    }
    const Text& first = preferred(sister->fpname, sister->fname);
    if (!sister->lname || !first) return std::nullopt;
    std::string label = *sister->lname + ", " + *first;
    if (label.size() > WorkArea - 1) label.resize(WorkArea - 1);
    return label;
}

void buildFamiliesBySister() {
    familiesBySister.start();
    eachFamily([](WardFamily* fam) {
        if (Text label = sisterLabel(fam)) familiesBySister.add(Hash(true).add(label->view()), fam);
    });
    familiesBySister.finish();
}

}  // namespace

void touchStore() { ++generation; }

unsigned long storeGeneration() { return generation; }

void set_household(WardFamily* fam) {
    if (fam->household) return;
    // Composed in a buffer kept for the next family: a large export names
    // hundreds of thousands of households.
    thread_local std::string name;
    name.assign(fixnull(preferred(fam->lpname, fam->lname)));
    name += ", ";
    name += fixnull(preferred(fam->fpname, fam->fname));
    if (fam->spouse) {
        name += " & ";
        name += fam->spouse->view();
    }
    if (name.size() > WorkArea - 1) name.resize(WorkArea - 1);
    fam->household = std::string_view(name);
}

int match_phone(const char* phone, WardFamily* fam) {
    if (phone == nullptr && !fam->phone) return 1;
    if (phone == nullptr || !fam->phone) return 0;
    if (*fam->phone == phone || fixnull(fam->phone2) == std::string(phone) ||
        fixnull(fam->phone3) == std::string(phone))
        return 1;
    return 0;
}

WardFamily* find_family_phone(const char* name, const char* phone) {
    if (name == nullptr) return nullptr;
    NameParts want = splitName(name, false);
    if (want.first) {
        if (familiesByName.stale()) buildFamiliesByName();
        const Text wantLast = want.last;
        WardFamily* fam = familiesByName.first(Hash(true).add(want.last).add(want.first->view()), [&](WardFamily* f) {
            return sameNoCase(preferred(f->lpname, f->lname), wantLast) &&
                   sameNoCase(preferred(f->fpname, f->fname), want.first) && match_phone(phone, f);
        });
        if (fam != nullptr) return fam;
    }
    std::fprintf(stderr, "find_family_phone: not found.  fname=[%s], lname=[%s], phone=[%s]\n",
                 nullstr(want.first), want.last.c_str(), phone != nullptr ? phone : "(null)");
    return nullptr;
}

WardMember* find_member_phone(const char* name, const char* phone) {
    if (name == nullptr) return nullptr;
    const std::string wantPhone = phone != nullptr ? phone : "";
    NameParts want = splitName(name, true);
    if (!want.first) return nullptr;  // no first name matches no member
    if (membersByName.stale()) buildMembersByName();
    const Text wantLast = want.last;
    return membersByName.first(Hash(false).add(want.last).add(want.first->view()), [&](WardMember* mem) {
        if (!same(preferred(mem->lpname, mem->lname), wantLast)) return false;
        if (!same(preferred(mem->fpname, mem->fname), want.first)) return false;
        if (want.suffix && !same(preferred(mem->spname, mem->suff), want.suffix)) return false;
        const Text& own = mem->phone ? mem->phone : (mem->fam != nullptr ? mem->fam->phone : mem->phone);
        return std::string_view(fixnull(own)).substr(0, wantPhone.size()) == wantPhone;
    });
}

WardMember* find_member_adult(const char* lname, const char* fname) {
    if (lname == nullptr || fname == nullptr) return nullptr;
    if (adultsByName.stale()) buildAdultsByName();
    const Text wantLast = std::string(lname), wantFirst = std::string(fname);
    return adultsByName.first(Hash(false).add(wantLast->view()).add(wantFirst->view()), [&](WardMember* mem) {
        return same(mem->lname, wantLast) && same(mem->fname, wantFirst);
    });
}

WardFamily* find_family_names(const char* names, int htsw) {
    if (isEmpty(names)) return nullptr;
    const std::string want = names;
    if (htsw) {
        if (familiesByHousehold.stale()) buildFamiliesByHousehold();
        return familiesByHousehold.first(Hash(true).add(want), [&](WardFamily* fam) {
            return fam->household && equalNoCase(fam->household->view(), want);
        });
    }
    if (familiesBySister.stale()) buildFamiliesBySister();
    return familiesBySister.first(Hash(true).add(want), [&](WardFamily* fam) {
        Text label = sisterLabel(fam);
        return label && equalNoCase(label->view(), want);
    });
}

void family_names() {
    std::printf("\nFamilies so far:\n");
    for (linkedlist* l = get_head_link(Family); l != nullptr; l = get_next_link(l)) {
        WardFamily* fam = dataOf<WardFamily>(l);
        if (fam != nullptr) std::printf("%s, %s\n", nullstr(fam->lname), nullstr(fam->fname));
    }
    std::printf("\nPress ENTER to continue: ");
    std::fflush(stdout);
    std::string answer;
    readline(answer, stdin);
}
