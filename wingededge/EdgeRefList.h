#ifndef QUILLMAP_EDGEREFLIST_H
#define QUILLMAP_EDGEREFLIST_H

// The edge references of a vertex or face: a vector that keeps up to N
// entries inside the record and moves to the heap beyond that. Faces are
// mostly triangles and vertices have about six edges, so most records never
// allocate.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

struct WEEdge;

template <size_t N>
class EdgeRefList {
public:
    typedef WEEdge* value_type;
    typedef WEEdge** iterator;
    typedef WEEdge* const* const_iterator;
    typedef std::reverse_iterator<iterator> reverse_iterator;
    typedef std::reverse_iterator<const_iterator> const_reverse_iterator;

    EdgeRefList(void) = default;
    EdgeRefList(const EdgeRefList& other) { assign(other.begin(), other.end()); }
    EdgeRefList(EdgeRefList&& other) noexcept { take(other); }
    EdgeRefList& operator=(const EdgeRefList& other)
    {
        if (this != &other)
            assign(other.begin(), other.end());
        return *this;
    }
    EdgeRefList& operator=(EdgeRefList&& other) noexcept
    {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }
    ~EdgeRefList() { release(); }

    iterator begin(void) { return data; }
    iterator end(void) { return data + count; }
    const_iterator begin(void) const { return data; }
    const_iterator end(void) const { return data + count; }
    reverse_iterator rbegin(void) { return reverse_iterator(end()); }
    reverse_iterator rend(void) { return reverse_iterator(begin()); }
    const_reverse_iterator rbegin(void) const { return const_reverse_iterator(end()); }
    const_reverse_iterator rend(void) const { return const_reverse_iterator(begin()); }

    size_t size(void) const { return count; }
    bool empty(void) const { return count == 0; }
    WEEdge*& operator[](size_t i) { return data[i]; }
    WEEdge* operator[](size_t i) const { return data[i]; }
    WEEdge*& front(void) { return data[0]; }
    WEEdge* front(void) const { return data[0]; }
    WEEdge*& back(void) { return data[count - 1]; }
    WEEdge* back(void) const { return data[count - 1]; }

    void clear(void) { count = 0; }

    void push_back(WEEdge* edge)
    {
        if (count == capacity)
            grow(count + 1);
        data[count++] = edge;
    }

    template <class It>
    void assign(It first, It last)
    {
        count = 0;
        insert(end(), first, last);
    }

    template <class It>
    iterator insert(iterator position, It first, It last)
    {
        const size_t offset = size_t(position - data);
        const size_t added = size_t(std::distance(first, last));
        if (count + added > capacity)
            grow(count + added);
        std::memmove(data + offset + added, data + offset, (count - offset) * sizeof(WEEdge*));
        std::copy(first, last, data + offset);
        count += unsigned(added);
        return data + offset;
    }

    iterator erase(iterator first, iterator last)
    {
        std::memmove(first, last, size_t(end() - last) * sizeof(WEEdge*));
        count -= unsigned(last - first);
        return first;
    }

    iterator erase(iterator position) { return erase(position, position + 1); }

private:
    void grow(size_t needed)
    {
        const size_t larger = std::max(needed, size_t(2) * capacity);
        WEEdge** moved = new WEEdge*[larger];
        std::copy(data, data + count, moved);
        release();
        data = moved;
        capacity = unsigned(larger);
    }

    void release(void)
    {
        if (data != inlineData)
            delete[] data;
        data = inlineData;
        capacity = N;
    }

    void take(EdgeRefList& other)
    {
        count = other.count;
        if (other.data == other.inlineData) {
            std::copy(other.inlineData, other.inlineData + other.count, inlineData);
            data = inlineData;
            capacity = N;
        } else {
            data = other.data;
            capacity = other.capacity;
            other.data = other.inlineData;
            other.capacity = N;
        }
        other.count = 0;
    }

    WEEdge** data = inlineData;
    unsigned count = 0;
    unsigned capacity = N;
    WEEdge* inlineData[N];
};

#endif // QUILLMAP_EDGEREFLIST_H
