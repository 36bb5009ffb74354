"""Storage documents for Python: typed, fully checked objects, read and written by the
StorageXml library through its C interface.

    import storagexml as sx

    array = sx.load("doc.xml")                  # or sx.loads(text), text a str or bytes
    for item in array.items:
        for parameter in item.parameters:
            print(item.key_id, parameter.name, parameter.value)
    sx.dump(array, "copy.xml")                  # all or nothing; sx.dumps(array) gives the text

    with sx.iter_items("big.xml") as items:     # one batch of items in memory at a time
        for item in items:
            ...

Objects are dataclasses compared by value: :class:`Array`, :class:`Item`, :class:`Parameter`
and :class:`Range`. A value is a ``float`` (num), ``str`` (str), ``bool`` (bBool),
:class:`ErrorCode` (err, an ``int`` subclass), ``int`` (w, 64 bits) or a :class:`Range`.
Failures of the library raise :exc:`ValidationError`, a chain of levels with the C++ library's
texts and positions; arguments that cannot be mapped raise ``TypeError`` or ``ValueError``.

The C library is found through ``STORAGEXML_LIBRARY``, beside the package, in the library folder
of the installation or on the system's library path (see ``storagexml._capi``).
"""

from ._capi import LibraryNotFoundError, version as library_version
from ._documents import ItemReader, ItemWriter, dump, dumps, iter_items, load, loads
from ._errors import Error, FileError, ValidationError
from ._model import Array, Cell, ErrorCode, Item, Parameter, Range, Value

__version__ = "1.0.0"
__all__ = [
    "load", "loads", "dump", "dumps", "iter_items", "ItemReader", "ItemWriter",
    "Array", "Item", "Parameter", "Range", "ErrorCode", "Value", "Cell",
    "Error", "ValidationError", "FileError", "LibraryNotFoundError", "library_version",
]

for _public in (Array, Item, Parameter, Range, ErrorCode, Error, ValidationError, FileError, LibraryNotFoundError,
                 ItemReader, ItemWriter):
    _public.__module__ = __name__  # as users name them: storagexml.Item, storagexml.ValidationError
del _public
