#ifndef QUILLMAP_MATRIXT_H
#define QUILLMAP_MATRIXT_H

// A small dense matrix of doubles for the linear algebra of the curvature
// fits: copy-on-write handles to a shared representation whose rows are
// stored behind separate row pointers, so that pivoting swaps rows by
// swapping pointers.
//
// Copying a handle only shares the representation; the first operation that
// writes to a shared representation gives its handle a private copy. The
// fits build a handful of matrices of at most a few dozen elements per
// vertex, so representations of that size keep their elements inline and are
// recycled through a per-thread free list instead of the heap.
//
// Misuse (an index outside the matrix, sizes that do not fit an operation,
// inverting a singular matrix) throws math::matrix_error.

#include <cstddef>
#include <exception>

namespace math {

class matrix_error : public std::exception {
public:
    // Keeps a copy of the message, cut to 255 characters.
    explicit matrix_error(const char* message) noexcept;
    const char* what(void) const noexcept override { return message; }

private:
    char message[256];
};

class matrixT {
public:
    // A rows x cols matrix of zeros.
    explicit matrixT(size_t rows = 0, size_t cols = 0);
    matrixT(const matrixT& other) noexcept;
    matrixT(matrixT&& other) noexcept;
    matrixT& operator=(const matrixT& other) noexcept;
    matrixT& operator=(matrixT&& other) noexcept;
    ~matrixT();

    size_t RowNo(void) const;
    size_t ColNo(void) const;

    // Becomes rows x cols; elements inside both the old and the new size
    // keep their values, the others are zero.
    void resize(size_t rows, size_t cols);

    // Element access with a bounds check. The writing form un-shares first.
    double& operator()(size_t row, size_t col);
    double operator()(size_t row, size_t col) const;

    matrixT transpose(void) const;
    matrixT operator~(void) const { return transpose(); }

    // Matrix product; this matrix's column count must equal other's row count.
    matrixT& operator*=(const matrixT& other);

    // Determinant by Gaussian elimination with partial pivoting (square only).
    double Det(void) const;

    // Inverse by Gauss-Jordan elimination with partial pivoting (square,
    // non-singular only).
    matrixT operator!(void) const;

    // How many handles share this matrix's representation (for tests).
    long shareCount(void) const;

    struct Rep;

private:
    void unshare(void);

    Rep* rep;
};

matrixT operator*(const matrixT& a, const matrixT& b);

} // namespace math

using math::matrixT;

#endif // QUILLMAP_MATRIXT_H
