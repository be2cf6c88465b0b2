/* Force-included into every file of libisofs's Windows build (-include): the POSIX names MinGW-w64
 * lacks. The image is built from qvr's own streams, so the library's paths that read a local file
 * system by itself (symbolic links, owners, extended attributes) are never taken; they get answers
 * that say "none". */
#ifndef QUORVANE_POSIX_COMPAT_H
#define QUORVANE_POSIX_COMPAT_H

/* localtime_r and gmtime_r from MinGW-w64's time.h */
#ifndef _POSIX_THREAD_SAFE_FUNCTIONS
#define _POSIX_THREAD_SAFE_FUNCTIONS 200112L
#endif

#include <errno.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifndef QUORVANE_POSIX_IDS
#define QUORVANE_POSIX_IDS
typedef unsigned int uid_t;
typedef unsigned int gid_t;
#endif
typedef unsigned int nlink_t;

#ifndef S_IFLNK
#define S_IFLNK 0120000
#endif
#ifndef S_IFSOCK
#define S_IFSOCK 0140000
#endif
#ifndef S_ISLNK
#define S_ISLNK(m) (((m) & S_IFMT) == S_IFLNK)
#endif
#ifndef S_ISSOCK
#define S_ISSOCK(m) (((m) & S_IFMT) == S_IFSOCK)
#endif
#ifndef S_ISUID
#define S_ISUID 04000
#define S_ISGID 02000
#define S_ISVTX 01000
#endif
#ifndef S_IRGRP
#define S_IRGRP 00040
#define S_IWGRP 00020
#define S_IXGRP 00010
#define S_IRWXG 00070
#define S_IROTH 00004
#define S_IWOTH 00002
#define S_IXOTH 00001
#define S_IRWXO 00007
#endif

/* No symbolic links: lstat is stat, a link cannot be read. (A function, not a macro: lstat is also
 * the name of a member of libisofs's file source class.) */
static inline int lstat(const char* path, struct stat* info) { return stat(path, info); }
static inline int readlink(const char* path, char* buffer, size_t size)
{
    (void)path;
    (void)buffer;
    (void)size;
    errno = EINVAL;
    return -1;
}
static inline uid_t getuid(void) { return 0; }
static inline gid_t getgid(void) { return 0; }
static inline uid_t geteuid(void) { return 0; }
static inline gid_t getegid(void) { return 0; }

#endif
