// ward_list: creation and release of the shared records. Records live for the
// whole run; the release functions serve readers that drop a record they were
// building, and the tests.
#include "ward_list.h"

#include <new>
#include <unordered_map>

namespace {

// The last member of a family's chain as far as add_member_to_family knows
// it, so that a long household is not walked for every member: for the
// family appended to last, and for each family whose chain was found long.
// A known tail is trusted only while that member still ends a chain of that
// family and is not the member being appended (one taken out of the chain
// and given the family again looks like a tail, yet is no longer linked);
// releasing any record forgets them all.
struct KnownTail {
    WardFamily* fam = nullptr;
    WardMember* tail = nullptr;
    bool long_ = false;  // the family is also in chainTail
};
KnownTail lastAppend;
std::unordered_map<WardFamily*, WardMember*>& chainTail = *new std::unordered_map<WardFamily*, WardMember*>;

// A chain walked this far counts as long.
constexpr int LongChain = 8;

// Set once a record could not be allocated.
bool ranShort = false;

// create: a new empty record, or null (noted in ranShort) when memory is
// exhausted.
template <typename Record>
Record* create() {
    try {
        return new Record();
    } catch (const std::bad_alloc&) {
        ranShort = true;
        return nullptr;
    }
}

void forgetTails() {
    lastAppend = KnownTail();
    chainTail.clear();
}

}  // namespace

mls_date* create_mlsDate() { return create<mls_date>(); }

WardFamily* create_ward_family() { return create<WardFamily>(); }

WardMember* create_ward_member() { return create<WardMember>(); }

WardEnts* create_ward_ents() { return create<WardEnts>(); }

WardErr* create_ward_err() { return create<WardErr>(); }

WardOrg* create_ward_org() { return create<WardOrg>(); }

WardPos* create_ward_pos() { return create<WardPos>(); }

HTDist* create_htdist() { return create<HTDist>(); }

bool outOfMemory() { return ranShort; }

void add_member_to_family(WardFamily* fam, WardMember* mem) {
    // 1. What is known of the family's tail.
    KnownTail known{fam, nullptr, false};
    if (lastAppend.fam == fam) {
        known = lastAppend;
    } else if (!chainTail.empty()) {
        auto it = chainTail.find(fam);
        if (it != chainTail.end()) known = {fam, it->second, true};
    }

    // 2. An empty chain starts with the member; otherwise append it after the
    //    known tail when it can be trusted, else after the tail found by a
    //    walk of the chain.
    if (fam->members == nullptr) {
        fam->members = mem;
    } else {
        WardMember* last = known.tail;
        if (last == nullptr || last == mem || last->fam != fam || last->next != nullptr) {
            int steps = 0;
            for (last = fam->members; last->next != nullptr; last = last->next) ++steps;
            if (steps >= LongChain) known.long_ = true;
        }
        last->next = mem;
    }
    known.tail = mem;
    if (known.long_) chainTail[fam] = mem;
    lastAppend = known;
}

void free_mlsDate(mls_date* d) { delete d; }

void free_ward_ents(WardEnts* ents) {
    // Walk rather than recurse, so a long chain cannot exhaust the stack.
    while (ents != nullptr) {
        WardEnts* next = ents->next;
        delete ents;
        ents = next;
    }
}

void free_ward_err(WardErr* err) { delete err; }

void free_ward_member(WardMember* mem) {
    if (mem == nullptr) return;
    forgetTails();
    free_ward_ents(mem->cell);
    free_ward_ents(mem->work);
    free_ward_ents(mem->email2);
    free_ward_ents(mem->rem);
    delete mem;
}

void free_ward_family(WardFamily* fam) {
    if (fam == nullptr) return;
    forgetTails();
    WardMember* mem = fam->members;
    while (mem != nullptr) {
        WardMember* next = mem->next;
        free_ward_member(mem);
        mem = next;
    }
    delete fam;
}

void free_htdist(HTDist*) {}
