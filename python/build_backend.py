"""The package's build backend: setuptools, which makes every distribution.

Before version 70.1 setuptools makes wheels only with the separate `wheel`
package, which a virtual environment made offline lacks (its setuptools comes
from the interpreter's own bundle). There, for this package of pure Python
files, the wheel is written here instead, from the metadata in pyproject.toml:
`pip install --no-build-isolation ./python` then works in any environment
that has setuptools.
"""
import base64
import hashlib
import os
import zipfile

from setuptools import build_meta as _setuptools
from setuptools.build_meta import *  # noqa: F401,F403  (sdists and editable installs as setuptools makes them)

_HERE = os.path.dirname(os.path.abspath(__file__))


def _setuptools_makes_wheels():
    try:
        import wheel  # noqa: F401
    except ImportError:
        try:
            from setuptools.command import bdist_wheel  # noqa: F401  (setuptools 70.1 and later)
        except ImportError:
            return False
    return True


def _project():
    try:
        import tomllib
    except ImportError:  # before Python 3.11: the copy setuptools carries
        from setuptools.extern import tomli as tomllib
    with open(os.path.join(_HERE, "pyproject.toml"), "rb") as file:
        return tomllib.load(file)["project"]


def _dist_info(project):
    name, version = project["name"], project["version"]
    metadata = ["Metadata-Version: 2.1", "Name: " + name, "Version: " + version,
                "Summary: " + project["description"], "Requires-Python: " + project["requires-python"]]
    metadata += ["Classifier: " + classifier for classifier in project.get("classifiers", [])]
    wheel = ["Wheel-Version: 1.0", "Generator: storagexml build_backend", "Root-Is-Purelib: true", "Tag: py3-none-any"]
    folder = "%s-%s.dist-info" % (name, version)
    return folder, {folder + "/METADATA": "\n".join(metadata) + "\n", folder + "/WHEEL": "\n".join(wheel) + "\n"}


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    if _setuptools_makes_wheels():
        return _setuptools.prepare_metadata_for_build_wheel(metadata_directory, config_settings)
    folder, files = _dist_info(_project())
    for path, text in files.items():
        os.makedirs(os.path.join(metadata_directory, os.path.dirname(path)), exist_ok=True)
        with open(os.path.join(metadata_directory, path), "w", encoding="utf-8") as file:
            file.write(text)
    return folder


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    if _setuptools_makes_wheels():
        return _setuptools.build_wheel(wheel_directory, config_settings, metadata_directory)
    project = _project()
    folder, files = _dist_info(project)
    for name in sorted(os.listdir(os.path.join(_HERE, "storagexml"))):
        if name.endswith(".py") or name == "py.typed":
            with open(os.path.join(_HERE, "storagexml", name), encoding="utf-8") as file:
                files["storagexml/" + name] = file.read()
    record = []
    for path, text in files.items():
        digest = base64.urlsafe_b64encode(hashlib.sha256(text.encode()).digest()).rstrip(b"=").decode()
        record.append("%s,sha256=%s,%d" % (path, digest, len(text.encode())))
    files[folder + "/RECORD"] = "\n".join(record + [folder + "/RECORD,,"]) + "\n"
    wheel_name = "%s-%s-py3-none-any.whl" % (project["name"], project["version"])
    with zipfile.ZipFile(os.path.join(wheel_directory, wheel_name), "w", zipfile.ZIP_DEFLATED) as archive:
        for path, text in files.items():
            archive.writestr(path, text)
    return wheel_name
