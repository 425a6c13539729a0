// Reusable controls of the front end (placeholder until the first control lands).
namespace qm::app {} // namespace qm::app
