// The copy-on-write dense matrix used by the curvature fits, with its
// determinant, inversion and product.

#include "modify/matrixT.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace math {

matrix_error::matrix_error(const char* text) noexcept
{
    const size_t length = text != nullptr ? std::min(std::strlen(text), sizeof message - 1) : 0;
    if (length > 0)
        std::memcpy(message, text, length);
    message[length] = '\0';
}

// The shared representation: row pointers into one element block. Small
// matrices (those of a curvature fit) keep both arrays inline, so a
// representation taken from the free list costs no allocation at all.
struct matrixT::Rep {
    enum { INLINE_ELEMENTS = 64, INLINE_ROWS = 16 };

    double** row;
    size_t rows;
    size_t cols;
    long refs;
    double* elements;
    Rep* nextFree;
    double* inlineRows[INLINE_ROWS];
    double inlineElements[INLINE_ELEMENTS];
};

namespace {

typedef matrixT::Rep Rep;

// Representations whose handles are gone wait here for the next matrix of
// this thread. The list is bounded; the thread's end frees it.
const int FREE_LIST_LIMIT = 32;
thread_local Rep* freeReps = nullptr;
thread_local int freeRepCount = 0;
thread_local bool freeListClosed = false;

struct FreeListCloser {
    ~FreeListCloser()
    {
        while (freeReps != nullptr) {
            Rep* next = freeReps->nextFree;
            delete freeReps;
            freeReps = next;
        }
        freeRepCount = 0;
        freeListClosed = true;
    }
};
thread_local FreeListCloser freeListCloser;

// A representation of rows x cols with every element set to zero when
// `zero` is true (otherwise the caller fills every element).
Rep* acquire(size_t rows, size_t cols, bool zero = true)
{
    if (cols != 0 && rows > SIZE_MAX / sizeof(double) / cols)
        throw std::bad_alloc();
    Rep* rep = freeReps;
    if (rep != nullptr) {
        freeReps = rep->nextFree;
        --freeRepCount;
    } else {
        rep = new Rep;
    }
    const size_t count = rows * cols;
    rep->rows = rows;
    rep->cols = cols;
    rep->refs = 1;
    rep->nextFree = nullptr;
    rep->elements = count <= size_t(Rep::INLINE_ELEMENTS) ? rep->inlineElements : nullptr;
    rep->row = rows <= size_t(Rep::INLINE_ROWS) ? rep->inlineRows : nullptr;
    try {
        if (rep->elements == nullptr)
            rep->elements = new double[count];
        if (rep->row == nullptr)
            rep->row = new double*[rows];
    } catch (...) {
        if (rep->elements != rep->inlineElements)
            delete[] rep->elements;
        delete rep;
        throw;
    }
    for (size_t i = 0; i < rows; ++i)
        rep->row[i] = rep->elements + i * cols;
    if (zero && count > 0)
        std::memset(rep->elements, 0, count * sizeof(double));
    return rep;
}

void release(Rep* rep) noexcept
{
    if (--rep->refs > 0)
        return;
    if (rep->elements != rep->inlineElements)
        delete[] rep->elements;
    if (rep->row != rep->inlineRows)
        delete[] rep->row;
    if (freeListClosed || freeRepCount >= FREE_LIST_LIMIT) {
        delete rep;
        return;
    }
    (void)&freeListCloser; // makes sure the thread's end drains the list
    rep->nextFree = freeReps;
    freeReps = rep;
    ++freeRepCount;
}

// The row among first..n-1 whose entry in column c has the largest absolute
// value, or n when every one of them is zero.
size_t pivotRow(double* const* a, size_t first, size_t n, size_t c)
{
    size_t best = n;
    double largest = 0.0;
    for (size_t r = first; r < n; ++r) {
        const double magnitude = std::fabs(a[r][c]);
        if (magnitude > largest) {
            largest = magnitude;
            best = r;
        }
    }
    return best;
}

const char* const INDEX_MESSAGE = "matrixT::operator(): Index out of range!";

} // namespace

matrixT::matrixT(size_t rows, size_t cols)
    : rep(acquire(rows, cols))
{
}

matrixT::matrixT(const matrixT& other) noexcept
    : rep(other.rep)
{
    ++rep->refs;
}

// A moved-from handle must stay usable, and making it a fresh empty matrix
// could fail; sharing costs one count instead.
matrixT::matrixT(matrixT&& other) noexcept
    : rep(other.rep)
{
    ++rep->refs;
}

matrixT& matrixT::operator=(const matrixT& other) noexcept
{
    ++other.rep->refs;
    release(rep);
    rep = other.rep;
    return *this;
}

matrixT& matrixT::operator=(matrixT&& other) noexcept
{
    std::swap(rep, other.rep);
    return *this;
}

matrixT::~matrixT()
{
    release(rep);
}

size_t matrixT::RowNo(void) const
{
    return rep->rows;
}

size_t matrixT::ColNo(void) const
{
    return rep->cols;
}

long matrixT::shareCount(void) const
{
    return rep->refs;
}

void matrixT::unshare(void)
{
    if (rep->refs == 1)
        return;
    Rep* copy = acquire(rep->rows, rep->cols, false);
    for (size_t i = 0; i < rep->rows; ++i)
        std::memcpy(copy->row[i], rep->row[i], rep->cols * sizeof(double));
    release(rep);
    rep = copy;
}

void matrixT::resize(size_t rows, size_t cols)
{
    if (rows == rep->rows && cols == rep->cols)
        return;
    Rep* resized = acquire(rows, cols);
    const size_t keepRows = std::min(rows, rep->rows), keepCols = std::min(cols, rep->cols);
    for (size_t i = 0; i < keepRows; ++i)
        std::memcpy(resized->row[i], rep->row[i], keepCols * sizeof(double));
    release(rep);
    rep = resized;
}

double& matrixT::operator()(size_t row, size_t col)
{
    if (row >= rep->rows || col >= rep->cols)
        throw matrix_error(INDEX_MESSAGE);
    unshare();
    return rep->row[row][col];
}

double matrixT::operator()(size_t row, size_t col) const
{
    if (row >= rep->rows || col >= rep->cols)
        throw matrix_error(INDEX_MESSAGE);
    return rep->row[row][col];
}

matrixT matrixT::transpose(void) const
{
    matrixT result;
    release(result.rep);
    result.rep = acquire(rep->cols, rep->rows, false);
    for (size_t i = 0; i < rep->rows; ++i)
        for (size_t j = 0; j < rep->cols; ++j)
            result.rep->row[j][i] = rep->row[i][j];
    return result;
}

matrixT& matrixT::operator*=(const matrixT& other)
{
    if (rep->cols != other.rep->rows)
        throw matrix_error("matrixT::operator*= : Inconsistent matrix sizes in multiplication!");
    const size_t n = rep->rows, inner = rep->cols, m = other.rep->cols;
    matrixT product(n, m);
    double* const* a = rep->row;
    double* const* b = other.rep->row;
    double* const* p = product.rep->row;
    for (size_t i = 0; i < n; ++i) {
        for (size_t k = 0; k < inner; ++k) {
            const double aik = a[i][k];
            for (size_t j = 0; j < m; ++j)
                p[i][j] += aik * b[k][j];
        }
    }
    std::swap(rep, product.rep);
    return *this;
}

matrixT operator*(const matrixT& a, const matrixT& b)
{
    matrixT product(a);
    product *= b;
    return product;
}

// Elimination below each pivot; the pivots' product, with one sign change
// per row swap, is the determinant. A column with no non-zero pivot left
// means a singular matrix.
double matrixT::Det(void) const
{
    if (rep->rows != rep->cols)
        throw matrix_error("matrixT::Det(): Determinant a non-square matrix!");
    matrixT work(*this);
    work.unshare();
    double** a = work.rep->row;
    const size_t n = work.rep->rows;
    double det = 1.0;
    for (size_t c = 0; c < n; ++c) {
        const size_t p = pivotRow(a, c, n, c);
        if (p == n)
            return 0.0;
        if (p != c) {
            std::swap(a[p], a[c]);
            det = -det;
        }
        const double pivot = a[c][c];
        det *= pivot;
        for (size_t r = c + 1; r < n; ++r) {
            const double factor = a[r][c] / pivot;
            if (factor == 0.0)
                continue;
            for (size_t k = c + 1; k < n; ++k)
                a[r][k] -= factor * a[c][k];
        }
    }
    return det;
}

// Gauss-Jordan: the row operations that reduce a private copy of the matrix
// to the identity turn an identity into the inverse.
matrixT matrixT::operator!(void) const
{
    if (rep->rows != rep->cols)
        throw matrix_error("matrixT::operator!: Inversion of a non-square matrix");
    const size_t n = rep->rows;
    matrixT work(*this);
    work.unshare();
    matrixT inverse(n, n);
    double** a = work.rep->row;
    double** x = inverse.rep->row;
    for (size_t i = 0; i < n; ++i)
        x[i][i] = 1.0;
    for (size_t c = 0; c < n; ++c) {
        const size_t p = pivotRow(a, c, n, c);
        if (p == n)
            throw matrix_error("matrixT::operator!: Inversion of a singular matrix");
        std::swap(a[p], a[c]);
        std::swap(x[p], x[c]);
        const double scale = 1.0 / a[c][c];
        for (size_t k = c; k < n; ++k)
            a[c][k] *= scale;
        for (size_t k = 0; k < n; ++k)
            x[c][k] *= scale;
        for (size_t r = 0; r < n; ++r) {
            const double factor = a[r][c];
            if (r == c || factor == 0.0)
                continue;
            for (size_t k = c; k < n; ++k)
                a[r][k] -= factor * a[c][k];
            for (size_t k = 0; k < n; ++k)
                x[r][k] -= factor * x[c][k];
        }
    }
    return inverse;
}

} // namespace math
