#include "measure/RegionSharpness.h"

RegionSharpness MeasureRegions(const BgrView& image) {
    RegionSharpness sharpness;
    for (int index = 0; index < kSfrRegionCount; ++index) {
        const auto region = SfrRegion(index);
        sharpness.regions[index] =
            MeasureSlantedEdge(image, SfrRegionRect(region, image.width, image.height));
    }
    return sharpness;
}

ImageTilt MeasureTilt(const RegionSharpness& sharpness) {
    const auto mtf50 = [&](SfrRegion region) { return sharpness.regions[int(region)].mtf50; };
    for (SfrRegion corner :
         {SfrRegion::TopLeft, SfrRegion::TopRight, SfrRegion::BottomLeft, SfrRegion::BottomRight}) {
        if (!sharpness.regions[int(corner)].bEdge || !(mtf50(corner) > 0)) {
            return {};
        }
    }
    const double tl = mtf50(SfrRegion::TopLeft), tr = mtf50(SfrRegion::TopRight);
    const double bl = mtf50(SfrRegion::BottomLeft), br = mtf50(SfrRegion::BottomRight);
    const double mean = (tl + tr + bl + br) / 4;
    ImageTilt tilt;
    tilt.bValid = true;
    tilt.x_percent = 100 * ((tl + bl) / 2 - (tr + br) / 2) / mean;
    tilt.y_percent = 100 * ((tl + tr) / 2 - (bl + br) / 2) / mean;
    return tilt;
}
