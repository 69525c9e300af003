#include "imaging/OutputNames.h"

#include "model/TextRules.h"

#include <algorithm>

namespace korvo {

std::string NumberText(int number, int digits) { return ZeroPadded(number, digits); }

std::string DoubledFileName(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || name.find('/', dot) != std::string_view::npos)
        return std::string(name) + "@2x";
    return std::string(name.substr(0, dot)) + "@2x" + std::string(name.substr(dot));
}

std::string SafeFileName(std::string_view name)
{
    std::string safe(name);
    for (char& c : safe)
        if (c == '/' || c == '\0')
            c = '_';
    return safe;
}

bool IsOwnFolderName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos
        && name.find('\0') == std::string_view::npos;
}

std::string BuildFileName(int number, std::string_view nameTemplate, int digits)
{
    std::string name = SafeFileName(nameTemplate);
    std::replace(name.begin(), name.end(), '?', '%');
    std::replace(name.begin(), name.end(), '*', '%');
    const std::size_t position = name.find('%');
    if (position == std::string::npos)
        return name + NumberText(number, digits);
    return name.substr(0, position) + NumberText(number, digits) + name.substr(position + 1, 1024);
}

} // namespace korvo
