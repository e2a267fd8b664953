// data: the ward store. Lists keep the records in report order; indexes find
// families and members by id and members by record number. Everything stored
// lives until the process ends.
#include "data.h"

#include <cstring>
#include <map>
#include <new>
#include <set>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "mlscsv.h"
#include "ward_list.h"

linkeddef* Family = nullptr;
linkeddef* Member = nullptr;
linkeddef* WardOrgList = nullptr;
linkeddef* StakeOrgList = nullptr;
linkeddef* Org = nullptr;
linkeddef* HT = nullptr;
linkeddef* VT = nullptr;

namespace {

// newEntry: a list entry for a record; running out of memory here would
// lose the record, so it ends the run as any other shortage does.
linkedlist* newEntry(void* data) {
    linkedlist* entry = create_link_entry(data);
    if (entry == nullptr) throw std::bad_alloc();
    return entry;
}

// bucketOf: the bucket of a number, negative ones included.
int bucketOf(int id) { return ((id % HashTableSize) + HashTableSize) % HashTableSize; }

// Text comparison for the family order: bytes as unsigned, absent as "".
int compareText(const Text& a, const Text& b) {
    return std::strcmp(a ? a->c_str() : "", b ? b->c_str() : "");
}

// ---- Indexes that keep the store fast for large exports ----
// Like the records, they live until the process ends and are never taken
// apart at its end.

// The families in list order as last collected, the link where stepping
// through them stops, and the store generation they were collected in: a
// change to Family is told with touchStore, as every change to the store.
data_detail::FamilyOrder& familyList = *new data_detail::FamilyOrder;
unsigned long familyListBuiltFor = 0;

// The family order's key: last name, then first name, absent as "". The
// pair compares as the walk of storeFamilySorted does, byte by byte with
// bytes unsigned.
using FamilyKey = std::pair<std::string, std::string>;

// For each key of Family, the link of the first family (in list order) with
// that key. Family is sorted, so a new family goes before the first link of
// the smallest key not below its own. Appending out of order (storeFamily)
// makes the index unusable until the store is created again.
std::map<FamilyKey, linkedlist*>& familyOrder = *new std::map<FamilyKey, linkedlist*>;
bool familyOrderValid = true;

// The store's indexes: the record stored last under each family id, member
// id and record number.
std::unordered_map<int, WardFamily*>& famByID = *new std::unordered_map<int, WardFamily*>;
std::unordered_map<int, WardMember*>& memByID = *new std::unordered_map<int, WardMember*>;
std::unordered_map<std::string, WardMember*>& memByRecNo = *new std::unordered_map<std::string, WardMember*>;

// The last position of each member's chain of positions, as far as known.
std::unordered_map<WardMember*, WardPos*>& lastPosition = *new std::unordered_map<WardMember*, WardPos*>;

// The report order of teaching assignments: group (home teaching only),
// district, companionship, household; texts absent as "" and compared byte
// by byte. As for families, each key keeps the link of its first assignment
// in list order. The index holds copies of the keys, so that a search reads
// its own nodes only; assignments do not change once stored.
using TeachingKey = std::tuple<std::string, int, int, std::string>;
using TeachingIndex = std::map<TeachingKey, linkedlist*>;
TeachingIndex& htOrder = *new TeachingIndex;
TeachingIndex& vtOrder = *new TeachingIndex;

// storeSorted: insert before the first assignment that is not smaller, so an
// exact duplicate goes before the ones already listed.
void storeSorted(linkeddef* list, TeachingIndex& order, bool withGroup, HTDist* ht) {
    linkedlist* entry = newEntry(ht);
    TeachingKey key{withGroup ? fixnull(ht->htgroup) : "", ht->htdist, ht->htpair, fixnull(ht->household)};
    auto next = order.lower_bound(key);
    if (next != order.end()) add_link_before_link(list, entry, next->second);
    else add_link_to_tail(list, entry);
    if (next != order.end() && next->first == key) next->second = entry;
    else order.emplace_hint(next, std::move(key), entry);
}

// ---- Releasing a previous store (a second dataInit) ----

template <typename T>
void collect(linkeddef* list, std::set<T*>& out) {
    if (list == nullptr) return;
    for (linkedlist* l = list->head; l != nullptr; l = l->next) out.insert(static_cast<T*>(l->data));
}

void freeLinks(linkeddef*& list) {
    if (list == nullptr) return;
    linkedlist* l = list->head;
    while (l != nullptr) {
        linkedlist* next = l->next;
        free_link(l);
        l = next;
    }
    delete list;
    list = nullptr;
}

// releaseStore: free every record reachable from the store, each once.
void releaseStore() {
    std::set<WardFamily*> fams;
    std::set<WardMember*> mems;
    std::set<WardOrg*> orgs;
    std::set<HTDist*> dists;
    collect(Family, fams);
    collect(Member, mems);
    collect(WardOrgList, orgs);
    collect(StakeOrgList, orgs);
    collect(HT, dists);
    collect(VT, dists);
    for (WardFamily* f : fams)
        for (WardMember* m = f->members; m != nullptr; m = m->next) mems.insert(m);
    std::set<WardPos*> positions;
    for (WardOrg* o : orgs)
        for (WardPos* p = o->pos; p != nullptr; p = p->next) positions.insert(p);
    for (WardMember* m : mems)
        for (WardPos* p = m->pos; p != nullptr; p = p->memnext) positions.insert(p);
    for (WardPos* p : positions) delete p;
    for (WardOrg* o : orgs) delete o;
    for (HTDist* h : dists) delete h;
    for (WardMember* m : mems) free_ward_member(m);
    for (WardFamily* f : fams) delete f;
    freeLinks(Family);
    freeLinks(Member);
    freeLinks(WardOrgList);
    freeLinks(StakeOrgList);
    freeLinks(HT);
    freeLinks(VT);
    Org = nullptr;
    familyOrder.clear();
    familyOrderValid = true;
    famByID.clear();
    memByID.clear();
    memByRecNo.clear();
    lastPosition.clear();
    htOrder.clear();
    vtOrder.clear();
}

}  // namespace

void dataInit() {
    releaseStore();
    touchStore();
    Family = create_link_list();
    Member = create_link_list();
    WardOrgList = create_link_list();
    StakeOrgList = create_link_list();
    setStakeOrg(0);
    HT = create_link_list();
    VT = create_link_list();
}

void setStakeOrg(int flg) { Org = flg ? StakeOrgList : WardOrgList; }

void hashInitID(hash_tbl_id** tbl, int sz) {
    for (int i = 0; i < sz; ++i) tbl[i] = nullptr;
}

void hashInitStr(hash_tbl_str** tbl, int sz) {
    for (int i = 0; i < sz; ++i) tbl[i] = nullptr;
}

int hashKeyForString(const char* key) {
    if (key == nullptr) return 0;
    unsigned int h = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(key); *p != 0; ++p) h ^= *p;
    return static_cast<int>(h % HashTableSize);
}

void putHashByID(hash_tbl_id** tbl, int id, void* data) {
    int b = bucketOf(id);
    tbl[b] = new hash_tbl_id{tbl[b], id, data};
}

void putHashByStr(hash_tbl_str** tbl, const char* key, void* data) {
    int b = hashKeyForString(key);
    tbl[b] = new hash_tbl_str{tbl[b], key != nullptr ? key : "", data};
}

void* getHashByID(hash_tbl_id** tbl, int id) {
    for (const hash_tbl_id* n = tbl[bucketOf(id)]; n != nullptr; n = n->next)
        if (n->id == id) return n->ptr;
    return nullptr;
}

void* getHashByStr(hash_tbl_str** tbl, const char* key) {
    if (key == nullptr) return nullptr;
    for (const hash_tbl_str* n = tbl[hashKeyForString(key)]; n != nullptr; n = n->next)
        if (n->key == key) return n->ptr;
    return nullptr;
}

WardFamily* getFamID(int id) {
    auto it = famByID.find(id);
    return it != famByID.end() ? it->second : nullptr;
}

WardMember* getMemID(int id) {
    auto it = memByID.find(id);
    return it != memByID.end() ? it->second : nullptr;
}

WardMember* getRecNo(const char* recno) {
    if (recno == nullptr) return nullptr;
    auto it = memByRecNo.find(recno);
    return it != memByRecNo.end() ? it->second : nullptr;
}

void storeFamilySorted(WardFamily* fam) {
    // 1. The household name the family is listed and matched by.
    if (!fam->household) set_household(fam);

    // 2. Pass smaller last names, then equal last names with smaller first
    //    names; an equal family goes before those already stored. The order
    //    index finds that place at once while the list is in order.
    linkedlist* entry = newEntry(fam);
    linkedlist* at = nullptr;
    const FamilyKey key{fixnull(fam->lname), fixnull(fam->fname)};
    auto next = familyOrder.end();
    if (familyOrderValid) {
        // Exports usually list households in name order: a key above every
        // stored one goes to the end without a search.
        if (!familyOrder.empty() && familyOrder.rbegin()->first < key) next = familyOrder.end();
        else next = familyOrder.lower_bound(key);
        at = next != familyOrder.end() ? next->second : nullptr;
    } else {
        at = get_head_link(Family);
        while (at != nullptr && compareText(static_cast<WardFamily*>(at->data)->lname, fam->lname) < 0)
            at = get_next_link(at);
        while (at != nullptr) {
            auto* other = static_cast<WardFamily*>(at->data);
            if (compareText(other->lname, fam->lname) != 0 || compareText(other->fname, fam->fname) >= 0) break;
            at = get_next_link(at);
        }
    }
    if (at != nullptr) add_link_before_link(Family, entry, at);
    else add_link_to_tail(Family, entry);
    if (familyOrderValid) {
        if (next != familyOrder.end() && next->first == key) next->second = entry;
        else familyOrder.emplace_hint(next, key, entry);
    }

    // 3. Index it by family id.
    famByID[fam->famid] = fam;
    touchStore();
}

void storeFamily(WardFamily* fam) {
    if (!fam->household) set_household(fam);
    add_link_to_tail(Family, newEntry(fam));
    familyOrderValid = false;  // the list may no longer be in order
    familyOrder.clear();
    famByID[fam->famid] = fam;
    touchStore();
}

const data_detail::FamilyOrder& data_detail::familiesInOrder() {
    if (familyListBuiltFor != storeGeneration()) {
        familyList.fams.clear();
        linkedlist* l = get_head_link(Family);
        for (; l != nullptr && l->data != nullptr; l = get_next_link(l))
            familyList.fams.push_back(static_cast<WardFamily*>(l->data));
        // Stepping stops at the end, or at a link without a family.
        familyList.end = l != nullptr ? l : get_tail_link(Family);
        familyListBuiltFor = storeGeneration();
    }
    return familyList;
}

WardFamily* getFirstFamily() { return static_cast<WardFamily*>(firstOnList(Family)); }

WardFamily* getNextFamily() { return static_cast<WardFamily*>(nextOnList(Family)); }

void storeMember(WardMember* mem) {
    add_link_to_tail(Member, newEntry(mem));
    memByID[mem->memid] = mem;
    if (mem->recno) memByRecNo[mem->recno->str()] = mem;
    touchStore();
}

WardMember* getFirstMember() { return static_cast<WardMember*>(get_data_from_head(Member)); }

void storeOrg(WardOrg* org) { add_link_to_tail(Org, newEntry(org)); }

void storePos(WardPos* pos) {
    // 1. A positive member id decides alone; otherwise name and phone.
    WardMember* mem = nullptr;
    if (pos->memid > 0) mem = getMemID(pos->memid);
    else mem = find_member_phone(textOrNull(pos->name), textOrNull(pos->phone));

    // 2. No holder: report it when the position names one.
    if (mem == nullptr) {
        if (pos->name) {
            std::fprintf(stderr, "Can't find Membership record: ID=%d, Name=%s, Phone=%s (org: %s, pos: %s) %s\n",
                         pos->memid, nullstr(pos->name), nullstr(pos->phone),
                         pos->org != nullptr ? nullstr(pos->org->org) : "(null)", nullstr(pos->pos),
                         nullstr(pos->name));
        }
        return;
    }

    // 3. Append the position to the holder's chain; its last position is
    //    remembered, and checked before it is trusted.
    pos->mem = mem;
    if (mem->pos == nullptr) {
        mem->pos = pos;
        lastPosition[mem] = pos;
        return;
    }
    auto known = lastPosition.find(mem);
    WardPos* last = known != lastPosition.end() ? known->second : nullptr;
    if (last == nullptr || last->mem != mem || last->memnext != nullptr) {
        last = mem->pos;
        while (last->memnext != nullptr) last = last->memnext;
    }
    last->memnext = pos;
    lastPosition[mem] = pos;
}

void storeHT(HTDist* ht) { storeSorted(HT, htOrder, true, ht); }

void storeVT(HTDist* ht) { storeSorted(VT, vtOrder, false, ht); }

WardOrg* getFirstOrg() { return static_cast<WardOrg*>(firstOnList(Org)); }

WardOrg* getNextOrg() { return static_cast<WardOrg*>(nextOnList(Org)); }

void* firstOnList(linkeddef* list) {
    if (list == nullptr) return nullptr;
    set_head_current_link(list);
    return get_data_from_head(list);
}

void* nextOnList(linkeddef* list) {
    if (list == nullptr || current_is_tail(list)) return nullptr;
    set_current_link_next(list);
    return get_data_from_current(list);
}
