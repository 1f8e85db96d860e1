// Small toolkit for the robustness drivers: start the program under test,
// find its dialog and controls, read the lists back, type, click, paste,
// find message boxes, measure the process. Everything polls with timeouts,
// because the machine is shared and Wine can be slow to answer.
#ifndef ORVENDA_ROBUSTNESS_HARNESS_H
#define ORVENDA_ROBUSTNESS_HARNESS_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct TargetApp {
    PROCESS_INFORMATION process;
    HWND dialog;
    HWND codeCombo, placeCombo;  // the two combo boxes
    HWND codeEdit, placeEdit;    // their edit fields
    HWND codeList, placeList;    // their list parts
};

// Path of the program under test: the first argument that does not start
// with "--", else orvenda.exe two folders above this driver.
std::string ProgramPath(int argc, char** argv, const char* defaultName = "orvenda.exe");
// Value of "--name=value" on the command line, or fallback.
unsigned long OptionValue(int argc, char** argv, const char* name, unsigned long fallback);

// Starts the program with the given argument text and waits for its dialog.
bool StartTarget(TargetApp& app, const std::string& exe, const std::string& args = "",
                 DWORD timeoutMs = 60000);
// True while the process runs.
bool TargetAlive(const TargetApp& app);
// Waits for the process to end; false on timeout. Stores the exit code.
bool WaitTargetExit(const TargetApp& app, DWORD timeoutMs, DWORD* exitCode);
// Ends the process if it still runs and closes the handles.
void StopTarget(TargetApp& app);

// Visible top-level windows of the process other than its main dialog
// (message boxes, crash dialogs, anything unexpected).
std::vector<HWND> ExtraWindows(const TargetApp& app);
// Waits until exactly `count` extra windows exist; returns them.
std::vector<HWND> WaitExtraWindows(const TargetApp& app, size_t count, DWORD timeoutMs);
// Caption of a window, read as "A" text.
std::string WindowCaption(HWND hwnd);
// Text of a message box (its static control 0xFFFF), "A" text.
std::string MessageBoxText(HWND box);
// Presses a message box button by identifier (IDYES, IDNO, IDOK) by posting
// the button's command to the box; true when the box went away in time.
bool AnswerBox(HWND box, int buttonId, DWORD timeoutMs = 15000);

// The items of a combo box as Windows-1250 text, one by one; false if the
// process stopped answering.
bool ReadComboItem(HWND combo, size_t index, std::string& text);
bool ReadComboItems(HWND combo, std::vector<std::string>& items);
long ComboCount(HWND combo);  // -1 if the process does not answer
// The directory's items of one list, as the program adds them.
std::vector<std::string> ExpectedItems(bool codeList);
// Order-free checksum of a multiset of texts (sum of FNV-1a hashes).
uint64_t ItemsChecksum(const std::vector<std::string>& items);
// True when the combo holds exactly the expected items (count and checksum,
// and the sorted texts themselves); describes the first difference otherwise.
bool ListMatchesTable(HWND combo, bool codeList, std::string& why);
// Quick form: both lists hold as many items as the table has entries.
bool CountsMatchTable(const TargetApp& app);
bool ItemsMatchTable(std::vector<std::string> items, bool codeList, std::string& why);

// Input through the platform's input queue; the target window must be in front.
void BringToFront(const TargetApp& app, HWND focus);
void SendVirtualKey(WORD vk, bool ctrl = false, bool shift = false, bool alt = false);
void SendUnicodeChar(wchar_t ch);
void ClickAt(HWND hwnd, int x, int y);  // client coordinates of hwnd
// Puts UTF-16 text on the clipboard; true on success.
bool SetClipboardUnicode(const std::wstring& text);
// Lets the target digest what it was sent: waits until it answers a message.
bool Settle(const TargetApp& app, DWORD timeoutMs = 30000);

// Process measurements that work across processes under Wine.
struct ProcessFigures {
    SIZE_T privateBytes;  // private memory (PagefileUsage under Wine)
    SIZE_T workingSet;
    DWORD handles;        // kernel handles, from the system handle list
    DWORD gdiObjects;     // used entries of the process's GDI handle table
    DWORD windows;        // its windows, top-level and child
};
ProcessFigures MeasureProcess(const TargetApp& app);
// Used entries of the process's GDI handle table, all (type -1) or of one
// type (kGdiBrush for brushes).
const int kGdiBrush = 0x10;
DWORD CountGdiObjects(HANDLE process, int type);

// Counting of checks and the closing line every driver prints.
void Check(bool ok, const std::string& what);
int FinishChecks();  // prints "N passed, N failed", returns the exit code
extern int g_checksPassed, g_checksFailed;

// Deterministic random numbers (xorshift64*), seeded and printed by the drivers.
uint64_t NextRandom(uint64_t& state);
unsigned RandomBelow(uint64_t& state, unsigned bound);

#endif
