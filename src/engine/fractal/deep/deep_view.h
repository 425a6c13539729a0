// DeepView: the plane rectangle as exact decimal texts of any length, for views finer than
// doubles resolve. It means what View means (Upper/Lower X and Y); the double fields beside it
// hold the nearest doubles.
#pragma once

#include "engine/fractal/view_geometry.h"

#include <string>

namespace qm::fractal {

struct DeepView {
    std::string upperX, lowerX, upperY, lowerY;

    bool empty() const { return upperX.empty(); }
    bool operator==(const DeepView&) const = default;
};

// Whether the deep renderer runs: automatically where doubles would show blocks, always, or
// never.
enum class DeepMode { Auto, On, Off };

// Throws ERenderParameters naming the text when one of the four is not a decimal number.
void checkDeepView(const DeepView& view);

// The view of the four decimal texts (checked), in the given order.
DeepView deepViewFromFields(const std::string& upperX, const std::string& lowerX,
                            const std::string& upperY, const std::string& lowerY);

// The view centred on (re, im) with the plane width `width` and the height that keeps the
// picture's aspect (width * pictureHeight / pictureWidth); the coordinates carry as many digits
// as the centre and the pixel step need. Throws ERenderParameters on a malformed number or a
// width that is not positive.
DeepView deepViewFromCentre(const std::string& re, const std::string& im, const std::string& width,
                            int pictureWidth, int pictureHeight);

// The nearest doubles of the four coordinates.
View nearestView(const DeepView& view);

} // namespace qm::fractal
