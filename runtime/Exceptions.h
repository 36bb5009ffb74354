// The runtime's exception classes. Every failure of the runtime and of the
// bindings built on it is one of these, thrown by value and caught by
// reference. An exception may wrap an inner one, which keeps its own class,
// so a failure deep in a document reaches the host as a chain of messages.
#pragma once

#include "runtime/Export.h"

#include <exception>
#include <memory>
#include <string>

namespace NqXmlLib3 {

/// Every failure of the runtime and the bindings: a message, an optional inner exception and a position.
class NQXML_API CNqException : public std::exception {
public:
    /// An exception with its message and no inner exception.
    explicit CNqException(std::string message);
    /// An exception with its message, wrapping a copy of `inner` (which keeps its class).
    CNqException(std::string message, const CNqException& inner);
    /// Copies the message, the position and the shared inner exception.
    CNqException(const CNqException&) = default;
    /// Assigns the message, the position and the shared inner exception.
    CNqException& operator=(const CNqException&) = default;
    /// Destroys the exception; the inner one lives as long as a copy shares it.
    ~CNqException() override;

    /// The exception's own message, without the messages of inner exceptions.
    const char* what() const noexcept override;
    /// The wrapped exception, one level nearer the cause, or null.
    const CNqException* GetInnerException() const;

    /// 1-based position in the parsed text this exception refers to; 0 when unknown.
    int GetLine() const;
    /// 1-based column in the parsed text this exception refers to; 0 when unknown.
    int GetColumn() const;
    /// Records the position in the parsed text this exception refers to.
    void SetLocation(int line, int column);
    /// Whether a position is known.
    bool HasLocation() const;

    /// A copy of the most derived exception, so that an inner exception keeps its class.
    virtual std::shared_ptr<const CNqException> Clone() const;

private:
    std::string m_message;
    std::shared_ptr<const CNqException> m_inner;
    int m_line = 0;
    int m_column = 0;
};

/// A document or a tree that breaks the schema: raised by writers and readers, wrapping the cause.
class NQXML_API CNqValidationException : public CNqException {
public:
    /// A validation failure with its message.
    explicit CNqValidationException(std::string message);
    /// A validation failure wrapping the failure below it.
    CNqValidationException(std::string message, const CNqException& inner);
    /// Destroys the exception.
    ~CNqValidationException() override;
    /// A copy that keeps this class.
    std::shared_ptr<const CNqException> Clone() const override;
};

/// A getter asked for an alternative of a choice that is not set.
class NQXML_API CNqInvalidStateException : public CNqException {
public:
    /// An invalid-state failure with its message.
    explicit CNqInvalidStateException(std::string message);
    /// Destroys the exception.
    ~CNqInvalidStateException() override;
    /// A copy that keeps this class.
    std::shared_ptr<const CNqException> Clone() const override;
};

/// printf-style formatting into a std::string. Only the conversions every C
/// library agrees on (%s, %d, %u, %x, %X, %c, %%) give the same text everywhere.
NQXML_API std::string FormatString(const char* format, ...)
#if defined(__MINGW32__)
    __attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)))
#elif defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

} // namespace NqXmlLib3
