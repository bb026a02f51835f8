#ifndef QUILLMAP_H
#define QUILLMAP_H

// Registration of the Quillmap node library with Open Inventor, and reading
// model files.

class SoSeparator;

namespace Quillmap {

// Initialises Coin if that has not happened yet, then runs the class
// initialisation of every library node and element class whose type is still
// unregistered. Calling it again is harmless.
void init(void);

// Reads a model file. Inventor and VRML files go through SoDB::readAll;
// any other file goes through Assimp (OBJ, PLY, STL, OFF, glTF, 3DS,
// COLLADA and every other format it reads) and becomes a subgraph of
// nested separators, one per node of the file with its transformation,
// in which each mesh's triangles are an SoIndexedTriangleStripSet whose
// corners at the same position share a coordinate index. Returns a new
// separator with reference count 0, or null after printing the reason on
// one line of standard error, naming the file.
SoSeparator* readModel(const char* path);

} // namespace Quillmap

#endif // QUILLMAP_H
