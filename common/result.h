// result.h - what a call gives back: a value, or a message that says what
// went wrong (not installed). The programs' one error convention.
#ifndef QUILLKIT_COMMON_RESULT_H
#define QUILLKIT_COMMON_RESULT_H

#include <string>
#include <utility>
#include <variant>

namespace quillkit {

// A failure: one line naming what went wrong, without the program's name.
struct Error {
    std::string message;
};

inline Error fail(std::string message)
{
    return Error{std::move(message)};
}

// A value of type T, or an Error.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T &value() { return std::get<0>(state_); }
    const T &value() const { return std::get<0>(state_); }
    T *operator->() { return &value(); }
    const T *operator->() const { return &value(); }
    T &operator*() { return value(); }
    const T &operator*() const { return value(); }

    // The message of a failure; empty when there is a value.
    const std::string &error() const
    {
        static const std::string none;
        return ok() ? none : std::get<1>(state_).message;
    }

private:
    std::variant<T, Error> state_;
};

// Success with nothing to give back, or an Error.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error.message)), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const std::string &error() const { return error_; }

private:
    std::string error_;
    bool failed_ = false;
};

// Xlib defines Status as a macro: keep it out of this name, wherever this
// header is included from.
#pragma push_macro("Status")
#undef Status
using Status = Result<void>;
#pragma pop_macro("Status")

}  // namespace quillkit

#endif  // QUILLKIT_COMMON_RESULT_H
