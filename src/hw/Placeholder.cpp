// The processor primitives and identification live in this library.
namespace torvane::hw {}
