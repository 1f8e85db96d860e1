// The reference for start-up: the program's dialog template and exactly the
// program's CB_ADDSTRING calls with the same item texts, and nothing else
// (no common controls, no brushes, no colours, no commands). Whatever the
// program takes beyond this at start-up is its own.
#include <windows.h>

#include "PostalDirectory.h"
#include "resource.h"

static INT_PTR CALLBACK FloorDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    (void)lParam;
    if (message == WM_INITDIALOG) {
        for (std::size_t i = 0; i < kPostalEntryCount; ++i)
            SendDlgItemMessageA(hDlg, IDC_CODE_LIST, CB_ADDSTRING, 0, (LPARAM)kCodeListItems[i]);
        for (std::size_t i = 0; i < kPostalEntryCount; ++i)
            SendDlgItemMessageA(hDlg, IDC_PLACE_LIST, CB_ADDSTRING, 0, (LPARAM)kPlaceListItems[i]);
    }
    return FALSE;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd)
{
    (void)hPrevInstance;
    (void)lpCmdLine;
    (void)nShowCmd;
    return (int)DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_MAIN), NULL, FloorDialogProc, 0);
}
