// Edited input delivered the way a keyboard's characters reach an edit
// field: the field is emptied with WM_SETTEXT and every byte is sent to it as
// a synchronous WM_CHAR, printable Windows-1250 bytes mixed with the
// characters that edit (Ctrl+A, Ctrl+C, Backspace, Ctrl+V, Ctrl+X, Ctrl+Z).
//
// First a few short inputs in each field that once broke it: the spacing
// accents ˇ ˛ ˝ at the start of a run, and a pasted ˇ over and over (each
// fault inside a paste used to cost the program's thread one level of
// window-procedure nesting; after 64 the lists answered 0 items and no box
// could open). Then random strings of 1 to --length bytes, alternating
// between the code field and the place field.
//
// After every input: the process runs and answers, both lists hold all their
// items, and the field shows the text it holds; after each short input, every
// few strings and at the end the About box and the exit confirmation open and
// close; at the very end Esc with Yes ends the program with 2.
//
//   robust_long_edit_input.exe [PROGRAM] [--seed=N] [--strings=N] [--first=N]
//       [--length=N] [--keys=pacbvxz] [--field=both|code|place]
//       [--boxes-every=N] [--verbose=1]
// keys: p printable bytes (with extra blanks, "(" and "-"), and the control
// characters a 0x01, c 0x03, b 0x08, v 0x16, x 0x18, z 0x1A. String i uses
// its own seed and starts with an empty field and an empty clipboard, so
// --first=i --strings=1 replays it.
#include "DriverSupport.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "PostalDirectory.h"

namespace {

const char kCaption[] = "Orvenda 1.0.0";
const char kAboutCaption[] = "O programu ";
const char kConfirmCaption[] = "Potvrzení ukončení";
const WORD kIdAbout = 2001;
const char* const kFieldNames[] = {"code", "place"};

// ---- Options and random numbers ----------------------------------------------

const char* OptionText(int argc, char** argv, const char* name, const char* fallback)
{
    size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], name, length) == 0 && argv[i][length] == '=')
            return argv[i] + length + 1;
    return fallback;
}

unsigned long OptionNumber(int argc, char** argv, const char* name, unsigned long fallback)
{
    const char* text = OptionText(argc, argv, name, NULL);
    return text ? std::strtoul(text, NULL, 0) : fallback;
}

// The program file: the first argument that is not an option, else
// orvenda.exe two folders above this driver (BUILD/tests/robustness/).
std::string ProgramFile(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--", 2) != 0)
            return argv[i];
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string path(self);
    for (int up = 0; up < 3; ++up)
        path.resize(path.find_last_of("\\/"));
    return path + "\\orvenda.exe";
}

uint64_t NextRandom(uint64_t& state)
{
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1DULL;
}

unsigned RandomBelow(uint64_t& state, unsigned bound)
{
    return bound ? unsigned(NextRandom(state) % bound) : 0;
}

// ---- The inputs -----------------------------------------------------------------

// A printable Windows-1250 byte: ASCII, or one of the code page's upper half
// (the five unassigned bytes left out).
char PrintableByte(uint64_t& rng)
{
    switch (RandomBelow(rng, 8)) {
    case 0: return ' ';
    case 1: return '(';
    case 2: return '-';
    case 3: {
        unsigned char b;
        do
            b = (unsigned char)(0x80 + RandomBelow(rng, 0x80));
        while (b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98);
        return char(b);
    }
    default: return char(0x21 + RandomBelow(rng, 0x5E));
    }
}

char ControlByte(char key)
{
    switch (key) {
    case 'a': return 0x01;  // Ctrl+A
    case 'c': return 0x03;  // Ctrl+C
    case 'b': return 0x08;  // Backspace
    case 'v': return 0x16;  // Ctrl+V
    case 'x': return 0x18;  // Ctrl+X
    default: return 0x1A;   // Ctrl+Z
    }
}

// Half printable bytes, half the chosen control characters (when both kinds
// are asked for), 1 to maxLength bytes.
std::string RandomString(uint64_t& rng, const std::string& keys, unsigned long maxLength)
{
    std::string controls;
    for (char k : keys)
        if (std::strchr("acbvxz", k))
            controls += k;
    bool printable = keys.find('p') != std::string::npos;
    size_t length = 1 + RandomBelow(rng, unsigned(maxLength));
    std::string text;
    while (text.size() < length) {
        if (printable && (controls.empty() || RandomBelow(rng, 2)))
            text += PrintableByte(rng);
        else if (!controls.empty())
            text += ControlByte(controls[RandomBelow(rng, unsigned(controls.size()))]);
    }
    return text;
}

// Short inputs that each broke a field. `expected` is the field's text
// afterwards; NULL where it depends on the field's width.
struct FixedInput {
    const char* name;
    std::string bytes;
    const char* expected;
};

std::vector<FixedInput> FixedInputs()
{
    return {
        {"ˇ alone", "ˇ", "ˇ"},
        {"˛ after a hyphen", "-˛", "-˛"},
        {"˝ after a parenthesis", "(˝", "(˝"},
        {"ˇ after a digit", "1ˇ", "1ˇ"},
        {"ˇ, Ctrl+A, Ctrl+C, 70 times Ctrl+V", "ˇ\x01\x03" + std::string(70, '\x16'), NULL},
    };
}

// ---- Talking to the program ---------------------------------------------------

struct Target {
    DriverProcess process;
    HWND combo[2];  // code list, place list
    HWND edit[2];
};

DWORD Scaled(DWORD ms)
{
    return ms * DriverTimeoutScale();
}

// A synchronous message with a time limit, so that a program that stopped
// answering fails the check instead of stopping the driver.
bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = NULL)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, Scaled(10000), &answer))
        return false;
    if (result)
        *result = LRESULT(answer);
    return true;
}

void EmptyClipboardOfDriver()
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (OpenClipboard(NULL)) {
            EmptyClipboard();
            CloseClipboard();
            return;
        }
        DriverPause(20);
    }
}

bool StartTarget(const std::string& exe, Target* target)
{
    if (!DriverStartAndWait(exe.c_str(), NULL, kCaption, 60000, &target->process))
        return false;
    target->combo[0] = GetDlgItem(target->process.dialog, 1002);
    target->combo[1] = GetDlgItem(target->process.dialog, 1003);
    for (int i = 0; i < 2; ++i)
        target->edit[i] = DriverComboEdit(target->combo[i]);
    return target->edit[0] && target->edit[1] && DriverSync(target->process.dialog, 30000);
}

// Empties the field, then sends the bytes one by one; false when the program
// stopped answering.
bool Deliver(HWND edit, const std::string& bytes)
{
    EmptyClipboardOfDriver();
    if (!Send(edit, WM_SETTEXT, 0, LPARAM("")))
        return false;
    for (unsigned char byte : bytes)
        if (!Send(edit, WM_CHAR, byte, 1))
            return false;
    return true;
}

// The field draws its text in white on a plain violet-blue: when it holds
// something visible, white pixels must show up in it once it is painted.
bool WhiteShows(void* context)
{
    DriverImage image;
    if (!DriverCapture(HWND(context), false, &image))
        return false;
    for (COLORREF pixel : image.pixels)
        if (pixel == RGB(255, 255, 255))
            return true;
    return false;
}

bool FieldShowsText(HWND edit, const std::string& text)
{
    // Painted afresh, so that nothing left from before can stand in for it.
    RedrawWindow(edit, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    for (unsigned char c : text)
        if (c != ' ' && c != 0xA0 && c != 0xAD)  // blank, no-break space, soft hyphen
            return DriverWaitUntil(WhiteShows, edit, 3000);
    return true;
}

// Alive, answering, both lists full, and the field showing what it holds;
// `why` says what broke.
bool Answers(const Target& target, int field, std::string* why)
{
    if (!DriverIsRunning(&target.process)) {
        DWORD code = 0;
        GetExitCodeProcess(target.process.info.hProcess, &code);
        *why = "the process ended with " + std::to_string(code);
        return false;
    }
    if (!DriverSync(target.process.dialog, 10000)) {
        *why = "the window does not answer";
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        // The combo box asks its list: a nested call inside the program.
        LRESULT count = -1;
        Send(target.combo[i], CB_GETCOUNT, 0, 0, &count);
        if (count != LRESULT(kPostalEntryCount)) {
            *why = std::string("the ") + kFieldNames[i] + " list answers " + std::to_string(count) +
                   " items, not " + std::to_string(kPostalEntryCount);
            return false;
        }
    }
    std::string text = DriverWindowText(target.edit[field]);
    if (!FieldShowsText(target.edit[field], text)) {
        *why = "the field holds \"" + DriverShow(text) + "\" but shows nothing";
        return false;
    }
    return true;
}

// Asks for a box with a command to the dialog, as the menu and Esc do, waits
// for it and closes it with the given button.
bool BoxOpensAndCloses(const Target& target, WORD command, const char* caption, int button)
{
    PostMessageA(target.process.dialog, WM_COMMAND, command, 0);
    HWND box = DriverWaitForMessageBox(target.process.info.dwProcessId, caption, NULL, 10000);
    if (!box)
        return false;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(DriverMessageBoxButton(box, button)));
    return DriverWaitWindowGone(box, 10000);
}

bool BoxesOpen(const Target& target, std::string* why)
{
    if (!BoxOpensAndCloses(target, kIdAbout, kAboutCaption, IDOK)) {
        *why = "the About box did not open and close";
        return false;
    }
    if (!BoxOpensAndCloses(target, IDCANCEL, kConfirmCaption, IDNO)) {
        *why = "the exit confirmation did not open and close";
        return false;
    }
    return true;
}

// Delivers one input and checks the window; false once it broke.
bool Run(const Target& target, int field, const std::string& bytes, bool boxes, const std::string& name,
         bool verbose)
{
    std::string why;
    bool ok = Deliver(target.edit[field], bytes);
    if (!ok)
        why = "the field stopped answering WM_CHAR";
    ok = ok && Answers(target, field, &why);
    ok = ok && (!boxes || BoxesOpen(target, &why));
    if (verbose || !ok)
        DriverLog("%s, %s field, %zu bytes: %s\n  %s", DriverUtf8(name).c_str(), kFieldNames[field], bytes.size(),
                  ok ? ("field \"" + DriverShow(DriverWindowText(target.edit[field])) + "\"").c_str() : why.c_str(),
                  DriverShow(bytes).c_str());
    return DriverCheck(ok, DriverUtf8(name) + " in the " + kFieldNames[field] + " field leaves the window working",
                       why);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string exe = ProgramFile(argc, argv);
    uint64_t seed = OptionNumber(argc, argv, "--seed", 20261227);
    unsigned long strings = OptionNumber(argc, argv, "--strings", 40);
    unsigned long first = OptionNumber(argc, argv, "--first", 0);
    unsigned long maxLength = OptionNumber(argc, argv, "--length", 2000);
    unsigned long boxesEvery = OptionNumber(argc, argv, "--boxes-every", 10);
    std::string keys = OptionText(argc, argv, "--keys", "pacbvxz");
    std::string field = OptionText(argc, argv, "--field", "both");
    bool verbose = OptionNumber(argc, argv, "--verbose", 0) != 0;
    DriverLog("long edited input: seed %llu, strings %lu..%lu, 1 to %lu bytes, keys \"%s\", field %s",
              (unsigned long long)seed, first, first + strings - 1, maxLength, keys.c_str(), field.c_str());
    DriverCheck(DriverExpectCzechLocale(), "Czech locale and code page 1250");
    // A crash must end the process rather than wait in a crash dialog.
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineDbg", 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) ==
        ERROR_SUCCESS) {
        DWORD zero = 0;
        RegSetValueExA(key, "ShowCrashDialog", 0, REG_DWORD, (const BYTE*)&zero, sizeof zero);
        RegCloseKey(key);
    }

    Target target;
    if (!DriverCheck(StartTarget(exe, &target), "the program starts and shows its window")) {
        DriverKill(&target.process);
        return DriverSummary();
    }
    ULONGLONG startTick = GetTickCount64();
    // Every short input runs, each in both fields; the random strings only
    // when the window came through all of them.
    for (const FixedInput& input : FixedInputs()) {
        for (int f = 0; f < 2; ++f) {
            if (Run(target, f, input.bytes, true, input.name, verbose) && input.expected)
                DriverCheckEqual(DriverWindowText(target.edit[f]), input.expected,
                                 DriverUtf8(input.name) + ": the " + kFieldNames[f] + " field's text");
        }
    }
    bool ok = DriverFailures() == 0;
    unsigned long long bytes = 0;
    for (unsigned long i = first; ok && i < first + strings; ++i) {
        uint64_t rng = (seed + i) * 0x9E3779B97F4A7C15ULL | 1;
        std::string text = RandomString(rng, keys, maxLength);
        int f = field == "code" ? 0 : field == "place" ? 1 : int(i % 2);
        bool boxes = i + 1 == first + strings || (i - first + 1) % boxesEvery == 0;
        ok = Run(target, f, text, boxes, "string " + std::to_string(i), verbose);
        bytes += text.size();
        if ((i - first + 1) % 10 == 0)
            DriverLog("  %lu strings, %llu bytes, %llu s", i - first + 1, bytes, (GetTickCount64() - startTick) / 1000);
    }
    if (ok) {
        // The way out still works: Esc, Yes, exit code 2.
        PostMessageA(target.process.dialog, WM_COMMAND, IDCANCEL, 0);
        HWND box = DriverWaitForMessageBox(target.process.info.dwProcessId, kConfirmCaption, NULL, 10000);
        if (box)
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), LPARAM(DriverMessageBoxButton(box, IDYES)));
        DWORD code = 0;
        bool ended = box && DriverWaitForExit(&target.process, 10000, &code);
        DriverCheck(ended && code == IDCANCEL, "Esc and Yes end the program with 2",
                    ended ? "exit code " + std::to_string(code) : "it did not end");
    }
    DriverLog("%llu random bytes in %llu s", bytes, (GetTickCount64() - startTick) / 1000);
    DriverKill(&target.process);
    return DriverSummary();
}
