// Project files of 20,000 pictures: writing and reading their markup tree, and turning an index
// page of that many captions into windows-1250.

#include "markup/Charset.h"
#include "markup/Escape.h"
#include "markup/MLParse.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace korvo;

constexpr int Categories = 40;

// The tree a project of `images` pictures is saved as: the settings, then the image list with
// the uncategorised pictures first and the rest spread over the categories.
TMLTag MakeProject(int images)
{
    TMLTag root("Korvo2Project");
    root.AddAttribute("Version", "2.0.1.1");
    TMLTag& configuration = root.NewChild("Configuration");
    configuration.NewChild("DestDir").AddAttribute("Value", "/home/anna/Alben/Sommer 2024");
    configuration.NewChild("AlbumTitle").AddAttribute("Value", "Sommer in Südtirol & am Gardasee");
    TMLTag& preprocessing = configuration.NewChild("Preprocessing");
    for (const auto& [name, value] : { std::pair { "MedianFilter", "off" }, { "Equalize", "yes" },
             { "EqualizeStrength", "50" }, { "EqualizeMode", "RGB" } })
        preprocessing.AddAttribute(name, value);
    for (const char* group : { "PreviewImages", "ThumbnailImages" }) {
        TMLTag& images = configuration.NewChild(group);
        for (const auto& [name, value] : { std::pair { "Width", "800" }, { "Height", "600" }, { "Aspect", "free" },
                 { "Quality", "85" }, { "Progressive", "no" } })
            images.AddAttribute(name, value);
    }
    TMLTag& output = configuration.NewChild("Output");
    for (const auto& [name, value] : { std::pair { "Mode", "WithDetails" }, { "ThumbsPerLine", "5" },
             { "UncategorizedImages", "AtStart" }, { "FullWidth", "no" } })
        output.AddAttribute(name, value);
    TMLTag& fileNames = configuration.NewChild("FileNames");
    fileNames.AddAttribute("Digits", "5");
    for (const char* kind : { "Preview", "Thumbnails" }) {
        TMLTag& names = fileNames.NewChild(kind);
        names.AddAttribute("Template", "bild_?");
        names.AddAttribute("UseOwnDirectory", "yes");
        names.AddAttribute("OwnDirectory", "bilder");
    }
    TMLTag& documents = fileNames.NewChild("HTMLDocs");
    documents.AddAttribute("Index", "index");
    documents.AddAttribute("Gallery", "galerie_?");
    documents.AddAttribute("Details", "info_?");

    TMLTag& list = root.NewChild("ImageList");
    list.AddAttribute("Count", std::to_string(images));
    static const char* const rotations[] = { "0", "90CW", "180", "90CCW" };
    for (int k = 0; k <= Categories; ++k) {
        TMLTag& category = list.NewChild("Category");
        if (k > 0)
            category.AddAttribute("Name", "Tag " + std::to_string(k) + ": Wanderung über den Pass");
        for (int i = k; i < images; i += Categories + 1) {
            TMLTag& image = category.NewChild("Image");
            image.AddAttribute("Source", "/home/anna/Bilder/2024/IMG_" + std::to_string(10000 + i) + ".JPG");
            image.AddAttribute("Active", i % 7 == 0 ? "no" : "yes");
            image.AddAttribute("Rotate", rotations[i % 4]);
            image.AddAttribute("Caption", i % 3 == 0 ? "" : "Blick zurück \"ins Tal\" <" + std::to_string(i) + ">");
        }
    }
    return root;
}

void MarkupToText(benchmark::State& state)
{
    const TMLTag project = MakeProject(static_cast<int>(state.range(0)));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = project.ToText(0);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(MarkupToText)->Arg(20000)->Unit(benchmark::kMillisecond);

// Reading includes building and destroying the tree.
void MarkupParseChildren(benchmark::State& state)
{
    const std::string text = MakeProject(static_cast<int>(state.range(0))).ToText(0);
    for (auto _ : state) {
        TMLTag document;
        document.ParseChildren(text);
        benchmark::DoNotOptimize(document.ChildCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(MarkupParseChildren)->Arg(20000)->Unit(benchmark::kMillisecond);

std::string IndexPageLines(int images)
{
    std::string page;
    for (int i = 1; i <= images; ++i) {
        const std::string caption = Escape("Blick zurück \"ins Tal\" – 5 € <" + std::to_string(i) + ">");
        page += "<a href=\"galerie_" + std::to_string(i) + ".htm\"><img src=\"bilder/tn_" + std::to_string(i)
            + ".jpg\" width=\"120\" height=\"90\" border=\"0\" alt=\"" + caption + "\" title=\"" + caption
            + "\" /></a>\r\n";
    }
    return page;
}

// A whole index page at once, as the page writers convert it.
void Windows1250WholePage(benchmark::State& state)
{
    const std::string page = IndexPageLines(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const std::string bytes = Utf8ToWindows1250(page);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(Windows1250WholePage)->Arg(20000)->Unit(benchmark::kMillisecond);

// The same page line by line, one conversion per caption line.
void Windows1250LineByLine(benchmark::State& state)
{
    const std::string page = IndexPageLines(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::size_t start = 0;
        while (start < page.size()) {
            const std::size_t end = page.find('\n', start) + 1;
            const std::string bytes = Utf8ToWindows1250(std::string_view(page).substr(start, end - start));
            benchmark::DoNotOptimize(bytes.data());
            start = end;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(Windows1250LineByLine)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace
