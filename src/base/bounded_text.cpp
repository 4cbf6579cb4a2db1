#include "base/bounded_text.h"

#include <cstdio>
#include <cstring>

std::size_t field_length(const char* field, std::size_t capacity)
{
    const void* end = std::memchr(field, '\0', capacity);
    return end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : capacity;
}

std::string field_text(const char* field, std::size_t capacity)
{
    if (capacity == 0)
        return {};
    const std::size_t length = field_length(field, capacity);
    return std::string(field, length < capacity ? length : capacity - 1);
}

std::size_t copy_text(char* dst, std::size_t capacity, const char* src)
{
    if (capacity == 0)
        return 0;
    std::size_t n = src ? std::strlen(src) : 0;
    if (n > capacity - 1)
        n = capacity - 1;
    std::memmove(dst, src ? src : "", n);
    dst[n] = '\0';
    return n;
}

// Length of the text already in a field that is to be appended to; an unterminated
// field is first cut so that it ends inside its bounds.
static std::size_t terminated_length(char* dst, std::size_t capacity)
{
    std::size_t used = field_length(dst, capacity);
    if (used == capacity) {
        used = capacity - 1;
        dst[used] = '\0';
    }
    return used;
}

std::size_t append_text(char* dst, std::size_t capacity, const char* src)
{
    if (capacity == 0)
        return 0;
    const std::size_t used = terminated_length(dst, capacity);
    return used + copy_text(dst + used, capacity - used, src);
}

static std::size_t vformat_into(char* dst, std::size_t capacity, const char* format, va_list ap)
{
    if (capacity == 0)
        return 0;
    int n = std::vsnprintf(dst, capacity, format, ap);
    if (n < 0) {
        dst[0] = '\0';
        return 0;
    }
    return static_cast<std::size_t>(n) < capacity ? static_cast<std::size_t>(n) : capacity - 1;
}

std::size_t format_text(char* dst, std::size_t capacity, const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    std::size_t n = vformat_into(dst, capacity, format, ap);
    va_end(ap);
    return n;
}

std::size_t append_format(char* dst, std::size_t capacity, const char* format, ...)
{
    if (capacity == 0)
        return 0;
    const std::size_t used = terminated_length(dst, capacity);
    va_list ap;
    va_start(ap, format);
    std::size_t n = vformat_into(dst + used, capacity - used, format, ap);
    va_end(ap);
    return used + n;
}

std::size_t replace_text(char* dst, std::size_t capacity, const char* src)
{
    std::size_t n = copy_text(dst, capacity, src);
    if (capacity > n + 1)
        std::memset(dst + n + 1, 0, capacity - n - 1);
    return n;
}

std::string printable_text(std::string_view text)
{
    std::string shown(text);
    for (char& c : shown)
        if (c < ' ' || c > '~')
            c = '?';
    return shown;
}
