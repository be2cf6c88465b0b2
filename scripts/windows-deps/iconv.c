#include "iconv.h"

#include <errno.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

enum Encoding { kUtf8, kUtf16Be, kUtf16Le, kUcs2Be, kAscii };

struct quorvane_iconv {
    enum Encoding from;
    enum Encoding to;
};

static int Lookup(const char* name, enum Encoding* encoding)
{
    static const struct {
        const char* name;
        enum Encoding encoding;
    } names[] = {
        {"UTF-8", kUtf8},     {"UTF8", kUtf8},       {"UTF-16BE", kUtf16Be}, {"UTF-16LE", kUtf16Le},
        {"WCHAR_T", kUtf16Le}, {"UCS-2BE", kUcs2Be}, {"ASCII", kAscii},      {"US-ASCII", kAscii},
        {"ANSI_X3.4-1968", kAscii},
    };
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
        if (_stricmp(name, names[i].name) == 0) {
            *encoding = names[i].encoding;
            return 1;
        }
    }
    return 0;
}

iconv_t iconv_open(const char* tocode, const char* fromcode)
{
    struct quorvane_iconv* cd = malloc(sizeof *cd);
    if (cd == NULL)
        return (iconv_t)-1;
    if (!Lookup(tocode, &cd->to) || !Lookup(fromcode, &cd->from)) {
        free(cd);
        errno = EINVAL;
        return (iconv_t)-1;
    }
    return cd;
}

int iconv_close(iconv_t cd)
{
    free(cd);
    return 0;
}

/* Reads one code point: its byte count, 0 when the input ends inside it, -1 when it is invalid. */
static int Decode(enum Encoding encoding, const unsigned char* in, size_t left, uint32_t* code)
{
    switch (encoding) {
    case kAscii:
        if (in[0] > 0x7f)
            return -1;
        *code = in[0];
        return 1;
    case kUtf8: {
        const unsigned char lead = in[0];
        int length;
        uint32_t minimum;
        if (lead < 0x80) {
            *code = lead;
            return 1;
        }
        if (lead >= 0xc2 && lead <= 0xdf) {
            length = 2;
            minimum = 0x80;
            *code = lead & 0x1f;
        } else if (lead >= 0xe0 && lead <= 0xef) {
            length = 3;
            minimum = 0x800;
            *code = lead & 0x0f;
        } else if (lead >= 0xf0 && lead <= 0xf4) {
            length = 4;
            minimum = 0x10000;
            *code = lead & 0x07;
        } else {
            return -1;
        }
        for (int i = 1; i < length; ++i) {
            if ((size_t)i >= left)
                return 0;
            if ((in[i] & 0xc0) != 0x80)
                return -1;
            *code = (*code << 6) | (in[i] & 0x3f);
        }
        if (*code < minimum || *code > 0x10ffff || (*code >= 0xd800 && *code <= 0xdfff))
            return -1;
        return length;
    }
    case kUtf16Be:
    case kUtf16Le:
    case kUcs2Be: {
        if (left < 2)
            return 0;
        const int big = encoding != kUtf16Le;
        const uint32_t unit = big ? (uint32_t)(in[0] << 8 | in[1]) : (uint32_t)(in[1] << 8 | in[0]);
        if (unit < 0xd800 || unit > 0xdfff) {
            *code = unit;
            return 2;
        }
        if (encoding == kUcs2Be || unit > 0xdbff)
            return -1;
        if (left < 4)
            return 0;
        const uint32_t low = big ? (uint32_t)(in[2] << 8 | in[3]) : (uint32_t)(in[3] << 8 | in[2]);
        if (low < 0xdc00 || low > 0xdfff)
            return -1;
        *code = 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00);
        return 4;
    }
    }
    return -1;
}

static void PutUnit(enum Encoding encoding, unsigned char* out, uint32_t unit)
{
    if (encoding == kUtf16Le) {
        out[0] = (unsigned char)(unit & 0xff);
        out[1] = (unsigned char)(unit >> 8);
    } else {
        out[0] = (unsigned char)(unit >> 8);
        out[1] = (unsigned char)(unit & 0xff);
    }
}

/* Writes one code point: its byte count, 0 when it does not fit, -1 when the target cannot hold it. */
static int Encode(enum Encoding encoding, uint32_t code, unsigned char* out, size_t left)
{
    switch (encoding) {
    case kAscii:
        if (code > 0x7f)
            return -1;
        if (left < 1)
            return 0;
        out[0] = (unsigned char)code;
        return 1;
    case kUtf8: {
        const int length = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        if (left < (size_t)length)
            return 0;
        if (length == 1) {
            out[0] = (unsigned char)code;
        } else {
            static const unsigned char leads[] = {0, 0, 0xc0, 0xe0, 0xf0};
            for (int i = length - 1; i > 0; --i) {
                out[i] = (unsigned char)(0x80 | (code & 0x3f));
                code >>= 6;
            }
            out[0] = (unsigned char)(leads[length] | code);
        }
        return length;
    }
    case kUcs2Be:
    case kUtf16Be:
    case kUtf16Le:
        if (code < 0x10000) {
            if (left < 2)
                return 0;
            PutUnit(encoding, out, code);
            return 2;
        }
        if (encoding == kUcs2Be)
            return -1;
        if (left < 4)
            return 0;
        PutUnit(encoding, out, 0xd800 + ((code - 0x10000) >> 10));
        PutUnit(encoding, out + 2, 0xdc00 + ((code - 0x10000) & 0x3ff));
        return 4;
    }
    return -1;
}

size_t iconv(iconv_t cd, char** inbuf, size_t* inbytesleft, char** outbuf, size_t* outbytesleft)
{
    if (inbuf == NULL || *inbuf == NULL)
        return 0; /* no shift state to reset */
    while (*inbytesleft > 0) {
        uint32_t code = 0;
        const int read = Decode(cd->from, (const unsigned char*)*inbuf, *inbytesleft, &code);
        if (read <= 0) {
            errno = read == 0 ? EINVAL : EILSEQ;
            return (size_t)-1;
        }
        const int written = Encode(cd->to, code, (unsigned char*)*outbuf, *outbytesleft);
        if (written <= 0) {
            errno = written == 0 ? E2BIG : EILSEQ;
            return (size_t)-1;
        }
        *inbuf += read;
        *inbytesleft -= (size_t)read;
        *outbuf += written;
        *outbytesleft -= (size_t)written;
    }
    return 0;
}
