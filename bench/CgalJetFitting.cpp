// CGAL's jet fitting (Cazals and Pouget, "Estimating differential quantities
// using polynomial fitting of osculating jets", SGP 2003) for the curvature
// benchmark.

#include "CgalJetFitting.h"

#include <CGAL/Monge_via_jet_fitting.h>
#include <CGAL/Simple_cartesian.h>

#include <vector>

namespace {

typedef CGAL::Simple_cartesian<double> Kernel;
typedef CGAL::Monge_via_jet_fitting<Kernel> Fitting;

} // namespace

bool jetPrincipalCurvatures(const double* xyz, size_t count, const double normal[3], double& kmax, double& kmin)
{
    const size_t degree = 2;
    if (count < (degree + 1) * (degree + 2) / 2)
        return false;
    // Reused between calls, as a caller walking a mesh would.
    static thread_local std::vector<Kernel::Point_3> points;
    points.clear();
    for (size_t i = 0; i < count; ++i)
        points.emplace_back(xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2]);
    Fitting fitting;
    Fitting::Monge_form form = fitting(points.begin(), points.end(), degree, degree);
    form.comply_wrt_given_normal(Kernel::Vector_3(normal[0], normal[1], normal[2]));
    // CGAL's Monge form z = (k1 x² + k2 y²) / 2 along the normal, k1 >= k2:
    // a surface bending away from its normal has negative k.
    kmax = -form.principal_curvatures(1);
    kmin = -form.principal_curvatures(0);
    return true;
}
