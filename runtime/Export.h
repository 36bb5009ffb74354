// Export macro of the binding runtime library.
#pragma once

#if defined(NQXML_STATIC)
#  define NQXML_API
#elif defined(_WIN32)
#  if defined(NQXML_BUILDING)
#    define NQXML_API __declspec(dllexport)
#  else
#    define NQXML_API __declspec(dllimport)
#  endif
#else
#  define NQXML_API __attribute__((visibility("default")))
#endif
