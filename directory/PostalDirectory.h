// The built-in postal directory and the two item texts of every entry.
#ifndef ORVENDA_POSTAL_DIRECTORY_H
#define ORVENDA_POSTAL_DIRECTORY_H

#include <cstddef>

// One directory record: two constant Windows-1250 texts, neither padded.
struct PostalEntry {
    const char* code;   // exactly five digits, leading zero kept
    const char* place;  // place text, with its trailing blank where it ends in ")" or "."
};

// Every entry, in table order.
extern const PostalEntry kPostalDirectory[];
extern const std::size_t kPostalEntryCount;

// The ready-made list items, in table order: "code place" and "place code ".
extern const char* const kCodeListItems[];
extern const char* const kPlaceListItems[];

#endif
