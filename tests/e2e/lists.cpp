// The two lists as filled at start: the table's texts byte for byte, in the
// platform's Czech order with case ignored, pinned sequences where the table
// holds them, and the Czech rules over the whole place list.
#include <algorithm>

#include "PostalDirectory.h"
#include "e2e.h"

// Items that must stand in this order (not necessarily next to each other:
// the table may hold names between them); a case is left out, and says so,
// when the table lacks one of its items.
struct OrderCase {
    int list;
    const char* items[5];
};

static const OrderCase kOrderCases[] = {
    // accents decide only at ties: Báb before Babice
    {DRIVER_PLACE, {"Aš 35201 ", "Báb 95134 ", "Babice (Praha-východ)  25101 "}},
    // "(" before digits: a name with a qualifier before the plain name
    {DRIVER_PLACE, {"Sušany (Rim. Sobota)  98013 ", "Sušany 98013 "}},
    {DRIVER_PLACE, {"Trnava (Třebíč)  67401 ", "Trnava (Zlín)  76318 ", "Trnava 1 91701 ", "Trnava 5 91705 ", "Trnava 91700 "}},
    {DRIVER_CODE, {"98013 Sušany", "98013 Sušany (Rim. Sobota) "}},
    // numbers inside names compare digit by digit
    {DRIVER_PLACE, {"Brno 19 (Heršpice)  61900 ", "Brno 2 (Město)  60200 ", "Brno 20 (Ivanovice)  62000 ", "Brno 28 (Líšeň)  62800 ", "Brno 3 (St. Brno)  60300 "}},
    // case is ignored
    {DRIVER_PLACE, {"Trhové mýto 93013 ", "Trhové Sviny 37401 "}},
    // ch is one letter after h
    {DRIVER_PLACE, {"Hýskov 26706 ", "Chabařovice 40317 "}},
    {DRIVER_PLACE, {"Chlum (Hradec Králové)  50312 ", "Chlum (Chrudim)  53962 "}},
    // a hyphen is passed over
    {DRIVER_PLACE, {"Jaroměřice 56944 ", "Jaroměřice nad Rokytnou 67551 ", "Jaroměř-město 55100 "}},
    // one code's entries by place
    {DRIVER_CODE, {"66902 Bohutice", "66902 Havraníky", "66902 Konice (Znojmo) ", "66902 Lukov (Znojmo) ", "66902 Mašovice"}},
    {DRIVER_CODE, {"01000 Žilina-mesto", "01001 Žilina", "03822 Abramová", "35201 Aš", "98044 Abovce"}},
    {DRIVER_PLACE, {"Abovce 98044 ", "Abramová 03822 ", "Albrechtice (Karviná)  73543 ", "Chabařovice 40317 ", "Žilina 01001 "}},
};

static const LCID kCzech = MAKELCID(MAKELANGID(LANG_CZECH, SUBLANG_DEFAULT), SORT_DEFAULT);

static const char* ListName(int list)
{
    return list == DRIVER_CODE ? "code list" : "place list";
}

static bool CzechLess(const std::string& a, const std::string& b)
{
    return CompareStringA(kCzech, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
}

// Sorted by the Czech comparison with case ignored, pair by pair; first and
// last are the least and greatest texts of the table by that order.
static void CheckCzechOrder(const std::vector<std::string>& items, int list)
{
    const std::string name = ListName(list);
    int misplaced = 0;
    for (size_t i = 1; i < items.size(); ++i)
        if (CzechLess(items[i], items[i - 1]) && misplaced++ < 5)
            DriverLog("  out of order at %zu: \"%s\" before \"%s\"", i, DriverShow(items[i - 1]).c_str(),
                      DriverShow(items[i]).c_str());
    DriverCheckEqualInt(misplaced, 0, name + " is in Czech order (pairs out of order)");
    const char* const* table = DriverTableItems(list);
    DriverCheckEqual(items.front(), *std::min_element(table, table + kPostalEntryCount, CzechLess), name + " first item");
    DriverCheckEqual(items.back(), *std::max_element(table, table + kPostalEntryCount, CzechLess), name + " last item");
    if (list == DRIVER_CODE) {
        // Codes are five digits, so the code list runs in ascending code order.
        size_t i = 1;
        while (i < items.size() && items[i - 1].compare(0, 5, items[i], 0, 5) <= 0)
            ++i;
        DriverCheck(i >= items.size(), "code list runs in ascending code order",
                    i < items.size() ? "\"" + DriverShow(items[i - 1]) + "\" before \"" + DriverShow(items[i]) + "\"" : "");
    }
}

static void CheckOrderCase(const std::vector<std::string>& items, const OrderCase& c)
{
    for (const char* item : c.items)
        if (item && !InTable(c.list, item)) {
            DriverLog("  order case from \"%s\" left out: the table lacks \"%s\"", DriverUtf8(c.items[0]).c_str(),
                      DriverUtf8(item).c_str());
            return;
        }
    for (int k = 1; k < 5 && c.items[k]; ++k) {
        int before = IndexOf(items, c.items[k - 1]);
        int after = IndexOf(items, c.items[k]);
        DriverCheck(before >= 0 && before < after,
                    std::string(ListName(c.list)) + ": \"" + DriverUtf8(c.items[k - 1]) + "\" before \"" +
                        DriverUtf8(c.items[k]) + "\"",
                    "at " + std::to_string(before) + " and " + std::to_string(after));
    }
}

// Doubled entries of the table stand one right after the other.
static void CheckDoubled(const std::vector<std::string>& items, int list)
{
    std::vector<std::string> table(DriverTableItems(list), DriverTableItems(list) + kPostalEntryCount);
    std::sort(table.begin(), table.end());
    for (size_t i = 1; i < table.size(); ++i) {
        if (table[i] != table[i - 1] || (i >= 2 && table[i - 2] == table[i]))
            continue;
        int first = IndexOf(items, table[i]);
        DriverCheck(first >= 0 && size_t(first) + 1 < items.size() && items[size_t(first) + 1] == table[i],
                    std::string(ListName(list)) + ": doubled \"" + DriverShow(table[i]) + "\" stands twice together",
                    "first at " + std::to_string(first));
    }
}

// The lowest and highest index of the items beginning with the letters.
static void IndexRange(const std::vector<std::string>& items, const char* letters, int* low, int* high)
{
    *low = -1;
    *high = -1;
    for (size_t i = 0; i < items.size(); ++i) {
        if (!BeginsWith(items[i], letters))
            continue;
        if (*low < 0)
            *low = int(i);
        *high = int(i);
    }
}

// The Czech rules checked over the whole place list, independently of the
// platform's comparison: every H name before every Ch name, and every Ch
// name before every I name; for each name, its qualified forms "Name (...)"
// before its forms followed by a number.
static void CheckPlaceRules(const std::vector<std::string>& items)
{
    int hLow, hHigh, chLow, chHigh, iLow, iHigh;
    IndexRange(items, "h", &hLow, &hHigh);
    IndexRange(items, "ch", &chLow, &chHigh);
    IndexRange(items, "i", &iLow, &iHigh);
    if (hLow >= 0 && chLow >= 0)
        DriverCheck(hHigh < chLow && (iLow < 0 || chHigh < iLow), "place list: H names, then Ch names, then I names",
                    "last H " + std::to_string(hHigh) + ", Ch " + std::to_string(chLow) + "-" + std::to_string(chHigh) +
                        ", first I " + std::to_string(iLow));

    // name -> (last index of "name (", first index of "name <digit>")
    std::vector<std::pair<std::string, int>> qualified, numbered;
    for (size_t i = 0; i < items.size(); ++i) {
        const std::string& item = items[i];
        size_t paren = item.find(" (");
        if (paren != std::string::npos) {
            qualified.push_back({item.substr(0, paren), int(i)});
            continue;
        }
        for (size_t blank = item.find(' '); blank != std::string::npos; blank = item.find(' ', blank + 1))
            if (blank + 1 < item.size() && item[blank + 1] >= '0' && item[blank + 1] <= '9') {
                numbered.push_back({item.substr(0, blank), int(i)});
                break;
            }
    }
    std::sort(numbered.begin(), numbered.end());
    int wrong = 0, compared = 0;
    for (const auto& q : qualified) {
        auto n = std::lower_bound(numbered.begin(), numbered.end(), std::make_pair(q.first, -1));
        if (n == numbered.end() || n->first != q.first)
            continue;
        ++compared;
        if (q.second > n->second && wrong++ < 5)
            DriverLog("  \"%s\" stands after \"%s\"", DriverShow(items[size_t(q.second)]).c_str(),
                      DriverShow(items[size_t(n->second)]).c_str());
    }
    DriverLog("  %d qualified names compared with the same name and a number", compared);
    DriverCheckEqualInt(wrong, 0, "place list: \"Name (...)\" before \"Name <number>\" (pairs out of order)");
}

static void CheckOneList(HWND combo, int list)
{
    std::vector<std::string> items = DriverComboItems(combo);
    std::string why;
    // The same texts as the table, byte for byte (doubled entries twice).
    DriverCheck(DriverItemsMatchTable(items, list, &why), std::string(ListName(list)) + " holds the table's texts",
                why);
    if (items.empty())
        return;
    CheckCzechOrder(items, list);
    for (const OrderCase& c : kOrderCases)
        if (c.list == list)
            CheckOrderCase(items, c);
    if (list == DRIVER_PLACE)
        CheckPlaceRules(items);
    CheckDoubled(items, list);
}

void CheckLists()
{
    DriverLog("== lists");
    DriverProcess process;
    if (!StartProgram(NULL, &process))
        return;
    for (int list : {DRIVER_CODE, DRIVER_PLACE})
        CheckOneList(process.combos[list], list);
    DriverKill(&process);
}
