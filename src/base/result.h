#pragma once

// The outcome of an operation that can fail for a reason: a value, or a failure saying what kind of failure
// it was (the kinds callers act on differently), the system's error number where there was one, and a text
// for the reader or the log.

#include <cerrno>
#include <string>
#include <utility>
#include <variant>

namespace tavox {

enum class FailureKind {
    NotFound,    // the file, directory, key or program is not there
    Denied,      // there, but we may not read or change it
    Exists,      // something of the name is already there
    NoSpace,     // the disk or the quota is full
    Damaged,     // the data is not what its format says
    Unsupported, // a form or method we do not read
    Io,          // anything else the system refused
};

// The kind a system error number stands for.
FailureKind FailureKindOf(int error_number);

struct [[nodiscard]] Failure {
    FailureKind kind = FailureKind::Io;
    int error_number = 0; // errno where the system gave one, else 0
    std::string text;

    Failure(FailureKind failure_kind, std::string message, int error = 0)
        : kind(failure_kind), error_number(error), text(std::move(message)) {}

    // The failure of a system call that set `error` (errno by default); its kind follows from the number.
    static Failure FromErrno(std::string message, int error = errno) {
        return Failure(FailureKindOf(error), std::move(message), error);
    }
};

template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    bool Ok() const { return state_.index() == 0; }
    explicit operator bool() const { return Ok(); }

    // The value; only of a result that is Ok.
    T& operator*() { return std::get<0>(state_); }
    const T& operator*() const { return std::get<0>(state_); }
    T* operator->() { return &std::get<0>(state_); }
    const T* operator->() const { return &std::get<0>(state_); }

    // Only of a result that is not Ok.
    const Failure& Error() const { return std::get<1>(state_); }

private:
    std::variant<T, Failure> state_;
};

// An operation that only succeeds or fails. Default made, it is a success.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : failure_(std::move(failure)), failed_(true) {}

    bool Ok() const { return !failed_; }
    explicit operator bool() const { return Ok(); }
    const Failure& Error() const { return failure_; }

private:
    Failure failure_{FailureKind::Io, {}};
    bool failed_ = false;
};

using Status = Result<void>;

} // namespace tavox
