// Commands the program must ignore, and command lines that must change
// nothing. WM_COMMAND is posted to the dialog with every low word except
// 2, 2000, 2001 and 2002 (the lists' identifiers with their real
// notification codes and handles); afterwards no box is open, the process
// runs, the edit fields hold what they held, both lists hold the table's
// items and the window looks the same. The program is then started with
// assorted command lines and must open the same window each time.
//
//   robust_commands.exe [PROGRAM] [--last=65535]
#include "harness.h"

#include <cstdio>

#include "DriverSupport.h"

namespace {

bool IsCommand(unsigned id)
{
    return id == 2 || id == 2000 || id == 2001 || id == 2002;
}

struct Look {
    RECT frame;
    std::string codeText, placeText;
    DriverImage labels;  // the dialog's client area above the lists
};

bool TakeLook(const TargetApp& app, Look& look)
{
    GetWindowRect(app.dialog, &look.frame);
    look.codeText = WindowCaption(app.codeEdit);
    look.placeText = WindowCaption(app.placeEdit);
    DriverImage all;
    if (!DriverCapture(app.dialog, false, &all))
        return false;
    // Keep the part above the edit fields: labels and dialog background,
    // where no caret blinks.
    RECT edit = DriverChildRect(app.dialog, app.codeEdit);
    look.labels.width = all.width;
    look.labels.height = edit.top > 0 ? edit.top : 0;
    look.labels.pixels.assign(all.pixels.begin(), all.pixels.begin() + look.labels.width * look.labels.height);
    return true;
}

bool SameLook(const Look& a, const Look& b)
{
    return EqualRect(&a.frame, &b.frame) && a.codeText == b.codeText && a.placeText == b.placeText &&
           a.labels.pixels == b.labels.pixels;
}

void SweepCommands(const std::string& exe, unsigned last)
{
    TargetApp app;
    if (!StartTarget(app, exe)) {
        Check(false, "the program starts");
        return;
    }
    // Some text in both fields and a chosen item, so that a stray command that
    // touched them would show. Posted straight to the fields: this part is
    // set-up, not the test, and must not depend on focus under load.
    PostMessageW(app.placeEdit, WM_CHAR, 0x017D, 1);  // Ž
    PostMessageW(app.codeEdit, WM_KEYDOWN, VK_DOWN, 1);
    PostMessageW(app.codeEdit, WM_KEYUP, VK_DOWN, 0xC0000001);
    DWORD start = GetTickCount();
    while ((WindowCaption(app.codeEdit).empty() || WindowCaption(app.placeEdit).empty()) &&
           GetTickCount() - start < 30000 * DriverTimeoutScale())
        Sleep(50);
    Settle(app);
    Look before, after;
    bool looked = TakeLook(app, before);
    Check(looked && !before.codeText.empty() && !before.placeText.empty(),
          "the window can be captured and both fields hold text");

    unsigned posted = 0, failedPosts = 0;
    for (unsigned id = 0; id <= last; ++id) {
        if (IsCommand(id))
            continue;
        WPARAM wParam = MAKEWPARAM(id, 0);
        LPARAM lParam = 0;
        if (id == 1002 || id == 1003) {
            // Each list's notifications, as the control would send them.
            HWND combo = id == 1002 ? app.codeCombo : app.placeCombo;
            for (WORD code = 0; code <= 12; ++code)
                if (!PostMessageA(app.dialog, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)combo))
                    ++failedPosts;
            lParam = (LPARAM)combo;
            wParam = MAKEWPARAM(id, (WORD)CBN_ERRSPACE);
        } else if (id % 7 == 0) {
            wParam = MAKEWPARAM(id, 1);  // as from an accelerator
        }
        if (!PostMessageA(app.dialog, WM_COMMAND, wParam, lParam))
            ++failedPosts;
        ++posted;
        // Keep the queue short; wait for the program between batches.
        if (posted % 2000 == 0 && !Settle(app))
            break;
    }
    // High words that carry a command's identifier do not make a command.
    for (unsigned high : {2u, 2000u, 2001u, 2002u})
        PostMessageA(app.dialog, WM_COMMAND, MAKEWPARAM(1, high), 0);
    bool alive = TargetAlive(app) && Settle(app);
    std::printf("  %u commands posted (low words 0..%u without 2, 2000, 2001, 2002)\n", posted, last);
    Check(failedPosts == 0, "every command could be posted");
    Check(alive, "the program runs after the commands");
    Check(WaitExtraWindows(app, 0, 2000).empty(), "no box or other window opened");
    Check(alive && IsWindowVisible(app.dialog), "the window is still shown");
    Check(alive && TakeLook(app, after) && SameLook(before, after),
          "window place, edit fields and labels are unchanged (fields \"" + before.codeText + "\", \"" +
              before.placeText + "\" before, \"" + after.codeText + "\", \"" + after.placeText + "\" after)");
    std::string why;
    bool codeOk = alive && ListMatchesTable(app.codeCombo, true, why);
    Check(codeOk, "the code list still holds the table's items " + why);
    bool placeOk = alive && ListMatchesTable(app.placeCombo, false, why);
    Check(placeOk, "the place list still holds the table's items " + why);
    // The four commands still work afterwards: Exit with Yes ends with 2000.
    PostMessageA(app.dialog, WM_COMMAND, MAKEWPARAM(2000, 0), 0);
    std::vector<HWND> boxes = WaitExtraWindows(app, 1, 15000);
    DWORD code = 0;
    Check(boxes.size() == 1 && AnswerBox(boxes[0], IDYES) && WaitTargetExit(app, 30000, &code) && code == 2000,
          "Exit still asks and ends with 2000 (exit code " + std::to_string(code) + ")");
    StopTarget(app);
}

void CommandLines(const std::string& exe)
{
    std::string longArgument(30000, 'x');
    const char* lines[] = {
        "/?", "-h --help", "/s /k 12345", "\"C:\\no such\\file.txt\"", "%s%s%s%n%n",
        "\"unclosed", "\xC5\xBD\xC3\xADlina 01001", "IDM_EXIT 2000 2", "-1",
    };
    TargetApp app;
    Look reference;
    if (!StartTarget(app, exe) || !TakeLook(app, reference)) {
        Check(false, "the program starts without arguments");
        StopTarget(app);
        return;
    }
    StopTarget(app);
    std::vector<std::string> all(lines, lines + sizeof lines / sizeof lines[0]);
    all.push_back(longArgument);
    for (const std::string& line : all) {
        std::string shown = line.size() > 40 ? std::to_string(line.size()) + " characters" : line;
        bool started = StartTarget(app, exe, line);
        Look look;
        std::string why;
        // Item counts only: reading every item costs about a minute under Wine
        // with the whole table, and the sweep above reads them all once.
        bool same = started && ExtraWindows(app).empty() && TakeLook(app, look) && SameLook(reference, look) &&
                    CountsMatchTable(app);
        Check(same, "command line \"" + shown + "\" opens the same window " + why);
        DWORD code = 0;
        if (started) {
            BringToFront(app, NULL);
            SendVirtualKey(VK_ESCAPE);
            std::vector<HWND> boxes = WaitExtraWindows(app, 1, 15000);
            Check(boxes.size() == 1 && AnswerBox(boxes[0], IDYES) && WaitTargetExit(app, 30000, &code) && code == 2,
                  "command line \"" + shown + "\": Esc and Yes end with 2");
        }
        StopTarget(app);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::string exe = ProgramPath(argc, argv);
    unsigned last = (unsigned)OptionValue(argc, argv, "--last", 65535);
    std::printf("ignored commands and command lines\n");
    SweepCommands(exe, last);
    CommandLines(exe);
    return FinishChecks();
}
