// What the end-to-end groups share: the program's path and texts, starting
// it, reading its lists once, and the checks that a state was kept. Each
// group (window.cpp, lists.cpp, typing.cpp, boxes.cpp, closing.cpp) feeds
// its table of cases through its own checker; main.cpp runs the groups.
#ifndef ORVENDA_E2E_H
#define ORVENDA_E2E_H

#include <string>
#include <vector>

#include "DriverSupport.h"

extern const char* g_exePath;

const char kCaption[] = "Orvenda 1.0.0";
const char kConfirmCaption[] = "Potvrzení ukončení";
const char kConfirmText[] = "Opravdu si přeješ ukončit tento program?";
const char kAboutCaption[] = "O programu ";
const char kGuideCaption[] = "Návod";

// Starts the program (with a command line tail, or NULL), checks that its
// window comes up with the caption, and brings it to the foreground.
bool StartProgram(const char* args, DriverProcess* process);

// The items of a list, read once per control: reading the whole table
// across processes takes long on a loaded machine, and the items never
// change (each use checks the count).
const std::vector<std::string>& ListItems(HWND combo);
// The rule of the search as the user types: an item matches when it begins
// with the text, case ignored, every other difference (accents) counting.
bool BeginsWith(const std::string& item, const std::string& prefix);
int FirstBeginningWith(const std::vector<std::string>& items, const std::string& prefix);
int IndexOf(const std::vector<std::string>& items, const std::string& text);
// True when the table holds the item in that list (DRIVER_CODE, DRIVER_PLACE).
bool InTable(int list, const std::string& text);
// The top index that brings item `index` to the top as far as the list can scroll.
int ExpectedTop(HWND combo, int index);
// Checks that a list shows what it showed before an action.
void CheckStateKept(const DriverListState& before, HWND combo, const std::string& what);
// True under Wine, whose controls differ from Windows' in a few known ways
// that the groups report instead of counting.
bool RunningUnderWine();
// Opens a menu item with the keyboard: Alt+letter opens the bar entry, the
// item's access key chooses it.
void MenuByKeyboard(char barKey, char itemKey);
// A message box's text split at its line breaks.
std::vector<std::string> Lines(const std::string& text);
// Checks that a message box shows the standard icon (MB_ICONQUESTION, ...),
// waiting for it to be painted.
void CheckBoxIcon(HWND box, UINT expected, const std::string& name);

// The groups.
void CheckWindow();
void CheckMenuResource();
void CheckLists();
void CheckTyping();
void CheckBoxes();
void CheckClosing();

#endif
