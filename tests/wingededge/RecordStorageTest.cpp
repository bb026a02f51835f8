// Storage under the mesh records: the node pool and the inline edge lists.

#include <gtest/gtest.h>

#include <cstring>
#include <list>
#include <set>
#include <vector>

#include "wingededge/EdgeRefList.h"
#include "wingededge/RecordPool.h"

namespace {

// A node size no record list uses, so that this pool starts empty.
const size_t kNodeSize = 200;

WEEdge* fake(uintptr_t i)
{
    return reinterpret_cast<WEEdge*>(i * 8);
}

} // namespace

TEST(RecordPool, NodesStayPutAndComeBack)
{
    RecordPool& pool = RecordPool::forSize(kNodeSize);
    EXPECT_EQ(&pool, &RecordPool::forSize(kNodeSize - 5)) << "sizes round up to one pool";
    ASSERT_EQ(pool.liveNodes(), 0u);

    // Enough nodes to run through several blocks, the large ones mapped
    // and made present a window at a time. Every byte must be writable and
    // no two nodes may overlap.
    const size_t count = 60000;
    std::vector<unsigned char*> nodes;
    for (size_t i = 0; i < count; ++i) {
        unsigned char* node = static_cast<unsigned char*>(pool.allocate());
        std::memset(node, int(i & 0xff), kNodeSize);
        nodes.push_back(node);
    }
    EXPECT_EQ(pool.liveNodes(), count);
    EXPECT_GE(RecordPool::totalBlockBytes(), count * kNodeSize);
    std::set<unsigned char*> sorted(nodes.begin(), nodes.end());
    ASSERT_EQ(sorted.size(), count);
    unsigned char* previous = nullptr;
    for (unsigned char* node : sorted) {
        if (previous != nullptr) {
            EXPECT_GE(size_t(node - previous), kNodeSize) << "nodes overlap";
        }
        previous = node;
    }
    for (size_t i = 0; i < count; i += 997)
        for (size_t b = 0; b < kNodeSize; ++b)
            ASSERT_EQ(nodes[i][b], (unsigned char)(i & 0xff)) << "node " << i << " byte " << b;

    // A freed node is handed out again before fresh memory.
    pool.deallocate(nodes[123]);
    EXPECT_EQ(pool.allocate(), nodes[123]);

    const size_t blocks = pool.blockCount();
    EXPECT_GT(blocks, 1u);
    for (size_t i = 0; i + 1 < count; ++i)
        pool.deallocate(nodes[i]);
    EXPECT_EQ(pool.blockCount(), blocks) << "blocks stay while a node lives";
    pool.deallocate(nodes.back());
    EXPECT_EQ(pool.liveNodes(), 0u);
    EXPECT_EQ(pool.blockCount(), 0u) << "the last free gives the blocks back";

    // And the pool starts over cleanly.
    void* again = pool.allocate();
    std::memset(again, 0, kNodeSize);
    pool.deallocate(again);
}

TEST(RecordPool, ListsOverThePoolSpliceAndKeepHandles)
{
    std::list<int, RecordAllocator<int>> a, b;
    for (int i = 0; i < 1000; ++i)
        a.push_back(i);
    const int* handle = &*std::next(a.begin(), 500);
    for (int i = 0; i < 10; ++i)
        b.push_back(-i);
    a.erase(a.begin(), std::next(a.begin(), 100));
    b.splice(b.end(), a);
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(b.size(), 910u);
    EXPECT_EQ(*handle, 500) << "a handle survives removals and a splice";
    EXPECT_EQ(&*std::next(b.begin(), 10 + 400), handle);
}

TEST(EdgeRefList, GrowsBeyondItsInlineRoomAndCopiesDeeply)
{
    EdgeRefList<3> list;
    EXPECT_TRUE(list.empty());
    for (uintptr_t i = 1; i <= 3; ++i)
        list.push_back(fake(i));
    EdgeRefList<3> inlineCopy = list;
    for (uintptr_t i = 4; i <= 10; ++i)
        list.push_back(fake(i));
    ASSERT_EQ(list.size(), 10u);
    for (size_t i = 0; i < 10; ++i)
        EXPECT_EQ(list[i], fake(i + 1)) << "entry " << i;
    EXPECT_EQ(inlineCopy.size(), 3u) << "the copy is its own";

    // Insert in the middle, erase a range, erase by value.
    WEEdge* extra[2] = { fake(100), fake(101) };
    list.insert(list.begin() + 2, extra, extra + 2);
    ASSERT_EQ(list.size(), 12u);
    EXPECT_EQ(list[2], fake(100));
    EXPECT_EQ(list[4], fake(3));
    list.erase(list.begin(), list.begin() + 2);
    EXPECT_EQ(list.front(), fake(100));
    list.erase(std::remove(list.begin(), list.end(), fake(101)), list.end());
    ASSERT_EQ(list.size(), 9u);
    EXPECT_EQ(list.back(), fake(10));

    // Reverse walk.
    std::vector<WEEdge*> reversed(list.rbegin(), list.rend());
    EXPECT_EQ(reversed.front(), fake(10));
    EXPECT_EQ(reversed.back(), fake(100));

    // Copy and move of a list on the heap, and assignment back inline.
    EdgeRefList<3> heapCopy(list);
    EdgeRefList<3> moved(std::move(list));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(moved.size(), 9u);
    EXPECT_TRUE(std::equal(moved.begin(), moved.end(), heapCopy.begin()));
    list.push_back(fake(7));
    EXPECT_EQ(list.size(), 1u) << "a moved-from list is usable";
    heapCopy = inlineCopy;
    EXPECT_EQ(heapCopy.size(), 3u);
    EXPECT_EQ(heapCopy[2], fake(3));
    EdgeRefList<3> movedInline(std::move(inlineCopy));
    EXPECT_EQ(movedInline[0], fake(1));
    moved = std::move(movedInline);
    EXPECT_EQ(moved.size(), 3u);
    moved.assign(reversed.begin(), reversed.end());
    EXPECT_EQ(moved.size(), 9u);
    EXPECT_EQ(moved[0], fake(10));
}
