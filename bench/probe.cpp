// Splits the start-up cost into its parts, inside one process with the
// program's dialog template and the whole table; prints CSV lines
// "probe,part,ms" and ends without showing the dialog:
//   process_to_main    process creation (as the server records it) to main
//   dialog_creation    DialogBoxParamA until WM_INITDIALOG arrives
//   item_lookup        the 2 x N dialog item look-ups alone (GetDlgItem)
//   fill_by_handle     both lists filled with SendMessageA on known handles
//   fill_code_list     the program's way (SendDlgItemMessageA), code list
//   fill_place_list    the same, place list
//   fill_quarter_1..4  the program's way, code list, each quarter of the
//                      entries timed on its own (shows how the cost of one
//                      insertion grows with the list)
#include <windows.h>

#include <cstdio>

#include "PostalDirectory.h"
#include "resource.h"

static LARGE_INTEGER g_frequency;
static double g_dialogCalled;

static double NowMs()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart * 1000.0 / g_frequency.QuadPart;
}

static void Report(const char* part, double ms)
{
    std::printf("probe,%s,%.3f\n", part, ms);
}

static void ClearLists(HWND hDlg)
{
    SendDlgItemMessageA(hDlg, IDC_CODE_LIST, CB_RESETCONTENT, 0, 0);
    SendDlgItemMessageA(hDlg, IDC_PLACE_LIST, CB_RESETCONTENT, 0, 0);
}

static INT_PTR CALLBACK ProbeDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    (void)lParam;
    if (message != WM_INITDIALOG)
        return FALSE;
    Report("dialog_creation", NowMs() - g_dialogCalled);
    const std::size_t count = kPostalEntryCount;

    double start = NowMs();
    volatile HWND sink = NULL;
    for (std::size_t i = 0; i < count; ++i) {
        sink = GetDlgItem(hDlg, IDC_CODE_LIST);
        sink = GetDlgItem(hDlg, IDC_PLACE_LIST);
    }
    (void)sink;
    Report("item_lookup", NowMs() - start);

    HWND codeList = GetDlgItem(hDlg, IDC_CODE_LIST);
    HWND placeList = GetDlgItem(hDlg, IDC_PLACE_LIST);
    start = NowMs();
    for (std::size_t i = 0; i < count; ++i)
        SendMessageA(codeList, CB_ADDSTRING, 0, (LPARAM)kCodeListItems[i]);
    for (std::size_t i = 0; i < count; ++i)
        SendMessageA(placeList, CB_ADDSTRING, 0, (LPARAM)kPlaceListItems[i]);
    Report("fill_by_handle", NowMs() - start);
    ClearLists(hDlg);

    start = NowMs();
    for (std::size_t i = 0; i < count; ++i)
        SendDlgItemMessageA(hDlg, IDC_CODE_LIST, CB_ADDSTRING, 0, (LPARAM)kCodeListItems[i]);
    double codeDone = NowMs();
    for (std::size_t i = 0; i < count; ++i)
        SendDlgItemMessageA(hDlg, IDC_PLACE_LIST, CB_ADDSTRING, 0, (LPARAM)kPlaceListItems[i]);
    Report("fill_code_list", codeDone - start);
    Report("fill_place_list", NowMs() - codeDone);
    ClearLists(hDlg);

    for (int quarter = 0; quarter < 4; ++quarter) {
        start = NowMs();
        for (std::size_t i = count * quarter / 4; i < count * (quarter + 1) / 4; ++i)
            SendDlgItemMessageA(hDlg, IDC_CODE_LIST, CB_ADDSTRING, 0, (LPARAM)kCodeListItems[i]);
        char part[32];
        std::snprintf(part, sizeof part, "fill_quarter_%d", quarter + 1);
        Report(part, NowMs() - start);
    }
    EndDialog(hDlg, 0);
    return FALSE;
}

int main()
{
    QueryPerformanceFrequency(&g_frequency);
    FILETIME created, exited, kernel, user, now;
    GetSystemTimeAsFileTime(&now);
    if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        ULARGE_INTEGER a, b;
        a.LowPart = created.dwLowDateTime;
        a.HighPart = created.dwHighDateTime;
        b.LowPart = now.dwLowDateTime;
        b.HighPart = now.dwHighDateTime;
        Report("process_to_main", (b.QuadPart - a.QuadPart) / 10000.0);
    }
    g_dialogCalled = NowMs();
    DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_MAIN), NULL, ProbeDialogProc, 0);
    return 0;
}
