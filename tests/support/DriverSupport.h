// Helpers for driver programs that work orvenda.exe from a separate process,
// as a person would: start it, wait for its window, find controls, read the
// lists, type real keystrokes, click, answer message boxes, wait for the exit
// code, measure the process, capture a window's pixels, count checks.
//
// Built only in the 64-bit Windows build (drivers run under Wine). To use it
// from another tests/ folder's CMakeLists.txt (inside its if(WIN32) branch):
//
//   if(NOT TARGET driver_support)
//     add_subdirectory(${CMAKE_SOURCE_DIR}/tests/support ${CMAKE_BINARY_DIR}/tests/support)
//   endif()
//   target_link_libraries(my_driver PRIVATE driver_support)
//
// The library links the `directory` library too, so drivers can read the table.
//
// Conventions:
// - Every driver takes the program's path as its first argument that does not
//   begin with "--" (DriverArguments); options are "--name=value".
// - Every wait polls with a timeout in milliseconds and returns false / NULL
//   when the time runs out; nothing relies on a fixed sleep alone. Timeouts
//   are multiplied by DriverTimeoutScale() (environment ORVENDA_TIMEOUT_SCALE,
//   default 1) so a loaded machine or an emulated program can be given more time.
// - Messages sent to the program's windows give up after DRIVER_ANSWER_TIMEOUT
//   (scaled): a hung program fails a check instead of hanging the driver.
// - Texts read from the program are 8-bit strings in the process's ANSI code
//   page, which is Windows-1250 under the Czech locale (the same bytes as the
//   directory's items); DriverExpectCzechLocale() checks that.
// - Checks: DriverCheck() counts passes and failures and prints failures with
//   what was found and what was expected; DriverSummary() prints
//   "N passed, N failed" and returns the exit code.
// - Under Wine (8.0) these do not work on another process's windows, so
//   the helpers avoid them: MapDialogRect (fails, rectangle unchanged; use
//   DriverDialogBaseUnits), GetMenuItemCount / GetMenuItemInfo on GetMenu()
//   (fail; load the menu from the program file with LoadLibraryExA(...,
//   LOAD_LIBRARY_AS_DATAFILE) and LoadMenuW instead), the A form of
//   CB_GETLBTEXT (returns UTF-16 bytes; the helpers send the W form),
//   GetGuiResources and GetProcessHandleCount (answer 0; DriverMeasure reads
//   the GDI handle table and the system handle list instead).
// - Wine's list search folds only ASCII letters to capitals: typing "ž"
//   does not find "Žabany", "Ž" does.
// The interface only grows: existing functions keep their meaning.
#ifndef ORVENDA_DRIVER_SUPPORT_H
#define ORVENDA_DRIVER_SUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

enum {
    DRIVER_START_TIMEOUT = 60000,   // start until the window is shown with both lists
    DRIVER_TIMEOUT = 15000,         // one visible effect of one action
    DRIVER_ANSWER_TIMEOUT = 30000,  // one message answered by the program
};

// ---- Checks and reporting -------------------------------------------------

// Records one check. On failure prints "FAIL name: detail" (detail may be
// empty). Returns ok, so callers can stop a dependent sequence.
bool DriverCheck(bool ok, const std::string& name, const std::string& detail = std::string());
// Records a check that two strings are equal, printing both (escaped) on failure.
bool DriverCheckEqual(const std::string& actual, const std::string& expected, const std::string& name);
bool DriverCheckEqualInt(long long actual, long long expected, const std::string& name);
// Records a check that actual <= limit, printing both on failure.
bool DriverCheckAtMost(long long actual, long long limit, const std::string& name);
// Prints an informational line (flushed at once, so logs interleave properly).
void DriverLog(const char* format, ...);
// Prints "N passed, N failed" and returns 0 when nothing failed and at least
// one check passed (a driver that checked nothing has not passed), 1 otherwise.
int DriverSummary();
int DriverFailures();
// Printable form of an 8-bit string: bytes below 0x20 and quotes escaped,
// the rest shown as UTF-8 converted from the ANSI code page.
std::string DriverShow(const std::string& text);

// ---- Command line -------------------------------------------------------------

// The arguments that do not begin with "--", in order: the program's path
// first, then whatever the driver takes (group names, ...). With fewer than
// `needed` of them, prints "usage: " and the usage text and ends the driver
// with exit code 2.
std::vector<std::string> DriverArguments(int argc, char** argv, size_t needed = 1, const char* usage = "");
// Value of "--name=value" (name given with its dashes), or the fallback.
unsigned long DriverOption(int argc, char** argv, const char* name, unsigned long fallback);
std::string DriverOptionText(int argc, char** argv, const char* name, const std::string& fallback);
// A file in the driver's own folder (a test build made beside it).
std::string DriverBesideSelf(const char* fileName);

// ---- Time -------------------------------------------------------------------

DWORD DriverTimeoutScale();
// Polls condition(context) every few milliseconds until it is true or the
// (scaled) timeout runs out. Returns the last result.
bool DriverWaitUntil(bool (*condition)(void* context), void* context, DWORD timeoutMs);
// Lets the other process work: a short sleep, for use inside polling loops only.
void DriverPause(DWORD ms);
// Milliseconds since some fixed point, from the high-resolution counter.
double DriverNowMs();

// ---- Random input --------------------------------------------------------------

// One seeded random source (xorshift64*) for every driver, so that a printed
// seed replays a run.
struct DriverRandom {
    unsigned long long state;
};
// The state for a seed; runs that need many independent sequences seed each
// with (seed + sequence number).
DriverRandom DriverSeed(unsigned long long seed);
unsigned long long DriverRandomNext(DriverRandom* random);
// 0 <= result < bound (0 when bound is 0).
unsigned DriverRandomBelow(DriverRandom* random, unsigned bound);

// One random keystroke, drawn from a mix: a string of kind letters, each
// followed by an optional weight (default 1), e.g. "pbacvxz" or "p30e15m44a6".
//   p  printable ASCII character          e  Czech or Slovak letter
//   u  character outside Windows-1250 or an awkward one inside it (typed
//      as a Unicode character: CJK, Cyrillic, BOM, U+FFFF, soft hyphen ...)
//   b  Backspace        d  Delete        h  Home or Left
//   m  a moving or editing key (Backspace, Delete, Insert, Home, End, arrows,
//      Page Up/Down), with Shift one time in four and Ctrl one time in six
//   a c v x z  Ctrl with that letter (select all, copy, paste, cut, undo)
// Character kinds come with `ch` set and are sent as Unicode characters; key
// kinds with `vk` and `modifiers`.
struct DriverKeyStep {
    char kind;
    wchar_t ch;  // 0 for a key
    WORD vk;
    int modifiers;
};
DriverKeyStep DriverRandomKey(DriverRandom* random, const char* mix);
// A random character of one of the character kinds p, e, u.
wchar_t DriverRandomChar(DriverRandom* random, char kind);
void DriverSendKeyStep(const DriverKeyStep& step);
// Short text for a log of what was sent: "U+0041", "C-S-vk24", "C-V".
std::string DriverKeyStepText(const DriverKeyStep& step);

// ---- Locale -----------------------------------------------------------------

// True when the user locale is Czech (LANGID 0x0405) and the ANSI code page 1250.
bool DriverExpectCzechLocale();
// Converts between the ANSI code page (Windows-1250 here) and UTF-16 / UTF-8.
std::wstring DriverWide(const std::string& ansi);
std::string DriverAnsi(const std::wstring& wide);
std::string DriverUtf8(const std::string& ansi);

// ---- The program's process --------------------------------------------------

// Indexes of the two lists in the arrays below and in the table helpers.
enum { DRIVER_CODE = 0, DRIVER_PLACE = 1 };

struct DriverProcess {
    PROCESS_INFORMATION info;  // hProcess / hThread are owned here
    HWND dialog;               // the main dialog, once found
    // Its parts, once found: [DRIVER_CODE] the code list (1002),
    // [DRIVER_PLACE] the place list (1003).
    HWND combos[2];
    HWND edits[2];  // the combo boxes' edit fields
    HWND lists[2];  // the combo boxes' list parts (class ComboLBox)
};

// A path as Windows programs take it: a Unix path ("/work/...") becomes
// "Z:\\work\\..." (Wine maps Z: to the root); other paths pass unchanged.
std::string DriverWindowsPath(const char* path);
// Starts exePath with an optional command line tail (args may be NULL) as a
// separate process. Returns false when CreateProcess fails.
bool DriverStart(const char* exePath, const char* args, DriverProcess* process);
// Starts the program and waits for its visible main dialog (class #32770,
// top-level, owned by the process) with the given caption (NULL: any).
// On success process->dialog is set, and its parts where the dialog has them.
bool DriverStartAndWait(const char* exePath, const char* args, const char* caption,
                        DWORD timeoutMs, DriverProcess* process);
// Starts the program, waits (DRIVER_START_TIMEOUT) for its main dialog (the
// visible dialog of the process that holds both lists), finds its parts and
// waits until the program is idle. Says on standard output what went wrong.
bool DriverStartProgram(const char* exePath, const char* args, DriverProcess* process);
// Finds the dialog's parts (lists, their edit fields and list parts).
void DriverFindParts(DriverProcess* process);
// Lets the program digest what it was sent: waits until it is idle and has
// answered two messages (input queued before the first is handled by then).
bool DriverSettle(const DriverProcess& process, DWORD timeoutMs = DRIVER_ANSWER_TIMEOUT);
// Waits for the process to end. Returns true and the exit code on exit.
bool DriverWaitForExit(DriverProcess* process, DWORD timeoutMs, DWORD* exitCode);
bool DriverIsRunning(const DriverProcess* process);
// Exit code of a process that has ended (STILL_ACTIVE while it runs).
DWORD DriverExitCode(const DriverProcess& process);
// Ends the process (TerminateProcess) if it still runs and closes its handles.
void DriverKill(DriverProcess* process);
// Closes the handles of a process that has ended.
void DriverClose(DriverProcess* process);
// A crash ends the process instead of opening Wine's crash dialog.
void DriverNoCrashDialog();

// ---- Measuring a process --------------------------------------------------------

// GDI objects of a process by kind. GetGuiResources answers 0 under Wine, so
// they are counted in the process's GDI handle table, which Wine keeps in the
// process itself and points to from its PEB (GdiSharedHandleTable).
struct DriverGdiCensus {
    int total;
    int brushes;
    int bitmaps;
    int dcs;  // window and memory DCs
    int fonts;
    int regions;
    int others;
};
// Object kinds as they stand in the low 7 bits of an entry's `unique`.
enum {
    DRIVER_GDI_DC = 0x01,
    DRIVER_GDI_REGION = 0x04,
    DRIVER_GDI_BITMAP = 0x09,
    DRIVER_GDI_FONT = 0x0a,
    DRIVER_GDI_BRUSH = 0x10,
    DRIVER_GDI_PEN = 0x30,
    DRIVER_GDI_MEMORY_DC = 0x41,
};
// One entry of the table; a handle is the entry's index with the entry's
// `unique` above it. Wine gives the entry this one 24-byte layout in 32-bit
// and 64-bit processes alike.
struct DriverGdiEntry {
    UINT64 object;   // the object, in the process's memory
    ULONG owner;
    USHORT unique;   // bits 0-6 object kind, bit 7 stock flag, bits 8-15 generation
    UCHAR type;      // 0: free entry
    UCHAR flags;
    UINT64 userPointer;
};
// Wine points to the table from the 64-bit PEB of every process, a 32-bit
// (WoW64) one included; the objects behind the table are laid out for the
// process's own pointer size. DriverGdiRead picks the layout by the target.
struct DriverGdiLayout {
    bool wow64;             // a 32-bit process
    size_t pebTableOffset;  // where GdiSharedHandleTable stands from the PEB
                            // address the process information gives
    size_t objectPointer;   // size of a pointer inside the objects
    size_t objectHeader;    // bytes of Wine's object header before an object's data
};
struct DriverGdiTable {
    DriverGdiLayout layout;
    std::vector<DriverGdiEntry> entries;
};
// Copies the process's whole table. False when it cannot be found or read,
// or holds no object at all. For a 32-bit target the table is looked for
// where Wine 8's WoW64 keeps it; where the 32-bit program runs through an
// emulator (qemu-user on a host without 32-bit support) that place reads
// back empty, so the GDI figures of a 32-bit target are not available there.
bool DriverGdiRead(HANDLE process, DriverGdiTable* table);
DriverGdiCensus DriverGdiCount(const DriverGdiTable& table);
// Live objects of one kind (DRIVER_GDI_...), or all when kind < 0; -1 when
// the table cannot be read.
int DriverGdiObjects(HANDLE process, int kind);
// True when the table holds a live object of the kind under this full handle.
bool DriverGdiHandleLive(const DriverGdiTable& table, UINT64 handle, int kind);
std::string DriverGdiText(const DriverGdiCensus& census);
// The live pattern brushes of a process with the size of the bitmap each was
// made from. The layout of the objects behind the table (the brush's
// LOGBRUSH, the bitmap's BITMAP, each after Wine's object header) is Wine's
// own: callers check it first on brushes of their own making.
struct DriverPatternBrush {
    UINT64 brush;
    UINT64 bitmap;
    int width;
    int height;
};
std::vector<DriverPatternBrush> DriverGdiPatternBrushes(HANDLE process, const DriverGdiTable& table);

// What a process holds, from outside.
struct DriverFigures {
    SIZE_T privateBytes;  // private memory (PagefileUsage under Wine, which
                          // leaves PrivateUsage at 0 for another process)
    SIZE_T workingSet;
    DWORD handles;        // kernel handles, from the system handle list
    bool gdiRead;         // false when the GDI table could not be read
    DriverGdiCensus gdi;
    DWORD windows;        // its windows, top-level and child
};
DriverFigures DriverMeasure(const DriverProcess& process);
std::string DriverFiguresText(const DriverFigures& figures);

// ---- Windows -----------------------------------------------------------------

// Visible top-level windows of process pid with the class (NULL: any) and the
// caption (NULL: any). The caption is compared as ANSI text.
std::vector<HWND> DriverFindTopWindows(DWORD pid, const char* className, const char* caption);
// Waits for a visible top-level window of process pid with the class and the
// caption, other than `exclude` (may be NULL). Returns NULL on timeout.
HWND DriverWaitForTopWindow(DWORD pid, const char* className, const char* caption,
                            HWND exclude, DWORD timeoutMs);
// Visible top-level windows of the process other than its main dialog:
// message boxes, menus, crash dialogs, anything unexpected.
std::vector<HWND> DriverOtherWindows(const DriverProcess& process);
// Waits until exactly `count` such windows are open (or the process ends);
// returns those open at the end.
std::vector<HWND> DriverWaitOtherWindows(const DriverProcess& process, size_t count, DWORD timeoutMs);
// Sends a message (W form) to a window of the program and waits for the
// answer at most DRIVER_ANSWER_TIMEOUT (scaled); `failed` when none came.
LRESULT DriverSend(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT failed = 0);
// Waits until the window is gone (destroyed) or hidden.
bool DriverWaitWindowGone(HWND window, DWORD timeoutMs);
std::string DriverClassName(HWND window);
// Window text through WM_GETTEXT (works across processes), as ANSI text.
std::string DriverWindowText(HWND window);
// Direct children of window with the class (NULL: any), in Z order.
std::vector<HWND> DriverChildren(HWND window, const char* className);
// Client rectangle of child in the coordinates of parent's client area.
RECT DriverChildRect(HWND parent, HWND child);
// Dialog base units of a dialog font, computed the way the platform does it
// for a DS_SETFONT dialog (average width of the 52 letters, font height).
// MapDialogRect cannot be used on another process's dialog under Wine: it
// fails there and leaves the rectangle unchanged.
bool DriverDialogBaseUnits(const char* face, int points, int weight, int charset, int* baseX, int* baseY);
// Dialog units to pixels with those base units, as the dialog manager places
// a control: position and size each mapped and rounded (so the right edge
// can differ by one pixel from MapDialogRect's mapping of the edge itself).
RECT DriverMapDialogUnits(int baseX, int baseY, int x, int y, int width, int height);

// ---- Message boxes -------------------------------------------------------------

// Waits for a message box (class #32770) of process pid with the caption.
HWND DriverWaitForMessageBox(DWORD pid, const char* caption, HWND exclude, DWORD timeoutMs);
// The static text control of a message box (the one that holds its text,
// id 0xFFFF) and its button with the given id (IDYES, IDNO, IDOK ...).
std::string DriverMessageBoxText(HWND box);
HWND DriverMessageBoxButton(HWND box, int id);
// Answers a box as its button would, by posting the button's click command
// to the box; true when the box went away in time.
bool DriverAnswerBox(HWND box, int button, DWORD timeoutMs = DRIVER_TIMEOUT);
// The standard icon a message box shows: MB_ICONQUESTION, MB_ICONINFORMATION,
// MB_ICONWARNING or MB_ICONERROR, found by comparing the pixels of its icon
// control with the platform's icons drawn here; 0 when it shows none of
// them. `detail` says how well each matched.
UINT DriverMessageBoxIcon(HWND box, std::string* detail);
// Asks for the exit with Esc, answers the confirmation Yes and waits for the
// process to end. True when it ended; its exit code in *exitCode.
bool DriverExitByEscape(DriverProcess* process, DWORD* exitCode);
// The same as a check: "<name>: Esc and Yes end it with 2".
bool DriverCheckExitByEscape(DriverProcess* process, const std::string& name);

// ---- Combo boxes ---------------------------------------------------------------

// Item texts are read through the W messages and converted to the ANSI code
// page (the A form comes back unconverted across processes under Wine).
// -1 when the program does not answer.
int DriverComboCount(HWND combo);
std::string DriverComboItem(HWND combo, int index);
// All items, in list order, one query each; stops at the first item that
// cannot be read (the program died or hangs), so compare the count.
std::vector<std::string> DriverComboItems(HWND combo);
int DriverComboTopIndex(HWND combo);
int DriverComboSelection(HWND combo);
// The combo box's edit field and list (children of class Edit / ComboLBox).
HWND DriverComboEdit(HWND combo);
HWND DriverComboList(HWND combo);
// Text of the combo box's edit field.
std::string DriverComboEditText(HWND combo);
// Height of one list line in pixels (CB_GETITEMHEIGHT of the items).
int DriverComboItemHeight(HWND combo);
// Whole lines in the list part, and the highest top index the list can
// scroll to (count - lines, at least 0).
int DriverComboLinesPerPage(HWND combo);
int DriverComboLastTop(HWND combo);
// Waits until the combo box's top index equals `expected`.
bool DriverWaitTopIndex(HWND combo, int expected, DWORD timeoutMs);
// Waits until the combo box's edit text equals `expected`.
bool DriverWaitEditText(HWND combo, const std::string& expected, DWORD timeoutMs);

// What the user sees of one list; compared before and after an action.
struct DriverListState {
    std::string editText;
    int top;
    int selection;
    int count;
};
DriverListState DriverReadListState(HWND combo);

// ---- The lists against the table ---------------------------------------------

// The table's items of one list (DRIVER_CODE or DRIVER_PLACE), table order.
const char* const* DriverTableItems(int list);
// True when the items are exactly the table's items of that list, as a
// multiset; otherwise *why names the first difference.
bool DriverItemsMatchTable(const std::vector<std::string>& items, int list, std::string* why);
// The same, reading the list from the program.
bool DriverListMatchesTable(HWND combo, int list, std::string* why);
// Quick form: both lists hold as many items as the table has entries.
bool DriverCountsMatchTable(const DriverProcess& process);

// ---- Input ------------------------------------------------------------------------

// Brings the top-level window to the foreground and waits until it is. A
// click on its caption does it where the platform refuses another process
// the foreground, as a person would.
bool DriverActivate(HWND topLevel, DWORD timeoutMs);
// Moves the mouse to a point of the window's client area (or its centre)
// and clicks the left button there, through SendInput. A click on the spot
// of the previous one waits out the double-click time first.
bool DriverClick(HWND window, int clientX, int clientY);
bool DriverClickCentre(HWND window);
// Presses and releases a virtual key, with Shift/Ctrl/Alt held as asked
// (modifier flags below). Keystrokes go through SendInput to the foreground
// window's focus, as from the keyboard.
enum { DRIVER_SHIFT = 1, DRIVER_CTRL = 2, DRIVER_ALT = 4 };
void DriverKey(WORD vk, int modifiers = 0);
// Types an ANSI (Windows-1250) text: characters with a key on the current
// layout are typed with that key (and Shift where needed), the others as
// Unicode characters (KEYEVENTF_UNICODE).
void DriverTypeText(const std::string& text);
// Types one UTF-16 unit as a Unicode character (any value, also outside
// Windows-1250).
void DriverTypeUnicode(wchar_t ch);
// Waits until the window's thread answers a sent WM_NULL (it is alive and
// not busy). Sent messages overtake queued input, so this does not prove
// that earlier keystrokes have been handled: wait for their visible effect.
bool DriverSync(HWND window, DWORD timeoutMs);
// The window that has the keyboard focus in the thread of `window`
// (GetGUIThreadInfo, works across processes). NULL when none.
HWND DriverFocus(HWND window);
// Waits until the focus in the thread of `window` is on `expected`.
bool DriverWaitFocus(HWND window, HWND expected, DWORD timeoutMs);
// Puts the focus into a list's edit field as a person would (a click at its
// right end unless it has the focus already) and waits until it is there.
bool DriverFocusEdit(HWND dialog, HWND combo);
// Empties the focused edit field (Home, Shift+End, Delete) and waits until
// the field is empty.
bool DriverClearEdit(HWND combo);
// Focuses and empties a list's edit field, types the text and waits until
// the field shows it.
bool DriverTypeInto(HWND dialog, HWND combo, const std::string& text);
// Puts UTF-16 text on the clipboard; true on success.
bool DriverSetClipboard(const std::wstring& text);

// ---- Pixels -------------------------------------------------------------------------

struct DriverImage {
    int width;
    int height;
    std::vector<COLORREF> pixels;  // row by row from the top, as RGB() values
};
// Captures the window's pixels (whole window including frame when `whole`,
// else the client area) from the screen. Returns false when nothing could be read.
bool DriverCapture(HWND window, bool whole, DriverImage* image);
COLORREF DriverPixel(const DriverImage& image, int x, int y);
// Writes the image as a 24-bit BMP file (for looking at a failure).
bool DriverSaveBmp(const DriverImage& image, const char* path);

#endif
