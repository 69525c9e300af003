#include "cli/Options.h"

#include "imaging/Acquire.h"
#include "imaging/AddFiles.h"
#include "model/TextRules.h"

#include <algorithm>
#include <filesystem>

namespace korvo {

const char* UsageText()
{
    return R"(Aufruf: korvo2-album [Optionen] --dest VERZEICHNIS BILD|ORDNER...
       korvo2-album [Optionen] PROJEKT.kv2

Erzeugt ein HTML-Bildalbum aus JPEG-, BMP-, HEIC-, AVIF-, PNG- und WebP-Bildern.
Ein Ordner steht für die Bilddateien direkt darin (nach Namen sortiert). Eine Projektdatei (.kv2) wird
wie mit "Laden" gelesen; die Optionen gelten danach.

Optionen:
  --dest VERZEICHNIS      Zielverzeichnis des Albums
  --title TEXT            Titel des Albums
  -v, --verbose           jeden Arbeitsschritt protokollieren
  --mode MODUS            HTML-Ausgabe: NoHTML, ThumbsOnly, IndexOnly,
                          WithGallery oder WithDetails (Vorgabe)
  --layout GESTALTUNG     Seitengestaltung: classic (Vorgabe, wie bisher) oder
                          modern (für jede Bildschirmgröße, UTF-8, Bilder auch
                          in doppelter Auflösung; wie --set Output.Layout=Modern)
  --set FELD=WERT         eine Einstellung setzen, z. B. PreviewImages.Width=800,
                          Output.rm=yes, FileNames.Preview.Template=bild_?,
                          Preprocessing.ExifRotation=no (nicht nach EXIF drehen)
                          (wiederholbar, in der angegebenen Reihenfolge)
  --update                nur Geändertes neu erzeugen (wie
                          --set Output.Incremental=yes): unveränderte Bilder
                          werden nicht neu berechnet, nicht mehr erzeugte
                          Dateien früherer Läufe gelöscht
  --save DATEI.kv2        das Projekt vor dem Erzeugen speichern
  --no-run                kein Album erzeugen (z. B. nur --save); die Bilder
                          werden dann wie im Fenster ganz gelesen und geprüft
  -j, --jobs ANZAHL       so viele Bilder gleichzeitig bearbeiten
                          (Vorgabe: eines je Prozessorkern)
  --no-cache              den Zwischenspeicher nicht verwenden: jedes Bild neu lesen
  --clear-cache           den Zwischenspeicher leeren (auch ohne Bilder)
  --raw                   Protokollzeilen mit Kennzeichen am Zeilenanfang
                          (/ Kopf, * Fortschritt, _ Detail, - Fehler, + Ergebnis)
  --help                  diese Hilfe
  --version               Programmversion

Der Zwischenspeicher ($XDG_CACHE_HOME/korvo2, sonst ~/.cache/korvo2) merkt
sich, was beim Lesen eines Bildes herauskam; ein unverändertes Bild wird beim
nächsten Mal nicht mehr gelesen, ein geändertes neu.

Strg+C bricht ab: das laufende Bild wird fertig, die Übersicht geschrieben.
Rückgabewert: 0 alles umgewandelt, 1 ein Bild, eine Seite oder das Speichern
fehlgeschlagen oder abgebrochen, 2 falscher Aufruf, Projektdatei nicht lesbar
oder Zielverzeichnis nicht anlegbar.
)";
}

namespace {

    std::optional<OutputMode> ExactMode(std::string_view text)
    {
        for (OutputMode mode : { OutputMode::NoHTML, OutputMode::ThumbsOnly, OutputMode::IndexOnly,
                 OutputMode::WithGallery, OutputMode::WithDetails })
            if (ToLowerAscii(text) == ToLowerAscii(OutputModeName(mode)))
                return mode;
        return std::nullopt;
    }

} // namespace

bool ParseCommandLine(const std::vector<std::string>& arguments, CliOptions& options, std::string& error)
{
    bool onlyPaths = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (onlyPaths || argument.empty() || argument[0] != '-' || argument == "-") {
            options.Paths.push_back(argument);
            continue;
        }
        if (argument == "--") {
            onlyPaths = true;
            continue;
        }
        std::optional<std::string> attached;
        if (argument.starts_with("--")) {
            if (const auto equals = argument.find('='); equals != std::string::npos) {
                attached = argument.substr(equals + 1);
                argument.resize(equals);
            }
        }
        auto value = [&]() -> std::optional<std::string> {
            if (attached)
                return attached;
            if (i + 1 < arguments.size())
                return arguments[++i];
            error = "Option " + argument + " braucht einen Wert";
            return std::nullopt;
        };
        auto flag = [&](bool& target) {
            if (attached) {
                error = "Option " + argument + " nimmt keinen Wert";
                return false;
            }
            target = true;
            return true;
        };

        if (argument == "--dest") {
            if (!(options.Dest = value()))
                return false;
        } else if (argument == "--title") {
            if (!(options.Title = value()))
                return false;
        } else if (argument == "--mode") {
            const auto text = value();
            if (!text)
                return false;
            options.Mode = ExactMode(*text);
            if (!options.Mode) {
                error = "Unbekannter Modus: " + *text;
                return false;
            }
        } else if (argument == "--layout") {
            const auto text = value();
            if (!text)
                return false;
            const std::string lower = ToLowerAscii(*text);
            if (lower != "modern" && lower != "classic") {
                error = "Unbekannte Seitengestaltung: " + *text;
                return false;
            }
            options.Layout = PageLayoutFromText(lower);
        } else if (argument == "--set") {
            const auto text = value();
            if (!text)
                return false;
            const auto equals = text->find('=');
            const auto field = FindConfigField(text->substr(0, equals));
            if (equals == std::string::npos || !field) {
                error = "Unbekannte Einstellung: " + text->substr(0, equals);
                return false;
            }
            options.Sets.emplace_back(*field, text->substr(equals + 1));
        } else if (argument == "--save") {
            if (!(options.Save = value()))
                return false;
        } else if (argument == "-j" || argument == "--jobs") {
            const auto text = value();
            if (!text)
                return false;
            const auto jobs = ParseWholeNumber(*text);
            if (!jobs || *jobs < 1 || *jobs > 1024) {
                error = "Ungültige Anzahl für " + argument + ": " + *text;
                return false;
            }
            options.Jobs = static_cast<int>(*jobs);
        } else if (argument == "--update") {
            if (!flag(options.Update))
                return false;
        } else if (argument == "--no-cache") {
            if (!flag(options.NoCache))
                return false;
        } else if (argument == "--clear-cache") {
            if (!flag(options.ClearCache))
                return false;
        } else if (argument == "--no-run") {
            if (!flag(options.NoRun))
                return false;
        } else if (argument == "-v" || argument == "--verbose") {
            if (!flag(options.Verbose))
                return false;
        } else if (argument == "--raw") {
            if (!flag(options.Raw))
                return false;
        } else if (argument == "--help" || argument == "-h") {
            if (!flag(options.Help))
                return false;
        } else if (argument == "--version") {
            if (!flag(options.Version))
                return false;
        } else {
            error = "Unbekannte Option: " + argument;
            return false;
        }
    }
    return true;
}

bool NamesProject(const CliOptions& options)
{
    return options.Paths.size() == 1 && ToLowerAscii(options.Paths[0]).ends_with(".kv2");
}

void ApplyOptions(const CliOptions& options, Configuration& config)
{
    if (options.Dest)
        config.DestDir = AbsolutePath(*options.Dest);
    if (options.Title)
        config.AlbumTitle = *options.Title;
    if (options.Verbose)
        config.Verbose = true;
    if (options.Mode)
        config.Output.Mode = *options.Mode;
    if (options.Update)
        config.Output.Incremental = true;
    if (options.Layout)
        config.Output.Layout = *options.Layout;
    for (const auto& [field, text] : options.Sets)
        ApplyFieldText(config, field, text);
}

} // namespace korvo
