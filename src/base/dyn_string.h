// DynString: a length-counted ANSI byte string that owns its text. The empty string is
// a valid value everywhere; c_str() is always NUL-terminated. Free of Windows headers.
#pragma once
#include <stddef.h>

class DynString {
public:
    constexpr DynString() : text_(nullptr), size_(0), capacity_(0) {}
    DynString(const char* s);                  // NUL-terminated, may be null
    DynString(const char* s, size_t n);         // n bytes, may hold NULs
    DynString(const DynString& other);
    DynString(DynString&& other) noexcept;
    ~DynString();
    DynString& operator=(const DynString& other);
    DynString& operator=(DynString&& other) noexcept;

    const char* c_str() const { return text_ ? text_ : ""; }
    const char* data() const { return c_str(); }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    char operator[](size_t i) const { return text_[i]; }
    char back() const { return text_[size_ - 1]; }

    DynString& Append(const char* s, size_t n);
    DynString& operator+=(const DynString& s) { return Append(s.data(), s.size()); }
    DynString& operator+=(const char* s);
    DynString& operator+=(char c) { return Append(&c, 1); }
    DynString Sub(size_t from, size_t n = (size_t)-1) const;  // clamped to the text
    void Truncate(size_t n);                                  // keeps the first n bytes
    void Clear();                                             // frees the text
    bool EndsWith(char c) const { return size_ != 0 && text_[size_ - 1] == c; }

private:
    char* text_;
    size_t size_;
    size_t capacity_;
};

DynString operator+(const DynString& a, const DynString& b);
DynString operator+(const DynString& a, const char* b);
DynString operator+(const char* a, const DynString& b);
bool operator==(const DynString& a, const DynString& b);
bool operator==(const DynString& a, const char* b);
inline bool operator!=(const DynString& a, const DynString& b) { return !(a == b); }
inline bool operator!=(const DynString& a, const char* b) { return !(a == b); }
