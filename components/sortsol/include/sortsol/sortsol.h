/* sortsol: sorts and purges text files of records as a sort specification
 * file describes. C interface of the shared library (libsortsol.so,
 * sortsol.dll); every function returns 0 on success or an SSI_ERR_ code whose
 * French text SSIGetErrorMessage gives.
 *
 * Sort specification file: one statement per line, in this order:
 *   INPUTFILE(path)
 *   OUTPUTFILE(path)                 blanks after the path are dropped
 *   FILETYPE(DELIMITED,"0x00" ,"0x0D,0x0A")
 *   LOGFILE(path,TRUE)               optional
 *   KEY(String,ASC,0,offset,length)  one or more, most significant first
 *   KEY(UIntS,ASC,0,offset,length)
 *   KEY(Date,ASC,0,offset,"DDMMYYYY")
 *   FILTER(DUPLICATES,RECORD) or FILTER(DUPLICATES,KEYS)   optional, last
 * Paths may hold blanks; anything else is refused (SSI_ERR_STATEMENT,
 * the message names the line and the fault).
 *
 * Records: bytes up to a line feed; a carriage return just before it belongs
 * to the line end, and so does a carriage return ending the file. The last
 * record may lack its line end; empty records are records. Every record
 * written ends with CR LF.
 *
 * Keys, all ascending, compared key by key, first most significant; records
 * with equal keys keep their input order. Offsets count from 0.
 *   String  the bytes, unsigned. A record too short for the key compares on
 *           the bytes it has: a missing byte sorts before any byte.
 *   UIntS   leading blanks, then decimal digits up to the first other byte,
 *           read as an unsigned number of any size. A field with no digit
 *           (blank, or starting with another byte) reads 0; whatever follows
 *           the digits is ignored. A field the record does not reach at all
 *           sorts before every number.
 *   Date    DDMMYYYY, compared by year, then month, then day. In order: a
 *           field the record does not reach, a blank field, the dates (each
 *           part: leading blanks then digits; a part out of range such as
 *           month 13 or 31 February still sorts by year, month, day as
 *           read), and last any other content (letters, a cut date), by its
 *           bytes.
 *
 * Filters: FILTER(DUPLICATES,RECORD) drops every record equal, byte for byte,
 * to an earlier one; FILTER(DUPLICATES,KEYS) keeps the first record of each
 * group of records with equal keys. The first in input order is kept.
 *
 * Memory: the environment variable SORTSOL_MEMORY_MB (default 256) bounds the
 * memory of a job; a larger input is sorted in runs written to temporary
 * files beside the output, then merged. The output is written under a
 * temporary name and renamed into place: a failed job leaves it as it was.
 */
#ifndef SORTSOL_SORTSOL_H
#define SORTSOL_SORTSOL_H

#include <stdint.h>

#ifdef _WIN32
#  ifdef SORTSOL_BUILDING
#    define SORTSOL_API __declspec(dllexport)
#  else
#    define SORTSOL_API __declspec(dllimport)
#  endif
#else
#  define SORTSOL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Statistics of one job: 56 bytes, fourteen 32-bit little-endian integers.
 * The caller sets size to 56; SSIGetStats fills the rest. */
typedef struct StatTri {
  int32_t size;             /*  0: 56, set by the caller */
  int32_t filter;           /*  4: 0 none, 1 RECORD, 2 KEYS */
  int32_t key_count;        /*  8: number of KEY lines */
  int32_t runs;             /* 12: sorted runs written to temporary files (0: sorted in memory) */
  int32_t merge_passes;     /* 16: merge passes over temporary files */
  int32_t temp_kib;         /* 20: bytes written to temporary files, KiB rounded up */
  int32_t input_kib;        /* 24: bytes read from the input, KiB rounded up */
  int32_t output_kib;       /* 28: bytes written to the output, KiB rounded up */
  int32_t records_read;     /* 32: records read from the input */
  int32_t records_written;  /* 36: records written to the output */
  int32_t records_removed;  /* 40: records removed by the duplicate filter */
  int32_t elapsed_ms;       /* 44: duration of SSISort, milliseconds */
  int32_t memory_mib;       /* 48: memory budget of the job, MiB */
  int32_t memory_used_kib;  /* 52: largest memory the job held for records, KiB */
} StatTri;

/* Job-creation information: 1072 bytes, size set to 1072 by the caller. The
 * engine leaves the rest as given. */
typedef struct InfoTri {
  int32_t size;
  char reserved[1068];
} InfoTri;

/* Reserved for progress reports; the engine keeps it and never calls it. */
typedef int32_t (*SSICallback)(int32_t handle, int32_t event, int32_t user_value);

enum {
  SSI_OK = 0,
  SSI_ERR_JOB_FILE_UNREADABLE = 1, /* the sort specification file cannot be read */
  SSI_ERR_STATEMENT = 2,  /* a statement is unknown, malformed, missing or out of order */
  SSI_ERR_INPUT = 3,           /* the input file is missing or unreadable */
  SSI_ERR_OUTPUT = 4,          /* the output or a temporary file cannot be written */
  SSI_ERR_LOG = 5,             /* the log file cannot be written */
  SSI_ERR_MEMORY = 6,          /* out of memory */
  SSI_ERR_DISK_FULL = 7,       /* no space left while writing */
  SSI_ERR_HANDLE = 8,          /* no job has this handle */
  SSI_ERR_ARGUMENT = 9,        /* null pointer or wrong size field */
  SSI_ERR_NO_STATS = 10        /* statistics asked before a successful SSISort */
};

/* Reads and checks a sort specification file; *handle receives the job. */
SORTSOL_API int32_t SSICreateFromFile(int32_t* handle, const char* job_file_path, InfoTri* info);
SORTSOL_API int32_t SSIRegisterCallback(int32_t handle, SSICallback callback, int32_t user_value);
/* Runs the job: sorts, filters, writes the output and the log report. */
SORTSOL_API int32_t SSISort(int32_t handle);
/* Copies the statistics of the last successful SSISort of the job; the
 * caller's record is left unchanged on failure. */
SORTSOL_API int32_t SSIGetStats(int32_t handle, StatTri* stats);
SORTSOL_API int32_t SSIFree(int32_t handle);
/* Puts the text of code, Windows-1252, NUL-terminated, into text; *length is
 * the buffer size on the way in and the length of the text stored on the way
 * out. The text of the latest failure with this code names its file, line or
 * fault. */
SORTSOL_API int32_t SSIGetErrorMessage(int32_t code, char* text, int32_t* length);

#ifdef __cplusplus
}
#endif

#endif /* SORTSOL_SORTSOL_H */
