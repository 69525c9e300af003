#include "imaging/AddFiles.h"

#include "imaging/Acquire.h"
#include "model/TextRules.h"

#include <filesystem>

namespace korvo {

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

AddFilesResult AddFiles(TImageManager& images, const std::vector<std::string>& paths, IOperationHost& host)
{
    AddFilesResult result;
    const std::string total = IntToText(static_cast<std::int64_t>(paths.size()));

    host.BeginBusy();
    host.Log("");
    host.Log("/Füge " + total + " Dateien hinzu");
    images.ClearMarks();

    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string path = AbsolutePath(paths[i]);
        const std::string prefix = "[" + IntToText(static_cast<std::int64_t>(i + 1)) + "/" + total + "] ";
        bool unknownType = false;
        if (images.FindBySource(path) >= 0) {
            host.Log("_" + prefix + "Bereits in der Liste: " + path);
        } else if (AcquireImage(images, path, &unknownType)) {
            host.Log("*" + prefix + "Bild hinzugefügt: " + path);
            ++result.Added;
        } else if (unknownType) {
            host.Log("_" + prefix + "Unbekannter Dateityp: " + path);
        } else {
            host.Log("-" + prefix + "Fehler beim Hinzufügen: " + path);
            ++result.Failed;
        }
        host.ProcessEvents();
        if (host.AbortRequested())
            break;
    }

    result.Aborted = host.AbortRequested();
    if (result.Aborted)
        host.Log("-Vorgang vom Benutzer abgebrochen");
    host.Log("+" + IntToText(result.Added) + " von " + total + " Dateien erfolgreich hinzugefügt, "
        + IntToText(result.Failed) + " Fehler");
    host.Log("");
    images.SortByCategory();
    host.ImageListChanged();
    if (result.Aborted) {
        host.EndBusy(Page::PLog);
    } else {
        host.Clock().Pause(500);
        host.EndBusy(Page::PImages);
    }
    return result;
}

} // namespace korvo
