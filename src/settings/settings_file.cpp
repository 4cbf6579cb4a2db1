#include "settings/settings_file.h"

#include "base/bounded_text.h"
#include "base/unique_file.h"
#include "settings/settings_record.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    TemporarySettingsFile()
    {
        fd_ = mkstemp(path_);
        created_ = fd_ >= 0;
        if (!created_)
            error_ = errno;
    }
    ~TemporarySettingsFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (created_ && !renamed_)
            ::unlink(path_);
    }
    TemporarySettingsFile(const TemporarySettingsFile&) = delete;
    TemporarySettingsFile& operator=(const TemporarySettingsFile&) = delete;

    int error() const { return error_; }
    int fd() const { return fd_; }
    const char* path() const { return path_; }
    bool opened() const { return created_; }

    int close_now()
    {
        int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }
    void mark_renamed() { renamed_ = true; }

private:
    char path_[32] = ".quorvex.conf.XXXXXX";
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

// An existing file keeps its permissions; a new one gets owner read and write only.
mode_t mode_for_settings_file()
{
    struct stat existing;
    if (::stat(kSettingsFileName, &existing) == 0)
        return existing.st_mode & 07777;
    return S_IRUSR | S_IWUSR;
}

} // namespace

int write_settings_file()
{
    TemporarySettingsFile temporary;
    if (!temporary.opened())
        return temporary.error();
    if (::fchmod(temporary.fd(), mode_for_settings_file()) != 0)
        return errno;
    if (int error = write_all(temporary.fd(), &option3, sizeof option3))
        return error;
    if (::fsync(temporary.fd()) != 0)
        return errno;
    if (temporary.close_now() != 0)
        return errno;
    if (::rename(temporary.path(), kSettingsFileName) != 0)
        return errno;
    temporary.mark_renamed();
    return 0;
}
