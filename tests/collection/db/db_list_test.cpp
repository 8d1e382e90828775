#include <gtest/gtest.h>

#include <string>

#include "collection/db/db_list.h"

namespace {

int alive = 0;

struct Node : DB_list_node<Node> {
    explicit Node(int v) : value(v) { ++alive; }
    ~Node() { --alive; }
    int value;
};

std::string Values(DB_list<Node>& list) {
    std::string forward, backward;
    for (Node* n = list.head(); n; n = n->next) {
        forward += std::to_string(n->value);
    }
    for (Node* n = list.tail(); n; n = n->prev) {
        backward.insert(0, std::to_string(n->value));
    }
    EXPECT_EQ(forward, backward);
    EXPECT_EQ(static_cast<int>(forward.size()), list.count());
    return forward;
}

} // namespace

TEST(DbList, LinksIndexAndOwnership) {
    {
        DB_list<Node> list;
        for (int i = 0; i < 5; ++i) {
            list.Append(std::make_unique<Node>(i));
        }
        EXPECT_EQ(Values(list), "01234");
        EXPECT_EQ(list.At(3)->value, 3);
        // Unlinking head, middle and tail keeps both directions whole and the index current.
        for (int position : {0, 1, 2}) {
            std::unique_ptr<Node> taken =
                list.Unlink(list.At(position == 2 ? list.count() - 1 : position));
            EXPECT_EQ(taken->prev, nullptr);
            EXPECT_EQ(taken->next, nullptr);
        }
        EXPECT_EQ(Values(list), "13");
        EXPECT_EQ(list.At(1)->value, 3);
        list.Append(std::make_unique<Node>(7));
        EXPECT_EQ(list.At(2)->value, 7);
        DB_list<Node> moved = std::move(list);
        EXPECT_EQ(Values(moved), "137");
        EXPECT_EQ(list.count(), 0);
        EXPECT_EQ(alive, 3);
        moved.Clear();
        EXPECT_EQ(alive, 0);
        moved.Append(std::make_unique<Node>(9));
    }
    EXPECT_EQ(alive, 0);
}
