// linklist: doubly linked lists of untyped data pointers with one cursor.
#include "linklist.h"

#include <new>

// ---- Creation and release ----

linkeddef* create_link_list()
{
    linkeddef* list = new (std::nothrow) linkeddef;
    if (list == nullptr)
        return nullptr;
    initialize_link_list(list);
    return list;
}

linkedlist* create_link_entry(void* data)
{
    linkedlist* link = new (std::nothrow) linkedlist;
    if (link == nullptr)
        return nullptr;
    link->next = nullptr;
    link->prev = nullptr;
    link->data = data;
    return link;
}

void initialize_link_list(linkeddef* list)
{
    if (list == nullptr)
        return;
    list->head = nullptr;
    list->tail = nullptr;
    list->current = nullptr;
}

void free_link(linkedlist* link)
{
    delete link;
}

// ---- Insertion ----

int add_link_to_tail(linkeddef* list, linkedlist* entry)
{
    if (list == nullptr || entry == nullptr)
        return 1;
    entry->prev = list->tail;
    entry->next = nullptr;
    if (list->tail != nullptr)
        list->tail->next = entry;
    list->tail = entry;
    if (list->head == nullptr)
        list->head = entry;
    return 0;
}

int add_link_to_head(linkeddef* list, linkedlist* entry)
{
    if (list == nullptr || entry == nullptr)
        return 1;
    entry->next = list->head;
    entry->prev = nullptr;
    if (list->head != nullptr)
        list->head->prev = entry;
    list->head = entry;
    if (list->tail == nullptr)
        list->tail = entry;
    return 0;
}

int add_link_before_link(linkeddef* list, linkedlist* ent, linkedlist* exist)
{
    if (list == nullptr || ent == nullptr || exist == nullptr)
        return 1;
    ent->next = exist;
    ent->prev = exist->prev;
    exist->prev = ent;
    if (ent->prev == nullptr)
        list->head = ent;
    else
        ent->prev->next = ent;
    return 0;
}

int add_link_after_link(linkeddef* list, linkedlist* ent, linkedlist* exist)
{
    if (list == nullptr || ent == nullptr || exist == nullptr)
        return 1;
    ent->prev = exist;
    ent->next = exist->next;
    exist->next = ent;
    if (ent->next == nullptr)
        list->tail = ent;
    else
        ent->next->prev = ent;
    return 0;
}

int add_link_before_current(linkeddef* list, linkedlist* link)
{
    if (list == nullptr)
        return 1;
    return add_link_before_link(list, link, list->current);
}

int add_link_after_current(linkeddef* list, linkedlist* link)
{
    if (list == nullptr)
        return 1;
    return add_link_after_link(list, link, list->current);
}

int add_new_current_link_before(linkeddef* list, linkedlist* link)
{
    if (list == nullptr)
        return 1;
    int rc = list->current == nullptr ? add_link_to_head(list, link)
                                      : add_link_before_link(list, link, list->current);
    if (rc != 0)
        return rc;
    return set_current_link(list, link);
}

int add_new_current_link_after(linkeddef* list, linkedlist* link)
{
    if (list == nullptr)
        return 1;
    int rc = list->current == nullptr ? add_link_to_tail(list, link)
                                      : add_link_after_link(list, link, list->current);
    if (rc != 0)
        return rc;
    return set_current_link(list, link);
}

// ---- Walking, removal and search ----

void process_link_list(linkeddef* list, void (*process_function)(linkeddef*, linkedlist*))
{
    if (list == nullptr || process_function == nullptr)
        return;
    linkedlist* link = list->head;
    while (link != nullptr) {
        process_function(list, link);
        // Read after the call: a removed link keeps its next, so the walk goes on.
        link = link->next;
    }
}

int remove_link(linkeddef* list, linkedlist* link)
{
    if (list == nullptr || link == nullptr)
        return 1;
    if (list->head == link)
        list->head = link->next;
    if (list->tail == link)
        list->tail = link->prev;
    if (link->prev != nullptr)
        link->prev->next = link->next;
    if (link->next != nullptr)
        link->next->prev = link->prev;
    if (list->current == link)
        list->current = nullptr;
    return 0;
}

void* delete_link(linkeddef* list, linkedlist* link)
{
    if (list == nullptr || link == nullptr)
        return nullptr;
    void* data = link->data;
    if (remove_link(list, link) == 0)
        free_link(link);
    return data;
}

linkedlist* find_link_entry(linkeddef* list, void* key, int (*find_function)(linkedlist*, void*))
{
    if (list == nullptr)
        return nullptr;
    return find_next_link_entry(list, list->head, key, find_function);
}

linkedlist* find_next_link_entry(linkeddef* /*list*/, linkedlist* link, void* key,
                                 int (*find_function)(linkedlist*, void*))
{
    if (find_function == nullptr)
        return nullptr;
    for (; link != nullptr; link = link->next) {
        if (find_function(link, key) == 0)
            return link;
    }
    return nullptr;
}

// ---- Moving links ----

int move_link_up(linkeddef* list, linkedlist* link)
{
    if (list == nullptr || link == nullptr)
        return 1;
    if (link == list->head)
        return 0;
    linkedlist* before = link->prev;
    remove_link(list, link);
    return add_link_before_link(list, link, before);
}

int move_link_down(linkeddef* list, linkedlist* link)
{
    if (list == nullptr || link == nullptr)
        return 1;
    if (link == list->tail)
        return 0;
    linkedlist* after = link->next;
    remove_link(list, link);
    return add_link_after_link(list, link, after);
}

int move_current_link_up(linkeddef* list)
{
    if (list == nullptr)
        return 1;
    linkedlist* link = list->current;
    int rc = move_link_up(list, link);
    list->current = link;
    return rc;
}

int move_current_link_down(linkeddef* list)
{
    if (list == nullptr)
        return 1;
    linkedlist* link = list->current;
    int rc = move_link_down(list, link);
    list->current = link;
    return rc;
}

// ---- The current link ----

int set_current_link(linkeddef* list, linkedlist* link)
{
    if (list == nullptr)
        return 0;
    list->current = link;
    return 1;
}

int set_head_current_link(linkeddef* list)
{
    if (list == nullptr)
        return 0;
    list->current = list->head;
    return 1;
}

int set_tail_current_link(linkeddef* list)
{
    if (list == nullptr)
        return 0;
    list->current = list->tail;
    return 1;
}

int set_current_link_next(linkeddef* list)
{
    if (list == nullptr || list->current == nullptr)
        return 1;
    if (list->current->next != nullptr)
        list->current = list->current->next;
    return 0;
}

int set_current_link_prev(linkeddef* list)
{
    if (list == nullptr || list->current == nullptr)
        return 1;
    if (list->current->prev != nullptr)
        list->current = list->current->prev;
    return 0;
}

int cycle_current_link_next(linkeddef* list)
{
    if (list == nullptr)
        return 1;
    if (list_is_empty(list))
        return 2;
    if (list_is_single_link(list))
        return 0;
    if (list->current == nullptr || list->current == list->tail) {
        list->current = list->head;
        return 1;
    }
    return set_current_link_next(list);
}

int cycle_current_link_prev(linkeddef* list)
{
    if (list == nullptr)
        return 1;
    if (list_is_empty(list))
        return 0;
    if (list_is_single_link(list))
        return 1;
    if (list->current == nullptr || list->current == list->head) {
        list->current = list->tail;
        return 1;
    }
    return set_current_link_prev(list);
}

// ---- Predicates ----

int list_is_empty(linkeddef* list)
{
    return list == nullptr || list->head == nullptr ? 1 : 0;
}

int list_is_single_link(linkeddef* list)
{
    if (list_is_empty(list))
        return 0;
    return list->head == list->tail ? 1 : 0;
}

int link_is_current(linkeddef* list, linkedlist* link)
{
    return list == nullptr || list->current == link ? 1 : 0;
}

int link_is_head(linkeddef* list, linkedlist* link)
{
    return list == nullptr || list->head == link ? 1 : 0;
}

int link_is_tail(linkeddef* list, linkedlist* link)
{
    return list == nullptr || list->tail == link ? 1 : 0;
}

int current_is_head(linkeddef* list)
{
    return list != nullptr && list->current == list->head ? 1 : 0;
}

int head_is_current(linkeddef* list)
{
    return current_is_head(list);
}

int current_is_tail(linkeddef* list)
{
    return list != nullptr && list->current == list->tail ? 1 : 0;
}

int tail_is_current(linkeddef* list)
{
    return current_is_tail(list);
}

// ---- Accessors ----

void* get_data_from_link(linkedlist* link)
{
    return link == nullptr ? nullptr : link->data;
}

void* get_data_from_current(linkeddef* list)
{
    return list == nullptr ? nullptr : get_data_from_link(list->current);
}

void* get_data_from_head(linkeddef* list)
{
    return list == nullptr ? nullptr : get_data_from_link(list->head);
}

void* get_data_from_tail(linkeddef* list)
{
    return list == nullptr ? nullptr : get_data_from_link(list->tail);
}

linkedlist* get_head_link(linkeddef* list)
{
    return list == nullptr ? nullptr : list->head;
}

linkedlist* get_tail_link(linkeddef* list)
{
    return list == nullptr ? nullptr : list->tail;
}

linkedlist* get_current_link(linkeddef* list)
{
    return list == nullptr ? nullptr : list->current;
}

linkedlist* get_next_link(linkedlist* link)
{
    return link == nullptr ? nullptr : link->next;
}

linkedlist* get_prev_link(linkedlist* link)
{
    return link == nullptr ? nullptr : link->prev;
}
