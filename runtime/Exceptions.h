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

class NQXML_API CNqException : public std::exception {
public:
    explicit CNqException(std::string message);
    CNqException(std::string message, const CNqException& inner);
    CNqException(const CNqException&) = default;
    CNqException& operator=(const CNqException&) = default;
    ~CNqException() override;

    // The exception's own message, without the messages of inner exceptions.
    const char* what() const noexcept override;
    const CNqException* GetInnerException() const;

    // 1-based position in the parsed text this exception refers to; 0 when unknown.
    int GetLine() const;
    int GetColumn() const;
    void SetLocation(int line, int column);
    bool HasLocation() const;

    // A copy of the most derived exception, so that an inner exception keeps its class.
    virtual std::shared_ptr<const CNqException> Clone() const;

private:
    std::string m_message;
    std::shared_ptr<const CNqException> m_inner;
    int m_line = 0;
    int m_column = 0;
};

class NQXML_API CNqValidationException : public CNqException {
public:
    explicit CNqValidationException(std::string message);
    CNqValidationException(std::string message, const CNqException& inner);
    ~CNqValidationException() override;
    std::shared_ptr<const CNqException> Clone() const override;
};

class NQXML_API CNqInvalidStateException : public CNqException {
public:
    explicit CNqInvalidStateException(std::string message);
    ~CNqInvalidStateException() override;
    std::shared_ptr<const CNqException> Clone() const override;
};

// printf-style formatting into a std::string. Only the conversions every C
// library agrees on (%s, %d, %u, %x, %X, %c, %%) give the same text everywhere.
NQXML_API std::string FormatString(const char* format, ...)
#if defined(__MINGW32__)
    __attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)))
#elif defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

} // namespace NqXmlLib3
