// find_argb_visual against stand-ins for XGetVisualInfo, XRenderFindVisualFormat
// and XFree: which entry wins, which formats are looked up, and how the list
// is freed. This binary does not link Xlib or XRender.
// GoogleTest first: Xlib defines None as a macro.
#include <gtest/gtest.h>

#include <ostream>

#include "visualpick.h"

#include <X11/Xutil.h>
#include <X11/extensions/Xrender.h>
#include <string>
#include <vector>

namespace {

// What the stand-ins serve and what they saw; reset by each test.
struct FakeX {
    bool list_is_null = false;
    int reported_count = 0;
    std::vector<Visual> visuals;
    std::vector<XVisualInfo> entries;
    std::vector<const XRenderPictFormat *> formats;  // per entry, may be null

    std::vector<std::string> events;
    std::vector<Display *> displays_seen;
    long mask = 0;
    XVisualInfo templ{};
    std::vector<void *> freed;
};

FakeX *fake = nullptr;

int index_of(const Visual *v)
{
    for (std::size_t i = 0; i < fake->visuals.size(); ++i)
        if (&fake->visuals[i] == v)
            return static_cast<int>(i);
    return -1;
}

}  // namespace

extern "C" XVisualInfo *XGetVisualInfo(Display *dpy, long mask, XVisualInfo *templ, int *nitems)
{
    fake->events.push_back("get");
    fake->displays_seen.push_back(dpy);
    fake->mask = mask;
    fake->templ = *templ;
    *nitems = fake->reported_count;
    return fake->list_is_null ? nullptr : fake->entries.data();
}

extern "C" XRenderPictFormat *XRenderFindVisualFormat(Display *dpy, const Visual *visual)
{
    const int i = index_of(visual);
    fake->events.push_back("find " + std::to_string(i));
    fake->displays_seen.push_back(dpy);
    return i < 0 ? nullptr
                 : const_cast<XRenderPictFormat *>(fake->formats[static_cast<std::size_t>(i)]);
}

extern "C" int XFree(void *data)
{
    fake->events.push_back("free");
    fake->freed.push_back(data);
    return 1;
}

namespace {

enum class Kind {
    kAlpha,         // direct, alpha mask 0xff
    kAlphaHighBit,  // direct, alpha mask 0x8000 only
    kNoAlpha,       // direct, alpha mask 0
    kIndexedAlpha,  // indexed, yet with an alpha mask
    kNoFormat,      // XRender has no format for the visual
};

XRenderPictFormat make_format(int type, unsigned short alpha_mask)
{
    XRenderPictFormat f{};
    f.type = type;
    f.depth = 24;  // not consulted: only the type and the alpha mask count
    f.direct.red = 16;
    f.direct.redMask = 0xff;
    f.direct.green = 8;
    f.direct.greenMask = 0xff;
    f.direct.blueMask = 0xff;
    f.direct.alpha = 0;  // nor is the alpha shift
    f.direct.alphaMask = alpha_mask;
    return f;
}

const XRenderPictFormat kAlpha = make_format(PictTypeDirect, 0xff);
const XRenderPictFormat kAlphaHighBit = make_format(PictTypeDirect, 0x8000);
const XRenderPictFormat kNoAlpha = make_format(PictTypeDirect, 0);
const XRenderPictFormat kIndexedAlpha = make_format(PictTypeIndexed, 0xff);

const XRenderPictFormat *format_for(Kind k)
{
    switch (k) {
    case Kind::kAlpha:
        return &kAlpha;
    case Kind::kAlphaHighBit:
        return &kAlphaHighBit;
    case Kind::kNoAlpha:
        return &kNoAlpha;
    case Kind::kIndexedAlpha:
        return &kIndexedAlpha;
    case Kind::kNoFormat:
        return nullptr;
    }
    return nullptr;
}

struct OrderCase {
    std::string name;
    bool list_is_null;
    std::vector<Kind> kinds;  // the list's entries, in order
    int reported_count;       // the count XGetVisualInfo reports
    int winner;               // index of the expected result, -1 for null
    int lookups;              // formats looked up: entries 0 .. lookups - 1
};
// Test names carry the case; print it, not the raw bytes.
void PrintTo(const OrderCase &c, std::ostream *os)
{
    *os << c.name;
}

class FindArgbVisualOrder : public ::testing::TestWithParam<OrderCase> {
protected:
    void SetUp() override { fake = &state; }
    void TearDown() override { fake = nullptr; }
    FakeX state;
};

TEST_P(FindArgbVisualOrder, PicksScansAndFrees)
{
    const OrderCase &c = GetParam();
    state.list_is_null = c.list_is_null;
    state.reported_count = c.reported_count;
    // One spare entry past the end, so an empty list is still a real pointer.
    state.visuals.resize(c.kinds.size() + 1);
    state.entries.resize(c.kinds.size() + 1);
    for (std::size_t i = 0; i < state.entries.size(); ++i) {
        state.entries[i].visual = &state.visuals[i];
        state.entries[i].depth = 32;
        state.entries[i].c_class = TrueColor;
        state.formats.push_back(i < c.kinds.size() ? format_for(c.kinds[i]) : &kAlpha);
    }

    int display_token = 0;
    Display *const dpy = reinterpret_cast<Display *>(&display_token);
    const int screen = 3;
    Visual *const result = find_argb_visual(dpy, screen);

    if (c.winner < 0) {
        EXPECT_EQ(result, nullptr);
    } else {
        EXPECT_EQ(result, &state.visuals[static_cast<std::size_t>(c.winner)]);
    }

    // One query for 32-bit TrueColor visuals of the screen, by screen, depth
    // and class only (mask 0x2 | 0x4 | 0x8).
    EXPECT_EQ(state.mask, 0xE);
    EXPECT_EQ(state.templ.screen, screen);
    EXPECT_EQ(state.templ.depth, 32);
    EXPECT_EQ(state.templ.c_class, 4);

    // The query, a lookup for each entry up to the first match in list
    // order, and then (only for a real list) one free of that list.
    std::vector<std::string> expected_events = {"get"};
    for (int i = 0; i < c.lookups; ++i)
        expected_events.push_back("find " + std::to_string(i));
    if (!c.list_is_null)
        expected_events.push_back("free");
    EXPECT_EQ(state.events, expected_events);

    if (c.list_is_null) {
        EXPECT_TRUE(state.freed.empty());
    } else {
        EXPECT_EQ(state.freed, std::vector<void *>{state.entries.data()});
    }

    for (Display *seen : state.displays_seen) {
        EXPECT_EQ(seen, dpy);
    }
}

using K = Kind;
const OrderCase kOrderCases[] = {
    {"NullListNoFree", true, {}, 0, -1, 0},
    {"EmptyListFreedNothingLookedUp", false, {}, 0, -1, 0},
    {"SingleAlphaEntry", false, {K::kAlpha}, 1, 0, 1},
    {"SecondEntryWinsAfterNoAlpha", false, {K::kNoAlpha, K::kAlpha}, 2, 1, 2},
    {"EarliestOfSeveralAlphaEntriesWins", false, {K::kAlpha, K::kAlpha, K::kAlpha}, 3, 0, 1},
    {"LookupsStopAtFirstMatch", false, {K::kNoAlpha, K::kAlpha, K::kNoAlpha, K::kAlpha}, 4, 1, 2},
    {"IndexedFormatSkippedDespiteAlphaMask", false, {K::kIndexedAlpha, K::kAlpha}, 2, 1, 2},
    {"MissingFormatSkipped", false, {K::kNoFormat, K::kAlpha}, 2, 1, 2},
    {"AnyAlphaBitCounts", false, {K::kNoAlpha, K::kAlphaHighBit}, 2, 1, 2},
    {"NoneMatchesListStillFreed", false, {K::kNoAlpha, K::kIndexedAlpha, K::kNoFormat}, 3, -1, 3},
    {"SkipsEachKindThenMatches",
     false,
     {K::kNoAlpha, K::kIndexedAlpha, K::kNoFormat, K::kAlpha, K::kAlpha},
     5,
     3,
     4},
    // The count bounds the scan, not the storage behind the list.
    {"ScanEndsAtTheReportedCount", false, {K::kNoAlpha, K::kNoAlpha, K::kAlpha}, 2, -1, 2},
};

INSTANTIATE_TEST_SUITE_P(Cases, FindArgbVisualOrder, ::testing::ValuesIn(kOrderCases),
                         [](const auto &p) { return p.param.name; });

}  // namespace
