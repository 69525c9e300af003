#pragma once

// Pieces of the program's start that do not belong to one window: the number format, the font,
// the welcome line and where the help file is looked for.

#include <QFont>
#include <QString>
#include <QStringList>

#include <string>
#include <string_view>

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

} // namespace korvo
