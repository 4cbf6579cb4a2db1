// The settings record: 340 bytes that are, byte for byte, the content of "quorvex.conf".
// Integers are 32-bit little-endian; texts are NUL-terminated inside their fields.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

struct SettingsRecord {
    char logfile[100];
    char hostip[100];
    std::uint32_t uselogfile;
    std::uint32_t usepassword;
    char password[56];
    std::uint32_t audible;
    std::uint32_t popup;
    std::uint32_t syncdisabled;
    std::uint32_t synctype;
    std::int32_t synchour;
    std::int32_t syncminute;
    std::uint32_t syncpm;
    std::uint8_t reserved[4];
    char syncweekday[4];
    char syncmonthday[4];
    std::uint32_t transient;
    char synchourtext[10];
    char syncminutetext[10];
    char syncdaytext[12];
};

// The record is the file format: any change of layout would break stored files.
static_assert(std::endian::native == std::endian::little, "the settings file is little-endian");
static_assert(sizeof(SettingsRecord) == 340);
static_assert(offsetof(SettingsRecord, logfile) == 0);
static_assert(offsetof(SettingsRecord, hostip) == 100);
static_assert(offsetof(SettingsRecord, uselogfile) == 200);
static_assert(offsetof(SettingsRecord, usepassword) == 204);
static_assert(offsetof(SettingsRecord, password) == 208);
static_assert(offsetof(SettingsRecord, audible) == 264);
static_assert(offsetof(SettingsRecord, popup) == 268);
static_assert(offsetof(SettingsRecord, syncdisabled) == 272);
static_assert(offsetof(SettingsRecord, synctype) == 276);
static_assert(offsetof(SettingsRecord, synchour) == 280);
static_assert(offsetof(SettingsRecord, syncminute) == 284);
static_assert(offsetof(SettingsRecord, syncpm) == 288);
static_assert(offsetof(SettingsRecord, reserved) == 292);
static_assert(offsetof(SettingsRecord, syncweekday) == 296);
static_assert(offsetof(SettingsRecord, syncmonthday) == 300);
static_assert(offsetof(SettingsRecord, transient) == 304);
static_assert(offsetof(SettingsRecord, synchourtext) == 308);
static_assert(offsetof(SettingsRecord, syncminutetext) == 318);
static_assert(offsetof(SettingsRecord, syncdaytext) == 328);

extern SettingsRecord option3;
