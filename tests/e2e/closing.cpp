// The closing routes: Esc, the close box, Close on the window menu, Alt+F4
// and the menu item Exit each bring the same confirmation box (no owner,
// window stays enabled, Yes and No with No the default, question-mark icon);
// Esc does not answer it, No and Enter keep everything, Yes ends the program
// with the route's exit code. Two boxes at once end it once.
#include "e2e.h"

// One way of asking to close the window.
struct ClosingRoute {
    const char* name;
    void (*ask)(const DriverProcess&);
    DWORD exitCode;
    const char* args;  // command line arguments, which must change nothing
};

static void AskByEscape(const DriverProcess&)
{
    DriverKey(VK_ESCAPE);
}

static void AskByAltF4(const DriverProcess&)
{
    DriverKey(VK_F4, DRIVER_ALT);
}

static void AskByMenuItem(const DriverProcess&)
{
    MenuByKeyboard('P', 'U');
}

// The close box is the rightmost caption button.
static void AskByCloseBox(const DriverProcess& process)
{
    RECT window;
    GetWindowRect(process.dialog, &window);
    POINT point = {window.right - GetSystemMetrics(SM_CXFIXEDFRAME) - GetSystemMetrics(SM_CXSIZE) / 2 - 1,
                   window.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};
    ScreenToClient(process.dialog, &point);
    DriverClick(process.dialog, point.x, point.y);
}

// Alt+Space opens the window menu; its Close item is "Zavřít" under the
// Czech locale, chosen with its access key Z.
static void AskByWindowMenu(const DriverProcess& process)
{
    DriverKey(VK_SPACE, DRIVER_ALT);
    HWND popup = DriverWaitForTopWindow(process.info.dwProcessId, "#32768", NULL, NULL, DRIVER_TIMEOUT);
    DriverCheck(popup != NULL, "Alt+Space opens the window menu");
    DriverKey('Z');
}

static const ClosingRoute kClosingRoutes[] = {
    {"Esc", AskByEscape, 2, NULL},
    {"close box", AskByCloseBox, 2, NULL},
    {"Close on the window menu", AskByWindowMenu, 2, NULL},
    {"Alt+F4", AskByAltF4, 2, "--ignored /x 123"},
    {"menu item Exit", AskByMenuItem, 2000, NULL},
};

static HWND OpenConfirmation(const DriverProcess& process, const ClosingRoute& route, HWND open)
{
    DriverActivate(process.dialog, DRIVER_TIMEOUT);
    route.ask(process);
    return DriverWaitForMessageBox(process.info.dwProcessId, kConfirmCaption, open ? open : process.dialog,
                                   DRIVER_TIMEOUT);
}

// What the box is: text, owner, buttons, icon.
static void CheckConfirmation(const DriverProcess& process, HWND box, const std::string& name)
{
    DriverCheckEqual(DriverMessageBoxText(box), kConfirmText, name + ": confirmation text");
    DriverCheck(GetWindow(box, GW_OWNER) == NULL, name + ": confirmation box has no owner");
    DriverCheck(IsWindowEnabled(process.dialog) != FALSE, name + ": main window stays enabled");
    DriverCheck(DriverMessageBoxButton(box, IDYES) && DriverMessageBoxButton(box, IDNO) &&
                    !DriverMessageBoxButton(box, IDOK) && !DriverMessageBoxButton(box, IDCANCEL),
                name + ": buttons Yes and No only");
    HWND noButton = DriverMessageBoxButton(box, IDNO);
    DriverCheck(noButton && (GetWindowLongA(noButton, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON,
                name + ": No is the default button");
    DriverActivate(box, DRIVER_TIMEOUT);
    CheckBoxIcon(box, MB_ICONQUESTION, name);
}

// Esc does not answer the confirmation box: a box with only Yes and No has
// no cancel answer. Tab after it moves the focus from No to Yes; once it
// has, the Esc before it has been handled, and the box and the window must
// still be there.
static void CheckEscapeInBox()
{
    DriverProcess process;
    if (!StartProgram(NULL, &process))
        return;
    HWND box = OpenConfirmation(process, kClosingRoutes[0], NULL);
    if (box)
        DriverActivate(box, DRIVER_TIMEOUT);
    if (!DriverCheck(box != NULL, "Esc brings the confirmation box") ||
        !DriverCheck(DriverWaitFocus(box, DriverMessageBoxButton(box, IDNO), DRIVER_TIMEOUT),
                     "the focus starts on No")) {
        DriverKill(&process);
        return;
    }
    DriverKey(VK_ESCAPE);
    DriverKey(VK_TAB);
    bool handled = DriverWaitFocus(box, DriverMessageBoxButton(box, IDYES), DRIVER_TIMEOUT);
    bool boxOpen = IsWindow(box) && IsWindowVisible(box);
    DWORD exitCode = 0;
    bool ended = !boxOpen && DriverWaitForExit(&process, 2000, &exitCode);
    std::string outcome = std::string("box ") + (boxOpen ? "open" : "gone") + ", program " +
                          (ended ? "ended with " + std::to_string(exitCode) : "running");
    if (!boxOpen && RunningUnderWine()) {
        // Wine's message box answers Esc with IDCANCEL even without a Cancel
        // button (Windows' box ignores Esc there), and the program takes
        // every answer but No as Yes. Reported, not counted.
        DriverLog("KNOWN WINE LIMITATION Esc in the confirmation box answers it: %s", outcome.c_str());
    } else {
        DriverCheck(handled && boxOpen && DriverIsRunning(&process) && IsWindowVisible(process.dialog),
                    "Esc does not answer the confirmation box", outcome);
        DriverAnswerBox(box, IDNO);
    }
    DriverKill(&process);
}

static bool SecondSelected(void* combo)
{
    return DriverComboSelection((HWND)combo) == 1;
}

static void CheckClosingRoute(const ClosingRoute& route)
{
    std::string name = route.name;
    DriverProcess process;
    if (!StartProgram(route.args, &process))
        return;
    // State to keep: a typed text, a chosen item, and a list scrolled away.
    HWND code = process.combos[DRIVER_CODE], place = process.combos[DRIVER_PLACE];
    DriverTypeInto(process.dialog, place, "Ž");
    if (DriverFocusEdit(process.dialog, code)) {
        DriverKey(VK_DOWN);
        DriverKey(VK_DOWN);
        DriverWaitUntil(SecondSelected, code, DRIVER_TIMEOUT);
    }
    DriverListState codeBefore = DriverReadListState(code), placeBefore = DriverReadListState(place);

    HWND box = OpenConfirmation(process, route, NULL);
    if (!DriverCheck(box != NULL, name + " brings the confirmation box")) {
        DriverKill(&process);
        return;
    }
    CheckConfirmation(process, box, name);

    // No (clicked) keeps everything.
    DriverClickCentre(DriverMessageBoxButton(box, IDNO));
    DriverCheck(DriverWaitWindowGone(box, DRIVER_TIMEOUT), name + ": No closes the box");
    DriverCheck(DriverIsRunning(&process) && IsWindowVisible(process.dialog), name + ": No keeps the window open");
    CheckStateKept(codeBefore, code, name + ", No, code list");
    CheckStateKept(placeBefore, place, name + ", No, place list");

    // Enter answers the default, No, as well; then Yes ends the program.
    box = OpenConfirmation(process, route, NULL);
    if (DriverCheck(box != NULL, name + " brings the box again")) {
        DriverActivate(box, DRIVER_TIMEOUT);
        DriverKey(VK_RETURN);
        DriverCheck(DriverWaitWindowGone(box, DRIVER_TIMEOUT) && DriverIsRunning(&process), name + ": Enter answers No");
    }
    box = OpenConfirmation(process, route, NULL);
    if (DriverCheck(box != NULL, name + " brings the box a third time")) {
        DriverClickCentre(DriverMessageBoxButton(box, IDYES));
        DWORD exitCode = 0;
        if (DriverCheck(DriverWaitForExit(&process, DRIVER_TIMEOUT, &exitCode), name + ": Yes ends the program"))
            DriverCheckEqualInt(exitCode, route.exitCode, name + ": exit code");
    }
    DriverKill(&process);
}

// The confirmation box has no owner, so the menu still works while it is
// open and a second box can be asked for; a Yes in each ends the program
// once, with the command of the first Yes.
static void CheckTwoConfirmations()
{
    DriverProcess process;
    if (!StartProgram(NULL, &process))
        return;
    HWND first = OpenConfirmation(process, kClosingRoutes[0], NULL);
    HWND second = first ? OpenConfirmation(process, kClosingRoutes[4], first) : NULL;
    if (DriverCheck(first != NULL, "Esc brings the first confirmation box") &&
        DriverCheck(second != NULL, "the menu still works while the box is open: a second box")) {
        DriverClickCentre(DriverMessageBoxButton(second, IDYES));
        DriverCheck(DriverWaitWindowGone(second, DRIVER_TIMEOUT), "Yes closes the second box");
        DriverClickCentre(DriverMessageBoxButton(first, IDYES));
        DWORD exitCode = 0;
        if (DriverCheck(DriverWaitForExit(&process, DRIVER_TIMEOUT, &exitCode), "two Yes answers end the program"))
            DriverCheckEqualInt(exitCode, 2000, "exit code of the first Yes (menu item Exit)");
    }
    DriverKill(&process);
}

void CheckClosing()
{
    DriverLog("== closing routes");
    for (const ClosingRoute& route : kClosingRoutes)
        CheckClosingRoute(route);
    CheckEscapeInBox();
    CheckTwoConfirmations();
}
