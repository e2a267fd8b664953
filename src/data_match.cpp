// Matching of people and households by the texts that callings and teaching
// assignments give (names, household names, phones), and household naming.
//
// Each search answers as a walk of its list from the head would: the first
// record in list order that matches. To keep that fast for large stores,
// the records are indexed by the names a search compares, each index entry
// holding its records in list order; a search then checks only the records
// of one entry. The indexes are built from the lists, link by link (no list
// cursor is disturbed), and built again after the store has changed
// (touchStore).
#include <cstring>
#include <string>
#include <unordered_map>
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

// fold: ASCII letters in lower case, other bytes as they are; two texts are
// equal ignoring case exactly when their folds are equal.
std::string fold(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// nameKey: an index key of two names (names hold no NUL byte).
std::string nameKey(const std::string& last, const std::string& first) {
    std::string key = last;
    key += '\0';
    key += first;
    return key;
}

// The store's generation: every change that can alter a search's answer
// moves it on, and an index built in an older generation is built again.
unsigned long generation = 1;

// Index: records by key, each key's records in list order. The indexes,
// like the records, live until the process ends.
template <typename T>
struct Index {
    unsigned long builtFor = 0;
    std::unordered_map<std::string, std::vector<T*>> byKey;

    bool stale() const { return builtFor != generation; }
    void clear() {
        byKey.clear();
        builtFor = generation;
    }
    const std::vector<T*>* find(const std::string& key) const {
        auto it = byKey.find(key);
        return it == byKey.end() ? nullptr : &it->second;
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

void buildMembersByName() {
    membersByName.clear();
    for (linkedlist* l = get_head_link(Member); l != nullptr; l = get_next_link(l)) {
        WardMember* mem = dataOf<WardMember>(l);
        if (mem == nullptr) continue;
        const Text& last = preferred(mem->lpname, mem->lname);
        const Text& first = preferred(mem->fpname, mem->fname);
        if (last && first) membersByName.byKey[nameKey(*last, *first)].push_back(mem);
    }
}

void buildFamilyIndexes() {
    familiesByName.clear();
    adultsByName.clear();
    familiesByHousehold.clear();
    familiesBySister.clear();
    for (linkedlist* l = get_head_link(Family); l != nullptr; l = get_next_link(l)) {
        WardFamily* fam = dataOf<WardFamily>(l);
        if (fam == nullptr) continue;
        const Text& last = preferred(fam->lpname, fam->lname);
        const Text& first = preferred(fam->fpname, fam->fname);
        if (last && first) familiesByName.byKey[nameKey(fold(*last), fold(*first))].push_back(fam);
        if (fam->household) familiesByHousehold.byKey[fold(*fam->household)].push_back(fam);

        // Adults: the members before the first child (age 1 to 17).
        for (WardMember* mem = fam->members; mem != nullptr; mem = mem->next) {
            if (mem->age >= 1 && mem->age <= 17) break;
            if (mem->lname && mem->fname) adultsByName.byKey[nameKey(*mem->lname, *mem->fname)].push_back(mem);
        }

        // The sister: the first member, or the spouse listed after a man.
        WardMember* sister = fam->members;
        if (sister == nullptr) continue;
        if (sister->sex == 'M') {
            sister = sister->next;
            if (sister == nullptr || sister->type != 2) continue;
        }
        const Text& sfirst = preferred(sister->fpname, sister->fname);
        if (!sister->lname || !sfirst) continue;  // no name to match
        std::string label = *sister->lname + ", " + *sfirst;
        if (label.size() > WorkArea - 1) label.resize(WorkArea - 1);
        familiesBySister.byKey[fold(label)].push_back(fam);
    }
}

void refreshFamilyIndexes() {
    if (familiesByName.stale()) buildFamilyIndexes();
}

}  // namespace

void touchStore() { ++generation; }

void set_household(WardFamily* fam) {
    if (fam->household) return;
    std::string name = fixnull(preferred(fam->lpname, fam->lname));
    name += ", ";
    name += fixnull(preferred(fam->fpname, fam->fname));
    if (fam->spouse) name += " & " + *fam->spouse;
    if (name.size() > WorkArea - 1) name.resize(WorkArea - 1);
    fam->household = name;
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
        refreshFamilyIndexes();
        if (const auto* fams = familiesByName.find(nameKey(fold(want.last), fold(*want.first))))
            for (WardFamily* fam : *fams)
                if (match_phone(phone, fam)) return fam;
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
    const auto* mems = membersByName.find(nameKey(want.last, *want.first));
    if (mems == nullptr) return nullptr;
    for (WardMember* mem : *mems) {
        if (want.suffix && !same(preferred(mem->spname, mem->suff), want.suffix)) continue;
        const Text& own = mem->phone ? mem->phone : (mem->fam != nullptr ? mem->fam->phone : mem->phone);
        if (std::string(fixnull(own)).compare(0, wantPhone.size(), wantPhone) != 0) continue;
        return mem;
    }
    return nullptr;
}

WardMember* find_member_adult(const char* lname, const char* fname) {
    if (lname == nullptr || fname == nullptr) return nullptr;
    refreshFamilyIndexes();
    const auto* mems = adultsByName.find(nameKey(lname, fname));
    return mems != nullptr ? mems->front() : nullptr;
}

WardFamily* find_family_names(const char* names, int htsw) {
    if (isEmpty(names)) return nullptr;
    refreshFamilyIndexes();
    const auto* fams = (htsw ? familiesByHousehold : familiesBySister).find(fold(names));
    return fams != nullptr ? fams->front() : nullptr;
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
