#include "status/metrics_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int write_all(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

std::string directory_of(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

int replace_file_atomically(const std::string& path, const std::string& text)
{
    // A name the collector ignores (it reads *.prom only) while the file is written.
    std::string temporary = directory_of(path) + ".quorvex-metrics.XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        return errno;
    // The collector runs as another user: the file is world-readable like any metrics file.
    int error = fchmod(fd, 0644) != 0 ? errno : write_all(fd, text);
    if (error == 0 && fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && std::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temporary.c_str());
    return error;
}
