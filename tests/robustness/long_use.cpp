// Long use: many rounds of About box, usage guide and refused exit through
// the keyboard and the menu, and of scrolling both lists from end to end.
// After every round both lists must answer with all their items (asked
// through the combo boxes, which ask their list parts in turn); the process's
// private memory, kernel handles, GDI objects and windows must not grow, and
// the window must look and hold the same at the end.
//
//   robust_long_use.exe PROGRAM [--cycles=N] [--warmup=N]
#include <algorithm>
#include <cstdio>

#include "DriverSupport.h"

namespace {

bool IsForeground(void* window)
{
    return GetForegroundWindow() == (HWND)window;
}

bool BoxOpen(void* box)
{
    return IsWindow((HWND)box) && IsWindowVisible((HWND)box);
}

bool BoxClosed(void* box)
{
    return !BoxOpen(box);
}

// Opens a box with the given keys, checks its caption, closes it with Enter.
bool BoxRound(const DriverProcess& process, void (*open)(const DriverProcess&), const char* caption)
{
    open(process);
    std::vector<HWND> boxes = DriverWaitOtherWindows(process, 1, DRIVER_TIMEOUT);
    if (boxes.size() != 1 || DriverWindowText(boxes[0]) != caption) {
        for (HWND window : boxes)
            DriverLog("  open: class %s, caption \"%s\"", DriverClassName(window).c_str(),
                      DriverShow(DriverWindowText(window)).c_str());
        return false;
    }
    HWND box = boxes[0];
    // Enter is OK in the information boxes and No (the default) in the
    // question. Under load a box can be on screen before it takes the
    // keyboard, and an Enter that reaches the dialog instead does nothing
    // (command 1), so it is sent again while the box stays open.
    for (int attempt = 0; attempt < 5 && BoxOpen(box); ++attempt) {
        DriverWaitUntil(IsForeground, box, 5000);
        DriverKey(VK_RETURN);
        DriverWaitUntil(BoxClosed, box, 3000);
    }
    return BoxClosed(box) && DriverOtherWindows(process).empty();
}

// Alt+N opens the menu "Nápověda" and O, once the pop-up menu is on screen,
// picks "O programu...". Under load the letter can still reach the menu bar
// just after the pop-up appears; O is not a letter of the bar, so it is simply
// sent again while the pop-up stays open.
void OpenAbout(const DriverProcess& process)
{
    DriverKey('N', DRIVER_ALT);
    std::vector<HWND> popups = DriverWaitOtherWindows(process, 1, DRIVER_TIMEOUT);
    if (popups.size() != 1 || DriverClassName(popups[0]) != "#32768")
        return;
    for (int attempt = 0; attempt < 5 && BoxOpen(popups[0]); ++attempt) {
        DriverKey('O');
        DriverWaitUntil(BoxClosed, popups[0], 2000);
    }
}

// The guide's letter N is also the menu bar's, and a press that reaches the
// bar closes the pop-up instead, so the guide is asked for with the command
// the menu item sends.
void OpenGuide(const DriverProcess& process)
{
    PostMessageA(process.dialog, WM_COMMAND, MAKEWPARAM(2002, 0), 0);
}

void AskExit(const DriverProcess&)
{
    DriverKey(VK_ESCAPE);
}

// Scrolls a list to its end and back with its scroll bar.
bool ScrollRound(const DriverProcess& process, int which)
{
    HWND list = process.lists[which];
    int lastTop = DriverComboLastTop(process.combos[which]);
    DriverSend(list, WM_VSCROLL, SB_BOTTOM, 0);
    DriverSend(list, WM_VSCROLL, SB_ENDSCROLL, 0);
    DriverSettle(process);
    int bottom = int(DriverSend(list, LB_GETTOPINDEX, 0, 0, -1));
    DriverSend(list, WM_VSCROLL, SB_LINEUP, 0);
    DriverSend(list, WM_VSCROLL, SB_PAGEDOWN, 0);
    DriverSend(list, WM_VSCROLL, SB_TOP, 0);
    DriverSend(list, WM_VSCROLL, SB_ENDSCROLL, 0);
    DriverSettle(process);
    return bottom == lastTop && DriverSend(list, LB_GETTOPINDEX, 0, 0, -1) == 0;
}

// Pixels of the dialog's client area outside the two edit fields (where
// the caret blinks).
bool CaptureStill(const DriverProcess& process, DriverImage* image)
{
    if (!DriverCapture(process.dialog, false, image))
        return false;
    for (HWND edit : process.edits) {
        RECT r = DriverChildRect(process.dialog, edit);
        for (int y = std::max(0L, r.top); y < r.bottom && y < image->height; ++y)
            for (int x = std::max(0L, r.left); x < r.right && x < image->width; ++x)
                image->pixels[size_t(y) * image->width + x] = 0;
    }
    return true;
}

long DifferentPixels(const DriverImage& a, const DriverImage& b)
{
    if (a.width != b.width || a.height != b.height)
        return -1;
    long differ = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        differ += a.pixels[i] != b.pixels[i];
    return differ;
}

void PrintFigures(const std::string& when, const DriverFigures& figures)
{
    DriverLog("  %-22s %s", when.c_str(), DriverFiguresText(figures).c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments =
        DriverArguments(argc, argv, 1, "robust_long_use.exe PROGRAM [--cycles=N] [--warmup=N]");
    const std::string& exe = arguments[0];
    unsigned long cycles = DriverOption(argc, argv, "--cycles", 1000);
    unsigned long warmup = DriverOption(argc, argv, "--warmup", 20);
    DriverLog("long use: %lu cycles of About, guide, refused exit and scrolling (after %lu warm-up cycles)", cycles,
              warmup);
    DriverProcess process;
    if (!DriverCheck(DriverStartProgram(exe.c_str(), NULL, &process), "the program starts", exe))
        return DriverSummary();
    DriverActivate(process.dialog, DRIVER_TIMEOUT);

    struct Round {
        const char* name;
        void (*open)(const DriverProcess&);
        const char* caption;
    };
    const Round rounds[] = {
        {"About box", OpenAbout, "O programu "},
        {"usage guide", OpenGuide, "Návod"},
        {"refused exit", AskExit, "Potvrzení ukončení"},
    };
    DriverFigures before = {}, after = {};
    DriverImage firstLook, lastLook;
    unsigned long failures[5] = {0, 0, 0, 0, 0};
    ULONGLONG startTick = GetTickCount64();
    for (unsigned long cycle = 0; cycle < warmup + cycles && DriverIsRunning(&process); ++cycle) {
        if (cycle == warmup) {
            DriverSettle(process);
            DriverCheck(CaptureStill(process, &firstLook), "the window can be captured");
            before = DriverMeasure(process);
            PrintFigures("after warm-up:", before);
        }
        for (int r = 0; r < 3; ++r)
            if (!BoxRound(process, rounds[r].open, rounds[r].caption)) {
                // The first boxes of a fresh process can miss a key while the
                // platform is still loading; only the measured cycles count.
                if (cycle < warmup)
                    DriverLog("warm-up cycle %lu: %s did not open and close as expected", cycle, rounds[r].name);
                else if (failures[r]++ < 5)
                    DriverLog("cycle %lu: %s did not open and close as expected", cycle, rounds[r].name);
                // leave nothing open for the next round
                for (HWND box : DriverOtherWindows(process))
                    DriverAnswerBox(box, DriverWindowText(box) == rounds[2].caption ? IDNO : IDOK);
                DriverActivate(process.dialog, DRIVER_TIMEOUT);
            }
        if (!ScrollRound(process, DRIVER_CODE) || !ScrollRound(process, DRIVER_PLACE))
            if (failures[3]++ < 5)
                DriverLog("cycle %lu: a list did not scroll from end to end", cycle);
        if (!DriverCountsMatchTable(process) && failures[4]++ < 5)
            DriverLog("cycle %lu: a list does not answer with all its items", cycle);
        if ((cycle + 1) % 100 == 0)
            PrintFigures("after cycle " + std::to_string(cycle + 1) + ":", DriverMeasure(process));
    }
    DriverCheck(DriverIsRunning(&process), "the program is still running");
    for (int r = 0; r < 3; ++r)
        DriverCheckEqualInt(failures[r], 0, std::string(rounds[r].name) + " opened and closed every time (misses)");
    DriverCheckEqualInt(failures[3], 0, "both lists scrolled end to end every time (misses)");
    DriverCheckEqualInt(failures[4], 0, "both lists answered with all their items after every cycle (misses)");
    DriverSettle(process);
    after = DriverMeasure(process);
    PrintFigures("at the end:", after);
    DriverLog("  %lu cycles in %llu s", cycles, (GetTickCount64() - startTick) / 1000);

    // A leak of one object or a few hundred bytes per cycle would show as
    // hundreds of objects or hundreds of KiB; the limits leave room for the
    // platform's own caches and heap growth.
    DriverCheck(before.gdiRead && after.gdiRead, "the GDI handle table can be read");
    DriverCheckAtMost(after.gdi.total, before.gdi.total + 5, "GDI objects do not grow (after, before + 5)");
    DriverCheckAtMost(after.handles, before.handles + 5, "kernel handles do not grow (after, before + 5)");
    DriverCheckEqualInt(after.windows, before.windows, "windows do not grow (after, before)");
    DriverCheckAtMost(after.privateBytes / 1024, before.privateBytes / 1024 + 2048,
                      "private memory grows by less than 2 MiB (KiB after, before + 2 MiB)");

    bool captured = CaptureStill(process, &lastLook);
    long differ = captured ? DifferentPixels(firstLook, lastLook) : -1;
    if (differ != 0) {
        DriverSaveBmp(firstLook, "long_use_before.bmp");
        DriverSaveBmp(lastLook, "long_use_after.bmp");
    }
    DriverCheckEqualInt(differ, 0, "the window looks the same as after the warm-up (pixels differing outside the "
                                   "edit fields)");
    std::string why;
    DriverCheck(DriverListMatchesTable(process.combos[DRIVER_CODE], DRIVER_CODE, &why),
                "the code list still holds the table's items", why);
    DriverCheck(DriverListMatchesTable(process.combos[DRIVER_PLACE], DRIVER_PLACE, &why),
                "the place list still holds the table's items", why);
    DriverKill(&process);
    return DriverSummary();
}
