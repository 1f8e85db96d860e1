// Edited input delivered the way a keyboard's characters reach an edit field
// (edited_input.h): printable Windows-1250 bytes mixed with Ctrl+A, Ctrl+C,
// Backspace, Ctrl+V, Ctrl+X and Ctrl+Z, each a synchronous WM_CHAR.
//
// First the short inputs that each broke a field under Wine with DejaVu Sans
// as the dialog's font: the spacing accents ˇ ˛ ˝ starting a run made the
// platform's text shaping fault, so the field showed nothing; and a pasted ˇ
// over and over, where each fault inside a paste cost the program's thread a
// level of window-procedure nesting until, after 64, the lists answered 0
// items. Then seeded random strings of 1 to --length bytes, alternating
// between the code field and the place field.
//
// After every input: the process runs and answers, both lists hold all their
// items, and the field shows the text it holds; after each short input, every
// few strings and at the end the About box and the exit confirmation open and
// close; at the very end Esc with Yes ends the program with 2.
//
//   robust_long_edit_input.exe PROGRAM [--seed=N] [--strings=N] [--first=N]
//       [--length=N] [--keys=pacbvxz] [--field=both|code|place]
//       [--boxes-every=N] [--verbose=1]
// keys: p printable bytes, and the control characters a c b v x z. String i
// uses its own seed and starts with an empty field and an empty clipboard, so
// --first=i --strings=1 replays it.
#include <cstdio>

#include "DriverSupport.h"
#include "PostalDirectory.h"
#include "edited_input.h"

namespace {

const char* const kFieldNames[] = {"code", "place"};

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

// The field draws its text in white on a plain violet-blue: when it holds
// something visible, white pixels must show up in it once it is painted.
bool WhiteShows(void* edit)
{
    DriverImage image;
    if (!DriverCapture(HWND(edit), false, &image))
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
bool Answers(const DriverProcess& process, int field, std::string* why)
{
    if (!DriverIsRunning(&process)) {
        *why = "the process ended with " + std::to_string(DriverExitCode(process));
        return false;
    }
    if (!DriverSync(process.dialog, 10000)) {
        *why = "the window does not answer";
        return false;
    }
    for (int list = 0; list < 2; ++list) {
        // The combo box asks its list part: a nested call inside the program.
        int count = DriverComboCount(process.combos[list]);
        if (count != int(kPostalEntryCount)) {
            *why = std::string("the ") + kFieldNames[list] + " list answers " + std::to_string(count) +
                   " items, not " + std::to_string(kPostalEntryCount);
            return false;
        }
    }
    std::string text = DriverWindowText(process.edits[field]);
    if (!FieldShowsText(process.edits[field], text)) {
        *why = "the field holds \"" + DriverShow(text) + "\" but shows nothing";
        return false;
    }
    return true;
}

// Delivers one input and checks the window; false once it broke.
bool Run(const DriverProcess& process, int field, const std::string& bytes, bool boxes, const std::string& name,
         bool verbose)
{
    std::string why;
    bool ok = EditedDeliver(process.edits[field], bytes);
    if (!ok)
        why = "the field stopped answering WM_CHAR";
    ok = ok && Answers(process, field, &why);
    ok = ok && (!boxes || MenuBoxesAnswer(process, &why));
    if (verbose || !ok)
        DriverLog("%s, %s field, %zu bytes: %s\n  %s", DriverUtf8(name).c_str(), kFieldNames[field], bytes.size(),
                  ok ? ("field \"" + DriverShow(DriverWindowText(process.edits[field])) + "\"").c_str() : why.c_str(),
                  DriverShow(bytes).c_str());
    return DriverCheck(ok, DriverUtf8(name) + " in the " + kFieldNames[field] + " field leaves the window working",
                       why);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments =
        DriverArguments(argc, argv, 1, "robust_long_edit_input.exe PROGRAM [--seed=N] [--strings=N] [--first=N] ...");
    unsigned long long seed = DriverOption(argc, argv, "--seed", 20261227);
    unsigned long strings = DriverOption(argc, argv, "--strings", 40);
    unsigned long first = DriverOption(argc, argv, "--first", 0);
    unsigned long maxLength = DriverOption(argc, argv, "--length", 2000);
    unsigned long boxesEvery = DriverOption(argc, argv, "--boxes-every", 10);
    std::string keys = DriverOptionText(argc, argv, "--keys", "pacbvxz");
    std::string field = DriverOptionText(argc, argv, "--field", "both");
    bool verbose = DriverOption(argc, argv, "--verbose", 0) != 0;
    DriverLog("long edited input: seed %llu, strings %lu..%lu, 1 to %lu bytes, keys \"%s\", field %s", seed, first,
              first + strings - 1, maxLength, keys.c_str(), field.c_str());
    DriverCheck(DriverExpectCzechLocale(), "Czech locale and code page 1250");
    DriverNoCrashDialog();

    DriverProcess process;
    if (!DriverCheck(DriverStartProgram(arguments[0].c_str(), NULL, &process), "the program starts", arguments[0]))
        return DriverSummary();
    ULONGLONG startTick = GetTickCount64();
    // Every short input runs, each in both fields; the random strings only
    // when the window came through all of them.
    for (const FixedInput& input : FixedInputs())
        for (int f = 0; f < 2; ++f)
            if (Run(process, f, input.bytes, true, input.name, verbose) && input.expected)
                DriverCheckEqual(DriverWindowText(process.edits[f]), input.expected,
                                 DriverUtf8(input.name) + ": the " + kFieldNames[f] + " field's text");
    bool ok = DriverFailures() == 0;
    unsigned long long bytes = 0;
    for (unsigned long i = first; ok && i < first + strings; ++i) {
        DriverRandom random = DriverSeed(seed + i);
        std::string text = EditedRandomBytes(&random, keys.c_str(), maxLength);
        int f = field == "code" ? DRIVER_CODE : field == "place" ? DRIVER_PLACE : int(i % 2);
        bool boxes = i + 1 == first + strings || (i - first + 1) % boxesEvery == 0;
        ok = Run(process, f, text, boxes, "string " + std::to_string(i), verbose);
        bytes += text.size();
        if ((i - first + 1) % 10 == 0)
            DriverLog("  %lu strings, %llu bytes, %llu s", i - first + 1, bytes, (GetTickCount64() - startTick) / 1000);
    }
    if (ok)
        DriverCheckExitByEscape(&process, "after all inputs");
    DriverLog("%llu random bytes in %llu s", bytes, (GetTickCount64() - startTick) / 1000);
    DriverKill(&process);
    return DriverSummary();
}
