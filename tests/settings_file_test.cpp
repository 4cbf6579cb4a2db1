#include "base/bounded_text.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string bytes_of(const SettingsRecord& r) { return std::string(reinterpret_cast<const char*>(&r), sizeof r); }

SettingsRecord sample()
{
    SettingsRecord r{};
    copy_text(r.logfile, "/var/log/quorvex-events.log"), copy_text(r.hostip, "10.0.0.7"), copy_text(r.password, "secret");
    r.uselogfile = r.usepassword = r.audible = r.syncpm = 1;
    r.popup = r.synctype = 2;
    r.syncminute = -5;
    std::memcpy(r.reserved, "\x01\x02\x03\x04", 4);
    r.transient = 77;
    return r;
}

// The write's result for an ordinary user: permission bits do not stop root (as CI
// runs), so root writes in a child that has given up its privileges.
int write_as_ordinary_user()
{
    if (::geteuid() != 0)
        return write_settings_file();
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(::setgid(65534) != 0 || ::setuid(65534) != 0 ? 99 : write_settings_file());
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The file's permission bits (octal), owner and group, and how many entries its directory holds.
std::string attributes(const std::string& file)
{
    struct stat st {};
    ::stat(file.c_str(), &st);
    char text[64];
    std::snprintf(text, sizeof text, "%o %u:%u %zd", st.st_mode & 07777, st.st_uid, st.st_gid,
                  std::distance(std::filesystem::directory_iterator(std::filesystem::path(file).parent_path()), {}));
    return text;
}

const std::string me = std::to_string(::getuid()) + ":" + std::to_string(::getgid());

} // namespace

TEST(SettingsFile, LoadFixesUpAndTheNextWriteStoresTheWholeRecord)
{
    SettingsRecord defaults{}, loaded = sample(), protection_without_password{}, short_file{};
    copy_text(defaults.hostip, "127.0.0.1");
    defaults.syncdisabled = protection_without_password.usepassword = 1;
    loaded.transient = 0;
    std::memcpy(&short_file, &loaded, 100);
    const struct {
        const char* name;
        bool exists;
        std::string file;
        SettingsRecord expected;
    } cases[] = {{"no file", false, "", defaults},
                 {"stored record", true, bytes_of(sample()), loaded},
                 {"protection without a password", true, bytes_of(protection_without_password), SettingsRecord{}},
                 {"short file", true, bytes_of(sample()).substr(0, 100), short_file},
                 {"long file", true, bytes_of(sample()) + std::string(500, 'Z'), loaded}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedWorkDir dir;
        if (c.exists)
            write_file(dir.file("quorvex.conf"), c.file);
        option3 = SettingsRecord{};
        init_enviorment();
        EXPECT_EQ(bytes_of(option3), bytes_of(c.expected));
        EXPECT_EQ(file_exists(dir.file("quorvex.conf")) ? read_file(dir.file("quorvex.conf")) : "none", c.exists ? c.file : "none");
        ASSERT_EQ(write_settings_file(), 0);
        EXPECT_EQ(read_file(dir.file("quorvex.conf")), bytes_of(c.expected));
    }
}

TEST(SettingsFile, NewFileIsPrivateAnExistingOneKeepsModeOwnerAndLinks)
{
    ScopedWorkDir dir;
    const std::string conf = dir.file("quorvex.conf");
    replace_text(option3.password, "0123456789");
    replace_text(option3.password, "abc");
    // Standard input closed: the temporary file may get descriptor 0.
    const int saved = ::dup(0);
    ::close(0);
    const int written = write_settings_file();
    ::dup2(saved, 0), ::close(saved);
    ASSERT_EQ(written, 0);
    EXPECT_EQ(read_file(conf).substr(208, 56), "abc" + std::string(53, '\0')) << "no tail of the old password";
    EXPECT_EQ(attributes(conf), "600 " + me + " 1");
    ASSERT_EQ(::chmod(conf.c_str(), 0640), 0);
    if (::geteuid() == 0)
        ASSERT_EQ(::chown(conf.c_str(), 65534, 65534), 0);
    copy_text(option3.logfile, "second.log");
    ASSERT_EQ(write_settings_file(), 0);
    EXPECT_EQ(attributes(conf), "640 " + (::geteuid() == 0 ? "65534:65534" : me) + " 1");
    // A second name for the file still reaches the new record.
    ASSERT_EQ(::link(conf.c_str(), dir.file("second.conf").c_str()), 0);
    copy_text(option3.logfile, "linked.log");
    ASSERT_EQ(write_settings_file(), 0);
    EXPECT_EQ(read_file(dir.file("second.conf")), bytes_of(option3));
}

TEST(SettingsFile, ReadOnlyPlacesAndLinks)
{
    ScopedWorkDir dir;
    const std::string conf = dir.file("quorvex.conf");
    copy_text(option3.logfile, "changed");
    // A read-only directory refuses a new file but takes a writable one in place.
    ::chmod(dir.path().c_str(), 0555);
    const int refused = write_as_ordinary_user();
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(refused, EACCES);
    write_file(conf, bytes_of(sample()));
    ::chmod(conf.c_str(), 0666), ::chmod(dir.path().c_str(), 0555);
    const int in_place = write_as_ordinary_user();
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(in_place, 0);
    EXPECT_EQ(read_file(conf), bytes_of(option3));
    EXPECT_EQ(attributes(conf), "666 " + me + " 1");
    // A read-only file in a writable directory is not replaced.
    ::chmod(conf.c_str(), 0444), ::chmod(dir.path().c_str(), 0777);
    copy_text(option3.logfile, "refused");
    const int read_only = write_as_ordinary_user();
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(read_only, EACCES);
    EXPECT_EQ(read_file(conf).substr(0, 8), std::string("changed\0", 8));
    // A symbolic link stays, and its target gets the record.
    ASSERT_EQ(::mkdir("shared", 0700), 0);
    write_file(dir.file("shared/real.conf"), "");
    ::chmod(dir.file("shared/real.conf").c_str(), 0640), ::unlink(conf.c_str()), ::symlink("shared/real.conf", "quorvex.conf");
    ASSERT_EQ(write_settings_file(), 0);
    struct stat link {};
    EXPECT_TRUE(::lstat("quorvex.conf", &link) == 0 && S_ISLNK(link.st_mode));
    EXPECT_EQ(read_file(dir.file("shared/real.conf")), bytes_of(option3));
    EXPECT_EQ(attributes(dir.file("shared/real.conf")), "640 " + me + " 1");
}
