// Typing into the two edit fields and choosing items: the list brings its
// first item that begins with the typed text to the top, a chosen item stands
// whole in the field, the other list keeps what it showed, and the field
// takes no more text than fits its width.
#include <algorithm>

#include "PostalDirectory.h"
#include "e2e.h"

struct TypingCase {
    int list;
    const char* typed;
    const char* pinned;  // an item beginning with the text, where the table holds it (NULL: none)
};

static const TypingCase kTypingCases[] = {
    {DRIVER_CODE, "0", "01000 Žilina-mesto"},
    {DRIVER_CODE, "97", "97101 Cigeľ"},
    {DRIVER_CODE, "26215", "26215 Borotice"},
    {DRIVER_CODE, "26215 Ž", "26215 Županovice"},
    {DRIVER_CODE, "352016", NULL},  // six digits
    {DRIVER_CODE, "a", NULL},       // a letter first
    {DRIVER_CODE, "26 215", NULL},  // a blank inside the code
    {DRIVER_PLACE, "Žil", "Žilina (Kladno)  27301 "},
    {DRIVER_PLACE, "ž", "Žabčice 66463 "},
    {DRIVER_PLACE, "Ž", "Žabčice 66463 "},
    {DRIVER_PLACE, "ch", "Chabařovice 40317 "},
    {DRIVER_PLACE, "c", "Cabaj-Čápor 95117 "},
    {DRIVER_PLACE, "B", "Báb 95134 "},
    {DRIVER_PLACE, "Ba", "Babice (Praha-východ)  25101 "},
    {DRIVER_PLACE, "Borotice", "Borotice 26215 "},
    {DRIVER_PLACE, "Albrechtice (Karviná) 7", NULL},  // one blank: the item has two
    {DRIVER_PLACE, "Albrechtice (Karviná)  7", "Albrechtice (Karviná)  73543 "},
    {DRIVER_PLACE, "Trnava 9", "Trnava 91700 "},
    {DRIVER_PLACE, "Qwx", NULL},
};

struct ChoiceCase {
    int list;
    const char* pinned;  // chosen when the table holds it, else derived below
    bool endsInBlank;    // what to derive: an item with or without a final blank
};

static const ChoiceCase kChoiceCases[] = {
    {DRIVER_PLACE, "Abramová 03822 ", true},
    {DRIVER_CODE, "73543 Albrechtice (Karviná) ", true},
    {DRIVER_CODE, "03822 Abramová", false},
};

static const char* ListName(int list)
{
    return list == DRIVER_CODE ? "code list" : "place list";
}

// True when the typed text matches the item only by folding the case of a
// letter beyond ASCII ("ž" against "Ž").
static bool MatchNeedsNonAsciiFolding(const std::string& typed, const std::string& item)
{
    for (size_t i = 0; i < typed.size() && i < item.size(); ++i)
        if (typed[i] != item[i] && (unsigned char)typed[i] >= 0x80)
            return true;
    return false;
}

// Where the list stands after the text was typed: its first item beginning
// with the text on top, or, when none does, every item still there.
static void CheckSearch(HWND combo, const std::vector<std::string>& items, const std::string& typed,
                        const std::string& name)
{
    int found = FirstBeginningWith(items, typed);
    if (found >= 0 && RunningUnderWine() && MatchNeedsNonAsciiFolding(typed, items[size_t(found)])) {
        // Wine's list search folds only ASCII letters to capitals, so "ž"
        // finds nothing there while "Ž" finds the Ž names; the Windows list
        // finds both. Reported, not counted.
        DriverLog("KNOWN WINE LIMITATION %s: the list search does not fold \"%s\" to capitals", name.c_str(),
                  DriverUtf8(typed).c_str());
    } else if (found < 0) {
        DriverCheckEqualInt(DriverComboCount(combo), int(items.size()), name + ": list keeps every item");
    } else {
        int top = ExpectedTop(combo, found);
        bool reached = DriverWaitTopIndex(combo, top, DRIVER_TIMEOUT);
        int actual = DriverComboTopIndex(combo);
        DriverCheck(reached, name + ": first match brought to the top",
                    "top line " + std::to_string(actual) + " \"" + DriverShow(DriverComboItem(combo, actual)) +
                        "\", expected " + std::to_string(top) + " \"" + DriverShow(items[size_t(found)]) + "\"");
    }
}

static void CheckTypingCase(const DriverProcess& process, const TypingCase& c)
{
    HWND combo = process.combos[c.list];
    HWND other = process.combos[1 - c.list];
    std::string name = std::string(ListName(c.list)) + ", typed \"" + DriverUtf8(c.typed) + "\"";
    const std::vector<std::string>& items = ListItems(combo);
    DriverListState otherBefore = DriverReadListState(other);

    if (!DriverCheck(DriverTypeInto(process.dialog, combo, c.typed), name + ": edit field shows the typed text",
                     "\"" + DriverShow(DriverComboEditText(combo)) + "\""))
        return;
    // A known item that begins with the text: the search must not pass it by.
    int found = FirstBeginningWith(items, c.typed);
    int pinned = c.pinned ? IndexOf(items, c.pinned) : -1;
    if (c.pinned && pinned < 0)
        DriverLog("  %s: pinned item left out, the table lacks it", name.c_str());
    else if (c.pinned)
        DriverCheck(found >= 0 && found <= pinned, name + ": first match no later than \"" + DriverUtf8(c.pinned) + "\"",
                    found >= 0 ? "found \"" + DriverShow(items[size_t(found)]) + "\"" : "nothing found");
    CheckSearch(combo, items, c.typed, name);
    CheckStateKept(otherBefore, other, name + ", other list");
}

// Chooses item `index` as a person would: a click on its line when that line
// is in view (inside the dialog's client area), else the Down key from the
// edit field, one item at a time.
static bool ChooseItem(const DriverProcess& process, HWND combo, int index)
{
    int row = index - DriverComboTopIndex(combo);
    int height = DriverComboItemHeight(combo);
    if (row < 0 || height <= 0)
        return false;
    POINT point = {8, row * height + height / 2};
    HWND list = DriverComboList(combo);
    MapWindowPoints(list, process.dialog, &point, 1);
    RECT client;
    GetClientRect(process.dialog, &client);
    if (point.y + height / 2 < client.bottom)
        return DriverClick(list, 8, row * height + height / 2);
    for (int i = DriverComboSelection(combo); i < index; ++i)
        DriverKey(VK_DOWN);
    return true;
}

// The pinned item where the table holds it, else the first item of the
// table with or without a final blank as the case asks.
static std::string ChoiceTarget(const ChoiceCase& c)
{
    if (InTable(c.list, c.pinned))
        return c.pinned;
    const char* const* table = DriverTableItems(c.list);
    for (size_t i = 0; i < kPostalEntryCount; ++i) {
        std::string item = table[i];
        if ((item.back() == ' ') == c.endsInBlank)
            return item;
    }
    return std::string();
}

static void CheckChoice(const DriverProcess& process, const ChoiceCase& c)
{
    HWND combo = process.combos[c.list];
    HWND other = process.combos[1 - c.list];
    std::string target = ChoiceTarget(c);
    std::string name = std::string(ListName(c.list)) + ", choosing \"" + DriverShow(target) + "\"";
    const std::vector<std::string>& items = ListItems(combo);
    int index = IndexOf(items, target);
    if (!DriverCheck(index >= 0, name + ": item is in the list"))
        return;
    // Bring it into view by typing the beginning of its text, then click it.
    std::string prefix = target.substr(0, std::min<size_t>(target.size() - 1, c.list == DRIVER_PLACE ? 3 : 5));
    if (!DriverCheck(DriverTypeInto(process.dialog, combo, prefix), name + ": typing its beginning"))
        return;
    DriverWaitTopIndex(combo, ExpectedTop(combo, FirstBeginningWith(items, prefix)), DRIVER_TIMEOUT);
    DriverListState otherBefore = DriverReadListState(other);
    DriverCheck(ChooseItem(process, combo, index), name + ": item reachable");
    DriverCheck(DriverWaitEditText(combo, target, DRIVER_TIMEOUT), name + ": whole text in the edit field",
                "\"" + DriverShow(DriverComboEditText(combo)) + "\"");
    DriverCheckEqualInt(DriverComboSelection(combo), index, name + ": item selected");
    CheckStateKept(otherBefore, other, name + ", other list");

    // The arrow key moves on to the next item, which then stands whole in the field.
    if (size_t(index) + 1 < items.size()) {
        DriverKey(VK_DOWN);
        DriverCheck(DriverWaitEditText(combo, items[size_t(index) + 1], DRIVER_TIMEOUT),
                    name + ": Down shows the next item whole", "\"" + DriverShow(DriverComboEditText(combo)) + "\"");
    }
}

static bool AllSelected(void* edit)
{
    LRESULT selection = DriverSend((HWND)edit, EM_GETSEL, 0, 0);
    LRESULT length = DriverSend((HWND)edit, WM_GETTEXTLENGTH, 0, 0);
    return length > 0 && LOWORD(selection) == 0 && HIWORD(selection) == length;
}

// No automatic horizontal scrolling: typing stops at the field's right
// edge. Shift+Home after the text selects what the field took; once that
// selection shows, every keystroke before it has been handled.
static void CheckFieldWidth(const DriverProcess& process)
{
    HWND code = process.combos[DRIVER_CODE];
    if (!DriverFocusEdit(process.dialog, code) || !DriverClearEdit(code))
        return;
    std::string longText(60, 'W');
    DriverTypeText(longText);
    DriverKey(VK_HOME, DRIVER_SHIFT);
    DriverWaitUntil(AllSelected, process.edits[DRIVER_CODE], DRIVER_TIMEOUT);
    size_t length = DriverComboEditText(code).size();
    DriverCheck(length > 0 && length < longText.size(), "typed text stops at the edit field's right edge",
                std::to_string(length) + " of " + std::to_string(longText.size()) + " characters taken");
}

void CheckTyping()
{
    DriverLog("== typing and choosing");
    DriverProcess process;
    if (!StartProgram(NULL, &process))
        return;
    for (const TypingCase& c : kTypingCases) {
        CheckTypingCase(process, c);
        if (!DriverIsRunning(&process))
            break;
    }
    for (const ChoiceCase& c : kChoiceCases)
        CheckChoice(process, c);
    CheckFieldWidth(process);
    DriverCheck(DriverIsRunning(&process), "program still runs after typing and choosing");
    DriverKill(&process);
}
