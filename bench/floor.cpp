// The reference for start-up: the program's dialog template and exactly the
// program's CB_ADDSTRING calls with the same item texts, and nothing else
// (no common controls, no brushes, no colours, no commands). Whatever the
// program takes beyond this at start-up is its own.
// Built a second time with FLOOR_INIT_COMMON_CONTROLS, to tell what the one
// platform call the program makes before its dialog (InitCommonControls)
// costs on its own.
#include <windows.h>
#ifdef FLOOR_INIT_COMMON_CONTROLS
#include <commctrl.h>
#endif

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
#ifdef FLOOR_INIT_COMMON_CONTROLS
    InitCommonControls();
#endif
    return (int)DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_MAIN), NULL, FloorDialogProc, 0);
}
