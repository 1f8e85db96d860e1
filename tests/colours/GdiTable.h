// Reads the GDI handle table of another process, to count the GDI objects
// that it holds. GetGuiResources answers 0 under Wine, so the drivers look at
// the table itself: under Wine every process keeps its own table of 65,536
// entries of 24 bytes, and its PEB's GdiSharedHandleTable field points at it.
// An entry whose type byte is 0 is free; a handle is the entry's index with
// the entry's 16-bit "unique" value above it.
#ifndef ORVENDA_GDI_TABLE_H
#define ORVENDA_GDI_TABLE_H

#include <windows.h>

#include <string>
#include <vector>

struct GdiTableEntry {
    UINT64 object;
    ULONG owner;
    USHORT unique;  // bits 0-6 object kind, bit 7 stock flag, bits 8-15 generation
    UCHAR type;     // 0: free entry
    UCHAR flags;
    UINT64 userPointer;
};

// Object kinds as they stand in the low 7 bits of `unique`.
enum {
    GDI_KIND_DC = 0x01,
    GDI_KIND_REGION = 0x04,
    GDI_KIND_BITMAP = 0x09,
    GDI_KIND_FONT = 0x0a,
    GDI_KIND_BRUSH = 0x10,
    GDI_KIND_PEN = 0x30,
    GDI_KIND_MEMORY_DC = 0x41,
};

struct GdiCensus {
    int total;
    int brushes;
    int bitmaps;
    int dcs;  // window and memory DCs
    int fonts;
    int regions;
    int others;
};

// Copies the process's whole table. False when it cannot be found or read.
bool GdiReadTable(HANDLE process, std::vector<GdiTableEntry>* table);
GdiCensus GdiCount(const std::vector<GdiTableEntry>& table);
// True when the table holds a live object of the kind under this full handle.
bool GdiHandleLive(const std::vector<GdiTableEntry>& table, UINT64 handle, int kind);
std::string GdiDescribe(const GdiCensus& census);

// The live pattern brushes of a process with the size of the bitmap each was
// made from. The layout of the objects behind the table (the brush's
// LOGBRUSH, the bitmap's BITMAP, each after a 16-byte header) is Wine's own:
// callers check it first on brushes of their own making.
struct GdiPatternBrush {
    UINT64 brush;
    UINT64 bitmap;
    int width;
    int height;
};
std::vector<GdiPatternBrush> GdiPatternBrushes(HANDLE process, const std::vector<GdiTableEntry>& table);

#endif
