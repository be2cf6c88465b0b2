#pragma once

// The table written by quorvane-embed-pictures: pictures decoded at build time.
namespace qv::ui::builtin {

struct Picture {
    const char* name;
    int width;
    int height;
    int format; // QImage::Format
    long long bytesPerLine;
    const unsigned char* bits; // 16-byte aligned, height * bytesPerLine bytes
};

extern const Picture kPictures[];
extern const int kPictureCount;

} // namespace qv::ui::builtin
