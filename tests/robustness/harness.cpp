#include "harness.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "PostalDirectory.h"

int g_checksPassed, g_checksFailed;

void Check(bool ok, const std::string& what)
{
    if (ok) {
        ++g_checksPassed;
    } else {
        ++g_checksFailed;
        std::printf("FAIL: %s\n", what.c_str());
    }
    std::fflush(stdout);
}

int FinishChecks()
{
    std::printf("%d passed, %d failed\n", g_checksPassed, g_checksFailed);
    std::fflush(stdout);
    return g_checksFailed == 0 && g_checksPassed > 0 ? 0 : 1;
}

uint64_t NextRandom(uint64_t& state)
{
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1DULL;
}

unsigned RandomBelow(uint64_t& state, unsigned bound)
{
    return bound ? (unsigned)(NextRandom(state) % bound) : 0;
}

std::string ProgramPath(int argc, char** argv, const char* defaultName)
{
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--", 2) != 0)
            return argv[i];
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string path(self);
    // driver lives in <build>/tests/robustness/, the program in <build>/
    for (int up = 0; up < 3; ++up) {
        size_t slash = path.find_last_of("\\/");
        if (slash == std::string::npos)
            break;
        path.resize(slash);
    }
    return path + "\\" + defaultName;
}

unsigned long OptionValue(int argc, char** argv, const char* name, unsigned long fallback)
{
    size_t len = std::strlen(name);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], name, len) == 0 && argv[i][len] == '=')
            return std::strtoul(argv[i] + len + 1, NULL, 0);
    return fallback;
}

struct FindData {
    DWORD pid;
    HWND skip;
    std::vector<HWND> found;
    bool wantDialog;
};

static BOOL CALLBACK CollectWindows(HWND hwnd, LPARAM lParam)
{
    FindData* data = (FindData*)lParam;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != data->pid || hwnd == data->skip || !IsWindowVisible(hwnd))
        return TRUE;
    bool isMain = GetDlgItem(hwnd, 1002) != NULL && GetDlgItem(hwnd, 1003) != NULL;
    if (isMain == data->wantDialog)
        data->found.push_back(hwnd);
    return TRUE;
}

static HWND FindMainDialog(DWORD pid)
{
    FindData data = {pid, NULL, {}, true};
    EnumWindows(CollectWindows, (LPARAM)&data);
    return data.found.empty() ? NULL : data.found[0];
}

bool StartTarget(TargetApp& app, const std::string& exe, const std::string& args, DWORD timeoutMs)
{
    std::memset(&app, 0, sizeof app);
    std::string commandLine = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(0);
    STARTUPINFOA si;
    std::memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    if (!CreateProcessA(NULL, buffer.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &app.process)) {
        std::printf("cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
        return false;
    }
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs && TargetAlive(app)) {
        app.dialog = FindMainDialog(app.process.dwProcessId);
        if (app.dialog)
            break;
        Sleep(50);
    }
    if (!app.dialog) {
        std::printf("the dialog of %s did not appear\n", exe.c_str());
        return false;
    }
    app.codeCombo = GetDlgItem(app.dialog, 1002);
    app.placeCombo = GetDlgItem(app.dialog, 1003);
    app.codeEdit = FindWindowExA(app.codeCombo, NULL, "Edit", NULL);
    app.placeEdit = FindWindowExA(app.placeCombo, NULL, "Edit", NULL);
    app.codeList = FindWindowExA(app.codeCombo, NULL, "ComboLBox", NULL);
    app.placeList = FindWindowExA(app.placeCombo, NULL, "ComboLBox", NULL);
    return Settle(app);
}

bool TargetAlive(const TargetApp& app)
{
    return app.process.hProcess && WaitForSingleObject(app.process.hProcess, 0) == WAIT_TIMEOUT;
}

bool WaitTargetExit(const TargetApp& app, DWORD timeoutMs, DWORD* exitCode)
{
    if (WaitForSingleObject(app.process.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(app.process.hProcess, exitCode);
    return true;
}

void StopTarget(TargetApp& app)
{
    if (!app.process.hProcess)
        return;
    if (TargetAlive(app)) {
        TerminateProcess(app.process.hProcess, 99);
        WaitForSingleObject(app.process.hProcess, 10000);
    }
    CloseHandle(app.process.hThread);
    CloseHandle(app.process.hProcess);
    std::memset(&app, 0, sizeof app);
}

std::vector<HWND> ExtraWindows(const TargetApp& app)
{
    FindData data = {app.process.dwProcessId, app.dialog, {}, false};
    EnumWindows(CollectWindows, (LPARAM)&data);
    return data.found;
}

std::vector<HWND> WaitExtraWindows(const TargetApp& app, size_t count, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    std::vector<HWND> windows = ExtraWindows(app);
    while (windows.size() != count && GetTickCount() - start < timeoutMs && TargetAlive(app)) {
        Sleep(30);
        windows = ExtraWindows(app);
    }
    return windows;
}

std::string WindowCaption(HWND hwnd)
{
    char text[512] = "";
    DWORD_PTR ignored;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_NORMAL, 10000, &ignored);
    return text;
}

std::string MessageBoxText(HWND box)
{
    HWND label = GetDlgItem(box, 0xFFFF);
    return label ? WindowCaption(label) : "";
}

bool AnswerBox(HWND box, int buttonId, DWORD timeoutMs)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), (LPARAM)GetDlgItem(box, buttonId));
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (!IsWindow(box) || !IsWindowVisible(box))
            return true;
        Sleep(20);
    }
    return false;
}

bool ReadComboItem(HWND combo, size_t index, std::string& text)
{
    // Read as UTF-16 and convert: Wine hands only the first byte back when
    // another process asks for CB_GETLBTEXT through the "A" interface.
    wchar_t wide[1024];
    wide[0] = 0;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(combo, CB_GETLBTEXT, index, (LPARAM)wide, SMTO_NORMAL, 30000, &length))
        return false;
    if ((LRESULT)length == CB_ERR || length >= 1024)
        return false;
    char bytes[2048];
    int n = WideCharToMultiByte(1250, 0, wide, (int)length, bytes, sizeof bytes, NULL, NULL);
    text.assign(bytes, n > 0 ? n : 0);
    return true;
}

long ComboCount(HWND combo)
{
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutA(combo, CB_GETCOUNT, 0, 0, SMTO_NORMAL, 30000, &count))
        return -1;
    return (long)(LRESULT)count;
}

bool ReadComboItems(HWND combo, std::vector<std::string>& items)
{
    items.clear();
    long count = ComboCount(combo);
    if (count < 0)
        return false;
    items.resize(count);
    for (long i = 0; i < count; ++i)
        if (!ReadComboItem(combo, i, items[i]))
            return false;
    return true;
}

bool CountsMatchTable(const TargetApp& app)
{
    return ComboCount(app.codeCombo) == (long)kPostalEntryCount && ComboCount(app.placeCombo) == (long)kPostalEntryCount;
}

std::vector<std::string> ExpectedItems(bool codeList)
{
    std::vector<std::string> items;
    for (size_t i = 0; i < kPostalEntryCount; ++i)
        items.push_back(codeList ? kCodeListItems[i] : kPlaceListItems[i]);
    return items;
}

uint64_t ItemsChecksum(const std::vector<std::string>& items)
{
    uint64_t sum = 0;
    for (const std::string& item : items) {
        uint64_t hash = 1469598103934665603ULL;
        for (unsigned char c : item)
            hash = (hash ^ c) * 1099511628211ULL;
        sum += hash;
    }
    return sum;
}

bool ListMatchesTable(HWND combo, bool codeList, std::string& why)
{
    std::vector<std::string> have;
    if (!ReadComboItems(combo, have)) {
        why = "the list could not be read";
        return false;
    }
    return ItemsMatchTable(have, codeList, why);
}

bool ItemsMatchTable(std::vector<std::string> have, bool codeList, std::string& why)
{
    static std::vector<std::string> expected[2];
    static uint64_t expectedSum[2];
    std::vector<std::string>& want = expected[codeList ? 1 : 0];
    if (want.empty()) {
        want = ExpectedItems(codeList);
        std::sort(want.begin(), want.end());
        expectedSum[codeList ? 1 : 0] = ItemsChecksum(want);
    }
    char text[200];
    if (have.size() != want.size()) {
        std::snprintf(text, sizeof text, "%zu items instead of %zu", have.size(), want.size());
        why = text;
        return false;
    }
    if (ItemsChecksum(have) != expectedSum[codeList ? 1 : 0]) {
        std::sort(have.begin(), have.end());
        for (size_t i = 0; i < have.size(); ++i)
            if (have[i] != want[i]) {
                why = "item \"" + have[i] + "\" where \"" + want[i] + "\" was expected";
                return false;
            }
        why = "checksum differs";
        return false;
    }
    return true;
}

void BringToFront(const TargetApp& app, HWND focus)
{
    // A click on the caption makes the window the foreground one the way a
    // user would; SetForegroundWindow alone is not honoured for other processes.
    SetForegroundWindow(app.dialog);
    DWORD start = GetTickCount();
    while (GetForegroundWindow() != app.dialog && GetTickCount() - start < 5000) {
        RECT frame;
        GetWindowRect(app.dialog, &frame);
        SetCursorPos((frame.left + frame.right) / 2, frame.top + GetSystemMetrics(SM_CYCAPTION) / 2 + 2);
        INPUT clicks[2];
        std::memset(clicks, 0, sizeof clicks);
        clicks[0].type = clicks[1].type = INPUT_MOUSE;
        clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, clicks, sizeof(INPUT));
        Sleep(100);
        SetForegroundWindow(app.dialog);
    }
    if (focus) {
        RECT r;
        GetClientRect(focus, &r);
        ClickAt(focus, 3, r.bottom / 2);
    }
}

static void KeyInput(INPUT& in, WORD vk, bool up)
{
    std::memset(&in, 0, sizeof in);
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = (WORD)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_DELETE: case VK_INSERT:
        in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        break;
    }
}

void SendVirtualKey(WORD vk, bool ctrl, bool shift, bool alt)
{
    INPUT in[8];
    int n = 0;
    if (alt)
        KeyInput(in[n++], VK_MENU, false);
    if (ctrl)
        KeyInput(in[n++], VK_CONTROL, false);
    if (shift)
        KeyInput(in[n++], VK_SHIFT, false);
    KeyInput(in[n++], vk, false);
    KeyInput(in[n++], vk, true);
    if (shift)
        KeyInput(in[n++], VK_SHIFT, true);
    if (ctrl)
        KeyInput(in[n++], VK_CONTROL, true);
    if (alt)
        KeyInput(in[n++], VK_MENU, true);
    SendInput(n, in, sizeof(INPUT));
}

void SendUnicodeChar(wchar_t ch)
{
    INPUT in[2];
    std::memset(in, 0, sizeof in);
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wScan = in[1].ki.wScan = ch;
    in[0].ki.dwFlags = KEYEVENTF_UNICODE;
    in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

void ClickAt(HWND hwnd, int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(hwnd, &p);
    SetCursorPos(p.x, p.y);
    INPUT clicks[2];
    std::memset(clicks, 0, sizeof clicks);
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
}

bool SetClipboardUnicode(const std::wstring& text)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (OpenClipboard(NULL))
            break;
        if (attempt == 49)
            return false;
        Sleep(20);
    }
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    bool ok = false;
    if (memory) {
        wchar_t* p = (wchar_t*)GlobalLock(memory);
        std::memcpy(p, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(memory);
        ok = SetClipboardData(CF_UNICODETEXT, memory) != NULL;
        if (!ok)
            GlobalFree(memory);
    }
    CloseClipboard();
    return ok;
}

bool Settle(const TargetApp& app, DWORD timeoutMs)
{
    WaitForInputIdle(app.process.hProcess, timeoutMs);
    DWORD_PTR ignored;
    // Two round trips: input that was queued before the first is handled by the second.
    for (int i = 0; i < 2; ++i) {
        if (!SendMessageTimeoutA(app.dialog, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored))
            return false;
        Sleep(5);
    }
    return true;
}

// Kernel handles of one process, from the system-wide handle list (the
// per-process count that GetProcessHandleCount asks for is 0 under Wine).
static DWORD CountKernelHandles(DWORD pid)
{
    struct Entry {
        PVOID object;
        ULONG_PTR pid;
        ULONG_PTR handle;
        ULONG access;
        USHORT creatorBackTrace;
        USHORT type;
        ULONG attributes;
        ULONG reserved;
    };
    struct List {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    static std::vector<char> buffer(1 << 22);
    ULONG needed = 0;
    NTSTATUS status = NtQuerySystemInformation((SYSTEM_INFORMATION_CLASS)64 /* extended handle list */,
                                               buffer.data(), (ULONG)buffer.size(), &needed);
    if (status != 0)
        return 0;
    const List* list = (const List*)buffer.data();
    DWORD count = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i)
        if (list->entries[i].pid == pid)
            ++count;
    return count;
}

// GDI objects of a process: the used entries of its GDI handle table, which
// Wine keeps in the process's memory and points to from its PEB (where
// Windows keeps it too). GetGuiResources answers 0 under Wine.
DWORD CountGdiObjects(HANDLE process, int type)
{
    PROCESS_BASIC_INFORMATION basic;
    ULONG length = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0)
        return 0;
    ULONG64 table = 0;
    SIZE_T got = 0;
    const size_t kGdiTableOffset = 0xF8;  // PEB::GdiSharedHandleTable on x64
    if (!ReadProcessMemory(process, (const char*)basic.PebBaseAddress + kGdiTableOffset, &table, sizeof table, &got) || !table)
        return 0;
    const size_t kEntrySize = 24, kEntries = 0x10000, kTypeOffset = 14;
    static std::vector<unsigned char> entries(kEntrySize * kEntries);
    if (!ReadProcessMemory(process, (const void*)(ULONG_PTR)table, entries.data(), entries.size(), &got))
        return 0;
    DWORD used = 0;
    for (size_t i = 0; i < kEntries; ++i)
        if (entries[i * kEntrySize + kTypeOffset] != 0 &&
            (type < 0 || entries[i * kEntrySize + kTypeOffset] == type))
            ++used;
    return used;
}

static BOOL CALLBACK CountWindow(HWND hwnd, LPARAM lParam)
{
    DWORD* count = (DWORD*)lParam;
    ++*count;
    (void)hwnd;
    return TRUE;
}

struct WindowCount {
    DWORD pid;
    DWORD count;
};

static BOOL CALLBACK CountTopLevel(HWND hwnd, LPARAM lParam)
{
    WindowCount* data = (WindowCount*)lParam;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == data->pid) {
        ++data->count;
        EnumChildWindows(hwnd, CountWindow, (LPARAM)&data->count);
    }
    return TRUE;
}

ProcessFigures MeasureProcess(const TargetApp& app)
{
    ProcessFigures figures;
    std::memset(&figures, 0, sizeof figures);
    PROCESS_MEMORY_COUNTERS_EX counters;
    std::memset(&counters, 0, sizeof counters);
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(app.process.hProcess, (PROCESS_MEMORY_COUNTERS*)&counters, sizeof counters)) {
        // Wine leaves PrivateUsage at 0 for another process; PagefileUsage
        // carries the process's private (anonymous) memory there.
        figures.privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
        figures.workingSet = counters.WorkingSetSize;
    }
    figures.handles = CountKernelHandles(app.process.dwProcessId);
    figures.gdiObjects = CountGdiObjects(app.process.hProcess, -1);
    WindowCount windows = {app.process.dwProcessId, 0};
    EnumWindows(CountTopLevel, (LPARAM)&windows);
    figures.windows = windows.count;
    return figures;
}
