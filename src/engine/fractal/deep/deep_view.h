// DeepView: the plane rectangle as exact decimal texts of any length, for views finer than
// doubles resolve. It means what View means (Upper/Lower X and Y); the double fields beside it
// hold the nearest doubles.
#pragma once

#include "engine/fractal/view_geometry.h"

#include <cstdint>
#include <string>

namespace qm::fractal {

struct DeepView {
    std::string upperX, lowerX, upperY, lowerY;

    bool empty() const { return upperX.empty(); }
    bool operator==(const DeepView&) const = default;
};

// The Julia constant as exact decimal texts, for constants the doubles beside it do not hold;
// empty otherwise (then the doubles are the constant).
struct DeepJulia {
    std::string re, im;

    bool empty() const { return re.empty(); }
    bool operator==(const DeepJulia&) const = default;
};

// A reference point for the deep path chosen by whoever made the view rather than by the view:
// the frames of an animation name one point, precision and orbit length, so that they share one
// reference orbit. A picture takes it only where it serves the picture as well as its own choice
// would (bits and Max at least the picture's, an orbit that lasts to the picture's Max); the
// choice depends on the parameters alone, so any process makes the same one.
struct DeepReference {
    std::string re, im;   // a plane point (before flips, Mirror and Orientation)
    long bits = 0;        // precision of its orbit
    std::int32_t max = 0; // its orbit runs to max + 3 values unless it escapes

    bool empty() const { return re.empty(); }
    bool operator==(const DeepReference&) const = default;
};

// Whether the deep renderer runs: automatically where doubles would show blocks, always, or
// never.
enum class DeepMode { Auto, On, Off };

// Throws ERenderParameters naming the text when one of the four is not a decimal number.
void checkDeepView(const DeepView& view);

// The view of the four decimal texts (checked), in the given order.
DeepView deepViewFromFields(const std::string& upperX, const std::string& lowerX,
                            const std::string& upperY, const std::string& lowerY);

// The Julia constant of two decimal texts (checked as checkDeepView checks).
DeepJulia deepJuliaFromTexts(const std::string& re, const std::string& im);

// Whether a decimal text has more significant digits than a double carries (over 17): only
// such a text needs to be kept beside its nearest double.
bool longerThanDouble(const std::string& text);

// The view centred on (re, im) with the plane width `width` and the height that keeps the
// picture's aspect (width * pictureHeight / pictureWidth); the coordinates carry as many digits
// as the centre and the pixel step need. Throws ERenderParameters on a malformed number or a
// width that is not positive.
DeepView deepViewFromCentre(const std::string& re, const std::string& im, const std::string& width,
                            int pictureWidth, int pictureHeight);

// The nearest doubles of the four coordinates.
View nearestView(const DeepView& view);

} // namespace qm::fractal
