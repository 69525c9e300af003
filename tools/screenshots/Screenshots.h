#pragma once

// A development aid: pictures of every page of the main window, to look at the layout on a
// machine without a desktop (korvo2-screenshots, run by scripts/screenshots).

#include <QString>

namespace korvo {

class TMainForm;

// Saves the pages, the window at its smallest and a tall size, a busy log page, the image list
// filled with pictures painted here (added through the window's real operations), its open
// menus, the category editor, previews at several zoom steps, and the artwork (enlarged) as PNG
// files into `folder`. False when a file could not be written.
bool SaveScreenshots(TMainForm& form, const QString& folder);

} // namespace korvo
