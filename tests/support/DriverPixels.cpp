// Driver helpers: pixels of the program's windows, and what a message box's
// icon shows. See DriverSupport.h.
#include "DriverSupport.h"

#include <cstdio>

// ---- Pixels -------------------------------------------------------------------------

bool DriverCapture(HWND window, bool whole, DriverImage* image)
{
    RECT rect;
    if (whole) {
        GetWindowRect(window, &rect);
    } else {
        GetClientRect(window, &rect);
        MapWindowPoints(window, NULL, (POINT*)&rect, 2);
    }
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;

    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool ok = false;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT) != FALSE;
        SelectObject(memory, old);
    }
    if (ok) {
        image->width = width;
        image->height = height;
        image->pixels.resize(size_t(width) * height);
        const DWORD* source = (const DWORD*)bits;
        for (size_t i = 0; i < image->pixels.size(); ++i) {
            DWORD bgr = source[i];
            image->pixels[i] = RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
        }
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return ok;
}

COLORREF DriverPixel(const DriverImage& image, int x, int y)
{
    if (x < 0 || y < 0 || x >= image.width || y >= image.height)
        return CLR_INVALID;
    return image.pixels[size_t(y) * image.width + x];
}

bool DriverSaveBmp(const DriverImage& image, const char* path)
{
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    int rowBytes = (image.width * 3 + 3) & ~3;
    BITMAPFILEHEADER header;
    BITMAPINFOHEADER info;
    ZeroMemory(&header, sizeof header);
    ZeroMemory(&info, sizeof info);
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + DWORD(rowBytes) * image.height;
    info.biSize = sizeof info;
    info.biWidth = image.width;
    info.biHeight = image.height;  // bottom-up rows
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    fwrite(&header, sizeof header, 1, file);
    fwrite(&info, sizeof info, 1, file);
    std::vector<unsigned char> row(size_t(rowBytes), 0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            COLORREF colour = DriverPixel(image, x, y);
            row[size_t(x) * 3 + 0] = GetBValue(colour);
            row[size_t(x) * 3 + 1] = GetGValue(colour);
            row[size_t(x) * 3 + 2] = GetRValue(colour);
        }
        fwrite(row.data(), 1, row.size(), file);
    }
    fclose(file);
    return true;
}

// ---- Message box icons ----------------------------------------------------------

// Draws an icon at the given size on a black and on a white ground: where
// the two agree the icon covers the ground, and that is its colour.
static bool RenderIcon(HICON icon, int width, int height, DriverImage* onBlack, DriverImage* onWhite)
{
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HDC memory = CreateCompatibleDC(NULL);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool ok = memory && bitmap;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        DriverImage* images[2] = {onBlack, onWhite};
        for (int ground = 0; ground < 2; ++ground) {
            RECT all = {0, 0, width, height};
            FillRect(memory, &all, (HBRUSH)GetStockObject(ground == 0 ? BLACK_BRUSH : WHITE_BRUSH));
            ok = ok && DrawIconEx(memory, 0, 0, icon, width, height, 0, NULL, DI_NORMAL);
            GdiFlush();
            images[ground]->width = width;
            images[ground]->height = height;
            images[ground]->pixels.resize(size_t(width) * height);
            const DWORD* source = (const DWORD*)bits;
            for (size_t i = 0; i < images[ground]->pixels.size(); ++i)
                images[ground]->pixels[i] =
                    RGB((source[i] >> 16) & 0xFF, (source[i] >> 8) & 0xFF, source[i] & 0xFF);
        }
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    return ok;
}

// Share of the icon's covered pixels that the shown image has in the icon's colour.
static double IconMatch(const DriverImage& shown, HICON icon)
{
    DriverImage onBlack, onWhite;
    if (!RenderIcon(icon, shown.width, shown.height, &onBlack, &onWhite))
        return 0;
    long covered = 0, same = 0;
    for (size_t i = 0; i < shown.pixels.size(); ++i) {
        if (onBlack.pixels[i] != onWhite.pixels[i])
            continue;
        ++covered;
        same += shown.pixels[i] == onBlack.pixels[i];
    }
    return covered ? double(same) / double(covered) : 0;
}

UINT DriverMessageBoxIcon(HWND box, std::string* detail)
{
    // The icon control of the platform's message box template.
    HWND control = GetDlgItem(box, 1088);
    DriverImage shown;
    if (!control || !IsWindowVisible(control) || !DriverCapture(control, false, &shown)) {
        *detail = "no icon shown";
        return 0;
    }
    static const struct {
        UINT flag;
        LPCWSTR id;
        const char* name;
    } icons[] = {
        {MB_ICONQUESTION, MAKEINTRESOURCEW(32514), "question"},
        {MB_ICONINFORMATION, MAKEINTRESOURCEW(32516), "information"},
        {MB_ICONWARNING, MAKEINTRESOURCEW(32515), "warning"},
        {MB_ICONERROR, MAKEINTRESOURCEW(32513), "error"},
    };
    UINT best = 0;
    double bestMatch = 0;
    detail->clear();
    for (const auto& icon : icons) {
        double match = IconMatch(shown, LoadIconW(NULL, icon.id));
        char text[64];
        snprintf(text, sizeof text, "%s%s %.0f %%", detail->empty() ? "" : ", ", icon.name, match * 100);
        *detail += text;
        if (match > bestMatch) {
            bestMatch = match;
            best = icon.flag;
        }
    }
    // The shown icon is the platform's own, drawn the same way: all but a
    // few pixels agree; another icon agrees only where the two share colours.
    return bestMatch >= 0.95 ? best : 0;
}
