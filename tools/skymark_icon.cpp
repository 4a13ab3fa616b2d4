// skymark-icon: writes the program's icon (icon group 101 of its resources),
// drawn by the platform, as an RGBA PNG for desktop launchers.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "host/host.h"
#include "resources/program_resources.h"
#include "resources/resource_ids.h"
#include "win/windows.h"

namespace {

// The icon drawn over a background of one colour, row by row.
std::vector<std::uint32_t> Render(HICON icon, int size, COLORREF background) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, size, size);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all{0, 0, size, size};
    FillRect(dc, &all, brush);
    std::vector<std::uint32_t> pixels;
    if (DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL)) {
        const host::PixelView view = host::DcPixels(dc);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x)
                pixels.push_back(view.At(x, y));
        }
    }
    SelectObject(dc, old);
    DeleteObject(brush);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("usage: skymark-icon OUT.png [SIZE]\n", stderr);
        return 2;
    }
    const int size = argc == 3 ? std::atoi(argv[2]) : 64;
    if (size < 16 || size > 256) {
        std::fputs("skymark-icon: SIZE is 16 to 256\n", stderr);
        return 2;
    }
    HINSTANCE instance = host::CreateInstance(ProgramResources());
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(kIconId));
    // A pixel is transparent where the icon's mask lets either background through.
    const std::vector<std::uint32_t> onBlack = Render(icon, size, RGB(0, 0, 0));
    const std::vector<std::uint32_t> onWhite = Render(icon, size, RGB(255, 255, 255));
    if (icon == nullptr || onBlack.empty() || onBlack.size() != onWhite.size()) {
        std::fputs("skymark-icon: the program's icon cannot be drawn\n", stderr);
        return 1;
    }
    std::vector<std::uint8_t> rgba;
    for (std::size_t i = 0; i < onBlack.size(); ++i) {
        const COLORREF c = onBlack[i];
        const bool opaque = c == onWhite[i];
        rgba.insert(rgba.end(), {GetRValue(c), GetGValue(c), GetBValue(c),
                                 static_cast<std::uint8_t>(opaque ? 255 : 0)});
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(size);
    image.height = static_cast<png_uint_32>(size);
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, argv[1], 0, rgba.data(), 0, nullptr)) {
        std::fprintf(stderr, "skymark-icon: cannot write %s: %s\n", argv[1], image.message);
        return 1;
    }
    return 0;
}
