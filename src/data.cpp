// data: the ward store. Lists keep the records in report order; three small
// chained hash tables find families and members by id and members by record
// number. Everything stored lives until the process ends.
#include "data.h"

#include <cstring>
#include <set>

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
}

}  // namespace

void dataInit() {
    releaseStore();
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
    for (hash_tbl_id* n = tbl[bucketOf(id)]; n != nullptr; n = n->next)
        if (n->id == id) return n->ptr;
    return nullptr;
}

void* getHashByStr(hash_tbl_str** tbl, const char* key) {
    if (key == nullptr) return nullptr;
    for (hash_tbl_str* n = tbl[hashKeyForString(key)]; n != nullptr; n = n->next)
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
    //    names; an equal family goes before those already stored.
    linkedlist* entry = create_link_entry(fam);
    linkedlist* at = get_head_link(Family);
    while (at != nullptr && compareText(static_cast<WardFamily*>(at->data)->lname, fam->lname) < 0)
        at = get_next_link(at);
    while (at != nullptr) {
        auto* other = static_cast<WardFamily*>(at->data);
        if (compareText(other->lname, fam->lname) != 0 || compareText(other->fname, fam->fname) >= 0) break;
        at = get_next_link(at);
    }
    if (at != nullptr) add_link_before_link(Family, entry, at);
    else add_link_to_tail(Family, entry);

    // 3. Index it by family id.
    putHashByID(HashFamID, fam->famid, fam);
}

void storeFamily(WardFamily* fam) {
    if (!fam->household) set_household(fam);
    add_link_to_tail(Family, create_link_entry(fam));
    putHashByID(HashFamID, fam->famid, fam);
}

WardFamily* getFirstFamily() { return static_cast<WardFamily*>(firstOnList(Family)); }

WardFamily* getNextFamily() { return static_cast<WardFamily*>(nextOnList(Family)); }

void storeMember(WardMember* mem) {
    add_link_to_tail(Member, create_link_entry(mem));
    putHashByID(HashMemID, mem->memid, mem);
    if (mem->recno) putHashByStr(HashRecNo, mem->recno->c_str(), mem);
}

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

    // 3. Append the position to the holder's chain.
    pos->mem = mem;
    if (mem->pos == nullptr) {
        mem->pos = pos;
        return;
    }
    WardPos* last = mem->pos;
    while (last->memnext != nullptr) last = last->memnext;
    last->memnext = pos;
}

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
