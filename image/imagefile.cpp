// Opening image files. A name from a stream is looked up inside the image
// directory and nowhere else: it is walked one component at a time from a
// descriptor of the directory, no component may be "..", and no symbolic
// link is followed, so neither an absolute name, nor "../", nor a link can
// lead out. Only regular files are opened, and the open never blocks, so a
// FIFO or a device named by a stream cannot hold the decoder up.
#include "image/imagefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "image/gdf.h"

namespace naplps {

namespace {

constexpr int OPEN_FILE = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// The descriptor when it is open on a regular file; else it is closed.
int keepRegular(int fd) {
    struct stat st;
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

int image_open_path(const char *path) {
    struct stat st;
    if (path == nullptr || *path == '\0') return -1;
    if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return keepRegular(::open(path, OPEN_FILE));
}

int image_open_in(const char *dir, const char *name) {
    if (dir == nullptr || name == nullptr || name[0] == '\0' || name[0] == '/') return -1;
    char buf[GDF_PATH_MAX + 1];
    size_t len = strnlen(name, sizeof buf);
    if (len > GDF_PATH_MAX) return -1;
    std::memcpy(buf, name, len);
    buf[len] = '\0';

    int cur = ::open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (cur < 0) return -1;
    char *comp = buf;
    for (;;) {
        char *slash = std::strchr(comp, '/');
        if (slash == nullptr) break;
        *slash = '\0';
        if (std::strcmp(comp, "..") == 0) {
            ::close(cur);
            return -1;
        }
        if (comp[0] != '\0' && std::strcmp(comp, ".") != 0) {
            int next = ::openat(cur, comp, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            ::close(cur);
            if (next < 0) return -1;
            cur = next;
        }
        comp = slash + 1;
    }
    int fd = -1;
    struct stat st;
    if (comp[0] != '\0' && std::strcmp(comp, ".") != 0 && std::strcmp(comp, "..") != 0 &&
        ::fstatat(cur, comp, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
        fd = keepRegular(::openat(cur, comp, OPEN_FILE | O_NOFOLLOW));
    ::close(cur);
    return fd;
}

}  // namespace naplps
