// png_proof.cpp -- writes a 64x32 RGBA PNG through the static libpng + zlib;
// pixel (x, y) is (4x, 8y, 255 - 4x, 255 - 2y), which the reader checks. Its
// command line goes through the host's header-only CLI11, as lndtool's will.
#include <CLI/CLI.hpp>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    CLI::App app{"Writes a test pattern as a PNG file"};
    std::string out_path;
    app.add_option("out", out_path, "PNG file to write")->required();
    CLI11_PARSE(app, argc, argv);
    constexpr int kWidth = 64, kHeight = 32;
    std::vector<unsigned char> rgba(kWidth * kHeight * 4);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            unsigned char* p = &rgba[(y * kWidth + x) * 4];
            p[0] = static_cast<unsigned char>(4 * x);
            p[1] = static_cast<unsigned char>(8 * y);
            p[2] = static_cast<unsigned char>(255 - 4 * x);
            p[3] = static_cast<unsigned char>(255 - 2 * y);
        }

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kWidth;
    image.height = kHeight;
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, out_path.c_str(), 0, rgba.data(), 0, nullptr)) {
        std::fprintf(stderr, "ERROR : %s: libpng could not write it: %s\n", out_path.c_str(), image.message);
        return 1;
    }
    std::printf("wrote %s with libpng %s, zlib %s\n", out_path.c_str(), png_libpng_ver, zlibVersion());
    return 0;
}
