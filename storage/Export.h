// Export macros of the Storage binding library.
#pragma once

#if defined(STORAGE_STATIC)
#  define STORAGE_API
#elif defined(_WIN32)
#  if defined(STORAGE_BUILDING)
#    define STORAGE_API __declspec(dllexport)
#  else
#    define STORAGE_API __declspec(dllimport)
#  endif
#else
#  define STORAGE_API __attribute__((visibility("default")))
#endif

// For class templates whose instances are bases of exported classes: their
// type information must be visible on both sides of the library boundary.
#if defined(_WIN32) || defined(STORAGE_STATIC)
#  define STORAGE_TEMPLATE
#else
#  define STORAGE_TEMPLATE __attribute__((visibility("default")))
#endif
