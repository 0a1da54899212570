// Ownership of GMime and GLib objects: every reference we own lives in one of these.
#pragma once

#include <gmime/gmime.h>

#include <memory>
#include <utility>

namespace ricorne {

// Owns one GObject reference.
template <typename T> class GObjectPtr {
public:
    GObjectPtr() = default;
    explicit GObjectPtr(T* owned) : p_(owned) {}
    ~GObjectPtr() { reset(); }
    GObjectPtr(const GObjectPtr&) = delete;
    GObjectPtr& operator=(const GObjectPtr&) = delete;
    GObjectPtr(GObjectPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    GObjectPtr& operator=(GObjectPtr&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.p_, nullptr));
        }
        return *this;
    }
    // Takes a new reference to a borrowed object.
    static GObjectPtr Ref(T* borrowed) {
        if (borrowed) {
            g_object_ref(borrowed);
        }
        return GObjectPtr(borrowed);
    }
    void reset(T* owned = nullptr) {
        if (p_) {
            g_object_unref(p_);
        }
        p_ = owned;
    }
    T* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

struct ParserOptionsDeleter {
    void operator()(GMimeParserOptions* p) const { g_mime_parser_options_free(p); }
};
using ParserOptionsPtr = std::unique_ptr<GMimeParserOptions, ParserOptionsDeleter>;

struct FormatOptionsDeleter {
    void operator()(GMimeFormatOptions* p) const { g_mime_format_options_free(p); }
};
using FormatOptionsPtr = std::unique_ptr<GMimeFormatOptions, FormatOptionsDeleter>;

} // namespace ricorne
