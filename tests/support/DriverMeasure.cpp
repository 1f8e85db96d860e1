// Driver helpers: what a process holds, seen from outside (GDI objects,
// kernel handles, windows, memory). See DriverSupport.h.
#include "DriverSupport.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <cstring>

static_assert(sizeof(DriverGdiEntry) == 24, "a table entry is 24 bytes");

static const size_t kTableEntries = 0x10000;

// Wine writes the table's address into the 64-bit PEB of every process, a
// 32-bit (WoW64) one included. For a 64-bit process that is the PEB the
// server hands out; for a 32-bit one Wine 8 hands out a page that stands one
// page below that 64-bit PEB (which itself stands one page below the 32-bit
// PEB). The objects behind the table are the process's own structures, laid
// out for its pointer size: Wine's object header (a pointer and two words)
// is 16 bytes in a 64-bit process and 8 in a 32-bit one.
static DriverGdiLayout LayoutOf(HANDLE process)
{
    BOOL wow64 = FALSE;
    IsWow64Process(process, &wow64);
    DriverGdiLayout layout;
    layout.wow64 = wow64 != FALSE;
    layout.pebTableOffset = wow64 ? 0x1000 + 0xF8 : 0xF8;
    layout.objectPointer = wow64 ? 4 : 8;
    layout.objectHeader = wow64 ? 8 : 16;
    return layout;
}

bool DriverGdiRead(HANDLE process, DriverGdiTable* table)
{
    table->layout = LayoutOf(process);
    table->entries.clear();
    PROCESS_BASIC_INFORMATION basic;
    ULONG got = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &got) != 0)
        return false;
    UINT64 tableAddress = 0;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, (const char*)basic.PebBaseAddress + table->layout.pebTableOffset,
                           &tableAddress, sizeof tableAddress, &read) ||
        read != sizeof tableAddress || tableAddress == 0)
        return false;
    table->entries.assign(kTableEntries, DriverGdiEntry());
    const SIZE_T bytes = kTableEntries * sizeof(DriverGdiEntry);
    if (!ReadProcessMemory(process, (const void*)(ULONG_PTR)tableAddress, table->entries.data(), bytes, &read) ||
        read != bytes)
        return false;
    // Every process holds the stock objects at least: a table without a
    // used entry is not the process's table (seen with a 32-bit program run
    // through an emulator), and counting it would report no objects at all.
    for (const DriverGdiEntry& entry : table->entries)
        if (entry.type != 0)
            return true;
    return false;
}

DriverGdiCensus DriverGdiCount(const DriverGdiTable& table)
{
    DriverGdiCensus census = {};
    for (const DriverGdiEntry& entry : table.entries) {
        if (entry.type == 0)
            continue;
        ++census.total;
        switch (entry.unique & 0x7f) {
        case DRIVER_GDI_BRUSH: ++census.brushes; break;
        case DRIVER_GDI_BITMAP: ++census.bitmaps; break;
        case DRIVER_GDI_DC: case DRIVER_GDI_MEMORY_DC: ++census.dcs; break;
        case DRIVER_GDI_FONT: ++census.fonts; break;
        case DRIVER_GDI_REGION: ++census.regions; break;
        default: ++census.others; break;
        }
    }
    return census;
}

int DriverGdiObjects(HANDLE process, int kind)
{
    DriverGdiTable table;
    if (!DriverGdiRead(process, &table))
        return -1;
    int count = 0;
    for (const DriverGdiEntry& entry : table.entries)
        if (entry.type != 0 && (kind < 0 || (entry.unique & 0x7f) == kind))
            ++count;
    return count;
}

bool DriverGdiHandleLive(const DriverGdiTable& table, UINT64 handle, int kind)
{
    size_t index = handle & 0xFFFF;
    if (index >= table.entries.size() || table.entries[index].type == 0)
        return false;
    const DriverGdiEntry& entry = table.entries[index];
    return entry.unique == ((handle >> 16) & 0xFFFF) && (entry.unique & 0x7f) == kind;
}

std::string DriverGdiText(const DriverGdiCensus& census)
{
    char text[200];
    snprintf(text, sizeof text, "%d objects (brushes %d, bitmaps %d, DCs %d, fonts %d, regions %d, other %d)",
             census.total, census.brushes, census.bitmaps, census.dcs, census.fonts, census.regions,
             census.others);
    return text;
}

// Reads `bytes` of an object's data (after Wine's object header).
static bool ReadObject(HANDLE process, const DriverGdiTable& table, size_t index, void* data, size_t bytes)
{
    SIZE_T read = 0;
    const char* at = (const char*)(ULONG_PTR)table.entries[index].object + table.layout.objectHeader;
    return ReadProcessMemory(process, at, data, bytes, &read) && read == bytes;
}

std::vector<DriverPatternBrush> DriverGdiPatternBrushes(HANDLE process, const DriverGdiTable& table)
{
    std::vector<DriverPatternBrush> found;
    for (size_t i = 0; i < table.entries.size(); ++i) {
        const DriverGdiEntry& entry = table.entries[i];
        if (entry.type == 0 || (entry.unique & 0x7f) != DRIVER_GDI_BRUSH)
            continue;
        // LOGBRUSH: style, colour, then the hatch field of pointer size,
        // which holds a pattern brush's bitmap handle.
        unsigned char brush[16] = {};
        size_t pointer = table.layout.objectPointer;
        if (!ReadObject(process, table, i, brush, 8 + pointer))
            continue;
        UINT style = 0;
        UINT64 hatch = 0;
        memcpy(&style, brush, 4);
        memcpy(&hatch, brush + 8, pointer);
        if (style != BS_PATTERN)
            continue;
        DriverPatternBrush pattern = {i | (UINT64(entry.unique) << 16), hatch, 0, 0};
        // BITMAP: type, width, height, ...
        LONG bitmap[3] = {};
        if (DriverGdiHandleLive(table, pattern.bitmap, DRIVER_GDI_BITMAP) &&
            ReadObject(process, table, size_t(pattern.bitmap & 0xFFFF), bitmap, sizeof bitmap)) {
            pattern.width = bitmap[1];
            pattern.height = bitmap[2];
        }
        found.push_back(pattern);
    }
    return found;
}

// Kernel handles of one process, from the system-wide handle list (the
// per-process count that GetProcessHandleCount asks for is 0 under Wine).
static DWORD CountKernelHandles(DWORD pid)
{
    struct Entry {
        PVOID object;
        ULONG_PTR pid;
        ULONG_PTR handle;
        ULONG access;
        USHORT creatorBackTrace;
        USHORT type;
        ULONG attributes;
        ULONG reserved;
    };
    struct List {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    static std::vector<char> buffer(1 << 22);
    ULONG needed = 0;
    const SYSTEM_INFORMATION_CLASS kExtendedHandles = SYSTEM_INFORMATION_CLASS(64);
    if (NtQuerySystemInformation(kExtendedHandles, buffer.data(), ULONG(buffer.size()), &needed) != 0)
        return 0;
    const List* list = (const List*)buffer.data();
    DWORD count = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i)
        if (list->entries[i].pid == pid)
            ++count;
    return count;
}

struct WindowCount {
    DWORD pid;
    DWORD count;
};

static BOOL CALLBACK CountChild(HWND, LPARAM context)
{
    ++*(DWORD*)context;
    return TRUE;
}

static BOOL CALLBACK CountTopLevel(HWND window, LPARAM context)
{
    WindowCount* count = (WindowCount*)context;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == count->pid) {
        ++count->count;
        EnumChildWindows(window, CountChild, LPARAM(&count->count));
    }
    return TRUE;
}

DriverFigures DriverMeasure(const DriverProcess& process)
{
    DriverFigures figures = {};
    PROCESS_MEMORY_COUNTERS_EX counters;
    ZeroMemory(&counters, sizeof counters);
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process.info.hProcess, (PROCESS_MEMORY_COUNTERS*)&counters, sizeof counters)) {
        figures.privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
        figures.workingSet = counters.WorkingSetSize;
    }
    figures.handles = CountKernelHandles(process.info.dwProcessId);
    DriverGdiTable table;
    figures.gdiRead = DriverGdiRead(process.info.hProcess, &table);
    if (figures.gdiRead)
        figures.gdi = DriverGdiCount(table);
    WindowCount windows = {process.info.dwProcessId, 0};
    EnumWindows(CountTopLevel, LPARAM(&windows));
    figures.windows = windows.count;
    return figures;
}

std::string DriverFiguresText(const DriverFigures& figures)
{
    char text[200];
    snprintf(text, sizeof text,
             "private %8zu KiB, working set %8zu KiB, kernel handles %4lu, GDI objects %4d, windows %3lu",
             figures.privateBytes / 1024, figures.workingSet / 1024, (unsigned long)figures.handles,
             figures.gdiRead ? figures.gdi.total : -1, (unsigned long)figures.windows);
    return text;
}
