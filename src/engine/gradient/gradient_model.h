// GradientModel: the fifteen stop fields of the palette editor and the computation of
// GradientTable from them, with the editor's Reset, Randomize and Cycled commands.
#pragma once

#include "engine/gradient/stop_string.h"
#include "engine/shared/shared_colour_data.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::gradient {

// Table index of each stop; consecutive segments share their boundary entry.
inline constexpr int kSegmentLength = 64;

// Lives on the user-interface thread; render jobs see its work only through the published table.
class GradientModel {
public:
    using Listener = std::function<void()>;

    // Starts with the editor form's field defaults (2, then fourteen 1s); the shared table is
    // left alone until the first render.
    explicit GradientModel(SharedColourData& data);

    // Editor creation: re-seed the shared generator from the clock, Reset, then apply the
    // "Standard" preset. Afterwards GradientTable holds the Standard gradient.
    void initialise();

    const GradientFields& fields() const { return fields_; }
    int field(int index) const { return fields_.at(static_cast<size_t>(index)); }
    // A field edited by the user (or by a stop string): the value is limited to 1..256 and,
    // when it changed, the field's change handler `render` runs.
    void setField(int index, int value);

    // The stop string of the current fields, as presets and parameter files store it.
    std::string stopString() const { return formatStopString(fields_); }

    // Recomputes GradientTable from the fields and publishes it. With Cycled on, stop 5 is
    // first made equal to stop 1; while GradientUpdating is set only that copy happens.
    void render();

    // Applies a stop string as one batch and renders once. A bad token throws EConvertError
    // with the earlier fields already set and the table not recomputed.
    void defaultgrad(std::string_view stopString);

    // Applies a stop string field by field, each changed field rendering at once (how stored
    // user presets are loaded). A bad token throws with the table matching the fields set.
    void loadStopString(std::string_view stopString);

    // "Reset": every field 1, an all-black table.
    void reset();
    // "Randomize": each field a uniform draw 0..256 from the shared generator, limited to 1..256.
    void randomize();

    // The "Cycled" check box. Checking copies stop 1 into stop 5 and renders; unchecking only
    // shows stop 5's fields again.
    bool cycled() const { return cycled_; }
    void setCycled(bool checked);
    bool stopFiveVisible() const { return !cycled_; }

    // Set while several fields are written in a row so that `render` computes the table only
    // once, at the end of the batch.
    bool GradientUpdating = false;

    // Listeners run once after each operation that changed the fields, the Cycled state or the
    // table (the editor's fields and preview). They must not throw.
    int addListener(Listener listener);
    void removeListener(int id);

    // Fills 65 entries from `first`: per channel start + (end - start) * i / 64 rounded to the
    // nearest integer (halves to even), i = 0..64.
    static void fillsegment(GradientTableData& table, int first, std::uint8_t startRed,
                            std::uint8_t endRed, std::uint8_t startGreen, std::uint8_t endGreen,
                            std::uint8_t startBlue, std::uint8_t endBlue);

private:
    class Batch;
    friend class Batch;

    void copyStopOneToStopFive();
    void notify();

    SharedColourData& data_;
    GradientFields fields_;
    GradientTableData table_{};
    bool cycled_ = false;

    std::vector<std::pair<int, Listener>> listeners_;
    int nextListenerId_ = 1;
    int batchDepth_ = 0;
    bool changed_ = false;
};

} // namespace qm::gradient
