// JPEG pictures through libjpeg. libjpeg reports errors by calling back; the
// callback jumps back here so that C frames are never unwound by a C++
// exception. Warnings (a truncated or damaged stream that libjpeg would
// otherwise fill with grey) count as errors.
#include "platform/exception.h"
#include "platform/picture.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace platform {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char text[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr info) {
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    err->base.format_message(info, err->text);
    std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr info, int level) {
    if (level < 0) OnError(info);  // a warning: damaged data
}

// Kept apart from the C++ objects so that the jump skips no destructor.
bool Decode(std::span<const uint8_t> file, Picture* pic, ErrorManager* err, const char** tooBig) {
    jpeg_decompress_struct info;
    info.err = jpeg_std_error(&err->base);
    err->base.error_exit = OnError;
    err->base.emit_message = OnMessage;
    if (setjmp(err->jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    // Bound libjpeg's own working memory as well.
    info.mem->max_memory_to_use = 256L * 1024 * 1024;
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    if (info.image_width == 0 || info.image_height == 0 || info.image_width > kMaxPictureSide ||
        info.image_height > kMaxPictureSide ||
        int64_t{info.image_width} * info.image_height > kMaxPicturePixels) {
        *tooBig = "picture too large";
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = info.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&info);
    pic->width = static_cast<int>(info.output_width);
    pic->height = static_cast<int>(info.output_height);
    pic->bitsPerPixel = 24;
    pic->pixels.resize(size_t{info.output_width} * info.output_height * 3);
    const int components = info.output_components;
    std::vector<uint8_t>& out = pic->pixels;
    while (info.output_scanline < info.output_height) {
        uint8_t* row = out.data() + size_t{info.output_scanline} * info.output_width * 3;
        JSAMPROW line = row;
        jpeg_read_scanlines(&info, &line, 1);
        if (components == 1) {  // repeat grey into all three, back to front in place
            for (int x = static_cast<int>(info.output_width) - 1; x >= 0; --x)
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = row[x];
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

Picture DecodeJpeg(std::span<const uint8_t> file, const std::string& name) {
    if (file.empty()) throw vPrintException_c(0, "Bad JPEG file %s: empty file", name.c_str());
    Picture pic;
    ErrorManager err{};
    const char* tooBig = nullptr;
    if (!Decode(file, &pic, &err, &tooBig))
        throw vPrintException_c(0, "Bad JPEG file %s: %s", name.c_str(), tooBig ? tooBig : err.text);
    return pic;
}

}  // namespace platform
