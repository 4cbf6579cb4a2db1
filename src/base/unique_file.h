// Owns a C stream: closed exactly once, on every path.
#pragma once

#include <cstdio>

class UniqueFile {
public:
    UniqueFile() = default;
    UniqueFile(const char* path, const char* mode) : file_(std::fopen(path, mode)) {}
    explicit UniqueFile(std::FILE* file) : file_(file) {}
    ~UniqueFile() { reset(); }
    UniqueFile(const UniqueFile&) = delete;
    UniqueFile& operator=(const UniqueFile&) = delete;
    UniqueFile(UniqueFile&& other) noexcept : file_(other.release()) {}
    UniqueFile& operator=(UniqueFile&& other) noexcept
    {
        if (this != &other) {
            reset();
            file_ = other.release();
        }
        return *this;
    }

    explicit operator bool() const { return file_ != nullptr; }
    std::FILE* get() const { return file_; }
    std::FILE* release()
    {
        std::FILE* f = file_;
        file_ = nullptr;
        return f;
    }
    // Closes now and says whether everything buffered reached the file.
    bool close()
    {
        if (!file_)
            return false;
        int rc = std::fclose(file_);
        file_ = nullptr;
        return rc == 0;
    }
    void reset()
    {
        if (file_)
            std::fclose(file_);
        file_ = nullptr;
    }

private:
    std::FILE* file_ = nullptr;
};
