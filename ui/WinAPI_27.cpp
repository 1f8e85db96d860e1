// The program: one modal dialog with the code list and the place list.
// String literals are compiled to Windows-1250 and go to the "A" functions.
#include <windows.h>
#include <commctrl.h>

#include "PostalDirectory.h"
#include "resource.h"

HINSTANCE g_hInst;
HBRUSH g_hbPozadi1;  // dialog, edit fields and lists
HBRUSH g_hbPozadi;   // labels
// Set by the first Yes that reaches the program. The confirmation box has no
// owner, so a second one can be open at the same time; the box opened later
// returns first, and a Yes from the other must not end the dialog again.
BOOL g_bKonec;

static const char kConfirmCaption[] = "Potvrzení ukončení";
static const char kConfirmText[] = "Opravdu si přeješ ukončit tento program?";

static const char kAboutCaption[] = "O programu ";
static const char kAboutText[] =
    "Version \n"
    "Orvenda 1.0.0\n"
    "\n"
    "Program je stále ve fázi testování, proto autor nenese žádnou odpovědnost "
    "za případné chyby způsobené programem.\n"
    "Data: Česká pošta, s.p., a Slovenská pošta, a.s.; kontrola GeoNames (CC BY 4.0).\n"
    "Copyright © 2026 tým Orvenda";

static const char kGuideCaption[] = "Návod";
static const char kGuideText[] =
    "\n"
    "Program je stále ve fázi testování, proto autor nenese\n"
    " žádnou odpovědnost za případné chyby způsobené programem.\n"
    "Do editačního pole zadáme začátenční písmena a \n"
    "jméno a nebo číslo vybereme z roletky.\n"
    "e-mail orvenda@example.com";

static const COLORREF kEditTextColour = 0x00FFFFFF;   // white
static const COLORREF kListTextColour = 0x0002FF02;   // bright green
static const COLORREF kLabelTextColour = 0x0017CEDB;  // gold-yellow
// The list control fills each item's line with the background colour, not the
// brush, so the lists need the violet-blue of the dialog pattern as that colour.
static const COLORREF kListBackColour = 0x00FF0040;

// All code-list items first, then all place-list items, each in table order.
static void FillLists(HWND hDlg)
{
    for (std::size_t i = 0; i < kPostalEntryCount; ++i)
        SendDlgItemMessageA(hDlg, IDC_CODE_LIST, CB_ADDSTRING, 0, (LPARAM)kCodeListItems[i]);
    for (std::size_t i = 0; i < kPostalEntryCount; ++i)
        SendDlgItemMessageA(hDlg, IDC_PLACE_LIST, CB_ADDSTRING, 0, (LPARAM)kPlaceListItems[i]);
}

static void CreateBrushes()
{
    g_hbPozadi1 = CreatePatternBrush(LoadBitmapA(g_hInst, MAKEINTRESOURCEA(IDB_DIALOG_PATTERN)));
    g_hbPozadi = CreatePatternBrush(LoadBitmapA(g_hInst, MAKEINTRESOURCEA(IDB_LABEL_PATTERN)));
}

// Each global is cleared as its brush goes, so a late colour query falls to
// the platform's default and nothing is deleted twice.
static void DeleteBrushes()
{
    if (g_hbPozadi) {
        DeleteObject(g_hbPozadi);
        g_hbPozadi = NULL;
    }
    if (g_hbPozadi1) {
        DeleteObject(g_hbPozadi1);
        g_hbPozadi1 = NULL;
    }
}

static void ConfirmExit(HWND hDlg, WORD command)
{
    if (MessageBoxA(NULL, kConfirmText, kConfirmCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDNO)
        return;
    if (g_bKonec)
        return;  // a Yes that came back earlier has already ended the dialog
    g_bKonec = TRUE;
    DeleteBrushes();
    EndDialog(hDlg, command);
}

INT_PTR CALLBACK DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        FillLists(hDlg);
        CreateBrushes();
        return FALSE;

    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDCANCEL:
        case IDM_EXIT:
            ConfirmExit(hDlg, LOWORD(wParam));
            break;
        case IDM_ABOUT:
            MessageBoxA(hDlg, kAboutText, kAboutCaption, MB_OK | MB_ICONINFORMATION);
            break;
        case IDM_GUIDE:
            MessageBoxA(hDlg, kGuideText, kGuideCaption, MB_OK | MB_ICONINFORMATION);
            break;
        }
        return 0;

    case WM_CTLCOLOREDIT:
        SetTextColor((HDC)wParam, kEditTextColour);
        SetBkMode((HDC)wParam, TRANSPARENT);
        return (INT_PTR)g_hbPozadi1;

    case WM_CTLCOLORLISTBOX:
        SetBkMode((HDC)wParam, TRANSPARENT);
        SetTextColor((HDC)wParam, kListTextColour);
        SetBkColor((HDC)wParam, kListBackColour);
        return (INT_PTR)g_hbPozadi1;

    case WM_CTLCOLORDLG:
        SetBkMode((HDC)wParam, TRANSPARENT);
        return (INT_PTR)g_hbPozadi1;

    case WM_CTLCOLORSTATIC:
        SetTextColor((HDC)wParam, kLabelTextColour);
        SetBkMode((HDC)wParam, TRANSPARENT);
        return (INT_PTR)g_hbPozadi;
    }
    return 0;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd)
{
    (void)hPrevInstance;
    (void)lpCmdLine;
    (void)nShowCmd;
    g_hInst = hInstance;
    InitCommonControls();
    return (int)DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_MAIN), NULL, DialogProc, 0);
}
