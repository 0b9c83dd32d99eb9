// The main window and the other windows live in this library.
namespace torvane::app {}
