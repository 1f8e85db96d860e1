// Benchmark driver, run under Wine from the 64-bit build folder:
//   bench.exe startup RUNS      start-up of the program and of the floor,
//                               25 %, 50 % and 100 % of the table, interleaved
//   bench.exe typeahead COUNT SEED [program|floor [EXE]]
//                               types COUNT prefixes drawn from the table into
//                               the program (or the floor, or EXE, a build of
//                               either) and times each keystroke
//   bench.exe once EXE PERCENT  one start-up of EXE (built with PERCENT of the table)
//   bench.exe compare RUNS PERCENT EXE_A EXE_B LABEL
//                               start-up of two programs, interleaved, with
//                               the ratio A / B pair by pair
// Results go to stdout as CSV lines (one kind per first field), progress and
// failures to stderr. The exit code is non-zero if any measurement failed.
// Starting, typing and reading the lists use the shared driver helpers; the
// waits here are our own, because the helpers' waits poll every 10 ms, too
// coarse for timing.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "DriverSupport.h"
#include "PostalDirectory.h"
#include "resource.h"

static const double kStartTimeoutMs = 120000;
static const double kKeyTimeoutMs = 3000;

// Starts exe and waits until its dialog is visible with both lists holding
// expectedCount items. The end is the moment the program first waits for
// input, or, should it do so before its dialog is complete, the first poll
// that finds it complete. Gives the time from just before process creation, or
// a negative value on failure (the process is then already stopped).
// How the last StartAndWait found its end: "idle" or "poll".
static const char* g_startEnd = "";

static double StartAndWait(const char* exe, LRESULT expectedCount, DriverProcess* running)
{
    double start = DriverNowMs();
    if (!DriverStart(exe, NULL, running)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", exe, GetLastError());
        return -1;
    }
    // Block (no polling that would load the Wine server while the program
    // fills its lists) until the program first waits for input: its dialog
    // is then shown and painted. Should that come earlier, poll gently.
    WaitForInputIdle(running->info.hProcess, (DWORD)kStartTimeoutMs);
    double idle = DriverNowMs();
    for (bool first = true;; first = false) {
        double now = DriverNowMs();
        if (now - start > kStartTimeoutMs) {
            std::fprintf(stderr, "%s: no complete dialog after %.0f ms\n", exe, now - start);
            DriverKill(running);
            return -1;
        }
        if (!DriverIsRunning(running)) {
            std::fprintf(stderr, "%s ended during start-up\n", exe);
            DriverKill(running);
            return -1;
        }
        // The dialog stays hidden until its initialisation has returned, so
        // nothing is sent to it (which would wait for the filling) before then.
        std::vector<HWND> visible = DriverFindTopWindows(running->info.dwProcessId, "#32770", NULL);
        if (!visible.empty()) {
            running->dialog = visible[0];
            LRESULT codes = DriverComboCount(GetDlgItem(running->dialog, IDC_CODE_LIST));
            LRESULT places = DriverComboCount(GetDlgItem(running->dialog, IDC_PLACE_LIST));
            // Found complete at once: it was so when the program went idle,
            // since the lists are filled before the dialog is shown.
            if (codes == expectedCount && places == expectedCount) {
                g_startEnd = first ? "idle" : "poll";
                return (first ? idle : DriverNowMs()) - start;
            }
            if (codes >= 0 && places >= 0) {
                std::fprintf(stderr, "%s: lists hold %ld and %ld items, expected %ld\n", exe, (long)codes,
                             (long)places, (long)expectedCount);
                DriverKill(running);
                return -1;
            }
        }
        Sleep(5);
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
    std::printf("startup,run,percent,entries,kind,ms,peak_working_set,end\n");
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
                DriverProcess running;
                double ms = StartAndWait(exes[i], EntriesAt(variant.percent), &running);
                if (ms < 0) {
                    ++failures;
                    continue;
                }
                SIZE_T peak = PeakWorkingSet(running.info.dwProcessId);
                DriverKill(&running);
                if (run > 0)
                    std::printf("startup,%d,%d,%ld,%s,%.3f,%lu,%s\n", run, variant.percent,
                                (long)EntriesAt(variant.percent), kinds[i], ms, (unsigned long)peak, g_startEnd);
                std::fflush(stdout);
                Sleep(200);  // let the server and the display finish with the old window
            }
        }
        std::fprintf(stderr, "start-up run %d of %d done\n", run, runs);
    }
    return failures;
}

// Two programs with the same lists, started alternately RUNS times (after
// one warm-up pair); prints each pair and its ratio A / B.
static int RunCompare(int runs, int percent, const char* first, const char* second, const char* label)
{
    int failures = 0;
    std::printf("compare,label,run,ms_a,ms_b,ratio\n");
    for (int run = 0; run <= runs; ++run) {
        double ms[2];
        for (int i = 0; i < 2; ++i) {
            int which = run % 2 == 0 ? i : 1 - i;
            DriverProcess running;
            ms[which] = StartAndWait(which == 0 ? first : second, EntriesAt(percent), &running);
            if (ms[which] < 0) {
                ++failures;
                continue;
            }
            DriverKill(&running);
            Sleep(200);
        }
        if (run > 0 && ms[0] > 0 && ms[1] > 0)
            std::printf("compare,%s,%d,%.3f,%.3f,%.4f\n", label, run, ms[0], ms[1], ms[0] / ms[1]);
        std::fflush(stdout);
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

static std::wstring Lowered(const std::string& ansi)
{
    std::wstring text = DriverWide(ansi);
    if (!text.empty())
        CharLowerBuffW(&text[0], (DWORD)text.size());
    return text;
}

static bool ReadList(HWND dialog, int id, ListUnderTest* list)
{
    list->combo = GetDlgItem(dialog, id);
    list->edit = list->combo ? DriverComboEdit(list->combo) : NULL;
    if (!list->edit || !DriverComboList(list->combo)) {
        std::fprintf(stderr, "list %d: edit field or list box not found\n", id);
        return false;
    }
    std::vector<std::string> items = DriverComboItems(list->combo);
    if ((int)items.size() != DriverComboCount(list->combo))
        return false;
    for (const std::string& item : items)
        list->lowered.push_back(Lowered(item));
    list->maxTop = DriverComboLastTop(list->combo);
    return true;
}

// The top index the list must show for typed text: its first item that
// begins with the text, case ignored, as near the top as the end allows.
static int ExpectedTop(const ListUnderTest& list, const std::string& typed)
{
    std::wstring key = Lowered(typed);
    for (size_t i = 0; i < list.lowered.size(); ++i)
        if (list.lowered[i].compare(0, key.size(), key) == 0)
            return std::min((int)i, list.maxTop);
    return -1;
}

// Waits without pause until the edit field shows want and, if expectedTop
// >= 0, the list's top index is expectedTop. Each query is answered only
// when the program is back in its message loop, so a true answer means the
// keystroke has been handled. Gives the time since start, or -1.
static double WaitForList(const ListUnderTest& list, const std::string& want, int expectedTop, double start)
{
    for (;;) {
        if (DriverWindowText(list.edit) == want &&
            (expectedTop < 0 || DriverComboTopIndex(list.combo) == expectedTop))
            return DriverNowMs() - start;
        if (DriverNowMs() - start > kKeyTimeoutMs)
            return -1;
    }
}

static std::string CsvText(const std::string& ansi)
{
    std::string text = DriverUtf8(ansi);
    std::replace(text.begin(), text.end(), '"', '\'');
    return text;
}

static int RunTypeahead(int count, unsigned seed, const char* exe, const char* kind)
{
    DriverProcess running;
    if (StartAndWait(exe, EntriesAt(100), &running) < 0)
        return 1;
    ListUnderTest lists[2];
    if (!ReadList(running.dialog, IDC_CODE_LIST, &lists[0]) || !ReadList(running.dialog, IDC_PLACE_LIST, &lists[1]) ||
        !DriverActivate(running.dialog, 5000)) {
        std::fprintf(stderr, "%s: lists not readable or window not activated\n", exe);
        DriverKill(&running);
        return 1;
    }

    std::mt19937 random(seed);
    int failures = 0;
    std::printf("key,kind,prefix,list,prefix_length,typed_length,final,ms,prefix_text\n");
    for (int prefix = 0; prefix < count; ++prefix) {
        size_t entry = random() % kPostalEntryCount;
        int which = (int)(random() % 2);
        size_t length = 1 + random() % 8;
        std::string item = which == 0 ? kCodeListItems[entry] : kPlaceListItems[entry];
        std::string text = item.substr(0, std::min(length, item.size()));
        ListUnderTest& list = lists[which];

        // Tab moves the focus between the two edit fields (the only tab stops).
        for (int tries = 0; DriverFocus(running.dialog) != list.edit; ++tries) {
            if (tries == 4) {
                std::fprintf(stderr, "cannot put the focus into list %d\n", which);
                DriverKill(&running);
                return failures + 1;
            }
            DriverKey(VK_TAB);
            Sleep(50);
        }

        if (!DriverClearEdit(list.combo)) {
            std::fprintf(stderr, "prefix %d: edit field not cleared\n", prefix);
            ++failures;
            continue;
        }

        for (size_t typed = 1; typed <= text.size(); ++typed) {
            std::string sofar = text.substr(0, typed);
            int expectedTop = ExpectedTop(list, sofar);
            double start = DriverNowMs();
            DriverTypeText(text.substr(typed - 1, 1));
            double ms = WaitForList(list, sofar, expectedTop, start);
            if (ms < 0) {
                std::fprintf(stderr, "prefix %d \"%s\" in list %d: field shows \"%s\", top %d, expected top %d\n",
                             prefix, CsvText(sofar).c_str(), which, CsvText(DriverWindowText(list.edit)).c_str(),
                             DriverComboTopIndex(list.combo), expectedTop);
                ++failures;
                break;
            }
            std::printf("key,%s,%d,%s,%zu,%zu,%d,%.3f,\"%s\"\n", kind, prefix, which == 0 ? "code" : "place",
                        text.size(), typed, typed == text.size() ? 1 : 0, ms, CsvText(sofar).c_str());
        }
        if (prefix % 100 == 99) {
            std::fflush(stdout);
            std::fprintf(stderr, "type-ahead (%s): %d of %d prefixes\n", kind, prefix + 1, count);
        }
    }
    std::printf("memory,%s_after_typing,%lu\n", kind, (unsigned long)PeakWorkingSet(running.info.dwProcessId));
    DriverKill(&running);
    return failures;
}

int main(int argc, char** argv)
{
    if (argc >= 3 && lstrcmpA(argv[1], "startup") == 0)
        return RunStartup(std::atoi(argv[2])) ? 1 : 0;
    if (argc >= 4 && lstrcmpA(argv[1], "typeahead") == 0) {
        bool floor = argc >= 5 && lstrcmpA(argv[4], "floor") == 0;
        const char* exe = argc >= 6 ? argv[5] : floor ? "bench\\floor_p100.exe" : "orvenda.exe";
        return RunTypeahead(std::atoi(argv[2]), (unsigned)std::strtoul(argv[3], NULL, 10), exe,
                            floor ? "floor" : "program")
                   ? 1
                   : 0;
    }
    if (argc >= 7 && lstrcmpA(argv[1], "compare") == 0)
        return RunCompare(std::atoi(argv[2]), std::atoi(argv[3]), argv[4], argv[5], argv[6]) ? 1 : 0;
    if (argc >= 4 && lstrcmpA(argv[1], "once") == 0) {
        DriverProcess running;
        double ms = StartAndWait(argv[2], EntriesAt(std::atoi(argv[3])), &running);
        if (ms < 0)
            return 1;
        std::printf("once,%s,%.3f\n", argv[2], ms);
        DriverKill(&running);
        return 0;
    }
    std::fprintf(stderr, "usage: bench.exe startup RUNS | bench.exe typeahead COUNT SEED [program|floor [EXE]]"
                         " | bench.exe once EXE PERCENT | bench.exe compare RUNS PERCENT EXE_A EXE_B LABEL\n");
    return 2;
}
