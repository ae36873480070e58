#include "imaging/Sharpen.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "imaging/DevelopRows.h"

namespace {

// Three converted rows, enough for one 3 x 3 window sliding down the image.
class CConvertedRing {
public:
    explicit CConvertedRing(int width)
        : m_nWidth(size_t(width)), m_pValues(new (std::nothrow) int32_t[9 * size_t(width)]) {}

    bool IsReserved() const { return m_pValues != nullptr; }

    ConvertedRow Row(int imageRow) const {
        int32_t* base = m_pValues.get() + size_t(imageRow % 3) * 3 * m_nWidth;
        return {base, base + m_nWidth, base + 2 * m_nWidth};
    }

private:
    size_t m_nWidth;
    std::unique_ptr<int32_t[]> m_pValues;
};

}  // namespace

void SharpenImage(BYTE* image, int width, int height) {
    if (image == nullptr || width < 3 || height < 3) {
        return;
    }
    CConvertedRing ring(width);
    if (!ring.IsReserved()) {
        return;
    }
    const size_t stride = size_t{3} * size_t(width);
    auto imageRow = [&](int row) { return image + size_t(row) * stride; };

    // A row is converted before the row above it is overwritten, so every window reads the
    // image as it was before this call.
    ConvertRowBgr(imageRow(0), width, ring.Row(0));
    ConvertRowBgr(imageRow(1), width, ring.Row(1));
    for (int row = 1; row < height - 1; ++row) {
        ConvertRowBgr(imageRow(row + 1), width, ring.Row(row + 1));
        SharpenRow(ring.Row(row - 1).luma, ring.Row(row), ring.Row(row + 1).luma, width,
                   imageRow(row));
    }
    // The outer rows repeat their inner neighbours; corners follow from the columns.
    std::memcpy(imageRow(0), imageRow(1), stride);
    std::memcpy(imageRow(height - 1), imageRow(height - 2), stride);
}
