#pragma once
/* The two entries of the checksum library, with C linkage, as its callers
 * look them up by name at run time.
 *
 * Contract shared by both entries:
 *  - key receives exactly 4 characters (upper-case hexadecimal) and nothing
 *    more: no terminating NUL, so a 4-character buffer is enough and the rest
 *    of a larger pre-filled buffer is left as it was;
 *  - value receives the CRC as an integer (0 to 65535);
 *  - null out-pointers are skipped.
 */
#ifdef _WIN32
#define CRCLAVIX_API __declspec(dllexport)
#else
#define CRCLAVIX_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Key of length bytes of data. A negative length, or null data, is taken as
 * no bytes. */
CRCLAVIX_API void CalcCRC16(const char* data, int length, int* value, char* key);

/* Key of the whole file at path (read in blocks; any size). status receives 0
 * on success; otherwise a non-zero value, and value and key are left as they
 * were. */
CRCLAVIX_API void CalcFileCRC16(const char* path, int* value, short* status, char* key);

#ifdef __cplusplus
}
#endif
