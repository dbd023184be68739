// The program's two pictures are JPEG resources, decoded at run time with
// libjpeg. A damaged or truncated picture gives no picture at all, never a
// half-grey one and never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// 32-bit pixels in blue, green, red, unused order, rows top-down: the layout
// of a top-down Windows DIB section.
struct TPicture {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pixels;
    bool Empty() const { return Pixels.empty(); }
};

// Pictures larger than this are refused before anything is allocated.
constexpr int MaxPictureSide = 4096;

// Decodes a JPEG into Picture; false, with the reason in Error and Picture
// left empty, when the data is not a complete, undamaged JPEG.
bool DecodeJpeg(const uint8_t* Data, size_t Size, TPicture& Picture, std::string& Error);

// Decodes the bytes of picture resource Id. When they are missing or
// damaged the picture is empty and Failure holds the one error line to log
// (the caller logs it: a picture may be needed before the loggers exist).
TPicture DecodePicture(const std::vector<uint8_t>& Data, int Id, std::string& Failure);
TPicture LoadPictureResource(int Id, std::string& Failure);
