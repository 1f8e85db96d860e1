/* Identifiers shared by the resource script and the program code. */
#ifndef ORVENDA_RESOURCE_H
#define ORVENDA_RESOURCE_H

#define IDD_MAIN            101
#define IDB_LABEL_PATTERN   103
#define IDI_APP             104
#define IDR_MAIN_MENU       105
#define IDB_DIALOG_PATTERN  108

#define IDC_CODE_LIST       1002
#define IDC_PLACE_LIST      1003

#define IDM_EXIT            2000
#define IDM_ABOUT           2001
#define IDM_GUIDE           2002

/* The labels are never addressed by the code; the template writes their
   16-bit identifiers into the 32-bit field as these plain values. */
#define IDC_CODE_LABEL      65535
#define IDC_PLACE_LABEL     65534

#endif
