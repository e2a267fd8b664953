// ward_list: creation and release of the shared records.
#ifndef ROLLBOOK_WARD_LIST_H
#define ROLLBOOK_WARD_LIST_H

#include "rollbook.h"

// The create functions return one new record with every field empty, or null
// when memory is exhausted. The caller owns the record.
mls_date* create_mlsDate();
WardFamily* create_ward_family();
// create_ward_member: the member comes with its five unset date records.
WardMember* create_ward_member();
WardEnts* create_ward_ents();
WardErr* create_ward_err();
WardOrg* create_ward_org();
WardPos* create_ward_pos();
HTDist* create_htdist();

// outOfMemory: true once a create function has returned null in this run.
bool outOfMemory();

// add_member_to_family: append mem at the end of fam's member chain. Sets
// neither mem->fam nor mem->next; the caller does.
void add_member_to_family(WardFamily* fam, WardMember* mem);

// free_mlsDate: release d; null is ignored.
void free_mlsDate(mls_date* d);

// free_ward_ents: release the whole chain starting at ents; null is ignored.
void free_ward_ents(WardEnts* ents);

// free_ward_err: release one error entry; null is ignored.
void free_ward_err(WardErr* err);

// free_ward_member: release the member, its dates and its entry chains; null
// is ignored. Its positions and family are not touched.
void free_ward_member(WardMember* mem);

// free_ward_family: release every member of the chain, then the family; null
// is ignored.
void free_ward_family(WardFamily* fam);

// free_htdist: assignments are never released; does nothing.
void free_htdist(HTDist* h);

#endif
