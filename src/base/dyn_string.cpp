#include "base/dyn_string.h"

#include <stdlib.h>
#include <string.h>

// Out of memory leaves the string as it was (or empty): the system has no other answer.
DynString::DynString(const char* s) : DynString() { if (s) Append(s, strlen(s)); }
DynString::DynString(const char* s, size_t n) : DynString() { Append(s, n); }
DynString::DynString(const DynString& other) : DynString() { Append(other.data(), other.size()); }

DynString::DynString(DynString&& other) noexcept
    : text_(other.text_), size_(other.size_), capacity_(other.capacity_) {
    other.text_ = nullptr;
    other.size_ = other.capacity_ = 0;
}

DynString::~DynString() { free(text_); }

DynString& DynString::operator=(const DynString& other) {
    if (this != &other) {
        size_ = 0;
        if (text_) text_[0] = 0;
        Append(other.data(), other.size());
    }
    return *this;
}

DynString& DynString::operator=(DynString&& other) noexcept {
    if (this != &other) {
        free(text_);
        text_ = other.text_;
        size_ = other.size_;
        capacity_ = other.capacity_;
        other.text_ = nullptr;
        other.size_ = other.capacity_ = 0;
    }
    return *this;
}

DynString& DynString::Append(const char* s, size_t n) {
    if (n == 0) return *this;
    if (size_ + n + 1 > capacity_) {
        // s may point into this string: keep it valid across the move.
        bool inside = text_ && s >= text_ && s < text_ + size_;
        size_t offset = inside ? static_cast<size_t>(s - text_) : 0;
        size_t want = capacity_ * 2;
        if (want < size_ + n + 1) want = size_ + n + 1;
        if (want < 16) want = 16;
        char* grown = static_cast<char*>(realloc(text_, want));
        if (!grown) return *this;
        text_ = grown;
        capacity_ = want;
        if (inside) s = text_ + offset;
    }
    memmove(text_ + size_, s, n);
    size_ += n;
    text_[size_] = 0;
    return *this;
}

DynString& DynString::operator+=(const char* s) { return s ? Append(s, strlen(s)) : *this; }

DynString DynString::Sub(size_t from, size_t n) const {
    if (from >= size_) return DynString();
    if (n > size_ - from) n = size_ - from;
    return DynString(text_ + from, n);
}

void DynString::Truncate(size_t n) {
    if (n < size_) {
        size_ = n;
        text_[n] = 0;
    }
}

void DynString::Clear() {
    free(text_);
    text_ = nullptr;
    size_ = capacity_ = 0;
}

DynString operator+(const DynString& a, const DynString& b) { DynString r(a); r += b; return r; }
DynString operator+(const DynString& a, const char* b) { DynString r(a); r += b; return r; }
DynString operator+(const char* a, const DynString& b) { DynString r(a); r += b; return r; }

bool operator==(const DynString& a, const DynString& b) {
    return a.size() == b.size() && memcmp(a.data(), b.data(), a.size()) == 0;
}
bool operator==(const DynString& a, const char* b) { return a == DynString(b); }
