// The fractal document window and its dialogs (placeholder until the window lands).
namespace qm::app {} // namespace qm::app
