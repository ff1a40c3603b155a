// Keeps the tool library non-empty while the tools are being written.
namespace ridge { int tools_placeholder() { return 0; } }
