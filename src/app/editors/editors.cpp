// The editor windows and filter dialogs (placeholder until the first window lands).
namespace qm::app {} // namespace qm::app
