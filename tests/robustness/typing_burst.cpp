// One long burst of typing into an edit field, sent as fast as the input
// queue takes it: printable characters mixed with Backspace and Ctrl+A, C,
// V, X, Z. Used to pin down a crash seen under Wine after such bursts.
//
//   robust_typing_burst.exe PROGRAM [--seed=N] [--count=N] [--runs=N] [--keys=pbacvxz]
//                           [--field=0|1] [--pause=MS] [--clip=N]
// keys: a key mix of the driver library (DriverRandomKey): p printable,
// b Backspace, a c v x z Ctrl+letter, u characters outside Windows-1250,
// d Delete, h Home/Left, e Czech letters, m moving keys; a number after a
// letter weights it. --clip=N puts N characters on the clipboard before each
// burst (text to paste that is longer than a field).
#include <cstdio>

#include "DriverSupport.h"

int main(int argc, char** argv)
{
    std::vector<std::string> arguments =
        DriverArguments(argc, argv, 1, "robust_typing_burst.exe PROGRAM [--seed=N] [--count=N] [--runs=N] [--keys=MIX] ...");
    const std::string& exe = arguments[0];
    std::string keys = DriverOptionText(argc, argv, "--keys", "pbacvxz");
    unsigned long long seed = DriverOption(argc, argv, "--seed", 1500);
    unsigned long count = DriverOption(argc, argv, "--count", 1500);
    unsigned long runs = DriverOption(argc, argv, "--runs", 3);
    int field = DriverOption(argc, argv, "--field", 1) ? DRIVER_PLACE : DRIVER_CODE;
    unsigned long pause = DriverOption(argc, argv, "--pause", 0);
    unsigned long clip = DriverOption(argc, argv, "--clip", 0);
    DriverLog("typing bursts: seed %llu, %lu keys per burst, %lu bursts, keys \"%s\"", seed, count, runs,
              keys.c_str());
    DriverNoCrashDialog();
    for (unsigned long run = 0; run < runs; ++run) {
        DriverProcess process;
        if (!DriverCheck(DriverStartProgram(exe.c_str(), NULL, &process), "the program starts", exe))
            break;
        HWND edit = process.edits[field];
        if (clip) {
            std::wstring text;
            for (unsigned long i = 0; i < clip; ++i)
                text += wchar_t(i % 97 == 96 ? 0x4E2D : 0x61 + i % 26);
            DriverSetClipboard(text);
        }
        DriverActivate(process.dialog, DRIVER_TIMEOUT);
        DriverFocusEdit(process.dialog, process.combos[field]);
        DriverRandom random = DriverSeed(seed + run);
        unsigned long sent = 0;
        std::string tail;
        for (; sent < count && DriverIsRunning(&process); ++sent) {
            DriverKeyStep step = DriverRandomKey(&random, keys.c_str());
            DriverSendKeyStep(step);
            tail += step.kind;
            if (tail.size() > 60)
                tail.erase(0, 1);
            if (pause)
                Sleep(pause);
        }
        bool settled = DriverIsRunning(&process) && DriverSettle(process, 60000);
        DriverLog("burst %lu: %lu keys sent, %s (exit code 0x%08lX), last keys %s", run, sent,
                  settled ? "alive" : "DIED", DriverIsRunning(&process) ? 0ul : (unsigned long)DriverExitCode(process),
                  tail.c_str());
        if (settled)
            DriverLog("  field now \"%s\"", DriverShow(DriverWindowText(edit)).c_str());
        DriverCheck(settled, "burst " + std::to_string(run) + " leaves the program alive");
        DriverKill(&process);
    }
    return DriverSummary();
}
