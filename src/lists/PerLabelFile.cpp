#include "lists/PerLabelFile.h"

namespace quillarc {

std::string perLabelFileName(std::string_view label, std::string_view suffix)
{
    std::string name;
    if (label == ".") {
        name = "%2E";
    } else if (label == "..") {
        name = "%2E%2E";
    } else {
        name.reserve(label.size() + suffix.size());
        for (char c : label) {
            switch (c) {
            case '/':
                name += "%2F";
                break;
            case '\0':
                name += "%00";
                break;
            case '%':
                name += "%25";
                break;
            default:
                name += c;
            }
        }
    }
    return name.append(suffix);
}

std::string labelOfPerLabelFileName(std::string_view name, std::string_view suffix)
{
    if (name.size() <= suffix.size() || !name.ends_with(suffix))
        return {};
    const std::string_view stem = name.substr(0, name.size() - suffix.size());
    if (stem == "%2E")
        return ".";
    if (stem == "%2E%2E")
        return "..";
    std::string label;
    for (std::size_t i = 0; i < stem.size(); ++i) {
        const std::string_view rest = stem.substr(i);
        if (rest.starts_with("%2F")) {
            label += '/';
            i += 2;
        } else if (rest.starts_with("%00")) {
            label += '\0';
            i += 2;
        } else if (rest.starts_with("%25")) {
            label += '%';
            i += 2;
        } else {
            label += stem[i];
        }
    }
    return label;
}

} // namespace quillarc
