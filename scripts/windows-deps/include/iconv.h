/* iconv for the Windows build of libisofs: the few encodings an ISO image's names need (UTF-8,
 * UTF-16 in both byte orders, UCS-2BE, ASCII, WCHAR_T = UTF-16LE on Windows), converted code
 * point by code point with the errno values POSIX gives. */
#ifndef QUORVANE_ICONV_H
#define QUORVANE_ICONV_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct quorvane_iconv* iconv_t;

iconv_t iconv_open(const char* tocode, const char* fromcode);
size_t iconv(iconv_t cd, char** inbuf, size_t* inbytesleft, char** outbuf, size_t* outbytesleft);
int iconv_close(iconv_t cd);

#ifdef __cplusplus
}
#endif

#endif
