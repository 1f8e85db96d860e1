// Random input against both edit fields and both lists: typed characters
// (also outside Windows-1250, control characters, editing and moving keys,
// Ctrl+A/C/V/X/Z), clipboard pastes up to 64 KiB, clicks into the lists,
// Esc (answered No) and Enter; and, in one sequence in --edited-every, first
// a long edited string sent to either field as a keyboard's characters reach
// it (edited_input.h: synchronous WM_CHAR of 1 to --edited-length printable
// Windows-1250 bytes mixed with Ctrl+A/C/V/X/Z and Backspace). After each
// sequence the process must be alive, no box may be open that the sequence
// did not ask for, both lists must still hold exactly the table's items, and
// the About box and the exit confirmation must still open and close.
//
//   robust_fuzz_input.exe PROGRAM [--seed=N] [--sequences=N] [--first=N]
//                         [--full-every=N] [--length=N] [--edited-every=N]
//                         [--edited-length=N] [--verbose=1]
// Sequence i uses its own seed (seed + i), so --first=i --sequences=1 replays
// it. The edited strings draw from a random source of their own, so the other
// actions of a sequence are the same whether it has one or not.
#include <cstdio>

#include "DriverSupport.h"
#include "PostalDirectory.h"
#include "edited_input.h"

namespace {

// The keystrokes among the actions (67 in 100): typed characters (half
// printable ASCII, a quarter Czech and Slovak letters, a quarter outside
// Windows-1250), moving and editing keys, Ctrl+A/C/V/X/Z.
const char kKeyMix[] = "p30e15u15m44a6c6v6x6z6";
// Characters posted as WM_CHAR, in the same proportions.
const char kCharMix[] = "p2e1u1";

std::wstring RandomPasteText(DriverRandom* random)
{
    // Mostly short, sometimes up to 64 KiB (32,768 UTF-16 units incl. surrogates).
    size_t length = DriverRandomBelow(random, 8) == 0 ? 1 + DriverRandomBelow(random, 32767)
                                                      : 1 + DriverRandomBelow(random, 60);
    std::wstring text;
    while (text.size() < length) {
        unsigned pick = DriverRandomBelow(random, 20);
        if (pick == 0 && text.size() + 2 <= length) {
            text += wchar_t(0xD83D);  // an emoji as a surrogate pair
            text += wchar_t(0xDE00 + DriverRandomBelow(random, 0x40));
        } else if (pick == 1) {
            text += DriverRandomBelow(random, 2) ? L'\n' : L'\t';
        } else if (pick == 2) {
            text += wchar_t(1 + DriverRandomBelow(random, 31));  // control characters
        } else {
            text += DriverRandomKey(random, kCharMix).ch;
        }
    }
    return text;
}

// A point inside the visible part of a control (clipped by the dialog's
// client area), in the control's client coordinates.
bool RandomVisiblePoint(const DriverProcess& process, HWND control, DriverRandom* random, POINT* point)
{
    RECT window, client, visible;
    GetWindowRect(control, &window);
    GetClientRect(process.dialog, &client);
    MapWindowPoints(process.dialog, NULL, (POINT*)&client, 2);
    if (!IntersectRect(&visible, &window, &client))
        return false;
    point->x = visible.left + 1 + DriverRandomBelow(random, visible.right - visible.left - 2);
    point->y = visible.top + 1 + DriverRandomBelow(random, visible.bottom - visible.top - 2);
    ScreenToClient(control, point);
    return true;
}

enum Ask { kAskNothing, kAskExitBox };
unsigned long g_pastes;

// One action; returns what it asked of the program.
Ask RandomAction(const DriverProcess& process, DriverRandom* random, std::string* log)
{
    char note[64];
    unsigned pick = DriverRandomBelow(random, 100);
    if (pick < 67) {
        DriverKeyStep step = DriverRandomKey(random, kKeyMix);
        DriverSendKeyStep(step);
        snprintf(note, sizeof note, "%s ", DriverKeyStepText(step).c_str());
    } else if (pick < 77) {
        // WM_CHAR straight to an edit field: any UTF-16 unit, controls included
        // (but not Esc and Enter, which the test asks for with real keys).
        wchar_t ch = DriverRandomBelow(random, 2) ? DriverRandomKey(random, kCharMix).ch
                                                  : wchar_t(1 + DriverRandomBelow(random, 31));
        if (ch == 0x1B || ch == 0x0D)
            ch = 0x01;
        int field = int(DriverRandomBelow(random, 2));
        PostMessageW(process.edits[field], WM_CHAR, ch, 1);
        snprintf(note, sizeof note, "char%04X>%s ", unsigned(ch), field == DRIVER_CODE ? "code" : "place");
    } else if (pick < 82) {
        std::wstring text = RandomPasteText(random);
        DriverSetClipboard(text);
        if (DriverRandomBelow(random, 2))
            DriverKey('V', DRIVER_CTRL);
        else
            PostMessageW(process.edits[DriverRandomBelow(random, 2)], WM_PASTE, 0, 0);
        ++g_pastes;
        snprintf(note, sizeof note, "paste%zu ", text.size());
    } else if (pick < 92) {
        unsigned which = DriverRandomBelow(random, 4);
        HWND target = which < 2 ? process.lists[which] : process.edits[which - 2];
        POINT point = {0, 0};
        if (RandomVisiblePoint(process, target, random, &point))
            DriverClick(target, point.x, point.y);
        snprintf(note, sizeof note, "click(%ld,%ld) ", point.x, point.y);
    } else if (pick < 96) {
        DriverKey(VK_TAB, DriverRandomBelow(random, 2) == 0 ? DRIVER_SHIFT : 0);
        snprintf(note, sizeof note, "tab ");
    } else if (pick < 98) {
        DriverKey(VK_RETURN);
        snprintf(note, sizeof note, "enter ");
    } else {
        DriverKey(VK_ESCAPE);
        *log += "esc ";
        return kAskExitBox;
    }
    *log += note;
    return kAskNothing;
}

// Both lists as read at start, in the controls' order.
struct Baseline {
    std::vector<std::string> items[2];
};

bool SampleMatches(const DriverProcess& process, const Baseline& baseline, DriverRandom* random, std::string* why)
{
    for (int list = 0; list < 2; ++list) {
        const char* name = list == DRIVER_CODE ? "code list" : "place list";
        const std::vector<std::string>& items = baseline.items[list];
        int count = DriverComboCount(process.combos[list]);
        if (count != int(items.size())) {
            *why = std::string(name) + ": " + std::to_string(count) + " items";
            return false;
        }
        for (int k = 0; k < 18; ++k) {
            size_t index = k == 0 ? 0 : k == 1 ? items.size() - 1 : DriverRandomBelow(random, unsigned(items.size()));
            std::string text = DriverComboItem(process.combos[list], int(index));
            if (text != items[index]) {
                *why = std::string(name) + " item " + std::to_string(index) + " is \"" + DriverShow(text) + "\"";
                return false;
            }
        }
    }
    return true;
}

bool FullMatches(const DriverProcess& process, Baseline* baseline, std::string* why)
{
    for (int list = 0; list < 2; ++list) {
        std::vector<std::string> items = DriverComboItems(process.combos[list]);
        if (!DriverItemsMatchTable(items, list, why)) {
            *why = (list == DRIVER_CODE ? "code list: " : "place list: ") + *why;
            return false;
        }
        if (baseline)
            baseline->items[list] = items;
    }
    return true;
}

// Makes sure the program still waits on nothing of ours: closes the box the
// sequence asked for with No and returns whether that worked.
bool AnswerExitBoxNo(const DriverProcess& process)
{
    std::vector<HWND> boxes = DriverWaitOtherWindows(process, 1, DRIVER_TIMEOUT);
    return boxes.size() == 1 && DriverAnswerBox(boxes[0], IDNO);
}

// Brings the window to the front and clicks into the left end of an edit field.
void ClickInto(const DriverProcess& process, HWND edit)
{
    DriverActivate(process.dialog, DRIVER_TIMEOUT);
    RECT client;
    GetClientRect(edit, &client);
    DriverClick(edit, 3, client.bottom / 2);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments =
        DriverArguments(argc, argv, 1, "robust_fuzz_input.exe PROGRAM [--seed=N] [--sequences=N] [--first=N] ...");
    const std::string& exe = arguments[0];
    unsigned long long seed = DriverOption(argc, argv, "--seed", 20261211);
    unsigned long sequences = DriverOption(argc, argv, "--sequences", 1000);
    unsigned long first = DriverOption(argc, argv, "--first", 0);
    unsigned long maxLength = DriverOption(argc, argv, "--length", 40);
    // Reading every item of both lists costs about 1.5 ms per item under Wine
    // (a minute or two for the whole table); with a large table the full
    // comparison runs every 1,000 sequences and a sample of items is compared
    // after each.
    unsigned long fullEvery = DriverOption(argc, argv, "--full-every", kPostalEntryCount <= 500 ? 1 : 1000);
    unsigned long editedEvery = DriverOption(argc, argv, "--edited-every", 20);
    unsigned long editedLength = DriverOption(argc, argv, "--edited-length", 2000);
    bool verbose = DriverOption(argc, argv, "--verbose", 0) != 0;
    DriverLog("input fuzzing: seed %llu, sequences %lu..%lu, up to %lu actions each, full list check every %lu, "
              "an edited string of up to %lu bytes in one sequence in %lu",
              seed, first, first + sequences - 1, maxLength, fullEvery, editedLength, editedEvery);
    DriverNoCrashDialog();

    DriverProcess process = {};
    Baseline baseline;
    bool started = false, fullyChecked = false;
    unsigned long restarts = 0, actions = 0, editedStrings = 0;
    unsigned long long editedBytes = 0;
    ULONGLONG startTick = GetTickCount64();
    for (unsigned long i = first; i < first + sequences; ++i) {
        if (!started) {
            if (!DriverCheck(DriverStartProgram(exe.c_str(), NULL, &process), "the program starts", exe))
                break;
            std::string why;
            if (!DriverCheck(FullMatches(process, &baseline, &why), "after start both lists hold the table's items",
                             why))
                break;
            started = true;
        }
        DriverRandom random = DriverSeed(seed + i);
        unsigned length = 1 + DriverRandomBelow(&random, unsigned(maxLength));
        // Start each sequence in a random edit field.
        ClickInto(process, process.edits[DriverRandomBelow(&random, 2)]);
        std::string log;
        DriverRandom editing = DriverSeed(~(seed + i));
        if (DriverRandomBelow(&editing, unsigned(editedEvery)) == 0) {
            int field = int(DriverRandomBelow(&editing, 2));
            std::string bytes = EditedRandomBytes(&editing, "pacbvxz", editedLength);
            DriverSettle(process);
            EditedDeliver(process.edits[field], bytes);
            ++editedStrings;
            editedBytes += bytes.size();
            log += "edited" + std::to_string(bytes.size()) + (field == DRIVER_CODE ? ">code " : ">place ");
        }
        bool boxOk = true;
        for (unsigned a = 0; a < length && boxOk; ++a) {
            ++actions;
            if (RandomAction(process, &random, &log) == kAskExitBox)
                boxOk = AnswerExitBoxNo(process);
        }
        bool alive = DriverIsRunning(&process) && DriverSettle(process);
        std::vector<HWND> extra = DriverWaitOtherWindows(process, 0, 300);
        std::string why;
        bool listsOk = alive && SampleMatches(process, baseline, &random, &why);
        fullyChecked = listsOk && (i - first + 1) % fullEvery == 0;
        if (fullyChecked)
            listsOk = FullMatches(process, NULL, &why);
        bool ok = alive && boxOk && extra.empty() && listsOk;
        ok = ok && MenuBoxesAnswer(process, &why);  // the window still answers its menu
        if (!ok)
            DriverLog("sequence %lu: %s%s%s%s (exit code 0x%08lX)\n  actions: %s", i,
                      alive ? "" : "process died or hung; ", boxOk ? "" : "exit box did not behave; ",
                      extra.empty() ? "" : "an unasked window is open; ", why.c_str(),
                      DriverIsRunning(&process) ? 0ul : (unsigned long)DriverExitCode(process), log.c_str());
        if (verbose)
            DriverLog("sequence %lu: code field \"%s\", place field \"%s\"\n  actions: %s", i,
                      DriverShow(DriverWindowText(process.edits[DRIVER_CODE])).c_str(),
                      DriverShow(DriverWindowText(process.edits[DRIVER_PLACE])).c_str(), log.c_str());
        DriverCheck(ok, "sequence " + std::to_string(i));
        if (!ok) {
            DriverKill(&process);
            started = false;
            ++restarts;
        }
        if ((i - first + 1) % 100 == 0)
            DriverLog("  %lu sequences, %lu actions, %llu s", i - first + 1, actions,
                      (GetTickCount64() - startTick) / 1000);
    }
    if (started && !fullyChecked) {
        std::string why;
        DriverCheck(FullMatches(process, NULL, &why), "at the end both lists hold the table's items", why);
    }
    if (started)
        DriverCheck(DriverOtherWindows(process).empty(), "at the end no box is open");
    DriverKill(&process);
    DriverLog("%lu actions (%lu pastes), %lu edited strings (%llu bytes) in %llu s, %lu restarts after failures",
              actions, g_pastes, editedStrings, editedBytes, (GetTickCount64() - startTick) / 1000, restarts);
    return DriverSummary();
}
