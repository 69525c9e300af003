#pragma once

// A development aid: pictures of every page of the main window, to look at the layout on a
// machine without a desktop (see scripts/screenshots).

#include <QString>

namespace korvo {

class TMainForm;

// The environment variable that asks the program to save the pictures into a folder and quit.
inline constexpr const char* ScreenshotVariable = "KORVO2_SCREENSHOTS";

// Saves the pages, the window at its smallest and a tall size, a busy log page, the image list
// filled with pictures painted here (added through the window's real operations), its open
// menus, the category editor, previews at several zoom steps, and the artwork (enlarged) as PNG
// files into `folder`. False when a file could not be written.
bool SaveScreenshots(TMainForm& form, const QString& folder);

} // namespace korvo
