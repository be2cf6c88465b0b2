/* nl_langinfo for the Windows build of libisofs: qvr sets the names' character set to UTF-8
 * (iso_set_local_charset), so the locale's own is never asked for beyond this default. */
#ifndef QUORVANE_LANGINFO_H
#define QUORVANE_LANGINFO_H

#define CODESET 14

static inline char* nl_langinfo(int item)
{
    (void)item;
    return (char*)"UTF-8";
}

#endif
