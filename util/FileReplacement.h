#ifndef QUILLMAP_FILEREPLACEMENT_H
#define QUILLMAP_FILEREPLACEMENT_H

// Writing a file so that a failed write never costs the user the file that
// was there before: the new contents go to a temporary file beside the
// target, which is renamed into place only once it is complete.

#include <cstdio>
#include <functional>
#include <string>

// Calls `write` with the temporary file open for writing; `write` returns
// false when it could not write everything. Returns an empty string when
// the file is in place, otherwise why not, beginning with what failed
// ("cannot be created: ", "could not be written: " or "cannot be
// replaced: ") and followed by the system's reason. The temporary file never
// stays behind. A symbolic link at `path` is replaced, not written through.
std::string replaceFile(const std::string& path, const std::function<bool(std::FILE*)>& write);

#endif // QUILLMAP_FILEREPLACEMENT_H
