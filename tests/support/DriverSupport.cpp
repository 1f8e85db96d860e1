// Driver helpers: see DriverSupport.h.
#include "DriverSupport.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cmath>

static int g_passed;
static int g_failed;

// ---- Checks and reporting -------------------------------------------------

void DriverLog(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    printf("\n");
    fflush(stdout);
}

bool DriverCheck(bool ok, const std::string& name, const std::string& detail)
{
    if (ok) {
        ++g_passed;
    } else {
        ++g_failed;
        if (detail.empty())
            DriverLog("FAIL %s", name.c_str());
        else
            DriverLog("FAIL %s: %s", name.c_str(), detail.c_str());
    }
    return ok;
}

bool DriverCheckEqual(const std::string& actual, const std::string& expected, const std::string& name)
{
    return DriverCheck(actual == expected, name,
                       "got \"" + DriverShow(actual) + "\", expected \"" + DriverShow(expected) + "\"");
}

bool DriverCheckEqualInt(long long actual, long long expected, const std::string& name)
{
    return DriverCheck(actual == expected, name,
                       "got " + std::to_string(actual) + ", expected " + std::to_string(expected));
}

int DriverSummary()
{
    printf("%d passed, %d failed\n", g_passed, g_failed);
    fflush(stdout);
    return g_failed == 0 ? 0 : 1;
}

int DriverFailures()
{
    return g_failed;
}

std::string DriverShow(const std::string& text)
{
    std::string escaped;
    for (unsigned char c : text) {
        if (c == '\n')
            escaped += "\\n";
        else if (c == '\t')
            escaped += "\\t";
        else if (c == '"' || c == '\\')
            escaped += std::string("\\") + char(c);
        else if (c < 0x20) {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            escaped += hex;
        } else
            escaped += char(c);
    }
    return DriverUtf8(escaped);
}

// ---- Time -------------------------------------------------------------------

DWORD DriverTimeoutScale()
{
    static DWORD scale;
    if (scale == 0) {
        const char* value = getenv("ORVENDA_TIMEOUT_SCALE");
        int parsed = value ? atoi(value) : 1;
        scale = parsed > 0 ? DWORD(parsed) : 1;
    }
    return scale;
}

void DriverPause(DWORD ms)
{
    Sleep(ms);
}

bool DriverWaitUntil(bool (*condition)(void* context), void* context, DWORD timeoutMs)
{
    ULONGLONG deadline = GetTickCount64() + ULONGLONG(timeoutMs) * DriverTimeoutScale();
    for (;;) {
        if (condition(context))
            return true;
        if (GetTickCount64() >= deadline)
            return condition(context);
        Sleep(10);
    }
}

// ---- Locale -----------------------------------------------------------------

bool DriverExpectCzechLocale()
{
    return PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID())) == LANG_CZECH && GetACP() == 1250;
}

std::wstring DriverWide(const std::string& ansi)
{
    if (ansi.empty())
        return std::wstring();
    int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), NULL, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), &wide[0], length);
    return wide;
}

std::string DriverAnsi(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), NULL, 0, NULL, NULL);
    std::string ansi(length, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), &ansi[0], length, NULL, NULL);
    return ansi;
}

std::string DriverUtf8(const std::string& ansi)
{
    std::wstring wide = DriverWide(ansi);
    if (wide.empty())
        return std::string();
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), NULL, 0, NULL, NULL);
    std::string utf8(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), &utf8[0], length, NULL, NULL);
    return utf8;
}

// ---- The program's process --------------------------------------------------

std::string DriverWindowsPath(const char* path)
{
    std::string result = path;
    if (!result.empty() && result[0] == '/') {
        for (char& c : result)
            if (c == '/')
                c = '\\';
        result = "Z:" + result;
    }
    return result;
}

bool DriverStart(const char* exePath, const char* args, DriverProcess* process)
{
    ZeroMemory(process, sizeof *process);
    std::string path = DriverWindowsPath(exePath);
    std::string commandLine = "\"" + path + "\"";
    if (args && *args)
        commandLine += std::string(" ") + args;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    return CreateProcessA(path.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                          &process->info) != FALSE;
}

bool DriverStartAndWait(const char* exePath, const char* args, const char* caption, DWORD timeoutMs,
                        DriverProcess* process)
{
    if (!DriverStart(exePath, args, process))
        return false;
    process->dialog = DriverWaitForTopWindow(process->info.dwProcessId, "#32770", caption, NULL, timeoutMs);
    return process->dialog != NULL;
}

bool DriverWaitForExit(DriverProcess* process, DWORD timeoutMs, DWORD* exitCode)
{
    if (!process->info.hProcess)
        return false;
    if (WaitForSingleObject(process->info.hProcess, timeoutMs * DriverTimeoutScale()) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    GetExitCodeProcess(process->info.hProcess, &code);
    if (exitCode)
        *exitCode = code;
    return true;
}

bool DriverIsRunning(const DriverProcess* process)
{
    return process->info.hProcess && WaitForSingleObject(process->info.hProcess, 0) == WAIT_TIMEOUT;
}

void DriverClose(DriverProcess* process)
{
    if (process->info.hThread)
        CloseHandle(process->info.hThread);
    if (process->info.hProcess)
        CloseHandle(process->info.hProcess);
    ZeroMemory(process, sizeof *process);
}

void DriverKill(DriverProcess* process)
{
    if (DriverIsRunning(process)) {
        TerminateProcess(process->info.hProcess, 9999);
        WaitForSingleObject(process->info.hProcess, 10000);
    }
    DriverClose(process);
}

// ---- Windows -----------------------------------------------------------------

std::string DriverClassName(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string DriverWindowText(HWND window)
{
    LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0)
        return std::string();
    std::wstring text(size_t(length) + 1, L'\0');
    LRESULT got = SendMessageW(window, WM_GETTEXT, WPARAM(length + 1), LPARAM(&text[0]));
    text.resize(got > 0 ? size_t(got) : 0);
    return DriverAnsi(text);
}

struct TopWindowSearch {
    DWORD pid;
    const char* className;
    const char* caption;
    std::vector<HWND> found;
};

static BOOL CALLBACK CollectTopWindow(HWND window, LPARAM context)
{
    TopWindowSearch* search = (TopWindowSearch*)context;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window))
        return TRUE;
    if (search->className && DriverClassName(window) != search->className)
        return TRUE;
    if (search->caption && DriverWindowText(window) != search->caption)
        return TRUE;
    search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> DriverFindTopWindows(DWORD pid, const char* className, const char* caption)
{
    TopWindowSearch search = {pid, className, caption, {}};
    EnumWindows(CollectTopWindow, LPARAM(&search));
    return search.found;
}

HWND DriverWaitForTopWindow(DWORD pid, const char* className, const char* caption, HWND exclude,
                            DWORD timeoutMs)
{
    ULONGLONG deadline = GetTickCount64() + ULONGLONG(timeoutMs) * DriverTimeoutScale();
    for (;;) {
        for (HWND window : DriverFindTopWindows(pid, className, caption))
            if (window != exclude)
                return window;
        if (GetTickCount64() >= deadline)
            return NULL;
        Sleep(20);
    }
}

HWND DriverWaitForMessageBox(DWORD pid, const char* caption, HWND exclude, DWORD timeoutMs)
{
    return DriverWaitForTopWindow(pid, "#32770", caption, exclude, timeoutMs);
}

static bool WindowGone(void* context)
{
    HWND window = (HWND)context;
    return !IsWindow(window) || !IsWindowVisible(window);
}

bool DriverWaitWindowGone(HWND window, DWORD timeoutMs)
{
    return DriverWaitUntil(WindowGone, window, timeoutMs);
}

std::vector<HWND> DriverChildren(HWND window, const char* className)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (!className || DriverClassName(child) == className)
            children.push_back(child);
    return children;
}

std::string DriverMessageBoxText(HWND box)
{
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? DriverWindowText(text) : std::string();
}

HWND DriverMessageBoxButton(HWND box, int id)
{
    return GetDlgItem(box, id);
}

RECT DriverChildRect(HWND parent, HWND child)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(NULL, parent, (POINT*)&rect, 2);
    return rect;
}

bool DriverDialogBaseUnits(const char* face, int points, int weight, int charset, int* baseX, int* baseY)
{
    HDC screen = GetDC(NULL);
    LOGFONTA font;
    ZeroMemory(&font, sizeof font);
    font.lfHeight = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
    font.lfWeight = weight;
    font.lfCharSet = BYTE(charset);
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    HFONT handle = CreateFontIndirectA(&font);
    bool ok = false;
    if (handle) {
        HGDIOBJ old = SelectObject(screen, handle);
        TEXTMETRICA metrics;
        SIZE size;
        static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        if (GetTextMetricsA(screen, &metrics) && GetTextExtentPoint32A(screen, letters, 52, &size)) {
            // The platform's rule: average width of the 52 letters, rounded.
            *baseX = (size.cx / 26 + 1) / 2;
            *baseY = metrics.tmHeight;
            ok = true;
        }
        SelectObject(screen, old);
        DeleteObject(handle);
    }
    ReleaseDC(NULL, screen);
    return ok;
}

RECT DriverMapDialogUnits(int baseX, int baseY, int x, int y, int width, int height)
{
    RECT rect;
    rect.left = MulDiv(x, baseX, 4);
    rect.top = MulDiv(y, baseY, 8);
    rect.right = rect.left + MulDiv(width, baseX, 4);
    rect.bottom = rect.top + MulDiv(height, baseY, 8);
    return rect;
}

// ---- Combo boxes ---------------------------------------------------------------

int DriverComboCount(HWND combo)
{
    return int(SendMessageA(combo, CB_GETCOUNT, 0, 0));
}

// Read through the W messages: under Wine the A form of CB_GETLBTEXT sent to
// another process hands back UTF-16 bytes unconverted.
std::string DriverComboItem(HWND combo, int index)
{
    LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(index), 0);
    if (length == CB_ERR)
        return std::string();
    std::wstring text(size_t(length) + 1, L'\0');
    LRESULT got = SendMessageW(combo, CB_GETLBTEXT, WPARAM(index), LPARAM(&text[0]));
    text.resize(got > 0 ? size_t(got) : 0);
    return DriverAnsi(text);
}

std::vector<std::string> DriverComboItems(HWND combo)
{
    int count = DriverComboCount(combo);
    std::vector<std::string> items;
    items.reserve(count > 0 ? size_t(count) : 0);
    for (int i = 0; i < count; ++i)
        items.push_back(DriverComboItem(combo, i));
    return items;
}

int DriverComboTopIndex(HWND combo)
{
    return int(SendMessageA(combo, CB_GETTOPINDEX, 0, 0));
}

int DriverComboSelection(HWND combo)
{
    return int(SendMessageA(combo, CB_GETCURSEL, 0, 0));
}

HWND DriverComboEdit(HWND combo)
{
    std::vector<HWND> edits = DriverChildren(combo, "Edit");
    return edits.empty() ? NULL : edits[0];
}

HWND DriverComboList(HWND combo)
{
    std::vector<HWND> lists = DriverChildren(combo, "ComboLBox");
    return lists.empty() ? NULL : lists[0];
}

std::string DriverComboEditText(HWND combo)
{
    HWND edit = DriverComboEdit(combo);
    return edit ? DriverWindowText(edit) : DriverWindowText(combo);
}

int DriverComboItemHeight(HWND combo)
{
    return int(SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0));
}

struct ComboWait {
    HWND combo;
    int index;
    const std::string* text;
};

static bool TopIndexIs(void* context)
{
    ComboWait* wait = (ComboWait*)context;
    return DriverComboTopIndex(wait->combo) == wait->index;
}

static bool EditTextIs(void* context)
{
    ComboWait* wait = (ComboWait*)context;
    return DriverComboEditText(wait->combo) == *wait->text;
}

bool DriverWaitTopIndex(HWND combo, int expected, DWORD timeoutMs)
{
    ComboWait wait = {combo, expected, NULL};
    return DriverWaitUntil(TopIndexIs, &wait, timeoutMs);
}

bool DriverWaitEditText(HWND combo, const std::string& expected, DWORD timeoutMs)
{
    ComboWait wait = {combo, 0, &expected};
    return DriverWaitUntil(EditTextIs, &wait, timeoutMs);
}

// ---- Input ------------------------------------------------------------------------

static bool IsForeground(void* context)
{
    return GetForegroundWindow() == (HWND)context;
}

bool DriverActivate(HWND topLevel, DWORD timeoutMs)
{
    if (GetForegroundWindow() == topLevel)
        return true;
    SetForegroundWindow(topLevel);
    if (DriverWaitUntil(IsForeground, topLevel, timeoutMs / 2))
        return true;
    // Some platforms only let the foreground move after input; a click on
    // the caption is what a person would do.
    RECT rect;
    GetWindowRect(topLevel, &rect);
    POINT caption = {(rect.left + rect.right) / 2, rect.top + GetSystemMetrics(SM_CYCAPTION) / 2 + 2};
    ScreenToClient(topLevel, &caption);
    DriverClick(topLevel, caption.x, caption.y);
    SetForegroundWindow(topLevel);
    return DriverWaitUntil(IsForeground, topLevel, timeoutMs / 2);
}

static void SendMouse(DWORD flags, int screenX, int screenY)
{
    INPUT input;
    ZeroMemory(&input, sizeof input);
    input.type = INPUT_MOUSE;
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = LONG((screenX * 65536LL + width / 2) / width);
    input.mi.dy = LONG((screenY * 65536LL + height / 2) / height);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

bool DriverClick(HWND window, int clientX, int clientY)
{
    POINT point = {clientX, clientY};
    if (!ClientToScreen(window, &point))
        return false;
    // Two clicks on one spot within the double-click time would be taken as
    // a double click; a person's separate clicks are further apart.
    static ULONGLONG lastTime;
    static POINT lastPoint;
    ULONGLONG gap = GetDoubleClickTime() + 50;
    ULONGLONG now = GetTickCount64();
    if (std::abs(point.x - lastPoint.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
        std::abs(point.y - lastPoint.y) <= GetSystemMetrics(SM_CYDOUBLECLK) && now - lastTime < gap)
        Sleep(DWORD(gap - (now - lastTime)));
    lastPoint = point;
    SendMouse(MOUSEEVENTF_MOVE, point.x, point.y);
    SendMouse(MOUSEEVENTF_LEFTDOWN, point.x, point.y);
    SendMouse(MOUSEEVENTF_LEFTUP, point.x, point.y);
    lastTime = GetTickCount64();
    return true;
}

bool DriverClickCentre(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    return DriverClick(window, client.right / 2, client.bottom / 2);
}

static void SendKeyEvent(WORD vk, WORD scan, DWORD flags)
{
    INPUT input;
    ZeroMemory(&input, sizeof input);
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = scan;
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

static void Modifiers(int modifiers, bool down)
{
    DWORD flags = down ? 0 : KEYEVENTF_KEYUP;
    if (modifiers & DRIVER_SHIFT)
        SendKeyEvent(VK_SHIFT, WORD(MapVirtualKeyA(VK_SHIFT, MAPVK_VK_TO_VSC)), flags);
    if (modifiers & DRIVER_CTRL)
        SendKeyEvent(VK_CONTROL, WORD(MapVirtualKeyA(VK_CONTROL, MAPVK_VK_TO_VSC)), flags);
    if (modifiers & DRIVER_ALT)
        SendKeyEvent(VK_MENU, WORD(MapVirtualKeyA(VK_MENU, MAPVK_VK_TO_VSC)), flags);
}

void DriverKey(WORD vk, int modifiers)
{
    Modifiers(modifiers, true);
    WORD scan = WORD(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    DWORD extended = 0;
    switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT:
    case VK_HOME: case VK_END: case VK_INSERT: case VK_DELETE:
        extended = KEYEVENTF_EXTENDEDKEY;
        break;
    }
    SendKeyEvent(vk, scan, extended);
    SendKeyEvent(vk, scan, extended | KEYEVENTF_KEYUP);
    Modifiers(modifiers, false);
}

void DriverTypeText(const std::string& text)
{
    std::wstring wide = DriverWide(text);
    for (wchar_t c : wide) {
        SHORT key = c < 0x80 ? VkKeyScanW(c) : SHORT(-1);
        // Only plain or Shift keys: AltGr combinations differ between layouts.
        if (key != -1 && (HIBYTE(key) & ~1) == 0) {
            DriverKey(LOBYTE(key), (HIBYTE(key) & 1) ? DRIVER_SHIFT : 0);
        } else {
            SendKeyEvent(0, WORD(c), KEYEVENTF_UNICODE);
            SendKeyEvent(0, WORD(c), KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
        }
    }
}

bool DriverSync(HWND window, DWORD timeoutMs)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs * DriverTimeoutScale(),
                               &result) != 0;
}

HWND DriverFocus(HWND window)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, NULL), &info))
        return NULL;
    return info.hwndFocus;
}

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
