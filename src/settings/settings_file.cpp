#include "settings/settings_file.h"

#include "base/bounded_text.h"
#include "base/unique_file.h"
#include "settings/settings_record.h"

#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

SettingsRecord option3;

int init_enviorment()
{
    UniqueFile file(kSettingsFileName, "r");
    if (!file) {
        copy_text(option3.hostip, "127.0.0.1");
        option3.syncdisabled = 1;
        return 0;
    }
    // A short file fills only the leading bytes; a longer one is read up to 340 bytes.
    std::size_t got = std::fread(&option3, 1, sizeof option3, file.get());
    option3.transient = 0;
    if (option3.password[0] == '\0')
        option3.usepassword = 0;
    return static_cast<int>(got);
}

namespace {

// Links followed before a chain of them counts as a loop, as the system itself counts.
constexpr int kMaxLinkDepth = 40;
// replace_atomically's answer when the new file could not be given the old one's owner.
constexpr int kOwnerNotKept = -1;

std::string directory_of(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The temporary file: created beside the settings file so that the rename stays on
// one file system, and removed again unless the rename took it over.
class TemporarySettingsFile {
public:
    explicit TemporarySettingsFile(const std::string& beside) : path_(directory_of(beside) + ".quorvex.conf.XXXXXX")
    {
        fd_ = mkstemp(path_.data());
        created_ = fd_ >= 0;
        if (!created_)
            error_ = errno;
    }
    ~TemporarySettingsFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (created_ && !renamed_)
            ::unlink(path_.c_str());
    }
    TemporarySettingsFile(const TemporarySettingsFile&) = delete;
    TemporarySettingsFile& operator=(const TemporarySettingsFile&) = delete;

    int error() const { return error_; }
    int fd() const { return fd_; }
    const char* path() const { return path_.c_str(); }
    bool opened() const { return created_; }

    int close_now()
    {
        int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }
    void mark_renamed() { renamed_ = true; }

private:
    std::string path_;
    int fd_ = -1;
    int error_ = 0;
    bool created_ = false;
    bool renamed_ = false;
};

int write_all(int fd, const void* data, std::size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

// Where the settings really live: symbolic links are followed, also to a target that does
// not exist yet, so that the link stays and its target gets the new content.
int find_settings_target(std::string& target)
{
    target = kSettingsFileName;
    for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
        struct stat entry;
        if (::lstat(target.c_str(), &entry) != 0 || !S_ISLNK(entry.st_mode))
            return 0;
        std::string link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length < 0)
            return errno;
        if (static_cast<std::size_t>(length) == link.size())
            return ENAMETOOLONG;
        link.resize(static_cast<std::size_t>(length));
        target = link[0] == '/' ? link : directory_of(target) + link;
    }
    return ELOOP;
}

// The temporary file takes over the existing file's mode, owner and group; a new file gets
// owner read and write only. When this user cannot give it the old owner and group, the
// old file is written in place instead (kOwnerNotKept): it must not change hands.
int take_over_attributes(int fd, const std::string& target)
{
    struct stat existing;
    if (::stat(target.c_str(), &existing) != 0)
        return ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 ? 0 : errno;
    if (::fchown(fd, existing.st_uid, existing.st_gid) != 0)
        return kOwnerNotKept;
    // After the owner, since changing it may clear the set-id bits.
    return ::fchmod(fd, existing.st_mode & 07777) == 0 ? 0 : errno;
}

// A settings file its owner has made read-only stays as it is, as an open for writing
// would leave it; the rename alone would not ask the file's permission.
int refuse_read_only(const std::string& target)
{
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0)
        return errno;
    return 0;
}

bool has_other_links(const std::string& target)
{
    struct stat existing;
    return ::stat(target.c_str(), &existing) == 0 && existing.st_nlink > 1;
}

// Truncate, write and flush the existing file itself: for a file in a directory this
// user cannot write, and for one with other hard links, which a rename would cut off.
int write_in_place(const std::string& target)
{
    UniqueFile file(target.c_str(), "w");
    if (!file)
        return errno;
    if (std::fwrite(&option3, sizeof option3, 1, file.get()) != 1 || std::fflush(file.get()) != 0)
        return errno ? errno : EIO;
    if (::fsync(::fileno(file.get())) != 0)
        return errno;
    return file.close() ? 0 : (errno ? errno : EIO);
}

int replace_atomically(const std::string& target, const TemporarySettingsFile& temporary)
{
    if (int error = take_over_attributes(temporary.fd(), target))
        return error;
    if (int error = write_all(temporary.fd(), &option3, sizeof option3))
        return error;
    if (::fsync(temporary.fd()) != 0)
        return errno;
    return 0;
}

} // namespace

int write_settings_file()
{
    std::string target;
    if (int error = find_settings_target(target))
        return error;
    if (int error = refuse_read_only(target))
        return error;
    if (has_other_links(target))
        return write_in_place(target);
    TemporarySettingsFile temporary(target);
    if (!temporary.opened()) {
        // The directory refuses a new file; an existing writable one is still written.
        if (::access(target.c_str(), W_OK) == 0)
            return write_in_place(target);
        return temporary.error();
    }
    if (int error = replace_atomically(target, temporary))
        return error == kOwnerNotKept ? write_in_place(target) : error;
    if (temporary.close_now() != 0)
        return errno;
    if (::rename(temporary.path(), target.c_str()) != 0)
        return errno;
    temporary.mark_renamed();
    return 0;
}
