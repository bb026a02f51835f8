// NOT WRITTEN YET: CGAL Doo-Sabin reference for the tests.
