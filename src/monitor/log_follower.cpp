#include "monitor/log_follower.h"

#include "base/unique_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr off_t kSmallestBlock = 64 * 1024;
constexpr off_t kLargestBlock = 1024 * 1024;
constexpr std::size_t kTailLength = 400;

// What the last pass that read the file left for the next one.
struct Followed {
    // A regular file was read; anything else is read whole every pass.
    bool known = false;
    dev_t device = 0;
    ino_t inode = 0;
    // Smaller now: the file was cut.
    off_t size = 0;
    // End of the last complete piece handled.
    off_t offset = 0;
    // The bytes just before offset: still there, the file was only appended to.
    char tail[kTailLength] = {};
    std::size_t tail_length = 0;
    // On another date lines already read may be today's; a last-seen time changed by anyone
    // else judges them anew.
    ReadMark mark = {};
};

Followed followed;

bool tail_still_there(int fd)
{
    char bytes[kTailLength];
    const off_t from = followed.offset - static_cast<off_t>(followed.tail_length);
    return pread(fd, bytes, followed.tail_length, from) == static_cast<ssize_t>(followed.tail_length) &&
           std::memcmp(bytes, followed.tail, followed.tail_length) == 0;
}

// The same file, only appended to since, and nothing that makes its handled lines count
// again: the pass may go on from the last position.
bool may_go_on(int fd, const struct stat& st, const char* now)
{
    return followed.known && S_ISREG(st.st_mode) && st.st_dev == followed.device && st.st_ino == followed.inode &&
           st.st_size >= followed.size && read_mark_holds(followed.mark, now) && tail_still_there(fd);
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

// Reads from offset from to the end of the file and returns the end of the last complete
// piece. A read error ends the walk as the end of the file does.
off_t walk(int fd, off_t from, off_t size, const char* now, LogEventSink sink, void* context)
{
    if (from != 0 && lseek(fd, from, SEEK_SET) != from)
        return from;
    const std::size_t block = static_cast<std::size_t>(std::clamp(size - from, kSmallestBlock, kLargestBlock));
    // An unfinished piece is carried to the front of the buffer and is shorter than a piece.
    std::unique_ptr<char[]> buffer(new char[block + kLogPieceLength]);
    std::size_t carried = 0;
    off_t offset = from;
    for (;;) {
        const ssize_t got = read(fd, buffer.get() + carried, block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return offset;
        const std::size_t end = carried + static_cast<std::size_t>(got);
        const std::size_t used = handle_log_pieces(buffer.get(), end, now, sink, context);
        extend_tail(buffer.get(), used);
        carried = end - used;
        std::memmove(buffer.get(), buffer.get() + used, carried);
        offset += static_cast<off_t>(used);
    }
}

void remember_file(const struct stat& st, off_t offset, const char* now)
{
    followed.known = S_ISREG(st.st_mode);
    followed.device = st.st_dev;
    followed.inode = st.st_ino;
    followed.offset = offset;
    followed.size = std::max(st.st_size, offset);
    followed.mark = take_read_mark(now);
}

} // namespace

bool follow_system_log(const char* path, const char* now, LogEventSink sink, void* context)
{
    UniqueFile log(path, "r");
    if (!log)
        return false;
    const int fd = fileno(log.get());
    struct stat st;
    if (fstat(fd, &st) != 0)
        return false;
    if (!may_go_on(fd, st, now)) {
        followed.offset = 0;
        followed.tail_length = 0;
    }
    const off_t offset = walk(fd, followed.offset, st.st_size, now, sink, context);
    remember_file(st, offset, now);
    return true;
}

void forget_log_position() { followed = Followed{}; }

std::int64_t log_read_position() { return followed.offset; }
