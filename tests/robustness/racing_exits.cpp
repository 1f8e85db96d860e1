// Two exit confirmations open at once: Esc opens the first, the menu command
// Exit (posted as the menu posts it) the second while the first still waits,
// because the first box has no owner and leaves the menu usable. Each pair of
// answers is given in both orders. The program must not crash, must delete
// its two brushes exactly once, and must end with the identifier of the
// first Yes that reaches it. The boxes nest: the second box's answer reaches
// the program before the first box's, whatever order the user answers in.
//
//   robust_racing_exits.exe PROGRAM
#include <cstdio>

#include "DriverSupport.h"

namespace {

const char kConfirmCaption[] = "Potvrzení ukončení";

struct Case {
    int first;   // answer to the box opened by Esc (command 2)
    int second;  // answer to the box opened by Exit (command 2000)
    bool secondAnsweredFirst;
    DWORD exitCode;  // 0: the window stays open
};

const Case kCases[] = {
    {IDYES, IDYES, false, 2000},
    {IDYES, IDYES, true, 2000},
    {IDYES, IDNO, false, 2},
    {IDYES, IDNO, true, 2},
    {IDNO, IDYES, false, 2000},
    {IDNO, IDYES, true, 2000},
    {IDNO, IDNO, false, 0},
    {IDNO, IDNO, true, 0},
};

const char* Name(int answer)
{
    return answer == IDYES ? "Yes" : "No";
}

int Brushes(const DriverProcess& process)
{
    return DriverGdiObjects(process.info.hProcess, DRIVER_GDI_BRUSH);
}

void RunCase(const std::string& exe, const Case& c)
{
    char title[120];
    snprintf(title, sizeof title, "Esc box %s, Exit box %s, %s box answered first", Name(c.first), Name(c.second),
             c.secondAnsweredFirst ? "Exit" : "Esc");
    const std::string name = title;
    DriverProcess process;
    if (!DriverCheck(DriverStartProgram(exe.c_str(), NULL, &process), name + ": the program starts", exe)) {
        DriverKill(&process);
        return;
    }
    int brushesBefore = Brushes(process);
    DriverActivate(process.dialog, DRIVER_TIMEOUT);
    DriverKey(VK_ESCAPE);
    std::vector<HWND> boxes = DriverWaitOtherWindows(process, 1, DRIVER_TIMEOUT);
    HWND escBox = boxes.size() == 1 ? boxes[0] : NULL;
    PostMessageA(process.dialog, WM_COMMAND, MAKEWPARAM(2000, 0), 0);
    boxes = DriverWaitOtherWindows(process, 2, DRIVER_TIMEOUT);
    HWND exitBox = NULL;
    for (HWND box : boxes)
        if (box != escBox)
            exitBox = box;
    bool twoBoxes = escBox && exitBox && boxes.size() == 2 && DriverWindowText(escBox) == kConfirmCaption &&
                    DriverWindowText(exitBox) == kConfirmCaption;
    if (!DriverCheck(twoBoxes, name + ": two confirmation boxes are open at once",
                     std::to_string(boxes.size()) + " windows open")) {
        DriverKill(&process);
        return;
    }
    HWND order[2] = {c.secondAnsweredFirst ? exitBox : escBox, c.secondAnsweredFirst ? escBox : exitBox};
    int answers[2] = {c.secondAnsweredFirst ? c.second : c.first, c.secondAnsweredFirst ? c.first : c.second};
    bool answered = DriverAnswerBox(order[0], answers[0]);
    // Between the two answers the process runs on with one box open. If the
    // program has taken a Yes by now, both brushes are gone, and only they.
    bool settled = DriverIsRunning(&process) && DriverSettle(process);
    bool yesTaken = c.second == IDYES && c.secondAnsweredFirst;
    DriverCheck(answered && settled, name + ": the first answer is taken and the program runs on");
    DriverCheckEqualInt(Brushes(process), brushesBefore - (yesTaken ? 2 : 0), name + ": brushes after the first answer");
    DriverCheck(DriverAnswerBox(order[1], answers[1]), name + ": the second box closes");
    DWORD code = 0;
    if (c.exitCode) {
        bool ended = DriverWaitForExit(&process, DRIVER_ANSWER_TIMEOUT, &code);
        DriverCheck(ended, name + ": the program ends");
        DriverCheckEqualInt(code, c.exitCode, name + ": exit code");
    } else {
        bool open = DriverIsRunning(&process) && DriverSettle(process) && IsWindowVisible(process.dialog) &&
                    DriverOtherWindows(process).empty();
        bool kept = open && Brushes(process) == brushesBefore && DriverCountsMatchTable(process);
        DriverCheck(kept, name + ": the window stays open with its brushes and lists");
        // and an exit asked for afterwards still works
        DriverCheckExitByEscape(&process, name + ", later");
    }
    DriverKill(&process);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments =
        DriverArguments(argc, argv, 1, "robust_racing_exits.exe PROGRAM");
    DriverLog("racing exits: two confirmation boxes at once");
    for (const Case& c : kCases)
        RunCase(arguments[0], c);
    return DriverSummary();
}
