// Unit tests of the prodlist library. Every string and object handed to a
// list is malloc'd, so the sanitizer run also checks who frees what.
#include "prodlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

int* Int(int v) { return static_cast<int*>(std::memcpy(std::malloc(sizeof v), &v, sizeof v)); }

int IntCmp(const void* a, const void* b) { return *static_cast<const int*>(a) - *static_cast<const int*>(b); }

std::vector<int> Values(const ProdPtrList* list)
{
    std::vector<int> out;
    for (int i = 0; i < list->nitems; ++i)
        out.push_back(*static_cast<int*>(list->item[i]));
    return out;
}

std::string Texts(const ProdAlphaList* list)
{
    std::string out;
    for (int i = 0; i < list->nitems; ++i)
        out += (i ? " " : "") + std::string(list->item[i]);
    return out;
}

template <typename F>
std::string Printed(F display)
{
    testing::internal::CaptureStdout();
    display();
    return testing::internal::GetCapturedStdout();
}

TEST(ProdListGrowth, AFullListGrowsByItsCreationSizeOrTenAndAlphaAlwaysByTen)
{
    ProdPtrList* added = create_ptr_prodlist(5);
    ProdPtrList* sorted = create_ptr_prodlist(5);
    ProdAPtrList* keyed = create_aptr_prodlist(5);
    ProdAlphaList* alpha = create_alpha_prodlist(5);
    ProdAlphaList* empty = create_alpha_prodlist(0);
    EXPECT_EQ(empty->item, nullptr);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(added->maxitems + sorted->maxitems + keyed->maxitems + alpha->maxitems, 20);
        add_ptr_prodlist(added, Int(i));
        bupdate_ptr_prodlist(sorted, Int(i), IntCmp);
        bupdate_aptr_prodlist(keyed, strdup(std::to_string(i).c_str()), nullptr);
        insert_sorted_alpha_prodlist(alpha, strdup(std::to_string(i).c_str()));
    }
    insert_sorted_alpha_prodlist(empty, strdup("a"));
    EXPECT_EQ((std::vector<int>{added->maxitems, sorted->maxitems, keyed->maxitems, alpha->maxitems, empty->maxitems}),
              (std::vector<int>{10, 10, 10, 15, 10}));
    EXPECT_EQ(Texts(alpha), "0 1 2 3 4 5");
    keyed->delta = 0;  // a step of 0 would never make room
    for (int i = 6; i <= 10; ++i)
        bupdate_aptr_prodlist(keyed, strdup(std::to_string(i).c_str()), nullptr);
    EXPECT_EQ(keyed->delta, 10);
    EXPECT_EQ(keyed->maxitems, 20);
    free_ptr_prodlist(added);
    free_ptr_prodlist(sorted);
    free_aptr_prodlist(keyed);
    free_alpha_prodlist(alpha);
    free_alpha_prodlist(empty);
}

TEST(ProdListSorted, AlphaInsertionKeepsByteOrderAndRefusesATextAlreadyPresent)
{
    ProdAlphaList* list = create_alpha_prodlist(0);
    for (const char* s : {"b", "\xe9t\xe9", "B", "a", "ab"})
        insert_sorted_alpha_prodlist(list, strdup(s));
    char* dup = strdup("ab");
    insert_sorted_alpha_prodlist(list, dup);
    EXPECT_EQ(Texts(list), "B a ab b \xe9t\xe9");
    EXPECT_NE(list->item[2], dup);
    std::free(dup);  // refused, so still ours
    free_alpha_prodlist(list);
}

TEST(ProdListSorted, AReplacedObjectComesBackAndAKeyedOneKeepsTheStoredKey)
{
    ProdPtrList* ptrs = create_ptr_prodlist(0);
    int* first = Int(7);
    int* second = Int(7);
    EXPECT_EQ(bupdate_ptr_prodlist(ptrs, first, IntCmp), nullptr);
    EXPECT_EQ(bupdate_ptr_prodlist(ptrs, second, IntCmp), first);
    EXPECT_EQ(ptrs->item[0], second);
    std::free(first);

    ProdAPtrList* keyed = create_aptr_prodlist(0);
    char* key = strdup("k");
    char* again = strdup("k");
    EXPECT_EQ(bupdate_aptr_prodlist(keyed, key, first = Int(1)), nullptr);
    EXPECT_EQ(bupdate_aptr_prodlist(keyed, again, second = Int(2)), first);
    EXPECT_EQ(keyed->key[0], key);
    EXPECT_EQ(keyed->item[0], second);
    std::free(again);
    std::free(first);
    free_ptr_prodlist(ptrs);
    free_aptr_prodlist(keyed);
}

TEST(ProdListSearch, BisectionAgreesWithALinearModelOnManyRandomLists)
{
    std::mt19937 rng(20240611);
    for (int round = 0; round < 300; ++round) {
        ProdPtrList* ptrs = create_ptr_prodlist(round % 7);
        ProdAPtrList* keyed = create_aptr_prodlist(round % 5);
        std::set<int> values;
        std::set<std::string> keys;
        // The first round searches empty lists.
        int n = round == 0 ? 0 : static_cast<int>(rng() % 70), range = 1 + static_cast<int>(rng() % 100);
        for (int k = 0; k < n; ++k) {
            int v = static_cast<int>(rng() % range);
            bool fresh = values.insert(v).second && keys.insert(std::to_string(v)).second;
            void* old = bupdate_ptr_prodlist(ptrs, Int(v), IntCmp);
            EXPECT_EQ(old == nullptr, fresh);
            std::free(old);
            char* key = strdup(std::to_string(v).c_str());
            old = bupdate_aptr_prodlist(keyed, key, Int(v));
            EXPECT_EQ(old == nullptr, fresh);
            std::free(old);
            if (!fresh)
                std::free(key);  // an equal key was already stored
        }
        std::vector<int> model(values.begin(), values.end());
        std::vector<std::string> kmodel(keys.begin(), keys.end());
        ASSERT_EQ(Values(ptrs), model);
        ASSERT_EQ(std::vector<std::string>(keyed->key, keyed->key + keyed->nitems), kmodel);
        for (int v = -1; v <= range; ++v) {
            auto at = std::find(model.begin(), model.end(), v);
            EXPECT_EQ(bsearch_ptr_prodlist(ptrs, &v, IntCmp), at == model.end() ? -1 : at - model.begin());
            auto kat = std::find(kmodel.begin(), kmodel.end(), std::to_string(v));
            EXPECT_EQ(bsearch_aptr_prodlist(keyed, std::to_string(v).c_str()),
                      kat == kmodel.end() ? -1 : kat - kmodel.begin());
        }
        free_ptr_prodlist(ptrs);
        free_aptr_prodlist(keyed);
    }
}

TEST(ProdListSorted, SortingNumberedTextsKeepsEqualTextsInTheirOrder)
{
    ProdANumList* list = create_anum_prodlist(4);
    const char* texts[] = {"b", "a", "a", "A"};
    for (int i = 0; i < 4; ++i) {
        list->num[i] = i + 1;
        list->alpha[i] = strdup(texts[i]);
    }
    list->nitems = 4;
    sort_anum_prodlist(list);
    EXPECT_EQ(Printed([&] { display_anum_prodlist(list); }),
              "4 Items in list:\nItem   1: 4\tA\nItem   2: 2\ta\nItem   3: 3\ta\nItem   4: 1\tb\n");
    free_anum_prodlist(list);
}

TEST(ProdListDisplay, EveryKindPrintsItsCountAndNumberedLines)
{
    EXPECT_EQ(Printed([] { display_ptr_prodlist(nullptr); }), "display_list: Empty list\n");
    ProdAlphaList* alpha = create_alpha_prodlist(0);
    EXPECT_EQ(Printed([&] { display_alpha_prodlist(alpha); }), "0 Items in list:\n");
    ProdList* plain = create_prodlist(2);
    plain->item[0] = strdup("a");
    plain->desc[0] = strdup("first");
    plain->item[1] = strdup("b");
    plain->desc[1] = nullptr;
    plain->nitems = 2;
    EXPECT_EQ(Printed([&] { display_prodlist(plain); }),
              "2 Items in list:\nItem   1: a\tfirst\nItem   2: b\t(null)\n");
    ProdNumList* num = create_num_prodlist(1);
    num->item[num->nitems++] = -5;
    EXPECT_EQ(Printed([&] { display_num_prodlist(num); }), "1 Items in list:\nItem   1: -5\n");
    ProdUNumList* unum = create_unum_prodlist(1);
    unum->item[unum->nitems++] = ULONG_MAX;
    EXPECT_EQ(Printed([&] { display_unum_prodlist(unum); }),
              "1 Items in list:\nItem   1: " + std::to_string(ULONG_MAX) + "\n");
    // Made-up addresses: the lists must not free them.
    ProdPtrList* ptrs = create_ptr_prodlist(2);
    ptrs->item[0] = reinterpret_cast<void*>(std::uintptr_t{0x7f00deadbeef});
    ptrs->item[1] = nullptr;
    ptrs->nitems = 2;
    EXPECT_EQ(Printed([&] { display_ptr_prodlist(ptrs); }),
              "2 Items in list:\nItem   1: 7f00deadbeef\nItem   2: 0\n");
    ptrs->nitems = 0;
    ProdAPtrList* keyed = create_aptr_prodlist(0);
    bupdate_aptr_prodlist(keyed, strdup("k"), reinterpret_cast<void*>(std::uintptr_t{0xabc}));
    EXPECT_EQ(Printed([&] { display_aptr_prodlist(keyed); }), "1 Items in list:\nItem   1: (k) abc\n");
    keyed->item[0] = nullptr;
    free_alpha_prodlist(alpha);
    free_prodlist(plain);
    free_num_prodlist(num);
    free_unum_prodlist(unum);
    free_ptr_prodlist(ptrs);
    free_aptr_prodlist(keyed);
}

TEST(ProdListResize, ShrinkingBelowTheCountIsRefusedAndChangesNothing)
{
    ProdANumList* anum = create_anum_prodlist(4);
    for (int i = 0; i < 3; ++i)
        anum->alpha[anum->nitems++] = strdup("x");
    testing::internal::CaptureStderr();
    EXPECT_EQ(resize_anum_prodlist(anum, 2), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Attempting to shrink ProdANumList from 3 to 2\n");
    EXPECT_EQ(anum->maxitems, 4);
    EXPECT_EQ(resize_anum_prodlist(anum, 3), 1);
    EXPECT_EQ(anum->maxitems, 3);

    ProdPtrList* ptrs = create_ptr_prodlist(0);
    add_ptr_prodlist(ptrs, Int(1));
    add_ptr_prodlist(ptrs, Int(2));
    EXPECT_EQ(resize_ptr_prodlist(ptrs, 1), nullptr);
    EXPECT_EQ(ptrs->maxitems, 10);
    EXPECT_EQ(Values(ptrs), (std::vector<int>{1, 2}));

    ProdNumList* num = create_num_prodlist(5);  // empty, so it may go to 0
    EXPECT_EQ(resize_num_prodlist(num, 0), num);
    EXPECT_EQ(num->item, nullptr);
    free_anum_prodlist(anum);
    free_ptr_prodlist(ptrs);
    free_num_prodlist(num);
}

TEST(ProdListNulls, NullArgumentsAreAnsweredWithoutEffect)
{
    int v = 1;
    add_ptr_prodlist(nullptr, &v);
    insert_sorted_alpha_prodlist(nullptr, nullptr);
    sort_anum_prodlist(nullptr);
    clear_num_prodlist(nullptr);
    clear_unum_prodlist(nullptr);
    EXPECT_EQ(resize_anum_prodlist(nullptr, 5), 0);
    ProdPtrList* ptrs = create_ptr_prodlist(0);
    ProdAlphaList* alpha = create_alpha_prodlist(0);
    insert_sorted_alpha_prodlist(alpha, nullptr);
    EXPECT_EQ(alpha->nitems, 0);
    EXPECT_EQ(bsearch_ptr_prodlist(ptrs, nullptr, IntCmp), -1);
    EXPECT_EQ(bsearch_ptr_prodlist(ptrs, &v, nullptr), -1);
    EXPECT_EQ(bupdate_ptr_prodlist(ptrs, &v, nullptr), nullptr);
    EXPECT_EQ(bsearch_aptr_prodlist(nullptr, "k"), -1);
    EXPECT_EQ(bupdate_aptr_prodlist(nullptr, nullptr, &v), nullptr);
    EXPECT_EQ(ptrs->nitems, 0);
    free_ptr_prodlist(ptrs);
    free_alpha_prodlist(alpha);
}

}  // namespace
