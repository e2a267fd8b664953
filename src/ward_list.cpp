// ward_list: creation and release of the shared records. Records live for the
// whole run; the release functions serve readers that drop a record they were
// building, and the tests.
#include "ward_list.h"

#include <new>
#include <unordered_map>

namespace {

// The last member of each family's chain as far as add_member_to_family
// knows it, so that a long household is not walked for every member. An
// entry is trusted only while that member still ends a chain of that family
// and is not the member being appended (one taken out of the chain and given
// the family again looks like a tail, yet is no longer linked); releasing any
// record forgets them all.
std::unordered_map<WardFamily*, WardMember*>& chainTail = *new std::unordered_map<WardFamily*, WardMember*>;

}  // namespace

mls_date* create_mlsDate() { return new (std::nothrow) mls_date(); }

WardFamily* create_ward_family() { return new (std::nothrow) WardFamily(); }

WardMember* create_ward_member() {
    try {
        return new WardMember();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

WardEnts* create_ward_ents() { return new (std::nothrow) WardEnts(); }

WardErr* create_ward_err() { return new (std::nothrow) WardErr(); }

WardOrg* create_ward_org() { return new (std::nothrow) WardOrg(); }

WardPos* create_ward_pos() { return new (std::nothrow) WardPos(); }

HTDist* create_htdist() { return new (std::nothrow) HTDist(); }

void add_member_to_family(WardFamily* fam, WardMember* mem) {
    if (fam->members == nullptr) {
        fam->members = mem;
        chainTail[fam] = mem;
        return;
    }
    auto known = chainTail.find(fam);
    WardMember* last = known != chainTail.end() ? known->second : nullptr;
    if (last == nullptr || last == mem || last->fam != fam || last->next != nullptr) {
        last = fam->members;
        while (last->next != nullptr) last = last->next;
    }
    last->next = mem;
    chainTail[fam] = mem;
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
    chainTail.clear();
    free_ward_ents(mem->cell);
    free_ward_ents(mem->work);
    free_ward_ents(mem->email2);
    free_ward_ents(mem->rem);
    delete mem;
}

void free_ward_family(WardFamily* fam) {
    if (fam == nullptr) return;
    chainTail.clear();
    WardMember* mem = fam->members;
    while (mem != nullptr) {
        WardMember* next = mem->next;
        free_ward_member(mem);
        mem = next;
    }
    delete fam;
}

void free_htdist(HTDist*) {}
