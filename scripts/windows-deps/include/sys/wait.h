/* Included by libisofs's filters; the Windows build runs no child processes (filters/external.c is
 * replaced by external-windows.c). */
#ifndef QUORVANE_SYS_WAIT_H
#define QUORVANE_SYS_WAIT_H
#endif
