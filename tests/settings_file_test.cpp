#include "base/bounded_text.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Fields a record's initializer does not name are zero, as intended.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

const SettingsRecord kSample = {.logfile = "/var/log/quorvex-events.log", .hostip = "10.0.0.7", .uselogfile = 1, .usepassword = 1, .password = "secret",
                                .audible = 1, .popup = 2, .synctype = 2, .syncminute = -5, .syncpm = 1, .reserved = {1, 2, 3, 4}, .syncweekday = "Mon", .transient = 77};
const std::string me = std::to_string(::getuid()) + ":" + std::to_string(::getgid());

// The write's result for an ordinary user: permission bits do not stop root (as CI
// runs), so root writes in a child that has given up its privileges.
static int write_as_ordinary_user()
{
    if (::geteuid() != 0)
        return write_settings_file();
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(::setgid(65534) != 0 || ::setuid(65534) != 0 ? 99 : write_settings_file());
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The file's content, permission bits, owner and group, and how many entries its directory holds.
static std::string file_state(const std::string& file)
{
    struct stat st {};
    ::stat(file.c_str(), &st);
    const auto entries = std::distance(std::filesystem::directory_iterator(std::filesystem::path(file).parent_path()), {});
    return read_file(file) + " " + std::to_string(st.st_mode & 0777) + " " + std::to_string(st.st_uid) + ":" +
           std::to_string(st.st_gid) + " " + std::to_string(entries);
}

static std::string state_of(const SettingsRecord& r, int mode, const std::string& owner = me) { return bytes_of(r) + " " + std::to_string(mode) + " " + owner + " 1"; }

TEST(SettingsFile, LoadFixesUpTheRecord)
{
    SettingsRecord defaults{.hostip = "127.0.0.1", .syncdisabled = 1}, loaded = kSample, no_password{.usepassword = 1}, short_file{};
    loaded.transient = 0;
    std::memcpy(&short_file, &loaded, 100);
    const struct { const char* name; bool exists; std::string file; SettingsRecord expected; } cases[] = {
        {"no file", false, "", defaults}, {"stored record", true, bytes_of(kSample), loaded}, {"protection without a password", true, bytes_of(no_password), {}},
        {"short file", true, bytes_of(kSample).substr(0, 100), short_file}, {"long file", true, bytes_of(kSample) + std::string(500, 'Z'), loaded}};
    for (const auto& [name, exists, file, expected] : cases) {
        SCOPED_TRACE(name);
        ScopedWorkDir dir;
        if (exists)
            write_file(dir.file("quorvex.conf"), file);
        option3 = SettingsRecord{};
        init_enviorment();
        EXPECT_EQ(bytes_of(option3) + (std::filesystem::exists("quorvex.conf") ? read_file("quorvex.conf") : "none"), bytes_of(expected) + (exists ? file : "none"));
    }
}

TEST(SettingsFile, AttributesLinksAndReadOnlyPlaces)
{
    ScopedWorkDir dir;
    const char* here = dir.path().c_str();
    const std::string owner = ::geteuid() == 0 ? "65534:65534" : me;
    std::strcpy(option3.password, "0123456789"), replace_text(option3.password, "abc");
    // A read-only directory refuses a new file; a new file written with standard input
    // closed (the temporary file may get descriptor 0) is private.
    ::chmod(here, 0555);
    const int refused = write_as_ordinary_user(), saved = (::chmod(here, 0700), ::dup(0));
    ::close(0);
    const int written = write_settings_file();
    ::dup2(saved, 0), ::close(saved);
    EXPECT_EQ(std::to_string(refused) + " " + std::to_string(written), std::to_string(EACCES) + " 0");
    EXPECT_EQ(read_file("quorvex.conf").substr(208, 56), "abc" + std::string(53, '\0')) << "no tail of the old password";
    EXPECT_EQ(file_state(dir.file("quorvex.conf")), state_of(option3, 0600));
    // An existing file keeps its mode and owner.
    EXPECT_TRUE(::chmod("quorvex.conf", 0640) == 0 && (::geteuid() != 0 || ::chown("quorvex.conf", 65534, 65534) == 0));
    std::strcpy(option3.logfile, "second.log");
    EXPECT_EQ(write_settings_file(), 0);
    EXPECT_EQ(file_state(dir.file("quorvex.conf")), state_of(option3, 0640, owner));
    // A read-only directory takes a writable file in place.
    ::chmod("quorvex.conf", 0666), ::chmod(here, 0555), std::strcpy(option3.logfile, "in place");
    const int in_place = write_as_ordinary_user();
    ::chmod(here, 0700);
    EXPECT_EQ(in_place, 0);
    EXPECT_EQ(file_state(dir.file("quorvex.conf")), state_of(option3, 0666, owner));
    // A read-only file in a writable directory is not replaced.
    const SettingsRecord kept = option3;
    ::chmod("quorvex.conf", 0444), ::chmod(here, 0777), std::strcpy(option3.logfile, "refused");
    const int read_only = write_as_ordinary_user();
    ::chmod(here, 0700);
    EXPECT_EQ(read_only, EACCES);
    EXPECT_EQ(file_state(dir.file("quorvex.conf")), state_of(kept, 0444, owner));
    // A symbolic link stays, and its target gets the record; a dangling one gets its target
    // created, private.
    const auto write_through_link = [](const char* target) {
        struct stat link {};
        return ::unlink("quorvex.conf") == 0 && ::symlink(target, "quorvex.conf") == 0 && write_settings_file() == 0 &&
               ::lstat("quorvex.conf", &link) == 0 && S_ISLNK(link.st_mode);
    };
    ::mkdir("new", 0700), ::mkdir("shared", 0700), write_file("shared/real.conf", ""), ::chmod("shared/real.conf", 0640);
    EXPECT_TRUE(write_through_link("new/made.conf"));
    EXPECT_EQ(file_state(dir.file("new/made.conf")), state_of(option3, 0600));
    EXPECT_TRUE(write_through_link("shared/real.conf"));
    EXPECT_EQ(file_state(dir.file("shared/real.conf")), state_of(option3, 0640));
    // A file with another hard link is written in place: both names show the new record.
    EXPECT_EQ(::link("shared/real.conf", "shared/second.conf"), 0);
    std::strcpy(option3.logfile, "linked.log");
    EXPECT_EQ(write_settings_file(), 0);
    EXPECT_EQ(read_file("shared/second.conf"), bytes_of(option3));
    // A file whose owner this user cannot give a new file is written in place: it keeps its owner.
    if (::geteuid() == 0) {
        ::mkdir("open", 0777), ::chmod("open", 0777), ::chmod(here, 0755), write_file("open/quorvex.conf", "");
        ::chmod("open/quorvex.conf", 0666), (void)!::chdir("open"), std::strcpy(option3.logfile, "owner kept");
        EXPECT_EQ(write_as_ordinary_user(), 0);
        EXPECT_EQ(file_state(dir.file("open/quorvex.conf")), state_of(option3, 0666, "0:0"));
    }
}
