#include "hostile/HostileSupport.h"

#include "model/TextRules.h"

#include <cstdio>

namespace korvo::testing {

namespace {

    bool IsAdded(const HostileInput& input, bool whole)
    {
        return whole ? input.Readable : input.Added.value_or(input.Readable);
    }

    std::string ReasonLine(const HostileInput& input) { return input.Reason.empty() ? AnyReason : "_" + input.Reason; }

} // namespace

std::vector<std::string> ExpectedAddLines(const std::vector<HostileInput>& inputs, bool whole)
{
    const std::string n = IntToText(static_cast<std::int64_t>(inputs.size()));
    std::vector<std::string> lines { "", "/Füge " + n + " Dateien hinzu" };
    std::int64_t added = 0;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::string prefix = "[" + IntToText(static_cast<std::int64_t>(i + 1)) + "/" + n + "] ";
        if (IsAdded(inputs[i], whole)) {
            lines.push_back("*" + prefix + "Bild hinzugefügt: " + inputs[i].Path);
            ++added;
        } else {
            lines.push_back("-" + prefix + "Fehler beim Hinzufügen: " + inputs[i].Path);
            lines.push_back(ReasonLine(inputs[i]));
        }
    }
    lines.push_back("+" + IntToText(added) + " von " + n + " Dateien erfolgreich hinzugefügt, "
        + IntToText(static_cast<std::int64_t>(inputs.size()) - added) + " Fehler");
    lines.push_back("");
    return lines;
}

std::vector<std::string> ExpectedRunLines(const std::vector<HostileInput>& inputs, bool index)
{
    std::vector<std::string> lines = ExpectedAddLines(inputs, false);
    std::vector<const HostileInput*> added;
    for (const HostileInput& input : inputs)
        if (IsAdded(input, false))
            added.push_back(&input);
    const std::string m = IntToText(static_cast<std::int64_t>(added.size()));
    lines.push_back("/Erzeuge Album aus " + m + " Bildern");
    for (std::size_t j = 0; j < added.size(); ++j) {
        const std::string prefix = "[" + IntToText(static_cast<std::int64_t>(j + 1)) + "/" + m + "] ";
        if (added[j]->Readable) {
            lines.push_back("*" + prefix + added[j]->Path);
        } else {
            lines.push_back("-" + prefix + "Fehler: " + added[j]->Path);
            lines.push_back(ReasonLine(*added[j]));
        }
    }
    if (index)
        lines.push_back("*Thumbnail-Übersicht geschrieben");
    return lines;
}

namespace {

    ::testing::AssertionResult Compare(
        const std::vector<std::string>& logged, const std::vector<std::string>& want, const std::string& summary)
    {
        std::vector<std::string> got;
        for (const std::string& line : logged)
            if (!(line.starts_with("-Bild beschädigt: ") && !got.empty() && got.back().starts_with("*")))
                got.push_back(line);
        for (std::size_t i = 0; i < std::max(want.size(), got.size()); ++i) {
            const std::string w = i < want.size() ? want[i] : "(nothing)";
            std::string g = i < got.size() ? got[i] : "(nothing)";
            if (!summary.empty() && w == summary && g.starts_with(summary) && g.ends_with(" Sekunden"))
                g = summary;
            if (w == AnyReason && g.size() > 1 && g.starts_with("_"))
                g = AnyReason;
            if (w != g)
                return ::testing::AssertionFailure()
                    << "line " << i + 1 << "\n  expected: " << Visible(w) << "\n  logged:   " << Visible(g);
        }
        return ::testing::AssertionSuccess();
    }

} // namespace

::testing::AssertionResult LogMatches(
    const ToolOutcome& outcome, const std::vector<std::string>& expected, int successes, int pictures)
{
    // The tool ends with the summary, an empty line, and the final line end.
    const std::string summary
        = "+" + IntToText(successes) + " von " + IntToText(pictures) + " Bildern erfolgreich umgewandelt in ";
    std::vector<std::string> want = expected;
    want.push_back(summary);
    want.push_back("");
    want.push_back("");
    std::vector<std::string> got = outcome.Lines;
    got.push_back("");
    return Compare(got, want, summary);
}

::testing::AssertionResult AddLogMatches(const ToolOutcome& outcome, const std::vector<std::string>& expected)
{
    return Compare(outcome.Lines, expected, {});
}

std::string Visible(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 32 && byte < 127) {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        }
    }
    return out;
}

} // namespace korvo::testing
