// Bounded text into fixed-size fields: every call stops at the field's end and always
// leaves the field terminated, so no text can ever run into the next field or line.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

// Copies src into dst (capacity bytes), cutting it to capacity - 1 characters.
// Returns the number of characters stored.
std::size_t copy_text(char* dst, std::size_t capacity, const char* src);

// Appends src after the text already in dst, within the same capacity.
std::size_t append_text(char* dst, std::size_t capacity, const char* src);

// printf-style formatting into dst, cut to fit.
std::size_t format_text(char* dst, std::size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// printf-style formatting appended after the text already in dst, cut to fit.
std::size_t append_format(char* dst, std::size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Replaces the text of a field and clears every byte after the new terminator, so an
// older, longer text (a password, say) leaves nothing behind in the field.
std::size_t replace_text(char* dst, std::size_t capacity, const char* src);

// Length of the text in a field, never looking past the field's end.
std::size_t field_length(const char* field, std::size_t capacity);

// The text of a field up to its terminator, and never more than the capacity - 1
// characters a terminated field can hold: a loaded file may lack the terminator.
std::string field_text(const char* field, std::size_t capacity);

template <std::size_t N>
std::string field_text(const char (&field)[N]) { return field_text(field, N); }
template <std::size_t N>
std::size_t copy_text(char (&dst)[N], const char* src) { return copy_text(dst, N, src); }
template <std::size_t N>
std::size_t append_text(char (&dst)[N], const char* src) { return append_text(dst, N, src); }
template <std::size_t N>
std::size_t replace_text(char (&dst)[N], const char* src) { return replace_text(dst, N, src); }
template <std::size_t N>
std::size_t field_length(const char (&field)[N]) { return field_length(field, N); }

// The text with every byte outside printable ASCII (and DEL) shown as '?': what leaves the
// program as text (JSON, metrics, status lines, event details) is then always valid UTF-8,
// whatever bytes the driver or a log handed over.
std::string printable_text(std::string_view text);
