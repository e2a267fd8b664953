// Unit tests of the linklist library.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "linklist.h"

namespace {

// The values carried by the links, as "1 2 3" from head to tail, or a text
// naming the first broken invariant.
std::string Shape(const linkeddef* list)
{
    if ((list->head == nullptr) != (list->tail == nullptr))
        return "head and tail disagree on emptiness";
    if (list->head != nullptr && list->head->prev != nullptr)
        return "head has a prev";
    std::string out;
    bool currentSeen = list->current == nullptr;
    const linkedlist* last = nullptr;
    int steps = 0;
    for (const linkedlist* l = list->head; l != nullptr; l = l->next) {
        if (++steps > 100)
            return "cycle in next chain";
        if (l->next != nullptr && l->next->prev != l)
            return "next/prev mismatch after " + std::to_string(*static_cast<int*>(l->data));
        if (l == list->current)
            currentSeen = true;
        out += (out.empty() ? "" : " ") + std::to_string(*static_cast<int*>(l->data));
        last = l;
    }
    if (last != list->tail)
        return "tail is not the last link";
    if (!currentSeen)
        return "current is not in the list";
    return out;
}

class LinkList : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (linkedlist* l : owned)
            free_link(l);
        delete list;
    }

    // A new link carrying vals[i]; freed at teardown.
    linkedlist* Make(int i)
    {
        linkedlist* l = create_link_entry(&vals[i]);
        owned.push_back(l);
        return l;
    }

    linkedlist* Append(int i)
    {
        linkedlist* l = Make(i);
        add_link_to_tail(list, l);
        return l;
    }

    // The value of the current link, or -1 when there is none.
    int Cur() const { return list->current ? *static_cast<int*>(list->current->data) : -1; }

    void Forget(linkedlist* l) { owned.erase(std::find(owned.begin(), owned.end(), l)); }

    linkeddef* list = create_link_list();
    int vals[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    std::vector<linkedlist*> owned;
};

using LinkEmpty = LinkList;
using LinkInsert = LinkList;
using LinkRemove = LinkList;
using LinkMove = LinkList;
using LinkCursor = LinkList;

TEST_F(LinkEmpty, EmptyListYieldsNothingToAnIteration)
{
    EXPECT_EQ(Shape(list), "");
    EXPECT_EQ(list_is_empty(list), 1);
    EXPECT_EQ(list_is_single_link(list), 0);
    EXPECT_EQ(get_head_link(list), nullptr);
    EXPECT_EQ(get_data_from_head(list), nullptr);
    EXPECT_EQ(set_head_current_link(list), 1);
    EXPECT_EQ(list->current, nullptr);
    EXPECT_EQ(current_is_tail(list), 1);
    EXPECT_EQ(current_is_head(list), 1);
    EXPECT_EQ(set_current_link_next(list), 1);
    EXPECT_EQ(set_current_link_prev(list), 1);
}

TEST_F(LinkEmpty, NullArgumentsGiveTheFailureResultOfEachOperation)
{
    linkedlist* a = Make(1);
    EXPECT_EQ(add_link_to_tail(nullptr, a), 1);
    EXPECT_EQ(add_link_to_tail(list, nullptr), 1);
    EXPECT_EQ(add_link_to_head(nullptr, a), 1);
    EXPECT_EQ(add_link_before_link(list, a, nullptr), 1);
    EXPECT_EQ(add_link_after_link(list, nullptr, a), 1);
    EXPECT_EQ(add_link_before_current(nullptr, a), 1);
    EXPECT_EQ(add_new_current_link_after(nullptr, a), 1);
    EXPECT_EQ(remove_link(list, nullptr), 1);
    EXPECT_EQ(delete_link(nullptr, a), nullptr);
    EXPECT_EQ(move_link_up(nullptr, a), 1);
    EXPECT_EQ(move_current_link_down(nullptr), 1);
    EXPECT_EQ(set_current_link(nullptr, a), 0);
    EXPECT_EQ(set_tail_current_link(nullptr), 0);
    EXPECT_EQ(set_current_link_next(nullptr), 1);
    EXPECT_EQ(list_is_empty(nullptr), 1);
    EXPECT_EQ(list_is_single_link(nullptr), 0);
    EXPECT_EQ(link_is_current(nullptr, a), 1);
    EXPECT_EQ(link_is_head(nullptr, a), 1);
    EXPECT_EQ(link_is_tail(nullptr, a), 1);
    EXPECT_EQ(current_is_head(nullptr), 0);
    EXPECT_EQ(tail_is_current(nullptr), 0);
    EXPECT_EQ(find_link_entry(nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(get_data_from_current(nullptr), nullptr);
    EXPECT_EQ(get_prev_link(nullptr), nullptr);
    initialize_link_list(nullptr);
    process_link_list(nullptr, nullptr);
    EXPECT_EQ(Shape(list), "");
    EXPECT_EQ(a->next, nullptr);
    EXPECT_EQ(a->prev, nullptr);
}

TEST_F(LinkInsert, FirstLinkAddedAtTailIsBothHeadAndTail)
{
    linkedlist* a = Append(1);
    EXPECT_EQ(list->head, a);
    EXPECT_EQ(list->tail, a);
    EXPECT_EQ(list_is_single_link(list), 1);
    Append(2);
    Append(3);
    EXPECT_EQ(Shape(list), "1 2 3");
}

TEST_F(LinkInsert, AddingAtHeadReversesTheOrder)
{
    for (int i = 1; i <= 3; ++i) {
        ASSERT_EQ(add_link_to_head(list, Make(i)), 0);
        EXPECT_EQ(*static_cast<int*>(list->tail->data), 1);
    }
    EXPECT_EQ(Shape(list), "3 2 1");
}

TEST_F(LinkInsert, InsertingBesideALinkSplicesItAndMovesOnlyTheEndPassed)
{
    linkedlist* a = Append(1);
    linkedlist* mid = Append(3);
    EXPECT_EQ(add_link_before_link(list, Make(0), a), 0);
    EXPECT_EQ(list->tail, mid);
    EXPECT_EQ(add_link_before_link(list, Make(2), mid), 0);
    EXPECT_EQ(add_link_after_link(list, Make(5), mid), 0);
    EXPECT_EQ(add_link_after_link(list, Make(4), mid), 0);
    EXPECT_EQ(Shape(list), "0 1 2 3 4 5");
}

TEST_F(LinkInsert, PlainInsertionsNeverMoveTheCursor)
{
    linkedlist* a = Append(1);
    set_current_link(list, a);
    add_link_to_head(list, Make(0));
    add_link_before_link(list, Make(2), a);
    add_link_after_link(list, Make(3), a);
    Append(4);
    EXPECT_EQ(Shape(list), "0 2 1 3 4");
    EXPECT_EQ(list->current, a);
}

TEST_F(LinkInsert, InsertingBesideCurrentNeedsACurrentLink)
{
    Append(2);
    EXPECT_EQ(add_link_before_current(list, Make(1)), 1);
    EXPECT_EQ(add_link_after_current(list, Make(3)), 1);
    EXPECT_EQ(Shape(list), "2");
    set_head_current_link(list);
    EXPECT_EQ(add_link_before_current(list, Make(1)), 0);
    EXPECT_EQ(add_link_after_current(list, Make(3)), 0);
    EXPECT_EQ(Shape(list), "1 2 3");
    EXPECT_EQ(Cur(), 2);
}

TEST_F(LinkInsert, NewCurrentLinkGoesToAnEndWhenThereIsNoCurrent)
{
    Append(2);
    EXPECT_EQ(add_new_current_link_before(list, Make(1)), 1);
    EXPECT_EQ(Shape(list), "1 2");
    EXPECT_EQ(Cur(), 1);
    list->current = nullptr;
    EXPECT_EQ(add_new_current_link_after(list, Make(3)), 1);
    EXPECT_EQ(Shape(list), "1 2 3");
    EXPECT_EQ(Cur(), 3);
}

TEST_F(LinkInsert, NewCurrentLinkIsPlacedBesideTheCurrentOne)
{
    Append(1);
    set_tail_current_link(list);
    Append(4);
    add_new_current_link_after(list, Make(3));
    add_new_current_link_before(list, Make(2));
    EXPECT_EQ(Shape(list), "1 2 3 4");
    EXPECT_EQ(Cur(), 2);
    EXPECT_EQ(add_new_current_link_after(list, nullptr), 1);
    EXPECT_EQ(Cur(), 2);
}

TEST_F(LinkRemove, RemovingTheCurrentLinkClearsTheCursor)
{
    Append(1);
    linkedlist* b = Append(2);
    Append(3);
    set_current_link(list, b);
    EXPECT_EQ(remove_link(list, b), 0);
    EXPECT_EQ(Shape(list), "1 3");
    EXPECT_EQ(list->current, nullptr);
    EXPECT_EQ(*static_cast<int*>(b->prev->data), 1);
    EXPECT_EQ(*static_cast<int*>(b->next->data), 3);
}

TEST_F(LinkRemove, RemovingTheOnlyLinkEmptiesTheList)
{
    linkedlist* a = Append(1);
    set_head_current_link(list);
    EXPECT_EQ(remove_link(list, a), 0);
    EXPECT_EQ(list->head, nullptr);
    EXPECT_EQ(list->tail, nullptr);
    EXPECT_EQ(list->current, nullptr);
    EXPECT_EQ(add_link_to_tail(list, a), 0);
    EXPECT_EQ(Shape(list), "1");
}

TEST_F(LinkRemove, DeleteLinkFreesTheLinkAndHandsBackItsData)
{
    Append(1);
    linkedlist* b = Append(2);
    Forget(b);
    EXPECT_EQ(delete_link(list, b), &vals[2]);
    EXPECT_EQ(Shape(list), "1");
}

std::vector<int> visited;

void UnlinkEvenValues(linkeddef* list, linkedlist* link)
{
    int v = *static_cast<int*>(link->data);
    visited.push_back(v);
    if (v % 2 == 0)
        remove_link(list, link);
}

TEST_F(LinkRemove, ProcessingVisitsHeadToTailAndSurvivesUnlinking)
{
    for (int i = 1; i <= 5; ++i)
        Append(i);
    visited.clear();
    process_link_list(list, UnlinkEvenValues);
    EXPECT_EQ(visited, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Shape(list), "1 3 5");
}

int MatchAtLeast(linkedlist* link, void* key)
{
    return *static_cast<int*>(link->data) >= *static_cast<int*>(key) ? 0 : 1;
}

TEST_F(LinkRemove, FindReturnsTheFirstMatchFromWhereTheWalkStarts)
{
    Append(1);
    linkedlist* b = Append(3);
    linkedlist* c = Append(5);
    int key = 2;
    EXPECT_EQ(find_link_entry(list, &key, MatchAtLeast), b);
    EXPECT_EQ(find_next_link_entry(list, b, &key, MatchAtLeast), b);
    EXPECT_EQ(find_next_link_entry(nullptr, c, &key, MatchAtLeast), c);
    key = 6;
    EXPECT_EQ(find_link_entry(list, &key, MatchAtLeast), nullptr);
}

TEST_F(LinkMove, HeadUpAndTailDownChangeNothing)
{
    linkedlist* a = Append(1);
    linkedlist* b = Append(2);
    set_current_link(list, a);
    EXPECT_EQ(move_link_up(list, a), 0);
    EXPECT_EQ(move_link_down(list, b), 0);
    EXPECT_EQ(Shape(list), "1 2");
    EXPECT_EQ(list->current, a);
}

TEST_F(LinkMove, MovingTheSecondLinkUpMakesItTheHead)
{
    linkedlist* a = Append(1);
    linkedlist* b = Append(2);
    Append(3);
    EXPECT_EQ(move_link_up(list, b), 0);
    EXPECT_EQ(Shape(list), "2 1 3");
    EXPECT_EQ(list->head->next, a);
}

TEST_F(LinkMove, MovingTheNextToLastLinkDownMakesItTheTailAndClearsItsCursor)
{
    Append(1);
    linkedlist* b = Append(2);
    Append(3);
    set_current_link(list, b);
    EXPECT_EQ(move_link_down(list, b), 0);
    EXPECT_EQ(Shape(list), "1 3 2");
    EXPECT_EQ(list->tail, b);
    EXPECT_EQ(list->current, nullptr);
}

TEST_F(LinkMove, MovingThroughTheCursorKeepsItOnTheMovedLink)
{
    Append(1);
    Append(2);
    linkedlist* c = Append(3);
    set_current_link(list, c);
    EXPECT_EQ(move_current_link_up(list), 0);
    EXPECT_EQ(move_current_link_up(list), 0);
    EXPECT_EQ(Shape(list), "3 1 2");
    EXPECT_EQ(move_current_link_down(list), 0);
    EXPECT_EQ(Shape(list), "1 3 2");
    EXPECT_EQ(list->current, c);
    list->current = nullptr;
    EXPECT_EQ(move_current_link_up(list), 1);
    EXPECT_EQ(Shape(list), "1 3 2");
}

TEST_F(LinkCursor, StepsStopAtTheEndsWithoutSignallingIt)
{
    Append(1);
    Append(2);
    set_tail_current_link(list);
    EXPECT_EQ(set_current_link_next(list), 0);
    EXPECT_EQ(Cur(), 2);
    EXPECT_EQ(set_current_link_prev(list), 0);
    EXPECT_EQ(set_current_link_prev(list), 0);
    EXPECT_EQ(Cur(), 1);
    EXPECT_EQ(current_is_head(list), 1);
    EXPECT_EQ(head_is_current(list), 1);
    EXPECT_EQ(tail_is_current(list), 0);
}

TEST_F(LinkCursor, IterationIdiomVisitsEveryElementOnce)
{
    for (int i = 1; i <= 3; ++i)
        Append(i);
    std::vector<int> seen;
    set_head_current_link(list);
    for (void* d = get_data_from_head(list); d != nullptr;
         d = current_is_tail(list) ? nullptr
                                   : (set_current_link_next(list), get_data_from_current(list)))
        seen.push_back(*static_cast<int*>(d));
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
}

// Five cycle steps over 1 2 3 from no current link: "result:value" each.
std::string Cycle(linkeddef* list, int (*step)(linkeddef*))
{
    std::string out;
    for (int k = 0; k < 5; ++k) {
        int rc = step(list);
        out += std::to_string(rc) + ":" + std::to_string(*static_cast<int*>(list->current->data)) + " ";
    }
    return out;
}

TEST_F(LinkCursor, CyclingStartsAtOneEndAndWrapsFromTheOther)
{
    for (int i = 1; i <= 3; ++i)
        Append(i);
    EXPECT_EQ(Cycle(list, cycle_current_link_next), "1:1 0:2 0:3 1:1 0:2 ");
    list->current = nullptr;
    EXPECT_EQ(Cycle(list, cycle_current_link_prev), "1:3 0:2 0:1 1:3 0:2 ");
    EXPECT_EQ(Shape(list), "1 2 3");
}

TEST_F(LinkCursor, CycleNextOnTwoLinksWrapsFromTailToHead)
{
    Append(1);
    Append(2);
    set_tail_current_link(list);
    EXPECT_EQ(cycle_current_link_next(list), 1);
    EXPECT_EQ(Cur(), 1);
}

TEST_F(LinkCursor, CyclingAnEmptyOrSingleLinkListLeavesTheCursor)
{
    EXPECT_EQ(cycle_current_link_next(nullptr), 1);
    EXPECT_EQ(cycle_current_link_prev(nullptr), 1);
    EXPECT_EQ(cycle_current_link_next(list), 2);
    EXPECT_EQ(cycle_current_link_prev(list), 0);
    Append(1);
    EXPECT_EQ(cycle_current_link_next(list), 0);
    EXPECT_EQ(cycle_current_link_prev(list), 1);
    EXPECT_EQ(list->current, nullptr);
}

TEST_F(LinkCursor, LinkPredicatesCompareWithTheEndsAndTheCursor)
{
    linkedlist* a = Append(1);
    linkedlist* b = Append(2);
    set_current_link(list, b);
    EXPECT_EQ(link_is_head(list, a) * 10 + link_is_head(list, b), 10);
    EXPECT_EQ(link_is_tail(list, a) * 10 + link_is_tail(list, b), 1);
    EXPECT_EQ(link_is_current(list, a) * 10 + link_is_current(list, b), 1);
    EXPECT_EQ(get_data_from_tail(list), get_data_from_current(list));
}

}  // namespace
