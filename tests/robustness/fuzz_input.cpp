// Random input against both edit fields and both lists: typed characters
// (also outside Windows-1250, control characters, editing and moving keys,
// Ctrl+A/C/V/X/Z), clipboard pastes up to 64 KiB, clicks into the lists,
// Esc (answered No) and Enter. After each sequence the process must be alive,
// no box may be open that the sequence did not ask for, and both lists must
// still hold exactly the table's items.
//
//   robust_fuzz.exe [PROGRAM] [--seed=N] [--sequences=N] [--first=N]
//                   [--full-every=N] [--length=N] [--verbose=1]
// Sequence i uses its own seed (seed + i), so --first=i --sequences=1 replays it.
#include "harness.h"

#include <cstdio>
#include <cstring>

#include "PostalDirectory.h"

namespace {

// Characters beyond Windows-1250 and awkward ones inside it.
const wchar_t kOddChars[] = {
    0x4E2D, 0x6587, 0x0416, 0x044F, 0x03A9, 0x05D0, 0x0627, 0x20AC, 0x00FF, 0x00E6,
    0x0152, 0x2603, 0xFEFF, 0x200B, 0x0301, 0xFFFD, 0xFFFF, 0x00A0, 0x00AD, 0x2028,
    0xE000, 0x3042, 0x0E01, 0x1F600 & 0xFFFF,
};
const wchar_t kCzechChars[] = L"áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽľĽôŕ";
const WORD kMoveKeys[] = {VK_BACK, VK_DELETE, VK_HOME, VK_END, VK_LEFT, VK_RIGHT,
                          VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_INSERT};
const char kCtrlLetters[] = "ACVXZ";

wchar_t RandomChar(uint64_t& rng)
{
    switch (RandomBelow(rng, 4)) {
    case 0:
        return kOddChars[RandomBelow(rng, sizeof kOddChars / sizeof kOddChars[0])];
    case 1:
        return kCzechChars[RandomBelow(rng, (unsigned)wcslen(kCzechChars))];
    default:
        return (wchar_t)(0x20 + RandomBelow(rng, 0x5F));
    }
}

std::wstring RandomPasteText(uint64_t& rng)
{
    // Mostly short, sometimes up to 64 KiB (32,768 UTF-16 units incl. surrogates).
    size_t length = RandomBelow(rng, 8) == 0 ? 1 + RandomBelow(rng, 32767) : 1 + RandomBelow(rng, 60);
    std::wstring text;
    while (text.size() < length) {
        unsigned pick = RandomBelow(rng, 20);
        if (pick == 0 && text.size() + 2 <= length) {
            text += (wchar_t)0xD83D;  // an emoji as a surrogate pair
            text += (wchar_t)(0xDE00 + RandomBelow(rng, 0x40));
        } else if (pick == 1) {
            text += (wchar_t)(RandomBelow(rng, 2) ? L'\n' : L'\t');
        } else if (pick == 2) {
            text += (wchar_t)(1 + RandomBelow(rng, 31));  // control characters
        } else {
            text += RandomChar(rng);
        }
    }
    return text;
}

// A point inside the visible part of hwnd (clipped by the dialog's client
// area), in hwnd's client coordinates.
bool RandomVisiblePoint(const TargetApp& app, HWND hwnd, uint64_t& rng, POINT& p)
{
    RECT window, client;
    GetWindowRect(hwnd, &window);
    GetClientRect(app.dialog, &client);
    MapWindowPoints(app.dialog, NULL, (POINT*)&client, 2);
    RECT visible;
    if (!IntersectRect(&visible, &window, &client))
        return false;
    p.x = visible.left + 1 + RandomBelow(rng, visible.right - visible.left - 2);
    p.y = visible.top + 1 + RandomBelow(rng, visible.bottom - visible.top - 2);
    ScreenToClient(hwnd, &p);
    return true;
}

enum Ask { kAskNothing, kAskExitBox };
unsigned long g_pastes;

// One action; returns what it asked of the program.
Ask RandomAction(const TargetApp& app, uint64_t& rng, std::string& log)
{
    char note[64];
    unsigned pick = RandomBelow(rng, 100);
    if (pick < 30) {
        wchar_t ch = RandomChar(rng);
        SendUnicodeChar(ch);
        std::snprintf(note, sizeof note, "U+%04X ", (unsigned)ch);
    } else if (pick < 40) {
        // WM_CHAR straight to an edit field: any UTF-16 unit, controls included
        // (but not Esc and Enter, which the test asks for with real keys).
        wchar_t ch = RandomBelow(rng, 2) ? RandomChar(rng) : (wchar_t)(1 + RandomBelow(rng, 31));
        if (ch == 0x1B || ch == 0x0D)
            ch = 0x01;
        HWND edit = RandomBelow(rng, 2) ? app.codeEdit : app.placeEdit;
        PostMessageW(edit, WM_CHAR, ch, 1);
        std::snprintf(note, sizeof note, "char%04X>%s ", (unsigned)ch, edit == app.codeEdit ? "code" : "place");
    } else if (pick < 62) {
        WORD vk = kMoveKeys[RandomBelow(rng, sizeof kMoveKeys / sizeof kMoveKeys[0])];
        bool shift = RandomBelow(rng, 4) == 0, ctrl = RandomBelow(rng, 6) == 0;
        SendVirtualKey(vk, ctrl, shift);
        std::snprintf(note, sizeof note, "%s%svk%02X ", ctrl ? "C-" : "", shift ? "S-" : "", vk);
    } else if (pick < 77) {
        char letter = kCtrlLetters[RandomBelow(rng, sizeof kCtrlLetters - 1)];
        SendVirtualKey((WORD)letter, true);
        std::snprintf(note, sizeof note, "C-%c ", letter);
    } else if (pick < 82) {
        std::wstring text = RandomPasteText(rng);
        SetClipboardUnicode(text);
        if (RandomBelow(rng, 2)) {
            SendVirtualKey('V', true);
        } else {
            PostMessageW(RandomBelow(rng, 2) ? app.codeEdit : app.placeEdit, WM_PASTE, 0, 0);
        }
        ++g_pastes;
        std::snprintf(note, sizeof note, "paste%zu ", text.size());
    } else if (pick < 92) {
        HWND target;
        switch (RandomBelow(rng, 4)) {
        case 0: target = app.codeList; break;
        case 1: target = app.placeList; break;
        case 2: target = app.codeEdit; break;
        default: target = app.placeEdit; break;
        }
        POINT p;
        if (RandomVisiblePoint(app, target, rng, p))
            ClickAt(target, p.x, p.y);
        std::snprintf(note, sizeof note, "click(%ld,%ld) ", p.x, p.y);
    } else if (pick < 96) {
        SendVirtualKey(VK_TAB, false, RandomBelow(rng, 2) == 0);
        std::snprintf(note, sizeof note, "tab ");
    } else if (pick < 98) {
        SendVirtualKey(VK_RETURN);
        std::snprintf(note, sizeof note, "enter ");
    } else {
        SendVirtualKey(VK_ESCAPE);
        log += "esc ";
        return kAskExitBox;
    }
    log += note;
    return kAskNothing;
}

struct Baseline {
    std::vector<std::string> items[2];  // [0] code list, [1] place list, in the control's order
};

bool SampleMatches(const TargetApp& app, const Baseline& baseline, uint64_t& rng, std::string& why)
{
    for (int list = 0; list < 2; ++list) {
        HWND combo = list == 0 ? app.codeCombo : app.placeCombo;
        const std::vector<std::string>& items = baseline.items[list];
        long count = ComboCount(combo);
        if (count != (long)items.size()) {
            why = (list == 0 ? "code list: " : "place list: ") + std::to_string(count) + " items";
            return false;
        }
        for (int k = 0; k < 18; ++k) {
            size_t index = k == 0 ? 0 : k == 1 ? items.size() - 1 : RandomBelow(rng, (unsigned)items.size());
            std::string text;
            if (!ReadComboItem(combo, index, text) || text != items[index]) {
                why = (list == 0 ? "code list item " : "place list item ") + std::to_string(index) +
                      " is \"" + text + "\"";
                return false;
            }
        }
    }
    return true;
}

bool FullMatches(const TargetApp& app, Baseline* baseline, std::string& why)
{
    for (int list = 0; list < 2; ++list) {
        std::vector<std::string> items;
        if (!ReadComboItems(list == 0 ? app.codeCombo : app.placeCombo, items)) {
            why = "a list could not be read";
            return false;
        }
        if (!ItemsMatchTable(items, list == 0, why)) {
            why = (list == 0 ? "code list: " : "place list: ") + why;
            return false;
        }
        if (baseline)
            baseline->items[list] = items;
    }
    return true;
}

// Makes sure the program still waits on nothing of ours: closes a box it
// asked for with No and returns whether that worked.
bool AnswerExitBoxNo(const TargetApp& app)
{
    std::vector<HWND> boxes = WaitExtraWindows(app, 1, 15000);
    if (boxes.size() != 1)
        return false;
    return AnswerBox(boxes[0], IDNO);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string exe = ProgramPath(argc, argv);
    uint64_t seed = OptionValue(argc, argv, "--seed", 20261211);
    unsigned long sequences = OptionValue(argc, argv, "--sequences", 1000);
    unsigned long first = OptionValue(argc, argv, "--first", 0);
    unsigned long maxLength = OptionValue(argc, argv, "--length", 40);
    // Reading every item of both lists costs about 1.5 ms per item under Wine
    // (a minute or two for the whole table); with a large table the full
    // comparison runs every 1,000 sequences and a sample of items is compared
    // after each.
    unsigned long fullEvery = OptionValue(argc, argv, "--full-every", kPostalEntryCount <= 500 ? 1 : 1000);
    bool verbose = OptionValue(argc, argv, "--verbose", 0) != 0;
    std::printf("input fuzzing: seed %llu, sequences %lu..%lu, up to %lu actions each, full list check every %lu\n",
                (unsigned long long)seed, first, first + sequences - 1, maxLength, fullEvery);
    std::fflush(stdout);
    // A crash must end the process rather than wait in a crash dialog.
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineDbg", 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) == ERROR_SUCCESS) {
        DWORD zero = 0;
        RegSetValueExA(key, "ShowCrashDialog", 0, REG_DWORD, (const BYTE*)&zero, sizeof zero);
        RegCloseKey(key);
    }

    TargetApp app;
    Baseline baseline;
    bool started = false, fullyChecked = false;
    unsigned long restarts = 0, actions = 0;
    DWORD startTick = GetTickCount();
    for (unsigned long i = first; i < first + sequences; ++i) {
        if (!started) {
            if (!StartTarget(app, exe)) {
                Check(false, "the program starts");
                break;
            }
            std::string why;
            bool ok = FullMatches(app, &baseline, why);
            Check(ok, "after start both lists hold the table's items: " + why);
            if (!ok)
                break;
            BringToFront(app, app.codeEdit);
            started = true;
        }
        uint64_t rng = (seed + i) * 0x9E3779B97F4A7C15ULL | 1;
        unsigned length = 1 + RandomBelow(rng, (unsigned)maxLength);
        // Start each sequence in a random edit field.
        BringToFront(app, RandomBelow(rng, 2) ? app.codeEdit : app.placeEdit);
        std::string log;
        bool boxOk = true;
        for (unsigned a = 0; a < length && boxOk; ++a) {
            ++actions;
            if (RandomAction(app, rng, log) == kAskExitBox)
                boxOk = AnswerExitBoxNo(app);
        }
        bool settled = Settle(app);
        std::vector<HWND> extra = WaitExtraWindows(app, 0, 300);
        std::string why;
        bool alive = TargetAlive(app) && settled;
        bool listsOk = alive && SampleMatches(app, baseline, rng, why);
        fullyChecked = listsOk && (i - first + 1) % fullEvery == 0;
        if (fullyChecked)
            listsOk = FullMatches(app, NULL, why);
        bool ok = alive && boxOk && extra.empty() && listsOk;
        if (!ok) {
            DWORD code = 0;
            if (!TargetAlive(app))
                GetExitCodeProcess(app.process.hProcess, &code);
            std::printf("sequence %lu: %s%s%s%s (exit code 0x%08lX)\n  actions: %s\n", i,
                        alive ? "" : "process died or hung; ", boxOk ? "" : "exit box did not behave; ",
                        extra.empty() ? "" : "an unasked window is open; ", why.c_str(), code, log.c_str());
        }
        if (verbose)
            std::printf("sequence %lu: code field \"%s\", place field \"%s\"\n  actions: %s\n", i,
                        WindowCaption(app.codeEdit).c_str(), WindowCaption(app.placeEdit).c_str(), log.c_str());
        Check(ok, "sequence " + std::to_string(i));
        if (!ok) {
            StopTarget(app);
            started = false;
            ++restarts;
        }
        if ((i - first + 1) % 100 == 0) {
            std::printf("  %lu sequences, %lu actions, %lu s\n", i - first + 1, actions, (GetTickCount() - startTick) / 1000);
            std::fflush(stdout);
        }
    }
    if (started && !fullyChecked) {
        std::string why;
        bool same = FullMatches(app, NULL, why);
        Check(same, "at the end both lists hold the table's items: " + why);
    }
    if (started)
        Check(ExtraWindows(app).empty(), "at the end no box is open");
    StopTarget(app);
    std::printf("%lu actions (%lu pastes) in %lu s, %lu restarts after failures\n", actions, g_pastes,
                (GetTickCount() - startTick) / 1000, restarts);
    return FinishChecks();
}
