// Built-in lists that mark HTTP uploads as noise. tools/make-activity-db reads
// the same values from this file, so keep each value a plain string literal.
#pragma once

namespace cs::parse {

// An upload whose request host contains this domain is the capture agent's own
// reporting traffic: the record is dropped and not indexed.
inline constexpr const char kTrashDomain[] = "report.capture-agent.net";

// An upload whose URL contains one of these host fragments is an update or
// telemetry request: it is indexed without text and without its file.
inline constexpr const char* const kTrashRequestHosts[] = {
    "autoupdate.",
    "telemetry.",
    "crashreport.",
    "liveupdate.",
};

} // namespace cs::parse
