// quillview_log.cpp - reading quillview's timings and moments lines.
#include "quillview_log.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace quillview_bench {

namespace {

constexpr const char *kTimings = "quillview: timings ";
constexpr const char *kMoments = "quillview: moments ";

// The figures after the name: "NAME: ..." with NAME free of ": ".
const char *after_name(const std::string &line)
{
    const std::size_t colon = line.find(": ", std::string(kTimings).size());
    return colon == std::string::npos ? "" : line.c_str() + colon;
}

}  // namespace

int moments_count(const std::filesystem::path &log)
{
    std::ifstream in(log);
    int n = 0;
    for (std::string line; std::getline(in, line);)
        n += line.rfind(kMoments, 0) == 0 ? 1 : 0;
    return n;
}

bool last_build(const std::filesystem::path &log, BuildReport &r)
{
    std::ifstream in(log);
    std::string timings, moments;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(kTimings, 0) == 0)
            timings = line;
        if (line.rfind(kMoments, 0) == 0)
            moments = line;
    }
    return std::sscanf(after_name(timings),
                       ": generate %lf ms, compile %lf ms, load %lf ms, draw %lf ms", &r.generate,
                       &r.compile, &r.load, &r.draw) == 4 &&
           std::sscanf(after_name(moments), ": wake %lf start %lf applied %lf frame %lf", &r.wake,
                       &r.start, &r.applied, &r.frame) == 4;
}

}  // namespace quillview_bench
