#include "runtime/FileSystem.h"

#include "runtime/Exceptions.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace NqXmlLib3 {

namespace {

[[noreturn]] void ThrowFileError(const char* verb, const std::string& path, const std::string& why) {
    throw CNqException(FormatString("Cannot %s the file [%s]: %s", verb, path.c_str(), why.c_str()));
}

// Eight hex digits that make a temporary's name unlikely to be taken.
std::string RandomSuffix() {
    std::random_device random;
    const unsigned long value = (static_cast<unsigned long>(random()) & 0xFFFFFFFFul);
    char text[16];
    std::snprintf(text, sizeof text, "%08lx", value);
    return text;
}

#if defined(_WIN32)

// `path` in the UTF-16 that Windows' file functions take; false when it is not valid UTF-8.
bool ToWide(const std::string& path, std::wstring& wide) {
    wide.clear();
    if (path.empty()) return true;
    const int size = static_cast<int>(path.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, nullptr, 0);
    if (length <= 0) return false;
    wide.resize(static_cast<std::size_t>(length));
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, &wide[0], length);
    return true;
}

std::wstring Widen(const char* verb, const std::string& path) {
    std::wstring wide;
    if (!ToWide(path, wide)) ThrowFileError(verb, path, "the name is not valid UTF-8");
    return wide;
}

// The system's text for a Windows error code, in UTF-8, without the final period.
std::string ErrorText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result;
    if (length > 0) {
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        result.resize(static_cast<std::size_t>(size));
        ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &result[0], size, nullptr, nullptr);
    }
    if (text) ::LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == '.' ||
                               result.back() == ' ')) {
        result.pop_back();
    }
    return result.empty() ? "error " + std::to_string(code) : result;
}

[[noreturn]] void ThrowLastError(const char* verb, const std::string& path) {
    ThrowFileError(verb, path, ErrorText(::GetLastError()));
}

#else

[[noreturn]] void ThrowErrno(const char* verb, const std::string& path, int error) {
    ThrowFileError(verb, path, std::generic_category().message(error));
}

// Linux can make a file without a name in the target's folder: should the
// process die before the file is complete, it leaves nothing behind. Naming
// it goes through /proc, so both must be there; otherwise -1, and the caller
// falls back to a named temporary.
int OpenUnnamed(const std::string& path) {
#if defined(O_TMPFILE)
    if (::access("/proc/self/fd", X_OK) != 0) return -1;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
#else
    (void)path;
    return -1;
#endif
}

// Gives the complete unnamed file `fd` a fresh name beside `path`, in
// `name`: a link cannot replace a file, the rename after it does. Returns 0
// or the errno.
int NameUnnamed(int fd, const std::string& path, std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = path + ".tmp-" + RandomSuffix();
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            name = candidate;
            return 0;
        }
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

#endif

} // namespace

#if defined(_WIN32)
std::FILE* OpenFileForReading(const std::string& path) {
    std::wstring wide;
    if (!ToWide(path, wide)) {
        errno = EINVAL;
        return nullptr;
    }
    return ::_wfopen(wide.c_str(), L"rb");
}
#else
std::FILE* OpenFileForReading(const std::string& path) { return std::fopen(path.c_str(), "rb"); }
#endif

#if defined(_WIN32)

// A temporary of a name no other writer uses: CREATE_NEW fails on a name
// taken, and another random suffix is tried.
CFileReplacement::CFileReplacement(std::string path) : m_path(std::move(path)) {
    for (int attempt = 0; !m_open; ++attempt) {
        m_temporary = m_path + ".tmp-" + RandomSuffix();
        m_handle = ::CreateFileW(Widen("write", m_temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        m_open = m_handle != INVALID_HANDLE_VALUE;
        if (!m_open && (::GetLastError() != ERROR_FILE_EXISTS || attempt == 100)) ThrowLastError("write", m_path);
    }
}

void CFileReplacement::Write(const char* data, std::size_t size) {
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(m_handle, data, chunk, &written, nullptr)) ThrowLastError("write", m_path);
        data += written;
        size -= written;
    }
}

void CFileReplacement::Commit() {
    if (!::FlushFileBuffers(m_handle)) ThrowLastError("write", m_path);
    ::CloseHandle(m_handle);
    m_open = false;
    if (!::MoveFileExW(Widen("write", m_temporary).c_str(), Widen("write", m_path).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(Widen("write", m_temporary).c_str());
        ThrowFileError("write", m_path, ErrorText(error));
    }
}

void CFileReplacement::Discard() noexcept {
    if (!m_open) return;
    ::CloseHandle(m_handle);
    m_open = false;
    std::wstring wide;  // the temporary's name was valid UTF-8 when it was created
    if (ToWide(m_temporary, wide)) ::DeleteFileW(wide.c_str());
}

#else

CFileReplacement::CFileReplacement(std::string path) : m_path(std::move(path)) {
    m_fd = OpenUnnamed(m_path);
    if (m_fd < 0) {
        m_temporary = m_path + ".tmp-XXXXXX";
        m_fd = ::mkstemp(&m_temporary[0]);
        if (m_fd < 0) ThrowErrno("write", m_path, errno);
    }
    m_open = true;
    // The new file keeps the permissions of the one it replaces.
    struct stat existing {};
    const mode_t mode = ::stat(m_path.c_str(), &existing) == 0 ? existing.st_mode & 07777 : 0644;
    if (::fchmod(m_fd, mode) != 0) {
        const int error = errno;
        Discard();
        ThrowErrno("write", m_path, error);
    }
}

void CFileReplacement::Write(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowErrno("write", m_path, errno);
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void CFileReplacement::Commit() {
    int error = ::fsync(m_fd) != 0 ? errno : 0;
    if (!error && m_temporary.empty()) error = NameUnnamed(m_fd, m_path, m_temporary);
    if (::close(m_fd) != 0 && !error) error = errno;
    m_open = false;
    if (!error && ::rename(m_temporary.c_str(), m_path.c_str()) != 0) error = errno;
    if (error) {
        if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
        ThrowErrno("write", m_path, error);
    }
}

void CFileReplacement::Discard() noexcept {
    if (!m_open) return;
    ::close(m_fd);
    m_open = false;
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
}

#endif

CFileReplacement::~CFileReplacement() { Discard(); }

void ReplaceFileContents(const std::string& path, const std::string& text) {
    CFileReplacement file(path);
    file.Write(text.data(), text.size());
    file.Commit();
}

} // namespace NqXmlLib3
