// Files by UTF-8 paths on every system: opening one for reading, and
// replacing one all or nothing.
#pragma once

#include "runtime/Export.h"

#include <cstddef>
#include <cstdio>
#include <string>

namespace NqXmlLib3 {

/// Opens the file at the UTF-8 `path` for reading bytes; null, with errno set, when it cannot.
NQXML_API std::FILE* OpenFileForReading(const std::string& path);

/// A new file that replaces `path` only when committed. It is written to a
/// temporary file beside `path`; Commit() makes it durable, then renames it
/// over `path` in one step, so a reader sees the old file or the new one and
/// a failure at any point leaves the old one as it was. Destroyed
/// uncommitted, it removes the temporary. On Linux the temporary has no name
/// until Commit gives it one just before the rename, so a process killed
/// while writing leaves nothing behind (only one killed in the instant
/// between the two steps leaves the named temporary); elsewhere, and on file
/// systems without unnamed files, it is named `path.tmp-` and a suffix no
/// other writer uses. Failures throw CNqException naming `path`.
class NQXML_API CFileReplacement {
public:
    /// Creates the temporary file beside `path` (UTF-8); the new file keeps the permissions of the old.
    explicit CFileReplacement(std::string path);
    /// Removes the temporary file unless Commit succeeded.
    ~CFileReplacement();
    /// Not copyable: one temporary file, one owner.
    CFileReplacement(const CFileReplacement&) = delete;
    /// Not assignable.
    CFileReplacement& operator=(const CFileReplacement&) = delete;

    /// Appends bytes to the new file.
    void Write(const char* data, std::size_t size);
    /// Flushes the new file to the disk and puts it at `path` in place of the old.
    void Commit();

private:
    void Discard() noexcept;

    std::string m_path;
    std::string m_temporary;  // empty while the temporary has no name
    void* m_handle = nullptr;  // the temporary's HANDLE on Windows
    int m_fd = -1;             // its descriptor elsewhere
    bool m_open = false;
};

/// Replaces the file at the UTF-8 `path` with `text`, all or nothing (see CFileReplacement).
NQXML_API void ReplaceFileContents(const std::string& path, const std::string& text);

} // namespace NqXmlLib3
