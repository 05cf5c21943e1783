// Preloaded into the ENOSPC test: writes to new files in one folder run out of space, and their
// sync can fail, as on a full or failing disk. Every other file is left alone. Set through the
// environment, read on every call so that a test can change it between saves:
//   MUREL_SHIM_DIR     the folder; files other than MUREL_SHIM_KEEP in it are affected
//   MUREL_SHIM_KEEP    the name of the one file there that is never affected
//   MUREL_SHIM_BUDGET  bytes that may still be written to affected files; then ENOSPC (-1: none)
//   MUREL_SHIM_SYNC    an errno for fsync and fdatasync of affected files (0 or unset: none)
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" {
// The test looks for this to know that the shim is loaded.
__attribute__((visibility("default"))) int murel_enospc_shim = 1;
}

namespace {

long long g_written = 0; // bytes written to affected files since the budget last changed
std::string g_budget;

bool Affected(int fd)
{
    const char *dir = std::getenv("MUREL_SHIM_DIR");
    if (!dir || !*dir)
        return false;
    char path[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), path, sizeof path - 1);
    if (n <= 0)
        return false;
    path[n] = '\0';
    const std::string folder = std::string(dir) + "/";
    if (std::strncmp(path, folder.c_str(), folder.size()) != 0)
        return false;
    const char *keep = std::getenv("MUREL_SHIM_KEEP");
    return !keep || std::strcmp(path + folder.size(), keep) != 0;
}

int SyncFailure(int fd)
{
    const char *sync = std::getenv("MUREL_SHIM_SYNC");
    return sync && std::atoi(sync) != 0 && Affected(fd) ? std::atoi(sync) : 0;
}

template<typename F> F Next(const char *name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) ssize_t write(int fd, const void *data, size_t size)
{
    static auto real = Next<ssize_t (*)(int, const void *, size_t)>("write");
    const char *budget = std::getenv("MUREL_SHIM_BUDGET");
    if (!budget)
        budget = "-1";
    if (g_budget != budget) {
        g_budget = budget;
        g_written = 0;
    }
    if (std::atoll(budget) < 0 || !Affected(fd))
        return real(fd, data, size);
    const long long left = std::atoll(budget) - g_written;
    if (left <= 0) {
        errno = ENOSPC;
        return -1;
    }
    const ssize_t n = real(fd, data, size < size_t(left) ? size : size_t(left));
    if (n > 0)
        g_written += n;
    return n;
}

__attribute__((visibility("default"))) int fdatasync(int fd)
{
    static auto real = Next<int (*)(int)>("fdatasync");
    if (const int failure = SyncFailure(fd)) {
        errno = failure;
        return -1;
    }
    return real(fd);
}

__attribute__((visibility("default"))) int fsync(int fd)
{
    static auto real = Next<int (*)(int)>("fsync");
    if (const int failure = SyncFailure(fd)) {
        errno = failure;
        return -1;
    }
    return real(fd);
}
}
