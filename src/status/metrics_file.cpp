#include "status/metrics_file.h"

#include "base/unique_file.h"
#include "status/status_report.h"

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

// The series sits near the top of the file: its head is enough. Regular files only, opened
// without blocking, so that whatever stands at the path cannot hang the run.
std::string head_of(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    const UniqueFile file(::fdopen(fd, "r"));
    struct stat status {};
    if (!file) {
        ::close(fd);
        return {};
    }
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    std::string head(4096, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    return head;
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

int write_metrics_file(const std::string& path, const CardStatus& card, std::time_t now)
{
    std::optional<std::time_t> last_success;
    if (!card.card_found)
        last_success = last_success_in(head_of(path), now);
    return replace_file_atomically(path, status_metrics(card, now, last_success));
}
