// The table and both item forms come from one generated list of entries, so
// the item texts are joined by the compiler and lie ready in read-only data.
#include "PostalDirectory.h"

const PostalEntry kPostalDirectory[] = {
#define POSTAL_ENTRY(code, place) {code, place},
#include "PostalEntries.inc"
#undef POSTAL_ENTRY
};

// FormatCodeItem: code, one blank, place.
const char* const kCodeListItems[] = {
#define POSTAL_ENTRY(code, place) code " " place,
#include "PostalEntries.inc"
#undef POSTAL_ENTRY
};

// FormatPlaceItem: place, one blank, code, one blank.
const char* const kPlaceListItems[] = {
#define POSTAL_ENTRY(code, place) place " " code " ",
#include "PostalEntries.inc"
#undef POSTAL_ENTRY
};

// A benchmark build may fill the lists with only the first part of the table.
#ifdef ORVENDA_TABLE_PERCENT
const std::size_t kPostalEntryCount =
    sizeof kPostalDirectory / sizeof kPostalDirectory[0] * ORVENDA_TABLE_PERCENT / 100;
#else
const std::size_t kPostalEntryCount = sizeof kPostalDirectory / sizeof kPostalDirectory[0];
#endif
