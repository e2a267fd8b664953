// linklist: doubly linked lists of untyped data pointers, each with one
// movable current link. The library never looks at nor frees the data; it
// allocates only list headers and links, and frees only links.
// Results: 0 success, 1 null argument; predicates 1 (yes) or 0 (no).
// Plain insertions never move the current link; removing the current link
// clears it. Callers must only pass links that belong to the list given.
#ifndef ROLLBOOK_LINKLIST_H
#define ROLLBOOK_LINKLIST_H

// One link: its neighbours (null at the ends) and the caller's data.
struct linkedlist {
    linkedlist* next;
    linkedlist* prev;
    void* data;
};

// A list header: first and last link (both null when empty) and the cursor.
struct linkeddef {
    linkedlist* head;
    linkedlist* tail;
    linkedlist* current;
};

// ---- Creation and release ----

// create_link_list: a new empty list (release it with delete).
// Returns null when out of memory.
linkeddef* create_link_list();

// create_link_entry: a new link carrying data, in no list yet.
// Returns null when out of memory.
linkedlist* create_link_entry(void* data);

// initialize_link_list: make list empty (head, tail, current null) without
// freeing any link. Does nothing for a null list.
void initialize_link_list(linkeddef* list);

// free_link: free link itself, never its data. A null link is ignored.
void free_link(linkedlist* link);

// ---- Insertion (current is left alone) ----

// add_link_to_tail: append entry. Returns 0, or 1 if list or entry is null.
int add_link_to_tail(linkeddef* list, linkedlist* entry);

// add_link_to_head: prepend entry. Returns 0, or 1 if list or entry is null.
int add_link_to_head(linkeddef* list, linkedlist* entry);

// add_link_before_link: insert ent just before exist, a link of list.
// Returns 0, or 1 if any argument is null.
int add_link_before_link(linkeddef* list, linkedlist* ent, linkedlist* exist);

// add_link_after_link: insert ent just after exist, a link of list.
// Returns 0, or 1 if any argument is null.
int add_link_after_link(linkeddef* list, linkedlist* ent, linkedlist* exist);

// add_link_before_current: insert link before the current link.
// Returns 0, or 1 if list or link is null or there is no current link.
int add_link_before_current(linkeddef* list, linkedlist* link);

// add_link_after_current: insert link after the current link.
// Returns 0, or 1 if list or link is null or there is no current link.
int add_link_after_current(linkeddef* list, linkedlist* link);

// add_new_current_link_before: insert link before the current link (at the
// head when there is none) and make it current. Returns 1 in both outcomes:
// the insertion's failure code, or set_current_link's success result.
int add_new_current_link_before(linkeddef* list, linkedlist* link);

// add_new_current_link_after: insert link after the current link (at the
// tail when there is none) and make it current. Returns 1 in both outcomes,
// as add_new_current_link_before.
int add_new_current_link_after(linkeddef* list, linkedlist* link);

// ---- Walking, removal and search ----

// process_link_list: call process_function(list, link) for every link from
// head to tail. The callback may unlink its link with remove_link but must
// not free it. Does nothing if list or process_function is null.
void process_link_list(linkeddef* list, void (*process_function)(linkeddef*, linkedlist*));

// remove_link: unlink link from list without freeing it; current becomes null
// if it was link. The link keeps its own next and prev.
// Returns 0, or 1 if list or link is null.
int remove_link(linkeddef* list, linkedlist* link);

// delete_link: unlink and free link. Returns its data, now the caller's to
// dispose of, or null if list or link is null.
void* delete_link(linkeddef* list, linkedlist* link);

// find_link_entry: the first link from head for which find_function(link, key)
// returns 0; null when none does or list or find_function is null.
linkedlist* find_link_entry(linkeddef* list, void* key, int (*find_function)(linkedlist*, void*));

// find_next_link_entry: as find_link_entry, but the walk starts at link itself;
// list is not used. Null when none matches or find_function is null.
linkedlist* find_next_link_entry(linkeddef* list, linkedlist* link, void* key,
                                 int (*find_function)(linkedlist*, void*));

// ---- Moving links ----

// move_link_up: swap link with its predecessor. Returns 0 (also, unchanged,
// at the head) or 1 if list or link is null. current is cleared if it was link.
int move_link_up(linkeddef* list, linkedlist* link);

// move_link_down: swap link with its successor. Returns 0 (also, unchanged,
// at the tail) or 1 if list or link is null. current is cleared if it was link.
int move_link_down(linkeddef* list, linkedlist* link);

// move_current_link_up: move_link_up on the current link, which stays current.
// Returns the move's result; 1 for a null list or no current link.
int move_current_link_up(linkeddef* list);

// move_current_link_down: move_link_down on the current link, which stays
// current. Returns the move's result; 1 for a null list or no current link.
int move_current_link_down(linkeddef* list);

// ---- The current link ----

// set_current_link: make link (which may be null) current.
// Returns 1, or 0 for a null list.
int set_current_link(linkeddef* list, linkedlist* link);

// set_head_current_link: make the head current (null when empty).
// Returns 1, or 0 for a null list.
int set_head_current_link(linkeddef* list);

// set_tail_current_link: make the tail current (null when empty).
// Returns 1, or 0 for a null list.
int set_tail_current_link(linkeddef* list);

// set_current_link_next: step current to its successor; at the tail it stays.
// Returns 0 (end not signalled: test current_is_tail first), or 1 if list or
// current is null.
int set_current_link_next(linkeddef* list);

// set_current_link_prev: step current to its predecessor; at the head it stays.
// Returns 0, or 1 if list or current is null.
int set_current_link_prev(linkeddef* list);

// cycle_current_link_next: step current forward, wrapping from tail to head.
// Returns 1 for a null list, 2 for an empty one, 0 for a single link
// (unchanged); 1 when current was null or the tail and is now the head;
// otherwise 0 after the step.
int cycle_current_link_next(linkeddef* list);

// cycle_current_link_prev: step current backward, wrapping from head to tail.
// Returns 1 for a null list, 0 for an empty one, 1 for a single link
// (unchanged); 1 when current was null or the head and is now the tail;
// otherwise 0 after the step.
int cycle_current_link_prev(linkeddef* list);

// ---- Predicates ----

// list_is_empty: 1 when list is null or has no links, else 0.
int list_is_empty(linkeddef* list);

// list_is_single_link: 1 when list holds exactly one link; 0 otherwise,
// also for a null or empty list.
int list_is_single_link(linkeddef* list);

// link_is_current: 1 when link is the current link, or when list is null.
int link_is_current(linkeddef* list, linkedlist* link);

// link_is_head: 1 when link is the head, or when list is null.
int link_is_head(linkeddef* list, linkedlist* link);

// link_is_tail: 1 when link is the tail, or when list is null.
int link_is_tail(linkeddef* list, linkedlist* link);

// current_is_head: 1 when current equals head (so for an empty list with no
// current link), 0 otherwise and for a null list.
int current_is_head(linkeddef* list);

// head_is_current: same as current_is_head.
int head_is_current(linkeddef* list);

// current_is_tail: 1 when current equals tail (so for an empty list with no
// current link), 0 otherwise and for a null list.
int current_is_tail(linkeddef* list);

// tail_is_current: same as current_is_tail.
int tail_is_current(linkeddef* list);

// ---- Accessors (null for a null argument or a missing link) ----

// get_data_from_link: the data of link.
void* get_data_from_link(linkedlist* link);

// get_data_from_current: the data of the current link.
void* get_data_from_current(linkeddef* list);

// get_data_from_head: the data of the head link.
void* get_data_from_head(linkeddef* list);

// get_data_from_tail: the data of the tail link.
void* get_data_from_tail(linkeddef* list);

// get_head_link: the head link.
linkedlist* get_head_link(linkeddef* list);

// get_tail_link: the tail link.
linkedlist* get_tail_link(linkeddef* list);

// get_current_link: the current link.
linkedlist* get_current_link(linkeddef* list);

// get_next_link: the successor of link.
linkedlist* get_next_link(linkedlist* link);

// get_prev_link: the predecessor of link.
linkedlist* get_prev_link(linkedlist* link);

#endif
