// The test run control, the worker timers and the workloads live in this library.
namespace torvane::engine {}
