// Two exit confirmations open at once: Esc opens the first, the menu command
// Exit (posted as the menu posts it) the second while the first still waits,
// because the first box has no owner and leaves the menu usable. Each pair of
// answers is given in both orders. The program must not crash, must delete
// its two brushes exactly once, and must end with the identifier of the
// first Yes that reaches it. The boxes nest: the second box's answer reaches
// the program before the first box's, whatever order the user answers in.
//
//   robust_exits.exe [PROGRAM]
#include "harness.h"

#include <cstdio>

namespace {

const char kConfirmCaption[] = "Potvrzen\xED ukon\xE8" "en\xED";

struct Case {
    int first;           // answer to the box opened by Esc (command 2)
    int second;          // answer to the box opened by Exit (command 2000)
    bool secondAnsweredFirst;
    DWORD exitCode;      // 0: the window stays open
};

const char* Name(int answer)
{
    return answer == IDYES ? "Yes" : "No";
}

void RunCase(const std::string& exe, const Case& c)
{
    char title[120];
    std::snprintf(title, sizeof title, "Esc box %s, Exit box %s, %s box answered first", Name(c.first),
                  Name(c.second), c.secondAnsweredFirst ? "Exit" : "Esc");
    TargetApp app;
    if (!StartTarget(app, exe)) {
        Check(false, std::string(title) + ": the program starts");
        return;
    }
    DWORD brushesBefore = CountGdiObjects(app.process.hProcess, kGdiBrush);
    BringToFront(app, app.codeEdit);
    SendVirtualKey(VK_ESCAPE);
    std::vector<HWND> boxes = WaitExtraWindows(app, 1, 15000);
    HWND escBox = boxes.size() == 1 ? boxes[0] : NULL;
    PostMessageA(app.dialog, WM_COMMAND, MAKEWPARAM(2000, 0), 0);
    boxes = WaitExtraWindows(app, 2, 15000);
    HWND exitBox = NULL;
    for (HWND box : boxes)
        if (box != escBox)
            exitBox = box;
    bool twoBoxes = escBox && exitBox && boxes.size() == 2 && WindowCaption(escBox) == kConfirmCaption &&
                    WindowCaption(exitBox) == kConfirmCaption;
    Check(twoBoxes, std::string(title) + ": two confirmation boxes are open at once");
    if (!twoBoxes) {
        StopTarget(app);
        return;
    }
    HWND order[2] = {c.secondAnsweredFirst ? exitBox : escBox, c.secondAnsweredFirst ? escBox : exitBox};
    int answers[2] = {c.secondAnsweredFirst ? c.second : c.first, c.secondAnsweredFirst ? c.first : c.second};
    bool answered = AnswerBox(order[0], answers[0]);
    // Between the two answers the process runs on with one box open. If the
    // program has taken a Yes by now, both brushes are gone, and only they.
    bool settled = TargetAlive(app) && Settle(app);
    DWORD brushesBetween = CountGdiObjects(app.process.hProcess, kGdiBrush);
    bool yesTaken = c.second == IDYES && c.secondAnsweredFirst;
    Check(answered && settled, std::string(title) + ": the first answer is taken and the program runs on");
    Check(brushesBetween == brushesBefore - (yesTaken ? 2 : 0),
          std::string(title) + ": brushes after the first answer " + std::to_string(brushesBefore) + " -> " +
              std::to_string(brushesBetween));
    answered = AnswerBox(order[1], answers[1]);
    Check(answered, std::string(title) + ": the second box closes");
    DWORD code = 0;
    if (c.exitCode) {
        bool ended = WaitTargetExit(app, 30000, &code);
        Check(ended && code == c.exitCode, std::string(title) + ": exit code " + std::to_string(code) +
                                               ", expected " + std::to_string(c.exitCode));
    } else {
        bool open = TargetAlive(app) && Settle(app) && IsWindowVisible(app.dialog) && ExtraWindows(app).empty();
        bool kept = open && CountGdiObjects(app.process.hProcess, kGdiBrush) == brushesBefore && CountsMatchTable(app);
        Check(kept, std::string(title) + ": the window stays open with its brushes and lists");
        // and an exit asked for afterwards still works
        BringToFront(app, NULL);
        SendVirtualKey(VK_ESCAPE);
        boxes = WaitExtraWindows(app, 1, 15000);
        bool ended = boxes.size() == 1 && AnswerBox(boxes[0], IDYES) && WaitTargetExit(app, 30000, &code);
        Check(ended && code == 2, std::string(title) + ": a later Esc and Yes end it with 2");
    }
    StopTarget(app);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string exe = ProgramPath(argc, argv);
    std::printf("racing exits: two confirmation boxes at once\n");
    const Case cases[] = {
        {IDYES, IDYES, false, 2000},
        {IDYES, IDYES, true, 2000},
        {IDYES, IDNO, false, 2},
        {IDYES, IDNO, true, 2},
        {IDNO, IDYES, false, 2000},
        {IDNO, IDYES, true, 2000},
        {IDNO, IDNO, false, 0},
        {IDNO, IDNO, true, 0},
    };
    for (const Case& c : cases)
        RunCase(exe, c);
    return FinishChecks();
}
