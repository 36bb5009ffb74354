"""The exceptions of the package."""

import errno
import functools
import os
import re
from typing import Optional

__all__ = ["Error", "ValidationError", "FileError"]


class Error(Exception):
    """Base class of every failure the Storage library reports.

    ``str(e)`` is the library's message; ``line`` and ``column`` give the
    1-based position in the document the failure refers to (0 when not
    known, as for failures of writing); ``inner`` is the next level of the
    chain, one step nearer the cause (``None`` at the cause), also set as
    ``__cause__`` so that tracebacks show the whole chain.
    """

    def __init__(self, message: str, line: int = 0, column: int = 0, inner: "Optional[Error]" = None) -> None:
        super().__init__(message)
        self.message = message
        self.line = line
        self.column = column
        self.inner = inner
        self.__cause__ = inner

    def __str__(self) -> str:
        return self.message

    def __reduce__(self):
        return (type(self), (self.message, self.line, self.column, self.inner))


class ValidationError(Error, ValueError):
    """A document or object tree the library refuses, one level of its chain.

    Raised for a document that is malformed or breaks the schema, a value
    that cannot be written (text XML cannot carry, a missing value, an item
    without parameters) and a file that cannot be read or written
    (:class:`FileError`). The outermost level is raised; each level is a
    ``ValidationError`` with the same text, line and column as the C++
    library's exception at that level.
    """


class FileError(ValidationError, OSError):
    """A file that cannot be read or written: a :class:`ValidationError` that is also an ``OSError``.

    ``filename`` is the path, ``strerror`` the system's reason and ``errno``
    its number when the reason is a standard one the system names, otherwise
    ``None``. As ``open`` does, a missing file also raises a
    ``FileNotFoundError``, a folder an ``IsADirectoryError``, a file it may not
    read a ``PermissionError``.
    """

    def __new__(cls, message: str, line: int = 0, column: int = 0, inner: Optional[Error] = None):
        match = _FILE_MESSAGE.match(message)
        number = _errno_of(match.group(2)) if match else None
        if cls is FileError and number in _OS_ERRORS:
            cls = _variant(_OS_ERRORS[number])
        failure = OSError.__new__(cls, message)
        failure.filename = match.group(1) if match else None
        failure.strerror = match.group(2) if match else None
        failure.errno = number
        return failure

    def __reduce__(self):
        return (FileError, (self.message, self.line, self.column, self.inner))


# "Cannot read the file [PATH]: REASON", and the same for writing.
_FILE_MESSAGE = re.compile(r"Cannot \w+ the file \[(.*)\]: (.*)\Z", re.DOTALL)
_OS_ERRORS = {errno.ENOENT: FileNotFoundError, errno.EISDIR: IsADirectoryError, errno.ENOTDIR: NotADirectoryError,
              errno.EACCES: PermissionError, errno.EPERM: PermissionError}


@functools.lru_cache(maxsize=None)
def _variant(base: type) -> type:
    """FileError that is also `base`, one of the OSError subclasses Python raises for an errno."""
    return type("FileError", (FileError, base), {"__module__": "storagexml", "__doc__": FileError.__doc__})


def _errno_of(reason: str) -> Optional[int]:
    return next((number for number in errno.errorcode if os.strerror(number) == reason), None)


def is_file_failure(message: str) -> bool:
    """Whether a message is the library's text for a file it cannot read or write."""
    return _FILE_MESSAGE.match(message) is not None
