#ifndef QUILLMAP_PDFMEMORYSTREAM_H
#define QUILLMAP_PDFMEMORYSTREAM_H

// A growable byte buffer that the PDF writer collects page content and the
// finished file in. It starts at 256 bytes, doubles while it is at most
// 0xffff bytes and grows by 0x10000 bytes beyond that, and always keeps a
// zero byte after the data so that it can be read as text.

#include <cstddef>
#include <cstdint>

class PdfMemoryStream {
public:
    // Tag of a live stream; anything else in the tag means the stream was
    // damaged (or already released) and must not be written to.
    static const uint32_t MAGIC = 0xa5b5cafe;
    static const size_t INITIAL_CAPACITY = 256;

    PdfMemoryStream();
    ~PdfMemoryStream();
    PdfMemoryStream(PdfMemoryStream&& other) noexcept;
    PdfMemoryStream& operator=(PdfMemoryStream&& other) noexcept;
    PdfMemoryStream(const PdfMemoryStream&) = delete;
    PdfMemoryStream& operator=(const PdfMemoryStream&) = delete;

    // Appends the bytes. Returns false, leaving the data as it was, when the
    // stream is damaged or memory runs out.
    bool append(const char* bytes, size_t count);
    bool append(const char* text);

    // Whether the tag is intact and the buffer allocated.
    bool isValid() const;

    // The data, followed by a zero byte that is not counted in size().
    const char* data() const { return buffer_; }
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }

    // Empties the stream, keeping its buffer.
    void clear();
    // Releases the buffer; the stream is unusable afterwards.
    void release();

private:
    bool reserve(size_t needed);

    uint32_t magic_;
    char* buffer_;
    size_t size_;
    size_t capacity_;
};

#endif // QUILLMAP_PDFMEMORYSTREAM_H
