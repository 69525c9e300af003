#include "ui/platform/QtPlatform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

namespace korvo {

namespace {

    QString DialogFolder(const QString& folder)
    {
        // The destination field starts with a request text rather than a folder; the dialog then
        // opens in the home folder instead of wherever the program was started.
        if (!folder.isEmpty() && QDir(folder).exists())
            return folder;
        return QDir::homePath();
    }

    void Prepare(QFileDialog& dialog, const FileDialogRequest& request)
    {
        dialog.setWindowTitle(request.Title);
        dialog.setOption(QFileDialog::HideNameFilterDetails, true);
        dialog.setNameFilters(QtNameFilters(request.Filters));
        dialog.setDefaultSuffix(request.DefaultExtension);
        dialog.setDirectory(DialogFolder(request.InitialFolder));
        if (!request.FileName.isEmpty())
            dialog.selectFile(request.FileName);
    }

} // namespace

QStringList QtNameFilters(const std::vector<FileFilter>& filters)
{
    QStringList result;
    for (const FileFilter& filter : filters) {
        QStringList patterns = filter.Patterns.split(u';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            if (pattern == u"*.*")
                pattern = QStringLiteral("*");
        result << filter.Label + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return result;
}

std::optional<QString> TQtFileDialogs::AskSaveFileName(const FileDialogRequest& request)
{
    QFileDialog dialog(QApplication::activeWindow());
    Prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.ConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

QStringList TQtFileDialogs::AskOpenFileNames(const FileDialogRequest& request)
{
    QFileDialog dialog(QApplication::activeWindow());
    Prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.MultipleFiles ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

std::optional<QString> TQtFileDialogs::AskFolder(const FileDialogRequest& request)
{
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(request.Title);
    dialog.setDirectory(DialogFolder(request.InitialFolder));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

bool TQtMessageBoxes::Confirm(const QString& question)
{
    // Questions break their lines with single carriage returns, which a Qt label does not show as
    // line breaks.
    QString shown = question;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return QMessageBox::question(QApplication::activeWindow(), QApplication::applicationName(), shown,
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

SaveChoice TQtMessageBoxes::AskSaveChanges(const QString& question)
{
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), question, QMessageBox::NoButton,
        QApplication::activeWindow());
    QPushButton* save = box.addButton(QStringLiteral("Speichern"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("Verwerfen"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    // Escape and the window's close button keep the work as it is.
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return SaveChoice::Save;
    if (box.clickedButton() == discard)
        return SaveChoice::Discard;
    return SaveChoice::Cancel;
}

QString TQtMessageBoxes::InputText(const QString& title, const QString& prompt, const QString& preset)
{
    bool ok = false;
    const QString answer
        = QInputDialog::getText(QApplication::activeWindow(), title, prompt, QLineEdit::Normal, preset, &ok);
    return ok ? answer : preset;
}

void TQtMessageBoxes::ShowError(const QString& message)
{
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), message);
}

QAction* TQtPopupMenus::Execute(QMenu& menu, const QPoint& screenPosition) { return menu.exec(screenPosition); }

bool TQtDesktop::OpenUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

std::uint32_t TSteadyClock::TickCount()
{
    // The counter wraps around after 2^32 milliseconds, as callers expect.
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(m_timer.elapsed()));
}

void TSteadyClock::Pause(std::uint32_t milliseconds)
{
    QElapsedTimer pause;
    pause.start();
    while (pause.elapsed() < milliseconds) {
        const auto left = static_cast<int>(milliseconds - pause.elapsed());
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, left);
        QThread::msleep(static_cast<unsigned long>(std::min(left, 10)));
    }
}

} // namespace korvo
