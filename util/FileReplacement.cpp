#include "util/FileReplacement.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

std::string replaceFile(const std::string& path, const std::function<bool(std::FILE*)>& write)
{
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(&temporary[0]);
    if (fd < 0)
        return std::string("cannot be created: ") + std::strerror(errno);
    // The permissions a newly created file gets, not mkstemp's private ones.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        const std::string why = std::strerror(errno);
        close(fd);
        unlink(temporary.c_str());
        return "cannot be created: " + why;
    }
    errno = 0;
    const bool written = write(file);
    const int writeErrno = errno;
    if (std::fclose(file) != 0 || !written) {
        const std::string why = std::strerror(written ? errno : writeErrno);
        unlink(temporary.c_str());
        return "could not be written: " + why;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        unlink(temporary.c_str());
        return "cannot be replaced: " + why;
    }
    return std::string();
}
