#ifndef QUILLMAP_RECORDPOOL_H
#define QUILLMAP_RECORDPOOL_H

// Storage for the nodes of the mesh record lists. Nodes of one size come out
// of large blocks, so building a mesh does not pay one heap allocation per
// record and walking a freshly built list touches memory in order. A node
// keeps its address until it is freed, as list handles require.
//
// One pool serves each node size for the whole process (sizes are shared
// across the library and its users, so a record may be freed by other code
// than the one that made it). When a pool's last node is freed, its blocks
// go back to the system. Not thread-safe: meshes live on one thread.

#include <cstddef>
#include <new>
#include <utility>
#include <vector>

class RecordPool {
public:
    // The pool for nodes of the given size (rounded up to pointer size).
    static RecordPool& forSize(size_t nodeSize);

    void* allocate(void)
    {
        ++live;
        if (freeList != nullptr) {
            FreeNode* node = freeList;
            freeList = node->next;
            return node;
        }
        if (size_t(readyEnd - cursor) < nodeSize)
            extend();
        void* node = cursor;
        cursor += nodeSize;
        return node;
    }

    void deallocate(void* node)
    {
        FreeNode* freed = static_cast<FreeNode*>(node);
        freed->next = freeList;
        freeList = freed;
        if (--live == 0)
            releaseBlocks();
    }

    size_t liveNodes(void) const { return live; }
    size_t blockCount(void) const { return blocks.size(); }
    // Bytes held in blocks by all pools together.
    static size_t totalBlockBytes(void);

private:
    explicit RecordPool(size_t nodeSize);
    // Makes room for at least one node at the cursor.
    void extend(void);
    void releaseBlocks(void);

    struct FreeNode {
        FreeNode* next;
    };
    size_t nodeSize;
    size_t nextBlockNodes;
    size_t live = 0;
    FreeNode* freeList = nullptr;
    char* cursor = nullptr;
    char* blockEnd = nullptr;
    char* readyEnd = nullptr; // pages up to here are present
    std::vector<std::pair<char*, size_t>> blocks; // start and size in bytes
};

// Standard allocator over the record pools, for std::list of mesh records.
// All instances are interchangeable, so lists can splice into each other.
// Sanitizer builds allocate every node on its own, so that use of a freed
// record is caught.
template <class T>
class RecordAllocator {
public:
    typedef T value_type;

    RecordAllocator(void) noexcept = default;
    template <class U>
    RecordAllocator(const RecordAllocator<U>&) noexcept
    {
    }

    T* allocate(size_t n)
    {
#ifndef QUILLMAP_SANITIZE
        if (n == 1)
            return static_cast<T*>(pool().allocate());
#endif
        return static_cast<T*>(::operator new(n * sizeof(T)));
    }

    void deallocate(T* p, size_t n) noexcept
    {
#ifndef QUILLMAP_SANITIZE
        if (n == 1) {
            pool().deallocate(p);
            return;
        }
#else
        (void)n;
#endif
        ::operator delete(p);
    }

    template <class U>
    bool operator==(const RecordAllocator<U>&) const noexcept
    {
        return true;
    }
    template <class U>
    bool operator!=(const RecordAllocator<U>&) const noexcept
    {
        return false;
    }

private:
    static RecordPool& pool(void)
    {
        static_assert(alignof(T) <= alignof(std::max_align_t), "record nodes need at most malloc alignment");
        static RecordPool& shared = RecordPool::forSize((sizeof(T) + alignof(T) - 1) / alignof(T) * alignof(T));
        return shared;
    }
};

#endif // QUILLMAP_RECORDPOOL_H
