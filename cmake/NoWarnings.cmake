# cmake -P script: fails, showing them, when the Doxygen warning log LOG holds any warning.
file(READ ${LOG} warnings)
if(NOT warnings STREQUAL "")
  message(FATAL_ERROR "The API reference has warnings (an undocumented public member, most often):\n${warnings}")
endif()
