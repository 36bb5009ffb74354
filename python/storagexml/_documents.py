"""Reading and writing documents, whole or one item at a time."""

import gc
import io
import os
from ctypes import byref, c_size_t, c_void_p, memmove, string_at
from typing import Any, BinaryIO, Callable, Iterable, Iterator, List, Optional, Tuple, Union

from . import _capi
from ._capi import READ_FN, WRITE_FN, call, lib, take_text
from ._model import Array, Item, _text, describe_items, items_from_description

__all__ = ["load", "loads", "dump", "dumps", "iter_items", "ItemReader", "ItemWriter"]

PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]

# Items per call across the C interface: enough that the calls cost nothing next to the items,
# few enough that a batch of description text and its objects stays small.
_BATCH = 64


def _path(target: Any) -> bytes:
    path = os.fsencode(target)
    if b"\0" in path:
        raise ValueError("embedded null byte")
    return path


def _is_path(target: Any) -> bool:
    return isinstance(target, (str, bytes, os.PathLike))


def _without_collection(make: Callable[[Any], Any], argument: Any) -> Any:
    """make(argument), with Python's cyclic garbage collector paused meanwhile.

    Making hundreds of thousands of objects that hold others sets off collection after
    collection over every object made so far: loading the benchmark's document took 1.04 s
    with them and 0.73 s without. What is made here holds no cycle, so pausing the collector
    frees nothing later than it would have been freed. The collector is the process's: other
    threads' collections wait for the batch too, and one that a thread paused stays paused.
    """
    if not gc.isenabled():
        return make(argument)
    gc.disable()
    try:
        return make(argument)
    finally:
        gc.enable()


class _Callback:
    """A host callback for the library, which keeps the first exception it raised, to raise
    that instead of the library's report that the stream failed."""

    def __init__(self) -> None:
        self.failure: Optional[BaseException] = None

    def guard(self, body: Callable[..., None], *arguments: Any) -> int:
        try:
            body(*arguments)
            return 0
        except BaseException as failure:  # raised again once the library returns
            self.failure = self.failure or failure
            return 1

    def call(self, function: Callable[..., int], *arguments: Any) -> None:
        try:
            call(function, *arguments)
        except (_capi.Error, ValueError):
            if self.failure is not None:
                raise self.failure from None
            raise


def _stream_reader(stream: BinaryIO) -> Tuple[_Callback, Any]:
    callback = _Callback()

    def read(buffer: int, capacity: int, length: Any) -> None:
        chunk = stream.read(capacity)
        if not isinstance(chunk, (bytes, bytearray)):
            raise TypeError("the file must be opened in binary mode, not give %s" % type(chunk).__name__)
        memmove(buffer, bytes(chunk), len(chunk))
        length[0] = len(chunk)

    return callback, READ_FN(lambda context, buffer, capacity, length: callback.guard(read, buffer, capacity, length))


def _stream_writer(stream: Any) -> Tuple[_Callback, Any]:
    if isinstance(stream, io.TextIOBase):
        raise TypeError("the file must be opened in binary mode")
    callback = _Callback()
    return callback, WRITE_FN(lambda context, data, length: callback.guard(stream.write, string_at(data, length)))


class ItemReader:
    """The items of a document, read one batch at a time, in memory bounded by the batch.

    An iterator of :class:`Item`; made by :func:`iter_items`. Once every item has been read,
    ``client_id`` and ``key_id`` hold the array's (they follow the items in a document; ``None``
    until then). A failure raises :exc:`ValidationError` once the items before it have been
    handed out. Use the reader in a ``with`` block, or call :meth:`close`, to let go of the
    file before the end.
    """

    def __init__(self, source: Union[PathLike, BinaryIO], _in_memory: bool = False) -> None:
        self.client_id: Optional[str] = None
        self.key_id: Optional[str] = None
        self._callback = _Callback()
        self._keep: Any = None  # the callback the library reads through, alive as long as the reader
        self._handle = c_void_p()
        self._ended = False
        if _in_memory:  # `source` is the document's bytes, which the library copies
            call(lib.storagexml_reader_open_text, source, len(source), byref(self._handle))
        elif _is_path(source):
            call(lib.storagexml_reader_open_file, _path(source), byref(self._handle))
        elif hasattr(source, "read"):
            self._callback, self._keep = _stream_reader(source)
            call(lib.storagexml_reader_open_callback, self._keep, None, byref(self._handle))
        else:
            raise TypeError("a document is read from a path or a binary file, not %s" % type(source).__name__)
        self._items = self._generate()

    def _batch(self, size: int) -> List[Item]:
        if not self._handle:
            if self._ended:
                return []
            raise ValueError("the reader is closed")
        text, length, count = c_void_p(), c_size_t(), c_size_t()
        self._callback.call(lib.storagexml_reader_next_items, self._handle, size, byref(text), byref(length),
                            byref(count))
        description = take_text(text, length)
        if count.value == 0:
            self.client_id = self._field(lib.storagexml_reader_client_id)
            self.key_id = self._field(lib.storagexml_reader_key_id)
            self._ended = True
            self.close()
            return []
        return _without_collection(items_from_description, description)

    def _field(self, getter: Callable[..., int]) -> str:
        text, length = c_void_p(), c_size_t()
        call(getter, self._handle, byref(text), byref(length))
        return take_text(text, length).decode("utf-8")

    def _generate(self) -> Iterator[Item]:
        while True:
            batch = self._batch(_BATCH)
            if not batch:
                return
            yield from batch

    def _read_array(self) -> Array:
        items: List[Item] = []
        while True:
            batch = self._batch(4 * _BATCH)
            if not batch:
                return Array(self.client_id, self.key_id, items)
            items += batch

    def __iter__(self) -> Iterator[Item]:
        return self._items

    def __next__(self) -> Item:
        return next(self._items)

    def close(self) -> None:
        """Lets go of the document; reading further raises ValueError unless every item was read."""
        handle, self._handle = self._handle, c_void_p()
        if handle:
            lib.storagexml_reader_free(handle)

    def __enter__(self) -> "ItemReader":
        return self

    def __exit__(self, *exception: Any) -> None:
        self.close()

    def __del__(self) -> None:
        self.close()


class ItemWriter:
    """Writes a document one item at a time, in memory bounded by a batch of items.

    ``ItemWriter(target, client_id, key_id)`` starts a document for `target`, a path or a binary
    file. :meth:`write` (or :meth:`write_items`) checks and writes items as they come, raising
    :exc:`ValidationError` for one the library refuses, with the C++ texts, and
    :meth:`close` writes the array's ``client_id`` and ``key_id`` (attributes that may be set up
    to then) and ends the document. Written to a path, the document appears at the path only
    when :meth:`close` succeeds: until then it goes to a temporary file beside it, and any file
    already at the path stays as it was.

    As a context manager, the writer closes at the end of the ``with`` block; when the block
    ends with an exception, nothing is written to the path (a file object keeps whatever it
    was given so far) and the exception goes on. The text is byte for byte what :func:`dumps`
    writes for the same items: ``indent`` puts one element on each line, ``declaration`` the
    XML declaration first.
    """

    def __init__(self, target: Union[PathLike, BinaryIO], client_id: str = "", key_id: str = "", *,
                 indent: bool = True, declaration: bool = True) -> None:
        self.client_id = client_id
        self.key_id = key_id
        self._callback = _Callback()
        self._keep: Any = None
        self._handle = c_void_p()
        flags = (_capi.WRITE_INDENT if indent else 0) | (_capi.WRITE_DECLARATION if declaration else 0)
        if _is_path(target):
            call(lib.storagexml_writer_open_file, _path(target), flags, byref(self._handle))
        elif hasattr(target, "write"):
            self._callback, self._keep = _stream_writer(target)
            call(lib.storagexml_writer_open_callback, self._keep, None, flags, byref(self._handle))
        else:
            raise TypeError("a document is written to a path or a binary file, not %s" % type(target).__name__)

    def write(self, item: Item) -> None:
        """Checks and writes one item."""
        self._write([item])

    def write_items(self, items: Iterable[Item]) -> None:
        """Checks and writes items one after another; those before one that fails are written."""
        batch: List[Item] = []
        for item in items:
            batch.append(item)
            if len(batch) == _BATCH:
                self._write(batch)
                batch = []
        if batch:
            self._write(batch)

    def _write(self, items: List[Item]) -> None:
        self._open()
        description = describe_items(items)
        self._callback.call(lib.storagexml_writer_write_items, self._handle, description, len(description))

    def close(self) -> None:
        """Writes the array's fields and ends the document, putting it at its path; a closed
        writer's close does nothing."""
        if not self._handle:
            return
        client = _text(self.client_id, "client_id").encode("utf-8", "surrogatepass")
        key = _text(self.key_id, "key_id").encode("utf-8", "surrogatepass")
        self._callback.call(lib.storagexml_writer_close, self._handle, client, len(client), key, len(key))
        self.discard()

    def discard(self) -> None:
        """Gives up the document unless it was closed: nothing is written to its path."""
        handle, self._handle = self._handle, c_void_p()
        if handle:
            lib.storagexml_writer_free(handle)

    def _open(self) -> None:
        if not self._handle:
            raise ValueError("the writer is closed")

    def __enter__(self) -> "ItemWriter":
        return self

    def __exit__(self, kind: Any, *exception: Any) -> None:
        if kind is None:
            self.close()
        else:
            self.discard()

    def __del__(self) -> None:
        self.discard()


def iter_items(source: Union[PathLike, BinaryIO]) -> ItemReader:
    """The items of the document at `source` (a path or a binary file), one at a time.

    Memory is bounded by a batch of items, whatever the size of the document::

        with storagexml.iter_items("big.xml") as items:
            for item in items:
                ...
            print(items.client_id, items.key_id)
    """
    return ItemReader(source)


def load(source: Union[PathLike, BinaryIO]) -> Array:
    """Reads the document at `source`, a path or a binary file, into an :class:`Array`.

    Raises :exc:`ValidationError` for a document the library refuses (malformed, or breaking
    the schema anywhere), and :exc:`FileError` (also an ``OSError``) for a file that cannot be
    read.
    """
    with ItemReader(source) as reader:
        return _without_collection(ItemReader._read_array, reader)


def loads(text: Union[str, bytes, bytearray, memoryview]) -> Array:
    """Reads the document in `text`, a ``str`` (read as UTF-8) or bytes, into an :class:`Array`."""
    if isinstance(text, str):
        data = text.encode("utf-8", "surrogatepass")
    elif isinstance(text, (bytes, bytearray, memoryview)):
        data = bytes(text)
    else:
        raise TypeError("loads() reads str or bytes, not %s" % type(text).__name__)
    with ItemReader(data, _in_memory=True) as reader:
        return _without_collection(ItemReader._read_array, reader)


def _check_array(array: Any) -> Array:
    if not isinstance(array, Array):
        raise TypeError("an array must be storagexml.Array, not %s" % type(array).__name__)
    return array


def dump(array: Array, target: Union[PathLike, BinaryIO], *, indent: bool = True, declaration: bool = True) -> None:
    """Writes `array` as a document to `target`, a path or a binary file.

    Written to a path, it is all or nothing: the document appears there whole, or, when writing
    fails (a value the library refuses, a full disk), any file at the path stays as it was.
    """
    _check_array(array)
    with ItemWriter(target, array.client_id, array.key_id, indent=indent, declaration=declaration) as writer:
        writer.write_items(array.items)


class _Pieces(list):
    write = list.append


def dumps(array: Array, *, indent: bool = True, declaration: bool = True) -> str:
    """The document of `array` as text: the same text as the C++ library's ``ToXml``."""
    pieces = _Pieces()
    dump(array, pieces, indent=indent, declaration=declaration)  # type: ignore[arg-type]
    return b"".join(pieces).decode("utf-8")
