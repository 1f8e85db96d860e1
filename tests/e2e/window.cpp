// The window and its controls: caption, style, size and place in dialog
// units, the four controls in template order, the state at start, the focus
// and Tab, the window maximised; and the menu as built into the program file.
#include <cstdlib>

#include "e2e.h"

static const char kDialogFont[] = "Microsoft Sans Serif";

struct ControlCase {
    int id;
    const char* className;
    DWORD style;
    int x, y, width, height;
    const char* text;
};

// The four controls in template (Z) order. The combo box hands its
// WS_VSCROLL to its list part, so that bit is compared on neither.
static const ControlCase kControlCases[] = {
    {65535, "Static", 0x50020000, 8, 7, 84, 12, "Směrovací číslo"},
    {1002, "ComboBox", 0x50210101, 8, 34, 134, 185, ""},
    {65534, "Static", 0x50020000, 150, 7, 54, 12, "Obec"},
    {1003, "ComboBox", 0x50210101, 150, 34, 134, 185, ""},
};

struct MenuCase {
    int position;     // in the bar
    int subPosition;  // -1: the bar entry itself
    const char* text;
    UINT id;          // 0 for a pop-up
    bool popup;
    bool rightJustified;
};

static const MenuCase kMenuCases[] = {
    {0, -1, "&Program", 0, true, false},
    {0, 0, "&Ukončit\tAlt-F4", 2000, false, false},
    {1, -1, "&Nápověda", 0, true, true},
    {1, 0, "&O programu...", 2001, false, false},
    {1, 1, "&Návod", 2002, false, false},
};

static std::string RectText(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// Caption, frame, client size in dialog units, and the place on the screen.
static void CheckFrame(HWND dialog, int baseX, int baseY)
{
    DriverCheckEqual(DriverWindowText(dialog), kCaption, "caption");
    DriverCheckEqual(DriverClassName(dialog), "#32770", "dialog class");
    DWORD style = DWORD(GetWindowLongA(dialog, GWL_STYLE));
    DWORD frameBits = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    DriverCheckEqualInt(style & frameBits, frameBits, "window has caption, window menu, minimise and maximise boxes");
    DriverCheckEqualInt(style & WS_THICKFRAME, 0, "window has no sizing border");
    DriverCheck(GetMenu(dialog) != NULL, "window has a menu bar");

    RECT client, expected = DriverMapDialogUnits(baseX, baseY, 0, 0, 292, 110);
    GetClientRect(dialog, &client);
    DriverCheckEqualInt(client.right, expected.right, "client width is 292 dialog units");
    DriverCheckEqualInt(client.bottom, expected.bottom, "client height is 110 dialog units");

    // The client area starts below the caption and the menu bar.
    RECT window;
    GetWindowRect(dialog, &window);
    POINT origin = {0, 0};
    ClientToScreen(dialog, &origin);
    int above = origin.y - window.top;
    int captionAndMenu = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU);
    DriverCheck(above >= captionAndMenu, "client area lies below caption and menu bar",
                std::to_string(above) + " pixels above it, caption and menu " + std::to_string(captionAndMenu));

    // Centred in the working area (the window has no owner).
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int dx = (window.left + window.right) - (work.left + work.right);
    int dy = (window.top + window.bottom) - (work.top + work.bottom);
    DriverCheck(std::abs(dx) <= 4 && std::abs(dy) <= 4, "window opens centred",
                "offset " + std::to_string(dx / 2) + ", " + std::to_string(dy / 2));
}

static void CheckControl(HWND dialog, HWND child, const ControlCase& c, int baseX, int baseY)
{
    std::string name = "control " + std::to_string(c.id);
    DriverCheckEqualInt(GetDlgCtrlID(child), c.id, name + " id");
    DriverCheck(lstrcmpiA(DriverClassName(child).c_str(), c.className) == 0, name + " class",
                "got " + DriverClassName(child) + ", expected " + c.className);
    DriverCheckEqualInt(DWORD(GetWindowLongA(child, GWL_STYLE)) & ~WS_VSCROLL, c.style & ~WS_VSCROLL, name + " style");
    DriverCheckEqualInt(GetWindowLongA(child, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY, 0, name + " extended style");
    RECT at = DriverChildRect(dialog, child);
    RECT want = DriverMapDialogUnits(baseX, baseY, c.x, c.y, c.width, c.height);
    DriverCheck(EqualRect(&at, &want) != FALSE, name + " position",
                "got " + RectText(at) + ", expected " + RectText(want));
    if (std::string(c.className) == "Static")
        DriverCheckEqual(DriverWindowText(child), c.text, name + " text");
}

// Both lists at start: simple combo boxes, nothing typed, chosen or scrolled.
static void CheckListsAtStart(const DriverProcess& process)
{
    for (HWND combo : process.combos) {
        std::string name = "list " + std::to_string(GetDlgCtrlID(combo));
        DriverCheck(DriverComboEdit(combo) && DriverComboList(combo),
                    name + " is a simple combo box: edit field and open list");
        DriverCheckEqual(DriverComboEditText(combo), "", name + ": edit field starts empty");
        DriverCheckEqualInt(DriverComboSelection(combo), -1, name + ": no item selected at start");
        DriverCheckEqualInt(DriverComboTopIndex(combo), 0, name + ": first item on top at start");
    }
}

// The focus starts in the code list; Tab moves between the two lists only.
static void CheckTabOrder(const DriverProcess& process)
{
    DriverCheck(DriverFocus(process.dialog) == process.edits[DRIVER_CODE], "focus starts in the code list's edit field");
    DriverKey(VK_TAB);
    DriverCheck(DriverWaitFocus(process.dialog, process.edits[DRIVER_PLACE], DRIVER_TIMEOUT),
                "Tab moves the focus to the place list");
    DriverKey(VK_TAB);
    DriverCheck(DriverWaitFocus(process.dialog, process.edits[DRIVER_CODE], DRIVER_TIMEOUT),
                "Tab again moves it back to the code list");
}

static bool Zoomed(void* window)
{
    return IsZoomed((HWND)window) != FALSE;
}

// Maximised (the caption button left of the close box), the window grows
// while the controls keep their places and sizes.
static void CheckMaximised(HWND dialog, const std::vector<HWND>& children)
{
    RECT window, client;
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    std::vector<RECT> placed;
    for (HWND child : children)
        placed.push_back(DriverChildRect(dialog, child));
    POINT maximise = {window.right - GetSystemMetrics(SM_CXFIXEDFRAME) - GetSystemMetrics(SM_CXSIZE) * 3 / 2 - 1,
                      window.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};
    ScreenToClient(dialog, &maximise);
    DriverClick(dialog, maximise.x, maximise.y);
    if (!DriverCheck(DriverWaitUntil(Zoomed, dialog, DRIVER_TIMEOUT), "maximise box maximises the window"))
        return;
    RECT grown;
    GetClientRect(dialog, &grown);
    DriverCheck(grown.right > client.right && grown.bottom > client.bottom, "maximised client area is larger",
                "client " + RectText(client) + " before, " + RectText(grown) + " maximised");
    for (size_t i = 0; i < children.size(); ++i) {
        RECT now = DriverChildRect(dialog, children[i]);
        DriverCheck(EqualRect(&now, &placed[i]) != FALSE,
                    "control " + std::to_string(i + 1) + " keeps its place when maximised",
                    "got " + RectText(now) + ", expected " + RectText(placed[i]));
    }
}

void CheckWindow()
{
    DriverLog("== window");
    DriverProcess process;
    if (!StartProgram(NULL, &process))
        return;
    int baseX = 0, baseY = 0;
    DriverCheck(DriverDialogBaseUnits(kDialogFont, 8, 400, EASTEUROPE_CHARSET, &baseX, &baseY),
                "dialog base units of the dialog font");
    DriverLog("dialog base units %d x %d", baseX, baseY);
    CheckFrame(process.dialog, baseX, baseY);
    std::vector<HWND> children = DriverChildren(process.dialog, NULL);
    if (DriverCheckEqualInt(children.size(), 4, "dialog has four controls"))
        for (size_t i = 0; i < children.size(); ++i)
            CheckControl(process.dialog, children[i], kControlCases[i], baseX, baseY);
    CheckListsAtStart(process);
    CheckTabOrder(process);
    CheckMaximised(process.dialog, children);
    DriverKill(&process);
}

// The platform's menu functions do not reach into another process under
// Wine, so the menu is loaded from the program file by the platform's own
// loader and read here; its commands are worked through the window in the
// box and closing groups.
static void CheckMenuItem(HMENU menu, const MenuCase& c)
{
    HMENU owner = c.subPosition < 0 ? menu : GetSubMenu(menu, c.position);
    int position = c.subPosition < 0 ? c.position : c.subPosition;
    wchar_t text[128] = L"";
    MENUITEMINFOW info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING | MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STATE;
    info.dwTypeData = text;
    info.cch = 128;
    std::string name = std::string("menu entry \"") + DriverUtf8(c.text) + "\"";
    if (!DriverCheck(owner && GetMenuItemInfoW(owner, UINT(position), TRUE, &info), name + " exists"))
        return;
    DriverCheckEqual(DriverAnsi(text), c.text, name + " text");
    DriverCheckEqualInt(info.hSubMenu != NULL, c.popup, name + " is a pop-up");
    if (!c.popup)
        DriverCheckEqualInt(info.wID, c.id, name + " command");
    DriverCheckEqualInt((info.fType & MFT_RIGHTJUSTIFY) != 0, c.rightJustified, name + " right-justified");
    DriverCheckEqualInt(info.fState & (MFS_GRAYED | MFS_CHECKED | MFS_DEFAULT), 0, name + " plain state");
}

void CheckMenuResource()
{
    DriverLog("== menu resource");
    std::string path = DriverWindowsPath(g_exePath);
    HMODULE module = LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    HMENU menu = module ? LoadMenuW(module, MAKEINTRESOURCEW(105)) : NULL;
    if (DriverCheck(menu != NULL, "menu 105 loads from the program file")) {
        DriverCheckEqualInt(GetMenuItemCount(menu), 2, "menu bar has two entries");
        DriverCheckEqualInt(GetMenuItemCount(GetSubMenu(menu, 0)), 1, "\"Program\" holds one item");
        DriverCheckEqualInt(GetMenuItemCount(GetSubMenu(menu, 1)), 2, "\"Nápověda\" holds two items");
        for (const MenuCase& c : kMenuCases)
            CheckMenuItem(menu, c);
        DestroyMenu(menu);
    }
    if (module)
        FreeLibrary(module);
}
