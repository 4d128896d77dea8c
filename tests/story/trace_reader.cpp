#include "tests/story/trace_reader.h"

#include <cstdlib>
#include <fstream>

namespace {

// The text right after "key": in the line, or npos.
size_t valueAt(const std::string& line, const char* key) {
    const std::string pattern = std::string("\"") + key + "\":";
    const size_t at = line.find(pattern);
    return at == std::string::npos ? at : at + pattern.size();
}

double number(const std::string& line, const char* key, double fallback) {
    const size_t at = valueAt(line, key);
    return at == std::string::npos ? fallback : std::strtod(line.c_str() + at, nullptr);
}

std::vector<double> numbers(const std::string& line, const char* key) {
    std::vector<double> out;
    size_t at = valueAt(line, key);
    if (at == std::string::npos || line[at] != '[') return out;
    const char* p = line.c_str() + at + 1;
    while (*p && *p != ']') {
        char* end = nullptr;
        out.push_back(std::strtod(p, &end));
        if (end == p) break;
        p = end;
        if (*p == ',') ++p;
    }
    return out;
}

std::string text(const std::string& line, const char* key) {
    const size_t at = valueAt(line, key);
    if (at == std::string::npos || line[at] != '"') return {};
    const size_t end = line.find('"', at + 1);
    return end == std::string::npos ? std::string{} : line.substr(at + 1, end - at - 1);
}

}  // namespace

TraceFrame parseTraceLine(const std::string& line) {
    TraceFrame f;
    f.frame = static_cast<long>(number(line, "frame", -1));
    f.t = static_cast<long>(number(line, "t", 0));
    f.draws = static_cast<long>(number(line, "draws", 0));
    const size_t fog = valueAt(line, "fog");
    f.fog = fog != std::string::npos && line.compare(fog, 4, "true") == 0;
    f.view = text(line, "view");
    f.camera = static_cast<int>(number(line, "camera", -1));
    f.eye = numbers(line, "eye");
    f.radius = number(line, "radius", 0.0);
    f.helices = numbers(line, "helices");
    f.open = numbers(line, "open");
    f.nucleotides = static_cast<int>(number(line, "nucleotides", 0));
    f.clusters = static_cast<int>(number(line, "clusters", 0));
    return f;
}

std::vector<TraceFrame> readTrace(const std::string& path) {
    std::vector<TraceFrame> frames;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) frames.push_back(parseTraceLine(line));
    return frames;
}
