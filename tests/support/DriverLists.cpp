// Driver helpers: the two combo boxes, read from outside, and the table they
// must hold. See DriverSupport.h.
#include "DriverSupport.h"

#include <algorithm>

#include "PostalDirectory.h"

// ---- Combo boxes ---------------------------------------------------------------

int DriverComboCount(HWND combo)
{
    return int(DriverSend(combo, CB_GETCOUNT, 0, 0, CB_ERR));
}

// Read through the W messages: under Wine the A form of CB_GETLBTEXT sent to
// another process hands back UTF-16 bytes unconverted. One query per item
// into a buffer longer than any item of the table (asking each item's length
// first would double the round trips, at about 1.5 ms each under Wine).
static bool ReadItem(HWND combo, int index, std::string* item)
{
    wchar_t text[1024];
    LRESULT length = DriverSend(combo, CB_GETLBTEXT, WPARAM(index), LPARAM(text), CB_ERR);
    if (length < 0 || length >= 1024)
        return false;
    *item = DriverAnsi(std::wstring(text, size_t(length)));
    return true;
}

std::string DriverComboItem(HWND combo, int index)
{
    std::string item;
    ReadItem(combo, index, &item);
    return item;
}

std::vector<std::string> DriverComboItems(HWND combo)
{
    int count = DriverComboCount(combo);
    std::vector<std::string> items(count > 0 ? size_t(count) : 0);
    for (size_t i = 0; i < items.size(); ++i)
        if (!ReadItem(combo, int(i), &items[i])) {
            items.resize(i);
            break;
        }
    return items;
}

int DriverComboTopIndex(HWND combo)
{
    return int(DriverSend(combo, CB_GETTOPINDEX, 0, 0, CB_ERR));
}

int DriverComboSelection(HWND combo)
{
    return int(DriverSend(combo, CB_GETCURSEL, 0, 0, CB_ERR));
}

HWND DriverComboEdit(HWND combo)
{
    std::vector<HWND> edits = DriverChildren(combo, "Edit");
    return edits.empty() ? NULL : edits[0];
}

HWND DriverComboList(HWND combo)
{
    std::vector<HWND> lists = DriverChildren(combo, "ComboLBox");
    return lists.empty() ? NULL : lists[0];
}

std::string DriverComboEditText(HWND combo)
{
    HWND edit = DriverComboEdit(combo);
    return edit ? DriverWindowText(edit) : DriverWindowText(combo);
}

int DriverComboItemHeight(HWND combo)
{
    return int(DriverSend(combo, CB_GETITEMHEIGHT, 0, 0, CB_ERR));
}

int DriverComboLinesPerPage(HWND combo)
{
    RECT client;
    GetClientRect(DriverComboList(combo), &client);
    int height = DriverComboItemHeight(combo);
    return height > 0 ? std::max(1, int(client.bottom / height)) : 1;
}

int DriverComboLastTop(HWND combo)
{
    return std::max(0, DriverComboCount(combo) - DriverComboLinesPerPage(combo));
}

struct ComboWait {
    HWND combo;
    int index;
    const std::string* text;
};

static bool TopIndexIs(void* context)
{
    ComboWait* wait = (ComboWait*)context;
    return DriverComboTopIndex(wait->combo) == wait->index;
}

static bool EditTextIs(void* context)
{
    ComboWait* wait = (ComboWait*)context;
    return DriverComboEditText(wait->combo) == *wait->text;
}

bool DriverWaitTopIndex(HWND combo, int expected, DWORD timeoutMs)
{
    ComboWait wait = {combo, expected, NULL};
    return DriverWaitUntil(TopIndexIs, &wait, timeoutMs);
}

bool DriverWaitEditText(HWND combo, const std::string& expected, DWORD timeoutMs)
{
    ComboWait wait = {combo, 0, &expected};
    return DriverWaitUntil(EditTextIs, &wait, timeoutMs);
}

DriverListState DriverReadListState(HWND combo)
{
    return {DriverComboEditText(combo), DriverComboTopIndex(combo), DriverComboSelection(combo),
            DriverComboCount(combo)};
}

// ---- The lists against the table ---------------------------------------------

const char* const* DriverTableItems(int list)
{
    return list == DRIVER_CODE ? kCodeListItems : kPlaceListItems;
}

bool DriverItemsMatchTable(const std::vector<std::string>& items, int list, std::string* why)
{
    // The table's items sorted once; the shown ones sorted and compared.
    static std::vector<std::string> sortedTable[2];
    std::vector<std::string>& want = sortedTable[list == DRIVER_CODE ? 0 : 1];
    if (want.empty()) {
        want.assign(DriverTableItems(list), DriverTableItems(list) + kPostalEntryCount);
        std::sort(want.begin(), want.end());
    }
    if (items.size() != want.size()) {
        *why = std::to_string(items.size()) + " items instead of " + std::to_string(want.size());
        return false;
    }
    std::vector<std::string> have = items;
    std::sort(have.begin(), have.end());
    auto differ = std::mismatch(have.begin(), have.end(), want.begin());
    if (differ.first == have.end()) {
        why->clear();
        return true;
    }
    *why = "item \"" + DriverShow(*differ.first) + "\" where \"" + DriverShow(*differ.second) + "\" was expected";
    return false;
}

bool DriverListMatchesTable(HWND combo, int list, std::string* why)
{
    return DriverItemsMatchTable(DriverComboItems(combo), list, why);
}

bool DriverCountsMatchTable(const DriverProcess& process)
{
    return DriverComboCount(process.combos[DRIVER_CODE]) == int(kPostalEntryCount) &&
           DriverComboCount(process.combos[DRIVER_PLACE]) == int(kPostalEntryCount);
}
