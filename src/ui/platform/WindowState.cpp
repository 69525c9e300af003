#include "ui/platform/WindowState.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace korvo {

namespace {

    // Dialog titles as keys: QSettings would read a slash as a group separator.
    QString FolderKey(const QString& dialog)
    {
        return QStringLiteral("Folders/") + QString::fromLatin1(dialog.toUtf8().toHex());
    }

} // namespace

TWindowState::TWindowState(const QString& file)
    : m_settings(std::make_unique<QSettings>(file, QSettings::IniFormat))
{
}

TWindowState::~TWindowState() = default;

QString TWindowState::DefaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/korvo2/korvo2.conf");
}

QByteArray TWindowState::Geometry() const { return m_settings->value(QStringLiteral("Window/Geometry")).toByteArray(); }

void TWindowState::SetGeometry(const QByteArray& geometry)
{
    m_settings->setValue(QStringLiteral("Window/Geometry"), geometry);
}

int TWindowState::PageIndex() const { return m_settings->value(QStringLiteral("Window/Page"), -1).toInt(); }

void TWindowState::SetPageIndex(int index) { m_settings->setValue(QStringLiteral("Window/Page"), index); }

QString TWindowState::LastFolder(const QString& dialog) const
{
    return m_settings->value(FolderKey(dialog)).toString();
}

void TWindowState::SetLastFolder(const QString& dialog, const QString& folder)
{
    m_settings->setValue(FolderKey(dialog), folder);
}

QStringList TWindowState::RecentProjects() const
{
    return m_settings->value(QStringLiteral("Projects/Recent")).toStringList();
}

void TWindowState::AddRecentProject(const QString& path)
{
    QStringList recent = RecentProjects();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    while (recent.size() > RecentCount)
        recent.removeLast();
    m_settings->setValue(QStringLiteral("Projects/Recent"), recent);
}

FileDialogRequest TRememberingFileDialogs::Prepared(const FileDialogRequest& request) const
{
    FileDialogRequest prepared = request;
    if (prepared.InitialFolder.isEmpty() || !QFileInfo(prepared.InitialFolder).isDir())
        prepared.InitialFolder = m_state.LastFolder(request.Title);
    return prepared;
}

std::optional<QString> TRememberingFileDialogs::AskSaveFileName(const FileDialogRequest& request)
{
    std::optional<QString> chosen = m_dialogs.AskSaveFileName(Prepared(request));
    if (chosen)
        m_state.SetLastFolder(request.Title, QFileInfo(*chosen).absolutePath());
    return chosen;
}

QStringList TRememberingFileDialogs::AskOpenFileNames(const FileDialogRequest& request)
{
    QStringList chosen = m_dialogs.AskOpenFileNames(Prepared(request));
    if (!chosen.isEmpty())
        m_state.SetLastFolder(request.Title, QFileInfo(chosen.constFirst()).absolutePath());
    return chosen;
}

std::optional<QString> TRememberingFileDialogs::AskFolder(const FileDialogRequest& request)
{
    std::optional<QString> chosen = m_dialogs.AskFolder(Prepared(request));
    if (chosen)
        m_state.SetLastFolder(request.Title, QDir::cleanPath(*chosen));
    return chosen;
}

} // namespace korvo
