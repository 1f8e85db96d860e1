// The About box and the usage guide: opened from the menu by keyboard and by
// mouse, any number of times, each owned by the window and blocking it, with
// its text, one OK button and the information icon, closed with Enter and
// leaving both lists as they were. Enter in the window itself opens nothing.
#include "e2e.h"

// The lines of each box; "*" stands for any run of characters and "?" for
// any one, for the lines whose wording is the program's own.
static const char* const kAboutLines[] = {
    "Version ",
    kCaption,
    "",
    "Program je stále ve fázi testování, proto autor nenese žádnou odpovědnost za případné chyby způsobené programem.",
    "*Česká pošta*Slovenská pošta*",  // the data's sources
    "?*",                             // a copyright line
    NULL,
};
static const char* const kGuideLines[] = {
    "",
    "Program je stále ve fázi testování, proto autor nenese",
    " žádnou odpovědnost za případné chyby způsobené programem.",
    "Do editačního pole zadáme začátenční písmena a ",
    "jméno a nebo číslo vybereme z roletky.",
    "e-mail ?*@?*",  // a contact address
    NULL,
};

static void AboutByKeyboard(const DriverProcess&)
{
    MenuByKeyboard('N', 'O');
}

static void GuideByKeyboard(const DriverProcess&)
{
    MenuByKeyboard('N', 'N');
}

// Clicks the right end of the menu bar, where the right-justified
// "Nápověda" stands, and chooses the About item with its access key.
static void AboutByMouse(const DriverProcess& process)
{
    RECT client;
    GetClientRect(process.dialog, &client);
    DriverClick(process.dialog, client.right - 12, -GetSystemMetrics(SM_CYMENU) / 2 - 1);
    HWND popup = DriverWaitForTopWindow(process.info.dwProcessId, "#32768", NULL, NULL, DRIVER_TIMEOUT);
    DriverCheck(popup != NULL, "a click at the right end of the menu bar opens a menu");
    DriverKey('O');
}

struct BoxCase {
    const char* caption;
    const char* how;
    void (*open)(const DriverProcess&);
    const char* const* lines;
};

// Each box twice by keyboard, then About by mouse.
static const BoxCase kBoxCases[] = {
    {kAboutCaption, "(keyboard)", AboutByKeyboard, kAboutLines},
    {kGuideCaption, "(keyboard)", GuideByKeyboard, kGuideLines},
    {kAboutCaption, "(keyboard, again)", AboutByKeyboard, kAboutLines},
    {kGuideCaption, "(keyboard, again)", GuideByKeyboard, kGuideLines},
    {kAboutCaption, "(mouse on the menu bar)", AboutByMouse, kAboutLines},
};

// True when the text matches the pattern ("*" any run, "?" any one character).
static bool Matches(const char* text, const char* pattern)
{
    if (*pattern == '*')
        return Matches(text, pattern + 1) || (*text && Matches(text + 1, pattern));
    if (!*pattern || !*text)
        return !*pattern && !*text;
    return (*pattern == '?' || *pattern == *text) && Matches(text + 1, pattern + 1);
}

static void CheckLines(HWND box, const char* const* expected, const std::string& name)
{
    std::vector<std::string> lines = Lines(DriverMessageBoxText(box));
    size_t count = 0;
    while (expected[count])
        ++count;
    DriverCheckEqualInt(lines.size(), count, name + ": number of lines");
    for (size_t i = 0; i < lines.size() && i < count; ++i)
        DriverCheck(Matches(lines[i].c_str(), expected[i]), name + ": line " + std::to_string(i + 1),
                    "got \"" + DriverShow(lines[i]) + "\", expected \"" + DriverShow(expected[i]) + "\"");
}

static bool Enabled(void* window)
{
    return IsWindowEnabled((HWND)window) != FALSE;
}

static void CheckBoxCase(const DriverProcess& process, const BoxCase& c)
{
    std::string name = std::string("\"") + DriverUtf8(c.caption) + "\" box " + c.how;
    DriverListState codeBefore = DriverReadListState(process.combos[DRIVER_CODE]);
    DriverListState placeBefore = DriverReadListState(process.combos[DRIVER_PLACE]);
    DriverActivate(process.dialog, DRIVER_TIMEOUT);
    c.open(process);
    HWND box = DriverWaitForMessageBox(process.info.dwProcessId, c.caption, process.dialog, DRIVER_TIMEOUT);
    if (!DriverCheck(box != NULL, name + " opens"))
        return;
    DriverCheck(GetWindow(box, GW_OWNER) == process.dialog, name + ": owned by the main window");
    DriverCheck(!IsWindowEnabled(process.dialog), name + ": main window disabled while it is open");
    CheckLines(box, c.lines, name);
    DriverCheck(DriverMessageBoxButton(box, IDOK) != NULL && DriverMessageBoxButton(box, IDCANCEL) == NULL,
                name + ": one OK button");
    DriverActivate(box, DRIVER_TIMEOUT);
    CheckBoxIcon(box, MB_ICONINFORMATION, name);
    DriverKey(VK_RETURN);
    DriverCheck(DriverWaitWindowGone(box, DRIVER_TIMEOUT), name + ": Enter closes it");
    DriverCheck(DriverWaitUntil(Enabled, process.dialog, DRIVER_TIMEOUT) && DriverIsRunning(&process),
                name + ": main window open and enabled again");
    CheckStateKept(codeBefore, process.combos[DRIVER_CODE], name + ", code list");
    CheckStateKept(placeBefore, process.combos[DRIVER_PLACE], name + ", place list");
}

// Enter in the main window is command 1, which closes nothing. A later
// keystroke reaching the edit field shows that Enter has been handled.
static void CheckEnterInWindow(const DriverProcess& process)
{
    HWND place = process.combos[DRIVER_PLACE];
    DriverActivate(process.dialog, DRIVER_TIMEOUT);
    if (!DriverTypeInto(process.dialog, place, "Ab"))
        return;
    DriverKey(VK_RETURN);
    DriverTypeText("r");
    bool handled = DriverWaitEditText(place, "Abr", DRIVER_TIMEOUT);
    DriverCheck(handled && DriverIsRunning(&process) && IsWindowVisible(process.dialog),
                "Enter in the main window closes nothing");
    DriverCheckEqualInt(DriverOtherWindows(process).size(), 0, "Enter in the main window opens no box");
}

void CheckBoxes()
{
    DriverLog("== About and guide boxes");
    DriverProcess process;
    if (!StartProgram(NULL, &process))
        return;
    // Some state to see kept: text in one list, a choice in the other.
    HWND code = process.combos[DRIVER_CODE];
    DriverTypeInto(process.dialog, process.combos[DRIVER_PLACE], "B");
    if (DriverFocusEdit(process.dialog, code)) {
        DriverKey(VK_DOWN);
        DriverCheck(DriverWaitEditText(code, DriverComboItem(code, 0), DRIVER_TIMEOUT), "Down chooses the first code");
    }
    for (const BoxCase& c : kBoxCases)
        CheckBoxCase(process, c);
    CheckEnterInWindow(process);
    DriverKill(&process);
}
