// Benchmark driver, run under Wine from the 64-bit build folder:
//   bench.exe startup RUNS      start-up of the program and of the floor,
//                               25 %, 50 % and 100 % of the table, interleaved
//   bench.exe typeahead COUNT SEED [program|floor]
//                               types COUNT prefixes drawn from the table into
//                               the program (or the floor) and times each keystroke
// Results go to stdout as CSV lines (one kind per first field), progress and
// failures to stderr. The exit code is non-zero if any measurement failed.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "PostalDirectory.h"

static const int kCodeListId = 1002;
static const int kPlaceListId = 1003;
static const double kStartTimeoutMs = 120000;
static const double kKeyTimeoutMs = 3000;

struct Running {
    PROCESS_INFORMATION process;
    HWND dialog;
};

static double NowMs()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart * 1000.0 / frequency.QuadPart;
}

struct DialogSearch {
    DWORD processId;
    HWND found;
};

static BOOL CALLBACK MatchDialog(HWND window, LPARAM param)
{
    DialogSearch* search = (DialogSearch*)param;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16];
    if (owner == search->processId && GetClassNameA(window, className, sizeof className) &&
        lstrcmpA(className, "#32770") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

static HWND FindDialogOf(DWORD processId)
{
    DialogSearch search = {processId, NULL};
    EnumWindows(MatchDialog, (LPARAM)&search);
    return search.found;
}

// Item count of a combo box in another process, or -1 if it does not answer.
static LRESULT ComboCount(HWND dialog, int id)
{
    DWORD_PTR count = (DWORD_PTR)-1;
    if (!SendMessageTimeoutA(GetDlgItem(dialog, id), CB_GETCOUNT, 0, 0, SMTO_NORMAL, 10000, &count))
        return -1;
    return (LRESULT)count;
}

static void Stop(Running* running)
{
    TerminateProcess(running->process.hProcess, 0);
    WaitForSingleObject(running->process.hProcess, 10000);
    CloseHandle(running->process.hThread);
    CloseHandle(running->process.hProcess);
}

// Starts exe and waits until its dialog is visible with both lists holding
// expectedCount items. Gives the time from just before process creation, or
// a negative value on failure (the process is then already stopped).
static double StartAndWait(const char* exe, LRESULT expectedCount, Running* running)
{
    char commandLine[MAX_PATH + 2];
    std::snprintf(commandLine, sizeof commandLine, "\"%s\"", exe);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    running->dialog = NULL;
    double start = NowMs();
    if (!CreateProcessA(exe, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &running->process)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", exe, GetLastError());
        return -1;
    }
    for (;;) {
        double now = NowMs();
        if (now - start > kStartTimeoutMs) {
            std::fprintf(stderr, "%s: no complete dialog after %.0f ms\n", exe, now - start);
            Stop(running);
            return -1;
        }
        if (WaitForSingleObject(running->process.hProcess, 0) == WAIT_OBJECT_0) {
            std::fprintf(stderr, "%s ended during start-up\n", exe);
            Stop(running);
            return -1;
        }
        HWND dialog = running->dialog ? running->dialog : FindDialogOf(running->process.dwProcessId);
        running->dialog = dialog;
        // The dialog stays hidden until its initialisation has returned, so
        // nothing is sent to it (which would wait for the filling) before then.
        if (dialog && IsWindowVisible(dialog)) {
            LRESULT codes = ComboCount(dialog, kCodeListId);
            LRESULT places = ComboCount(dialog, kPlaceListId);
            if (codes == expectedCount && places == expectedCount)
                return NowMs() - start;
            if (codes >= 0 && places >= 0) {
                std::fprintf(stderr, "%s: lists hold %ld and %ld items, expected %ld\n", exe, (long)codes,
                             (long)places, (long)expectedCount);
                Stop(running);
                return -1;
            }
        }
        Sleep(1);
    }
}

static SIZE_T PeakWorkingSet(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process)
        return 0;
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    SIZE_T peak = GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
    CloseHandle(process);
    return peak;
}

// The count a build cut to percent of the table shows (same rule as the table's).
static LRESULT EntriesAt(int percent)
{
    return (LRESULT)(kPostalEntryCount * percent / 100);
}

static int RunStartup(int runs)
{
    struct Variant {
        int percent;
        const char* program;
        const char* floor;
    };
    const Variant variants[] = {
        {25, "bench\\orvenda_p25.exe", "bench\\floor_p25.exe"},
        {50, "bench\\orvenda_p50.exe", "bench\\floor_p50.exe"},
        {100, "orvenda.exe", "bench\\floor_p100.exe"},
    };
    int failures = 0;
    std::printf("startup,run,percent,entries,kind,ms,peak_working_set\n");
    // Run 0 warms the caches and the server and is not reported.
    for (int run = 0; run <= runs; ++run) {
        for (const Variant& variant : variants) {
            // Alternate which of the pair goes first, so drift hits both alike.
            const char* kinds[2] = {"program", "floor"};
            const char* exes[2] = {variant.program, variant.floor};
            if (run % 2 == 0) {
                std::swap(kinds[0], kinds[1]);
                std::swap(exes[0], exes[1]);
            }
            for (int i = 0; i < 2; ++i) {
                Running running;
                double ms = StartAndWait(exes[i], EntriesAt(variant.percent), &running);
                if (ms < 0) {
                    ++failures;
                    continue;
                }
                SIZE_T peak = PeakWorkingSet(running.process.dwProcessId);
                Stop(&running);
                if (run > 0)
                    std::printf("startup,%d,%d,%ld,%s,%.3f,%lu\n", run, variant.percent,
                                (long)EntriesAt(variant.percent), kinds[i], ms, (unsigned long)peak);
                std::fflush(stdout);
                Sleep(200);  // let the server and the display finish with the old window
            }
        }
        std::fprintf(stderr, "start-up run %d of %d done\n", run, runs);
    }
    return failures;
}

// ---- Type-ahead ----

struct ListUnderTest {
    HWND combo;
    HWND edit;
    std::vector<std::wstring> lowered;  // items in list order, lower case
    int maxTop;                         // highest top index the list can scroll to
};

static std::wstring Lowered(std::wstring text)
{
    if (!text.empty())
        CharLowerBuffW(&text[0], (DWORD)text.size());
    return text;
}

static std::wstring Widened(const char* cp1250)
{
    wchar_t buffer[128];
    int length = MultiByteToWideChar(1250, 0, cp1250, -1, buffer, 128);
    return std::wstring(buffer, length > 0 ? length - 1 : 0);
}

static std::wstring WindowText(HWND window)
{
    wchar_t buffer[256];
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 256, (LPARAM)buffer, SMTO_NORMAL, 5000, &length))
        return L"<no answer>";
    return std::wstring(buffer, length);
}

static bool ReadList(HWND dialog, int id, ListUnderTest* list)
{
    list->combo = GetDlgItem(dialog, id);
    list->edit = FindWindowExA(list->combo, NULL, "Edit", NULL);
    HWND listBox = FindWindowExA(list->combo, NULL, "ComboLBox", NULL);
    if (!list->combo || !list->edit || !listBox) {
        std::fprintf(stderr, "list %d: edit field or list box not found\n", id);
        return false;
    }
    LRESULT count = SendMessageW(list->combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t buffer[256];
        LRESULT length = SendMessageW(list->combo, CB_GETLBTEXT, i, (LPARAM)buffer);
        if (length < 0 || length >= 256)
            return false;
        list->lowered.push_back(Lowered(std::wstring(buffer, length)));
    }
    RECT client;
    GetClientRect(listBox, &client);
    LRESULT itemHeight = SendMessageW(listBox, LB_GETITEMHEIGHT, 0, 0);
    int page = itemHeight > 0 ? std::max<int>(1, (client.bottom - client.top) / (int)itemHeight) : 1;
    list->maxTop = std::max<int>(0, (int)count - page);
    return true;
}

// The top index the list must show for typed text: its first item that
// begins with the text, case ignored, as near the top as the end allows.
static int ExpectedTop(const ListUnderTest& list, const std::wstring& typed)
{
    std::wstring key = Lowered(typed);
    for (size_t i = 0; i < list.lowered.size(); ++i)
        if (list.lowered[i].compare(0, key.size(), key) == 0)
            return std::min<int>((int)i, list.maxTop);
    return -1;
}

static void SendKey(WORD virtualKey, bool extended, DWORD extraFlags)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = (WORD)MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    input.ki.dwFlags = (extended ? KEYEVENTF_EXTENDEDKEY : 0) | extraFlags;
    SendInput(1, &input, sizeof input);
}

static void PressKey(WORD virtualKey, bool extended)
{
    SendKey(virtualKey, extended, 0);
    SendKey(virtualKey, extended, KEYEVENTF_KEYUP);
}

static void TypeCharacter(wchar_t character)
{
    INPUT inputs[2] = {};
    for (int i = 0; i < 2; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wScan = character;
        inputs[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(2, inputs, sizeof inputs[0]);
}

static HWND FocusOf(DWORD threadId)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : NULL;
}

// Waits until the edit field shows want (and, if expectedTop >= 0, the list's
// top index is expectedTop). Gives the time taken from start, or -1.
static double WaitForList(const ListUnderTest& list, const std::wstring& want, int expectedTop, double start)
{
    for (;;) {
        if (WindowText(list.edit) == want) {
            if (expectedTop < 0)
                return NowMs() - start;
            DWORD_PTR top = 0;
            if (SendMessageTimeoutW(list.combo, CB_GETTOPINDEX, 0, 0, SMTO_NORMAL, 5000, &top) &&
                (int)top == expectedTop)
                return NowMs() - start;
        }
        if (NowMs() - start > kKeyTimeoutMs)
            return -1;
    }
}

static std::string Utf8(const std::wstring& text)
{
    char buffer[512];
    int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), buffer, sizeof buffer, NULL, NULL);
    std::string result(buffer, length > 0 ? length : 0);
    for (char& c : result)
        if (c == '"')
            c = '\'';
    return result;
}

static int RunTypeahead(int count, unsigned seed, const char* exe, const char* kind)
{
    Running running;
    LRESULT entries = EntriesAt(100);
    if (StartAndWait(exe, entries, &running) < 0)
        return 1;
    ListUnderTest lists[2];
    if (!ReadList(running.dialog, kCodeListId, &lists[0]) || !ReadList(running.dialog, kPlaceListId, &lists[1])) {
        Stop(&running);
        return 1;
    }
    SetForegroundWindow(running.dialog);
    Sleep(300);

    std::mt19937 random(seed);
    int failures = 0;
    std::printf("key,kind,prefix,list,prefix_length,typed_length,final,ms,prefix_text\n");
    for (int prefix = 0; prefix < count; ++prefix) {
        size_t entry = random() % kPostalEntryCount;
        int which = (int)(random() % 2);
        size_t length = 1 + random() % 8;
        std::wstring item = Widened(which == 0 ? kCodeListItems[entry] : kPlaceListItems[entry]);
        std::wstring text = item.substr(0, std::min(length, item.size()));
        ListUnderTest& list = lists[which];

        // Tab moves the focus between the two edit fields (the only tab stops).
        for (int tries = 0; FocusOf(running.process.dwThreadId) != list.edit; ++tries) {
            if (tries == 4) {
                std::fprintf(stderr, "cannot put the focus into list %d\n", which);
                Stop(&running);
                return failures + 1;
            }
            PressKey(VK_TAB, false);
            Sleep(50);
        }

        // Clear the field: Home, Shift+End, Delete.
        PressKey(VK_HOME, true);
        SendKey(VK_SHIFT, false, 0);
        PressKey(VK_END, true);
        SendKey(VK_SHIFT, false, KEYEVENTF_KEYUP);
        PressKey(VK_DELETE, true);
        if (WaitForList(list, L"", -1, NowMs()) < 0) {
            std::fprintf(stderr, "prefix %d: edit field not cleared\n", prefix);
            ++failures;
            continue;
        }

        for (size_t typed = 1; typed <= text.size(); ++typed) {
            std::wstring sofar = text.substr(0, typed);
            int expectedTop = ExpectedTop(list, sofar);
            double start = NowMs();
            TypeCharacter(text[typed - 1]);
            double ms = WaitForList(list, sofar, expectedTop, start);
            if (ms < 0) {
                DWORD_PTR top = 0;
                SendMessageTimeoutW(list.combo, CB_GETTOPINDEX, 0, 0, SMTO_NORMAL, 5000, &top);
                std::fprintf(stderr, "prefix %d \"%s\" in list %d: field shows \"%s\", top %ld, expected top %d\n",
                             prefix, Utf8(sofar).c_str(), which, Utf8(WindowText(list.edit)).c_str(),
                             (long)top, expectedTop);
                ++failures;
                break;
            }
            std::printf("key,%s,%d,%s,%zu,%zu,%d,%.3f,\"%s\"\n", kind, prefix, which == 0 ? "code" : "place", text.size(),
                        typed, typed == text.size() ? 1 : 0, ms, Utf8(sofar).c_str());
        }
        if (prefix % 100 == 99) {
            std::fflush(stdout);
            std::fprintf(stderr, "type-ahead: %d of %d prefixes\n", prefix + 1, count);
        }
    }
    std::printf("memory,%s_after_typing,%lu\n", kind, (unsigned long)PeakWorkingSet(running.process.dwProcessId));
    Stop(&running);
    return failures;
}

int main(int argc, char** argv)
{
    if (argc >= 3 && lstrcmpA(argv[1], "startup") == 0)
        return RunStartup(std::atoi(argv[2])) ? 1 : 0;
    if (argc >= 4 && lstrcmpA(argv[1], "typeahead") == 0) {
        bool floor = argc >= 5 && lstrcmpA(argv[4], "floor") == 0;
        return RunTypeahead(std::atoi(argv[2]), (unsigned)std::strtoul(argv[3], NULL, 10),
                            floor ? "bench\\floor_p100.exe" : "orvenda.exe", floor ? "floor" : "program")
                   ? 1
                   : 0;
    }
    std::fprintf(stderr, "usage: bench.exe startup RUNS | bench.exe typeahead COUNT SEED [program|floor]\n");
    return 2;
}
