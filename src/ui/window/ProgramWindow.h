#pragma once

// The program's windows as korvo2 runs them: the application named, with its font, Qt's German
// texts and its icon, then the main window with the real platform services, the core operations
// and the remembered window state, and the hidden preview window. The development tools start the
// very same windows.

#include "ui/platform/QtPlatform.h"
#include "ui/platform/WindowState.h"
#include "ui/window/Main.h"
#include "ui/window/Preview.h"

#include <QTranslator>

namespace korvo {

// Names the application and sets the program font, Qt's own German texts and the window icon,
// before any window is made.
struct TApplicationSetUp {
    TApplicationSetUp();
    QTranslator QtTexts;
};

// The application set up and the main window and the preview window as the program has them;
// not yet shown.
class TProgramWindow : private TApplicationSetUp {
public:
    TProgramWindow();
    TProgramWindow(const TProgramWindow&) = delete;
    TProgramWindow& operator=(const TProgramWindow&) = delete;

    TMainForm& Form() { return m_form; }

private:
    TQtPlatform m_platform;
    TWindowState m_state;
    TRememberingFileDialogs m_dialogs;
    TMainForm m_form;
    TPreviewForm m_preview;
};

} // namespace korvo
