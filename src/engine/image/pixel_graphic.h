// TPixelGraphic: the in-memory picture that documents render into, filters rewrite and the
// picture files read and write.
#pragma once

#include "engine/core/colour.h"
#include "engine/image/image_errors.h"
#include "engine/image/picture_limits.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm::image {

// Storage codes 0..3: three palette formats and true colour.
enum class PixelFormat : int { Bits1 = 0, Bits4 = 1, Bits8 = 2, Bits24 = 3 };

int bitsPerPixel(PixelFormat format);
// 2, 16 or 256 entries for the palette formats, 0 for 24 bits.
int paletteSize(PixelFormat format);
// (bits per pixel * width + 31) div 32 * 4: every row is padded to whole 32-bit words.
std::int64_t rowBytesFor(std::int64_t width, PixelFormat format);

// What saving does when the file format forces another colour resolution.
enum TPGWarningAction { pgwaIgnore, pgwaOKBox, pgwaOKCancelBox, pgwaRaise };

// What a saved file carries besides the pixels.
struct SaveOptions {
    // The parameter file text of the document the picture shows; PNG and JPEG files embed it,
    // the other formats ignore it. Empty: nothing is embedded.
    std::string_view parameters;
};

// Options of the picture readers.
struct LoadOptions {
    // The library's gamma switch: remap levels when a file declares a gamma that differs from
    // displayGamma by more than 5 %.
    bool gammaCorrection = false;
    double displayGamma = 2.2;
    // Pictures above this many pixels are refused before anything is allocated.
    std::int64_t maxPixels = kMaxPicturePixels;
};

// The 16 standard colours (the default palette of 4-bit pictures), in the usual order.
extern const std::array<ColourValue, 16> kSystemColours;

// A picture of width x height pixels in one of four storage formats. Rows are stored top-down
// (row 0 is the top row), each padded to a multiple of 4 bytes. 24-bit rows hold the bytes red,
// green, blue per pixel; 1-bit rows hold 8 pixels per byte with the leftmost pixel in the
// highest bit; 4-bit rows hold 2 pixels per byte with the left pixel in the high nibble.
//
// Observers are plain callbacks. All mutation happens on one thread; const members may be
// called from several threads at once (a view painting, filter previews) as long as nobody
// mutates meanwhile.
class TPixelGraphic {
public:
    using ChangeHandler = std::function<void(const TPixelGraphic&)>;
    // Progress of a long operation on the picture (a filter, reading, writing). Setting abort
    // asks the operation to stop; operations that cannot stop safely ignore it.
    struct ProgressHandlers {
        std::function<void(const TPixelGraphic&)> start;
        std::function<void(const TPixelGraphic&, int current, int total, bool& abort)> progress;
        std::function<void(const TPixelGraphic&)> end;
    };
    // Answers the colour-resolution message of a save: true for OK. withCancel tells an OK box
    // (false) from an OK/Cancel box (true).
    using MessageHandler = std::function<bool(const std::string& message, bool withCancel)>;

    TPixelGraphic() = default;
    TPixelGraphic(int width, int height, PixelFormat format);
    // Copies take the picture (size, format, palette, pixels and the warning action) but not
    // the observers: those belong to whoever owns the original.
    TPixelGraphic(const TPixelGraphic& other);
    TPixelGraphic& operator=(const TPixelGraphic& other);
    TPixelGraphic(TPixelGraphic&& other) noexcept;
    TPixelGraphic& operator=(TPixelGraphic&& other) noexcept;
    ~TPixelGraphic() = default;

    int width() const { return width_; }
    int height() const { return height_; }
    PixelFormat pixelFormat() const { return format_; }
    bool empty() const { return width_ == 0 || height_ == 0; }
    // Bytes per stored row, padding included.
    int rowBytes() const { return rowBytes_; }

    // Reallocates to width x height in the given format, all pixels 0; the same size and format
    // again only clears. A palette format keeps its palette while the format stays; a new
    // format starts with its default palette (black/white, the 16 standard colours, a grey
    // ramp). Raises the change notification.
    void SetSize(int width, int height, PixelFormat format);

    // Stores a colour; palette formats store the nearest palette entry. Outside the picture
    // nothing changes.
    void SetPixel(int x, int y, ColourValue colour);
    // The colour at (x, y); black outside the picture.
    ColourValue pixel(int x, int y) const;

    // Palette formats: the stored index at (x, y) (0 outside), and storing an index (ignored
    // outside the picture or the palette). 24-bit pictures read the colour value and ignore
    // setPixelIndex.
    int pixelIndex(int x, int y) const;
    void setPixelIndex(int x, int y, int index);

    // All pixels 0 (black, or palette index 0), then Changed.
    void Clear();
    // Becomes a copy of source (size, format, palette, pixels), then Changed.
    void Assign(const TPixelGraphic& source);

    // Copies the source rectangle (sourceLeft, sourceTop, sourceWidth x sourceHeight) into the
    // destination rectangle (destLeft, destTop, destWidth x destHeight), scaling by nearest
    // neighbour when the sizes differ and copying plainly when they are equal. Destination
    // pixels whose source lies outside the source picture become black; pixels outside this
    // picture are skipped. Does nothing when either picture is empty. The argument order is
    // the historical one. Does not raise the change notification: callers do after a batch.
    void StretchCopyRect(int destLeft, int destTop, const TPixelGraphic& source, int sourceHeight,
                         int sourceWidth, int sourceTop, int sourceLeft, int destHeight,
                         int destWidth);
    // The whole source onto the whole picture.
    void StretchFrom(const TPixelGraphic& source);

    // Row y (0 = top), rowBytes() long. Throws EPixelGraphic for y outside the picture.
    std::uint8_t* scanLine(int y);
    const std::uint8_t* scanLine(int y) const;

    // The palette: paletteSize(pixelFormat()) entries, empty for 24 bits.
    const std::vector<ColourValue>& palette() const { return palette_; }
    // Replaces the first colours.size() entries (at most the palette's size); the rest become
    // black.
    void setPalette(std::span<const ColourValue> colours);
    void setPaletteEntry(int index, ColourValue colour);
    // The first palette entry closest to colour (squared RGB distance); 0 for 24 bits.
    int nearestPaletteIndex(ColourValue colour) const;

    // Raises the change notification unless updates are locked; a change while locked is
    // delivered once when the last lock is released.
    void Changed();
    void beginUpdate();
    void endUpdate();
    int updateLockCount() const { return updateLock_; }
    void setOnChange(ChangeHandler handler) { onChange_ = std::move(handler); }

    void setProgressHandlers(ProgressHandlers handlers) { progress_ = std::move(handlers); }
    const ProgressHandlers& progressHandlers() const { return progress_; }
    // Signals for operations on this picture. progress returns true when a handler asked to
    // abort.
    void progressStart() const;
    bool progress(int current, int total) const;
    void progressEnd() const;

    // The action when a save must change the colour resolution.
    TPGWarningAction SaveColorResWarningAction = pgwaOKCancelBox;
    void setMessageHandler(MessageHandler handler) { messageHandler_ = std::move(handler); }
    const MessageHandler& messageHandler() const { return messageHandler_; }

    // Picture files. Loading recognises the format from the content and replaces the picture;
    // saving picks the writer from the extension (case-insensitive) and writes through a
    // temporary file beside the target, so a failed save leaves no new file and never damages
    // an existing one.
    void loadFromFile(const std::filesystem::path& path, const LoadOptions& options = {});
    void loadFromStream(std::istream& in, std::string_view extension,
                        const LoadOptions& options = {});
    void saveToFile(const std::filesystem::path& path, const SaveOptions& options = {}) const;
    void saveToStream(std::ostream& out, std::string_view extension,
                      const SaveOptions& options = {}) const;

private:
    void copyContentFrom(const TPixelGraphic& other);
    void moveContentFrom(TPixelGraphic& other) noexcept;
    void resetDefaultPalette();
    void writeIndex(int x, int y, int index);
    int readIndex(int x, int y) const;
    int indexForColour(ColourValue colour);

    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::Bits24;
    int rowBytes_ = 0;
    std::vector<ColourValue> palette_;
    std::vector<std::uint8_t> bits_;

    // SetPixel's last palette lookup; only touched by mutating members.
    ColourValue lastColour_ = 0;
    int lastIndex_ = -1;

    int updateLock_ = 0;
    bool changePending_ = false;
    ChangeHandler onChange_;
    ProgressHandlers progress_;
    MessageHandler messageHandler_;
};

// Holds an update lock for a scope.
class UpdateLock {
public:
    explicit UpdateLock(TPixelGraphic& picture) : picture_(picture) { picture_.beginUpdate(); }
    ~UpdateLock() { picture_.endUpdate(); }
    UpdateLock(const UpdateLock&) = delete;
    UpdateLock& operator=(const UpdateLock&) = delete;

private:
    TPixelGraphic& picture_;
};

} // namespace qm::image
