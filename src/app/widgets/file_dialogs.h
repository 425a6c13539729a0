// Room for the columns of the toolkit's own file dialog.
#pragma once

class QFileDialog;

namespace qm::app {

// Gives a file dialog of the toolkit's own kind a size that shows its four columns, and the
// Size, Type and Date Modified columns room for their texts ("999.9 KiB", not "20....KiB").
// Columns the user made wider stay so; a native dialog sizes itself and is left alone.
void fitFileDialog(QFileDialog& dialog);

} // namespace qm::app
