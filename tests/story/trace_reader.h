// Reads the JSON lines of a VOREL_TRACE file back into the fields the story tests check. Only the
// shapes the frame trace writes are understood: numbers, booleans, strings and flat arrays of
// numbers; a field that is missing keeps its default.
#pragma once

#include <string>
#include <vector>

struct TraceFrame {
    long frame = -1;
    long t = 0;
    long draws = 0;
    bool fog = false;
    std::string view;        // "outside", "inside", or empty before the scene runs
    int camera = -1;
    std::vector<double> eye;  // x, y, z
    double radius = 0.0;
    std::vector<double> helices;
    std::vector<double> open;  // open places of each helix
    int nucleotides = 0;
    int clusters = 0;
};

TraceFrame parseTraceLine(const std::string& line);
// Every line of the file, in order; empty when the file cannot be read.
std::vector<TraceFrame> readTrace(const std::string& path);
