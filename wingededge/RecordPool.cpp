// Block storage for the nodes of the mesh record lists.

#include "wingededge/RecordPool.h"

#include <algorithm>
#include <map>

#include <sys/mman.h>

namespace {

const size_t kFirstBlockNodes = 256;
const size_t kLargestBlockBytes = size_t(8) << 20;

// Blocks are mapped directly and their pages made present one window at a
// time, ahead of use: filling a large mesh then costs one kernel call per
// window instead of a page fault per 4 KiB, and at most one window of a pool
// is resident without being used.
const size_t kPopulateWindowBytes = size_t(256) << 10;

char* newBlock(size_t bytes)
{
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return block == MAP_FAILED ? nullptr : static_cast<char*>(block);
}

// Pools are never destroyed: lists in static storage may free nodes during
// program exit.
std::map<size_t, RecordPool*>& pools(void)
{
    static std::map<size_t, RecordPool*>* all = new std::map<size_t, RecordPool*>;
    return *all;
}

} // namespace

RecordPool& RecordPool::forSize(size_t nodeSize)
{
    const size_t rounded = (nodeSize + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
                           alignof(std::max_align_t);
    RecordPool*& pool = pools()[rounded];
    if (pool == nullptr)
        pool = new RecordPool(rounded);
    return *pool;
}

RecordPool::RecordPool(size_t size) : nodeSize(size), nextBlockNodes(kFirstBlockNodes)
{
}

size_t RecordPool::totalBlockBytes(void)
{
    size_t total = 0;
    for (const auto& entry : pools())
        for (const auto& block : entry.second->blocks)
            total += block.second;
    return total;
}

void RecordPool::extend(void)
{
    if (cursor == blockEnd) {
        const size_t bytes = nextBlockNodes * nodeSize;
        char* block = newBlock(bytes);
        if (block == nullptr)
            throw std::bad_alloc();
        blocks.emplace_back(block, bytes);
        cursor = block;
        blockEnd = block + bytes;
        readyEnd = block;
        // Growing by half keeps the unused end of the last block below a
        // third of the pool.
        nextBlockNodes = std::min(nextBlockNodes + nextBlockNodes / 2, kLargestBlockBytes / nodeSize);
    }
    if (size_t(readyEnd - cursor) < nodeSize) {
        // The window starts at a page boundary at or before the cursor.
        const size_t page = 4096;
        char* start = blocks.back().first + size_t(cursor - blocks.back().first) / page * page;
        char* end = start + kPopulateWindowBytes < blockEnd ? start + kPopulateWindowBytes : blockEnd;
#ifdef MADV_POPULATE_WRITE
        // Older kernels refuse; the pages then arrive by fault as usual.
        madvise(start, size_t(end - start), MADV_POPULATE_WRITE);
#endif
        readyEnd = end;
    }
}

void RecordPool::releaseBlocks(void)
{
    for (const auto& block : blocks)
        munmap(block.first, block.second);
    blocks.clear();
    freeList = nullptr;
    cursor = blockEnd = readyEnd = nullptr;
    nextBlockNodes = kFirstBlockNodes;
}
