// End-to-end tests of orvenda.exe through its real window: the driver starts
// the program as a separate process and works it with real keystrokes and
// mouse clicks, reading back what the platform shows.
//
// Usage: driver.exe PATH\orvenda.exe [group...]
// Groups: window lists typing boxes closing (all when none is named).
// Closing line: "N passed, N failed"; exit code 1 on any failure.
#include <algorithm>
#include <cstdio>

#include "PostalDirectory.h"
#include "e2e.h"

const char* g_exePath;

bool StartProgram(const char* args, DriverProcess* process)
{
    if (!DriverCheck(DriverStartProgram(g_exePath, args, process), "program starts and shows its window", g_exePath)) {
        DriverKill(process);
        return false;
    }
    // The window is shown only after both lists are filled; wait for the
    // platform to finish showing it and give it the focus.
    DriverCheck(DriverActivate(process->dialog, DRIVER_TIMEOUT), "main window comes to the foreground");
    return true;
}

const std::vector<std::string>& ListItems(HWND combo)
{
    static HWND cachedCombo[2];
    static std::vector<std::string> cached[2];
    for (int i = 0; i < 2; ++i)
        if (cachedCombo[i] == combo && int(cached[i].size()) == DriverComboCount(combo))
            return cached[i];
    static int next;
    int slot = next++ % 2;
    cachedCombo[slot] = combo;
    cached[slot] = DriverComboItems(combo);
    return cached[slot];
}

static std::string Upper(std::string text)
{
    if (!text.empty())
        CharUpperBuffA(&text[0], DWORD(text.size()));
    return text;
}

bool BeginsWith(const std::string& item, const std::string& prefix)
{
    return item.size() >= prefix.size() && Upper(item.substr(0, prefix.size())) == Upper(prefix);
}

int FirstBeginningWith(const std::vector<std::string>& items, const std::string& prefix)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (BeginsWith(items[i], prefix))
            return int(i);
    return -1;
}

int IndexOf(const std::vector<std::string>& items, const std::string& text)
{
    auto found = std::find(items.begin(), items.end(), text);
    return found == items.end() ? -1 : int(found - items.begin());
}

bool InTable(int list, const std::string& text)
{
    const char* const* items = DriverTableItems(list);
    for (size_t i = 0; i < kPostalEntryCount; ++i)
        if (text == items[i])
            return true;
    return false;
}

int ExpectedTop(HWND combo, int index)
{
    return std::max(0, std::min(index, DriverComboLastTop(combo)));
}

void CheckStateKept(const DriverListState& before, HWND combo, const std::string& what)
{
    DriverListState after = DriverReadListState(combo);
    DriverCheckEqual(after.editText, before.editText, what + ": edit text kept");
    DriverCheckEqualInt(after.top, before.top, what + ": top line kept");
    DriverCheckEqualInt(after.selection, before.selection, what + ": selection kept");
    DriverCheckEqualInt(after.count, before.count, what + ": item count kept");
}

bool RunningUnderWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != NULL;
}

void MenuByKeyboard(char barKey, char itemKey)
{
    DriverKey(WORD(barKey), DRIVER_ALT);
    DriverKey(WORD(itemKey));
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return lines;
        start = end + 1;
    }
}

struct IconWait {
    HWND box;
    UINT expected;
    UINT shown;
    std::string detail;
};

static bool IconShown(void* context)
{
    IconWait* wait = (IconWait*)context;
    wait->shown = DriverMessageBoxIcon(wait->box, &wait->detail);
    return wait->shown == wait->expected;
}

static const char* IconName(UINT icon)
{
    switch (icon) {
    case MB_ICONQUESTION: return "question mark";
    case MB_ICONINFORMATION: return "information";
    case MB_ICONWARNING: return "warning";
    case MB_ICONERROR: return "error";
    default: return "none";
    }
}

void CheckBoxIcon(HWND box, UINT expected, const std::string& name)
{
    IconWait wait = {box, expected, 0, std::string()};
    DriverWaitUntil(IconShown, &wait, DRIVER_TIMEOUT);
    DriverCheck(wait.shown == expected, name + ": " + IconName(expected) + " icon",
                std::string("shows ") + IconName(wait.shown) + " (" + wait.detail + ")");
}

int main(int argc, char** argv)
{
    std::vector<std::string> arguments =
        DriverArguments(argc, argv, 1, "driver.exe PATH\\orvenda.exe [window|lists|typing|boxes|closing]...");
    g_exePath = arguments[0].c_str();
    if (!DriverCheck(DriverExpectCzechLocale(), "Czech user locale and code page 1250")) {
        DriverSummary();
        return 1;
    }
    struct Group {
        const char* name;
        void (*run)();
    } groups[] = {
        {"window", [] { CheckWindow(); CheckMenuResource(); }},
        {"lists", CheckLists},
        {"typing", CheckTyping},
        {"boxes", CheckBoxes},
        {"closing", CheckClosing},
    };
    for (const Group& group : groups)
        if (arguments.size() == 1 || std::find(arguments.begin() + 1, arguments.end(), group.name) != arguments.end())
            group.run();
    return DriverSummary();
}
