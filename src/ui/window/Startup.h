#pragma once

// Pieces of the program's start that do not belong to one window: the number format, the font,
// the welcome line and where the help file is looked for.

#include <QFont>
#include <QString>
#include <QStringList>

#include <string>
#include <string_view>

class QTranslator;

namespace korvo {

// Numbers with decimals use a point and no grouping, whatever the user's regional settings:
// for the C library (Qt sets the user's locale when the application starts) and for QLocale.
void SetNumberFormat();

// The font of every control: Tahoma where it is installed, otherwise the desktop's sans-serif,
// at the pixel size at which the window's layout was designed.
QFont ProgramFont();

// "/Willkommen in Korvo2 Version …", or without the version when there is none.
std::string WelcomeMessage(std::string_view version);

// Where "vollständige Hilfe" looks for Korvo2.htm, in this order: beside the program, then in
// the shared data folder of an installed program (<prefix>/share/korvo2 beside <prefix>/bin).
QStringList HelpFileCandidates(const QString& programFolder);

// The command line of korvo2 (without the program's name and Qt's own options): "--help" (or
// "-h") and "--version" before a "--", every other argument a file.
struct ProgramArguments {
    bool Help = false;
    bool Version = false;
    QStringList Files;
};
ProgramArguments ParseProgramArguments(const QStringList& arguments);

// The files `korvo2 FILE...` names, made absolute against `currentFolder`; "file:" URLs become
// their local paths. An empty argument names nothing.
QStringList StartupPaths(const QStringList& arguments, const QString& currentFolder);

// What the window does with the files it was started with. A project file (".kv2" in any letter
// case) is loaded; only one project can be open, so with a project every other file (further
// projects and pictures alike) is left out, and named in the log. Without a project the files
// are taken as a drop: one folder alone becomes the destination, anything else is added.
struct StartupFiles {
    QString Project; // empty: no project among the files
    QStringList Others; // in the given order
};
StartupFiles SortStartupFiles(const QStringList& paths);

// The name suggested when a project is saved for the first time: the album's title with every
// character a file name cannot hold (or should not, on the usual desktops) replaced by "_", plus
// ".kv2"; empty for an empty title.
QString ProjectFileNameFor(const QString& albumTitle);

// Installs Qt's own German texts (qtbase_de, from Qt's translations folder), so that its dialogs
// and message boxes speak German too. False when they are not installed.
bool InstallQtTranslations(QTranslator& translator);

// `korvo2 --help`: the short usage text.
QString UsageText();

} // namespace korvo
