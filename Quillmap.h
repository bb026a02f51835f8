#ifndef QUILLMAP_H
#define QUILLMAP_H

// Registration of the Quillmap node library with Open Inventor.

namespace Quillmap {

// Initialises Coin if that has not happened yet, then runs the class
// initialisation of every library node and element class whose type is still
// unregistered. Calling it again is harmless.
void init(void);

} // namespace Quillmap

#endif // QUILLMAP_H
