/* No user database on the Windows build: names are never resolved to numbers or back. */
#ifndef QUORVANE_PWD_H
#define QUORVANE_PWD_H
#include <stddef.h>
struct passwd {
    char* pw_name;
    uid_t pw_uid;
    gid_t pw_gid;
};
static inline struct passwd* getpwnam(const char* name) { (void)name; return NULL; }
static inline struct passwd* getpwuid(uid_t uid) { (void)uid; return NULL; }
#endif
