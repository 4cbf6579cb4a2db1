#include "base/bounded_text.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(BoundedText, CopyCutsAndTerminatesWithoutTouchingTheNextField)
{
    struct {
        char field[8];
        char next[4];
    } fields;
    std::memset(&fields, '#', sizeof fields);
    EXPECT_EQ(copy_text(fields.field, "abcdefghijkl"), 7u);
    EXPECT_STREQ(fields.field, "abcdefg");
    EXPECT_EQ(std::memcmp(fields.next, "####", 4), 0);
}

TEST(BoundedText, AppendAndFormatStayInsideTheLine)
{
    char line[16];
    format_text(line, sizeof line, "Size%5s:", "");
    EXPECT_STREQ(line, "Size     :");
    append_format(line, sizeof line, "%dMB", 123456);
    EXPECT_STREQ(line, "Size     :12345");
    append_text(line, "more");
    EXPECT_STREQ(line, "Size     :12345");

    // An unterminated field is cut to end inside its bounds before anything is added.
    char raw[4] = {'a', 'b', 'c', 'd'};
    append_text(raw, "x");
    EXPECT_EQ(std::memcmp(raw, "abc", 4), 0);
}

TEST(BoundedText, ReplaceClearsTheOldTail)
{
    char field[12];
    std::memcpy(field, "0123456789\0", 12);
    replace_text(field, "ab");
    EXPECT_EQ(std::memcmp(field, "ab\0\0\0\0\0\0\0\0\0\0", 12), 0);
    EXPECT_EQ(field_length(field), 2u);
    char full[3] = {'x', 'y', 'z'};
    EXPECT_EQ(field_length(full), 3u);
}
