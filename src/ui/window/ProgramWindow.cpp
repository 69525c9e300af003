#include "ui/window/ProgramWindow.h"

#include "model/Version.h"
#include "ui/window/AlbumOperations.h"
#include "ui/window/Artwork.h"
#include "ui/window/Startup.h"

#include <QApplication>

namespace korvo {

TApplicationSetUp::TApplicationSetUp()
{
    QApplication::setApplicationName(QStringLiteral("Korvo 2"));
    QApplication::setApplicationVersion(QString::fromLatin1(ProgramVersion));
    QApplication::setDesktopFileName(QStringLiteral("korvo2"));
    QApplication::setFont(ProgramFont());
    // Qt's own dialogs and boxes in German as well ("Abbrechen", not "Cancel").
    InstallQtTranslations(QtTexts);
    // X11 window managers take the icon from the window itself, not from the desktop file.
    QApplication::setWindowIcon(ProgramIcon());
}

TProgramWindow::TProgramWindow()
    : m_platform(QCoreApplication::applicationDirPath())
    , m_state(TWindowState::DefaultFile())
    , m_dialogs(m_platform.Services().FileDialogs, m_state)
    , m_form(
          [this] {
              const PlatformServices qt = m_platform.Services();
              return PlatformServices { m_dialogs, qt.Boxes, qt.Menus, qt.Desktop, qt.Clock, qt.ProgramFolder };
          }(),
          MakeCoreOperations())
{
    m_form.SetWindowState(&m_state);
    m_form.SetPreviewForm(&m_preview);
}

} // namespace korvo
