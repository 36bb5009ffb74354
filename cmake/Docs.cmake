# `make docs` (the target docs): the API reference, HTML made by Doxygen from
# the installed headers, with the README as its main page, in BUILD/docs/html.
# Any warning fails the target, an undocumented public member above all: the
# warnings are kept in BUILD/docs/warnings.log.
find_package(Doxygen)
if(NOT DOXYGEN_FOUND)
  return()
endif()

get_directory_property(runtime_headers DIRECTORY runtime DEFINITION NQXML_PUBLIC_HEADERS)
get_directory_property(storage_headers DIRECTORY storage DEFINITION STORAGE_PUBLIC_HEADERS)
list(TRANSFORM runtime_headers PREPEND ${PROJECT_SOURCE_DIR}/runtime/)
list(TRANSFORM storage_headers PREPEND ${PROJECT_SOURCE_DIR}/storage/)
set(c_header ${PROJECT_SOURCE_DIR}/capi/storagexml.h)

set(DOXYGEN_PROJECT_NAME StorageXml)
set(DOXYGEN_PROJECT_NUMBER ${PROJECT_VERSION})
set(DOXYGEN_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/docs)
set(DOXYGEN_USE_MDFILE_AS_MAINPAGE ${PROJECT_SOURCE_DIR}/README.md)
set(DOXYGEN_STRIP_FROM_PATH ${PROJECT_SOURCE_DIR})
set(DOXYGEN_STRIP_FROM_INC_PATH ${PROJECT_SOURCE_DIR})
set(DOXYGEN_FULL_PATH_NAMES YES)
set(DOXYGEN_GENERATE_LATEX NO)
set(DOXYGEN_GENERATE_TREEVIEW YES)
set(DOXYGEN_QUIET YES)
set(DOXYGEN_EXTRACT_ALL NO)
set(DOXYGEN_WARN_IF_UNDOCUMENTED YES)
set(DOXYGEN_WARN_NO_PARAMDOC NO)
set(DOXYGEN_WARN_LOGFILE ${PROJECT_BINARY_DIR}/docs/warnings.log)
# The export macros mean nothing to a reader, and protected members serve the
# bindings' own classes (writers, readers, constructors for the factories),
# never a host: the reference shows them no more than private ones.
set(DOXYGEN_MACRO_EXPANSION YES)
set(DOXYGEN_EXPAND_ONLY_PREDEF YES)
set(DOXYGEN_PREDEFINED NQXML_API= STORAGE_API= STORAGE_TEMPLATE= STORAGEXML_API= protected=private)
# Implementation details a host never names.
set(DOXYGEN_EXCLUDE_SYMBOLS "NqXmlLib3::detail")

doxygen_add_docs(docs-html ${PROJECT_SOURCE_DIR}/README.md ${runtime_headers} ${storage_headers} ${c_header}
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  COMMENT "Writing the API reference")
add_custom_target(docs
  COMMAND ${CMAKE_COMMAND} -DLOG=${DOXYGEN_WARN_LOGFILE} -P ${CMAKE_CURRENT_LIST_DIR}/NoWarnings.cmake
  DEPENDS docs-html
  COMMENT "Checking the API reference for warnings")
