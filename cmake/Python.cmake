# The Python package storagexml (pure Python over the C library, nothing to
# compile), installed by `cmake --install` in the component "python":
#   cmake --install build --component python
# into STORAGEXML_PYTHON_SITEDIR under the prefix: lib/python3/dist-packages
# for the prefix /usr, where Debian's Python looks, lib/python3/site-packages
# elsewhere (add it to PYTHONPATH). The package then finds the C library in
# the installation's library folder, whatever the prefix, through the file
# _installed.py written here; where the libraries go to a folder the system's
# loader searches (/usr), it finds it there and no such file is installed, so
# the package's files are the same on every architecture.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(sitedir lib/python3/dist-packages)
else()
  set(sitedir lib/python3/site-packages)
endif()
set(STORAGEXML_PYTHON_SITEDIR ${sitedir} CACHE STRING
    "Where cmake --install puts the Python package storagexml, relative to the prefix")

if(WIN32)
  set(librarydir ${CMAKE_INSTALL_BINDIR})
else()
  set(librarydir ${CMAKE_INSTALL_LIBDIR})
endif()
# Both folders relative to the prefix give a path between them that holds for
# any prefix given at install time.
cmake_path(ABSOLUTE_PATH STORAGEXML_PYTHON_SITEDIR BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX} OUTPUT_VARIABLE from)
cmake_path(ABSOLUTE_PATH librarydir BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX} OUTPUT_VARIABLE to)
file(RELATIVE_PATH relative ${from}/storagexml ${to})
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/python/_installed.py
     "# Written by cmake --install: the C library's folder, relative to this package.\nLIBRARY_DIR = \"${relative}\"\n")

install(DIRECTORY python/storagexml DESTINATION ${STORAGEXML_PYTHON_SITEDIR} COMPONENT python
        FILES_MATCHING PATTERN "*.py" PATTERN "py.typed" PATTERN "__pycache__" EXCLUDE)
if(WIN32 OR NOT STORAGEXML_SYSTEM_LIBDIR)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/python/_installed.py DESTINATION ${STORAGEXML_PYTHON_SITEDIR}/storagexml
          COMPONENT python)
endif()
