/**
 * @file storagexml.h
 * @brief The C interface of StorageXml: read, navigate, build and write Storage documents from C
 * or any language with a C foreign-function interface.
 *
 * The interface is a thin layer over the C++ library: every function converts its arguments,
 * calls the C++ classes and catches whatever they throw. It compiles as C99 and as C++, names
 * no C++ type, and exports only functions whose names start with `storagexml_`, so a host built
 * by any compiler (MSVC included) can use the library built by another.
 *
 * @par Conventions, kept by every function
 * - Text and paths are UTF-8. A text argument comes with its length in bytes, or with
 *   ::STORAGEXML_NUL_TERMINATED when it ends with a NUL. Lengths, counts and indexes are
 *   `size_t`; 64-bit integers are `int64_t`, 32-bit ones `int32_t`; booleans are `int`
 *   (0 false, anything else true).
 * - A function that can fail returns `int`: 0 on success; otherwise nonzero, its output
 *   arguments untouched, and, when its last argument `error` is not NULL, `*error` set to a new
 *   ::storagexml_error that the caller frees with storagexml_error_free(). Pass NULL for `error`
 *   to ignore the details. A function that returns a count, a kind, a flag or a number
 *   directly cannot fail; given NULL, it returns 0 (::STORAGEXML_KIND_UNSET for a kind).
 * - No exception ever leaves the library: every failure of the C++ library, running out of
 *   memory included, is reported as an error.
 * - A NULL where a handle, a text or an output pointer belongs is reported as an error of kind
 *   ::STORAGEXML_ERROR_ARGUMENT, never a crash. An output length (`size_t* length`) may be NULL.
 * - Ownership: every handle a function gives out (`**out`) is owned by the caller and freed
 *   with the free function of its type; every `char*` text it gives out is owned by the caller,
 *   NUL-terminated, and freed with storagexml_free(); every `const char*` it returns is
 *   borrowed (from the library, or from the error it was taken from) and never freed. A host
 *   never frees with its own `free`: the library frees what it allocates. Every free function
 *   accepts NULL and then does nothing.
 * - A handle holds a reference on its object, as a smart pointer does in C++: a handle taken
 *   from a parent (an item of an array, the value of a parameter) stays valid after the
 *   parent's handle is freed, and keeps seeing the object the parent held. A tree changed
 *   through one handle is seen changed through every other handle on it.
 * - Threads: one tree, reader or writer from one thread at a time; independent ones on
 *   different threads at once. Errors belong to the call that made them.
 *
 * @par The tree
 * An array (::storagexml_array, the document) holds items and two strings; an item
 * (::storagexml_item) four strings and its parameters; a parameter (::storagexml_param) a
 * name, a key flag and a value (::storagexml_value); a value holds one of six kinds
 * (::storagexml_kind), the sixth a range (::storagexml_range) of rows, columns and cells, each
 * cell a value of the first five kinds.
 */
#ifndef STORAGEXML_H
#define STORAGEXML_H

#include <stddef.h>
#include <stdint.h>

/** @cond STORAGEXML_INTERNAL */
#if defined(STORAGEXML_C_BUILDING) && defined(__GNUC__) && !defined(_WIN32)
#define STORAGEXML_API __attribute__((visibility("default")))
#else
#define STORAGEXML_API
#endif
/** @endcond */

#ifdef __cplusplus
extern "C" {
#endif

/** A text length that stands for "up to the terminating NUL". */
#define STORAGEXML_NUL_TERMINATED ((size_t)-1)

/** A Storage document: its items, then a client id and a key id. */
typedef struct storagexml_array storagexml_array;
/** One storage item: a client id, a category id, a function name, a key id and its parameters. */
typedef struct storagexml_item storagexml_item;
/** A named parameter of an item: its name, its key flag and its value. */
typedef struct storagexml_param storagexml_param;
/** A value: a parameter's (any of the six kinds) or a range cell's (one of the first five). */
typedef struct storagexml_value storagexml_value;
/** A two-dimensional range: a row count, a column count and its cells, in order. */
typedef struct storagexml_range storagexml_range;
/** Reads a document one item at a time. */
typedef struct storagexml_reader storagexml_reader;
/** Writes a document one item at a time. */
typedef struct storagexml_writer storagexml_writer;
/** A failure: one level of the chain of messages, outermost first, each with its position. */
typedef struct storagexml_error storagexml_error;

/** What a value holds. */
typedef enum storagexml_kind {
    STORAGEXML_KIND_UNSET = 0, /**< nothing yet: a value must be set before it is written */
    STORAGEXML_KIND_NUM = 1,   /**< a double ("num") */
    STORAGEXML_KIND_STR = 2,   /**< a string ("str") */
    STORAGEXML_KIND_BOOL = 3,  /**< a boolean ("bBool") */
    STORAGEXML_KIND_ERR = 4,   /**< a 32-bit error code ("err") */
    STORAGEXML_KIND_W = 5,     /**< a 64-bit integer ("w") */
    STORAGEXML_KIND_RANGE = 6  /**< a range ("Range"); a parameter's value only */
} storagexml_kind;

/** What failed, at one level of an error's chain. */
typedef enum storagexml_error_kind {
    STORAGEXML_ERROR_GENERAL = 1,       /**< a failure of the library (a refused value, unreadable text or file...) */
    STORAGEXML_ERROR_VALIDATION = 2,    /**< a document or tree that breaks the schema, wrapping its cause */
    STORAGEXML_ERROR_INVALID_STATE = 3, /**< a getter of an alternative that is not set; a reader or writer used out of turn */
    STORAGEXML_ERROR_ARGUMENT = 4,      /**< a NULL or otherwise unusable argument of this interface */
    STORAGEXML_ERROR_OUT_OF_MEMORY = 5, /**< memory ran out */
    STORAGEXML_ERROR_OTHER = 6          /**< any other failure inside the library */
} storagexml_error_kind;

/** How a document is laid out when written; combine with |. 0 writes it compact, without the declaration. */
typedef enum storagexml_write_flags {
    STORAGEXML_WRITE_INDENT = 1,      /**< one element per line, two spaces per level */
    STORAGEXML_WRITE_DECLARATION = 2, /**< begin with <?xml version="1.0" encoding="UTF-8"?> */
    STORAGEXML_WRITE_DEFAULT = 3      /**< both, as the functions without options write */
} storagexml_write_flags;

/**
 * Where a read takes its bytes from: puts up to `capacity` bytes at `buffer`, stores how many
 * in `*length` (0 at the end of the document) and returns 0; returns nonzero when the bytes
 * cannot be read, which fails the read ("Cannot read the input stream").
 */
typedef int (*storagexml_read_fn)(void* context, char* buffer, size_t capacity, size_t* length);
/**
 * Where a writer puts its text: takes `length` bytes from `data` and returns 0; returns nonzero
 * when they cannot be written, which fails the writer ("Cannot write the output stream").
 */
typedef int (*storagexml_write_fn)(void* context, const char* data, size_t length);

/* ---- The library ---------------------------------------------------------------------------- */

/** The library's version, "1.0.0" (borrowed). */
STORAGEXML_API const char* storagexml_version(void);
/** The namespace URI of every element of a Storage document (borrowed). */
STORAGEXML_API const char* storagexml_target_namespace(void);
/** How many objects of the library are alive right now, to see that a host leaked none. */
STORAGEXML_API long storagexml_live_object_count(void);
/** Frees a text the library gave out; NULL does nothing. */
STORAGEXML_API void storagexml_free(void* text);

/* ---- Errors ----------------------------------------------------------------------------------- */

/** This level's message (borrowed from the error), the same text a C++ host catches; "" for NULL. */
STORAGEXML_API const char* storagexml_error_message(const storagexml_error* error);
/** The 1-based line in the read text this level refers to; 0 when not known. */
STORAGEXML_API long storagexml_error_line(const storagexml_error* error);
/** The 1-based column in the read text this level refers to; 0 when not known. */
STORAGEXML_API long storagexml_error_column(const storagexml_error* error);
/** What failed at this level; ::STORAGEXML_ERROR_ARGUMENT for NULL. */
STORAGEXML_API storagexml_error_kind storagexml_error_get_kind(const storagexml_error* error);
/** The next level, one step nearer the cause (borrowed from the error); NULL at the cause. */
STORAGEXML_API const storagexml_error* storagexml_error_inner(const storagexml_error* error);
/** Frees an error given out by a function, with every level below it; NULL does nothing. */
STORAGEXML_API void storagexml_error_free(storagexml_error* error);

/* ---- Arrays: whole documents -------------------------------------------------------------- */

/** A new, empty array. */
STORAGEXML_API int storagexml_array_create(storagexml_array** out, storagexml_error** error);
/** Reads the document in the file at `utf8_path` into a new array. */
STORAGEXML_API int storagexml_array_read_file(const char* utf8_path, storagexml_array** out,
                                              storagexml_error** error);
/** Reads the document in `text` (`length` bytes, or ::STORAGEXML_NUL_TERMINATED) into a new array. */
STORAGEXML_API int storagexml_array_read_text(const char* text, size_t length, storagexml_array** out,
                                              storagexml_error** error);
/** Reads the document that `read` hands over, called with `context`, into a new array. */
STORAGEXML_API int storagexml_array_read_callback(storagexml_read_fn read, void* context, storagexml_array** out,
                                                  storagexml_error** error);
/** Writes the array as an indented document with the declaration; `*text` is freed with storagexml_free(). */
STORAGEXML_API int storagexml_array_write_text(storagexml_array* array, char** text, size_t* length,
                                               storagexml_error** error);
/** Writes the array as a document laid out as `flags` (::storagexml_write_flags) say. */
STORAGEXML_API int storagexml_array_write_text_options(storagexml_array* array, unsigned flags, char** text,
                                                       size_t* length, storagexml_error** error);
/**
 * Writes the array as an indented document with the declaration to the file at `utf8_path`,
 * all or nothing: on failure any file there is left as it was.
 */
STORAGEXML_API int storagexml_array_write_file(storagexml_array* array, const char* utf8_path,
                                               storagexml_error** error);
/** Writes the array to a file as storagexml_array_write_file() does, laid out as `flags` say. */
STORAGEXML_API int storagexml_array_write_file_options(storagexml_array* array, const char* utf8_path,
                                                       unsigned flags, storagexml_error** error);
/** Gives up the handle; the array lives on while other handles hold it. NULL does nothing. */
STORAGEXML_API void storagexml_array_free(storagexml_array* array);

/* ---- Arrays: fields and items -------------------------------------------------------------- */

/** The array's client id (a new text). */
STORAGEXML_API int storagexml_array_client_id(const storagexml_array* array, char** text, size_t* length,
                                              storagexml_error** error);
/** Sets the array's client id. */
STORAGEXML_API int storagexml_array_set_client_id(storagexml_array* array, const char* text, size_t length,
                                                  storagexml_error** error);
/** The array's key id (a new text). */
STORAGEXML_API int storagexml_array_key_id(const storagexml_array* array, char** text, size_t* length,
                                           storagexml_error** error);
/** Sets the array's key id. */
STORAGEXML_API int storagexml_array_set_key_id(storagexml_array* array, const char* text, size_t length,
                                               storagexml_error** error);
/** How many items the array holds; 0 for NULL. */
STORAGEXML_API size_t storagexml_array_item_count(const storagexml_array* array);
/** The item at `index` (counted from 0). */
STORAGEXML_API int storagexml_array_item(storagexml_array* array, size_t index, storagexml_item** out,
                                         storagexml_error** error);
/** Appends a new, empty item and gives it out. */
STORAGEXML_API int storagexml_array_add_item(storagexml_array* array, storagexml_item** out,
                                             storagexml_error** error);
/** Appends an item made elsewhere (shared, not copied: the handle keeps seeing it). */
STORAGEXML_API int storagexml_array_append_item(storagexml_array* array, storagexml_item* item,
                                                storagexml_error** error);
/** Removes the item at `index`; handles on it keep it alive, outside the array. */
STORAGEXML_API int storagexml_array_remove_item(storagexml_array* array, size_t index, storagexml_error** error);
/** Removes every item. */
STORAGEXML_API int storagexml_array_clear_items(storagexml_array* array, storagexml_error** error);

/* ---- Items -------------------------------------------------------------------------------------- */

/** A new, empty item, to append to an array or to hand to a writer. */
STORAGEXML_API int storagexml_item_create(storagexml_item** out, storagexml_error** error);
/** Gives up the handle; NULL does nothing. */
STORAGEXML_API void storagexml_item_free(storagexml_item* item);
/** The item's client id (a new text). */
STORAGEXML_API int storagexml_item_client_id(const storagexml_item* item, char** text, size_t* length,
                                             storagexml_error** error);
/** Sets the item's client id. */
STORAGEXML_API int storagexml_item_set_client_id(storagexml_item* item, const char* text, size_t length,
                                                 storagexml_error** error);
/** The item's category id (a new text). */
STORAGEXML_API int storagexml_item_cat_id(const storagexml_item* item, char** text, size_t* length,
                                          storagexml_error** error);
/** Sets the item's category id. */
STORAGEXML_API int storagexml_item_set_cat_id(storagexml_item* item, const char* text, size_t length,
                                              storagexml_error** error);
/** The item's function name (a new text). */
STORAGEXML_API int storagexml_item_function_name(const storagexml_item* item, char** text, size_t* length,
                                                 storagexml_error** error);
/** Sets the item's function name. */
STORAGEXML_API int storagexml_item_set_function_name(storagexml_item* item, const char* text, size_t length,
                                                     storagexml_error** error);
/** The item's key id (a new text). */
STORAGEXML_API int storagexml_item_key_id(const storagexml_item* item, char** text, size_t* length,
                                          storagexml_error** error);
/** Sets the item's key id. */
STORAGEXML_API int storagexml_item_set_key_id(storagexml_item* item, const char* text, size_t length,
                                              storagexml_error** error);
/** How many parameters the item holds; 0 for NULL. */
STORAGEXML_API size_t storagexml_item_param_count(const storagexml_item* item);
/** The parameter at `index` (counted from 0). */
STORAGEXML_API int storagexml_item_param(storagexml_item* item, size_t index, storagexml_param** out,
                                         storagexml_error** error);
/** Appends a new parameter with no value set and gives it out. */
STORAGEXML_API int storagexml_item_add_param(storagexml_item* item, storagexml_param** out,
                                             storagexml_error** error);
/** Appends a parameter made elsewhere (shared, not copied). */
STORAGEXML_API int storagexml_item_append_param(storagexml_item* item, storagexml_param* param,
                                                storagexml_error** error);
/** Removes the parameter at `index`. */
STORAGEXML_API int storagexml_item_remove_param(storagexml_item* item, size_t index, storagexml_error** error);
/** Removes every parameter. */
STORAGEXML_API int storagexml_item_clear_params(storagexml_item* item, storagexml_error** error);

/* ---- Parameters ------------------------------------------------------------------------------- */

/** A new parameter with no value set. */
STORAGEXML_API int storagexml_param_create(storagexml_param** out, storagexml_error** error);
/** Gives up the handle; NULL does nothing. */
STORAGEXML_API void storagexml_param_free(storagexml_param* param);
/** The parameter's name (a new text). */
STORAGEXML_API int storagexml_param_name(const storagexml_param* param, char** text, size_t* length,
                                         storagexml_error** error);
/** Sets the parameter's name. */
STORAGEXML_API int storagexml_param_set_name(storagexml_param* param, const char* text, size_t length,
                                             storagexml_error** error);
/** Whether the parameter is a key (1) or not (0); 0 for NULL. */
STORAGEXML_API int storagexml_param_is_key(const storagexml_param* param);
/** Sets whether the parameter is a key. */
STORAGEXML_API int storagexml_param_set_is_key(storagexml_param* param, int is_key, storagexml_error** error);
/** The parameter's value, to read or set. */
STORAGEXML_API int storagexml_param_value(storagexml_param* param, storagexml_value** out,
                                          storagexml_error** error);
/** Makes `value` (from storagexml_value_create() or another parameter; shared, not copied) the parameter's value. */
STORAGEXML_API int storagexml_param_set_value(storagexml_param* param, storagexml_value* value,
                                              storagexml_error** error);

/* ---- Values -------------------------------------------------------------------------------------- */

/** A new parameter's value with nothing set. */
STORAGEXML_API int storagexml_value_create(storagexml_value** out, storagexml_error** error);
/** A new range cell with nothing set. */
STORAGEXML_API int storagexml_value_create_cell(storagexml_value** out, storagexml_error** error);
/** Gives up the handle; NULL does nothing. */
STORAGEXML_API void storagexml_value_free(storagexml_value* value);
/** What the value holds. */
STORAGEXML_API storagexml_kind storagexml_value_kind(const storagexml_value* value);
/**
 * Selects (`valid` nonzero, with the kind's default value, unless it is set already) or unsets
 * (`valid` 0, when it is the one set) the alternative of `kind`, a ::storagexml_kind of a scalar,
 * as C++'s SetValidNum() and its siblings do; unsetting ::STORAGEXML_KIND_RANGE unsets a
 * parameter's range.
 */
STORAGEXML_API int storagexml_value_set_valid(storagexml_value* value, int kind, int valid, storagexml_error** error);
/** The double; fails with ::STORAGEXML_ERROR_INVALID_STATE unless that kind is set. */
STORAGEXML_API int storagexml_value_num(const storagexml_value* value, double* out, storagexml_error** error);
/** Sets the double. */
STORAGEXML_API int storagexml_value_set_num(storagexml_value* value, double number, storagexml_error** error);
/** The string (a new text); fails with ::STORAGEXML_ERROR_INVALID_STATE unless that kind is set. */
STORAGEXML_API int storagexml_value_str(const storagexml_value* value, char** text, size_t* length,
                                        storagexml_error** error);
/** Sets the string; text that XML cannot carry is refused. */
STORAGEXML_API int storagexml_value_set_str(storagexml_value* value, const char* text, size_t length,
                                            storagexml_error** error);
/** The boolean (1 or 0); fails with ::STORAGEXML_ERROR_INVALID_STATE unless that kind is set. */
STORAGEXML_API int storagexml_value_bool(const storagexml_value* value, int* out, storagexml_error** error);
/** Sets the boolean. */
STORAGEXML_API int storagexml_value_set_bool(storagexml_value* value, int flag, storagexml_error** error);
/** The 32-bit error code; fails with ::STORAGEXML_ERROR_INVALID_STATE unless that kind is set. */
STORAGEXML_API int storagexml_value_err(const storagexml_value* value, int32_t* out, storagexml_error** error);
/** Sets the 32-bit error code. */
STORAGEXML_API int storagexml_value_set_err(storagexml_value* value, int32_t code, storagexml_error** error);
/** The 64-bit integer; fails with ::STORAGEXML_ERROR_INVALID_STATE unless that kind is set. */
STORAGEXML_API int storagexml_value_w(const storagexml_value* value, int64_t* out, storagexml_error** error);
/** Sets the 64-bit integer. */
STORAGEXML_API int storagexml_value_set_w(storagexml_value* value, int64_t number, storagexml_error** error);
/** A parameter's range, or `*out` NULL when no range is set; a cell holds none (an argument error). */
STORAGEXML_API int storagexml_value_range(storagexml_value* value, storagexml_range** out,
                                          storagexml_error** error);
/** Sets a parameter's value to `range` (shared, not copied); a cell takes none. */
STORAGEXML_API int storagexml_value_set_range(storagexml_value* value, storagexml_range* range,
                                              storagexml_error** error);

/* ---- Ranges ------------------------------------------------------------------------------------- */

/** A new range with no cell, 0 rows and 0 columns. */
STORAGEXML_API int storagexml_range_create(storagexml_range** out, storagexml_error** error);
/** Gives up the handle; NULL does nothing. */
STORAGEXML_API void storagexml_range_free(storagexml_range* range);
/** The row count, as given (it is not compared with the cells); 0 for NULL. */
STORAGEXML_API int32_t storagexml_range_rows(const storagexml_range* range);
/** Sets the row count. */
STORAGEXML_API int storagexml_range_set_rows(storagexml_range* range, int32_t rows, storagexml_error** error);
/** The column count, as given; 0 for NULL. */
STORAGEXML_API int32_t storagexml_range_columns(const storagexml_range* range);
/** Sets the column count. */
STORAGEXML_API int storagexml_range_set_columns(storagexml_range* range, int32_t columns,
                                                storagexml_error** error);
/** How many cells the range holds; 0 for NULL. */
STORAGEXML_API size_t storagexml_range_cell_count(const storagexml_range* range);
/** The cell at `index` (counted from 0), a value of the first five kinds. */
STORAGEXML_API int storagexml_range_cell(storagexml_range* range, size_t index, storagexml_value** out,
                                         storagexml_error** error);
/** Appends a new cell with nothing set and gives it out. */
STORAGEXML_API int storagexml_range_add_cell(storagexml_range* range, storagexml_value** out,
                                             storagexml_error** error);
/** Appends a cell made elsewhere (from storagexml_value_create_cell() or another range; shared, not copied). */
STORAGEXML_API int storagexml_range_append_cell(storagexml_range* range, storagexml_value* cell,
                                                storagexml_error** error);
/** Removes the cell at `index`. */
STORAGEXML_API int storagexml_range_remove_cell(storagexml_range* range, size_t index, storagexml_error** error);
/** Removes every cell. */
STORAGEXML_API int storagexml_range_clear_cells(storagexml_range* range, storagexml_error** error);

/* ---- Reading one item at a time --------------------------------------------------------------- */

/**
 * Opens the document in the file at `utf8_path` for reading item by item: memory is bounded by
 * the largest item, whatever their number. Each item is read, and fails, as a whole read would.
 */
STORAGEXML_API int storagexml_reader_open_file(const char* utf8_path, storagexml_reader** out,
                                               storagexml_error** error);
/** Opens a copy of `text` for reading item by item. */
STORAGEXML_API int storagexml_reader_open_text(const char* text, size_t length, storagexml_reader** out,
                                               storagexml_error** error);
/** Opens the document that `read` hands over, called with `context`, for reading item by item. */
STORAGEXML_API int storagexml_reader_open_callback(storagexml_read_fn read, void* context, storagexml_reader** out,
                                                   storagexml_error** error);
/**
 * The next item in `*item`, or NULL after the last one. After a failure every later call fails
 * the same way; items given out before stay valid.
 */
STORAGEXML_API int storagexml_reader_next(storagexml_reader* reader, storagexml_item** item,
                                          storagexml_error** error);
/** The array's client id (a new text); fails with ::STORAGEXML_ERROR_INVALID_STATE until every item is read. */
STORAGEXML_API int storagexml_reader_client_id(const storagexml_reader* reader, char** text, size_t* length,
                                               storagexml_error** error);
/** The array's key id (a new text); fails with ::STORAGEXML_ERROR_INVALID_STATE until every item is read. */
STORAGEXML_API int storagexml_reader_key_id(const storagexml_reader* reader, char** text, size_t* length,
                                            storagexml_error** error);
/** The bytes of the document taken in so far, for a progress report; 0 for NULL. */
STORAGEXML_API uint64_t storagexml_reader_bytes_read(const storagexml_reader* reader);
/** Closes the document; items given out stay valid. NULL does nothing. */
STORAGEXML_API void storagexml_reader_free(storagexml_reader* reader);

/* ---- Writing one item at a time --------------------------------------------------------------- */

/**
 * Starts a document for the file at `utf8_path`, laid out as `flags` (::storagexml_write_flags)
 * say. The text goes to a temporary file beside it; nothing at the path changes unless
 * storagexml_writer_close() succeeds. The text is byte for byte what writing a whole array
 * with the same items gives.
 */
STORAGEXML_API int storagexml_writer_open_file(const char* utf8_path, unsigned flags, storagexml_writer** out,
                                               storagexml_error** error);
/** Starts a document whose text goes to `write`, called with `context`, in pieces as the items come. */
STORAGEXML_API int storagexml_writer_open_callback(storagexml_write_fn write, void* context, unsigned flags,
                                                   storagexml_writer** out, storagexml_error** error);
/** Starts a writer that writes nowhere and only checks each item and field as a writer would. */
STORAGEXML_API int storagexml_writer_open_check(storagexml_writer** out, storagexml_error** error);
/**
 * Checks and writes one item, failing as writing an array holding it would; after a failure the
 * writer refuses further work and never puts its file in place.
 */
STORAGEXML_API int storagexml_writer_write_item(storagexml_writer* writer, storagexml_item* item,
                                                storagexml_error** error);
/** Writes the array's client id and key id, ends the document and puts it at its path (or hands the rest to the callback). */
STORAGEXML_API int storagexml_writer_close(storagexml_writer* writer, const char* client_id, size_t client_id_length,
                                           const char* key_id, size_t key_id_length, storagexml_error** error);
/** Frees the writer; without a successful close its temporary file is removed and the path stays as it was. */
STORAGEXML_API void storagexml_writer_free(storagexml_writer* writer);

/* ---- Many items in one call ------------------------------------------------------------------- */

/**
 * @par The item description
 * Items cross the interface in bulk as one text, a host for which every call across it is dear
 * (an interpreter) then reading or writing a document in a few calls instead of one per field:
 * UTF-8 JSON (RFC 8259, with the numbers `NaN`, `Infinity` and `-Infinity` added), an array
 * with one element per item:
 * - an item: `[client_id, cat_id, function_name, key_id, [parameter, ...]]`, four strings and
 *   the parameters in order;
 * - a parameter: `[name, is_key, value]`, a string, `true` or `false`, and the value;
 * - a value: a number with a fraction or an exponent, or `NaN`, `Infinity`, `-Infinity` (num);
 *   a string (str); `true` or `false` (bBool); `{"err": code}`, an integer (err); an integer
 *   without fraction or exponent (w); for a parameter, `{"Range": [rows, columns, [cell, ...]]}`,
 *   two integers and the cells in order, each a value of the first five kinds; `null` for a value
 *   with nothing set (which a document never holds, and a writer refuses).
 *
 * For example `[["c","books","Price","k1",[["price",false,2.5],["id",true,9007199254740993],
 * ["q",false,{"Range":[1,2,["a",{"err":7}]]}]]]]`. Doubles are written in the shortest form that
 * reads back to the same bits, with a fraction or an exponent (`1.0`, `-0.0`, `1e300`).
 */

/**
 * Reads the next items, at most `max_items` (not 0), and describes them in one new text (the
 * item description), `*count` of them: 0 after the last item. Each item is read, and fails, as
 * storagexml_reader_next() reads it; when an item fails after others of the same call, those
 * are handed out and the next call reports the failure.
 */
STORAGEXML_API int storagexml_reader_next_items(storagexml_reader* reader, size_t max_items, char** text,
                                                size_t* length, size_t* count, storagexml_error** error);
/**
 * Builds each item that `text` (`length` bytes, or ::STORAGEXML_NUL_TERMINATED) describes with the
 * setters of its fields and values, and checks and writes it as storagexml_writer_write_item()
 * does, one after another. A value a setter refuses, or an item the writer refuses, fails the
 * call as those functions fail, the items before it written; text that is no item description
 * is an error of kind ::STORAGEXML_ERROR_ARGUMENT naming the byte where it went wrong.
 */
STORAGEXML_API int storagexml_writer_write_items(storagexml_writer* writer, const char* text, size_t length,
                                                 storagexml_error** error);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* STORAGEXML_H */
