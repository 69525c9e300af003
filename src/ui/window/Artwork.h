#pragma once

// The seven images the main window draws with, and the button icons. All of them are painted
// here at start-up, so the program carries no image files. Sizes are fixed: the row drawing of
// the image list and the logo strip rely on them.

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace korvo {

// The images as painted, before the transparency rule. Each small one is painted on a ground of
// one colour that appears nowhere else in it, and its bottom-left pixel is that ground.
QImage PaintCheckBox(bool checked); // LCB_CHECKED, LCB_UNCHECKED: 13 × 13
QImage PaintArrow(QColor colour); // ARROW_BLACK, ARROW_WHITE: 5 × 3
QImage PaintBarPictures(); // BAR_PICTURES: 39 × 234
QImage PaintBarGradient(); // BAR_GRADIENT: 39 × 64
QImage PaintBarKorvo(); // BAR_KORVO: 39 × 215

// The transparency rule of the small images: every pixel of the bottom-left pixel's colour
// becomes fully transparent.
QImage WithBottomLeftTransparent(const QImage& image);

struct TArtwork {
    QPixmap LcbChecked;
    QPixmap LcbUnchecked;
    QPixmap ArrowBlack;
    QPixmap ArrowWhite;
    QPixmap BarPictures;
    QPixmap BarGradient;
    QPixmap BarKorvo;

    // The four small images with their ground made transparent, the three strip images opaque.
    static TArtwork Load();
};

enum class ButtonIcon {
    Open,
    Save,
    Go,
    Abort,
    Help,
    Menu, // the image list's menu
    Edit, // the category editor
    Up, // move up
    Down, // move down
    Close, // close a panel
    Rename,
    Remove,
    Add,
    Browse, // show the album in the web browser
};

// The program's icon as drawn here, `size` pixels square: the strip's blue, two photographs of
// the collage and "K2" in the strip's lettering, as the installed icon shows them.
QImage PaintProgramIcon(int size);
// The installed icon of the desktop's theme ("korvo2"), or the drawing above where there is none
// (a program started from its build folder).
QIcon ProgramIcon();

// The desktop's icon for the button's purpose when its icon theme has one, otherwise ours.
QIcon MakeButtonIcon(ButtonIcon icon);
// Our own 16 × 16 drawing of the icon.
QPixmap PaintButtonIcon(ButtonIcon icon);
// The arrows of the two narrow buttons below the image list: a solid triangle 7 × 4 pixels.
QPixmap PaintSmallArrow(bool up);

} // namespace korvo
