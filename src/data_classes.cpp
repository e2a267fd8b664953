// The class lists: the young men, young women and Primary classes (and a
// women's list outside the report sequence), each member with a phone and,
// when the display settings ask for it, the household's address.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data.h"
#include "mlscsv.h"

namespace {

// One class: its heading and bounds (ages, or birth years for Primary).
struct ClassDef {
    const char* hdr;
    int val1, val2;
};

// The four display flags of one list.
struct ListFlags {
    char addr, city, state, zip;
};

bool on(char flag) { return flag == 'y'; }

// openList: create a class list file; msg is the list's own open failure.
bool openList(RptFile& out, const char* fname, const char* msg) {
    if (out.open(fname)) return true;
    std::fprintf(stderr, msg, fname);
    return false;
}

// A member of a class, with the household it is listed under.
struct Entry {
    const WardFamily* fam;
    const WardMember* mem;
};

// addressShown: whether the entries of a list get an address line at all.
bool addressShown(int flg_addr, int flg_city, int flg_state, int flg_zip) {
    return on(ShowAddrFlag) || on(ShowCityFlag) || on(ShowStateFlag) || on(ShowZipFlag) || flg_addr == 'y' ||
           flg_city == 'y' || flg_state == 'y' || flg_zip == 'y';
}

// writeEntry: one member's line, and its household's address line.
void writeEntry(RptFile& out, const Entry& e, bool address, int flg_addr, int flg_city, int flg_state, int flg_zip) {
    const WardFamily* fam = e.fam;
    const WardMember* m = e.mem;
    // A member with another surname than the household's gets the
    // household's in parentheses.
    if (std::strcmp(fixnull(fam->lname), fixnull(m->lname)) != 0) out.printf("(%s) ", fixnull(fam->lname));
    out.printf("%s, %s, %s\n", fixnull(m->lname), fixnull(m->fpname ? m->fpname : m->fname),
               fixnull(m->phone ? m->phone : fam->phone));
    if (!address) return;
    const WardFamily* home = m->fam != nullptr ? m->fam : fam;
    out.printf("  ");
    if (on(ShowAddrFlag) || flg_addr == 'y') out.printf(" %s", fixnull(home->addr));
    if (on(ShowCityFlag) || flg_city == 'y') out.printf(" %s", fixnull(home->city));
    if (on(ShowStateFlag) || flg_state == 'y') out.printf(" %s", fixnull(home->state));
    if (on(ShowZipFlag) || flg_zip == 'y') out.printf(" %s", fixnull(home->zip));
    out.printf("\n");
}

// roster: every member of every family in the store's order, as the class
// lists walk them. The lists of a run are written one after another from an
// unchanged store, so the walk is made once for all of them, and each list
// then reads the members from one array, fetching them ahead of their use.
const std::vector<Entry>& roster() {
    static std::vector<Entry>& entries = *new std::vector<Entry>;
    static unsigned long builtFor = 0;
    if (builtFor != storeGeneration()) {
        entries.clear();
        data_detail::visitFamilies([](const WardFamily* fam) {
            for (const WardMember* m = fam->members; m != nullptr; m = m->next) entries.push_back({fam, m});
        });
        builtFor = storeGeneration();
    }
    return entries;
}

// The oldest age of the youth classes, and the ages of the Primary classes
// by the age reached this calendar year.
constexpr int YouthLastAge = 18;
constexpr int PriFirstAge = 3;
constexpr int PriClasses = 10;

// youngRoster: the members of the roster, in its order, that a youth or
// Primary class can hold: those of YouthLastAge and under, and those born
// in the Primary years of the run year. The youth and Primary lists read
// only them, which in most wards are a small part of the roster.
const std::vector<Entry>& youngRoster(int year) {
    static std::vector<Entry>& entries = *new std::vector<Entry>;
    static unsigned long builtFor = 0;
    static int builtYear = 0;
    if (builtFor != storeGeneration() || builtYear != year) {
        entries.clear();
        const int firstYear = year - (PriFirstAge + PriClasses - 1);
        for (const Entry& e : roster()) {
            const WardMember* m = e.mem;
            if (m->age <= YouthLastAge || (m->birth != nullptr && m->birth->year >= firstYear)) entries.push_back(e);
        }
        builtFor = storeGeneration();
        builtYear = year;
    }
    return entries;
}

// Which members a list reads: all, or the young only (youngRoster).
enum class Readers { All, Young };

// writeClasses: the classes of one file, each as writeGroup writes it. The
// members of all its classes are found in one pass over the roster.
void writeClasses(RptFile& out, const ClassDef* defs, int n, int mms, ClassMatch match, ListFlags f,
                  Readers readers) {
    std::vector<std::vector<Entry>> classes(static_cast<std::size_t>(n));
    const std::vector<Entry>& members = readers == Readers::All ? roster() : youngRoster(runDate().year);
    for (const Entry& e : members)
        for (int i = 0; i < n; ++i)
            if (match(e.mem, defs[i].val1, defs[i].val2)) classes[static_cast<std::size_t>(i)].push_back(e);
    const bool address = addressShown(f.addr, f.city, f.state, f.zip);
    for (int i = 0; i < n; ++i) {
        out.printf("%s:\n", defs[i].hdr);
        for (const Entry& e : classes[static_cast<std::size_t>(i)])
            writeEntry(out, e, address, f.addr, f.city, f.state, f.zip);
        if (mms == 0) out.printf("\n");
    }
}

// The classes of each list, plain and book outline.
const ClassDef YMClasses[] = {{"Deacons", 12, 13}, {"Teachers", 14, 15}, {"Priests", 16, YouthLastAge}};
const ClassDef YMBooks[] = {{"Book: Deacons", 12, 13}, {"Book: Teachers", 14, 15},
                            {"Book: Priests", 16, YouthLastAge}};
const ClassDef YWClasses[] = {{"Beehives", 12, 13}, {"Mia Maids", 14, 15}, {"Laurels", 16, YouthLastAge}};
const ClassDef YWBooks[] = {{"Book: Beehives", 12, 13}, {"Book: Mia Maids", 14, 15},
                            {"Book: Laurels", 16, YouthLastAge}};
const ClassDef RSClasses[] = {{"Sisters", 18, 0}};
const ClassDef RSBooks[] = {{"Book: Sisters", 18, 0}};

// Primary classes by the age reached this calendar year.
const char* const PriNames[] = {"Sunbeams", "CTR4", "CTR5", "CTR6", "CTR7", "CTR8", "Val9", "Val10", "Val11", "Val12"};
const char* const PriBooks[] = {"Book: Sunbeams", "Book: CTR4", "Book: CTR5", "Book: CTR6", "Book: CTR7",
                                "Book: CTR8",     "Book: Val9", "Book: Val10", "Book: Val11", "Book: Val12"};
ListFlags ymFlags() { return {YMAddrFlag, YMCityFlag, YMStateFlag, YMZipFlag}; }
ListFlags ywFlags() { return {YWAddrFlag, YWCityFlag, YWStateFlag, YWZipFlag}; }
ListFlags rsFlags() { return {RSAddrFlag, RSCityFlag, RSStateFlag, RSZipFlag}; }
ListFlags priFlags() { return {PriAddrFlag, PriCityFlag, PriStateFlag, PriZipFlag}; }

// writePrimary: one class per birth year, counted back from the run date.
void writePrimary(const char* fname, const char* const* names, int mms) {
    RptFile out;
    if (!openList(out, fname, "Can't open PRI output file (%s)\n")) return;
    const int year = runDate().year;
    ClassDef defs[PriClasses];
    for (int i = 0; i < PriClasses; ++i) {
        const int born = year - (PriFirstAge + i);
        defs[i] = {names[i], born, born};
    }
    writeClasses(out, defs, PriClasses, mms, isPRI, priFlags(), Readers::Young);
}

}  // namespace

int isYM(const WardMember* mem, int val1, int val2) { return mem->sex == 'M' && mem->age >= val1 && mem->age <= val2; }

int isYW(const WardMember* mem, int val1, int val2) { return mem->sex == 'F' && mem->age >= val1 && mem->age <= val2; }

int isRS(const WardMember* mem, int val1, int) { return mem->sex == 'F' && mem->age >= val1; }

int isPRI(const WardMember* mem, int val1, int val2) {
    return mem->birth != nullptr && mem->birth->year >= val1 && mem->birth->year <= val2;
}

int writeGroup(RptFile& out, const char* hdr, int mms, int val1, int val2, ClassMatch match, int flg_addr,
               int flg_city, int flg_state, int flg_zip) {
    // 1. Whether entries get an address line at all.
    const bool address = addressShown(flg_addr, flg_city, flg_state, flg_zip);
    out.printf("%s:\n", hdr);

    // 2. Every member of every family the predicate accepts.
    walkFamilies([&](const WardFamily* fam) {
        for (const WardMember* m = fam->members; m != nullptr; m = m->next)
            if (match(m, val1, val2)) writeEntry(out, {fam, m}, address, flg_addr, flg_city, flg_state, flg_zip);
    });

    // 3. The plain list closes the class with an empty line.
    if (mms == 0) out.printf("\n");
    return 0;
}

void writeYM(const char* fname) {
    RptFile out;
    if (openList(out, fname, "Can't open YM output file (%s)\n"))
        writeClasses(out, YMClasses, 3, 0, isYM, ymFlags(), Readers::Young);
}

void writeYMMMS(const char* fname) {
    RptFile out;
    if (openList(out, fname, "Can't open YM output file (%s)\n"))
        writeClasses(out, YMBooks, 3, 1, isYM, ymFlags(), Readers::Young);
}

void writeYW(const char* fname) {
    RptFile out;
    if (openList(out, fname, "Can't open YW output file (%s)\n"))
        writeClasses(out, YWClasses, 3, 0, isYW, ywFlags(), Readers::Young);
}

void writeYWMMS(const char* fname) {
    RptFile out;
    if (openList(out, fname, "Can't open YW output file (%s)\n"))
        writeClasses(out, YWBooks, 3, 1, isYW, ywFlags(), Readers::Young);
}

void writePRI(const char* fname) { writePrimary(fname, PriNames, 0); }

void writePRIMMS(const char* fname) { writePrimary(fname, PriBooks, 1); }

void writeRS(const char* fname) {
    RptFile out;
    if (openList(out, fname, "Can't open RS output file (%s)\n"))
        writeClasses(out, RSClasses, 1, 0, isRS, rsFlags(), Readers::All);
}

void writeRSMMS(const char* fname) {
    RptFile out;
    if (openList(out, fname, "Can't open RS output file (%s)\n"))
        writeClasses(out, RSBooks, 1, 1, isRS, rsFlags(), Readers::All);
}
