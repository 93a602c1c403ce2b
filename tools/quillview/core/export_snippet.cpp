// export_snippet.cpp - one snippet's files in an export.
#include "export_snippet.h"

#include <cstdio>
#include <tuple>

#include "diagnostics.h"
#include "output_file.h"
#include "webp_animation.h"

namespace quillview {

namespace fs = std::filesystem;
using quillkit::Status;

namespace {

// The files `text` names in string literals that exist in `folder`: the
// backgrounds a snippet draws (snippet_set_bg_png (cr, "logo.png")).
void add_named_files(const std::string &text, const fs::path &folder,
                     std::vector<ExportInput> &inputs)
{
    for (std::size_t open = text.find('"'); open != std::string::npos;) {
        const std::size_t close = text.find('"', open + 1);
        if (close == std::string::npos)
            break;
        const std::string literal = text.substr(open + 1, close - open - 1);
        ExportInput in{literal, {}};
        if (!literal.empty() && literal.find('\\') == std::string::npos &&
            stat((folder / literal).c_str(), &in.st) == 0 && S_ISREG(in.st.st_mode))
            inputs.push_back(in);
        open = text.find('"', close + 1);
    }
}

// Draws with libtcc's messages turned into a failure.
quillkit::Result<RenderReply> draw(RenderClient &renderer, const SnippetCode &code,
                                   const std::string &folder, int size, RenderKind kind,
                                   double time)
{
    quillkit::Result<RenderReply> r = renderer.render(code, folder, size, kind, time);
    if (r && r->status != RenderStatus::kDrawn)
        return quillkit::fail("does not compile with libtcc: " +
                              r->failure.substr(0, r->failure.find('\n')));
    return r;
}

// The snippet's PNG, SVG and PDF files: one picture each, or frames.
Status write_pictures(const Options &opts, const SnippetCode &code, const std::string &folder,
                      RenderClient &renderer, const std::vector<ExportInput> &inputs,
                      ExportOutcome &o)
{
    const int size = opts.size > 0 ? opts.size : kDefaultExportSize;
    for (const auto &[wanted, kind, ext, flag] :
         {std::tuple{opts.formats.png, RenderKind::kPng, ".png", &o.png},
          std::tuple{opts.formats.svg, RenderKind::kSvg, ".svg", &o.svg},
          std::tuple{opts.formats.pdf, RenderKind::kPdf, ".pdf", &o.pdf}}) {
        if (!wanted)
            continue;
        for (int k = 0; k < std::max(opts.frames, 1); k++) {
            const quillkit::Result<RenderReply> r =
                draw(renderer, code, folder, size, kind, k / opts.fps);
            if (!r)
                return quillkit::fail(r.error());
            const std::string name = opts.frames > 0 ? frame_file(o.file, k, ext) : o.file + ext;
            if (Status s = write_export_file(fs::path(opts.export_dir) / name, r->file, inputs); !s)
                return s;
        }
        *flag = true;
    }
    return {};
}

Status write_webp(const Options &opts, const SnippetCode &code, const std::string &folder,
                  RenderClient &renderer, const std::vector<ExportInput> &inputs, ExportOutcome &o)
{
    const int size = opts.size > 0 ? opts.size : kDefaultExportSize;
    std::vector<Picture> frames;
    for (int k = 0; k < std::max(opts.frames, 1); k++) {
        quillkit::Result<RenderReply> r =
            draw(renderer, code, folder, size, RenderKind::kPixels, k / opts.fps);
        if (!r)
            return quillkit::fail(r.error());
        frames.push_back(Picture{r->width, r->height, std::move(r->pixels), 0});
    }
    quillkit::Result<std::string> webp = encode_webp_animation(frames, opts.fps);
    if (!webp)
        return quillkit::fail(webp.error());
    if (Status s = write_export_file(fs::path(opts.export_dir) / (o.file + ".webp"), *webp, inputs);
        !s)
        return s;
    o.webp = true;
    return {};
}

}  // namespace

std::vector<ExportInput> export_inputs(const std::vector<SnippetFile> &snippets)
{
    std::vector<ExportInput> inputs;
    for (const SnippetFile &s : snippets) {
        ExportInput in{s.path, {}};
        if (stat(s.path.c_str(), &in.st) == 0)
            inputs.push_back(in);
        if (quillkit::Result<std::string> text = read_text(s.path))
            add_named_files(*text, s.folder, inputs);
    }
    return inputs;
}

Status write_export_file(const fs::path &path, const std::string &bytes,
                         const std::vector<ExportInput> &inputs)
{
    for (const ExportInput &in : inputs)
        if (quillkit::OutputFile::names_file(path.string(), in.st))
            return quillkit::fail("refusing to write '" + path.string() + "': it is '" + in.shown +
                                  "', which the export reads");
    quillkit::OutputFile out(path.string());
    if (Status s = out.open(); !s)
        return s;
    out.write(bytes);
    return out.commit();
}

std::string frame_file(const std::string &base, int k, const char *ext)
{
    char number[16];
    std::snprintf(number, sizeof number, "-%04d", k);
    return base + number + ext;
}

void export_snippet(const Options &opts, const SnippetFile &s, int slot, Builder &builder,
                    RenderClient &renderer, const std::vector<ExportInput> &inputs,
                    ExportOutcome &o)
{
    quillkit::Result<std::string> text = read_text(s.path);
    if (!text) {
        o.failure = text.error();
        return;
    }
    o.source = *text;
    o.frames = opts.frames;
    o.animated = o.source.find("snippet_time") != std::string::npos;
    // Whichever path draws, what the C compiler rejects fails the export.
    BuildResult built = builder.build(slot, s.name, o.source);
    if (built.ok && builder.in_memory()) {
        const BuildResult checked = builder.check(slot, s.name, o.source);
        if (!checked.ok)
            built = checked;
    }
    if (!built.ok) {
        o.failure =
            "does not compile: " + first_error(built.diagnostics, built.log, s.name + ".cairo",
                                               "the C compiler failed without a message");
        return;
    }
    std::error_code ec;
    const std::string folder = fs::absolute(s.folder, ec).string();
    const SnippetCode code{built.object, built.module};
    Status done = write_pictures(opts, code, folder, renderer, inputs, o);
    if (done && opts.formats.webp)
        done = write_webp(opts, code, folder, renderer, inputs, o);
    if (!done)
        o.failure = done.error();
}

}  // namespace quillview
