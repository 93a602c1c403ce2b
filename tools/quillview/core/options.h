// options.h - quillview's command line.
#ifndef QUILLVIEW_CORE_OPTIONS_H
#define QUILLVIEW_CORE_OPTIONS_H

#include <string>
#include <vector>

#include "result.h"

namespace quillview {

enum class Mode { kWindow, kExport, kList, kHelp, kVersion, kRenderServer };

// The picture formats of an export; the gallery page is one more.
struct Formats {
    bool png = true, svg = true, pdf = true, html = true;
    bool webp = false;  // an animated WebP a snippet
};

constexpr int kDefaultExportSize = 512;
constexpr int kMaxFrames = 100000;
constexpr double kDefaultFps = 30;
constexpr double kMaxFps = 1000;
constexpr int kMaxSize = 8192;

struct Options {
    Mode mode = Mode::kWindow;
    std::string export_dir;
    Formats formats;
    int size = 0;              // 0: the export's default, or the window's canvas
    int frames = 0;            // --frames: frames of an animation to export; 0: one picture
    double fps = kDefaultFps;  // --fps: frames a second
    int render_parent = 0;     // the hidden --render-server=PID: who asks for pictures
    std::vector<std::string> operands;
};

// Reads the command line; a repeated option's last value wins. A mistake is
// one line naming it.
quillkit::Result<Options> parse_options(int argc, const char *const *argv);

const char *usage_text();

}  // namespace quillview

#endif  // QUILLVIEW_CORE_OPTIONS_H
