// Driver helpers: keyboard, mouse and clipboard input as a person gives it,
// and the seeded random source with its key mix. See DriverSupport.h.
#include "DriverSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

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
    ULONGLONG deadline = GetTickCount64() + ULONGLONG(timeoutMs) * DriverTimeoutScale();
    // Some platforms only let the foreground move after input; a click on
    // the caption is what a person would do, repeated while it does not take.
    while (!DriverWaitUntil(IsForeground, topLevel, 300)) {
        if (GetTickCount64() >= deadline || !IsWindow(topLevel))
            return false;
        RECT rect;
        GetWindowRect(topLevel, &rect);
        POINT caption = {(rect.left + rect.right) / 2, rect.top + GetSystemMetrics(SM_CYCAPTION) / 2 + 2};
        ScreenToClient(topLevel, &caption);
        DriverClick(topLevel, caption.x, caption.y);
        SetForegroundWindow(topLevel);
    }
    return true;
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

void DriverTypeUnicode(wchar_t ch)
{
    SendKeyEvent(0, WORD(ch), KEYEVENTF_UNICODE);
    SendKeyEvent(0, WORD(ch), KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
}

void DriverTypeText(const std::string& text)
{
    std::wstring wide = DriverWide(text);
    for (wchar_t c : wide) {
        SHORT key = c < 0x80 ? VkKeyScanW(c) : SHORT(-1);
        // Only plain or Shift keys: AltGr combinations differ between layouts.
        if (key != -1 && (HIBYTE(key) & ~1) == 0)
            DriverKey(LOBYTE(key), (HIBYTE(key) & 1) ? DRIVER_SHIFT : 0);
        else
            DriverTypeUnicode(c);
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

struct FocusWait {
    HWND window;
    HWND expected;
};

static bool FocusIs(void* context)
{
    FocusWait* wait = (FocusWait*)context;
    return DriverFocus(wait->window) == wait->expected;
}

bool DriverWaitFocus(HWND window, HWND expected, DWORD timeoutMs)
{
    FocusWait wait = {window, expected};
    return DriverWaitUntil(FocusIs, &wait, timeoutMs);
}

bool DriverFocusEdit(HWND dialog, HWND combo)
{
    HWND edit = DriverComboEdit(combo);
    if (DriverFocus(dialog) != edit) {
        RECT client;
        GetClientRect(edit, &client);
        DriverClick(edit, client.right - 4, client.bottom / 2);
    }
    return DriverWaitFocus(dialog, edit, DRIVER_TIMEOUT);
}

bool DriverClearEdit(HWND combo)
{
    DriverKey(VK_HOME);
    DriverKey(VK_END, DRIVER_SHIFT);
    DriverKey(VK_DELETE);
    return DriverWaitEditText(combo, "", DRIVER_TIMEOUT);
}

bool DriverTypeInto(HWND dialog, HWND combo, const std::string& text)
{
    if (!DriverFocusEdit(dialog, combo) || !DriverClearEdit(combo))
        return false;
    DriverTypeText(text);
    return DriverWaitEditText(combo, text, DRIVER_TIMEOUT);
}

bool DriverSetClipboard(const std::wstring& text)
{
    for (int attempt = 0; !OpenClipboard(NULL); ++attempt) {
        if (attempt == 49)
            return false;
        Sleep(20);
    }
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    bool ok = false;
    if (memory) {
        wchar_t* copy = (wchar_t*)GlobalLock(memory);
        memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(memory);
        ok = SetClipboardData(CF_UNICODETEXT, memory) != NULL;
        if (!ok)
            GlobalFree(memory);
    }
    CloseClipboard();
    return ok;
}

// ---- Random input --------------------------------------------------------------

DriverRandom DriverSeed(unsigned long long seed)
{
    DriverRandom random = {seed * 0x9E3779B97F4A7C15ULL | 1};
    return random;
}

unsigned long long DriverRandomNext(DriverRandom* random)
{
    random->state ^= random->state >> 12;
    random->state ^= random->state << 25;
    random->state ^= random->state >> 27;
    return random->state * 0x2545F4914F6CDD1DULL;
}

unsigned DriverRandomBelow(DriverRandom* random, unsigned bound)
{
    return bound ? unsigned(DriverRandomNext(random) % bound) : 0;
}

// Characters beyond Windows-1250 and awkward ones inside it: CJK, Cyrillic,
// Greek, Hebrew, Arabic, euro, y with diaeresis, ae, OE, snowman, BOM,
// zero-width space, combining accent, U+FFFD, U+FFFF, no-break space, soft
// hyphen, line separator, private use, kana, Thai.
static const wchar_t kOddChars[] = {
    0x4E2D, 0x6587, 0x0416, 0x044F, 0x03A9, 0x05D0, 0x0627, 0x20AC, 0x00FF, 0x00E6,
    0x0152, 0x2603, 0xFEFF, 0x200B, 0x0301, 0xFFFD, 0xFFFF, 0x00A0, 0x00AD, 0x2028,
    0xE000, 0x3042, 0x0E01, 0xF600,
};
static const wchar_t kCzechChars[] = L"áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽľĽôŕ";
static const WORD kMoveKeys[] = {VK_BACK, VK_DELETE, VK_HOME, VK_END, VK_LEFT, VK_RIGHT,
                                 VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_INSERT};

wchar_t DriverRandomChar(DriverRandom* random, char kind)
{
    switch (kind) {
    case 'e':
        return kCzechChars[DriverRandomBelow(random, unsigned(wcslen(kCzechChars)))];
    case 'u':
        return kOddChars[DriverRandomBelow(random, sizeof kOddChars / sizeof kOddChars[0])];
    default:
        return wchar_t(0x20 + DriverRandomBelow(random, 0x5F));
    }
}

// The kind letters of a mix with their weights, in order.
static std::vector<std::pair<char, unsigned>> ParseMix(const char* mix)
{
    std::vector<std::pair<char, unsigned>> kinds;
    for (const char* at = mix; *at;) {
        char kind = *at++;
        char* end = NULL;
        unsigned long weight = strtoul(at, &end, 10);
        if (end == at)
            weight = 1;
        at = end;
        if (strchr("peubdhmacvxz", kind))
            kinds.push_back({kind, unsigned(weight)});
    }
    return kinds;
}

DriverKeyStep DriverRandomKey(DriverRandom* random, const char* mix)
{
    std::vector<std::pair<char, unsigned>> kinds = ParseMix(mix);
    unsigned total = 0;
    for (const auto& kind : kinds)
        total += kind.second;
    unsigned pick = DriverRandomBelow(random, total);
    DriverKeyStep step = {'p', 0, 0, 0};
    for (const auto& kind : kinds) {
        if (pick < kind.second) {
            step.kind = kind.first;
            break;
        }
        pick -= kind.second;
    }
    switch (step.kind) {
    case 'p': case 'e': case 'u':
        step.ch = DriverRandomChar(random, step.kind);
        break;
    case 'b':
        step.vk = VK_BACK;
        break;
    case 'd':
        step.vk = VK_DELETE;
        break;
    case 'h':
        step.vk = DriverRandomBelow(random, 2) ? VK_HOME : VK_LEFT;
        break;
    case 'm':
        step.vk = kMoveKeys[DriverRandomBelow(random, sizeof kMoveKeys / sizeof kMoveKeys[0])];
        step.modifiers |= DriverRandomBelow(random, 4) == 0 ? DRIVER_SHIFT : 0;
        step.modifiers |= DriverRandomBelow(random, 6) == 0 ? DRIVER_CTRL : 0;
        break;
    default:  // a c v x z
        step.vk = WORD(step.kind - 'a' + 'A');
        step.modifiers = DRIVER_CTRL;
        break;
    }
    return step;
}

void DriverSendKeyStep(const DriverKeyStep& step)
{
    if (step.ch)
        DriverTypeUnicode(step.ch);
    else
        DriverKey(step.vk, step.modifiers);
}

std::string DriverKeyStepText(const DriverKeyStep& step)
{
    char text[32];
    if (step.ch) {
        snprintf(text, sizeof text, "U+%04X", unsigned(step.ch));
        return text;
    }
    std::string held = std::string(step.modifiers & DRIVER_CTRL ? "C-" : "") +
                       (step.modifiers & DRIVER_SHIFT ? "S-" : "") + (step.modifiers & DRIVER_ALT ? "A-" : "");
    if (step.vk >= 'A' && step.vk <= 'Z')
        snprintf(text, sizeof text, "%c", char(step.vk));
    else
        snprintf(text, sizeof text, "vk%02X", unsigned(step.vk));
    return held + text;
}
