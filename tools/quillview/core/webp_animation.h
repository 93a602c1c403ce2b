// webp_animation.h - frames of a snippet as one animated WebP file.
#ifndef QUILLVIEW_CORE_WEBP_ANIMATION_H
#define QUILLVIEW_CORE_WEBP_ANIMATION_H

#include <string>
#include <vector>

#include "result.h"
#include "snippet_state.h"

namespace quillview {

// Whether this build writes WebP files (configured with libwebp).
bool webp_built();

// Encodes `frames` (all of one size, premultiplied ARGB32 as cairo draws
// them) losslessly as an animated WebP, each shown for 1 / `fps` seconds and
// looping for ever; the file's bytes.
quillkit::Result<std::string> encode_webp_animation(const std::vector<Picture> &frames, double fps);

}  // namespace quillview

#endif  // QUILLVIEW_CORE_WEBP_ANIMATION_H
