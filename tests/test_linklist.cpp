// Unit tests of the linklist library.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linklist.h"

namespace {

int Val(const linkedlist* l) { return *static_cast<int*>(l->data); }

// The values from head to tail, as "1 2 3", or the first broken invariant.
std::string Shape(const linkeddef* list)
{
    if ((list->head == nullptr) != (list->tail == nullptr) || (list->head && list->head->prev))
        return "broken ends";
    std::string out;
    bool currentSeen = list->current == nullptr;
    const linkedlist* last = nullptr;
    for (const linkedlist* l = list->head; l != nullptr; last = l, l = l->next) {
        if (out.size() > 200 || (l->next != nullptr && l->next->prev != l))
            return "broken chain after " + std::to_string(Val(l));
        currentSeen = currentSeen || l == list->current;
        out += (out.empty() ? "" : " ") + std::to_string(Val(l));
    }
    return last == list->tail && currentSeen ? out : "tail or current outside the chain";
}

class LinkList : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (linkedlist* l : owned)
            free_link(l);
        delete list;
    }
    linkedlist* Make(int i) { return owned.emplace_back(create_link_entry(&vals[i])); }
    linkedlist* Append(int i) { add_link_to_tail(list, Make(i)); return owned.back(); }

    linkeddef* list = create_link_list();
    int vals[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    std::vector<linkedlist*> owned;
};

TEST_F(LinkList, InsertionsSpliceAtEveryPlaceAndNeverMoveTheCursor)
{
    linkedlist* a = Append(2);
    EXPECT_EQ(add_link_before_current(list, Make(1)), 1);  // no current link yet
    set_current_link(list, a);
    EXPECT_EQ(add_link_to_head(list, Make(0)), 0);
    EXPECT_EQ(add_link_before_link(list, Make(1), list->head), 0);
    EXPECT_EQ(add_link_after_link(list, Make(7), list->tail), 0);
    EXPECT_EQ(add_link_before_current(list, Make(3)), 0);
    EXPECT_EQ(add_link_after_current(list, Make(5)), 0);
    EXPECT_EQ(Shape(list), "1 0 3 2 5 7");
    EXPECT_EQ(list->current, a);
}

TEST_F(LinkList, NewCurrentLinkGoesBesideTheCurrentOneOrAtAnEndAndReportsOne)
{
    Append(3);
    EXPECT_EQ(add_new_current_link_after(list, Make(4)), 1);  // no current: at the tail
    EXPECT_EQ(add_new_current_link_before(list, Make(2)), 1);
    list->current = nullptr;
    EXPECT_EQ(add_new_current_link_before(list, Make(1)), 1);  // no current: at the head
    EXPECT_EQ(Shape(list), "1 3 2 4");
    EXPECT_EQ(get_data_from_current(list), &vals[1]);
}

TEST_F(LinkList, RemovalsClearTheCursorWhenItWasOnTheLinkAndCanEmptyTheList)
{
    for (int i = 1; i <= 5; ++i)
        Append(i);
    set_current_link(list, owned[1]);
    // The walk must survive its callback unlinking the visited link.
    process_link_list(list, [](linkeddef* l, linkedlist* k) { if (Val(k) % 2 == 0) remove_link(l, k); });
    EXPECT_EQ(Shape(list), "1 3 5");
    EXPECT_EQ(list->current, nullptr);
    EXPECT_EQ(delete_link(list, owned[4]), &vals[5]);
    owned.pop_back();
    set_head_current_link(list);
    EXPECT_EQ(remove_link(list, list->head), 0);
    EXPECT_EQ(remove_link(list, list->head), 0);
    EXPECT_EQ(Shape(list), "");  // a cursor left behind would show here
}

TEST_F(LinkList, SteppingPastTheTailStaysThereWithoutSignallingIt)
{
    Append(1);
    Append(2);
    set_tail_current_link(list);
    EXPECT_EQ(set_current_link_next(list), 0);
    EXPECT_EQ(get_data_from_current(list), &vals[2]);
    EXPECT_EQ(current_is_tail(list), 1);
    EXPECT_EQ(set_current_link_prev(list), 0);
    EXPECT_EQ(get_data_from_current(list), &vals[1]);
}

// Five cycle steps: "result:value" each.
std::string Cycle(linkeddef* list, int (*step)(linkeddef*))
{
    std::string out;
    for (int k = 0; k < 5; ++k) {
        out += std::to_string(step(list)) + ":";
        out += std::to_string(Val(list->current)) + " ";
    }
    return out;
}

TEST_F(LinkList, CyclingReportsOneOnEveryWrapAndOddCodesForShortLists)
{
    EXPECT_EQ(cycle_current_link_next(nullptr), 1);
    EXPECT_EQ(cycle_current_link_next(list), 2);
    EXPECT_EQ(cycle_current_link_prev(list), 0);
    Append(1);
    EXPECT_EQ(cycle_current_link_next(list), 0);
    EXPECT_EQ(cycle_current_link_prev(list), 1);
    EXPECT_EQ(list->current, nullptr);
    Append(2);
    Append(3);
    EXPECT_EQ(Cycle(list, cycle_current_link_next), "1:1 0:2 0:3 1:1 0:2 ");
    list->current = nullptr;
    EXPECT_EQ(Cycle(list, cycle_current_link_prev), "1:3 0:2 0:1 1:3 0:2 ");
}

TEST_F(LinkList, MovesAtTheEndsKeepTheListAndMovesOntoThemUpdateHeadAndTail)
{
    linkedlist* a = Append(1);
    linkedlist* b = Append(2);
    linkedlist* c = Append(3);
    EXPECT_EQ(move_link_up(list, a), 0);
    EXPECT_EQ(move_link_down(list, c), 0);
    EXPECT_EQ(Shape(list), "1 2 3");
    set_current_link(list, b);
    EXPECT_EQ(move_link_down(list, b), 0);
    EXPECT_EQ(Shape(list), "1 3 2");
    EXPECT_EQ(list->current, nullptr);
    set_current_link(list, c);
    EXPECT_EQ(move_current_link_up(list), 0);
    EXPECT_EQ(Shape(list), "3 1 2");
    EXPECT_EQ(list->current, c);
}

}  // namespace
