// A build without the label bitmap must start, show no message, and draw
// the labels the platform's default way (its dialog face colour behind
// black text), while the rest keeps the program's colours. The normal build
// is looked at the same way first, so the check is known to tell them apart.
//
//   robust_nolabel.exe [--normal=PROGRAM] [--nolabel=PROGRAM]
#include "harness.h"

#include <cstdio>
#include <cstring>

#include "DriverSupport.h"

namespace {

const COLORREF kGold = RGB(219, 206, 23);
const COLORREF kVioletBlue = RGB(64, 0, 255);

struct LabelLook {
    COLORREF background;  // a pixel right of the text, inside the label
    long goldPixels;      // pixels of the program's label colour
    long darkPixels;      // pixels of the platform's text colour
    COLORREF dialog;      // dialog background beside the labels
};

std::string Hex(COLORREF c)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

struct LabelSearch {
    std::vector<HWND> labels;
};

BOOL CALLBACK CollectLabels(HWND hwnd, LPARAM lParam)
{
    char name[32] = "";
    GetClassNameA(hwnd, name, sizeof name);
    if (_stricmp(name, "Static") == 0)
        ((LabelSearch*)lParam)->labels.push_back(hwnd);
    return TRUE;
}

bool LookAtLabels(const TargetApp& app, LabelLook& look)
{
    LabelSearch search;
    EnumChildWindows(app.dialog, CollectLabels, (LPARAM)&search);
    DriverImage image;
    if (search.labels.size() != 2 || !DriverCapture(app.dialog, false, &image))
        return false;
    std::memset(&look, 0, sizeof look);
    COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    for (HWND label : search.labels) {
        RECT r = DriverChildRect(app.dialog, label);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                COLORREF c = DriverPixel(image, x, y);
                look.goldPixels += c == kGold;
                look.darkPixels += c == text;
            }
        look.background = DriverPixel(image, r.right - 2, r.bottom - 2);
        look.dialog = DriverPixel(image, r.right + 2, r.top + 1);
    }
    return true;
}

void CheckBuild(const std::string& exe, bool withLabelBitmap)
{
    const char* name = withLabelBitmap ? "normal build" : "build without the label bitmap";
    TargetApp app;
    bool started = StartTarget(app, exe);
    Check(started, std::string(name) + " starts");
    if (!started) {
        StopTarget(app);
        return;
    }
    Check(WaitExtraWindows(app, 0, 1000).empty(), std::string(name) + ": no message is shown");
    LabelLook look;
    bool seen = LookAtLabels(app, look);
    Check(seen, std::string(name) + ": both labels can be looked at");
    std::printf("  %s: label background %s, %ld gold and %ld dark text pixels, dialog %s\n", name,
                Hex(look.background).c_str(), look.goldPixels, look.darkPixels, Hex(look.dialog).c_str());
    if (withLabelBitmap) {
        Check(look.background == RGB(0, 0, 0) && look.goldPixels > 0,
              std::string(name) + ": labels are gold-yellow on black");
    } else {
        COLORREF face = GetSysColor(COLOR_3DFACE);
        Check(look.background == face, std::string(name) + ": label background is the platform's face colour " +
                                           Hex(face) + ", not " + Hex(look.background));
        Check(look.goldPixels == 0 && look.darkPixels > 0,
              std::string(name) + ": label text is the platform's text colour, not gold");
    }
    Check(look.dialog == kVioletBlue, std::string(name) + ": the dialog keeps its violet-blue");
    Check(CountsMatchTable(app), std::string(name) + ": both lists hold as many items as the table");
    // It still closes the usual way.
    BringToFront(app, NULL);
    SendVirtualKey(VK_ESCAPE);
    std::vector<HWND> boxes = WaitExtraWindows(app, 1, 15000);
    DWORD code = 0;
    Check(boxes.size() == 1 && AnswerBox(boxes[0], IDYES) && WaitTargetExit(app, 30000, &code) && code == 2,
          std::string(name) + ": Esc and Yes end it with 2");
    StopTarget(app);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string normal, nolabel;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--normal=", 9) == 0)
            normal = argv[i] + 9;
        if (std::strncmp(argv[i], "--nolabel=", 10) == 0)
            nolabel = argv[i] + 10;
    }
    if (normal.empty())
        normal = ProgramPath(1, argv, "orvenda.exe");
    if (nolabel.empty()) {
        // built beside this driver
        char self[MAX_PATH];
        GetModuleFileNameA(NULL, self, MAX_PATH);
        nolabel = self;
        nolabel = nolabel.substr(0, nolabel.find_last_of("\\/") + 1) + "orvenda_nolabel.exe";
    }
    std::printf("build without the label bitmap: %s (compared with %s)\n", nolabel.c_str(), normal.c_str());
    CheckBuild(normal, true);
    CheckBuild(nolabel, false);
    return FinishChecks();
}
