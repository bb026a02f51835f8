#ifndef QUILLMAP_TESTS_REALMODELS_H
#define QUILLMAP_TESTS_REALMODELS_H

// Where the real models of the Inventor data set are, and which there are.

#include <string>
#include <vector>

// $QUILLMAP_MODELS (ctest sets it); unset, where the inventor-data package
// puts the models.
std::string realModelsDirectory(void);

// Paths of the *.iv files below realModelsDirectory(), relative to it and
// sorted; empty when the directory does not exist.
std::vector<std::string> discoverRealModels(void);

#endif // QUILLMAP_TESTS_REALMODELS_H
