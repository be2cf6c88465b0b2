/* libisofs's external filters pipe a file through a child process (fork, pipes, waitpid); the
 * Windows build has none: adding one fails, no stream is such a filter. */
#include "../libisofs.h"

int iso_file_add_external_filter(IsoFile* file, IsoExternalFilterCommand* cmd, int flag)
{
    (void)file;
    (void)cmd;
    (void)flag;
    return ISO_ERROR;
}

int iso_stream_get_external_filter(IsoStream* stream, IsoExternalFilterCommand** cmd, int flag)
{
    (void)stream;
    (void)cmd;
    (void)flag;
    return 0;
}
