#include "jpeg_decode.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

namespace pk {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return; we
// jump back to the decoder. The struct starts with the library's manager so
// the library's pointer to it is a pointer to ours.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void errorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings are counted by the library (num_warnings) and judged by the decoder;
// nothing is printed.
void silentMessage(j_common_ptr /*cinfo*/) {}

// Kept free of objects with destructors: longjmp skips them. Everything that
// outlives a jump lives in *out or in the error manager.
bool decodeInto(const std::uint8_t* data, std::size_t size, DecodedPicture* out) {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.output_message = silentMessage;

    if (setjmp(err.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        out->error = err.message;
        return false;
    }

    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.image_width == 0 || cinfo.image_height == 0 ||
        cinfo.image_width > static_cast<JDIMENSION>(kMaxPictureSide) ||
        cinfo.image_height > static_cast<JDIMENSION>(kMaxPictureSide)) {
        jpeg_destroy_decompress(&cinfo);
        out->error = "picture size out of range";
        return false;
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 3) {
        jpeg_destroy_decompress(&cinfo);
        out->error = "unexpected number of colour components";
        return false;
    }

    const std::size_t stride = static_cast<std::size_t>(cinfo.output_width) * 3;
    out->width = static_cast<int>(cinfo.output_width);
    out->height = static_cast<int>(cinfo.output_height);
    out->rgb.assign(stride * cinfo.output_height, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out->rgb.data() + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    const long warnings = err.pub.num_warnings;
    jpeg_destroy_decompress(&cinfo);
    if (warnings > 0) {
        out->error = "damaged picture data";
        return false;
    }
    return true;
}

}  // namespace

DecodedPicture decodeJpeg(const std::uint8_t* data, std::size_t size) {
    DecodedPicture picture;
    if (data == nullptr || size == 0) {
        picture.error = "no picture data";
        return picture;
    }
    if (!decodeInto(data, size, &picture)) {
        picture.width = 0;
        picture.height = 0;
        picture.rgb.clear();
        if (picture.error.empty()) {
            picture.error = "damaged picture data";
        }
    }
    return picture;
}

}  // namespace pk
