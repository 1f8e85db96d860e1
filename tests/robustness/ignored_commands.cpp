// Commands the program must ignore, and command lines that must change
// nothing. WM_COMMAND is posted to the dialog with every low word except
// 2, 2000, 2001 and 2002 (the lists' identifiers with their real
// notification codes and handles); afterwards no box is open, the process
// runs, the edit fields hold what they held, both lists hold the table's
// items and the window looks the same. The program is then started with
// assorted command lines and must open the same window each time.
//
//   robust_ignored_commands.exe PROGRAM [--last=65535]
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

bool TakeLook(const DriverProcess& process, Look* look)
{
    GetWindowRect(process.dialog, &look->frame);
    look->codeText = DriverWindowText(process.edits[DRIVER_CODE]);
    look->placeText = DriverWindowText(process.edits[DRIVER_PLACE]);
    DriverImage all;
    if (!DriverCapture(process.dialog, false, &all))
        return false;
    // Keep the part above the edit fields: labels and dialog background,
    // where no caret blinks.
    RECT edit = DriverChildRect(process.dialog, process.edits[DRIVER_CODE]);
    look->labels.width = all.width;
    look->labels.height = edit.top > 0 ? edit.top : 0;
    look->labels.pixels.assign(all.pixels.begin(), all.pixels.begin() + look->labels.width * look->labels.height);
    return true;
}

bool SameLook(const Look& a, const Look& b)
{
    return EqualRect(&a.frame, &b.frame) && a.codeText == b.codeText && a.placeText == b.placeText &&
           a.labels.pixels == b.labels.pixels;
}

struct Fields {
    HWND code, place;
};

bool BothFieldsHoldText(void* context)
{
    Fields* fields = (Fields*)context;
    return !DriverWindowText(fields->code).empty() && !DriverWindowText(fields->place).empty();
}

void SweepCommands(const std::string& exe, unsigned last)
{
    DriverProcess process;
    if (!DriverCheck(DriverStartProgram(exe.c_str(), NULL, &process), "the program starts", exe)) {
        DriverKill(&process);
        return;
    }
    // Some text in both fields and a chosen item, so that a stray command that
    // touched them would show. Posted straight to the fields: this part is
    // set-up, not the test, and must not depend on focus under load.
    PostMessageW(process.edits[DRIVER_PLACE], WM_CHAR, 0x017D, 1);  // Ž
    PostMessageW(process.edits[DRIVER_CODE], WM_KEYDOWN, VK_DOWN, 1);
    PostMessageW(process.edits[DRIVER_CODE], WM_KEYUP, VK_DOWN, 0xC0000001);
    Fields fields = {process.edits[DRIVER_CODE], process.edits[DRIVER_PLACE]};
    DriverWaitUntil(BothFieldsHoldText, &fields, DRIVER_ANSWER_TIMEOUT);
    DriverSettle(process);
    Look before, after;
    bool looked = TakeLook(process, &before);
    DriverCheck(looked && !before.codeText.empty() && !before.placeText.empty(),
                "the window can be captured and both fields hold text");

    unsigned posted = 0, failedPosts = 0;
    for (unsigned id = 0; id <= last; ++id) {
        if (IsCommand(id))
            continue;
        WPARAM wParam = MAKEWPARAM(id, 0);
        LPARAM lParam = 0;
        if (id == 1002 || id == 1003) {
            // Each list's notifications, as the control would send them.
            HWND combo = process.combos[id == 1002 ? DRIVER_CODE : DRIVER_PLACE];
            for (WORD code = 0; code <= 12; ++code)
                if (!PostMessageA(process.dialog, WM_COMMAND, MAKEWPARAM(id, code), LPARAM(combo)))
                    ++failedPosts;
            lParam = LPARAM(combo);
            wParam = MAKEWPARAM(id, WORD(CBN_ERRSPACE));
        } else if (id % 7 == 0) {
            wParam = MAKEWPARAM(id, 1);  // as from an accelerator
        }
        if (!PostMessageA(process.dialog, WM_COMMAND, wParam, lParam))
            ++failedPosts;
        ++posted;
        // Keep the queue short; wait for the program between batches.
        if (posted % 2000 == 0 && !DriverSettle(process))
            break;
    }
    // High words that carry a command's identifier do not make a command.
    for (unsigned high : {2u, 2000u, 2001u, 2002u})
        PostMessageA(process.dialog, WM_COMMAND, MAKEWPARAM(1, high), 0);
    bool alive = DriverIsRunning(&process) && DriverSettle(process);
    DriverLog("  %u commands posted (low words 0..%u without 2, 2000, 2001, 2002)", posted, last);
    DriverCheckEqualInt(failedPosts, 0, "every command could be posted (failed posts)");
    DriverCheck(alive, "the program runs after the commands");
    DriverCheckEqualInt(DriverWaitOtherWindows(process, 0, 2000).size(), 0, "no box or other window opened");
    DriverCheck(alive && IsWindowVisible(process.dialog), "the window is still shown");
    looked = alive && TakeLook(process, &after);
    DriverCheck(looked && SameLook(before, after), "window place, edit fields and labels are unchanged",
                "fields \"" + DriverShow(before.codeText) + "\", \"" + DriverShow(before.placeText) + "\" before, \"" +
                    DriverShow(after.codeText) + "\", \"" + DriverShow(after.placeText) + "\" after");
    std::string why;
    DriverCheck(alive && DriverListMatchesTable(process.combos[DRIVER_CODE], DRIVER_CODE, &why),
                "the code list still holds the table's items", why);
    DriverCheck(alive && DriverListMatchesTable(process.combos[DRIVER_PLACE], DRIVER_PLACE, &why),
                "the place list still holds the table's items", why);
    // The commands still work afterwards: Exit with Yes ends with 2000.
    PostMessageA(process.dialog, WM_COMMAND, MAKEWPARAM(2000, 0), 0);
    std::vector<HWND> boxes = DriverWaitOtherWindows(process, 1, DRIVER_TIMEOUT);
    DWORD code = 0;
    bool ended = boxes.size() == 1 && DriverAnswerBox(boxes[0], IDYES) &&
                 DriverWaitForExit(&process, DRIVER_ANSWER_TIMEOUT, &code);
    DriverCheck(ended && code == 2000, "Exit still asks and ends with 2000", "exit code " + std::to_string(code));
    DriverKill(&process);
}

void CommandLines(const std::string& exe)
{
    const char* lines[] = {
        "/?", "-h --help", "/s /k 12345", "\"C:\\no such\\file.txt\"", "%s%s%s%n%n",
        "\"unclosed", "\xC5\xBD\xC3\xADlina 01001", "IDM_EXIT 2000 2", "-1",
    };
    DriverProcess process;
    Look reference;
    bool started = DriverStartProgram(exe.c_str(), NULL, &process) && TakeLook(process, &reference);
    DriverKill(&process);
    if (!DriverCheck(started, "the program starts without arguments", exe))
        return;
    std::vector<std::string> all(lines, lines + sizeof lines / sizeof lines[0]);
    all.push_back(std::string(30000, 'x'));
    for (const std::string& line : all) {
        std::string shown = line.size() > 40 ? std::to_string(line.size()) + " characters" : line;
        started = DriverStartProgram(exe.c_str(), line.c_str(), &process);
        Look look;
        // Item counts only: reading every item costs about a minute under Wine
        // with the whole table, and the sweep above reads them all once.
        bool same = started && DriverOtherWindows(process).empty() && TakeLook(process, &look) &&
                    SameLook(reference, look) && DriverCountsMatchTable(process);
        DriverCheck(same, "command line \"" + shown + "\" opens the same window");
        if (started)
            DriverCheckExitByEscape(&process, "command line \"" + shown + "\"");
        DriverKill(&process);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments =
        DriverArguments(argc, argv, 1, "robust_ignored_commands.exe PROGRAM [--last=65535]");
    unsigned last = unsigned(DriverOption(argc, argv, "--last", 65535));
    DriverLog("ignored commands and command lines");
    SweepCommands(arguments[0], last);
    CommandLines(arguments[0]);
    return DriverSummary();
}
