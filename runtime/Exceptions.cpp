#include "runtime/Exceptions.h"

#include <cstdarg>
#include <cstdio>

namespace NqXmlLib3 {

CNqException::CNqException(std::string message) : m_message(std::move(message)) {}

CNqException::CNqException(std::string message, const CNqException& inner)
    : m_message(std::move(message)), m_inner(inner.Clone()) {}

CNqException::~CNqException() = default;

const char* CNqException::what() const noexcept { return m_message.c_str(); }

const CNqException* CNqException::GetInnerException() const { return m_inner.get(); }

int CNqException::GetLine() const { return m_line; }

int CNqException::GetColumn() const { return m_column; }

void CNqException::SetLocation(int line, int column) {
    m_line = line;
    m_column = column;
}

bool CNqException::HasLocation() const { return m_line > 0; }

std::shared_ptr<const CNqException> CNqException::Clone() const {
    return std::make_shared<CNqException>(*this);
}

CNqValidationException::CNqValidationException(std::string message)
    : CNqException(std::move(message)) {}

CNqValidationException::CNqValidationException(std::string message, const CNqException& inner)
    : CNqException(std::move(message), inner) {}

CNqValidationException::~CNqValidationException() = default;

std::shared_ptr<const CNqException> CNqValidationException::Clone() const {
    return std::make_shared<CNqValidationException>(*this);
}

CNqInvalidStateException::CNqInvalidStateException(std::string message)
    : CNqException(std::move(message)) {}

CNqInvalidStateException::~CNqInvalidStateException() = default;

std::shared_ptr<const CNqException> CNqInvalidStateException::Clone() const {
    return std::make_shared<CNqInvalidStateException>(*this);
}

std::string FormatString(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    char small[256];
    int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string result;
    if (length < 0) {
        va_end(copy);
        return result;
    }
    if (static_cast<size_t>(length) < sizeof small) {
        result.assign(small, static_cast<size_t>(length));
    } else {
        result.resize(static_cast<size_t>(length));
        std::vsnprintf(&result[0], result.size() + 1, format, copy);
    }
    va_end(copy);
    return result;
}

} // namespace NqXmlLib3
