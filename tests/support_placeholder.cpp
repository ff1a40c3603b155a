// Keeps the test support library non-empty.
namespace ridge_test { int support_placeholder() { return 0; } }
