// webp_animation.cpp - an animated WebP through libwebp's animation encoder.
#include "webp_animation.h"

#include <cmath>
#include <cstdint>
#include <memory>

#ifdef QUILLVIEW_WITH_WEBP
#include <webp/encode.h>
#include <webp/mux.h>
#endif

namespace quillview {

#ifdef QUILLVIEW_WITH_WEBP

namespace {

struct EncoderDeleter {
    void operator()(WebPAnimEncoder *encoder) const { WebPAnimEncoderDelete(encoder); }
};

// A premultiplied pixel as WebP takes it: straight alpha.
std::uint32_t unpremultiply(std::uint32_t argb)
{
    const std::uint32_t a = argb >> 24;
    if (a == 0)
        return 0;
    if (a == 255)
        return argb;
    auto channel = [a](std::uint32_t c) {
        return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a);
    };
    return a << 24 | channel(argb >> 16 & 255) << 16 | channel(argb >> 8 & 255) << 8 |
           channel(argb & 255);
}

// A WebPPicture freed when it goes.
class Frame {
public:
    Frame() { WebPPictureInit(&picture_); }
    ~Frame() { WebPPictureFree(&picture_); }
    Frame(const Frame &) = delete;
    Frame &operator=(const Frame &) = delete;
    WebPPicture *get() { return &picture_; }

private:
    WebPPicture picture_;
};

}  // namespace

bool webp_built()
{
    return true;
}

quillkit::Result<std::string> encode_webp_animation(const std::vector<Picture> &frames, double fps)
{
    if (frames.empty() || !(fps > 0))
        return quillkit::fail("no frames to encode");
    const int width = frames.front().width, height = frames.front().height;
    WebPAnimEncoderOptions options;
    WebPConfig config;
    if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config))
        return quillkit::fail("libwebp: cannot set up the encoder");
    options.anim_params.loop_count = 0;
    config.lossless = 1;
    std::unique_ptr<WebPAnimEncoder, EncoderDeleter> encoder(
        WebPAnimEncoderNew(width, height, &options));
    if (!encoder)
        return quillkit::fail("libwebp: cannot make an animation encoder");
    for (std::size_t k = 0; k < frames.size(); k++) {
        const Picture &p = frames[k];
        if (p.width != width || p.height != height)
            return quillkit::fail("frames of different sizes");
        Frame frame;
        frame.get()->use_argb = 1;
        frame.get()->width = width;
        frame.get()->height = height;
        if (!WebPPictureAlloc(frame.get()))
            return quillkit::fail("libwebp: out of memory");
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                frame.get()->argb[y * frame.get()->argb_stride + x] =
                    unpremultiply(p.pixels[static_cast<std::size_t>(y) * width + x]);
        const int at_ms = static_cast<int>(std::lround(static_cast<double>(k) * 1000.0 / fps));
        if (!WebPAnimEncoderAdd(encoder.get(), frame.get(), at_ms, &config))
            return quillkit::fail(std::string("libwebp: ") +
                                  WebPAnimEncoderGetError(encoder.get()));
    }
    const int end_ms =
        static_cast<int>(std::lround(static_cast<double>(frames.size()) * 1000.0 / fps));
    WebPData data;
    WebPDataInit(&data);
    if (!WebPAnimEncoderAdd(encoder.get(), nullptr, end_ms, nullptr) ||
        !WebPAnimEncoderAssemble(encoder.get(), &data))
        return quillkit::fail(std::string("libwebp: ") + WebPAnimEncoderGetError(encoder.get()));
    std::string bytes(reinterpret_cast<const char *>(data.bytes), data.size);
    WebPDataClear(&data);
    return bytes;
}

#else

bool webp_built()
{
    return false;
}

quillkit::Result<std::string> encode_webp_animation(const std::vector<Picture> &, double)
{
    return quillkit::fail("quillview was built without libwebp");
}

#endif

}  // namespace quillview
