// The motion engine's sources join this folder; this keeps the library
// non-empty until they do.
namespace motion_placeholder {
int Anchor() { return 0; }
}  // namespace motion_placeholder
