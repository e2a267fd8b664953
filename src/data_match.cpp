// Matching of people and households by the texts that callings and teaching
// assignments give (names, household names, phones), and household naming.
// Every walk goes link by link so no list cursor is disturbed.
#include <cstring>
#include <string>

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

// ASCII comparison ignoring letter case; bytes above 127 compare as they are.
bool equalNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// A present record field equal to a present wanted text; absent never matches.
bool sameNoCase(const Text& field, const Text& wanted) { return field && wanted && equalNoCase(*field, *wanted); }
bool same(const Text& field, const Text& wanted) { return field && wanted && *field == *wanted; }

const Text& preferred(const Text& pref, const Text& plain) { return pref ? pref : plain; }

template <typename T>
T* dataOf(linkedlist* l) {
    return static_cast<T*>(get_data_from_link(l));
}

}  // namespace

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
    for (linkedlist* l = get_head_link(Family); l != nullptr; l = get_next_link(l)) {
        WardFamily* fam = dataOf<WardFamily>(l);
        if (fam == nullptr) continue;
        if (sameNoCase(preferred(fam->lpname, fam->lname), want.last) &&
            sameNoCase(preferred(fam->fpname, fam->fname), want.first) && match_phone(phone, fam))
            return fam;
    }
    std::fprintf(stderr, "find_family_phone: not found.  fname=[%s], lname=[%s], phone=[%s]\n",
                 nullstr(want.first), want.last.c_str(), phone != nullptr ? phone : "(null)");
    return nullptr;
}

WardMember* find_member_phone(const char* name, const char* phone) {
    if (name == nullptr) return nullptr;
    const std::string wantPhone = phone != nullptr ? phone : "";
    NameParts want = splitName(name, true);
    for (linkedlist* l = get_head_link(Member); l != nullptr; l = get_next_link(l)) {
        WardMember* mem = dataOf<WardMember>(l);
        if (mem == nullptr) continue;
        if (!same(preferred(mem->lpname, mem->lname), want.last)) continue;
        if (!same(preferred(mem->fpname, mem->fname), want.first)) continue;
        if (want.suffix && !same(preferred(mem->spname, mem->suff), want.suffix)) continue;
        const Text& own = mem->phone ? mem->phone : (mem->fam != nullptr ? mem->fam->phone : mem->phone);
        if (std::string(fixnull(own)).compare(0, wantPhone.size(), wantPhone) != 0) continue;
        return mem;
    }
    return nullptr;
}

WardMember* find_member_adult(const char* lname, const char* fname) {
    if (lname == nullptr || fname == nullptr) return nullptr;
    const Text wantLast = std::string(lname), wantFirst = std::string(fname);
    for (linkedlist* l = get_head_link(Family); l != nullptr; l = get_next_link(l)) {
        WardFamily* fam = dataOf<WardFamily>(l);
        if (fam == nullptr) continue;
        for (WardMember* mem = fam->members; mem != nullptr; mem = mem->next) {
            if (mem->age >= 1 && mem->age <= 17) break;  // only adults come before the children
            if (same(mem->lname, wantLast) && same(mem->fname, wantFirst)) return mem;
        }
    }
    return nullptr;
}

WardFamily* find_family_names(const char* names, int htsw) {
    if (isEmpty(names)) return nullptr;
    const std::string want = names;
    for (linkedlist* l = get_head_link(Family); l != nullptr; l = get_next_link(l)) {
        WardFamily* fam = dataOf<WardFamily>(l);
        if (fam == nullptr) continue;
        if (htsw) {
            if (fam->household && equalNoCase(*fam->household, want)) return fam;
            continue;
        }
        // The sister: the first member, or the spouse listed after a man.
        WardMember* sister = fam->members;
        if (sister == nullptr) continue;
        if (sister->sex == 'M') {
            sister = sister->next;
            if (sister == nullptr || sister->type != 2) continue;
        }
        // A sister without a last or first name matches no name.
        const Text& first = preferred(sister->fpname, sister->fname);
        if (!sister->lname || !first) continue;
        std::string label = *sister->lname + ", " + *first;
        if (label.size() > WorkArea - 1) label.resize(WorkArea - 1);
        if (equalNoCase(label, want)) return fam;
    }
    return nullptr;
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
