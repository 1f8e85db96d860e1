// The postal table as the program gets it: every row keeps the record
// rules, the rows stand in collation order, and both item texts of every
// entry follow their forms.  This file is UTF-8 and compiled to
// Windows-1250, so its literals are the same bytes as the table's.
#include "PostalDirectory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// The generated list counted by the preprocessor, independently of the
// table's own count.
constexpr std::size_t kGeneratedRows = 0
#define POSTAL_ENTRY(code, place) +1
#include "PostalEntries.inc"
#undef POSTAL_ENTRY
    ;

// Letters in collation order; "ch" is one letter between "h" and "i".
const std::string kSmallLetters = "aáäbcčdďeéěfgh" "iíjklĺľmnňoóôöpqrŕřsštťuúůvwxyýzž";
const std::string kCapitalLetters = "AÁÄBCČDĎEÉĚFGH" "IÍJKLĹĽMNŇOÓÔÖPQRŔŘSŠTŤUÚŮVWXYÝZŽ";
const std::size_t kChRank = std::strlen("aáäbcčdďeéěfgh");
const std::string kMarks = " (),-./0123456789";

std::string Visible(const std::string& place) {
    return !place.empty() && place.back() == ' ' ? place.substr(0, place.size() - 1) : place;
}

bool IsCapital(char c) { return kCapitalLetters.find(c) != std::string::npos; }

// One collation element: class (0 marks and digits, 1 capitals, 2 small
// letters) and rank within the class.
struct Element {
    int cls;
    int rank;
};

std::vector<Element> CollationElements(const std::string& text) {
    std::vector<Element> elements;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if ((c == 'c' || c == 'C') && i + 1 < text.size() && (text[i + 1] == 'h' || text[i + 1] == 'H')) {
            elements.push_back({c == 'C' ? 1 : 2, static_cast<int>(kChRank)});
            ++i;
            continue;
        }
        std::size_t at;
        if (kMarks.find(c) != std::string::npos) {
            elements.push_back({0, static_cast<unsigned char>(c)});
        } else if ((at = kCapitalLetters.find(c)) != std::string::npos) {
            elements.push_back({1, static_cast<int>(at < kChRank ? at : at + 1)});
        } else if ((at = kSmallLetters.find(c)) != std::string::npos) {
            elements.push_back({2, static_cast<int>(at < kChRank ? at : at + 1)});
        } else {
            ADD_FAILURE() << "no rank for byte " << int(static_cast<unsigned char>(c));
            elements.push_back({3, static_cast<unsigned char>(c)});
        }
    }
    return elements;
}

// Negative, zero or positive as a ranks before, with or after b.
int CompareCollation(const std::string& a, const std::string& b) {
    std::vector<Element> x = CollationElements(a), y = CollationElements(b);
    for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) {
        if (x[i].cls != y[i].cls) return x[i].cls - y[i].cls;
        if (x[i].rank != y[i].rank) return x[i].rank - y[i].rank;
    }
    return static_cast<int>(x.size()) - static_cast<int>(y.size());
}

// Texts that differ only in the case of letters or in hyphens fold alike.
std::string Fold(const std::string& text) {
    std::string folded;
    for (char c : text) {
        std::size_t at = kCapitalLetters.find(c);
        if (at != std::string::npos) c = kSmallLetters[at];
        folded += c == '-' ? ' ' : c;
    }
    return folded;
}

std::vector<std::string> RecordFaults(const PostalEntry& entry) {
    std::vector<std::string> faults;
    const std::string code = entry.code, place = entry.place, text = Visible(place);
    if (code.size() != 5 || code.find_first_not_of("0123456789") != std::string::npos)
        faults.push_back("code is not five digits");
    if (text.size() < 2 || text.size() > 27) faults.push_back("visible length not 2 to 27");
    if (text.empty() || !IsCapital(text[0])) faults.push_back("does not begin with a capital");
    for (char c : text)
        if (kMarks.find(c) == std::string::npos && kSmallLetters.find(c) == std::string::npos &&
            !IsCapital(c))
            faults.push_back(std::string("character not allowed: byte ") +
                             std::to_string(static_cast<unsigned char>(c)));
    if (text.find("  ") != std::string::npos || text.back() == ' ')
        faults.push_back("blanks not single");
    bool wants_blank = !text.empty() && (text.back() == ')' || text.back() == '.');
    if (wants_blank != (place.size() == text.size() + 1))
        faults.push_back("trailing blank does not follow the last visible character");
    int depth = 0;
    for (char c : text) {
        depth += c == '(' ? 1 : c == ')' ? -1 : 0;
        if (depth < 0 || depth > 1) break;
    }
    if (depth != 0) faults.push_back("parentheses unbalanced");
    return faults;
}

struct Row {
    const char* code;
    const char* place;
};

bool HasEntry(const char* code, const char* place) {
    for (std::size_t i = 0; i < kPostalEntryCount; ++i)
        if (std::strcmp(kPostalDirectory[i].code, code) == 0 &&
            std::strcmp(kPostalDirectory[i].place, place) == 0)
            return true;
    return false;
}

TEST(DirectoryTable, HoldsEveryGeneratedRow) {
    EXPECT_EQ(kPostalEntryCount, kGeneratedRows);
    EXPECT_GT(kPostalEntryCount, 10000u);
}

TEST(DirectoryTable, EveryRowKeepsTheRecordRules) {
    std::size_t broken = 0;
    for (std::size_t i = 0; i < kPostalEntryCount; ++i) {
        for (const std::string& fault : RecordFaults(kPostalDirectory[i])) {
            if (++broken <= 20)
                ADD_FAILURE() << kPostalDirectory[i].code << " \"" << kPostalDirectory[i].place
                              << "\": " << fault;
        }
    }
    EXPECT_EQ(broken, 0u);
}

TEST(DirectoryTable, RecordCheckCatchesBrokenRows) {
    const Row broken[] = {
        {"1234", "Abovce"},                      // four digits
        {"0382A", "Abramová"},                   // not a digit
        {"35201", "A"},                          // too short
        {"35201", "Rychnov u Jablonce nad Nisou"},  // 28 visible
        {"98044", "abovce"},                     // small first letter
        {"98044", " Abovce"},                    // leading blank
        {"98044", "Abovce  (Kežmarok) "},         // double blank
        {"98044", "Abovce (Kežmarok)"},           // ")" without its blank
        {"98044", "Abovce "},                    // blank after a letter
        {"98044", "Abovce (Kežmarok "},           // unbalanced
        {"98044", "Abovce\t"},                   // tab
        {"98044", "Abovce \"X\""},               // quotation mark
    };
    for (const Row& row : broken)
        EXPECT_FALSE(RecordFaults({row.code, row.place}).empty()) << row.code << " \"" << row.place << "\"";
    EXPECT_TRUE(RecordFaults({"73543", "Albrechtice (Karviná) "}).empty());
    EXPECT_TRUE(RecordFaults({"46843", "Albrechtice v Jizer. horách"}).empty());
}

TEST(DirectoryTable, PairsAreUniqueAndPlacesNeverDifferOnlyInCaseOrHyphens) {
    std::set<std::pair<std::string, std::string>> pairs;
    std::map<std::string, std::string> text_of_fold;
    for (std::size_t i = 0; i < kPostalEntryCount; ++i) {
        const PostalEntry& e = kPostalDirectory[i];
        EXPECT_TRUE(pairs.insert({e.code, e.place}).second) << "twice: " << e.code << " " << e.place;
        auto found = text_of_fold.emplace(Fold(Visible(e.place)), e.place);
        EXPECT_EQ(found.first->second, e.place) << "differ only in case or hyphens";
    }
}

TEST(DirectoryOrder, ComparatorFollowsTheCollationRule) {
    // earlier, later
    const Row ordered[] = {
        {"Babindol", "Babín (Dolný Kubín)"},      // "í" after every "i"
        {"Bacúrov", "Bačetín"},                   // "č" after "c"
        {"Dolní Hořice", "Dolní Chabry-Praha"},   // "ch" after "h"
        {"Hýskov", "Chabařovice"},                // "Ch" after every "H"
        {"Chýnov", "Ibiza"},                      // and before "I"
        {"Dzbel", "Ďapalovce"},                   // "dz" is two letters; "Ď" after "D"
        {"Velké Žernoseky", "Velké kunětice"},    // capitals before small letters
        {"Hodonín (Chrudim)", "Hodonín 1"},       // "(" before digits
        {"Banská Štiavnica 3", "Banská Štiavnica-mesto"},  // blank before "-"
        {"Štós", "Štós-kúpele"},                  // a beginning comes first
        {"Štós-kúpele", "Štôla"},                 // "ó" before "ô"
        {"Velká Tŕňa", "Velká Třebová"},          // "ŕ" after "r", before "ř"
        {"Brno 2", "Brno 20"},                    // digits compare as text
        {"Zvolen 9", "Zvolen A"},                 // digits before capitals
    };
    for (const Row& pair : ordered) {
        EXPECT_LT(CompareCollation(pair.code, pair.place), 0) << pair.code << " < " << pair.place;
        EXPECT_GT(CompareCollation(pair.place, pair.code), 0) << pair.place << " > " << pair.code;
    }
    EXPECT_EQ(CompareCollation("Aš", "Aš"), 0);
}

TEST(DirectoryOrder, RowsStandInCollationOrder) {
    std::size_t wrong = 0;
    for (std::size_t i = 1; i < kPostalEntryCount; ++i) {
        const PostalEntry &a = kPostalDirectory[i - 1], &b = kPostalDirectory[i];
        int order = CompareCollation(a.place, b.place);
        // One place with several codes: its rows stand together by code.
        bool fine = order < 0 || (order == 0 && std::strcmp(a.code, b.code) < 0);
        if (!fine && ++wrong <= 20)
            ADD_FAILURE() << "row " << i << ": \"" << a.place << "\" " << a.code << " before \""
                          << b.place << "\" " << b.code;
    }
    EXPECT_EQ(wrong, 0u);
}

TEST(DirectoryItems, BothFormsOfEveryEntry) {
    for (std::size_t i = 0; i < kPostalEntryCount; ++i) {
        const std::string code = kPostalDirectory[i].code, place = kPostalDirectory[i].place;
        const std::string code_item = kCodeListItems[i], place_item = kPlaceListItems[i];
        ASSERT_EQ(code_item, code + " " + place) << "entry " << i;
        ASSERT_EQ(place_item, place + " " + code + " ") << "entry " << i;
        ASSERT_GE(code_item.size(), 8u);
        ASSERT_LE(code_item.size(), 34u);
        ASSERT_GE(place_item.size(), 9u);
        ASSERT_LE(place_item.size(), 35u);
        ASSERT_EQ(code_item.find_first_of("\t\r\n"), std::string::npos);
    }
}

TEST(DirectoryRows, TellingRowsOfTheTable) {
    ASSERT_GT(kPostalEntryCount, 1u);
    EXPECT_STREQ(kPostalDirectory[0].code, "36235");
    EXPECT_STREQ(kPostalDirectory[0].place, "Abertamy");
    EXPECT_STREQ(kPostalDirectory[kPostalEntryCount - 1].code, "96671");
    EXPECT_STREQ(kPostalDirectory[kPostalEntryCount - 1].place, "Župkov");

    const Row present[] = {
        {"03822", "Abramová"},                      // leading zero kept
        {"35201", "Aš"},                            // shortest text
        {"73543", "Albrechtice (Karviná) "},        // qualified by its district
        {"46843", "Albrechtice v Jizerských h. "},  // shortened at its end only
        {"69671", "Blatnice pod Svatým Ant. "},     // "Blatnice pod" still types
        {"62800", "Líšeň"},                         // one place ...
        {"63600", "Líšeň"},                         // ... with two codes
        {"62800", "Brno-Líšeň"},                    // town district
        {"62300", "Brno-střed (Pisárky) "},         // town district, by code
        {"14900", "Praha (Háje,Šeberov) "},         // a town's row per code
        {"14300", "Praha 12 (Cholupice) "},         // numbered district of Praha
        {"85101", "Bratislava 5 (Petržalka) "},     // numbered post office, by quarter
        {"85101", "Petržalka (Bratislava) "},       // borough with its city
        {"84110", "Devín (Bratislava) "},           // borough named by GeoNames
        {"84108", "Devínska Nová Ves (Brat.) "},    // borough named by a street remark
        {"78901", "Zábřeh"},                        // a municipality keeps its plain name
        {"74722", "Zábřeh (Dolní Benešov) "},       // a part of that name is qualified
        {"02001", "Vieska-Bezdedov"},               // one place, as the parts list names it
        {"96501", "Žiar nad Hronom 1"},             // a post office with its own code
        {"92901", "Töböréte"},                      // a letter beyond Czech and Slovak
        {"26231", "Příbram-Jesenice"},              // quarter of a district's town
    };
    for (const Row& row : present) EXPECT_TRUE(HasEntry(row.code, row.place)) << row.code << " " << row.place;
    // Rows that named a place with another place's code, or a place that
    // does not exist.
    const Row absent[] = {
        {"96621", "Žiar nad Hronom 1"},             // the code of a village it delivers to
        {"05936", "Svit 1"},
        {"37501", "Albrechtice nad Vltavou"},       // the code of an outlying part
        {"61300", "Brno"},                          // a bare city row per code
        {"01001", "Budatín"},                       // a Žilina code GeoNames does not give it
        {"02001", "Bezdedov (Púchov) "},
        {"05985", "Štrbské Pleso (Štrba) "},        // one place under two municipalities
    };
    for (const Row& row : absent) EXPECT_FALSE(HasEntry(row.code, row.place)) << row.code << " " << row.place;

    std::size_t shortest = 99;
    for (std::size_t i = 0; i < kPostalEntryCount; ++i)
        shortest = std::min(shortest, Visible(kPostalDirectory[i].place).size());
    EXPECT_EQ(shortest, 2u);
}

TEST(DirectoryRows, TrailingBlankIsCarriedIntoBothItems) {
    for (std::size_t i = 0; i < kPostalEntryCount; ++i) {
        if (std::strcmp(kPostalDirectory[i].code, "73543") != 0 ||
            std::strcmp(kPostalDirectory[i].place, "Albrechtice (Karviná) ") != 0)
            continue;
        EXPECT_STREQ(kCodeListItems[i], "73543 Albrechtice (Karviná) ");
        EXPECT_STREQ(kPlaceListItems[i], "Albrechtice (Karviná)  73543 ");
        return;
    }
    FAIL() << "73543 Albrechtice (Karviná) not in the table";
}

TEST(DirectoryRows, BrokenSourceRowsStayOut) {
    for (std::size_t i = 0; i < kPostalEntryCount; ++i) {
        const std::string place = kPostalDirectory[i].place;
        EXPECT_EQ(place.find_first_of("#!"), std::string::npos) << place;
    }
}

}  // namespace
