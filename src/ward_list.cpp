// ward_list: creation and release of the shared records. Records live for the
// whole run; the release functions serve readers that drop a record they were
// building, and the tests.
#include "ward_list.h"

#include <new>

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
        return;
    }
    WardMember* last = fam->members;
    while (last->next != nullptr) last = last->next;
    last->next = mem;
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
    free_ward_ents(mem->cell);
    free_ward_ents(mem->work);
    free_ward_ents(mem->email2);
    free_ward_ents(mem->rem);
    delete mem;
}

void free_ward_family(WardFamily* fam) {
    if (fam == nullptr) return;
    WardMember* mem = fam->members;
    while (mem != nullptr) {
        WardMember* next = mem->next;
        free_ward_member(mem);
        mem = next;
    }
    delete fam;
}

void free_htdist(HTDist*) {}
