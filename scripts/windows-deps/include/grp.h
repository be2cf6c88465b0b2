/* No group database on the Windows build: names are never resolved to numbers or back. */
#ifndef QUORVANE_GRP_H
#define QUORVANE_GRP_H
#include <stddef.h>
struct group {
    char* gr_name;
    gid_t gr_gid;
};
static inline struct group* getgrnam(const char* name) { (void)name; return NULL; }
static inline struct group* getgrgid(gid_t gid) { (void)gid; return NULL; }
#endif
