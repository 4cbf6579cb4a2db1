#include "settings/settings_file.h"

#include "base/bounded_text.h"
#include "base/unique_file.h"
#include "settings/settings_record.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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
    static std::string directory_of(const std::string& path)
    {
        const std::size_t slash = path.rfind('/');
        return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    }

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

// Where the settings really live: a symbolic link is followed, so that the link stays
// and its target gets the new content.
std::string settings_target()
{
    char* resolved = ::realpath(kSettingsFileName, nullptr);
    if (!resolved)
        return kSettingsFileName;
    std::string target(resolved);
    std::free(resolved);
    return target;
}

// An existing file keeps its permissions; a new one gets owner read and write only.
mode_t mode_for_settings_file(const std::string& target)
{
    struct stat existing;
    if (::stat(target.c_str(), &existing) == 0)
        return existing.st_mode & 07777;
    return S_IRUSR | S_IWUSR;
}

// A settings file its owner has made read-only stays as it is, as an open for writing
// would leave it; the rename alone would not ask the file's permission.
int refuse_read_only(const std::string& target)
{
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0)
        return errno;
    return 0;
}

} // namespace

int write_settings_file()
{
    const std::string target = settings_target();
    if (int error = refuse_read_only(target))
        return error;
    TemporarySettingsFile temporary(target);
    if (!temporary.opened())
        return temporary.error();
    if (::fchmod(temporary.fd(), mode_for_settings_file(target)) != 0)
        return errno;
    if (int error = write_all(temporary.fd(), &option3, sizeof option3))
        return error;
    if (::fsync(temporary.fd()) != 0)
        return errno;
    if (temporary.close_now() != 0)
        return errno;
    if (::rename(temporary.path(), target.c_str()) != 0)
        return errno;
    temporary.mark_renamed();
    return 0;
}
