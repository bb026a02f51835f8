// Tests of the copy-on-write matrix: its messages, sharing, determinant,
// inverse and product, and the three solves the curvature fit builds from
// them.

#include <gtest/gtest.h>

#include "modify/matrixT.h"
#include "support/DenseReference.h"

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {


matrixT fromRows(const Dense& rows)
{
    matrixT m(rows.size(), rows.empty() ? 0 : rows[0].size());
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t j = 0; j < rows[i].size(); ++j)
            m(i, j) = rows[i][j];
    return m;
}

matrixT randomMatrix(std::mt19937& rng, size_t rows, size_t cols)
{
    std::uniform_real_distribution<double> value(-2.0, 2.0);
    matrixT m(rows, cols);
    for (size_t i = 0; i < rows; ++i)
        for (size_t j = 0; j < cols; ++j)
            m(i, j) = value(rng);
    return m;
}

// Determinant by cofactor expansion along the first row: slow, exact in its
// structure, and shares nothing with elimination.
Dense toDense(const matrixT& m)
{
    Dense d(m.RowNo(), std::vector<double>(m.ColNo()));
    for (size_t i = 0; i < m.RowNo(); ++i)
        for (size_t j = 0; j < m.ColNo(); ++j)
            d[i][j] = m(i, j);
    return d;
}

std::string messageOf(const std::function<void(void)>& action)
{
    try {
        action();
    } catch (const math::matrix_error& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

} // namespace

TEST(MatrixT, EveryMisuseThrowsItsMessage)
{
    matrixT a(2, 3);
    const matrixT& constA = a;
    EXPECT_EQ(messageOf([&] { a(2, 0) = 1.0; }), "matrixT::operator(): Index out of range!") << "row past the end";
    EXPECT_EQ(messageOf([&] { a(0, 3) = 1.0; }), "matrixT::operator(): Index out of range!") << "column past the end";
    EXPECT_EQ(messageOf([&] { (void)constA(5, 5); }), "matrixT::operator(): Index out of range!") << "const access";
    EXPECT_EQ(messageOf([&] { (void)a.Det(); }), "matrixT::Det(): Determinant a non-square matrix!");
    EXPECT_EQ(messageOf([&] { a *= matrixT(2, 2); }),
              "matrixT::operator*= : Inconsistent matrix sizes in multiplication!");
    EXPECT_EQ(messageOf([&] { (void)(a * a); }), "matrixT::operator*= : Inconsistent matrix sizes in multiplication!")
        << "operator* reports through operator*=";
    EXPECT_EQ(messageOf([&] { (void)!a; }), "matrixT::operator!: Inversion of a non-square matrix");
    EXPECT_EQ(messageOf([&] { (void)!fromRows({ { 1, 2 }, { 2, 4 } }); }),
              "matrixT::operator!: Inversion of a singular matrix");
    EXPECT_EQ(messageOf([&] { (void)!matrixT(3, 3); }), "matrixT::operator!: Inversion of a singular matrix")
        << "zero matrix";

    // A failed operation leaves the matrix as it was.
    a(1, 2) = 7.0;
    EXPECT_THROW(a *= matrixT(4, 4), math::matrix_error);
    EXPECT_EQ(a.RowNo(), 2u);
    EXPECT_EQ(a.ColNo(), 3u);
    EXPECT_EQ(a(1, 2), 7.0);
    EXPECT_THROW(a(9, 9) = 1.0, math::matrix_error);
    EXPECT_EQ(a(1, 2), 7.0);

    // The message buffer keeps 255 characters and a terminator.
    const std::string longText(400, 'x');
    EXPECT_EQ(std::string(math::matrix_error(longText.c_str()).what()), longText.substr(0, 255));
    EXPECT_STREQ(math::matrix_error(nullptr).what(), "");
    const std::exception& asStd = math::matrix_error("m");
    EXPECT_STREQ(asStd.what(), "m");
}

TEST(MatrixT, CopiesShareUntilOneIsWritten)
{
    matrixT original(3, 2);
    for (size_t i = 0; i < 3; ++i)
        for (size_t j = 0; j < 2; ++j)
            EXPECT_EQ(original(i, j), 0.0) << "new matrices are zero, element " << i << "," << j;
    original(0, 0) = 1.0;
    original(2, 1) = 5.0;

    matrixT copy = original;
    EXPECT_EQ(original.shareCount(), 2);
    original(0, 0) = 9.0;
    EXPECT_EQ(original.shareCount(), 1) << "writing gave the original its own copy";
    EXPECT_EQ(copy.shareCount(), 1);
    EXPECT_EQ(copy(0, 0), 1.0) << "the copy is unaffected by writing the original";
    EXPECT_EQ(copy(2, 1), 5.0);
    EXPECT_EQ(original(2, 1), 5.0);

    matrixT assigned;
    assigned = copy;
    EXPECT_EQ(copy.shareCount(), 2);
    assigned(2, 1) = -1.0;
    EXPECT_EQ(copy(2, 1), 5.0) << "writing the assigned handle leaves its source alone";
    const matrixT& same = assigned;
    assigned = same;
    EXPECT_EQ(assigned(2, 1), -1.0) << "self-assignment";

    // Reading through a const handle never copies.
    const matrixT reader = copy;
    EXPECT_EQ(reader(2, 1), 5.0);
    EXPECT_EQ(copy.shareCount(), 2);

    // Operations that make new matrices leave a shared operand intact.
    const matrixT square = fromRows({ { 2, 1 }, { 1, 3 } });
    matrixT alias = square;
    (void)!square;
    alias *= square;
    EXPECT_EQ(toDense(square), (Dense{ { 2, 1 }, { 1, 3 } })) << "*= on a shared handle";
    EXPECT_EQ(toDense(alias), (Dense{ { 5, 5 }, { 5, 10 } }));
}

TEST(MatrixT, ResizeKeepsTheOverlapAndZeroFills)
{
    matrixT m = fromRows({ { 1, 2, 3 }, { 4, 5, 6 } });
    matrixT before = m;
    m.resize(3, 2);
    EXPECT_EQ(toDense(m), (Dense{ { 1, 2 }, { 4, 5 }, { 0, 0 } }));
    EXPECT_EQ(toDense(before), (Dense{ { 1, 2, 3 }, { 4, 5, 6 } })) << "resizing a shared matrix";
    m.resize(1, 4);
    EXPECT_EQ(toDense(m), (Dense{ { 1, 2, 0, 0 } }));
    m.resize(0, 0);
    EXPECT_EQ(m.RowNo(), 0u);
    EXPECT_THROW(m(0, 0), math::matrix_error);
    // Beyond the inline storage.
    m.resize(20, 30);
    m(19, 29) = 3.5;
    EXPECT_EQ(m(19, 29), 3.5);
    EXPECT_EQ(m(0, 0), 0.0);
}

TEST(MatrixT, DeterminantOfKnownAndRandomMatrices)
{
    EXPECT_EQ(fromRows({ { 2, 0 }, { 0, 3 } }).Det(), 6.0);
    EXPECT_EQ(fromRows({ { 0, 1 }, { 1, 0 } }).Det(), -1.0) << "one row swap";
    EXPECT_EQ(fromRows({ { 0, 0, 1 }, { 0, 1, 0 }, { 1, 0, 0 } }).Det(), -1.0);
    EXPECT_EQ(fromRows({ { 0, 1, 0 }, { 0, 0, 1 }, { 1, 0, 0 } }).Det(), 1.0) << "a cycle is two swaps";
    EXPECT_EQ(fromRows({ { 1, 2 }, { 2, 4 } }).Det(), 0.0) << "dependent rows";
    EXPECT_EQ(fromRows({ { 1, 2, 3 }, { 0, 0, 0 }, { 4, 5, 6 } }).Det(), 0.0) << "zero row";
    EXPECT_EQ(fromRows({ { 0, 2, 3 }, { 0, 5, 1 }, { 0, 1, 6 } }).Det(), 0.0) << "zero column";
    EXPECT_NEAR(fromRows({ { 2, -3, 1 }, { 2, 0, -1 }, { 1, 4, 5 } }).Det(), 49.0, 1e-12);
    EXPECT_EQ(matrixT(0, 0).Det(), 1.0) << "empty product";

    std::mt19937 rng(20240517);
    for (int trial = 0; trial < 60; ++trial) {
        const size_t n = 1 + size_t(trial % 6);
        const matrixT a = randomMatrix(rng, n, n);
        const double expected = cofactorDeterminant(toDense(a));
        EXPECT_NEAR(a.Det(), expected, 1e-10 * std::max(1.0, std::fabs(expected))) << "trial " << trial << " n " << n;
        EXPECT_NEAR(a.transpose().Det(), expected, 1e-10 * std::max(1.0, std::fabs(expected))) << "trial " << trial;
    }
}

TEST(MatrixT, ProductAndTransposeAgainstTheDefinition)
{
    const matrixT a = fromRows({ { 1, 2, 3 }, { 4, 5, 6 } });
    const matrixT b = fromRows({ { 7, 8 }, { 9, 10 }, { 11, 12 } });
    EXPECT_EQ(toDense(a * b), (Dense{ { 58, 64 }, { 139, 154 } }));
    EXPECT_EQ(toDense(a.transpose()), (Dense{ { 1, 4 }, { 2, 5 }, { 3, 6 } }));
    EXPECT_EQ(toDense(~a), toDense(a.transpose()));
    matrixT c = a;
    c *= b;
    EXPECT_EQ(toDense(c), (Dense{ { 58, 64 }, { 139, 154 } }));
    matrixT self = fromRows({ { 1, 1 }, { 0, 1 } });
    self *= self;
    EXPECT_EQ(toDense(self), (Dense{ { 1, 2 }, { 0, 1 } })) << "multiplying a matrix by itself";

    std::mt19937 rng(77);
    for (int trial = 0; trial < 30; ++trial) {
        const size_t n = 1 + rng() % 7, k = 1 + rng() % 7, m = 1 + rng() % 7;
        const matrixT x = randomMatrix(rng, n, k), y = randomMatrix(rng, k, m);
        const matrixT p = x * y;
        ASSERT_EQ(p.RowNo(), n);
        ASSERT_EQ(p.ColNo(), m);
        for (size_t i = 0; i < n; ++i)
            for (size_t j = 0; j < m; ++j) {
                double sum = 0.0;
                for (size_t l = 0; l < k; ++l)
                    sum += x(i, l) * y(l, j);
                EXPECT_NEAR(p(i, j), sum, 1e-12) << "trial " << trial << " element " << i << "," << j;
            }
    }
}

TEST(MatrixT, InverseOfKnownAndRandomMatrices)
{
    EXPECT_EQ(toDense(!fromRows({ { 2, 0 }, { 0, 4 } })), (Dense{ { 0.5, 0 }, { 0, 0.25 } }));
    EXPECT_EQ(toDense(!fromRows({ { 0, 1 }, { 1, 0 } })), (Dense{ { 0, 1 }, { 1, 0 } })) << "needs a row swap";
    std::mt19937 rng(4242);
    for (int trial = 0; trial < 60; ++trial) {
        const size_t n = 1 + size_t(trial % 8);
        const matrixT a = randomMatrix(rng, n, n);
        if (std::fabs(a.Det()) < 1e-3)
            continue;
        const matrixT left = a * !a, right = !a * a;
        for (size_t i = 0; i < n; ++i)
            for (size_t j = 0; j < n; ++j) {
                EXPECT_NEAR(left(i, j), i == j ? 1.0 : 0.0, 1e-9) << "A A^-1, trial " << trial << " " << i << "," << j;
                EXPECT_NEAR(right(i, j), i == j ? 1.0 : 0.0, 1e-9) << "A^-1 A, trial " << trial << " " << i << "," << j;
            }
        EXPECT_NEAR((!a).Det() * a.Det(), 1.0, 1e-9) << "trial " << trial;
    }
}

// The three systems of the curvature fit: exact, least squares (more rows
// than unknowns) and minimum norm (fewer rows).
TEST(MatrixT, LeastSquaresAndMinimumNormSolves)
{
    std::mt19937 rng(99);
    for (int trial = 0; trial < 20; ++trial) {
        // Over-determined: the residual is orthogonal to A's columns.
        const size_t m = 6 + size_t(trial % 5);
        const matrixT A = randomMatrix(rng, m, 5), B = randomMatrix(rng, m, 3);
        const matrixT At = A.transpose();
        const matrixT X = !(At * A) * (At * B);
        matrixT residual = A * X;
        for (size_t i = 0; i < m; ++i)
            for (size_t j = 0; j < 3; ++j)
                residual(i, j) -= B(i, j);
        const matrixT orthogonality = At * residual;
        for (size_t i = 0; i < 5; ++i)
            for (size_t j = 0; j < 3; ++j)
                EXPECT_NEAR(orthogonality(i, j), 0.0, 1e-9) << "least squares, trial " << trial << " " << i << "," << j;
    }

    for (int trial = 0; trial < 20; ++trial) {
        // Under-determined 4 x 5: A X = B exactly, and X is orthogonal to the
        // null space of A. The null space is one vector, whose entries are the
        // signed 4 x 4 minors of A (the generalized cross product).
        const matrixT A = randomMatrix(rng, 4, 5), B = randomMatrix(rng, 4, 3);
        const matrixT X = A.transpose() * (!(A * A.transpose()) * B);
        const matrixT fitted = A * X;
        for (size_t i = 0; i < 4; ++i)
            for (size_t j = 0; j < 3; ++j)
                EXPECT_NEAR(fitted(i, j), B(i, j), 1e-9) << "minimum norm fits, trial " << trial;
        const Dense a = toDense(A);
        std::vector<double> nullVector(5);
        for (size_t c = 0; c < 5; ++c) {
            Dense minor(4);
            for (size_t r = 0; r < 4; ++r)
                for (size_t k = 0; k < 5; ++k)
                    if (k != c)
                        minor[r].push_back(a[r][k]);
            nullVector[c] = ((c % 2) ? -1.0 : 1.0) * cofactorDeterminant(minor);
        }
        for (size_t r = 0; r < 4; ++r) {
            double product = 0.0;
            for (size_t c = 0; c < 5; ++c)
                product += a[r][c] * nullVector[c];
            ASSERT_NEAR(product, 0.0, 1e-9) << "the test's null vector, trial " << trial;
        }
        for (size_t j = 0; j < 3; ++j) {
            double product = 0.0;
            for (size_t c = 0; c < 5; ++c)
                product += X(c, j) * nullVector[c];
            EXPECT_NEAR(product, 0.0, 1e-9) << "minimum norm, trial " << trial << " column " << j;
        }
    }
}
