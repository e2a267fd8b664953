// data: the ward store and its indexes, matching of people and households,
// the report display settings, record dumps, the CSV exports, the teaching
// lists and the class lists.
#ifndef ROLLBOOK_DATA_H
#define ROLLBOOK_DATA_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "linklist.h"
#include "rollbook.h"

// ---- Store ----

// The store's lists; each link carries one record. Family is sorted by last
// name then first name, Member and the organization lists keep the order of
// storing, HT and VT the teaching-list order. Org designates WardOrgList or
// StakeOrgList. Each list's cursor is shared by every iteration over it.
extern linkeddef* Family;
extern linkeddef* Member;
extern linkeddef* WardOrgList;
extern linkeddef* StakeOrgList;
extern linkeddef* Org;
extern linkeddef* HT;
extern linkeddef* VT;

// Buckets of each hash index.
constexpr int HashTableSize = 100;

// A node of an index by number, and of an index by text.
struct hash_tbl_id {
    hash_tbl_id* next;
    int id;
    void* ptr;
};
struct hash_tbl_str {
    hash_tbl_str* next;
    std::string key;  // the index's own copy of the key
    void* ptr;
};

// dataInit: create the empty lists and hash indexes and select the ward
// organization list. Called once before any reader; called again it first
// releases every record of the previous store (the tests rely on this).
void dataInit();

// setStakeOrg: organization operations use the stake list when flg is
// non-zero, else the ward list.
void setStakeOrg(int flg);

// hashInitID, hashInitStr: empty the first sz buckets of a table (the nodes
// are not released).
void hashInitID(hash_tbl_id** tbl, int sz);
void hashInitStr(hash_tbl_str** tbl, int sz);

// hashKeyForString: the bucket (0 to 99) of a text key; 0 for a null key.
int hashKeyForString(const char* key);

// putHashByID, putHashByStr: add a node at the head of the key's bucket, so
// the record stored last under a key is found first. Keys need not be unique.
void putHashByID(hash_tbl_id** tbl, int id, void* data);
void putHashByStr(hash_tbl_str** tbl, const char* key, void* data);

// getHashByID, getHashByStr: the record of the first node with an equal key
// (text keys compared exactly), or null.
void* getHashByID(hash_tbl_id** tbl, int id);
void* getHashByStr(hash_tbl_str** tbl, const char* key);

// getFamID, getMemID, getRecNo: look a family up by id, a member by id or by
// record number. Null when none was stored.
WardFamily* getFamID(int id);
WardMember* getMemID(int id);
WardMember* getRecNo(const char* recno);

// storeFamilySorted: name the household when it has no name, insert the
// family in byte order of last name then first name (before equal ones) and
// index it by famid. The store keeps the family for the rest of the run.
void storeFamilySorted(WardFamily* fam);

// storeFamily: as storeFamilySorted, but append at the end of Family.
void storeFamily(WardFamily* fam);

// getFirstFamily, getNextFamily: step Family with its cursor; null at the end.
WardFamily* getFirstFamily();
WardFamily* getNextFamily();

// walkFamilies: call visit(fam) for each stored family in Family's order, as
// stepping with getFirstFamily and getNextFamily does, and leave Family's
// cursor where that stepping leaves it.
template <typename Visit>
void walkFamilies(Visit visit);

// storeMember: append the member to Member and index it by memid and, when it
// has one, by record number.
void storeMember(WardMember* mem);

// getFirstMember: the first stored member, cursor untouched; null when none.
WardMember* getFirstMember();

// storeOrg: append the organization to the designated organization list.
void storeOrg(WardOrg* org);

// storePos: link a position to its holder (by member id when positive, else
// by name and phone) and append it to the holder's positions. A holder that
// cannot be found is reported on the error stream when the position names one.
void storePos(WardPos* pos);

// getFirstOrg, getNextOrg: step the designated organization list with its
// cursor; null at the end.
WardOrg* getFirstOrg();
WardOrg* getNextOrg();

// firstOnList, nextOnList: step a list with its own cursor: the head's
// record, then each next one; null for a missing list and at the end.
void* firstOnList(linkeddef* list);
void* nextOnList(linkeddef* list);

// storeHT, storeVT: insert an assignment into HT or VT at its place in report
// order: group (HT only), district, companionship, household; texts in byte
// order with an absent text first. An assignment equal in every key goes
// before the ones already listed. The families are not touched.
void storeHT(HTDist* ht);
void storeVT(HTDist* ht);

// touchStore: tell the store that names, household texts, ages or member
// chains of stored records have changed, so that the name searches below see
// the change. The store's own operations call it themselves.
void touchStore();

// storeGeneration: a number that changes whenever the store is told of a
// change (touchStore): two reads of it give the same number only when the
// records have not changed in between.
unsigned long storeGeneration();

// ---- Matching and household naming ----
// These walk the lists link by link and never move a list's cursor. Names
// given as "last, first" are cut at the first comma and the first name starts
// after the blanks that follow it; a name without a comma matches nothing.
// Name arguments longer than 511 characters are cut to 511.

// set_household: when the family has no household name, make it
// "last, first" from the preferred names (the names when absent), adding
// " & spouse" when there is a spouse. Absent parts count as "".
void set_household(WardFamily* fam);

// match_phone: 1 when phone equals the family's phone, phone2 or phone3
// exactly (an absent phone2 or phone3 counts as ""), or when both phone and
// the family's phone are absent; else 0.
int match_phone(const char* phone, WardFamily* fam);

// find_family_phone: the first family whose preferred last and first names
// equal "last, first" ignoring case and whose phones match. Reports a failed
// search on the error stream; null when name is absent or nothing matches.
WardFamily* find_family_phone(const char* name, const char* phone);

// find_member_phone: the first member whose preferred names (and suffix, when
// the name carries "last, first, suffix") equal the name exactly and whose
// phone (the household's when it has none) begins with phone. Null when
// nothing matches; prints nothing.
WardMember* find_member_phone(const char* name, const char* phone);

// find_member_adult: the first member with exactly these names, looking in
// each family only at the members before its first child (age 1 to 17).
WardMember* find_member_adult(const char* lname, const char* fname);

// find_family_names: the first family whose household name (htsw non-zero)
// or whose sister's "last, preferred first" (htsw 0) equals names ignoring
// case. Null when names is absent or empty or nothing matches.
WardFamily* find_family_names(const char* names, int htsw);

// family_names: list the families on standard output and wait for ENTER.
void family_names();

// ---- Display settings ----
// A flag shows its element exactly when it holds 'y'.

extern char ShowAddrFlag, ShowCityFlag, ShowStateFlag, ShowZipFlag;
extern char HTAddrFlag, HTCityFlag, HTStateFlag, HTZipFlag;
extern char VTAddrFlag, VTCityFlag, VTStateFlag, VTZipFlag;
extern char YMAddrFlag, YMCityFlag, YMStateFlag, YMZipFlag;
extern char YWAddrFlag, YWCityFlag, YWStateFlag, YWZipFlag;
extern char RSAddrFlag, RSCityFlag, RSStateFlag, RSZipFlag;
extern char PriAddrFlag, PriCityFlag, PriStateFlag, PriZipFlag;

// resetSettings: give every flag its default (the tests rely on this).
void resetSettings();

// auxcmd: apply one settings line ("!Key=v"): the flag of the first key the
// line begins with takes the character after the '=' (the terminator when
// there is none). Lines matching no key change nothing.
void auxcmd(const char* cmd);

// ---- Record dumps ----

// dumpWardFamily, dumpWardMember: write the record in its labelled layout to
// fp; absent texts print as "(null)".
void dumpWardFamily(WardFamily* fam, std::FILE* fp);
void dumpWardMember(WardMember* mem, std::FILE* fp);

// ---- Report writers: each reports its own open failure and returns ----

// The family, member and organization tables.
void writeFamilyCSV(const char* fname);
void writeMemberCSV(const char* fname);
void writeOrgCSV(const char* fname);

// The home and visiting teaching lists: writeHTVT writes HT (htsw non-zero)
// or VT (htsw 0) to fname; writeHT and writeVT are its two uses.
void writeHTVT(const char* fname, int htsw);
void writeHT(const char* fname);
void writeVT(const char* fname);

// ---- Class lists ----

// A class predicate: 1 when the member belongs to the class bounded by val1
// and val2, else 0.
using ClassMatch = int (*)(const WardMember* mem, int val1, int val2);

// isYM, isYW: a young man or young woman aged val1 to val2 inclusive.
int isYM(const WardMember* mem, int val1, int val2);
int isYW(const WardMember* mem, int val1, int val2);
// isRS: a woman aged val1 or more (val2 is not used).
int isRS(const WardMember* mem, int val1, int val2);
// isPRI: a member born in a year from val1 to val2; a member without a birth
// year counts as born in year 0, which no class of the run reaches.
int isPRI(const WardMember* mem, int val1, int val2);

// writeGroup: the class heading hdr and "last, first, phone" of every member
// of every family, in the store's order, that match accepts; each followed
// by an address line when any general Show flag or any of the list's own
// flags (flg_addr ... flg_zip) is 'y', with the elements whose general or
// own flag is 'y'. A plain list (mms 0) closes the class with an empty line.
// The result carries nothing.
int writeGroup(RptFile& out, const char* hdr, int mms, int val1, int val2, ClassMatch match, int flg_addr,
               int flg_city, int flg_state, int flg_zip);

// The class list files, plain and as book outline: young men and young women
// by age (12-13, 14-15, 16-18), Primary children by birth year (3 to 12
// years before the run date's year), women from 18. Each reports its own open
// failure and writes nothing then.
void writeYM(const char* fname);
void writeYMMMS(const char* fname);
void writeYW(const char* fname);
void writeYWMMS(const char* fname);
void writePRI(const char* fname);
void writePRIMMS(const char* fname);
void writeRS(const char* fname);
void writeRSMMS(const char* fname);

// ---- Template definitions ----

namespace data_detail {
// The families of Family in list order, and the link where stepping through
// them with the cursor stops (the tail, or a link without a family).
struct FamilyOrder {
    std::vector<WardFamily*> fams;
    linkedlist* end = nullptr;
};
const FamilyOrder& familiesInOrder();
// visitFamilies: walkFamilies without touching Family's cursor.
template <typename Visit>
void visitFamilies(Visit visit) {
    if (Family == nullptr) return;
    for (WardFamily* fam : familiesInOrder().fams) visit(fam);
}
}  // namespace data_detail

template <typename Visit>
void walkFamilies(Visit visit) {
    if (Family == nullptr) return;
    data_detail::visitFamilies(visit);
    Family->current = data_detail::familiesInOrder().end;
}

#endif
