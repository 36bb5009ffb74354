"""The C library under the package: where it is found, its functions as ctypes declares them,
and its errors as exceptions.

The library is looked for, in this order, and the first that loads is used:

1. the path in the environment variable ``STORAGEXML_LIBRARY`` (the library, or the folder
   that holds it), when it is set, and then nowhere else: a library named explicitly is the
   one meant;
2. beside the package (``libstoragexml-c.so.1``, or ``libstoragexml-c.dll`` on Windows, in the
   package's own folder);
3. the library folder of the installation the package came with, when it was installed by
   ``cmake --install``;
4. the system's library path: the loader's search for ``libstoragexml-c.so.1`` (LD_LIBRARY_PATH,
   the loader's cache, the system folders); on Windows the folders on PATH.

When none loads, importing the package raises :class:`LibraryNotFoundError` (an ``ImportError``)
listing each place tried and why it failed.
"""

import ctypes
import ctypes.util
import os
import sys
from ctypes import POINTER, byref, c_char_p, c_int, c_long, c_size_t, c_uint, c_void_p
from typing import Callable, List, Optional, Tuple

from ._errors import Error, FileError, ValidationError, is_file_failure

LIBRARY_VARIABLE = "STORAGEXML_LIBRARY"
if sys.platform == "win32":
    LIBRARY_NAME = "libstoragexml-c.dll"
elif sys.platform == "darwin":
    LIBRARY_NAME = "libstoragexml-c.1.dylib"
else:
    LIBRARY_NAME = "libstoragexml-c.so.1"
_MAJOR = "1."


class LibraryNotFoundError(ImportError):
    """The C library ``storagexml-c`` could not be loaded from any place the package looks in."""


def _places() -> List[Tuple[str, Optional[str]]]:
    """Where to look, in order: (what the place is, the path or name to load, or None when the
    place does not apply)."""
    explicit = os.environ.get(LIBRARY_VARIABLE)
    if explicit:
        folder = os.path.isdir(explicit)  # the folder that holds it will do
        return [("%s=%s" % (LIBRARY_VARIABLE, explicit), os.path.join(explicit, LIBRARY_NAME) if folder else explicit)]
    here = os.path.dirname(os.path.abspath(__file__))
    places: List[Tuple[str, Optional[str]]] = [("beside the package, in " + here, os.path.join(here, LIBRARY_NAME))]
    try:
        from ._installed import LIBRARY_DIR  # written by cmake --install
    except ImportError:
        pass
    else:
        folder = os.path.normpath(os.path.join(here, LIBRARY_DIR))
        places.append(("the installation's library folder, " + folder, os.path.join(folder, LIBRARY_NAME)))
    if sys.platform == "win32":
        # Python loads a DLL named without a folder only from the system's folders, not PATH.
        places.append(("the folders on PATH", ctypes.util.find_library(LIBRARY_NAME)))
    else:
        places.append(("the system's library path", LIBRARY_NAME))
    return places


def _load() -> ctypes.CDLL:
    tried = []
    for place, path in _places():
        if path is None:
            tried.append("%s: not there" % place)
            continue
        try:
            library = ctypes.CDLL(path)
            library.storagexml_version.restype = c_char_p
            version = library.storagexml_version().decode()
            if not version.startswith(_MAJOR):
                raise OSError("version %s, where this package needs %sx" % (version, _MAJOR))
            if not hasattr(library, "storagexml_reader_next_items"):
                raise OSError("version %s, older than this package, without storagexml_reader_next_items" % version)
            return library
        except (OSError, AttributeError) as error:
            tried.append("%s: %s" % (place, error))
    raise LibraryNotFoundError(
        "storagexml cannot load its C library %s. Places tried:\n  %s\nInstall the library where the system finds "
        "it, or set %s to its path." % (LIBRARY_NAME, "\n  ".join(tried), LIBRARY_VARIABLE), name="storagexml")


_library = _load()

# Callbacks: where a read takes its bytes, and where a writer puts its text.
READ_FN = ctypes.CFUNCTYPE(c_int, c_void_p, c_void_p, c_size_t, POINTER(c_size_t))
WRITE_FN = ctypes.CFUNCTYPE(c_int, c_void_p, c_void_p, c_size_t)

_ERROR = POINTER(c_void_p)
_SIGNATURES = {
    "storagexml_free": (None, [c_void_p]),
    "storagexml_version": (c_char_p, []),
    "storagexml_error_message": (c_char_p, [c_void_p]),
    "storagexml_error_line": (c_long, [c_void_p]),
    "storagexml_error_column": (c_long, [c_void_p]),
    "storagexml_error_get_kind": (c_int, [c_void_p]),
    "storagexml_error_inner": (c_void_p, [c_void_p]),
    "storagexml_error_free": (None, [c_void_p]),
    "storagexml_reader_open_file": (c_int, [c_char_p, POINTER(c_void_p), _ERROR]),
    "storagexml_reader_open_text": (c_int, [c_char_p, c_size_t, POINTER(c_void_p), _ERROR]),
    "storagexml_reader_open_callback": (c_int, [READ_FN, c_void_p, POINTER(c_void_p), _ERROR]),
    "storagexml_reader_next_items": (c_int, [c_void_p, c_size_t, POINTER(c_void_p), POINTER(c_size_t),
                                             POINTER(c_size_t), _ERROR]),
    "storagexml_reader_client_id": (c_int, [c_void_p, POINTER(c_void_p), POINTER(c_size_t), _ERROR]),
    "storagexml_reader_key_id": (c_int, [c_void_p, POINTER(c_void_p), POINTER(c_size_t), _ERROR]),
    "storagexml_reader_free": (None, [c_void_p]),
    "storagexml_writer_open_file": (c_int, [c_char_p, c_uint, POINTER(c_void_p), _ERROR]),
    "storagexml_writer_open_callback": (c_int, [WRITE_FN, c_void_p, c_uint, POINTER(c_void_p), _ERROR]),
    "storagexml_writer_write_items": (c_int, [c_void_p, c_char_p, c_size_t, _ERROR]),
    "storagexml_writer_close": (c_int, [c_void_p, c_char_p, c_size_t, c_char_p, c_size_t, _ERROR]),
    "storagexml_writer_free": (None, [c_void_p]),
}
for _name, (_result, _arguments) in _SIGNATURES.items():
    _function = getattr(_library, _name)
    _function.restype = _result
    _function.argtypes = _arguments
lib = _library

# The C library's kinds of error (storagexml_error_kind).
_ARGUMENT, _INVALID_STATE, _OUT_OF_MEMORY = 4, 3, 5
WRITE_INDENT, WRITE_DECLARATION = 1, 2


def _exception(error: int) -> Exception:
    """The exception for an error chain of the library, which it frees."""
    try:
        levels = []
        level = error
        while level:
            levels.append((lib.storagexml_error_message(level).decode("utf-8", "replace"),
                           lib.storagexml_error_line(level), lib.storagexml_error_column(level),
                           lib.storagexml_error_get_kind(level)))
            level = lib.storagexml_error_inner(level)
    finally:
        lib.storagexml_error_free(error)
    message, _, _, kind = levels[0]
    if kind == _OUT_OF_MEMORY:
        return MemoryError(message)
    if kind in (_ARGUMENT, _INVALID_STATE):  # a call out of turn, such as writing after a failure
        return ValueError(message)
    inner: Optional[Error] = None
    for message, line, column, kind in reversed(levels):
        inner = (FileError if is_file_failure(message) else ValidationError)(message, line, column, inner)
    return inner


def call(function: Callable[..., int], *arguments) -> None:
    """Calls a function of the library that can fail, raising its error as an exception."""
    error = c_void_p()
    if function(*arguments, byref(error)) != 0:
        raise _exception(error.value)


def take_text(pointer: c_void_p, length: c_size_t) -> bytes:
    """The bytes of a text the library gave out, which it then frees."""
    try:
        return ctypes.string_at(pointer.value, length.value) if length.value else b""
    finally:
        lib.storagexml_free(pointer)


def version() -> str:
    """The version of the C library in use."""
    return lib.storagexml_version().decode()
