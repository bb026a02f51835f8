// Growable byte buffer for PDF content and the finished file.

#include "output/PdfMemoryStream.h"

#include <cstdlib>
#include <cstring>
#include <utility>

PdfMemoryStream::PdfMemoryStream()
    : magic_(MAGIC), buffer_(static_cast<char*>(std::malloc(INITIAL_CAPACITY))), size_(0),
      capacity_(buffer_ ? INITIAL_CAPACITY : 0)
{
    if (buffer_)
        buffer_[0] = '\0';
}

PdfMemoryStream::~PdfMemoryStream()
{
    release();
}

PdfMemoryStream::PdfMemoryStream(PdfMemoryStream&& other) noexcept
    : magic_(other.magic_), buffer_(other.buffer_), size_(other.size_), capacity_(other.capacity_)
{
    other.magic_ = 0;
    other.buffer_ = nullptr;
    other.size_ = other.capacity_ = 0;
}

PdfMemoryStream& PdfMemoryStream::operator=(PdfMemoryStream&& other) noexcept
{
    if (this != &other) {
        release();
        std::swap(magic_, other.magic_);
        std::swap(buffer_, other.buffer_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }
    return *this;
}

bool PdfMemoryStream::isValid() const
{
    return magic_ == MAGIC && buffer_ != nullptr;
}

// Room for `needed` bytes of data plus the trailing zero.
bool PdfMemoryStream::reserve(size_t needed)
{
    if (needed < capacity_)
        return true;
    size_t grown = capacity_;
    while (grown <= needed) {
        size_t next = grown <= 0xffff ? grown * 2 : grown + 0x10000;
        if (next <= grown)
            return false; // overflow
        grown = next;
    }
    char* bigger = static_cast<char*>(std::realloc(buffer_, grown));
    if (!bigger)
        return false;
    buffer_ = bigger;
    capacity_ = grown;
    return true;
}

bool PdfMemoryStream::append(const char* bytes, size_t count)
{
    if (!isValid() || size_ + count < size_ || !reserve(size_ + count))
        return false;
    std::memcpy(buffer_ + size_, bytes, count);
    size_ += count;
    buffer_[size_] = '\0';
    return true;
}

bool PdfMemoryStream::append(const char* text)
{
    return append(text, std::strlen(text));
}

void PdfMemoryStream::clear()
{
    size_ = 0;
    if (buffer_)
        buffer_[0] = '\0';
}

void PdfMemoryStream::release()
{
    std::free(buffer_);
    buffer_ = nullptr;
    size_ = capacity_ = 0;
    magic_ = 0;
}
