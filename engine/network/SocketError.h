#pragma once

namespace vx {

// Logs "\t<code> - <system text>" for a socket error code: the line that
// follows each error line ending in "returned:". Nothing when the system
// has no text for the code.
void logSocketError(int code);

} // namespace vx
