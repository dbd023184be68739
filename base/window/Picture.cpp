#include "base/window/Picture.h"

#include "base/system/Error.h"
#include "base/system/SystemServices.h"

#include <csetjmp>
#include <cstdio>

extern "C" {
#include <jpeglib.h>
}

namespace {

// libjpeg reports fatal errors through error_exit, which must not return:
// it jumps back into DecodeInto. Warnings (a truncated file, corrupt data
// that libjpeg would paint over) are counted and make the picture fail too.
struct TErrorManager {
    jpeg_error_mgr Base;
    jmp_buf Jump;
    int Warnings;
    char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr Info)
{
    auto* errors = reinterpret_cast<TErrorManager*>(Info->err);
    errors->Base.format_message(Info, errors->Message);
    std::longjmp(errors->Jump, 1);
}

void EmitMessage(j_common_ptr Info, int Level)
{
    auto* errors = reinterpret_cast<TErrorManager*>(Info->err);
    if (Level < 0 && errors->Warnings++ == 0)
        errors->Base.format_message(Info, errors->Message);
}

// Only plain data lives in this frame across setjmp: nothing here has a
// destructor that the jump could skip. Returns 0 on success, 1 when libjpeg
// failed, 2 when the picture is too large.
int DecodeInto(const uint8_t* Data, size_t Size, TErrorManager& Errors, int& Width, int& Height, uint8_t* (*Allocate)(void*, size_t),
               void* Target)
{
    jpeg_decompress_struct info;
    info.err = jpeg_std_error(&Errors.Base);
    Errors.Base.error_exit = ErrorExit;
    Errors.Base.emit_message = EmitMessage;
    Errors.Warnings = 0;
    Errors.Message[0] = '\0';
    if (setjmp(Errors.Jump)) {
        jpeg_destroy_decompress(&info);
        return 1;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, const_cast<unsigned char*>(Data), static_cast<unsigned long>(Size));
    jpeg_read_header(&info, TRUE);
    if (info.image_width == 0 || info.image_height == 0 || info.image_width > MaxPictureSide ||
        info.image_height > MaxPictureSide) {
        jpeg_destroy_decompress(&info);
        return 2;
    }
    info.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&info);
    Width = static_cast<int>(info.output_width);
    Height = static_cast<int>(info.output_height);
    const size_t stride = static_cast<size_t>(Width) * 4;
    uint8_t* pixels = Allocate(Target, stride * static_cast<size_t>(Height));
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return 0;
}

uint8_t* AllocatePixels(void* Target, size_t Size)
{
    auto* pixels = static_cast<std::vector<uint8_t>*>(Target);
    pixels->assign(Size, 0);
    return pixels->data();
}

} // namespace

bool DecodeJpeg(const uint8_t* Data, size_t Size, TPicture& Picture, std::string& Error)
{
    Picture = TPicture();
    if (!Data || Size == 0) {
        Error = "no data";
        return false;
    }
    TErrorManager errors;
    std::vector<uint8_t> pixels;
    int width = 0;
    int height = 0;
    int result;
    try {
        result = DecodeInto(Data, Size, errors, width, height, AllocatePixels, &pixels);
    } catch (const std::bad_alloc&) {
        Error = "out of memory";
        return false;
    }
    if (result == 2) {
        Error = "picture too large or empty";
        return false;
    }
    if (result != 0 || errors.Warnings > 0) {
        Error = errors.Message[0] ? errors.Message : "damaged data";
        return false;
    }
    Picture.Width = width;
    Picture.Height = height;
    Picture.Pixels = std::move(pixels);
    return true;
}

TPicture DecodePicture(const std::vector<uint8_t>& Data, int Id, std::string& Failure)
{
    TPicture picture;
    std::string error;
    if (DecodeJpeg(Data.data(), Data.size(), picture, error))
        Failure.clear();
    else
        Failure = "Picture " + std::to_string(Id) + " cannot be shown: " + error;
    return picture;
}

TPicture LoadPictureResource(int Id, std::string& Failure) { return DecodePicture(LoadResourceBytes(Id), Id, Failure); }
