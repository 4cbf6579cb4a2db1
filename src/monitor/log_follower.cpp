#include "monitor/log_follower.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr off_t kSmallestBlock = 64 * 1024;
constexpr off_t kLargestBlock = 1024 * 1024;
constexpr std::size_t kTailLength = 400;

// Owns a descriptor: closed exactly once.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset()
    {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

// The file followed between passes.
struct Followed {
    std::string path;
    FileDescriptor file;
    dev_t device = 0;
    ino_t inode = 0;
    // End of the last complete piece handled.
    off_t offset = 0;
    // The bytes just before offset: still there, the file was only appended to.
    char tail[kTailLength] = {};
    std::size_t tail_length = 0;
};

Followed followed;

// A descriptor no event program inherits.
FileDescriptor open_log(const char* path) { return FileDescriptor(open(path, O_RDONLY | O_CLOEXEC)); }

bool tail_still_there(int fd, off_t size)
{
    if (size < followed.offset)
        return false;
    char bytes[kTailLength];
    const off_t from = followed.offset - static_cast<off_t>(followed.tail_length);
    return pread(fd, bytes, followed.tail_length, from) == static_cast<ssize_t>(followed.tail_length) &&
           std::memcmp(bytes, followed.tail, followed.tail_length) == 0;
}

// The tail moves on over bytes just handled.
void extend_tail(const char* bytes, std::size_t length)
{
    if (length >= kTailLength) {
        std::memcpy(followed.tail, bytes + length - kTailLength, kTailLength);
        followed.tail_length = kTailLength;
        return;
    }
    const std::size_t kept = std::min(followed.tail_length, kTailLength - length);
    std::memmove(followed.tail, followed.tail + followed.tail_length - kept, kept);
    std::memcpy(followed.tail + kept, bytes, length);
    followed.tail_length = kept + length;
}

void start_at_beginning()
{
    followed.offset = 0;
    followed.tail_length = 0;
}

// Reads the held file from the offset to its end and moves the offset to the end of the
// last complete piece. A read error ends the walk as the end of the file does.
void walk(const char* now, LineRules rules, LogEventSink sink, void* context)
{
    const int fd = followed.file.get();
    struct stat st;
    if (fstat(fd, &st) != 0)
        return;
    if (!tail_still_there(fd, st.st_size))
        start_at_beginning();
    const std::size_t block =
        static_cast<std::size_t>(std::clamp(st.st_size - followed.offset, kSmallestBlock, kLargestBlock));
    // An unfinished piece is carried to the front of the buffer and is shorter than a piece.
    std::unique_ptr<char[]> buffer(new char[block + kLogPieceLength]);
    std::size_t carried = 0;
    for (off_t at = followed.offset;;) {
        const ssize_t got = pread(fd, buffer.get() + carried, block, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        at += got;
        const std::size_t end = carried + static_cast<std::size_t>(got);
        const std::size_t used = handle_log_pieces(buffer.get(), end, now, rules, sink, context);
        extend_tail(buffer.get(), used);
        carried = end - used;
        std::memmove(buffer.get(), buffer.get() + used, carried);
        followed.offset += static_cast<off_t>(used);
    }
}

// Takes the file as the one followed from its start. Anything but a regular file (a
// directory reads as empty) is read whole at every pass and not held.
void hold(FileDescriptor file, const struct stat& st, const char* path)
{
    followed.file = std::move(file);
    followed.path = path;
    followed.device = st.st_dev;
    followed.inode = st.st_ino;
    start_at_beginning();
}

bool is_followed(const struct stat& st) { return st.st_dev == followed.device && st.st_ino == followed.inode; }

bool first_pass(const char* path, const char* now, LogEventSink sink, void* context)
{
    FileDescriptor file = open_log(path);
    struct stat st;
    if (!file || fstat(file.get(), &st) != 0)
        return false;
    hold(std::move(file), st, path);
    walk(now, LineRules::FirstPass, sink, context);
    if (!S_ISREG(st.st_mode))
        forget_log_position();
    return true;
}

} // namespace

bool follow_system_log(const char* path, const char* now, LogEventSink sink, void* context)
{
    if (!followed.file || followed.path != path) {
        forget_log_position();
        return first_pass(path, now, sink, context);
    }
    walk(now, LineRules::Added, sink, context);
    // A path that names no file for the moment keeps the old one followed.
    struct stat st;
    if (stat(path, &st) != 0 || is_followed(st))
        return true;
    FileDescriptor file = open_log(path);
    if (file && fstat(file.get(), &st) == 0 && S_ISREG(st.st_mode)) {
        hold(std::move(file), st, path);
        walk(now, LineRules::Added, sink, context);
    }
    return true;
}

void forget_log_position()
{
    followed.file.reset();
    followed.path.clear();
    start_at_beginning();
}

std::int64_t log_read_position() { return followed.offset; }
