#ifndef QUILLMAP_TESTS_DENSEREFERENCE_H
#define QUILLMAP_TESTS_DENSEREFERENCE_H

// Plain dense matrices for checking linear algebra in tests, computed in the
// slowest obvious way so that they share nothing with elimination code.

#include <cstddef>
#include <vector>

typedef std::vector<std::vector<double>> Dense;

// Determinant by cofactor expansion along the first row; 1 for 0 x 0.
inline double cofactorDeterminant(const Dense& a)
{
    const size_t n = a.size();
    if (n == 0)
        return 1.0;
    if (n == 1)
        return a[0][0];
    double sum = 0.0;
    for (size_t c = 0; c < n; ++c) {
        Dense minor;
        for (size_t r = 1; r < n; ++r) {
            std::vector<double> row;
            for (size_t k = 0; k < n; ++k)
                if (k != c)
                    row.push_back(a[r][k]);
            minor.push_back(row);
        }
        sum += ((c % 2) ? -1.0 : 1.0) * a[0][c] * cofactorDeterminant(minor);
    }
    return sum;
}

#endif // QUILLMAP_TESTS_DENSEREFERENCE_H
