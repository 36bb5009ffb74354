"""Finding the C library: an explicit STORAGEXML_LIBRARY wins, then the package's own folder,
then the system's library path; when none loads, the import fails naming every place tried."""
import os
import shutil
import subprocess
import sys

import pytest

import storagexml

pytestmark = pytest.mark.skipif(not sys.platform.startswith("linux"), reason="Linux library names and paths")
NAME = "libstoragexml-c.so.1"


@pytest.mark.parametrize("beside, variable, loaded, tried", [
    (True, None, "{package}/" + NAME, None),
    (True, "{tmp}/storagexml", "{package}/" + NAME, None),
    (True, "{tmp}/none.so", None, ["STORAGEXML_LIBRARY={tmp}/none.so"]),
    (True, "{tmp}/storagexml/__init__.py", None, ["STORAGEXML_LIBRARY={tmp}/storagexml/__init__.py"]),
    (False, None, None, ["beside the package, in {package}", "the system's library path"]),
])
def test_where_the_library_is_found(tmp_path, beside, variable, loaded, tried):
    package = tmp_path / "storagexml"
    shutil.copytree(os.path.dirname(storagexml.__file__), package, ignore=shutil.ignore_patterns("_installed.py"))
    with open("/proc/self/maps") as maps:  # the library this process loaded, however it was found
        library = next(line.split()[-1] for line in maps if "/" + NAME[:-2] in line)
    if beside:
        shutil.copy(library, package / NAME)
    env = {key: value for key, value in os.environ.items() if key not in ("STORAGEXML_LIBRARY", "LD_LIBRARY_PATH")}
    env.update(PYTHONPATH=str(tmp_path), PYTHONDONTWRITEBYTECODE="1", LD_LIBRARY_PATH=os.path.dirname(library)
               if beside else "")  # the library's own dependencies, for a copy of it
    if variable:
        env["STORAGEXML_LIBRARY"] = variable.format(tmp=tmp_path)
    child = ("try:\n import storagexml\n print(storagexml._capi.lib._name)\n"
             "except ImportError as error:\n print(type(error).__name__, isinstance(error, ImportError))\n print(error)")
    result = subprocess.run([sys.executable, "-c", child], env=env, capture_output=True, text=True, check=True)
    lines = result.stdout.splitlines()
    if loaded:
        assert lines == [loaded.format(package=package)]
    elif len(lines) == 1:
        pytest.skip("the system's library path holds the library")
    else:
        assert lines[:2] == ["LibraryNotFoundError True", "storagexml cannot load its C library %s. Places tried:" % NAME]
        listed = [line.strip().partition(": ")[0] for line in lines if line.startswith("  ")]
        assert listed == [place.format(tmp=tmp_path, package=package) for place in tried]
