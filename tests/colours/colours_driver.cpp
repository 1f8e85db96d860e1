// Works orvenda.exe from a separate process and checks its colour scheme:
//   resources  the two pattern bitmaps as built into the program
//   window     the pixels of the real window (backgrounds, labels, list and
//              edit text), again after a refused exit, scrolling, minimise
//              and restore, typing, choosing an item, and when maximised
//   brushes    the program's two brushes stay the same handles, its GDI
//              objects do not grow, and a confirmed exit deletes both
//   exits      two confirmation boxes open at once, answered in each order
// Usage: colours_driver.exe PATH\orvenda.exe GROUP
#include "DriverSupport.h"
#include "resource.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static const COLORREF kViolet = RGB(64, 0, 255);
static const COLORREF kBlack = RGB(0, 0, 0);
static const COLORREF kWhite = RGB(255, 255, 255);
static const COLORREF kGreen = RGB(2, 255, 2);
static const COLORREF kGold = RGB(219, 206, 23);

static const char kConfirmCaption[] = "Potvrzení ukončení";
static const DWORD kTimeout = DRIVER_TIMEOUT;

static std::string g_programPath;

static std::string Hex(unsigned long long value)
{
    char text[32];
    snprintf(text, sizeof text, "0x%llX", value);
    return text;
}

static std::string ColourText(COLORREF colour)
{
    char text[40];
    snprintf(text, sizeof text, "R%d G%d B%d", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

// ---- Resources -----------------------------------------------------------------

struct BitmapExpectation {
    int id;
    const char* name;
    int size;  // width and height
    DWORD imageBytes;
    DWORD resourceBytes;
    unsigned char blue, green, red;
};

static std::vector<WORD> g_languages;

static BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR)
{
    g_languages.push_back(language);
    return TRUE;
}

static void CheckBitmapResource(HMODULE module, const BitmapExpectation& expected)
{
    const std::string name = expected.name;
    g_languages.clear();
    EnumResourceLanguagesA(module, (LPCSTR)RT_BITMAP, MAKEINTRESOURCEA(expected.id), CollectLanguage, 0);
    DriverCheck(g_languages.size() == 1 && g_languages[0] == 1033, name + " is stored once, in language 1033",
                g_languages.empty() ? "not found" : "first language " + std::to_string(g_languages[0]) +
                                                        " of " + std::to_string(g_languages.size()));

    HRSRC found = FindResourceExA(module, (LPCSTR)RT_BITMAP, MAKEINTRESOURCEA(expected.id),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (!DriverCheck(found != NULL, name + " found"))
        return;
    DWORD size = SizeofResource(module, found);
    const unsigned char* data = (const unsigned char*)LockResource(LoadResource(module, found));
    if (!DriverCheck(data != NULL, name + " loaded"))
        return;
    if (!DriverCheckEqualInt(size, expected.resourceBytes, name + " resource size"))
        return;

    BITMAPINFOHEADER header;
    memcpy(&header, data, sizeof header);
    struct Field {
        const char* what;
        long long actual, wanted;
    } fields[] = {
        {"biSize", header.biSize, 40},
        {"biWidth", header.biWidth, expected.size},
        {"biHeight (positive: bottom-up)", header.biHeight, expected.size},
        {"biPlanes", header.biPlanes, 1},
        {"biBitCount", header.biBitCount, 24},
        {"biCompression", header.biCompression, BI_RGB},
        {"biSizeImage", header.biSizeImage, expected.imageBytes},
        {"biXPelsPerMeter", header.biXPelsPerMeter, 3780},
        {"biYPelsPerMeter", header.biYPelsPerMeter, 3780},
        {"biClrUsed", header.biClrUsed, 0},
        {"biClrImportant", header.biClrImportant, 0},
    };
    for (const Field& field : fields)
        DriverCheckEqualInt(field.actual, field.wanted, name + " " + field.what);

    // The pixel rows follow the header at once: no colour table, no filler.
    int wrong = 0;
    DWORD firstWrong = 0;
    for (DWORD offset = 40; offset + 2 < size; offset += 3) {
        if (data[offset] != expected.blue || data[offset + 1] != expected.green || data[offset + 2] != expected.red) {
            if (wrong++ == 0)
                firstWrong = offset;
        }
    }
    DriverCheck(wrong == 0 && (size - 40) % 3 == 0, name + " every pixel has the one colour",
                std::to_string(wrong) + " pixels differ, first at byte " + std::to_string(firstWrong));
}

static void TestResources()
{
    HMODULE module = LoadLibraryExA(DriverWindowsPath(g_programPath.c_str()).c_str(), NULL,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!DriverCheck(module != NULL, "program opened as a data file", g_programPath))
        return;
    const BitmapExpectation bitmaps[] = {
        {108, "dialog pattern (108)", 16, 768, 808, 0xFF, 0x00, 0x40},
        {103, "label pattern (103)", 128, 49152, 49192, 0x00, 0x00, 0x00},
    };
    for (const BitmapExpectation& bitmap : bitmaps)
        CheckBitmapResource(module, bitmap);
    FreeLibrary(module);
}

// ---- The running program ----------------------------------------------------------

struct Window {
    DriverProcess process;
    HWND dialog;
    HWND labels[2];  // "Směrovací číslo", "Obec"
    HWND combos[2];  // code list, place list
    HWND edits[2];
    HWND lists[2];
};

static bool StartProgram(Window* window)
{
    ZeroMemory(window, sizeof *window);
    if (!DriverCheck(DriverStartProgram(g_programPath.c_str(), NULL, &window->process),
                     "program starts and shows its dialog", g_programPath)) {
        DriverKill(&window->process);
        return false;
    }
    window->dialog = window->process.dialog;
    std::vector<HWND> statics = DriverChildren(window->dialog, "Static");
    if (!DriverCheck(statics.size() == 2, "dialog has two labels", std::to_string(statics.size()) + " labels")) {
        DriverKill(&window->process);
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        window->labels[i] = statics[i];
        window->combos[i] = window->process.combos[i];
        window->edits[i] = window->process.edits[i];
        window->lists[i] = window->process.lists[i];
    }
    return DriverCheck(window->edits[0] && window->edits[1] && window->lists[0] && window->lists[1],
                       "each combo box has its edit field and list");
}

static DWORD Pid(const Window& window)
{
    return window.process.info.dwProcessId;
}

static void PostCommand(HWND window, WORD command)
{
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

// Asks for the exit and refuses it: the box must come and go.
static bool RefuseExit(Window* window)
{
    PostCommand(window->dialog, IDCANCEL);
    HWND box = DriverWaitForMessageBox(Pid(*window), kConfirmCaption, NULL, kTimeout);
    if (!DriverCheck(box != NULL, "confirmation box opens"))
        return false;
    return DriverCheck(DriverAnswerBox(box, IDNO), "No closes the confirmation box");
}

// Ends the program through a confirmed exit and checks its exit code.
static void ConfirmExit(Window* window, const char* context)
{
    PostCommand(window->dialog, IDCANCEL);
    HWND box = DriverWaitForMessageBox(Pid(*window), kConfirmCaption, NULL, kTimeout);
    if (DriverCheck(box != NULL, std::string(context) + ": confirmation box opens"))
        DriverAnswerBox(box, IDYES);
    DWORD code = 0;
    if (DriverCheck(DriverWaitForExit(&window->process, kTimeout, &code), std::string(context) + ": program ends"))
        DriverCheckEqualInt(code, IDCANCEL, std::string(context) + ": exit code");
    DriverKill(&window->process);
}

// ---- Pixels --------------------------------------------------------------------------

// A child's rectangle in the dialog's client coordinates, the whole window
// or only its client area.
static RECT ChildArea(HWND dialog, HWND child, bool clientOnly)
{
    RECT rect;
    if (clientOnly) {
        GetClientRect(child, &rect);
        MapWindowPoints(child, dialog, (POINT*)&rect, 2);
    } else {
        rect = DriverChildRect(dialog, child);
    }
    return rect;
}

static RECT ClipToImage(RECT rect, const DriverImage& image)
{
    RECT clipped = {rect.left < 0 ? 0 : rect.left, rect.top < 0 ? 0 : rect.top,
                    rect.right > image.width ? image.width : rect.right,
                    rect.bottom > image.height ? image.height : rect.bottom};
    return clipped;
}

// How the pixels of an area fall between a background and a text colour:
// a pixel part-way between the two is a smoothed text edge; anything else is
// a stranger (a wrong colour).
struct AreaCount {
    int pixels;
    int background;
    int text;
    int between;
    int strangers;
    COLORREF firstStranger;
    POINT firstStrangerAt;
};

// Text is smoothed per colour channel (each of R, G and B covers the glyph
// by its own amount), so an edge pixel has each channel somewhere between
// that channel of the background and of the text colour.
static bool Between(COLORREF pixel, COLORREF from, COLORREF to)
{
    const int tolerance = 6;
    int p[3] = {GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)};
    int f[3] = {GetRValue(from), GetGValue(from), GetBValue(from)};
    int t[3] = {GetRValue(to), GetGValue(to), GetBValue(to)};
    for (int i = 0; i < 3; ++i) {
        int low = f[i] < t[i] ? f[i] : t[i];
        int high = f[i] < t[i] ? t[i] : f[i];
        if (p[i] < low - tolerance || p[i] > high + tolerance)
            return false;
    }
    return true;
}

static AreaCount CountArea(const DriverImage& image, RECT area, COLORREF background, COLORREF text,
                           const RECT* skip = NULL)
{
    AreaCount count = {};
    area = ClipToImage(area, image);
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            POINT point = {x, y};
            if (skip && PtInRect(skip, point))
                continue;
            COLORREF pixel = DriverPixel(image, x, y);
            ++count.pixels;
            if (pixel == background) {
                ++count.background;
            } else if (pixel == text) {
                ++count.text;
            } else if (Between(pixel, background, text)) {
                ++count.between;
            } else if (count.strangers++ == 0) {
                count.firstStranger = pixel;
                count.firstStrangerAt = point;
            }
        }
    }
    return count;
}

static std::string AreaText(const AreaCount& count)
{
    std::string text = std::to_string(count.pixels) + " pixels: " + std::to_string(count.background) +
                       " background, " + std::to_string(count.text) + " text, " + std::to_string(count.between) +
                       " smoothed, " + std::to_string(count.strangers) + " other";
    if (count.strangers)
        text += " (first " + ColourText(count.firstStranger) + " at " + std::to_string(count.firstStrangerAt.x) +
                "," + std::to_string(count.firstStrangerAt.y) + ")";
    return text;
}

// What one look at the window found; `ok` when everything has its colour.
struct Look {
    DriverImage image;
    AreaCount client;      // outside every child window
    AreaCount labels[2];   // black with gold text
    AreaCount lists[2];    // violet with green text (the selected line left out)
    AreaCount edits[2];    // violet with white text
    bool ok;
};

// The selected line of a list keeps the platform's selection colours.
static RECT SelectedLine(const Window& window, int which)
{
    RECT none = {0, 0, 0, 0};
    int selection = DriverComboSelection(window.combos[which]);
    if (selection < 0)
        return none;
    int top = int(DriverSend(window.lists[which], LB_GETTOPINDEX, 0, 0));
    int height = DriverComboItemHeight(window.combos[which]);
    RECT list = ChildArea(window.dialog, window.lists[which], true);
    RECT line = {list.left, list.top + (selection - top) * height, list.right,
                 list.top + (selection - top + 1) * height};
    return line;
}

static bool ClientRight(const AreaCount& client)
{
    return client.strangers == 0 && client.pixels > 0;
}

// Mostly background, some text, and no colour that belongs to neither.
static bool TextAreaRight(const AreaCount& area, int strangersAllowed)
{
    return area.strangers <= strangersAllowed && area.background > area.pixels / 2 && area.text > 0;
}

// The caret blinks in the focused edit field (drawn inverted): up to two
// columns of it are not a wrong colour. An empty field shows no white.
static bool EditRight(const AreaCount& edit, RECT rect, bool wantText)
{
    int caretAllowance = 2 * (rect.bottom - rect.top);
    if (wantText)
        return TextAreaRight(edit, caretAllowance);
    return edit.strangers <= caretAllowance && edit.background > edit.pixels / 2 && edit.text == 0;
}

static bool TakeLook(const Window& window, Look* look, bool wantEditText)
{
    if (!DriverCapture(window.dialog, false, &look->image))
        return false;
    const DriverImage& image = look->image;

    // The client area outside the children: violet-blue, nothing else.
    std::vector<RECT> children;
    for (HWND child : DriverChildren(window.dialog, NULL))
        if (IsWindowVisible(child))
            children.push_back(ChildArea(window.dialog, child, false));
    look->client = AreaCount();
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            POINT point = {x, y};
            bool inChild = false;
            for (const RECT& child : children)
                inChild = inChild || PtInRect(&child, point);
            if (inChild)
                continue;
            COLORREF pixel = DriverPixel(image, x, y);
            ++look->client.pixels;
            if (pixel == kViolet)
                ++look->client.background;
            else if (look->client.strangers++ == 0) {
                look->client.firstStranger = pixel;
                look->client.firstStrangerAt = point;
            }
        }
    }

    look->ok = ClientRight(look->client);
    for (int i = 0; i < 2; ++i) {
        look->labels[i] = CountArea(image, ChildArea(window.dialog, window.labels[i], false), kBlack, kGold);
        RECT selected = SelectedLine(window, i);
        look->lists[i] = CountArea(image, ChildArea(window.dialog, window.lists[i], true), kViolet, kGreen, &selected);
        RECT edit = ChildArea(window.dialog, window.edits[i], true);
        look->edits[i] = CountArea(image, edit, kViolet, kWhite);
        look->ok = look->ok && TextAreaRight(look->labels[i], 0) && TextAreaRight(look->lists[i], 0) &&
                   EditRight(look->edits[i], edit, wantEditText);
    }
    return true;
}

struct LookWait {
    const Window* window;
    Look* look;
    bool wantEditText;
};

static bool LookIsRight(void* context)
{
    LookWait* wait = (LookWait*)context;
    return TakeLook(*wait->window, wait->look, wait->wantEditText) && wait->look->ok;
}

// Waits until the window shows its colours (painting may lag behind under
// load), then records one check per area on the last look.
static void CheckColours(const Window& window, const std::string& when, bool wantEditText)
{
    Look look;
    LookWait wait = {&window, &look, wantEditText};
    DriverWaitUntil(LookIsRight, &wait, kTimeout);
    if (!DriverCheck(!look.image.pixels.empty(), when + ": window captured"))
        return;
    static int saved;
    if (!look.ok) {
        std::string file = "colours-failure-" + std::to_string(++saved) + ".bmp";
        DriverSaveBmp(look.image, file.c_str());
        DriverLog("(capture saved as %s, %dx%d)", file.c_str(), look.image.width, look.image.height);
    }
    DriverCheck(ClientRight(look.client), when + ": dialog client area is violet-blue outside the controls",
                AreaText(look.client));
    const char* labelNames[2] = {"code label", "place label"};
    const char* listNames[2] = {"code list", "place list"};
    const char* editNames[2] = {"code edit field", "place edit field"};
    for (int i = 0; i < 2; ++i) {
        DriverCheck(TextAreaRight(look.labels[i], 0), when + ": " + labelNames[i] + " is black with gold-yellow text",
                    AreaText(look.labels[i]));
        DriverCheck(TextAreaRight(look.lists[i], 0), when + ": " + listNames[i] + " is violet-blue with green text",
                    AreaText(look.lists[i]));
        DriverCheck(EditRight(look.edits[i], ChildArea(window.dialog, window.edits[i], true), wantEditText),
                    when + ": " + editNames[i] + " is violet-blue" + (wantEditText ? " with white text" : ", empty"),
                    AreaText(look.edits[i]));
    }
    DriverLog("%s: client %s; code list %s; code label %s; place edit %s", when.c_str(),
              AreaText(look.client).c_str(), AreaText(look.lists[0]).c_str(), AreaText(look.labels[0]).c_str(),
              AreaText(look.edits[1]).c_str());
}

static bool IsIconicWindow(void* context)
{
    return IsIconic((HWND)context) != FALSE;
}

static bool IsRestoredWindow(void* context)
{
    HWND window = (HWND)context;
    return IsWindowVisible(window) && !IsIconic(window) && !IsZoomed(window);
}

// Maximised, and the client area already grown (the state changes first).
struct ZoomWait {
    HWND window;
    RECT normal;
};

static bool IsZoomedAndLarger(void* context)
{
    ZoomWait* wait = (ZoomWait*)context;
    RECT client;
    GetClientRect(wait->window, &client);
    return IsZoomed(wait->window) && client.right > wait->normal.right && client.bottom > wait->normal.bottom;
}

static void SystemCommand(HWND window, WPARAM command)
{
    PostMessageA(window, WM_SYSCOMMAND, command, 0);
}

// Scrolls a list a page down as a click below its scroll box does.
static int ScrollList(const Window& window, int which)
{
    int before = int(DriverSend(window.lists[which], LB_GETTOPINDEX, 0, 0));
    DriverSend(window.lists[which], WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    return int(DriverSend(window.lists[which], LB_GETTOPINDEX, 0, 0)) - before;
}

static void TestWindow()
{
    Window window;
    if (!StartProgram(&window))
        return;
    CheckColours(window, "at start", false);

    if (RefuseExit(&window))
        CheckColours(window, "after a refused exit", false);

    for (int i = 0; i < 2; ++i) {
        int moved = ScrollList(window, i);
        int count = DriverComboCount(window.combos[i]);
        RECT list;
        GetClientRect(window.lists[i], &list);
        int height = DriverComboItemHeight(window.combos[i]);
        if (height > 0 && count > list.bottom / height)
            DriverCheck(moved > 0, std::string("list ") + std::to_string(i) + " scrolls",
                        "top index moved by " + std::to_string(moved));
        else
            DriverLog("list %d has only %d items and scrolled by %d lines", i, count, moved);
    }
    CheckColours(window, "after scrolling both lists", false);

    SystemCommand(window.dialog, SC_MINIMIZE);
    if (DriverCheck(DriverWaitUntil(IsIconicWindow, window.dialog, kTimeout), "window minimises")) {
        SystemCommand(window.dialog, SC_RESTORE);
        if (DriverCheck(DriverWaitUntil(IsRestoredWindow, window.dialog, kTimeout), "window restores"))
            CheckColours(window, "after minimise and restore", false);
    }

    // Text typed into each edit field is white; both fields alike.
    const char* typed[2] = {"60", "Br"};
    for (int i = 0; i < 2; ++i) {
        DriverActivate(window.dialog, kTimeout);
        DriverClickCentre(window.edits[i]);
        DriverTypeText(typed[i]);
        DriverCheck(DriverWaitEditText(window.combos[i], typed[i], kTimeout),
                    std::string("text typed into edit field ") + std::to_string(i),
                    "field shows \"" + DriverShow(DriverComboEditText(window.combos[i])) + "\"");
    }
    CheckColours(window, "with text typed into both edit fields", true);

    // A chosen item stands in the edit field in white; its line in the list
    // keeps the platform's selection colours, the rest stays as it was. The
    // field shows the text selected at first (selection colours too), so a
    // click into the field ends the selection before the look.
    for (int i = 0; i < 2; ++i) {
        int height = DriverComboItemHeight(window.combos[i]);
        int line = int(DriverSend(window.lists[i], LB_GETTOPINDEX, 0, 0)) + 2;
        std::string item = DriverComboItem(window.combos[i], line);
        DriverActivate(window.dialog, kTimeout);
        DriverClick(window.lists[i], 10, 2 * height + height / 2);
        DriverCheck(DriverWaitEditText(window.combos[i], item, kTimeout),
                    std::string("clicked item stands in edit field ") + std::to_string(i),
                    "field shows \"" + DriverShow(DriverComboEditText(window.combos[i])) + "\", item \"" +
                        DriverShow(item) + "\"");
        DriverClickCentre(window.edits[i]);
    }
    CheckColours(window, "with an item chosen in each list", true);

    ZoomWait zoom = {window.dialog, {0, 0, 0, 0}};
    GetClientRect(window.dialog, &zoom.normal);
    SystemCommand(window.dialog, SC_MAXIMIZE);
    if (DriverCheck(DriverWaitUntil(IsZoomedAndLarger, &zoom, kTimeout), "window maximises to a larger client area")) {
        CheckColours(window, "maximised", true);
        SystemCommand(window.dialog, SC_RESTORE);
        DriverWaitUntil(IsRestoredWindow, window.dialog, kTimeout);
    }
    ConfirmExit(&window, "window test");
}

// ---- The program's brushes and its other GDI objects -------------------------------
//
// Under Wine a colour query cannot be sent to another process (it carries a
// device context), and GetGuiResources answers 0, so the brushes are watched
// in the program's GDI handle table: the program's two brushes are the pattern
// brushes made from a 16 x 16 and a 128 x 128 bitmap.

struct ProgramBrushes {
    bool read;
    DriverGdiCensus census;
    std::vector<DriverPatternBrush> dialog;  // from the 16 x 16 pattern
    std::vector<DriverPatternBrush> label;   // from the 128 x 128 pattern
};

static ProgramBrushes LookAtBrushes(HANDLE process)
{
    ProgramBrushes seen = {};
    DriverGdiTable table;
    seen.read = DriverGdiRead(process, &table);
    if (!seen.read)
        return seen;
    seen.census = DriverGdiCount(table);
    for (const DriverPatternBrush& brush : DriverGdiPatternBrushes(process, table)) {
        if (brush.width == 16 && brush.height == 16)
            seen.dialog.push_back(brush);
        else if (brush.width == 128 && brush.height == 128)
            seen.label.push_back(brush);
    }
    return seen;
}

static std::string BrushesText(const ProgramBrushes& seen)
{
    if (!seen.read)
        return "GDI table not readable";
    std::string text = "dialog brushes";
    for (const DriverPatternBrush& brush : seen.dialog)
        text += " " + Hex(brush.brush) + " (bitmap " + Hex(brush.bitmap) + ")";
    text += ", label brushes";
    for (const DriverPatternBrush& brush : seen.label)
        text += " " + Hex(brush.brush) + " (bitmap " + Hex(brush.bitmap) + ")";
    return text + "; " + DriverGdiText(seen.census);
}

static bool OneOfEach(const ProgramBrushes& seen)
{
    return seen.read && seen.dialog.size() == 1 && seen.label.size() == 1;
}

static bool SameBrushes(const ProgramBrushes& seen, const ProgramBrushes& earlier)
{
    return OneOfEach(seen) && OneOfEach(earlier) && seen.dialog[0].brush == earlier.dialog[0].brush &&
           seen.label[0].brush == earlier.label[0].brush;
}

static bool NoBrushes(const ProgramBrushes& seen)
{
    return seen.read && seen.dialog.empty() && seen.label.empty();
}

// The reader relies on Wine's object layout, so it must first find a pattern
// brush of the driver's own and tell it from a solid one.
static bool CheckBrushReader()
{
    HBITMAP bitmap = CreateBitmap(16, 16, 1, 32, NULL);
    HBRUSH pattern = CreatePatternBrush(bitmap);
    HBRUSH solid = CreateSolidBrush(kViolet);
    ProgramBrushes during = LookAtBrushes(GetCurrentProcess());
    DeleteObject(pattern);
    DeleteObject(solid);
    DeleteObject(bitmap);
    ProgramBrushes after = LookAtBrushes(GetCurrentProcess());
    bool found = during.dialog.size() == 1 && during.dialog[0].brush == (ULONG_PTR)pattern &&
                 during.dialog[0].bitmap == (ULONG_PTR)bitmap && during.census.brushes == after.census.brushes + 2 &&
                 during.census.bitmaps == after.census.bitmaps + 1 && NoBrushes(after);
    return DriverCheck(found, "GDI table reader finds a 16x16 pattern brush of the driver's and its deletion",
                       "during: " + BrushesText(during) + "; after: " + BrushesText(after) + "; made " +
                           Hex((ULONG_PTR)pattern) + " from " + Hex((ULONG_PTR)bitmap));
}

// Invalidates the dialog and all its children and waits until every one of
// them has painted again (no update region left anywhere).
static bool NothingToPaint(void* context)
{
    const Window* window = (const Window*)context;
    std::vector<HWND> windows = {window->dialog};
    for (HWND child : DriverChildren(window->dialog, NULL)) {
        windows.push_back(child);
        for (HWND grandchild : DriverChildren(child, NULL))
            windows.push_back(grandchild);
    }
    for (HWND each : windows)
        if (GetUpdateRect(each, NULL, FALSE))
            return false;
    return true;
}

static bool Repaint(const Window& window)
{
    RedrawWindow(window.dialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return DriverWaitUntil(NothingToPaint, (void*)&window, kTimeout);
}

// Ways of asking for the exit from the keyboard, as a person would.
enum ExitRequest { REQUEST_ESC, REQUEST_ALT_F4, REQUEST_MENU };

static const char* RequestName(ExitRequest request)
{
    return request == REQUEST_ESC ? "Esc" : request == REQUEST_ALT_F4 ? "Alt+F4" : "menu Program > Exit";
}

// Asks for the exit in the dialog and waits for a confirmation box other
// than `open` (the one already open, or NULL).
static bool DialogInFront(void* context)
{
    return GetForegroundWindow() == (HWND)context;
}

static HWND RequestExit(Window* window, ExitRequest request, HWND open)
{
    // A click on the dialog's corner (a box stands in its middle) brings it
    // to the front, which a box without owner allows.
    if (GetForegroundWindow() != window->dialog) {
        DriverClick(window->dialog, 2, 2);
        DriverWaitUntil(DialogInFront, window->dialog, kTimeout);
    }
    if (request == REQUEST_ESC) {
        DriverKey(VK_ESCAPE);
    } else if (request == REQUEST_ALT_F4) {
        DriverKey(VK_F4, DRIVER_ALT);
    } else {
        DriverKey('P', DRIVER_ALT);
        if (!DriverWaitForTopWindow(Pid(*window), "#32768", NULL, NULL, kTimeout))
            return NULL;
        DriverKey('U');
    }
    return DriverWaitForMessageBox(Pid(*window), kConfirmCaption, open, kTimeout);
}

static bool DialogHidden(void* context)
{
    return !IsWindowVisible((HWND)context);
}

// One round of what makes the program paint: repaint everything, refuse an
// exit, scroll both lists down and back, minimise and restore.
static bool RunRound(Window& window)
{
    bool ok = Repaint(window) && RefuseExit(&window);
    for (int i = 0; i < 2; ++i) {
        ScrollList(window, i);
        DriverSend(window.lists[i], WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
    }
    SystemCommand(window.dialog, SC_MINIMIZE);
    ok = ok && DriverWaitUntil(IsIconicWindow, window.dialog, kTimeout);
    SystemCommand(window.dialog, SC_RESTORE);
    ok = ok && DriverWaitUntil(IsRestoredWindow, window.dialog, kTimeout);
    return ok && Repaint(window);
}

// The fewest objects of three looks: a font or region in use while the
// window paints is not counted as kept.
static DriverGdiCensus SettledCensus(HANDLE process)
{
    DriverGdiCensus fewest = {};
    for (int look = 0; look < 3; ++look) {
        ProgramBrushes seen = LookAtBrushes(process);
        if (look == 0 || seen.census.total < fewest.total)
            fewest = seen.census;
        DriverPause(50);
    }
    return fewest;
}

static void TestBrushes()
{
    if (!CheckBrushReader())
        return;
    Window window;
    if (!StartProgram(&window))
        return;
    HANDLE process = window.process.info.hProcess;
    CheckColours(window, "at start", false);

    ProgramBrushes start = LookAtBrushes(process);
    DriverLog("at start: %s", BrushesText(start).c_str());
    if (!DriverCheck(OneOfEach(start), "the program holds one brush of each pattern", BrushesText(start))) {
        DriverKill(&window.process);
        return;
    }

    // One round first fills the platform's own caches (a scrolled list, for
    // one, keeps a few more DCs and regions), then every round does it all
    // again: a leak of one object per round would add one per round.
    RunRound(window);
    DriverGdiCensus base = SettledCensus(process);
    DriverLog("after one round of repaint, refused exit, scrolling, minimise and restore: %s",
              DriverGdiText(base).c_str());

    const int kRounds = 20;
    std::string changed;
    for (int round = 0; round < kRounds; ++round) {
        if (!RunRound(window) && changed.empty())
            changed = "round " + std::to_string(round) + " did not complete";
        ProgramBrushes seen = LookAtBrushes(process);
        if ((!SameBrushes(seen, start) || seen.census.brushes != start.census.brushes) && changed.empty())
            changed = "round " + std::to_string(round) + ": " + BrushesText(seen);
    }
    DriverGdiCensus later = SettledCensus(process);
    DriverLog("after %d more rounds: %s", kRounds, DriverGdiText(later).c_str());
    DriverCheck(changed.empty(), "the same two brushes serve the program throughout, no brush is added", changed);
    // Painting makes and frees a font or region now and then: allow two in flight.
    DriverCheck(later.total <= base.total + 2, "no GDI objects are added round after round",
                DriverGdiText(base) + " after the first round, " + DriverGdiText(later) + " at the end");
    CheckColours(window, "after the rounds", false);

    // A confirmed exit while a second confirmation box is open: the inner
    // box's Yes deletes both brushes; the dialog still exists (the outer box
    // still waits), the outer box's Yes deletes nothing more.
    HWND outer = RequestExit(&window, REQUEST_ESC, NULL);
    HWND inner = outer ? RequestExit(&window, REQUEST_MENU, outer) : NULL;
    if (!DriverCheck(outer && inner, "two confirmation boxes open at once")) {
        DriverKill(&window.process);
        return;
    }
    ProgramBrushes before = LookAtBrushes(process);
    DriverAnswerBox(inner, IDYES);
    DriverCheck(DriverWaitUntil(DialogHidden, window.dialog, kTimeout), "the dialog is ended by the inner Yes");
    ProgramBrushes after = LookAtBrushes(process);
    DriverLog("before the confirmed exit: %s", BrushesText(before).c_str());
    DriverLog("after it, outer box still open: %s", BrushesText(after).c_str());
    DriverCheck(SameBrushes(before, start) && NoBrushes(after), "the confirmed exit deletes both brushes",
                BrushesText(after));
    DriverCheck(after.census.brushes == before.census.brushes - 2, "the confirmed exit deletes no other brush",
                DriverGdiText(before.census) + " before, " + DriverGdiText(after.census) + " after");
    DriverCheck(DriverIsRunning(&window.process) && IsWindowVisible(outer),
                "the outer box stays open after the inner Yes");
    DriverAnswerBox(outer, IDYES);
    DWORD code = 0;
    if (DriverCheck(DriverWaitForExit(&window.process, kTimeout, &code), "program ends after the outer Yes"))
        DriverCheckEqualInt(code, IDM_EXIT, "exit code is the command of the box answered first");
    DriverKill(&window.process);
}

// ---- Two confirmation boxes at once ------------------------------------------------

struct RacingCase {
    const char* name;
    ExitRequest first;   // opens the outer box
    ExitRequest second;  // opens the inner box while the outer one is open
    bool innerFirst;     // which box is answered first
    int firstAnswer;
    int secondAnswer;
    bool brushesGone;  // after the first answer
    DWORD exitCode;
};

// The inner box's message loop runs inside the outer box's, so the outer
// box's answer only reaches the program once the inner box is closed.
static const RacingCase kRacingCases[] = {
    {"outer Yes first", REQUEST_ESC, REQUEST_MENU, false, IDYES, IDYES, false, IDM_EXIT},
    {"inner No, outer Yes", REQUEST_ESC, REQUEST_MENU, true, IDNO, IDYES, false, IDCANCEL},
    {"inner Yes, outer No", REQUEST_ESC, REQUEST_MENU, true, IDYES, IDNO, true, IDM_EXIT},
    {"menu first; inner Yes, outer Yes", REQUEST_MENU, REQUEST_ALT_F4, true, IDYES, IDYES, true, IDCANCEL},
};

static bool BrushesGone(void* process)
{
    return NoBrushes(LookAtBrushes((HANDLE)process));
}

static void RunRacingCase(const RacingCase& test)
{
    const std::string name = std::string(test.name) + " (" + RequestName(test.first) + ", then " +
                             RequestName(test.second) + ")";
    Window window;
    if (!StartProgram(&window))
        return;
    HANDLE process = window.process.info.hProcess;
    HWND outer = RequestExit(&window, test.first, NULL);
    HWND inner = outer ? RequestExit(&window, test.second, outer) : NULL;
    if (!DriverCheck(outer && inner, name + ": two confirmation boxes open")) {
        DriverKill(&window.process);
        return;
    }
    HWND answeredFirst = test.innerFirst ? inner : outer;
    HWND answeredSecond = test.innerFirst ? outer : inner;
    DriverCheck(DriverAnswerBox(answeredFirst, test.firstAnswer), name + ": first box closes");
    // Let the program act on the answer before looking: the dialog takes
    // this message only once the answered box's call has returned.
    DriverSync(window.dialog, kTimeout);
    if (test.brushesGone)
        DriverWaitUntil(BrushesGone, process, kTimeout);
    ProgramBrushes seen = LookAtBrushes(process);
    DriverCheck(test.brushesGone ? NoBrushes(seen) : OneOfEach(seen),
                name + (test.brushesGone ? ": brushes deleted after the first answer"
                                         : ": brushes still there after the first answer"),
                BrushesText(seen));
    DriverCheck(DriverIsRunning(&window.process) && IsWindowVisible(answeredSecond),
                name + ": the other box is still open");
    DriverAnswerBox(answeredSecond, test.secondAnswer);
    DWORD code = 0;
    if (DriverCheck(DriverWaitForExit(&window.process, kTimeout, &code), name + ": program ends"))
        DriverCheckEqualInt(code, test.exitCode, name + ": exit code");
    DriverKill(&window.process);
}

static void TestExits()
{
    for (const RacingCase& test : kRacingCases)
        RunRacingCase(test);
}

int main(int argc, char** argv)
{
    std::vector<std::string> arguments =
        DriverArguments(argc, argv, 2, "colours_driver.exe PATH\\orvenda.exe resources|window|brushes|exits");
    g_programPath = arguments[0];
    const std::string& group = arguments[1];
    if (group == "resources")
        TestResources();
    else if (group == "window")
        TestWindow();
    else if (group == "brushes")
        TestBrushes();
    else if (group == "exits")
        TestExits();
    else {
        fprintf(stderr, "unknown group %s\n", group.c_str());
        return 2;
    }
    return DriverSummary();
}
