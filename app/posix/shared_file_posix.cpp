// Appending on Linux: O_APPEND, an exclusive flock while the file is checked
// and written.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "app/shared_file.h"

bool appendShared(const char* pathUtf8, std::string_view header, std::string_view rows, int* error)
{
    const int fd = open(pathUtf8, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = errno;
        return false;
    }
    int locked;
    do
        locked = flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    struct stat status {};
    std::string bytes;
    if (locked == 0 && fstat(fd, &status) == 0 && status.st_size == 0)
        bytes = header;
    bytes += rows;
    ssize_t written;
    do
        written = write(fd, bytes.data(), bytes.size());
    while (written < 0 && errno == EINTR);
    *error = written < 0 ? errno : ENOSPC;  // a short write: the disk is full
    const bool whole = written == static_cast<ssize_t>(bytes.size());
    // close() reports what a delayed write found (NFS, a full disk).
    if (close(fd) != 0 && whole) {
        *error = errno;
        return false;
    }
    return whole;
}
