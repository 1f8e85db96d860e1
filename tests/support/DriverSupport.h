// Helpers for driver programs that work orvenda.exe from a separate process,
// as a person would: start it, wait for its window, find controls, read the
// lists, type real keystrokes, click, answer message boxes, wait for the exit
// code, capture a window's pixels.
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
// - Every wait polls with a timeout in milliseconds and returns false / NULL
//   when the time runs out; nothing relies on a fixed sleep alone. Timeouts
//   are multiplied by DriverTimeoutScale() (environment ORVENDA_TIMEOUT_SCALE,
//   default 1) so a loaded machine can be given more time.
// - Texts read from the program are 8-bit strings in the process's ANSI code
//   page, which is Windows-1250 under the Czech locale (the same bytes as the
//   directory's items); DriverExpectCzechLocale() checks that.
// - Checks: DriverCheck() counts passes and failures and prints failures;
//   DriverSummary() prints "N passed, N failed" and returns the exit code.
// - Under Wine (8.0) these do not work on another process's windows, so
//   the helpers avoid them: MapDialogRect (fails, rectangle unchanged; use
//   DriverDialogBaseUnits), GetMenuItemCount / GetMenuItemInfo on GetMenu()
//   (fail; load the menu from the program file with LoadLibraryExA(...,
//   LOAD_LIBRARY_AS_DATAFILE) and LoadMenuW instead), and the A form of
//   CB_GETLBTEXT (returns UTF-16 bytes; the helpers send the W form).
// - Wine's list search folds only ASCII letters to capitals: typing "ž"
//   does not find "Žabany", "Ž" does.
// The interface only grows: existing functions keep their meaning.
#ifndef ORVENDA_DRIVER_SUPPORT_H
#define ORVENDA_DRIVER_SUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

// ---- Checks and reporting -------------------------------------------------

// Records one check. On failure prints "FAIL name: detail" (detail may be
// empty). Returns ok, so callers can stop a dependent sequence.
bool DriverCheck(bool ok, const std::string& name, const std::string& detail = std::string());
// Records a check that two strings are equal, printing both (escaped) on failure.
bool DriverCheckEqual(const std::string& actual, const std::string& expected, const std::string& name);
bool DriverCheckEqualInt(long long actual, long long expected, const std::string& name);
// Prints an informational line (flushed at once, so logs interleave properly).
void DriverLog(const char* format, ...);
// Prints "N passed, N failed" and returns 0 when nothing failed, 1 otherwise.
int DriverSummary();
int DriverFailures();
// Printable form of an 8-bit string: bytes below 0x20 and quotes escaped,
// the rest shown as UTF-8 converted from the ANSI code page.
std::string DriverShow(const std::string& text);

// ---- Time -------------------------------------------------------------------

DWORD DriverTimeoutScale();
// Polls condition(context) every few milliseconds until it is true or the
// (scaled) timeout runs out. Returns the last result.
bool DriverWaitUntil(bool (*condition)(void* context), void* context, DWORD timeoutMs);
// Lets the other process work: a short sleep, for use inside polling loops only.
void DriverPause(DWORD ms);

// ---- Locale -----------------------------------------------------------------

// True when the user locale is Czech (LANGID 0x0405) and the ANSI code page 1250.
bool DriverExpectCzechLocale();
// Converts between the ANSI code page (Windows-1250 here) and UTF-16 / UTF-8.
std::wstring DriverWide(const std::string& ansi);
std::string DriverAnsi(const std::wstring& wide);
std::string DriverUtf8(const std::string& ansi);

// ---- The program's process --------------------------------------------------

struct DriverProcess {
    PROCESS_INFORMATION info;  // hProcess / hThread are owned here
    HWND dialog;               // the main dialog, once found
};

// A path as Windows programs take it: a Unix path ("/work/...") becomes
// "Z:\\work\\..." (Wine maps Z: to the root); other paths pass unchanged.
std::string DriverWindowsPath(const char* path);
// Starts exePath with an optional command line tail (args may be NULL) as a
// separate process. Returns false when CreateProcess fails.
bool DriverStart(const char* exePath, const char* args, DriverProcess* process);
// Starts the program and waits for its visible main dialog (class #32770,
// top-level, owned by the process) with the given caption (NULL: any).
// On success process->dialog is set.
bool DriverStartAndWait(const char* exePath, const char* args, const char* caption,
                        DWORD timeoutMs, DriverProcess* process);
// Waits for the process to end. Returns true and the exit code on exit.
bool DriverWaitForExit(DriverProcess* process, DWORD timeoutMs, DWORD* exitCode);
bool DriverIsRunning(const DriverProcess* process);
// Ends the process (TerminateProcess) if it still runs and closes its handles.
void DriverKill(DriverProcess* process);
// Closes the handles of a process that has ended.
void DriverClose(DriverProcess* process);

// ---- Windows -----------------------------------------------------------------

// Visible top-level windows of process pid with the class (NULL: any) and the
// caption (NULL: any). The caption is compared as ANSI text.
std::vector<HWND> DriverFindTopWindows(DWORD pid, const char* className, const char* caption);
// Waits for a visible top-level window of process pid with the class and the
// caption, other than `exclude` (may be NULL). Returns NULL on timeout.
HWND DriverWaitForTopWindow(DWORD pid, const char* className, const char* caption,
                            HWND exclude, DWORD timeoutMs);
// Waits for a message box (class #32770) of process pid with the caption.
HWND DriverWaitForMessageBox(DWORD pid, const char* caption, HWND exclude, DWORD timeoutMs);
// Waits until the window is gone (destroyed) or hidden.
bool DriverWaitWindowGone(HWND window, DWORD timeoutMs);
std::string DriverClassName(HWND window);
// Window text through WM_GETTEXT (works across processes), as ANSI text.
std::string DriverWindowText(HWND window);
// Direct children of window with the class (NULL: any), in Z order.
std::vector<HWND> DriverChildren(HWND window, const char* className);
// The static text control of a message box (the one that holds its text,
// id 0xFFFF) and its button with the given id (IDYES, IDNO, IDOK ...).
std::string DriverMessageBoxText(HWND box);
HWND DriverMessageBoxButton(HWND box, int id);
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

// ---- Combo boxes ---------------------------------------------------------------

// Item texts are read through the W messages and converted to the ANSI code
// page (the A form comes back unconverted across processes under Wine).
int DriverComboCount(HWND combo);
std::string DriverComboItem(HWND combo, int index);
// All items, in list order (CB_GETLBTEXT each).
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
// Waits until the combo box's top index equals `expected`.
bool DriverWaitTopIndex(HWND combo, int expected, DWORD timeoutMs);
// Waits until the combo box's edit text equals `expected`.
bool DriverWaitEditText(HWND combo, const std::string& expected, DWORD timeoutMs);

// ---- Input ------------------------------------------------------------------------

// Brings the top-level window to the foreground and waits until it is.
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
// Waits until the window's thread answers a sent WM_NULL (it is alive and
// not busy). Sent messages overtake queued input, so this does not prove
// that earlier keystrokes have been handled: wait for their visible effect.
bool DriverSync(HWND window, DWORD timeoutMs);
// The window that has the keyboard focus in the thread of `window`
// (GetGUIThreadInfo, works across processes). NULL when none.
HWND DriverFocus(HWND window);

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
