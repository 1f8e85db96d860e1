// Long use: many rounds of About box, usage guide and refused exit through
// the keyboard and the menu, and of scrolling both lists from end to end.
// The process's private memory, kernel handles, GDI objects and windows must
// not grow, and the window must look and hold the same at the end.
//
//   robust_long_use.exe [PROGRAM] [--cycles=N] [--warmup=N]
#include "harness.h"

#include <cstdio>

#include "DriverSupport.h"

namespace {

// Opens a box with the given keys, checks its caption, closes it with Enter.
bool BoxRound(const TargetApp& app, void (*open)(const TargetApp&), const char* caption)
{
    open(app);
    std::vector<HWND> boxes = WaitExtraWindows(app, 1, 15000 * DriverTimeoutScale());
    if (boxes.size() != 1 || WindowCaption(boxes[0]) != caption) {
        for (HWND w : boxes) {
            char name[32] = "";
            GetClassNameA(w, name, sizeof name);
            std::printf("  open: class %s, caption \"%s\"\n", name, WindowCaption(w).c_str());
        }
        return false;
    }
    HWND box = boxes[0];
    // Enter is OK in the information boxes and No (the default) in the
    // question. Under load a box can be on screen before it takes the
    // keyboard, and an Enter that reaches the dialog instead does nothing
    // (command 1), so it is sent again while the box stays open.
    for (int attempt = 0; attempt < 5 && IsWindow(box) && IsWindowVisible(box); ++attempt) {
        DWORD start = GetTickCount();
        while (GetForegroundWindow() != box && GetTickCount() - start < 5000 * DriverTimeoutScale())
            Sleep(10);
        SendVirtualKey(VK_RETURN);
        start = GetTickCount();
        while (IsWindow(box) && IsWindowVisible(box) && GetTickCount() - start < 3000 * DriverTimeoutScale())
            Sleep(10);
    }
    return !IsWindowVisible(box) && ExtraWindows(app).empty();
}

// Alt+N opens the menu "Nápověda" and O, once the pop-up menu is on screen,
// picks "O programu...". Under load the letter can still reach the menu bar
// just after the pop-up appears; O is not a letter of the bar, so it is simply
// sent again while the pop-up stays open.
void OpenAbout(const TargetApp& app)
{
    SendVirtualKey('N', false, false, true);
    std::vector<HWND> popups = WaitExtraWindows(app, 1, 15000 * DriverTimeoutScale());
    char name[32] = "";
    if (popups.size() == 1)
        GetClassNameA(popups[0], name, sizeof name);
    if (std::string(name) != "#32768")
        return;
    for (int attempt = 0; attempt < 5 && IsWindowVisible(popups[0]); ++attempt) {
        SendVirtualKey('O');
        DWORD start = GetTickCount();
        while (IsWindowVisible(popups[0]) && GetTickCount() - start < 2000 * DriverTimeoutScale())
            Sleep(5);
    }
}

// The guide's letter N is also the menu bar's, and a press that reaches the
// bar closes the pop-up instead, so the guide is asked for with the command
// the menu item sends.
void OpenGuide(const TargetApp& app)
{
    PostMessageA(app.dialog, WM_COMMAND, MAKEWPARAM(2002, 0), 0);
}

void AskExit(const TargetApp&)
{
    SendVirtualKey(VK_ESCAPE);
}

long TopIndex(HWND list)
{
    DWORD_PTR top = 0;
    SendMessageTimeoutA(list, LB_GETTOPINDEX, 0, 0, SMTO_NORMAL, 30000, &top);
    return (long)top;
}

// Scrolls a list to its end and back with its scroll bar and the mouse wheel.
bool ScrollRound(const TargetApp& app, HWND list)
{
    DWORD_PTR ignored, itemHeight = 1;
    long count = ComboCount(list == app.codeList ? app.codeCombo : app.placeCombo);
    SendMessageTimeoutA(list, LB_GETITEMHEIGHT, 0, 0, SMTO_NORMAL, 30000, &itemHeight);
    RECT client;
    GetClientRect(list, &client);
    long perPage = client.bottom / (long)(itemHeight ? itemHeight : 1);
    long lastTop = count > perPage ? count - perPage : 0;
    SendMessageTimeoutA(list, WM_VSCROLL, SB_BOTTOM, 0, SMTO_NORMAL, 30000, &ignored);
    SendMessageTimeoutA(list, WM_VSCROLL, SB_ENDSCROLL, 0, SMTO_NORMAL, 30000, &ignored);
    Settle(app);
    long bottom = TopIndex(list);
    SendMessageTimeoutA(list, WM_VSCROLL, SB_LINEUP, 0, SMTO_NORMAL, 30000, &ignored);
    SendMessageTimeoutA(list, WM_VSCROLL, SB_PAGEDOWN, 0, SMTO_NORMAL, 30000, &ignored);
    SendMessageTimeoutA(list, WM_VSCROLL, SB_TOP, 0, SMTO_NORMAL, 30000, &ignored);
    SendMessageTimeoutA(list, WM_VSCROLL, SB_ENDSCROLL, 0, SMTO_NORMAL, 30000, &ignored);
    Settle(app);
    return bottom == lastTop && TopIndex(list) == 0;
}

// Pixels of the dialog's client area outside the two edit fields (where
// the caret blinks).
bool CaptureStill(const TargetApp& app, DriverImage& image)
{
    if (!DriverCapture(app.dialog, false, &image))
        return false;
    for (HWND edit : {app.codeEdit, app.placeEdit}) {
        RECT r = DriverChildRect(app.dialog, edit);
        for (int y = r.top; y < r.bottom && y < image.height; ++y)
            for (int x = r.left; x < r.right && x < image.width; ++x)
                if (x >= 0 && y >= 0)
                    image.pixels[y * image.width + x] = 0;
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

void PrintFigures(const char* when, const ProcessFigures& f)
{
    std::printf("  %-22s private %8zu KiB, working set %8zu KiB, kernel handles %4lu, GDI objects %4lu, windows %3lu\n",
                when, f.privateBytes / 1024, f.workingSet / 1024, f.handles, f.gdiObjects, f.windows);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string exe = ProgramPath(argc, argv);
    unsigned long cycles = OptionValue(argc, argv, "--cycles", 1000);
    unsigned long warmup = OptionValue(argc, argv, "--warmup", 20);
    std::printf("long use: %lu cycles of About, guide, refused exit and scrolling (after %lu warm-up cycles)\n",
                cycles, warmup);
    TargetApp app;
    if (!StartTarget(app, exe)) {
        Check(false, "the program starts");
        return FinishChecks();
    }
    BringToFront(app, app.codeEdit);

    struct Round {
        const char* name;
        void (*open)(const TargetApp&);
        const char* caption;
    };
    const Round rounds[] = {
        {"About box", OpenAbout, "O programu "},
        {"usage guide", OpenGuide, "N\xE1vod"},
        {"refused exit", AskExit, "Potvrzen\xED ukon\xE8" "en\xED"},
    };
    ProcessFigures before = {}, after = {};
    DriverImage firstLook, lastLook;
    unsigned long failures[4] = {0, 0, 0, 0};
    DWORD startTick = GetTickCount();
    for (unsigned long cycle = 0; cycle < warmup + cycles && TargetAlive(app); ++cycle) {
        if (cycle == warmup) {
            Settle(app);
            Check(CaptureStill(app, firstLook), "the window can be captured");
            before = MeasureProcess(app);
            PrintFigures("after warm-up:", before);
        }
        for (int r = 0; r < 3; ++r)
            if (!BoxRound(app, rounds[r].open, rounds[r].caption)) {
                // The first boxes of a fresh process can miss a key while the
                // platform is still loading; only the measured cycles count.
                if (cycle < warmup)
                    std::printf("warm-up cycle %lu: %s did not open and close as expected\n", cycle, rounds[r].name);
                else if (failures[r]++ < 5)
                    std::printf("cycle %lu: %s did not open and close as expected\n", cycle, rounds[r].name);
                // leave nothing open for the next round
                for (HWND box : ExtraWindows(app))
                    AnswerBox(box, WindowCaption(box) == rounds[2].caption ? IDNO : IDOK);
                BringToFront(app, NULL);
            }
        if (!ScrollRound(app, app.codeList) || !ScrollRound(app, app.placeList))
            if (failures[3]++ < 5)
                std::printf("cycle %lu: a list did not scroll from end to end\n", cycle);
        if ((cycle + 1) % 100 == 0) {
            PrintFigures(("after cycle " + std::to_string(cycle + 1) + ":").c_str(), MeasureProcess(app));
        }
    }
    Check(TargetAlive(app), "the program is still running");
    for (int r = 0; r < 3; ++r)
        Check(failures[r] == 0, std::string(rounds[r].name) + " opened and closed every time (" +
                                    std::to_string(failures[r]) + " misses)");
    Check(failures[3] == 0, "both lists scrolled end to end every time");
    Settle(app);
    after = MeasureProcess(app);
    PrintFigures("at the end:", after);
    std::printf("  %lu cycles in %lu s\n", cycles, (GetTickCount() - startTick) / 1000);

    // A leak of one object or a few hundred bytes per cycle would show as
    // hundreds of objects or hundreds of KiB; the limits leave room for the
    // platform's own caches and heap growth.
    Check(after.gdiObjects <= before.gdiObjects + 5, "GDI objects do not grow: " +
          std::to_string(before.gdiObjects) + " -> " + std::to_string(after.gdiObjects));
    Check(after.handles <= before.handles + 5, "kernel handles do not grow: " +
          std::to_string(before.handles) + " -> " + std::to_string(after.handles));
    Check(after.windows == before.windows, "windows do not grow: " +
          std::to_string(before.windows) + " -> " + std::to_string(after.windows));
    Check(after.privateBytes <= before.privateBytes + 2 * 1024 * 1024, "private memory grows by less than 2 MiB: " +
          std::to_string(before.privateBytes / 1024) + " KiB -> " + std::to_string(after.privateBytes / 1024) + " KiB");

    bool captured = CaptureStill(app, lastLook);
    long differ = captured ? DifferentPixels(firstLook, lastLook) : -1;
    if (differ != 0) {
        DriverSaveBmp(firstLook, "long_use_before.bmp");
        DriverSaveBmp(lastLook, "long_use_after.bmp");
    }
    Check(differ == 0, "the window looks the same as after the warm-up (" + std::to_string(differ) +
          " pixels differ outside the edit fields)");
    std::string why;
    bool codeOk = ListMatchesTable(app.codeCombo, true, why);
    Check(codeOk, "the code list still holds the table's items " + why);
    bool placeOk = ListMatchesTable(app.placeCombo, false, why);
    Check(placeOk, "the place list still holds the table's items " + why);
    StopTarget(app);
    return FinishChecks();
}
