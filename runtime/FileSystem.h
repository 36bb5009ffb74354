// Whole-file reading and all-or-nothing file replacement, by UTF-8 paths on
// every system.
#pragma once

#include "runtime/Export.h"

#include <cstddef>
#include <string>

namespace NqXmlLib3 {

// The bytes of the file at `path`. Throws CNqException naming the path.
NQXML_API std::string ReadWholeFile(const std::string& path);

// A new file that replaces `path` only when committed. It is written to a
// temporary file beside `path`; Commit() makes it durable, then renames it
// over `path` in one step, so a reader sees the old file or the new one and a
// failure at any point leaves the old one as it was. Destroyed uncommitted,
// it removes the temporary. Failures throw CNqException naming `path`.
class NQXML_API CFileReplacement {
public:
    explicit CFileReplacement(std::string path);
    ~CFileReplacement();
    CFileReplacement(const CFileReplacement&) = delete;
    CFileReplacement& operator=(const CFileReplacement&) = delete;

    void Write(const char* data, std::size_t size);
    void Commit();

private:
    void Discard() noexcept;

    std::string m_path;
    std::string m_temporary;
    void* m_handle = nullptr;  // the temporary's HANDLE on Windows
    int m_fd = -1;             // its descriptor elsewhere
    bool m_open = false;
};

// Replaces the file at `path` with `text`, all or nothing (see CFileReplacement).
NQXML_API void ReplaceFileContents(const std::string& path, const std::string& text);

} // namespace NqXmlLib3
