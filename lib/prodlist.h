// prodlist: growable arrays of texts, numbers and pointers, some kept sorted
// and searched by bisection. Each of the seven kinds is a plain record: the
// count nitems (elements at indices 0 to nitems - 1), the capacity maxitems,
// the growth step delta, then one or two parallel arrays of that capacity.
//
// Memory: a list owns what it holds. Clearing or freeing a list releases
// every string and object in it with free(), so each one handed to a list
// must be a separate allocation from malloc (strdup, calloc, ...) that
// nothing else frees. Numbers are plain values. An element the list does not
// take (a refused duplicate, a list that cannot grow, a null list) stays the
// caller's. The arrays are malloc'd by the list and released with it.
//
// Text order is byte-wise with bytes unsigned, as strcmp. The library stores
// no null text itself; a null text put into the arrays directly sorts before
// every other text and displays as "(null)".
//
// Growth: an insertion into a full list (nitems >= maxitems) first resizes
// it to maxitems + delta, a delta of 0 or less being first set to 10;
// insert_sorted_alpha_prodlist grows by 10 instead. When that resize fails
// (out of memory, or a capacity past INT_MAX) nothing is stored.
//
// Resizing: a resize gives the arrays room for exactly m elements, keeping
// the elements. It never goes below nitems: that is refused. A refused or
// failed resize leaves the list exactly as it was, and the list stays the
// caller's even when the resize answers null, so never assign the result
// over the only pointer to the list. Resizing an empty list to 0 releases
// its arrays (they are then null, as after creation for 0).
//
// Null list arguments are answered safely: every operation but creation and
// display (which prints a line saying so) does nothing with them and answers
// null, 0 or -1 as its result allows.
#ifndef ROLLBOOK_PRODLIST_H
#define ROLLBOOK_PRODLIST_H

// Texts with descriptions: item[i] described by desc[i].
struct ProdList {
    int nitems;
    int maxitems;
    int delta;
    char** item;
    char** desc;
};

// Texts, kept sorted and free of duplicates by insert_sorted_alpha_prodlist.
struct ProdAlphaList {
    int nitems;
    int maxitems;
    int delta;
    char** item;
};

// Signed numbers.
struct ProdNumList {
    int nitems;
    int maxitems;
    int delta;
    long* item;
};

// Unsigned numbers.
struct ProdUNumList {
    int nitems;
    int maxitems;
    int delta;
    unsigned long* item;
};

// Numbers with texts: num[i] goes with alpha[i]; sort_anum_prodlist orders
// the pairs by text.
struct ProdANumList {
    int nitems;
    int maxitems;
    int delta;
    long* num;
    char** alpha;
};

// The caller's objects by text key, kept sorted by key through
// bupdate_aptr_prodlist: item[i] is filed under key[i].
struct ProdAPtrList {
    int nitems;
    int maxitems;
    int delta;
    char** key;
    void** item;
};

// The caller's objects, kept sorted by the caller's comparison through
// bupdate_ptr_prodlist (add_ptr_prodlist appends regardless of order).
struct ProdPtrList {
    int nitems;
    int maxitems;
    int delta;
    void** item;
};

// ---- Creation ----
// create_*: a new empty list with capacity nitems and growth step nitems, or
// for nitems 0 capacity 0, step 10 and null arrays. A negative nitems counts
// as 0. Returns null, having freed whatever it allocated, when out of memory.
// Release the list with the free_* of its kind.

ProdList* create_prodlist(int nitems);
ProdAlphaList* create_alpha_prodlist(int nitems);
ProdNumList* create_num_prodlist(int nitems);
ProdUNumList* create_unum_prodlist(int nitems);
ProdANumList* create_anum_prodlist(int nitems);
ProdAPtrList* create_aptr_prodlist(int nitems);
ProdPtrList* create_ptr_prodlist(int nitems);

// ---- Clearing ----
// clear_*: free every string and object held (item and desc; the texts;
// alpha but not num; key and item; the objects; nothing for the number
// lists) and set nitems to 0. Capacity and arrays stay. A null list is
// ignored.

void clear_prodlist(ProdList* list);
void clear_alpha_prodlist(ProdAlphaList* list);
void clear_num_prodlist(ProdNumList* list);
void clear_unum_prodlist(ProdUNumList* list);
void clear_anum_prodlist(ProdANumList* list);
void clear_aptr_prodlist(ProdAPtrList* list);
void clear_ptr_prodlist(ProdPtrList* list);

// ---- Release ----
// free_*: clear the list, then free its arrays and the record itself.
// A null list is ignored.

void free_prodlist(ProdList* list);
void free_alpha_prodlist(ProdAlphaList* list);
void free_num_prodlist(ProdNumList* list);
void free_unum_prodlist(ProdUNumList* list);
void free_anum_prodlist(ProdANumList* list);
void free_aptr_prodlist(ProdAPtrList* list);
void free_ptr_prodlist(ProdPtrList* list);

// ---- Display on standard output ----
// display_*: "display_list: Empty list\n" for a null list; otherwise
// "%d Items in list:\n" with nitems, then one line per element numbered from
// 1, as given for each kind. Pointers print as their full value in lowercase
// hexadecimal without prefix; null texts print as "(null)".

// "Item %3d: %s\t%s\n" with item and desc.
void display_prodlist(const ProdList* list);
// "Item %3d: %s\n".
void display_alpha_prodlist(const ProdAlphaList* list);
// "Item %3d: %ld\n".
void display_num_prodlist(const ProdNumList* list);
// "Item %3d: %lu\n".
void display_unum_prodlist(const ProdUNumList* list);
// "Item %3d: %ld\t%s\n" with num and alpha.
void display_anum_prodlist(const ProdANumList* list);
// "Item %3d: (%s) %x\n" with key and the object's address.
void display_aptr_prodlist(const ProdAPtrList* list);
// "Item %3d: %x\n" with the object's address.
void display_ptr_prodlist(const ProdPtrList* list);

// ---- Resizing ----
// resize_*: room for exactly m elements in every array, elements kept,
// maxitems set to m. Refused for m below nitems; a refused or failed resize
// changes nothing (see the top of this file).

// Returns list, or null for a null list, a refusal or out of memory.
ProdList* resize_prodlist(ProdList* list, int m);
// Returns nothing: success shows as maxitems equal to m.
void resize_alpha_prodlist(ProdAlphaList* list, int m);
// Returns list, or null for a null list, a refusal or out of memory.
ProdNumList* resize_num_prodlist(ProdNumList* list, int m);
// Returns list, or null for a null list, a refusal or out of memory.
ProdUNumList* resize_unum_prodlist(ProdUNumList* list, int m);
// Returns 1, or 0 for a null list, out of memory or a refusal; a refusal
// also prints "Attempting to shrink ProdANumList from %d to %d\n" with
// nitems and m on standard error.
int resize_anum_prodlist(ProdANumList* list, int m);
// Returns list, or null for a null list, a refusal or out of memory.
ProdAPtrList* resize_aptr_prodlist(ProdAPtrList* list, int m);
// Returns list, or null for a null list, a refusal or out of memory.
ProdPtrList* resize_ptr_prodlist(ProdPtrList* list, int m);

// ---- Operations of single kinds ----

// add_ptr_prodlist: append ent, without regard to order. The list takes ent
// exactly when nitems grew; a null list or one that cannot grow leaves it
// the caller's.
void add_ptr_prodlist(ProdPtrList* list, void* ent);

// insert_sorted_alpha_prodlist: insert str before the first greater text,
// or append it. A text already present is refused: nothing changes. The
// list takes str exactly when nitems grew; a refused duplicate, a null list
// or str, or a list that cannot grow leaves it the caller's.
void insert_sorted_alpha_prodlist(ProdAlphaList* list, char* str);

// sort_anum_prodlist: sort the pairs by alpha, ascending, each num moving
// with its text; equal texts keep their order. A null list is ignored.
void sort_anum_prodlist(ProdANumList* index);

// bsearch_ptr_prodlist: index of an element equal to ent in a list sorted
// under strcmp, called as strcmp(ent, element) with the usual sign rule; any
// function of two untyped pointers will do. Returns -1 when absent, and for
// a null list, ent or strcmp.
int bsearch_ptr_prodlist(const ProdPtrList* list, const void* ent,
                         int (*strcmp)(const void*, const void*));

// bupdate_ptr_prodlist: replace the element equal to ent under strcmp, or
// insert ent in order; strcmp must give consistent answers in both argument
// orders. Returns what the caller must now dispose of: the replaced element,
// or ent itself (not stored) when the list cannot grow; null when ent was
// inserted, and, storing nothing, for any null argument.
void* bupdate_ptr_prodlist(ProdPtrList* list, void* ent,
                           int (*strcmp)(const void*, const void*));

// bsearch_aptr_prodlist: index of key among the sorted keys; -1 when absent,
// and for a null list or key.
int bsearch_aptr_prodlist(const ProdAPtrList* list, const char* key);

// bupdate_aptr_prodlist: file ent under key in key order. When key is
// present, its object is replaced by ent and the old object returned; the
// stored key stays, so key remains the caller's. Otherwise the list takes
// key and ent and returns null. When the list cannot grow nothing is stored
// and ent is returned, key and ent staying the caller's. Null, storing
// nothing, for a null list or key; ent may be null.
void* bupdate_aptr_prodlist(ProdAPtrList* list, char* key, void* ent);

#endif
