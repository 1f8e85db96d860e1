// A build without the label bitmap must start, show no message, and draw
// the labels the platform's default way (its dialog face colour behind
// black text), while the rest keeps the program's colours. The normal build
// is looked at the same way first, so the check is known to tell them apart.
//
//   robust_no_label_bitmap.exe PROGRAM [--nolabel=PROGRAM_WITHOUT_LABEL_BITMAP]
// The build without the bitmap is looked for beside this driver by default.
#include <cstdio>

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
    snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

bool LookAtLabels(const DriverProcess& process, LabelLook* look)
{
    std::vector<HWND> labels = DriverChildren(process.dialog, "Static");
    DriverImage image;
    if (labels.size() != 2 || !DriverCapture(process.dialog, false, &image))
        return false;
    *look = LabelLook();
    COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    for (HWND label : labels) {
        RECT r = DriverChildRect(process.dialog, label);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                COLORREF c = DriverPixel(image, x, y);
                look->goldPixels += c == kGold;
                look->darkPixels += c == text;
            }
        look->background = DriverPixel(image, r.right - 2, r.bottom - 2);
        look->dialog = DriverPixel(image, r.right + 2, r.top + 1);
    }
    return true;
}

void CheckBuild(const std::string& exe, bool withLabelBitmap)
{
    const std::string name = withLabelBitmap ? "normal build" : "build without the label bitmap";
    DriverProcess process;
    if (!DriverCheck(DriverStartProgram(exe.c_str(), NULL, &process), name + " starts", exe)) {
        DriverKill(&process);
        return;
    }
    DriverCheckEqualInt(DriverWaitOtherWindows(process, 0, 1000).size(), 0, name + ": no message is shown");
    LabelLook look = {};
    DriverCheck(LookAtLabels(process, &look), name + ": both labels can be looked at");
    DriverLog("  %s: label background %s, %ld gold and %ld dark text pixels, dialog %s", name.c_str(),
              Hex(look.background).c_str(), look.goldPixels, look.darkPixels, Hex(look.dialog).c_str());
    if (withLabelBitmap) {
        DriverCheck(look.background == RGB(0, 0, 0) && look.goldPixels > 0, name + ": labels are gold-yellow on black",
                    "background " + Hex(look.background) + ", " + std::to_string(look.goldPixels) + " gold pixels");
    } else {
        COLORREF face = GetSysColor(COLOR_3DFACE);
        DriverCheck(look.background == face, name + ": label background is the platform's face colour",
                    "got " + Hex(look.background) + ", expected " + Hex(face));
        DriverCheck(look.goldPixels == 0 && look.darkPixels > 0,
                    name + ": label text is the platform's text colour, not gold",
                    std::to_string(look.goldPixels) + " gold, " + std::to_string(look.darkPixels) + " dark pixels");
    }
    DriverCheck(look.dialog == kVioletBlue, name + ": the dialog keeps its violet-blue",
                "got " + Hex(look.dialog) + ", expected " + Hex(kVioletBlue));
    DriverCheck(DriverCountsMatchTable(process), name + ": both lists hold as many items as the table");
    // It still closes the usual way.
    DriverCheckExitByEscape(&process, name);
    DriverKill(&process);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments =
        DriverArguments(argc, argv, 1, "robust_no_label_bitmap.exe PROGRAM [--nolabel=PROGRAM_WITHOUT_LABEL_BITMAP]");
    const std::string& normal = arguments[0];
    std::string nolabel = DriverOptionText(argc, argv, "--nolabel", DriverBesideSelf("orvenda_nolabel.exe"));
    DriverLog("build without the label bitmap: %s (compared with %s)", nolabel.c_str(), normal.c_str());
    CheckBuild(normal, true);
    CheckBuild(nolabel, false);
    return DriverSummary();
}
