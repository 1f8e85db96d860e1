// Edited input delivered the way a keyboard's characters reach an edit field,
// for the long edited input driver and the input fuzzer: the clipboard and the
// field are emptied, then every byte is sent to the field as a synchronous
// WM_CHAR (lParam 1), printable Windows-1250 bytes mixed with the characters
// that edit. And the check that the window still answers: the exit
// confirmation and the About box open and close.
#ifndef ORVENDA_EDITED_INPUT_H
#define ORVENDA_EDITED_INPUT_H

#include <cstring>
#include <string>

#include "DriverSupport.h"

// A printable Windows-1250 byte: ASCII with extra blanks, "(" and "-" (the
// characters around which a field's text breaks into runs), or one of the
// code page's upper half (its five unassigned bytes left out).
inline char EditedPrintableByte(DriverRandom* random)
{
    switch (DriverRandomBelow(random, 8)) {
    case 0: return ' ';
    case 1: return '(';
    case 2: return '-';
    case 3: {
        unsigned char b;
        do
            b = (unsigned char)(0x80 + DriverRandomBelow(random, 0x80));
        while (b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98);
        return char(b);
    }
    default: return char(0x21 + DriverRandomBelow(random, 0x5E));
    }
}

// The character a key letter stands for: a Ctrl+A, c Ctrl+C, b Backspace,
// v Ctrl+V, x Ctrl+X, z Ctrl+Z.
inline char EditedControlByte(char key)
{
    switch (key) {
    case 'a': return 0x01;
    case 'c': return 0x03;
    case 'b': return 0x08;
    case 'v': return 0x16;
    case 'x': return 0x18;
    default: return 0x1A;
    }
}

// 1 to maxLength bytes drawn from the keys (p for printable bytes, and any of
// a c b v x z): half printable, half control characters when both are asked for.
inline std::string EditedRandomBytes(DriverRandom* random, const char* keys, unsigned long maxLength)
{
    std::string controls;
    for (const char* k = keys; *k; ++k)
        if (std::strchr("acbvxz", *k))
            controls += *k;
    bool printable = std::strchr(keys, 'p') != NULL;
    size_t length = 1 + DriverRandomBelow(random, unsigned(maxLength));
    std::string bytes;
    while (bytes.size() < length) {
        if (printable && (controls.empty() || DriverRandomBelow(random, 2)))
            bytes += EditedPrintableByte(random);
        else if (!controls.empty())
            bytes += EditedControlByte(controls[DriverRandomBelow(random, unsigned(controls.size()))]);
    }
    return bytes;
}

// Empties the clipboard (so that a paste before any copy finds nothing and a
// run replays exactly) and the field, then sends the bytes one by one through
// the "A" message, each converted by the platform as a keyboard's character
// would be. False when the program stopped answering.
inline bool EditedDeliver(HWND edit, const std::string& bytes)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (OpenClipboard(NULL)) {
            EmptyClipboard();
            CloseClipboard();
            break;
        }
        DriverPause(20);
    }
    DWORD timeout = DRIVER_ANSWER_TIMEOUT * DriverTimeoutScale();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(edit, WM_SETTEXT, 0, LPARAM(""), SMTO_NORMAL, timeout, &result))
        return false;
    for (unsigned char byte : bytes)
        if (!SendMessageTimeoutA(edit, WM_CHAR, byte, 1, SMTO_NORMAL, timeout, &result))
            return false;
    return true;
}

// Waits for the box with the caption and closes it with the button.
inline bool EditedBoxCloses(const DriverProcess& process, const char* caption, int button)
{
    HWND box = DriverWaitForMessageBox(process.info.dwProcessId, caption, NULL, DRIVER_TIMEOUT);
    return box && DriverAnswerBox(box, button);
}

// The exit confirmation, asked for with Esc and answered No, then the About
// box (command 2001, as the menu sends it), closed with OK; *why names the
// one that did not open and close. Esc goes through the input queue behind
// any keys and clicks the program has still to handle, so none of those can
// reach a box; a posted command would overtake them.
inline bool MenuBoxesAnswer(const DriverProcess& process, std::string* why)
{
    DriverActivate(process.dialog, DRIVER_TIMEOUT);
    DriverKey(VK_ESCAPE);
    if (!EditedBoxCloses(process, "Potvrzení ukončení", IDNO)) {
        *why = "the exit confirmation did not open and close";
        return false;
    }
    PostMessageA(process.dialog, WM_COMMAND, 2001, 0);
    if (!EditedBoxCloses(process, "O programu ", IDOK)) {
        *why = "the About box did not open and close";
        return false;
    }
    return true;
}

#endif
