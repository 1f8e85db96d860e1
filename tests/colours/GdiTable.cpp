// See GdiTable.h.
#include "GdiTable.h"

#include <winternl.h>

#include <cstdio>

static_assert(sizeof(GdiTableEntry) == 24, "a table entry is 24 bytes");

static const size_t kTableEntries = 0x10000;
static const size_t kPebGdiTableOffset = 0xF8;  // 64-bit PEB

bool GdiReadTable(HANDLE process, std::vector<GdiTableEntry>* table)
{
    PROCESS_BASIC_INFORMATION basic;
    ULONG got = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &got) != 0)
        return false;
    UINT64 tableAddress = 0;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, (const char*)basic.PebBaseAddress + kPebGdiTableOffset, &tableAddress,
                           sizeof tableAddress, &read) || read != sizeof tableAddress || tableAddress == 0)
        return false;
    table->assign(kTableEntries, GdiTableEntry());
    const SIZE_T bytes = kTableEntries * sizeof(GdiTableEntry);
    return ReadProcessMemory(process, (const void*)(ULONG_PTR)tableAddress, table->data(), bytes, &read) &&
           read == bytes;
}

GdiCensus GdiCount(const std::vector<GdiTableEntry>& table)
{
    GdiCensus census = {};
    for (const GdiTableEntry& entry : table) {
        if (entry.type == 0)
            continue;
        ++census.total;
        switch (entry.unique & 0x7f) {
        case GDI_KIND_BRUSH: ++census.brushes; break;
        case GDI_KIND_BITMAP: ++census.bitmaps; break;
        case GDI_KIND_DC: case GDI_KIND_MEMORY_DC: ++census.dcs; break;
        case GDI_KIND_FONT: ++census.fonts; break;
        case GDI_KIND_REGION: ++census.regions; break;
        default: ++census.others; break;
        }
    }
    return census;
}

bool GdiHandleLive(const std::vector<GdiTableEntry>& table, UINT64 handle, int kind)
{
    size_t index = handle & 0xFFFF;
    if (index >= table.size() || table[index].type == 0)
        return false;
    return table[index].unique == ((handle >> 16) & 0xFFFF) && (table[index].unique & 0x7f) == kind;
}

std::string GdiDescribe(const GdiCensus& census)
{
    char text[200];
    snprintf(text, sizeof text, "%d objects (brushes %d, bitmaps %d, DCs %d, fonts %d, regions %d, other %d)",
             census.total, census.brushes, census.bitmaps, census.dcs, census.fonts, census.regions,
             census.others);
    return text;
}

static UINT64 FullHandle(const std::vector<GdiTableEntry>& table, size_t index)
{
    return index | (UINT64(table[index].unique) << 16);
}

std::vector<GdiPatternBrush> GdiPatternBrushes(HANDLE process, const std::vector<GdiTableEntry>& table)
{
    std::vector<GdiPatternBrush> found;
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i].type == 0 || (table[i].unique & 0x7f) != GDI_KIND_BRUSH)
            continue;
        LOGBRUSH brush;
        SIZE_T read = 0;
        if (!ReadProcessMemory(process, (const char*)(ULONG_PTR)table[i].object + 16, &brush, sizeof brush, &read) ||
            brush.lbStyle != BS_PATTERN)
            continue;
        GdiPatternBrush pattern = {FullHandle(table, i), UINT64(brush.lbHatch), 0, 0};
        if (GdiHandleLive(table, pattern.bitmap, GDI_KIND_BITMAP)) {
            BITMAP bitmap;
            if (ReadProcessMemory(process, (const char*)(ULONG_PTR)table[pattern.bitmap & 0xFFFF].object + 16,
                                  &bitmap, sizeof bitmap, &read)) {
                pattern.width = bitmap.bmWidth;
                pattern.height = bitmap.bmHeight;
            }
        }
        found.push_back(pattern);
    }
    return found;
}
