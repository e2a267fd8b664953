// data: the ward store. Lists keep the records in report order; three small
// chained hash tables find families and members by id and members by record
// number. Everything stored lives until the process ends.
#include "data.h"

#include <cstring>
#include <map>
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

hash_tbl_id* HashFamID[HashTableSize];
hash_tbl_id* HashMemID[HashTableSize];
hash_tbl_str* HashRecNo[HashTableSize];

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

// Each of the store's own indexes (the tables above, which only this file
// touches) also keeps the node stored last under each key: what a walk of
// the key's bucket finds first. A caller's own table is walked. The side
// tables are open-addressed, so that a large export costs one probe per
// lookup and no allocation per record. A large table's slots lie far apart
// in memory: new keys are gathered and entered Batch at a time, the slots
// of a batch fetched together, so that the store does not wait for memory
// once per record. A lookup sees the gathered keys first, newest first.
constexpr std::size_t Batch = 64;

// NewestById: number -> record stored last under it.
class NewestById {
public:
    void clear() {
        slots_.clear();
        used_ = 0;
        pending_.clear();
    }
    void put(int id, void* data) {
        pending_.push_back({id, true, data});
        if (pending_.size() >= Batch) settle();
    }
    void* get(int id) const {
        for (auto it = pending_.rbegin(); it != pending_.rend(); ++it)
            if (it->id == id) return it->data;
        if (slots_.empty()) return nullptr;
        const Slot& s = slots_[slotOf(id)];
        return s.used ? s.data : nullptr;
    }

private:
    struct Slot {
        int id = 0;
        bool used = false;
        void* data = nullptr;
    };
    std::size_t home(int id) const {
        const std::size_t mask = slots_.size() - 1;
        return (static_cast<std::size_t>(static_cast<unsigned>(id)) * 0x9E3779B97F4A7C15ull >> 20) & mask;
    }
    // slotOf: the slot holding id, else the free slot where it would go.
    std::size_t slotOf(int id) const {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = home(id);
        while (slots_[i].used && slots_[i].id != id) i = (i + 1) & mask;
        return i;
    }
    // settle: enter the gathered keys in the order they came.
    void settle() {
        while ((used_ + pending_.size()) * 2 > slots_.size()) grow();
        for (const Slot& p : pending_) __builtin_prefetch(&slots_[home(p.id)], 1);
        for (const Slot& p : pending_) {
            Slot& s = slots_[slotOf(p.id)];
            if (!s.used) ++used_;
            s = p;
        }
        pending_.clear();
    }
    void grow() {
        std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2);
        old.swap(slots_);
        constexpr std::size_t Ahead = 16;
        for (std::size_t i = 0; i < old.size(); ++i) {
            if (i + Ahead < old.size() && old[i + Ahead].used) __builtin_prefetch(&slots_[home(old[i + Ahead].id)], 1);
            if (old[i].used) slots_[slotOf(old[i].id)] = old[i];
        }
    }
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    std::vector<Slot> pending_;  // put, not yet entered
};

// NewestByText: text -> the bucket node stored last under it. The node holds
// the key, so the side table keeps only the key's hash.
class NewestByText {
public:
    void clear() {
        slots_.clear();
        used_ = 0;
        pending_.clear();
    }
    void put(hash_tbl_str* node) {
        pending_.push_back({hashOf(node->key), node});
        if (pending_.size() >= Batch) settle();
    }
    void* get(std::string_view key) const {
        const std::size_t hash = hashOf(key);
        for (auto it = pending_.rbegin(); it != pending_.rend(); ++it)
            if (it->hash == hash && it->node->key == key) return it->node->ptr;
        if (slots_.empty()) return nullptr;
        const Slot& s = slots_[slotOf(key, hash)];
        return s.node != nullptr ? s.node->ptr : nullptr;
    }

private:
    struct Slot {
        std::size_t hash = 0;
        hash_tbl_str* node = nullptr;
    };
    static std::size_t hashOf(std::string_view key) { return std::hash<std::string_view>{}(key); }
    std::size_t slotOf(std::string_view key, std::size_t hash) const {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = hash & mask;
        while (slots_[i].node != nullptr && (slots_[i].hash != hash || slots_[i].node->key != key)) i = (i + 1) & mask;
        return i;
    }
    void settle() {
        while ((used_ + pending_.size()) * 2 > slots_.size()) grow();
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& p : pending_) __builtin_prefetch(&slots_[p.hash & mask], 1);
        for (const Slot& p : pending_) {
            Slot& s = slots_[slotOf(p.node->key, p.hash)];
            if (s.node == nullptr) ++used_;
            s = p;
        }
        pending_.clear();
    }
    void grow() {
        std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2);
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        constexpr std::size_t Ahead = 16;
        for (std::size_t i = 0; i < old.size(); ++i) {
            if (i + Ahead < old.size() && old[i + Ahead].node != nullptr)
                __builtin_prefetch(&slots_[old[i + Ahead].hash & mask], 1);
            if (old[i].node == nullptr) continue;
            // The old keys differ from each other: the first free slot is
            // theirs, and no key need be read.
            std::size_t j = old[i].hash & mask;
            while (slots_[j].node != nullptr) j = (j + 1) & mask;
            slots_[j] = old[i];
        }
    }
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    std::vector<Slot> pending_;  // put, not yet entered
};

NewestById& newestFamID = *new NewestById;
NewestById& newestMemID = *new NewestById;
NewestByText& newestRecNo = *new NewestByText;

NewestById* newestFor(const hash_tbl_id* const* tbl) {
    if (tbl == HashFamID) return &newestFamID;
    if (tbl == HashMemID) return &newestMemID;
    return nullptr;
}
NewestByText* newestFor(const hash_tbl_str* const* tbl) { return tbl == HashRecNo ? &newestRecNo : nullptr; }

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
    linkedlist* entry = create_link_entry(ht);
    if (entry == nullptr) return;
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

template <typename Node>
void freeBuckets(Node** tbl) {
    for (int i = 0; i < HashTableSize; ++i) {
        Node* n = tbl[i];
        while (n != nullptr) {
            Node* next = n->next;
            delete n;
            n = next;
        }
        tbl[i] = nullptr;
    }
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
    freeBuckets(HashFamID);
    freeBuckets(HashMemID);
    freeBuckets(HashRecNo);
    familyOrder.clear();
    familyOrderValid = true;
    newestFamID.clear();
    newestMemID.clear();
    newestRecNo.clear();
    lastPosition.clear();
    htOrder.clear();
    vtOrder.clear();
}

// How many families and members have been stored since dataInit.
std::size_t recordsStored = 0;

}  // namespace

void dataInit() {
    releaseStore();
    touchStore();
    recordsStored = 0;
    Family = create_link_list();
    Member = create_link_list();
    WardOrgList = create_link_list();
    StakeOrgList = create_link_list();
    setStakeOrg(0);
    HT = create_link_list();
    VT = create_link_list();
    hashInitID(HashFamID, HashTableSize);
    hashInitID(HashMemID, HashTableSize);
    hashInitStr(HashRecNo, HashTableSize);
}

void setStakeOrg(int flg) { Org = flg ? StakeOrgList : WardOrgList; }

void hashInitID(hash_tbl_id** tbl, int sz) {
    for (int i = 0; i < sz; ++i) tbl[i] = nullptr;
    if (NewestById* newest = newestFor(tbl)) newest->clear();
}

void hashInitStr(hash_tbl_str** tbl, int sz) {
    for (int i = 0; i < sz; ++i) tbl[i] = nullptr;
    if (NewestByText* newest = newestFor(tbl)) newest->clear();
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
    if (NewestById* newest = newestFor(tbl)) newest->put(id, data);
}

void putHashByStr(hash_tbl_str** tbl, const char* key, void* data) {
    int b = hashKeyForString(key);
    tbl[b] = new hash_tbl_str{tbl[b], key != nullptr ? key : "", data};
    if (NewestByText* newest = newestFor(tbl)) newest->put(tbl[b]);
}

void* getHashByID(hash_tbl_id** tbl, int id) {
    if (const NewestById* newest = newestFor(tbl)) return newest->get(id);
    for (const hash_tbl_id* n = tbl[bucketOf(id)]; n != nullptr; n = n->next)
        if (n->id == id) return n->ptr;
    return nullptr;
}

void* getHashByStr(hash_tbl_str** tbl, const char* key) {
    if (key == nullptr) return nullptr;
    if (const NewestByText* newest = newestFor(tbl)) return newest->get(key);
    for (const hash_tbl_str* n = tbl[hashKeyForString(key)]; n != nullptr; n = n->next)
        if (n->key == key) return n->ptr;
    return nullptr;
}

WardFamily* getFamID(int id) { return static_cast<WardFamily*>(getHashByID(HashFamID, id)); }

WardMember* getMemID(int id) { return static_cast<WardMember*>(getHashByID(HashMemID, id)); }

WardMember* getRecNo(const char* recno) { return static_cast<WardMember*>(getHashByStr(HashRecNo, recno)); }

void storeFamilySorted(WardFamily* fam) {
    // 1. The household name the family is listed and matched by.
    if (!fam->household) set_household(fam);

    // 2. Pass smaller last names, then equal last names with smaller first
    //    names; an equal family goes before those already stored. The order
    //    index finds that place at once while the list is in order.
    linkedlist* entry = create_link_entry(fam);
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
    putHashByID(HashFamID, fam->famid, fam);
    ++recordsStored;
    touchStore();
}

void storeFamily(WardFamily* fam) {
    if (!fam->household) set_household(fam);
    add_link_to_tail(Family, create_link_entry(fam));
    familyOrderValid = false;  // the list may no longer be in order
    familyOrder.clear();
    putHashByID(HashFamID, fam->famid, fam);
    ++recordsStored;
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
    add_link_to_tail(Member, create_link_entry(mem));
    putHashByID(HashMemID, mem->memid, mem);
    if (mem->recno) putHashByStr(HashRecNo, mem->recno->c_str(), mem);
    ++recordsStored;
    touchStore();
}

std::size_t storedRecords() { return recordsStored; }

WardMember* getFirstMember() { return static_cast<WardMember*>(get_data_from_head(Member)); }

void storeOrg(WardOrg* org) { add_link_to_tail(Org, create_link_entry(org)); }

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
