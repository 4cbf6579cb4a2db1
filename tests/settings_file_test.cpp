#include "base/bounded_text.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string record_bytes(const SettingsRecord& record)
{
    return std::string(reinterpret_cast<const char*>(&record), sizeof record);
}

std::string sample_file()
{
    SettingsRecord r{};
    std::memset(&r, 0, sizeof r);
    std::strcpy(r.logfile, "/var/log/quorvex-events.log");
    std::strcpy(r.hostip, "10.0.0.7");
    r.uselogfile = 1;
    r.usepassword = 1;
    std::strcpy(r.password, "secret");
    r.audible = 1;
    r.popup = 2;
    r.syncdisabled = 0;
    r.synctype = 2;
    r.synchour = 2;
    r.syncminute = 30;
    r.syncpm = 1;
    std::memcpy(r.reserved, "\x01\x02\x03\x04", 4);
    std::strcpy(r.syncweekday, "Mon");
    std::strcpy(r.syncmonthday, " 1");
    r.transient = 77;
    std::strcpy(r.synchourtext, "2");
    std::strcpy(r.syncminutetext, "30");
    std::strcpy(r.syncdaytext, "Mon");
    return record_bytes(r);
}

// The settings write's result for an ordinary user: permission bits do not stop root (as
// CI runs), so root runs the write in a child that has given up its privileges.
int write_as_ordinary_user()
{
    if (::geteuid() != 0)
        return write_settings_file();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(99);
        ::_exit(write_settings_file());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

mode_t mode_of(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

} // namespace

TEST(SettingsFile, NoFileGivesDefaultsAndCreatesNothing)
{
    ScopedWorkDir dir;
    init_enviorment();
    EXPECT_STREQ(option3.hostip, "127.0.0.1");
    EXPECT_EQ(option3.syncdisabled, 1u);
    EXPECT_STREQ(option3.logfile, "");
    EXPECT_STREQ(option3.password, "");
    EXPECT_EQ(option3.uselogfile, 0u);
    EXPECT_EQ(option3.usepassword, 0u);
    EXPECT_EQ(option3.audible, 0u);
    EXPECT_EQ(option3.popup, 0u);
    EXPECT_EQ(option3.synctype, 0u);
    EXPECT_FALSE(file_exists(dir.file("quorvex.conf")));
}

TEST(SettingsFile, LoadTakesTheRecordAsStoredWithItsTwoFixUps)
{
    ScopedWorkDir dir;
    const std::string stored = sample_file();
    write_file(dir.file("quorvex.conf"), stored);
    init_enviorment();
    EXPECT_STREQ(option3.logfile, "/var/log/quorvex-events.log");
    EXPECT_STREQ(option3.hostip, "10.0.0.7");
    EXPECT_EQ(option3.usepassword, 1u);
    EXPECT_STREQ(option3.password, "secret");
    EXPECT_EQ(option3.popup, 2u); // not validated
    EXPECT_EQ(option3.synchour, 2);
    EXPECT_EQ(option3.syncpm, 1u);
    EXPECT_STREQ(option3.syncweekday, "Mon");
    EXPECT_EQ(option3.transient, 0u);
    // The file itself is left exactly as it was.
    EXPECT_EQ(read_file(dir.file("quorvex.conf")), stored);

    // The next write stores the record with transient 0 and nothing else changed.
    ASSERT_EQ(write_settings_file(), 0);
    std::string expected = stored;
    std::memset(&expected[offsetof(SettingsRecord, transient)], 0, 4);
    EXPECT_EQ(read_file(dir.file("quorvex.conf")), expected);
}

TEST(SettingsFile, EmptyPasswordTurnsProtectionOffButAStoredOneStaysOffIfOff)
{
    ScopedWorkDir dir;
    SettingsRecord r{};
    r.usepassword = 1;
    write_file(dir.file("quorvex.conf"), record_bytes(r));
    init_enviorment();
    EXPECT_EQ(option3.usepassword, 0u);

    SettingsRecord s{};
    s.usepassword = 0;
    std::strcpy(s.password, "kept");
    write_file(dir.file("quorvex.conf"), record_bytes(s));
    option3 = SettingsRecord{};
    init_enviorment();
    EXPECT_EQ(option3.usepassword, 0u);
    EXPECT_STREQ(option3.password, "kept");
}

TEST(SettingsFile, ShortFileFillsOnlyItsLeadingBytes)
{
    ScopedWorkDir dir;
    std::string hundred(100, '\0');
    std::memcpy(&hundred[0], "/tmp/short.log", 14);
    write_file(dir.file("quorvex.conf"), hundred);
    init_enviorment();
    EXPECT_STREQ(option3.logfile, "/tmp/short.log");
    EXPECT_STREQ(option3.hostip, "");
    EXPECT_EQ(option3.syncdisabled, 0u);

    // Writing it back gives a whole record.
    ASSERT_EQ(write_settings_file(), 0);
    EXPECT_EQ(read_file(dir.file("quorvex.conf")).size(), 340u);
}

TEST(SettingsFile, LongFileLoadsItsFirst340BytesAndIsShortenedByTheNextWrite)
{
    ScopedWorkDir dir;
    std::string stored = sample_file() + std::string(500, 'Z');
    write_file(dir.file("quorvex.conf"), stored);
    init_enviorment();
    EXPECT_STREQ(option3.password, "secret");
    ASSERT_EQ(write_settings_file(), 0);
    EXPECT_EQ(read_file(dir.file("quorvex.conf")).size(), 340u);
}

TEST(SettingsFile, WriteStoresExactly340BytesOfTheRecord)
{
    ScopedWorkDir dir;
    init_enviorment();
    copy_text(option3.logfile, "Error.log");
    option3.audible = 1;
    option3.syncminute = -5;
    ASSERT_EQ(write_settings_file(), 0);
    const std::string written = read_file(dir.file("quorvex.conf"));
    ASSERT_EQ(written.size(), 340u);
    EXPECT_EQ(written, record_bytes(option3));
    EXPECT_EQ(written.substr(0, 10), std::string("Error.log\0", 10));
    EXPECT_EQ(written.substr(100, 10), std::string("127.0.0.1\0", 10));
    EXPECT_EQ(written.substr(264, 4), std::string("\x01\x00\x00\x00", 4));
    EXPECT_EQ(written.substr(272, 4), std::string("\x01\x00\x00\x00", 4));
    EXPECT_EQ(written.substr(284, 4), std::string("\xfb\xff\xff\xff", 4));
}

TEST(SettingsFile, ReplacedPasswordLeavesNoTailOfTheOldOne)
{
    ScopedWorkDir dir;
    init_enviorment();
    replace_text(option3.password, "0123456789");
    replace_text(option3.password, "abc");
    ASSERT_EQ(write_settings_file(), 0);
    const std::string field = read_file(dir.file("quorvex.conf")).substr(208, 56);
    EXPECT_EQ(field, std::string("abc") + std::string(53, '\0'));
}

TEST(SettingsFile, OverLongTextsAreCutInsideTheirFields)
{
    init_enviorment();
    option3.uselogfile = 0x11111111;
    replace_text(option3.logfile, std::string(300, 'L').c_str());
    replace_text(option3.password, std::string(80, 'P').c_str());
    EXPECT_EQ(std::strlen(option3.logfile), 99u);
    EXPECT_EQ(std::strlen(option3.password), 55u);
    EXPECT_STREQ(option3.hostip, "127.0.0.1");
    EXPECT_EQ(option3.uselogfile, 0x11111111u);
    EXPECT_EQ(option3.audible, 0u);
}

TEST(SettingsFile, NewFileIsPrivateAndAnExistingOneKeepsItsModeOwnerAndLinks)
{
    ScopedWorkDir dir;
    init_enviorment();
    ASSERT_EQ(write_settings_file(), 0);
    EXPECT_EQ(mode_of(dir.file("quorvex.conf")), 0600u);

    ASSERT_EQ(::chmod(dir.file("quorvex.conf").c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(dir.file("quorvex.conf").c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(write_settings_file(), 0);
    struct stat st;
    ASSERT_EQ(::stat(dir.file("quorvex.conf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }

    // A second name for the file still reaches the new record.
    ASSERT_EQ(::link(dir.file("quorvex.conf").c_str(), dir.file("second.conf").c_str()), 0);
    copy_text(option3.logfile, "linked.log");
    ASSERT_EQ(write_settings_file(), 0);
    EXPECT_EQ(read_file(dir.file("second.conf")), record_bytes(option3));
}

TEST(SettingsFile, AReadOnlyDirectoryTakesAWritableFileInPlaceAndRefusesANewOne)
{
    ScopedWorkDir dir;
    init_enviorment();
    copy_text(option3.logfile, "changed");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    const int refused = write_as_ordinary_user();
    ASSERT_EQ(::chmod(dir.path().c_str(), 0700), 0);
    EXPECT_EQ(refused, EACCES);
    EXPECT_FALSE(file_exists(dir.file("quorvex.conf")));

    write_file(dir.file("quorvex.conf"), sample_file());
    ASSERT_EQ(::chmod(dir.file("quorvex.conf").c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    const int written = write_as_ordinary_user();
    ASSERT_EQ(::chmod(dir.path().c_str(), 0700), 0);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(read_file(dir.file("quorvex.conf")), record_bytes(option3));
    EXPECT_EQ(mode_of(dir.file("quorvex.conf")), 0666u);
    EXPECT_EQ(std::system(("test $(ls -A '" + dir.path() + "' | wc -l) -eq 1").c_str()), 0);
}

TEST(SettingsFile, ALinkedSettingsFileKeepsItsLinkAndItsTargetGetsTheRecord)
{
    ScopedWorkDir dir;
    ASSERT_EQ(::mkdir("shared", 0700), 0);
    write_file(dir.file("shared/real.conf"), sample_file());
    ASSERT_EQ(::symlink("shared/real.conf", "quorvex.conf"), 0);
    init_enviorment();
    copy_text(option3.logfile, "via-link.log");
    ASSERT_EQ(write_settings_file(), 0);
    struct stat link;
    ASSERT_EQ(::lstat("quorvex.conf", &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    EXPECT_EQ(read_file(dir.file("shared/real.conf")).substr(0, 13), std::string("via-link.log\0", 13));
    EXPECT_EQ(std::system(("test $(ls -A '" + dir.path() + "/shared' | wc -l) -eq 1").c_str()), 0);
}

TEST(SettingsFile, AReadOnlySettingsFileIsNotReplaced)
{
    ScopedWorkDir dir;
    const std::string stored = sample_file();
    write_file(dir.file("quorvex.conf"), stored);
    ASSERT_EQ(::chmod(dir.file("quorvex.conf").c_str(), 0444), 0);
    init_enviorment();
    copy_text(option3.logfile, "changed");
    // The directory itself stays writable: only the file's own permission may refuse.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    const int error = write_as_ordinary_user();
    ASSERT_EQ(::chmod(dir.path().c_str(), 0700), 0);
    EXPECT_EQ(error, EACCES);
    EXPECT_EQ(read_file(dir.file("quorvex.conf")), stored);
}
