// What is not one usable edge reports no edge and no number, whatever the picture or the size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "EdgeRender.h"
#include "fakes/RecordingLogSink.h"
#include "measure/MeasureLog.h"
#include "measure/RegionSharpness.h"

namespace {

using reference::BgrPicture;
using reference::EdgeSpec;

constexpr int kSide = 80;

BgrPicture Rendered(const EdgeSpec& edge, int side = kSide) {
    BgrPicture picture = reference::MakePicture(side, side, 0);
    RenderEdge(picture, {0, 0, side, side}, edge);
    return picture;
}

// Two renderings joined pixel by pixel: max keeps what is light in either, min what is dark.
template <typename Join>
BgrPicture Joined(const EdgeSpec& a, const EdgeSpec& b, Join join) {
    BgrPicture out = Rendered(a);
    const BgrPicture other = Rendered(b);
    std::transform(out.bytes.begin(), out.bytes.end(), other.bytes.begin(), out.bytes.begin(),
                   [&](uint8_t x, uint8_t y) { return uint8_t(std::clamp(join(x, y), 0, 255)); });
    return out;
}

const auto kLight = [](int a, int b) { return std::max(a, b); };
const auto kDark = [](int a, int b) { return std::min(a, b); };
const auto kSum = [](int a, int b) { return a + b; };

EdgeSpec Edge(double angle, double shift = 0, bool falling = false, bool horizontal = false) {
    EdgeSpec edge;
    edge.sigma_px = 1;
    edge.angle_deg = angle;
    edge.shift_px = shift;
    edge.bFalling = falling;
    edge.bHorizontal = horizontal;
    edge.noise = 1.5;
    return edge;
}

void ExpectNoEdge(const EdgeSfr& sfr) {
    EXPECT_FALSE(sfr.bEdge);
    EXPECT_EQ(sfr.mtf50, 0);
    EXPECT_EQ(sfr.mtfAt0125, 0);
    EXPECT_EQ(sfr.direction, EdgeDirection::None);
    EXPECT_EQ(sfr.angle_deg, 0);
}

struct RefusalCase {
    const char* name;
    std::function<BgrPicture()> make;
    const char* why;  // the reason logged, so that each picture fails the check meant for it
};

constexpr const char* kNoStep = "no step across the rows";
constexpr const char* kNotEveryRow = "not every row crosses the same edge";
constexpr const char* kAngle = "not 2-20 degrees";
constexpr const char* kTooClose = "too close to the region's side";

BgrPicture Noise(double deviation) {
    EdgeSpec flat = Edge(5);
    flat.low = flat.high = 128;
    flat.noise = deviation;
    return Rendered(flat);
}

TEST(SlantedEdgeRefusalTest, ReportsNoEdgeAndLogsWhy) {
    const RefusalCase cases[] = {
        {"Uniform", [] { return reference::MakePicture(kSide, kSide, 128); }, kNoStep},
        {"NoiseOnly", [] { return Noise(1.5); }, kNoStep},
        {"LoudNoiseOnly", [] { return Noise(60); }, kNoStep},
        {"TooLittleContrast",
         [] {
             EdgeSpec edge = Edge(5);
             edge.low = 120, edge.high = 127;
             return Rendered(edge);
         },
         kNoStep},
        // A dark line 4 px wide: light on both sides of it.
        {"ThinLine", [] { return Joined(Edge(5, -2, true), Edge(5, 2), kLight); }, kNoStep},
        {"BarPair",
         [] {
             const BgrPicture one = Joined(Edge(6, -12, true), Edge(6, -4), kLight);
             BgrPicture two = Joined(Edge(6, 4, true), Edge(6, 12), kLight);
             std::transform(two.bytes.begin(), two.bytes.end(), one.bytes.begin(),
                            two.bytes.begin(), kDark);
             return two;
         },
         kNoStep},
        // A dark square's corner: an edge down 5/8 of the rows, another along half the columns.
        {"SquaresCorner", [] { return Joined(Edge(5), Edge(5, 10, false, true), kLight); },
         kNotEveryRow},
        // Dark, middle gray and light in steps 24 px apart.
        {"TwoEdgesOfOneSense",
         [] {
             EdgeSpec first = Edge(5, -12), second = Edge(5, 12);
             first.high = 125;
             second.low = 0, second.high = 75;
             return Joined(first, second, kSum);
         },
         "a second edge"},
        {"Near45Degrees", [] { return Rendered(Edge(44)); }, kNotEveryRow},
        {"At46Degrees", [] { return Rendered(Edge(-46, 0, false, true)); }, kNotEveryRow},
        {"At25Degrees", [] { return Rendered(Edge(25)); }, kAngle},
        {"AtOneDegree", [] { return Rendered(Edge(1)); }, kAngle},
        {"Straight", [] { return Rendered(Edge(0, 0, false, true)); }, kAngle},
        {"AtTheRegionsSide", [] { return Rendered(Edge(5, -38.5)); }, kNotEveryRow},
        {"LeavingTheRegion", [] { return Rendered(Edge(10, 35, true)); }, kNotEveryRow},
        {"TooBlurredForTheRegion",
         [] {
             EdgeSpec edge = Edge(5);
             edge.sigma_px = 9;
             return Rendered(edge);
         },
         kTooClose},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        const BgrPicture picture = c.make();
        const CRecordingLogSink log;
        ExpectNoEdge(MeasureSlantedEdge(picture.View(), {0, 0, kSide, kSide}));
        EXPECT_EQ(log.Count(kLogMeasure, LogLevel::Debug, {"no edge", c.why}), 1)
            << (log.Entries().empty() ? "nothing logged" : log.Entries().back().message);
    }
}

// Pictures from 16x16 up, odd and very wide, with an edge through the middle: the regions
// of anything narrower than 156 px are under 20 px either way and too small to hold an edge.
TEST(SlantedEdgeSizesTest, SmallOddAndWideFramesReportNoEdgeAnywhere) {
    std::vector<std::pair<int, int>> sizes = {{1000, 16}, {16, 1000}, {1000, 19}, {155, 155}};
    for (int width = 16; width <= 48; ++width) {
        for (int height : {16, 17, 31, width})
            sizes.emplace_back(width, height);
    }
    for (const auto& [width, height] : sizes) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        BgrPicture picture = reference::MakePicture(width, height, 0);
        RenderEdge(picture, {0, 0, width, height}, Edge(width % 2 ? 4 : -6, 0, false, height % 2));
        for (const EdgeSfr& sfr : MeasureRegions(picture.View()).regions)
            ExpectNoEdge(sfr);
    }
}

TEST(SlantedEdgeSizesTest, RectsOutsideThePictureAndUnusableViewsReportNoEdge) {
    const BgrPicture picture = Rendered(Edge(5));
    const BgrView view = picture.View();
    for (const SfrRect rect : {SfrRect{80, 0, 80, 80}, SfrRect{-80, -80, 80, 80},
                               SfrRect{0, 0, 0, 80}, SfrRect{10, 10, -5, 40}}) {
        ExpectNoEdge(MeasureSlantedEdge(view, rect));
    }
    ExpectNoEdge(MeasureSlantedEdge({nullptr, kSide, kSide, view.stride}, {0, 0, kSide, kSide}));
    ExpectNoEdge(MeasureSlantedEdge({view.top, kSide, kSide, 3 * kSide - 1}, {0, 0, kSide, kSide}));
    // A rect that runs off the picture is measured on what is inside.
    EXPECT_TRUE(MeasureSlantedEdge(view, {-10, -10, 120, 120}).bEdge);
}

}  // namespace
