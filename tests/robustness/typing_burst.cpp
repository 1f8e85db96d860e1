// One long burst of typing into an edit field, sent as fast as the input
// queue takes it: printable characters mixed with Backspace and Ctrl+A, C,
// V, X, Z. Used to pin down a crash seen under Wine after such bursts.
//
//   robust_burst.exe [PROGRAM] [--seed=N] [--count=N] [--runs=N] [--keys=pbacvxz]
//                    [--field=0|1] [--pause=MS] [--clip=N]
// keys: p printable, b Backspace, a c v x z Ctrl+letter, u characters outside
// Windows-1250, d Delete, h Home/End/arrows. --clip=N puts N characters on the
// clipboard before each burst (text to paste that is longer than a field).
#include "harness.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    std::string exe = ProgramPath(argc, argv);
    uint64_t seed = OptionValue(argc, argv, "--seed", 1500);
    unsigned long count = OptionValue(argc, argv, "--count", 1500);
    unsigned long runs = OptionValue(argc, argv, "--runs", 3);
    unsigned long field = OptionValue(argc, argv, "--field", 1);
    unsigned long pause = OptionValue(argc, argv, "--pause", 0);
    unsigned long clip = OptionValue(argc, argv, "--clip", 0);
    std::string keys = "pbacvxz";
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--keys=", 7) == 0)
            keys = argv[i] + 7;
    std::printf("typing bursts: seed %llu, %lu keys per burst, %lu bursts, keys \"%s\"\n",
                (unsigned long long)seed, count, runs, keys.c_str());
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineDbg", 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) == ERROR_SUCCESS) {
        DWORD zero = 0;
        RegSetValueExA(key, "ShowCrashDialog", 0, REG_DWORD, (const BYTE*)&zero, sizeof zero);
        RegCloseKey(key);
    }
    for (unsigned long run = 0; run < runs; ++run) {
        TargetApp app;
        if (!StartTarget(app, exe)) {
            Check(false, "the program starts");
            break;
        }
        HWND edit = field ? app.placeEdit : app.codeEdit;
        if (clip) {
            std::wstring text;
            for (unsigned long i = 0; i < clip; ++i)
                text += (wchar_t)(i % 97 == 96 ? 0x4E2D : 0x61 + i % 26);
            SetClipboardUnicode(text);
        }
        BringToFront(app, edit);
        uint64_t rng = (seed + run) * 0x9E3779B97F4A7C15ULL | 1;
        unsigned long sent = 0;
        std::string tail;
        for (; sent < count && TargetAlive(app); ++sent) {
            char k = keys[RandomBelow(rng, (unsigned)keys.size())];
            switch (k) {
            case 'p': SendUnicodeChar((wchar_t)(0x20 + RandomBelow(rng, 0x5F))); break;
            case 'u': SendUnicodeChar((wchar_t)(0x4E00 + RandomBelow(rng, 0x100))); break;
            case 'b': SendVirtualKey(VK_BACK); break;
            case 'd': SendVirtualKey(VK_DELETE); break;
            case 'h': SendVirtualKey((WORD)(RandomBelow(rng, 2) ? VK_HOME : VK_LEFT)); break;
            default: SendVirtualKey((WORD)(k - 'a' + 'A'), true); break;
            }
            tail += k;
            if (tail.size() > 60)
                tail.erase(0, 1);
            if (pause)
                Sleep(pause);
        }
        bool settled = TargetAlive(app) && Settle(app, 60000);
        DWORD code = 0;
        if (!TargetAlive(app))
            GetExitCodeProcess(app.process.hProcess, &code);
        std::printf("burst %lu: %lu keys sent, %s (exit code 0x%08lX), last keys %s\n", run, sent,
                    settled ? "alive" : "DIED", code, tail.c_str());
        if (settled)
            std::printf("  field now \"%s\"\n", WindowCaption(edit).c_str());
        Check(settled, "burst " + std::to_string(run) + " leaves the program alive");
        StopTarget(app);
    }
    return FinishChecks();
}
