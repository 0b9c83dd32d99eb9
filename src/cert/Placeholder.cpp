// The certificate body, scrambler, builder and verifier live in this library.
namespace torvane::cert {}
