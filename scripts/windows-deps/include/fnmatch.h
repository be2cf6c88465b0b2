/* fnmatch for the Windows build of libisofs (its find conditions on names): '*', '?' and the
 * literal characters; no flags, no brackets. */
#ifndef QUORVANE_FNMATCH_H
#define QUORVANE_FNMATCH_H
#define FNM_NOMATCH 1
#define FNM_PATHNAME 1
#define FNM_PERIOD 4
static inline int fnmatch(const char* pattern, const char* name, int flags)
{
    (void)flags;
    if (*pattern == '\0')
        return *name == '\0' ? 0 : FNM_NOMATCH;
    if (*pattern == '*') {
        for (;; ++name) {
            if (fnmatch(pattern + 1, name, 0) == 0)
                return 0;
            if (*name == '\0')
                return FNM_NOMATCH;
        }
    }
    if (*name == '\0' || (*pattern != '?' && *pattern != *name))
        return FNM_NOMATCH;
    return fnmatch(pattern + 1, name + 1, 0);
}
#endif
