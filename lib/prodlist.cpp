// prodlist: growable arrays of texts, numbers and pointers, some kept sorted.
#include "prodlist.h"

#include <cinttypes>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

// The growth step of lists created for 0 elements, the step a delta of 0 or
// less becomes, and the fixed step of insert_sorted_alpha_prodlist.
const int DefaultStep = 10;

// Bisection stops once the window spans this many elements or fewer; the
// rest is scanned in order.
const int ScanWindow = 10;

// Byte order with bytes unsigned; a null text sorts before every other, so
// texts put into the arrays by hand cannot crash a sort or a search.
int text_cmp(const char* a, const char* b)
{
    if (a == nullptr || b == nullptr)
        return (a != nullptr) - (b != nullptr);
    return std::strcmp(a, b);
}

// A text as displayed: a null one as "(null)".
const char* shown(const char* s)
{
    return s != nullptr ? s : "(null)";
}

// Sets *out to a new block for m elements of T (null for m 0 or less).
// False when out of memory or when the byte count does not fit a size_t.
template <typename T>
bool new_array(T** out, int m)
{
    *out = nullptr;
    if (m <= 0)
        return true;
    if (static_cast<std::size_t>(m) > SIZE_MAX / sizeof(T))
        return false;
    *out = static_cast<T*>(std::malloc(static_cast<std::size_t>(m) * sizeof(T)));
    return *out != nullptr;
}

// Copies the first count elements of from into to.
template <typename T>
void copy_elements(T* to, const T* from, int count)
{
    if (count > 0)
        std::memcpy(to, from, static_cast<std::size_t>(count) * sizeof(T));
}

// Replaces a by a block for m elements holding its first count elements
// (count <= m). On failure a is untouched.
template <typename A>
bool resize_arrays(A*& a, int count, int m)
{
    A* na;
    if (!new_array(&na, m))
        return false;
    copy_elements(na, a, count);
    std::free(a);
    a = na;
    return true;
}

// As above for two parallel arrays: both new blocks are obtained before
// either old one is released, so a failure leaves both untouched.
template <typename A, typename B>
bool resize_arrays(A*& a, B*& b, int count, int m)
{
    A* na = nullptr;
    B* nb = nullptr;
    if (!new_array(&na, m) || !new_array(&nb, m)) {
        std::free(na);
        std::free(nb);
        return false;
    }
    copy_elements(na, a, count);
    copy_elements(nb, b, count);
    std::free(a);
    std::free(b);
    a = na;
    b = nb;
    return true;
}

// Creates a record of kind List for nitems elements; init allocates its
// arrays and reports success. Null, with nothing left allocated, on failure.
template <typename List, typename Init>
List* create_list(int nitems, Init init)
{
    List* list = new (std::nothrow) List{};
    if (list == nullptr)
        return nullptr;
    if (nitems < 0)
        nitems = 0;
    list->maxitems = nitems;
    list->delta = nitems > 0 ? nitems : DefaultStep;
    if (!init(list, nitems)) {
        delete list;
        return nullptr;
    }
    return list;
}

// The capacity of a full list grown by step, or -1 when it would pass
// INT_MAX or still leave no room for one more element.
int grown_size(int nitems, int maxitems, int step)
{
    long long m = static_cast<long long>(maxitems) + step;
    return m > INT_MAX || m <= nitems ? -1 : static_cast<int>(m);
}

// Room for one more element: a full list grows by delta, a delta of 0 or
// less first becoming 10. False, the list unchanged, when it cannot grow.
template <typename List>
bool room_for_one(List* list, List* (*resize)(List*, int))
{
    if (list->nitems < list->maxitems)
        return true;
    if (list->delta <= 0)
        list->delta = DefaultStep;
    int m = grown_size(list->nitems, list->maxitems, list->delta);
    return m >= 0 && resize(list, m) != nullptr;
}

// Moves the elements from index at up by one, leaving at free.
template <typename T>
void open_gap(T* a, int nitems, int at)
{
    if (nitems > at)
        std::memmove(a + at + 1, a + at, static_cast<std::size_t>(nitems - at) * sizeof(T));
}

// The bisection: low = 0, high = nitems - 1; while the window spans more
// than ScanWindow elements, compare the key with the middle element
// (key_cmp(i) compares the key with element i, key first) and move a bound
// to the middle index itself. Returns the middle index holding an equal
// element, else -1 with the window left in low and high.
template <typename KeyCmp>
int narrow(int nitems, KeyCmp key_cmp, int& low, int& high)
{
    low = 0;
    high = nitems - 1;
    while (high - low > ScanWindow) {
        int mid = low + (high - low) / 2;
        int c = key_cmp(mid);
        if (c == 0)
            return mid;
        if (c > 0)
            low = mid;
        else
            high = mid;
    }
    return -1;
}

// Prints the heading of a display: the count, or for a null list the line
// saying so. True when element lines are to follow.
template <typename List>
bool display_heading(const List* list)
{
    if (list == nullptr) {
        std::printf("display_list: Empty list\n");
        return false;
    }
    std::printf("%d Items in list:\n", list->nitems);
    return true;
}

}  // namespace

// ---- Creation ----

ProdList* create_prodlist(int nitems)
{
    return create_list<ProdList>(nitems, [](ProdList* l, int m) {
        return resize_arrays(l->item, l->desc, 0, m);
    });
}

ProdAlphaList* create_alpha_prodlist(int nitems)
{
    return create_list<ProdAlphaList>(nitems, [](ProdAlphaList* l, int m) {
        return resize_arrays(l->item, 0, m);
    });
}

ProdNumList* create_num_prodlist(int nitems)
{
    return create_list<ProdNumList>(nitems, [](ProdNumList* l, int m) {
        return resize_arrays(l->item, 0, m);
    });
}

ProdUNumList* create_unum_prodlist(int nitems)
{
    return create_list<ProdUNumList>(nitems, [](ProdUNumList* l, int m) {
        return resize_arrays(l->item, 0, m);
    });
}

ProdANumList* create_anum_prodlist(int nitems)
{
    return create_list<ProdANumList>(nitems, [](ProdANumList* l, int m) {
        return resize_arrays(l->num, l->alpha, 0, m);
    });
}

ProdAPtrList* create_aptr_prodlist(int nitems)
{
    return create_list<ProdAPtrList>(nitems, [](ProdAPtrList* l, int m) {
        return resize_arrays(l->key, l->item, 0, m);
    });
}

ProdPtrList* create_ptr_prodlist(int nitems)
{
    return create_list<ProdPtrList>(nitems, [](ProdPtrList* l, int m) {
        return resize_arrays(l->item, 0, m);
    });
}

// ---- Clearing ----

void clear_prodlist(ProdList* list)
{
    if (list == nullptr)
        return;
    for (int i = 0; i < list->nitems; ++i) {
        std::free(list->item[i]);
        std::free(list->desc[i]);
    }
    list->nitems = 0;
}

void clear_alpha_prodlist(ProdAlphaList* list)
{
    if (list == nullptr)
        return;
    for (int i = 0; i < list->nitems; ++i)
        std::free(list->item[i]);
    list->nitems = 0;
}

void clear_num_prodlist(ProdNumList* list)
{
    if (list != nullptr)
        list->nitems = 0;
}

void clear_unum_prodlist(ProdUNumList* list)
{
    if (list != nullptr)
        list->nitems = 0;
}

void clear_anum_prodlist(ProdANumList* list)
{
    if (list == nullptr)
        return;
    for (int i = 0; i < list->nitems; ++i)
        std::free(list->alpha[i]);
    list->nitems = 0;
}

void clear_aptr_prodlist(ProdAPtrList* list)
{
    if (list == nullptr)
        return;
    for (int i = 0; i < list->nitems; ++i) {
        std::free(list->item[i]);
        std::free(list->key[i]);
    }
    list->nitems = 0;
}

void clear_ptr_prodlist(ProdPtrList* list)
{
    if (list == nullptr)
        return;
    for (int i = 0; i < list->nitems; ++i)
        std::free(list->item[i]);
    list->nitems = 0;
}

// ---- Release ----

void free_prodlist(ProdList* list)
{
    if (list == nullptr)
        return;
    clear_prodlist(list);
    std::free(list->item);
    std::free(list->desc);
    delete list;
}

void free_alpha_prodlist(ProdAlphaList* list)
{
    if (list == nullptr)
        return;
    clear_alpha_prodlist(list);
    std::free(list->item);
    delete list;
}

void free_num_prodlist(ProdNumList* list)
{
    if (list == nullptr)
        return;
    std::free(list->item);
    delete list;
}

void free_unum_prodlist(ProdUNumList* list)
{
    if (list == nullptr)
        return;
    std::free(list->item);
    delete list;
}

void free_anum_prodlist(ProdANumList* list)
{
    if (list == nullptr)
        return;
    clear_anum_prodlist(list);
    std::free(list->num);
    std::free(list->alpha);
    delete list;
}

void free_aptr_prodlist(ProdAPtrList* list)
{
    if (list == nullptr)
        return;
    clear_aptr_prodlist(list);
    std::free(list->key);
    std::free(list->item);
    delete list;
}

void free_ptr_prodlist(ProdPtrList* list)
{
    if (list == nullptr)
        return;
    clear_ptr_prodlist(list);
    std::free(list->item);
    delete list;
}

// ---- Display on standard output ----

void display_prodlist(const ProdList* list)
{
    if (!display_heading(list))
        return;
    for (int i = 0; i < list->nitems; ++i)
        std::printf("Item %3d: %s\t%s\n", i + 1, shown(list->item[i]), shown(list->desc[i]));
}

void display_alpha_prodlist(const ProdAlphaList* list)
{
    if (!display_heading(list))
        return;
    for (int i = 0; i < list->nitems; ++i)
        std::printf("Item %3d: %s\n", i + 1, shown(list->item[i]));
}

void display_num_prodlist(const ProdNumList* list)
{
    if (!display_heading(list))
        return;
    for (int i = 0; i < list->nitems; ++i)
        std::printf("Item %3d: %ld\n", i + 1, list->item[i]);
}

void display_unum_prodlist(const ProdUNumList* list)
{
    if (!display_heading(list))
        return;
    for (int i = 0; i < list->nitems; ++i)
        std::printf("Item %3d: %lu\n", i + 1, list->item[i]);
}

void display_anum_prodlist(const ProdANumList* list)
{
    if (!display_heading(list))
        return;
    for (int i = 0; i < list->nitems; ++i)
        std::printf("Item %3d: %ld\t%s\n", i + 1, list->num[i], shown(list->alpha[i]));
}

void display_aptr_prodlist(const ProdAPtrList* list)
{
    if (!display_heading(list))
        return;
    for (int i = 0; i < list->nitems; ++i)
        std::printf("Item %3d: (%s) %" PRIxPTR "\n", i + 1, shown(list->key[i]),
                    reinterpret_cast<std::uintptr_t>(list->item[i]));
}

void display_ptr_prodlist(const ProdPtrList* list)
{
    if (!display_heading(list))
        return;
    for (int i = 0; i < list->nitems; ++i)
        std::printf("Item %3d: %" PRIxPTR "\n", i + 1, reinterpret_cast<std::uintptr_t>(list->item[i]));
}

// ---- Resizing ----

ProdList* resize_prodlist(ProdList* list, int m)
{
    if (list == nullptr || m < list->nitems || !resize_arrays(list->item, list->desc, list->nitems, m))
        return nullptr;
    list->maxitems = m;
    return list;
}

void resize_alpha_prodlist(ProdAlphaList* list, int m)
{
    if (list == nullptr || m < list->nitems || !resize_arrays(list->item, list->nitems, m))
        return;
    list->maxitems = m;
}

ProdNumList* resize_num_prodlist(ProdNumList* list, int m)
{
    if (list == nullptr || m < list->nitems || !resize_arrays(list->item, list->nitems, m))
        return nullptr;
    list->maxitems = m;
    return list;
}

ProdUNumList* resize_unum_prodlist(ProdUNumList* list, int m)
{
    if (list == nullptr || m < list->nitems || !resize_arrays(list->item, list->nitems, m))
        return nullptr;
    list->maxitems = m;
    return list;
}

int resize_anum_prodlist(ProdANumList* list, int m)
{
    if (list == nullptr)
        return 0;
    if (m < list->nitems) {
        std::fprintf(stderr, "Attempting to shrink ProdANumList from %d to %d\n", list->nitems, m);
        return 0;
    }
    if (!resize_arrays(list->num, list->alpha, list->nitems, m))
        return 0;
    list->maxitems = m;
    return 1;
}

ProdAPtrList* resize_aptr_prodlist(ProdAPtrList* list, int m)
{
    if (list == nullptr || m < list->nitems || !resize_arrays(list->key, list->item, list->nitems, m))
        return nullptr;
    list->maxitems = m;
    return list;
}

ProdPtrList* resize_ptr_prodlist(ProdPtrList* list, int m)
{
    if (list == nullptr || m < list->nitems || !resize_arrays(list->item, list->nitems, m))
        return nullptr;
    list->maxitems = m;
    return list;
}

// ---- Operations of single kinds ----

void add_ptr_prodlist(ProdPtrList* list, void* ent)
{
    if (list == nullptr || !room_for_one(list, resize_ptr_prodlist))
        return;
    list->item[list->nitems++] = ent;
}

void insert_sorted_alpha_prodlist(ProdAlphaList* list, char* str)
{
    if (list == nullptr || str == nullptr)
        return;
    // 1. Find the first text not below str; an equal one refuses str.
    int at = 0;
    for (; at < list->nitems; ++at) {
        int c = text_cmp(str, list->item[at]);
        if (c == 0)
            return;
        if (c < 0)
            break;
    }
    // 2. A full list grows by the fixed step, whatever its delta.
    if (list->nitems >= list->maxitems) {
        int m = grown_size(list->nitems, list->maxitems, DefaultStep);
        if (m < 0)
            return;
        resize_alpha_prodlist(list, m);
        if (list->maxitems != m)
            return;
    }
    // 3. Store str at its place.
    open_gap(list->item, list->nitems, at);
    list->item[at] = str;
    ++list->nitems;
}

void sort_anum_prodlist(ProdANumList* index)
{
    if (index == nullptr)
        return;
    // Neighbour swaps only on a strictly smaller later text keep equal texts
    // in their order.
    for (int pass = 0; pass < index->nitems; ++pass) {
        for (int j = index->nitems - 1; j >= 1; --j) {
            if (text_cmp(index->alpha[j], index->alpha[j - 1]) < 0) {
                std::swap(index->alpha[j], index->alpha[j - 1]);
                std::swap(index->num[j], index->num[j - 1]);
            }
        }
    }
}

int bsearch_ptr_prodlist(const ProdPtrList* list, const void* ent,
                         int (*strcmp)(const void*, const void*))
{
    if (list == nullptr || ent == nullptr || strcmp == nullptr)
        return -1;
    auto key_cmp = [&](int i) { return strcmp(ent, list->item[i]); };
    int low, high;
    int found = narrow(list->nitems, key_cmp, low, high);
    if (found >= 0)
        return found;
    for (int i = low; i <= high; ++i) {
        int c = key_cmp(i);
        if (c == 0)
            return i;
        if (c < 0)
            return -1;  // in a sorted list nothing equal follows a greater element
    }
    return -1;
}

void* bupdate_ptr_prodlist(ProdPtrList* list, void* ent,
                           int (*strcmp)(const void*, const void*))
{
    if (list == nullptr || ent == nullptr || strcmp == nullptr)
        return nullptr;
    // 1. An equal element is replaced and handed back.
    int found = bsearch_ptr_prodlist(list, ent, strcmp);
    if (found >= 0) {
        void* old = list->item[found];
        list->item[found] = ent;
        return old;
    }
    // 2. Narrow again; the first element of the window greater than ent,
    //    compared element first, gives the insertion index, else the end.
    int low, high;
    narrow(list->nitems, [&](int i) { return strcmp(ent, list->item[i]); }, low, high);
    int at = list->nitems;
    for (int i = low; i <= high; ++i) {
        if (strcmp(list->item[i], ent) > 0) {
            at = i;
            break;
        }
    }
    // 3. Grow when full and store ent at its place.
    if (!room_for_one(list, resize_ptr_prodlist))
        return ent;
    open_gap(list->item, list->nitems, at);
    list->item[at] = ent;
    ++list->nitems;
    return nullptr;
}

int bsearch_aptr_prodlist(const ProdAPtrList* list, const char* key)
{
    if (list == nullptr || key == nullptr)
        return -1;
    auto key_cmp = [&](int i) { return text_cmp(key, list->key[i]); };
    int low, high;
    int found = narrow(list->nitems, key_cmp, low, high);
    if (found >= 0)
        return found;
    for (int i = low; i <= high; ++i) {
        if (key_cmp(i) == 0)
            return i;
    }
    return -1;
}

void* bupdate_aptr_prodlist(ProdAPtrList* list, char* key, void* ent)
{
    if (list == nullptr || key == nullptr)
        return nullptr;
    // 1. Narrow, then scan the window for an equal key, noting the first
    //    greater one on the way.
    auto key_cmp = [&](int i) { return text_cmp(key, list->key[i]); };
    int low, high;
    int found = narrow(list->nitems, key_cmp, low, high);
    int greater = -1;
    for (int i = low; found < 0 && i <= high; ++i) {
        int c = key_cmp(i);
        if (c == 0)
            found = i;
        else if (c < 0 && greater < 0)
            greater = i;
    }
    // 2. An equal key keeps its stored text; only its object is replaced.
    if (found >= 0) {
        void* old = list->item[found];
        list->item[found] = ent;
        return old;
    }
    // 3. Grow when full and store the pair before the first greater key,
    //    or at the end.
    int at = greater >= 0 ? greater : list->nitems;
    if (!room_for_one(list, resize_aptr_prodlist))
        return ent;
    open_gap(list->key, list->nitems, at);
    open_gap(list->item, list->nitems, at);
    list->key[at] = key;
    list->item[at] = ent;
    ++list->nitems;
    return nullptr;
}
