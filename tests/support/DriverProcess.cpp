// Driver helpers: the program's process, its windows, its message boxes.
// See DriverSupport.h.
#include "DriverSupport.h"

#include <cstdio>

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

void DriverFindParts(DriverProcess* process)
{
    static const int ids[2] = {1002, 1003};
    for (int i = 0; i < 2; ++i) {
        process->combos[i] = GetDlgItem(process->dialog, ids[i]);
        process->edits[i] = process->combos[i] ? DriverComboEdit(process->combos[i]) : NULL;
        process->lists[i] = process->combos[i] ? DriverComboList(process->combos[i]) : NULL;
    }
}

bool DriverStartAndWait(const char* exePath, const char* args, const char* caption, DWORD timeoutMs,
                        DriverProcess* process)
{
    if (!DriverStart(exePath, args, process))
        return false;
    process->dialog = DriverWaitForTopWindow(process->info.dwProcessId, "#32770", caption, NULL, timeoutMs);
    if (process->dialog)
        DriverFindParts(process);
    return process->dialog != NULL;
}

// The main dialog is the one that holds both lists; a message box or a
// crash dialog does not.
static bool MainDialogShown(void* context)
{
    DriverProcess* process = (DriverProcess*)context;
    for (HWND window : DriverFindTopWindows(process->info.dwProcessId, "#32770", NULL))
        if (GetDlgItem(window, 1002) && GetDlgItem(window, 1003)) {
            process->dialog = window;
            return true;
        }
    return !DriverIsRunning(process);
}

bool DriverStartProgram(const char* exePath, const char* args, DriverProcess* process)
{
    if (!DriverStart(exePath, args, process)) {
        DriverLog("cannot start %s (error %lu)", exePath, GetLastError());
        return false;
    }
    DriverWaitUntil(MainDialogShown, process, DRIVER_START_TIMEOUT);
    if (!process->dialog) {
        DriverLog("the dialog of %s did not appear (%s)", exePath,
                  DriverIsRunning(process) ? "still running" : "the process ended");
        return false;
    }
    DriverFindParts(process);
    return DriverSettle(*process);
}

bool DriverSettle(const DriverProcess& process, DWORD timeoutMs)
{
    WaitForInputIdle(process.info.hProcess, timeoutMs * DriverTimeoutScale());
    for (int i = 0; i < 2; ++i) {
        if (!DriverSync(process.dialog, timeoutMs))
            return false;
        Sleep(5);
    }
    return true;
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

DWORD DriverExitCode(const DriverProcess& process)
{
    DWORD code = 0;
    if (process.info.hProcess)
        GetExitCodeProcess(process.info.hProcess, &code);
    return code;
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

void DriverNoCrashDialog()
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineDbg", 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                        NULL) == ERROR_SUCCESS) {
        DWORD zero = 0;
        RegSetValueExA(key, "ShowCrashDialog", 0, REG_DWORD, (const BYTE*)&zero, sizeof zero);
        RegCloseKey(key);
    }
}

// ---- Windows -----------------------------------------------------------------

LRESULT DriverSend(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT failed)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL,
                             DRIVER_ANSWER_TIMEOUT * DriverTimeoutScale(), &result))
        return failed;
    return LRESULT(result);
}

std::string DriverClassName(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string DriverWindowText(HWND window)
{
    LRESULT length = DriverSend(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0)
        return std::string();
    std::wstring text(size_t(length) + 1, L'\0');
    LRESULT got = DriverSend(window, WM_GETTEXT, WPARAM(length + 1), LPARAM(&text[0]));
    text.resize(got > 0 && got <= length ? size_t(got) : 0);
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

std::vector<HWND> DriverOtherWindows(const DriverProcess& process)
{
    std::vector<HWND> others;
    for (HWND window : DriverFindTopWindows(process.info.dwProcessId, NULL, NULL))
        if (window != process.dialog)
            others.push_back(window);
    return others;
}

std::vector<HWND> DriverWaitOtherWindows(const DriverProcess& process, size_t count, DWORD timeoutMs)
{
    ULONGLONG deadline = GetTickCount64() + ULONGLONG(timeoutMs) * DriverTimeoutScale();
    std::vector<HWND> windows = DriverOtherWindows(process);
    while (windows.size() != count && GetTickCount64() < deadline && DriverIsRunning(&process)) {
        Sleep(30);
        windows = DriverOtherWindows(process);
    }
    return windows;
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

// ---- Message boxes -------------------------------------------------------------

HWND DriverWaitForMessageBox(DWORD pid, const char* caption, HWND exclude, DWORD timeoutMs)
{
    return DriverWaitForTopWindow(pid, "#32770", caption, exclude, timeoutMs);
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

bool DriverAnswerBox(HWND box, int button, DWORD timeoutMs)
{
    HWND control = DriverMessageBoxButton(box, button);
    if (!control)
        return false;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(control));
    return DriverWaitWindowGone(box, timeoutMs);
}

bool DriverExitByEscape(DriverProcess* process, DWORD* exitCode)
{
    *exitCode = 0;
    DriverActivate(process->dialog, DRIVER_TIMEOUT);
    DriverKey(VK_ESCAPE);
    std::vector<HWND> boxes = DriverWaitOtherWindows(*process, 1, DRIVER_TIMEOUT);
    return boxes.size() == 1 && DriverAnswerBox(boxes[0], IDYES) &&
           DriverWaitForExit(process, DRIVER_ANSWER_TIMEOUT, exitCode);
}

bool DriverCheckExitByEscape(DriverProcess* process, const std::string& name)
{
    DWORD code = 0;
    bool ended = DriverExitByEscape(process, &code);
    return DriverCheck(ended && code == 2, name + ": Esc and Yes end it with 2",
                       ended ? "exit code " + std::to_string(code) : std::string("the program did not end"));
}
